#include "ui/tools/StreamTree.h"

#include "pipeline/RwOutline.h"

#include <QTreeWidget>

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
