#include "ui/tools/DlgImportTXD.h"

#include "app/Log.h"
#include "cache/NameRules.h"
#include "cache/TextureDatabase.h"
#include "pipeline/ExportTextures.h"
#include "pipeline/ImportChecks.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/SafeFileName.h"
#include "ui/controls/FolderDialog.h"
#include "ui/tools/StreamTree.h"
#include "ui/tools/ToolStatus.h"
#include "ui/tools/ToolBoxes.h"
#include "ui/tools/ToolFiles.h"
#include "ui/tools/ToolTexts.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace ToolBoxes;
using namespace ToolTexts;

namespace {

constexpr int kIdRole = Qt::UserRole;
constexpr int kColumnWidths[] = {160, 90, 90};
constexpr int kListWidth = 400;
constexpr int kListHeight = 420;

} // namespace

CDlgImportTXD::CDlgImportTXD(CTextureDatabase* db, IMainWindowHooks& hooks, std::string path,
                             int category, QWidget* parent, int archive, uint64_t offset)
    : QDialog(parent), m_pCache(db), m_Hooks(hooks), m_strPath(std::move(path)),
      m_nCategory(category), m_hArchive(archive), m_nOffset(offset) {
    setObjectName("CDlgImportTXD");
    BuildControls();
}

// The view shows its own copy of the preview, so nothing needs the window here: the window
// may itself be on its way out when a child dialog is destroyed.
CDlgImportTXD::~CDlgImportTXD() = default;

void CDlgImportTXD::BuildControls() {
    m_pList = new QTreeWidget;
    m_pList->setObjectName("list");
    m_pList->setRootIsDecorated(false);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setHeaderLabels({String(ToolTexts::kTextureColumn),
                              String(ToolTexts::kDimensionsColumn),
                              String(ToolTexts::kInfoColumn)});
    for (int c = 0; c < 3; ++c)
        m_pList->setColumnWidth(c, kColumnWidths[c]);
    m_pList->setMinimumSize(kListWidth, kListHeight);
    m_pList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pList, &QTreeWidget::itemSelectionChanged, this, &CDlgImportTXD::Preview);
    connect(m_pList, &QWidget::customContextMenuRequested, this, [this](const QPoint& point) {
        QMenu menu;
        menu.addAction(Text(kExportCurrent), this, &CDlgImportTXD::OnExportCurrent);
        menu.addAction(Text(kExportAll), this, &CDlgImportTXD::OnExportAll);
        menu.exec(m_pList->viewport()->mapToGlobal(point));
    });

    m_pVersion = new QLabel(Format(kVersion, 0u));
    m_pCount = new QLabel("0 / 0");
    m_pProgress = new QProgressBar;
    m_pProgress->setTextVisible(false);
    m_pStatus = std::make_unique<CToolStatus>(m_pCount, m_pProgress);

    m_pImport = new QPushButton(Text(kImport));
    m_pImport->setDefault(true);
    auto* cancel = new QPushButton(Text(kCancel));
    auto* checkAll = new QPushButton(Text(kCheckAll));
    auto* showStream = new QPushButton(Text(kShowStream));
    auto* exportButton = new QPushButton(String(kExport));
    auto* exportMenu = new QMenu(exportButton);
    exportMenu->addAction(Text(kExportCurrent), this, &CDlgImportTXD::OnExportCurrent);
    exportMenu->addAction(Text(kExportAll), this, &CDlgImportTXD::OnExportAll);
    exportButton->setMenu(exportMenu);
    connect(m_pImport, &QPushButton::clicked, this, &CDlgImportTXD::OnImport);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(checkAll, &QPushButton::clicked, this, &CDlgImportTXD::OnCheckAll);
    connect(showStream, &QPushButton::clicked, this, &CDlgImportTXD::OnShowStream);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(checkAll);
    buttons->addWidget(showStream);
    buttons->addWidget(exportButton);
    buttons->addStretch();
    buttons->addWidget(m_pImport);
    buttons->addWidget(cancel);
    auto* status = new QHBoxLayout;
    status->addWidget(m_pProgress, 1);
    status->addWidget(m_pCount);
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(Text(kFoundTextures)));
    left->addWidget(m_pList, 1);
    left->addWidget(m_pVersion);
    left->addLayout(status);
    left->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(m_Stream.Layout());
}

bool CDlgImportTXD::Load() {
    const std::string title = Files::FileNameOf(m_strPath);
    setWindowTitle(FormatText(kImportTxdCaption, title.c_str()));
    try {
        OpenTXD(m_strPath, m_hArchive, m_nOffset);
        RW::CStream& stream = TXD()->Stream();
        FillStreamTree(m_Stream.Tree(), stream);
        m_pVersion->setText(Format(kVersion, stream.GetVersion()));
        FillList();
    } catch (const RW::CException& error) {
        CloseTXD();
        ErrorBox(QString::fromStdString(error.Text()));
        return false;
    }
    return true;
}

