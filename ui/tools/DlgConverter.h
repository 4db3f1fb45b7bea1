#pragma once
// The cache converter: rebuilds one cache of the open texture cache from another on a
// worker thread, while the dialog shows its progress and stays responsive. The old
// target stays in place until the new one is complete; a cancel leaves it untouched.
#include "cache/TextureDatabase.h"
#include "pipeline/CacheConverter.h"

#include <QDialog>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

class IMainWindowHooks;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class CToolStatus;

class CDlgConverter : public QDialog {
    Q_OBJECT
public:
    CDlgConverter(IMainWindowHooks& hooks, CTextureDatabase* cache, QWidget* parent = nullptr);
    ~CDlgConverter() override;

    bool Busy() const { return m_bBusy; }
    // The outcome of the last conversion (for the window and the tests).
    const ConvertResult& LastResult() const { return m_LastResult; }

public slots:
    void OnGo();
    void OnCancel();
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Finish(const ConvertResult& result, double seconds);
    void SetIdle(bool idle);

    IMainWindowHooks& m_Hooks;
    CTextureDatabase* m_pCache;
    QComboBox* m_pSource;
    QComboBox* m_pTarget;
    QPushButton* m_pGo;
    QPushButton* m_pCancel;
    QPushButton* m_pClose;
    QProgressBar* m_pProgress;
    QLabel* m_pStatus;
    std::unique_ptr<CToolStatus> m_pToolStatus;
    bool m_bBusy = false;
    std::atomic<bool> m_bCancel{false};
    std::thread m_Worker;
    ConvertResult m_LastResult;
};
