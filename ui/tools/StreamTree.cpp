#include "ui/tools/StreamTree.h"

#include "pipeline/RwOutline.h"
#include "ui/tools/ToolTexts.h"

#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

void AddSection(QTreeWidgetItem* parent, RW::CStream& stream, RW::CNode* node) {
    auto* item = new QTreeWidgetItem(parent);
    item->setText(0, QString::fromStdString(SectionLabel(stream, node)));
    for (auto& child : node->m_ppSections)
        AddSection(item, stream, child.get());
}

} // namespace

void FillStreamTree(QTreeWidget* tree, RW::CStream& stream) {
    tree->clear();
    RW::CNode* root = stream.Root();
    if (!root)
        return;
    auto* item = new QTreeWidgetItem(tree);
    item->setText(0, QString::fromStdString(SectionLabel(stream, root)));
    for (auto& child : root->m_ppSections)
        AddSection(item, stream, child.get());
    item->setExpanded(true);
}

CStreamPane::CStreamPane()
    : m_pLabel(new QLabel(ToolTexts::Text(ToolTexts::kStreamStructure))),
      m_pTree(new QTreeWidget) {
    // The frame around the tree takes what is left of the pane's width.
    constexpr int kFrame = 10;
    m_pTree->setObjectName("stream");
    m_pTree->setHeaderHidden(true);
    m_pTree->setFixedWidth(kWidth - kFrame);
    m_pLabel->hide();
    m_pTree->hide();
}

QVBoxLayout* CStreamPane::Layout() const {
    auto* layout = new QVBoxLayout;
    layout->addWidget(m_pLabel);
    layout->addWidget(m_pTree, 1);
    return layout;
}

void CStreamPane::Toggle(QWidget* dialog) const {
    const bool show = m_pTree->isHidden();
    m_pTree->setVisible(show);
    m_pLabel->setVisible(show);
    dialog->resize(dialog->width() + (show ? kWidth : -kWidth), dialog->height());
}