void CDlgImportTXD::FillList() {
    m_pList->clear();
    RW::ITXD* txd = TXD();
    for (uint32_t i = 0; i < txd->GetTextureCount(); ++i) {
        const std::string name = txd->GetTextureName(i, false);
        auto* item = new QTreeWidgetItem(m_pList);
        item->setText(kNameColumn, QString::fromStdString(name));
        item->setText(
            kDimensionsColumn,
            QString("%1 x %2").arg(txd->GetTextureWidth(i)).arg(txd->GetTextureHeight(i)));
        const char* format = txd->GetTextureFormatName(i);
        item->setText(kInfoColumn, QString::fromUtf8(format ? format : ""));
        item->setData(kNameColumn, kIdRole, i);
        const bool known = m_pCache && m_pCache->FindTexture(name, true) >= 0;
        item->setCheckState(kNameColumn, known ? Qt::Unchecked : Qt::Checked);
    }
}

void CDlgImportTXD::OnCheckAll() {
    bool all = true;
    for (int i = 0; i < m_pList->topLevelItemCount() && all; ++i)
        all = m_pList->topLevelItem(i)->checkState(kNameColumn) == Qt::Checked;
    for (int i = 0; i < m_pList->topLevelItemCount(); ++i)
        m_pList->topLevelItem(i)->setCheckState(kNameColumn, all ? Qt::Unchecked : Qt::Checked);
}

void CDlgImportTXD::OnShowStream() {
    m_Stream.Toggle(this);
}

std::string CDlgImportTXD::ImportOne(uint32_t id, bool replace) {
    try {
        TextureImportRequest request = FillImportRequest(id, m_nCategory);
        // A name the index cannot hold is named as the reason, before anything is decoded.
        const NameProblem problem = CheckTextureName(request.name);
        if (problem != NameProblem::kNone)
            return Utf8(FormatText(kNameRefused, request.name.c_str(),
                                   DescribeNameProblem(problem).c_str()));
        std::unique_ptr<Bitmap32> bitmap = DecodeTexture(id);
        if (!bitmap)
            return Utf8(Text(kNoPixels));
        if (m_pCache) {
            const std::string refusal = ImportRefusal(*m_pCache, request.name, bitmap->Width(),
                                                      bitmap->Height(), m_nCategory);
            if (!refusal.empty())
                return refusal;
        }
        request.replace = replace ? 1 : 0;
        m_Hooks.ImportHook(request, bitmap.get());
        if (!request.stored)
            return "the cache did not take it (see the log)";
        return std::string();
    } catch (const std::exception& error) {
        return error.what();
    }
}

void CDlgImportTXD::OnImport() {
    if (!TXD() || m_bBusy)
        return;
    std::vector<QTreeWidgetItem*> checked;
    for (int i = 0; i < m_pList->topLevelItemCount(); ++i)
        if (m_pList->topLevelItem(i)->checkState(kNameColumn) == Qt::Checked)
            checked.push_back(m_pList->topLevelItem(i));
    const int n = int(checked.size());
    m_pStatus->Show(QString(), 0, n);
    if (n == 0) {
        MessageBox(Utf8(Text(kNothingToImport)), "", MB_OK | MB_ICONINFORMATION);
        return;
    }
    m_bBusy = true;
    m_pImport->setEnabled(false);
    int k = 0;
    QStringList failures;
    const uint32_t count = TXD()->GetTextureCount();
    for (QTreeWidgetItem* item : checked) {
        const uint32_t id = item->data(kNameColumn, kIdRole).toUInt();
        if (id >= count)
            continue;
        const std::string name = Utf8(item->text(kNameColumn));
        m_pStatus->Show(QString(), k + 1, n);
        LogPrintA("CDlgImportTXD: Texture %d of %d '%s'...\n", k, n, name.c_str());
        bool replace = false;
        if (m_pCache && m_pCache->FindTexture(name, true) >= 0) {
            const int answer =
                MessageBox(Utf8(Format(kReplaceQuestion, name.c_str())),
                           Utf8(String(kErrorCaption)), MB_YESNOCANCEL | MB_ICONQUESTION);
            if (answer == IDNO)
                continue;
            // Yes replaces; Cancel keeps the old texture and adds the new one beside it.
            replace = answer == IDYES;
        }
        const std::string failure = ImportOne(id, replace);
        if (failure.empty()) {
            // Taken: a second Import does not bring it in again.
            item->setCheckState(kNameColumn, Qt::Unchecked);
            ++k;
        } else {
            LogPrintA("CDlgImportTXD:  - ERROR: '%s' not imported: %s\n", name.c_str(),
                      failure.c_str());
            failures << item->text(kNameColumn) + ": " + QString::fromStdString(failure);
        }
        m_pStatus->Show(QString(), k, n);
    }
    m_Hooks.ReloadListHook();
    m_bBusy = false;
    m_pImport->setEnabled(true);
    if (!failures.isEmpty()) {
        ErrorBox(Text(kNotImported) + "\n" + failures.join('\n'));
        return;
    }
    if (k == n) {
        MessageBox(Utf8(Text(kAllImported)), "", MB_OK | MB_ICONINFORMATION);
        accept();
    }
}

