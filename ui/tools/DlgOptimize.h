#pragma once
// The cache optimizer: finds duplicate textures by name, by digest or by difference and
// makes them aliases (or deletes name duplicates), on the window's thread with its
// progress shown as it goes.
#include "cache/TextureDatabase.h"

#include <QDialog>
#include <memory>

class IMainWindowHooks;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class CToolStatus;

class CDlgOptimize : public QDialog {
    Q_OBJECT
public:
    CDlgOptimize(IMainWindowHooks& hooks, CTextureDatabase* cache, QWidget* parent = nullptr);
    ~CDlgOptimize() override;

public slots:
    void OnOptimize();
    // Refused while a pass runs (its progress lets the window's events through).
    void reject() override;

private:
    void Progress(int position, int count, const std::string& text);

    IMainWindowHooks& m_Hooks;
    CTextureDatabase* m_pCache;
    QRadioButton* m_pAliasNames;
    QRadioButton* m_pDeleteNames;
    QRadioButton* m_pRasters;
    QComboBox* m_pCacheList;
    QComboBox* m_pAlgorithm;
    QLineEdit* m_pThreshold;
    QProgressBar* m_pProgress;
    QLabel* m_pStatus;
    QPushButton* m_pOptimize;
    std::unique_ptr<CToolStatus> m_pToolStatus;
    bool m_bRunning = false;
};
