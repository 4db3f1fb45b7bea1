#pragma once
// The texture names a model uses (or a dictionary holds) against the open cache: selecting
// a name shows the cache's texture of that name; editing a name renames it throughout the
// model, which can then be saved, and the material names saved as text.
#include "pipeline/ModelTextures.h"
#include "ui/tools/MainHooks.h"
#include "ui/tools/StreamTree.h"

#include <QDialog>

#include <string>

class CTextureDatabase;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class CDlgDFFCheck : public QDialog {
    Q_OBJECT
public:
    static constexpr int kStreamPaneWidth = CStreamPane::kWidth;
    enum Column { kNameColumn, kStateColumn };

    CDlgDFFCheck(CTextureDatabase* db, IMainWindowHooks& hooks, std::string path,
                 QWidget* parent = nullptr);

    // Reads the file and lists its names; false after an error box when it cannot be read
    // (the window may still be shown, empty).
    bool Load();

    QTreeWidget* List() const { return m_pList; }
    QTreeWidget* StreamTree() const { return m_Stream.Tree(); }
    QPushButton* SaveAsButton() const { return m_pSaveAs; }
    QPushButton* SaveTextButton() const { return m_pSaveText; }
    CModelTextures& Model() { return m_Model; }

    // What the label edit does with an item's new text: rename the name throughout the
    // model (refused, with a box, when empty, not a name the cache can hold, or for a
    // dictionary). True when the model changed.
    bool RenameItem(QTreeWidgetItem* item, const QString& newName);
    // The model to path, never over it silently: a failure is shown. True when written.
    bool SaveModelTo(const QString& path);
    bool SaveTextTo(const QString& path);

public slots:
    void OnShowStream();
    void OnSaveAs();
    void OnSaveText();

private:
    void BuildControls();
    void FillList(const std::string& select = std::string());
    void Preview();
    void OnItemChanged(QTreeWidgetItem* item, int column);

    CTextureDatabase* m_pCache;
    IMainWindowHooks& m_Hooks;
    std::string m_strPath;
    CModelTextures m_Model;
    bool m_bFilling = false;

    QTreeWidget* m_pList = nullptr;
    CStreamPane m_Stream;
    QLabel* m_pVersion = nullptr;
    QPushButton* m_pSaveAs = nullptr;
    QPushButton* m_pSaveText = nullptr;
};
