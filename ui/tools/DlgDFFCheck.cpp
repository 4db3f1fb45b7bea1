#include "ui/tools/DlgDFFCheck.h"

#include "app/Log.h"
#include "cache/NameRules.h"
#include "cache/TextureDatabase.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "ui/tools/StreamTree.h"
#include "ui/tools/ToolBoxes.h"
#include "ui/tools/ToolFiles.h"
#include "ui/tools/ToolTexts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace ToolBoxes;
using namespace ToolTexts;

namespace {

constexpr int kIndexRole = Qt::UserRole;
constexpr int kNameRole = Qt::UserRole + 1; // the name the item stands for, before an edit
constexpr int kNameWidth = 240;
constexpr int kStateWidth = 100;
constexpr int kListWidth = 360;
constexpr int kListHeight = 380;

} // namespace

CDlgDFFCheck::CDlgDFFCheck(CTextureDatabase* db, IMainWindowHooks& hooks, std::string path,
                           QWidget* parent)
    : QDialog(parent), m_pCache(db), m_Hooks(hooks), m_strPath(std::move(path)) {
    setObjectName("CDlgDFFCheck");
    BuildControls();
}

void CDlgDFFCheck::BuildControls() {
    m_pList = new QTreeWidget;
    m_pList->setObjectName("list");
    m_pList->setRootIsDecorated(false);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    m_pList->setHeaderLabels({String(ToolTexts::kTextureColumn), Text(ToolTexts::kStateColumn)});
    m_pList->setColumnWidth(kNameColumn, kNameWidth);
    m_pList->setColumnWidth(kStateColumn, kStateWidth);
    m_pList->setMinimumSize(kListWidth, kListHeight);
    connect(m_pList, &QTreeWidget::itemSelectionChanged, this, &CDlgDFFCheck::Preview);
    connect(m_pList, &QTreeWidget::itemChanged, this, &CDlgDFFCheck::OnItemChanged);

    m_pVersion = new QLabel(Format(kVersion, 0u));

    m_pSaveAs = new QPushButton(Text(kSaveAs));
    m_pSaveText = new QPushButton(Text(kSaveAsText));
    m_pSaveAs->setEnabled(false);
    m_pSaveText->setEnabled(false);
    auto* showStream = new QPushButton(Text(kShowStream));
    auto* cancel = new QPushButton(Text(kCancel));
    connect(m_pSaveAs, &QPushButton::clicked, this, &CDlgDFFCheck::OnSaveAs);
    connect(m_pSaveText, &QPushButton::clicked, this, &CDlgDFFCheck::OnSaveText);
    connect(showStream, &QPushButton::clicked, this, &CDlgDFFCheck::OnShowStream);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(showStream);
    buttons->addWidget(m_pSaveText);
    buttons->addStretch();
    buttons->addWidget(m_pSaveAs);
    buttons->addWidget(cancel);
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(Text(kTexturesLabel)));
    left->addWidget(m_pList, 1);
    left->addWidget(m_pVersion);
    left->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(m_Stream.Layout());
}

bool CDlgDFFCheck::Load() {
    setWindowTitle(FormatText(kModelCaption, Files::FileNameOf(m_strPath).c_str()));
    try {
        m_Model.Open(m_strPath);
        RW::CStream* stream = m_Model.Stream();
        m_pVersion->setText(Format(kVersion, stream->GetVersion()));
        FillStreamTree(m_Stream.Tree(), *stream);
    } catch (const RW::CException& error) {
        FillList();
        ErrorBox(QString::fromStdString(error.Text()));
        return false;
    }
    const bool model = m_Model.GetKind() == CModelTextures::Kind::kModel;
    m_pSaveAs->setEnabled(model);
    m_pSaveText->setEnabled(model);
    FillList();
    return true;
}

