#include "ui/tools/DlgSiblings.h"

#include "cache/CacheStatistics.h"
#include "platform/MessageBox.h"
#include "ui/tools/ToolTexts.h"

#include <QDialogButtonBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int kIdWidth = 50, kTextureWidth = 250;
} // namespace

CDlgSiblings::CDlgSiblings(QWidget* parent, IMainWindowHooks& hooks, const CTextureIndex& db,
                           int texture)
    : QDialog(parent), m_Hooks(hooks) {
    setObjectName("CDlgSiblings");
    setWindowTitle(ToolTexts::FormatText(ToolTexts::kSiblingsCaption, db.GetTextureName(texture).c_str()));
    auto* layout = new QVBoxLayout(this);
    m_pList = new QTreeWidget(this);
    m_pList->setObjectName("SiblingList");
    m_pList->setColumnCount(kColumnCount);
    m_pList->setHeaderLabels(
        {ToolTexts::Text(ToolTexts::kIdColumn), ToolTexts::String(ToolTexts::kTextureColumn)});
    m_pList->setColumnWidth(kColumnId, kIdWidth);
    m_pList->setColumnWidth(kColumnTexture, kTextureWidth);
    m_pList->setRootIsDecorated(false);
    m_pList->setAllColumnsShowFocus(true);
    layout->addWidget(m_pList);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    for (int id : FindSiblings(db, texture)) {
        auto* item = new QTreeWidgetItem(m_pList);
        item->setText(kColumnId, QString::asprintf("%02d", id));
        item->setText(kColumnTexture, QString::fromStdString(db.GetTextureName(id)));
        item->setData(kColumnId, Qt::UserRole, id);
    }
    connect(m_pList, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            m_Hooks.SetFocusHook(item->data(kColumnId, Qt::UserRole).toInt());
    });
    resize(340, 300);
}

int CDlgSiblings::RowCount() const {
    return m_pList->topLevelItemCount();
}

int CDlgSiblings::exec() {
    if (RowCount() == 0) {
        MessageBox(ToolTexts::Text(ToolTexts::kNoAliases).toStdString(), "",
                   MB_OK | MB_ICONINFORMATION);
        return QDialog::Rejected;
    }
    return QDialog::exec();
}
