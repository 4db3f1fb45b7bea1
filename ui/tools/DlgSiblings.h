#pragma once
// The aliases of one texture in a list; choosing a row selects that alias in the main
// window. Without aliases there is nothing to show: a box says so and no dialog opens.
#include "cache/TextureIndex.h"
#include "ui/tools/MainHooks.h"

#include <QDialog>

class QTreeWidget;

class CDlgSiblings : public QDialog {
    Q_OBJECT
public:
    CDlgSiblings(QWidget* parent, IMainWindowHooks& hooks, const CTextureIndex& db, int texture);

    // Shows the list modally, or "No aliases found." when the texture has none.
    int exec() override;

    QTreeWidget* List() const { return m_pList; }
    int RowCount() const;

private:
    enum Column { kColumnId, kColumnTexture, kColumnCount };
    IMainWindowHooks& m_Hooks;
    QTreeWidget* m_pList = nullptr;
};
