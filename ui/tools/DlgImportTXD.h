#pragma once
// Importing the textures of one texture dictionary (a file, or an entry of an archive)
// into the open cache: a list with check boxes, the section tree, a preview in the main
// window, and exports of the dictionary's textures as image files.
#include "pipeline/TXDHelper.h"
#include "ui/tools/MainHooks.h"
#include "ui/tools/StreamTree.h"

#include <QDialog>

#include <memory>
#include <string>

class CTextureDatabase;
class CToolStatus;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class CDlgImportTXD : public QDialog, public CTXDHelper {
    Q_OBJECT
public:
    // The width the section tree pane adds to the window when it is shown.
    static constexpr int kStreamPaneWidth = CStreamPane::kWidth;
    enum Column { kNameColumn, kDimensionsColumn, kInfoColumn };

    // path names the dictionary file, or (archive a valid handle) the entry whose
    // dictionary starts at offset in that archive, which stays open after the dialog.
    CDlgImportTXD(CTextureDatabase* db, IMainWindowHooks& hooks, std::string path, int category,
                  QWidget* parent = nullptr, int archive = -1, uint64_t offset = 0);
    ~CDlgImportTXD() override;

    // Reads the dictionary and fills the window; false after an error box when no reader
    // accepts it (the dialog is then not to be shown).
    bool Load();

    QTreeWidget* List() const { return m_pList; }
    QTreeWidget* StreamTree() const { return m_Stream.Tree(); }
    QLabel* VersionLabel() const { return m_pVersion; }
    QLabel* CountLabel() const { return m_pCount; }
    bool Busy() const { return m_bBusy; }
    const Bitmap32* Previewed() const { return m_pPreview.get(); }

    // Writes the selected texture to path (its extension picks the format); false after
    // a box saying why.
    bool ExportCurrentTo(const QString& path);
    // Writes every texture as PNG into folder, one file each; the number written.
    int ExportAllTo(const QString& folder);

public slots:
    void OnImport();
    void OnCheckAll();
    void OnShowStream();
    void OnExportCurrent();
    void OnExportAll();

protected:
    void done(int result) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void FillList();
    void Preview();
    void ClearPreview();
    // Imports one texture through the window; empty on success, else why not.
    std::string ImportOne(uint32_t id, bool replace);

    CTextureDatabase* m_pCache;
    IMainWindowHooks& m_Hooks;
    std::string m_strPath;
    int m_nCategory;
    int m_hArchive;
    uint64_t m_nOffset;
    std::unique_ptr<Bitmap32> m_pPreview;
    std::unique_ptr<CToolStatus> m_pStatus;
    bool m_bBusy = false;

    QTreeWidget* m_pList = nullptr;
    CStreamPane m_Stream;
    QLabel* m_pVersion = nullptr;
    QLabel* m_pCount = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QPushButton* m_pImport = nullptr;
};
