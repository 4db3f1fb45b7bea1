#pragma once
// The IMG synchronizer: reads every model of the chosen archives, lists the open cache's
// textures with whether a model uses them, and deletes the checked ones in one pass over
// the cache files. The work is the core's (pipeline/SyncArchives); this is its window.
#include "pipeline/SyncArchives.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <memory>

class CTextureDatabase;
class IMainWindowHooks;
class CToolStatus;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class CDlgSyncIMG : public QDialog {
    Q_OBJECT
public:
    enum Control { kDeleteUnused = 1037, kProgress = 1039, kStatus = 1056, kList = 1046,
                   kOpenImgs = 1038 };
    enum Column { kTextureColumn = 0, kInfoColumn = 1 };

    // cache may be null: the archives are then only read.
    CDlgSyncIMG(CTextureDatabase* cache, IMainWindowHooks* hooks, QWidget* parent);
    ~CDlgSyncIMG() override;

    // Reads the archives and lists the cache against them (what "Open IMGs" does with
    // the files chosen). false when it was stopped.
    bool Synchronize(const QStringList& archives);
    // Deletes the checked textures (what "Delete unused" does). false when the cache
    // refused.
    bool DeleteChecked();
    bool IsBusy() const { return m_bBusy; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void OnOpenImgs();
    void OnSelectionChanged(QTreeWidgetItem* item);
    void FillList();
    void SetBusy(bool busy);
    // Shows where a step stands and lets the window repaint and take a close; false
    // once a close asked the work to stop.
    bool Progress(const std::string& text, size_t position, size_t total);

    CTextureDatabase* m_pCache;
    IMainWindowHooks* m_pHooks;
    QPushButton* m_pDelete = nullptr;
    QPushButton* m_pOpen = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QLabel* m_pStatus = nullptr;
    QTreeWidget* m_pList = nullptr;
    std::unique_ptr<CToolStatus> m_pToolStatus;
    CSyncScan m_Scan;
    bool m_bBusy = false;
    bool m_bStopAsked = false;
};