void CDlgImportTXD::Preview() {
    const QList<QTreeWidgetItem*> selected = m_pList->selectedItems();
    if (selected.isEmpty() || !TXD())
        return;
    LogPrintA("CDlgImportTXD: Tryin' to render texture via message hook...\n");
    const uint32_t id = selected.first()->data(kNameColumn, kIdRole).toUInt();
    const std::string name = Utf8(selected.first()->text(kNameColumn));
    std::unique_ptr<Bitmap32> bitmap;
    try {
        bitmap = DecodeTexture(id);
    } catch (const std::exception& error) {
        LogPrintA("CDlgImportTXD:  - ERROR: %s\n", error.what());
    }
    // The view is given the new picture (or cleared) before the old one is freed.
    m_Hooks.RenderHook(&name, bitmap.get());
    m_pPreview = std::move(bitmap);
}

void CDlgImportTXD::ClearPreview() {
    if (!m_pPreview)
        return;
    m_Hooks.RenderHook(nullptr, nullptr);
    m_pPreview.reset();
}

bool CDlgImportTXD::ExportCurrentTo(const QString& path) {
    const QList<QTreeWidgetItem*> selected = m_pList->selectedItems();
    if (selected.isEmpty() || !TXD())
        return false;
    const uint32_t id = selected.first()->data(kNameColumn, kIdRole).toUInt();
    std::string failure;
    try {
        std::unique_ptr<Bitmap32> bitmap = DecodeTexture(id);
        failure = bitmap ? SaveImageChecked(*bitmap, Utf8(path)) : Utf8(Text(kNoPixels));
    } catch (const std::exception& error) {
        failure = error.what();
    }
    if (failure.empty())
        return true;
    ErrorBox(path + ": " + QString::fromStdString(failure));
    return false;
}

int CDlgImportTXD::ExportAllTo(const QString& folder) {
    if (!TXD() || m_bBusy)
        return 0;
    m_bBusy = true;
    SafeFileName::CNamer namer;
    const uint32_t count = TXD()->GetTextureCount();
    int written = 0;
    QStringList failures;
    for (uint32_t id = 0; id < count; ++id) {
        std::string name = "texture " + std::to_string(id);
        std::string failure;
        try {
            name = TXD()->GetTextureName(id, false);
            m_pStatus->Show(QString(), int(id) + 1, int(count));
            const std::string path = Utf8(folder) + "/" + namer.Take(name, "png");
            std::unique_ptr<Bitmap32> bitmap = DecodeTexture(id);
            failure = bitmap ? SaveImageChecked(*bitmap, path) : Utf8(Text(kNoPixels));
        } catch (const std::exception& error) {
            failure = error.what();
        }
        if (failure.empty())
            ++written;
        else
            failures << QString::fromStdString(name + ": " + failure);
    }
    m_bBusy = false;
    if (!failures.isEmpty())
        ErrorBox(Text(kNotExported) + "\n" + failures.join('\n'));
    return written;
}

void CDlgImportTXD::OnExportCurrent() {
    const QList<QTreeWidgetItem*> selected = m_pList->selectedItems();
    if (selected.isEmpty() || !TXD() || m_bBusy)
        return;
    // The name comes from the file: offered only as a plain file name.
    const std::string name = SafeFileName::Stem(Utf8(selected.first()->text(kNameColumn)));
    const QString path = AskForFile(this, {.ask = FileAsk::kSave,
                                           .start = QString::fromStdString(name) + ".png",
                                           .filter = FileFilter(kImageFilter),
                                           .suffix = "png"});
    if (!path.isEmpty())
        ExportCurrentTo(path);
}

void CDlgImportTXD::OnExportAll() {
    if (!TXD() || m_bBusy)
        return;
    CFolderDialog folder(QString(), String(kExportFolder), this);
    if (folder.ShowFolderDialog() == CFolderDialog::kChosen)
        ExportAllTo(folder.Folder());
}

void CDlgImportTXD::done(int result) {
    // A batch in progress finishes first: closing under it would free the dictionary it reads.
    if (m_bBusy) {
        BusyBox(MB_ICONWARNING);
        return;
    }
    ClearPreview();
    CloseTXD();
    QDialog::done(result);
}

void CDlgImportTXD::closeEvent(QCloseEvent* event) {
    if (m_bBusy) {
        event->ignore();
        BusyBox(MB_ICONWARNING);
        return;
    }
    QDialog::closeEvent(event);
}