void CDlgDFFCheck::FillList(const std::string& select) {
    m_bFilling = true;
    m_pList->clear();
    const bool model = m_Model.GetKind() == CModelTextures::Kind::kModel;
    for (const std::string& name : m_Model.Names()) {
        auto* item = new QTreeWidgetItem(m_pList);
        const QString text = QString::fromStdString(name);
        item->setText(kNameColumn, text);
        item->setData(kNameColumn, kNameRole, text);
        const NameInCache found = FindNameInCache(m_pCache, name);
        item->setText(kStateColumn, found.state == NameInCache::kFound ? Text(kStateOk)
                                    : found.state == NameInCache::kNotFound
                                        ? String(kNotFound)
                                        : String(kCacheNotLoaded));
        item->setData(kNameColumn, kIndexRole, found.texture);
        // Only a model's names are renamed here; a dictionary's are shown as they are.
        if (model)
            item->setFlags(item->flags() | Qt::ItemIsEditable);
        if (name == select)
            m_pList->setCurrentItem(item);
    }
    m_bFilling = false;
}

void CDlgDFFCheck::Preview() {
    const QList<QTreeWidgetItem*> selected = m_pList->selectedItems();
    const int texture =
        selected.size() == 1 ? selected.first()->data(kNameColumn, kIndexRole).toInt() : -1;
    if (texture >= 0) {
        LogPrintA("CDlgDFFCheck: Tryin' to render texture via message hook...\n");
        m_Hooks.SetFocusHook(texture);
    } else if (m_pCache) {
        m_Hooks.RenderHook(nullptr, nullptr);
    }
}

void CDlgDFFCheck::OnItemChanged(QTreeWidgetItem* item, int column) {
    if (m_bFilling || column != kNameColumn)
        return;
    LogPrintA("CDlgDFFCheck: label edit ended...\n");
    const QString text = item->text(kNameColumn);
    // Put the old text back first: the list is filled again from the model once it changed.
    m_bFilling = true;
    item->setText(kNameColumn, item->data(kNameColumn, kNameRole).toString());
    m_bFilling = false;
    RenameItem(item, text);
}

bool CDlgDFFCheck::RenameItem(QTreeWidgetItem* item, const QString& newName) {
    const std::string oldName = Utf8(item->data(kNameColumn, kNameRole).toString());
    const std::string name = Utf8(newName);
    if (name.empty()) {
        ErrorBox(Text(kEmptyName));
        return false;
    }
    if (name == oldName)
        return false;
    if (m_Model.GetKind() != CModelTextures::Kind::kModel) {
        ErrorBox(Text(kDictionaryNames));
        return false;
    }
    const NameProblem problem = CheckTextureName(name);
    if (problem != NameProblem::kNone) {
        ErrorBox(FormatText(kNameRefused, name.c_str(), DescribeNameProblem(problem).c_str()));
        return false;
    }
    try {
        if (m_Model.Rename(oldName, name) == 0) {
            ErrorBox(FormatText(kNotRenamed, oldName.c_str()));
            return false;
        }
    } catch (const RW::CException& error) {
        ErrorBox(QString::fromStdString(error.Text()));
        return false;
    }
    FillList(name);
    return true;
}

bool CDlgDFFCheck::SaveModelTo(const QString& path) {
    try {
        m_Model.Save(Utf8(path));
        return true;
    } catch (const RW::CException& error) {
        ErrorBox(QString::fromStdString(error.Text()));
        return false;
    }
}

bool CDlgDFFCheck::SaveTextTo(const QString& path) {
    std::string text;
    try {
        text = m_Model.PlainText();
    } catch (const RW::CException& error) {
        ErrorBox(QString::fromStdString(error.Text()));
        return false;
    }
    // Written beside the target and renamed over it: a failure leaves the old file.
    if (!Files::WriteFileAtomically(Utf8(path), text)) {
        ErrorBox(Text(kUnknownError));
        return false;
    }
    return true;
}

void CDlgDFFCheck::OnShowStream() {
    m_Stream.Toggle(this);
}

void CDlgDFFCheck::OnSaveAs() {
    const QString path = AskForFile(this, {.ask = FileAsk::kSave,
                                           .start = QString::fromStdString(m_strPath),
                                           .filter = FileFilter(kModelFilter),
                                           .suffix = "dff"});
    if (!path.isEmpty())
        SaveModelTo(path);
}

void CDlgDFFCheck::OnSaveText() {
    const QString stem = QString::fromStdString(m_strPath).section('.', 0, -2);
    const QString path = AskForFile(this, {.ask = FileAsk::kSave,
                                           .start = stem.isEmpty() ? QString() : stem + ".txt",
                                           .filter = FileFilter(kTextFilter),
                                           .suffix = "txt"});
    if (!path.isEmpty())
        SaveTextTo(path);
}
