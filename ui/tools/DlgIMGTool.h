#pragma once
// An archive's entries with their sizes and offsets, saving one entry as a file, and the
// archive's editing: files added or replaced, entries deleted, the archive rebuilt. Every
// edit is one crash-safe save of the whole archive. The archive import window builds on
// it without the editing.
#include "gta/IMGFile.h"
#include "pipeline/TXDHelper.h"
#include "ui/tools/MainHooks.h"

#include <QDialog>

#include <memory>
#include <vector>

namespace GTA {
class CIMGEditor;
}
class CTextureDatabase;
class CToolStatus;
class QHBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class CDlgIMGTool : public QDialog, public CTXDHelper {
    Q_OBJECT
public:
    enum Column { kFileColumn, kSizeColumn, kOffsetColumn };

    CDlgIMGTool(CTextureDatabase* db, IMainWindowHooks& hooks, int category,
                QWidget* parent = nullptr);
    ~CDlgIMGTool() override;

    // Closes the archive in use, opens path and lists its entries; false when it could not
    // be opened (the list is then empty and a box says so).
    bool OpenArchive(const QString& path);

    QTreeWidget* List() const { return m_pList; }
    QLabel* StatusLabel() const { return m_pLabel; }
    const GTA::CIMGFile& Archive() const { return m_Img; }
    bool Busy() const { return m_bBusy; }

    // Saves the selected entry as path; never over a file that is there, never an entry the
    // archive holds only part of. False after a box saying why.
    bool ExportCurrentTo(const QString& path);

    // The edits, each saved at once and the list read again. False after a box saying why
    // (the archive is then as it was) or when nothing was done.
    // The files under their own names; an entry of the same name is replaced in place.
    bool AddFiles(const QStringList& files);
    // The checked entries, or the selected one when none is checked, after one question.
    bool DeleteChosen();
    // The archive written again without the space deleted and replaced entries left.
    bool Rebuild();

public slots:
    void OnOpen();
    void OnExportCurrent();
    void OnAddFile();
    void OnDelete();
    void OnRebuild();

protected:
    // The window's own buttons go into row; the import window puts its own there.
    CDlgIMGTool(CTextureDatabase* db, IMainWindowHooks& hooks, int category, QWidget* parent,
                bool import);
    virtual void AfterOpen() {}
    void done(int result) override;
    void closeEvent(QCloseEvent* event) override;
    // The entry an item stands for.
    static uint32_t EntryOf(const QTreeWidgetItem* item);

    CTextureDatabase* m_pCache;
    IMainWindowHooks& m_Hooks;
    int m_nCategory;
    GTA::CIMGFile m_Img;
    std::unique_ptr<CToolStatus> m_pStatus;
    bool m_bBusy = false;
    QTreeWidget* m_pList = nullptr;
    QLabel* m_pLabel = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QHBoxLayout* m_pButtons = nullptr;

private:
    void BuildControls(bool import);
    void FillList();
    void EnableEditing(bool enable);
    // Opens the archive in use for editing; false after a box saying why.
    bool OpenEditor(GTA::CIMGEditor& editor);
    // Saves the editor's archive with its progress shown, then lists the archive again.
    bool SaveEdits(GTA::CIMGEditor& editor);

    QString m_strPath;
    QPushButton* m_pAddFile = nullptr;
    QPushButton* m_pDelete = nullptr;
    QPushButton* m_pRebuild = nullptr;
};

// The dictionaries of an archive imported into the open cache: the checked ones whole
// (names the cache has are skipped), or one in the dictionary import window.
class CDlgImportIMG : public CDlgIMGTool {
    Q_OBJECT
public:
    CDlgImportIMG(CTextureDatabase* db, IMainWindowHooks& hooks, int category,
                  QWidget* parent = nullptr);

    int Imported() const { return m_nImported; }
    int Skipped() const { return m_nSkipped; }

public slots:
    void OnImportChecked();
    void OnImportSelected();
    void OnCheckAll();

protected:
    void AfterOpen() override;

private:
    // Imports the textures of the open dictionary; false when the user chose to stop.
    bool ImportDictionary(const QString& entry, int position, int total);

    QPushButton* m_pImportChecked = nullptr;
    QPushButton* m_pImportSelected = nullptr;
    int m_nImported = 0;
    int m_nSkipped = 0;
    int m_nFailed = 0;
};
