#include "ui/tools/DlgIMGTool.h"

#include "app/Log.h"
#include "cache/NameRules.h"
#include "cache/TextureDatabase.h"
#include "gta/IMGEditor.h"
#include "gta/IMGExtract.h"
#include "pipeline/ImportChecks.h"
#include "platform/MessageBox.h"
#include "platform/SafeFileName.h"
#include "ui/tools/DlgImportTXD.h"
#include "ui/tools/ToolStatus.h"
#include "ui/tools/ToolTexts.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>
#include <set>

using namespace ToolTexts;

namespace {

constexpr int kEntryRole = Qt::UserRole;
constexpr int kColumnWidths[] = {220, 90, 90};
constexpr int kListWidth = 440;
constexpr int kListHeight = 380;
// Listing a large archive shows its progress every this many entries.
constexpr uint32_t kListStep = 64;
// A save's progress bar counts in these steps of the archive's bytes.
constexpr uint64_t kSaveSteps = 1000;

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

void ErrorBox(const QString& text) {
    MessageBox(Utf8(text), Utf8(String(kErrorCaption)), MB_OK | MB_ICONERROR);
}

} // namespace

CDlgIMGTool::CDlgIMGTool(CTextureDatabase* db, IMainWindowHooks& hooks, int category,
                         QWidget* parent)
    : CDlgIMGTool(db, hooks, category, parent, false) {}

CDlgIMGTool::CDlgIMGTool(CTextureDatabase* db, IMainWindowHooks& hooks, int category,
                         QWidget* parent, bool import)
    : QDialog(parent), m_pCache(db), m_Hooks(hooks), m_nCategory(category) {
    setObjectName(import ? "CDlgImportIMG" : "CDlgIMGTool");
    setWindowTitle(Text(import ? kImportImgCaption : kImgToolCaption));
    BuildControls(import);
}

CDlgIMGTool::~CDlgIMGTool() {
    CloseTXD();
}

void CDlgIMGTool::BuildControls(bool import) {
    m_pList = new QTreeWidget;
    m_pList->setObjectName("list");
    m_pList->setRootIsDecorated(false);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->setHeaderLabels({String(ToolTexts::kFileColumn), String(ToolTexts::kSizeColumn),
                              String(ToolTexts::kOffsetColumn)});
    for (int c = 0; c < 3; ++c)
        m_pList->setColumnWidth(c, kColumnWidths[c]);
    m_pList->setMinimumSize(kListWidth, kListHeight);
    m_pList->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* exportAction = new QAction(Text(kExportCurrent), m_pList);
    connect(exportAction, &QAction::triggered, this, &CDlgIMGTool::OnExportCurrent);
    m_pList->addAction(exportAction);

    m_pLabel = new QLabel(Text(kClickOpen));
    m_pProgress = new QProgressBar;
    m_pProgress->setTextVisible(false);
    m_pStatus = std::make_unique<CToolStatus>(m_pLabel, m_pProgress);

    auto* open = new QPushButton(Text(import ? kOpenImgs : kOpenImg));
    connect(open, &QPushButton::clicked, this, &CDlgIMGTool::OnOpen);
    auto* exportButton = new QPushButton(Text(kExportCurrent));
    connect(exportButton, &QPushButton::clicked, this, &CDlgIMGTool::OnExportCurrent);
    m_pButtons = new QHBoxLayout;
    m_pButtons->addWidget(open);
    m_pButtons->addWidget(exportButton);
    if (!import) {
        m_pAddFile = new QPushButton(Text(kAddFile));
        m_pDelete = new QPushButton(Text(kDelete));
        m_pRebuild = new QPushButton(Text(kRebuild));
        connect(m_pAddFile, &QPushButton::clicked, this, &CDlgIMGTool::OnAddFile);
        connect(m_pDelete, &QPushButton::clicked, this, &CDlgIMGTool::OnDelete);
        connect(m_pRebuild, &QPushButton::clicked, this, &CDlgIMGTool::OnRebuild);
        m_pButtons->addWidget(m_pAddFile);
        m_pButtons->addWidget(m_pDelete);
        m_pButtons->addWidget(m_pRebuild);
        EnableEditing(false);
    }
    m_pButtons->addStretch();

    auto* layout = new QVBoxLayout(this);
    if (import)
        layout->addWidget(new QLabel(Text(kFoundTxds)));
    layout->addWidget(m_pList, 1);
    layout->addWidget(m_pProgress);
    layout->addWidget(m_pLabel);
    layout->addLayout(m_pButtons);
}

uint32_t CDlgIMGTool::EntryOf(const QTreeWidgetItem* item) {
    return item->data(kFileColumn, kEntryRole).toUInt();
}

void CDlgIMGTool::OnOpen() {
    if (m_bBusy)
        return;
    QFileDialog dialog(this, QString(), QString(), FileFilter(kImgFilter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix("img");
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        OpenArchive(dialog.selectedFiles().first());
}

bool CDlgIMGTool::OpenArchive(const QString& path) {
    CloseTXD();
    m_Img.Close();
    m_pList->clear();
    m_strPath.clear();
    EnableEditing(false);
    if (!m_Img.Open(Utf8(path))) {
        m_pStatus->Show(QString(), 0, 0);
        ErrorBox(FormatText(kArchiveNotOpened, Utf8(path).c_str()));
        return false;
    }
    m_strPath = path;
    FillList();
    EnableEditing(true);
    AfterOpen();
    return true;
}

void CDlgIMGTool::FillList() {
    m_bBusy = true;
    const uint32_t count = m_Img.GetEntryCount();
    m_pStatus->Show(QString(), 0, int(count));
    for (uint32_t e = 0; e < count; ++e) {
        const QString name = QString::fromStdString(m_Img.GetEntryName(e));
        if (e % kListStep == 0)
            m_pStatus->Show(name, int(e) + 1, int(count));
        auto* item = new QTreeWidgetItem(m_pList);
        item->setText(kFileColumn, name);
        item->setText(kSizeColumn, QString::fromStdString(FormatFileSize(
                                       uint64_t(m_Img.GetEntrySize(e)) * GTA::kImgSector)));
        item->setText(kOffsetColumn, QString::asprintf("0x%08llx", static_cast<unsigned long long>(
                                                                       m_Img.GetEntryOffset(e))));
        item->setData(kFileColumn, kEntryRole, e);
        item->setCheckState(kFileColumn, Qt::Unchecked);
    }
    m_pStatus->Show(Text(kStateOk), 0, 0);
    m_bBusy = false;
}

bool CDlgIMGTool::ExportCurrentTo(const QString& path) {
    QTreeWidgetItem* item = m_pList->currentItem();
    if (!item || m_Img.GetEntryCount() == 0)
        return false;
    const uint32_t entry = EntryOf(item);
    const std::string name = m_Img.GetEntryName(entry);
    int error = 0;
    switch (GTA::ExtractEntry(m_Img, entry, Utf8(path), error)) {
    case GTA::IMGExtracted::kWritten:
        LogPrintA("CDlgIMGTool: entry '%s' saved to '%s'\n", name.c_str(), Utf8(path).c_str());
        return true;
    case GTA::IMGExtracted::kExists:
        ErrorBox(FormatText(kEntryExists, Utf8(path).c_str()));
        return false;
    case GTA::IMGExtracted::kDamaged: {
        const uint64_t expected = uint64_t(m_Img.GetEntrySize(entry)) * GTA::kImgSector;
        const uint64_t present = expected - m_Img.GetEntryShortfall(entry);
        LogPrintA("CDlgIMGTool: ERROR: entry '%s' holds %llu of %llu bytes; not written\n",
                  name.c_str(), static_cast<unsigned long long>(present),
                  static_cast<unsigned long long>(expected));
        ErrorBox(FormatText(kEntryDamaged, name.c_str(), static_cast<unsigned long long>(present),
                            static_cast<unsigned long long>(expected)));
        return false;
    }
    case GTA::IMGExtracted::kFailed:
        break;
    }
    ErrorBox(FormatText(kEntryNotWritten, Utf8(path).c_str(), std::strerror(error)));
    return false;
}

void CDlgIMGTool::OnExportCurrent() {
    QTreeWidgetItem* item = m_pList->currentItem();
    if (!item || m_bBusy || m_Img.GetEntryCount() == 0)
        return;
    const QString name = item->text(kFileColumn);
    const QString extension = QFileInfo(name).suffix();
    const QString filter = FormatText(kFilesOfType, Utf8(extension.toUpper()).c_str()) + " (*." +
                           extension.toLower() + ");;" + Text(kAllFiles) + " (*)";
    // The name comes from the archive: offered only as a plain file name.
    QFileDialog dialog(this, QString(), QString::fromStdString(SafeFileName::Stem(Utf8(name))),
                       filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // An existing file is never written over; the save says so instead of asking.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        ExportCurrentTo(dialog.selectedFiles().first());
}

void CDlgIMGTool::EnableEditing(bool enable) {
    for (QPushButton* button : {m_pAddFile, m_pDelete, m_pRebuild})
        if (button)
            button->setEnabled(enable);
}

bool CDlgIMGTool::OpenEditor(GTA::CIMGEditor& editor) {
    if (m_bBusy || m_strPath.isEmpty())
        return false;
    if (editor.Open(Utf8(m_strPath)))
        return true;
    ErrorBox(FormatText(kArchiveNotChanged, editor.Error().c_str()));
    return false;
}

bool CDlgIMGTool::SaveEdits(GTA::CIMGEditor& editor) {
    m_bBusy = true;
    EnableEditing(false);
    // The status line lets the window repaint and take events between entries.
    const bool saved = editor.Save([this](uint64_t done, uint64_t total) {
        m_pStatus->Show(Text(kSavingArchive), int(done * kSaveSteps / std::max<uint64_t>(total, 1)),
                        int(kSaveSteps));
        return true;
    });
    m_bBusy = false;
    if (!saved) {
        LogPrintA("CDlgIMGTool: ERROR: '%s' not saved: %s\n", Utf8(m_strPath).c_str(),
                  editor.Error().c_str());
        m_pStatus->Show(QString(), 0, 0);
        EnableEditing(true);
        ErrorBox(FormatText(kArchiveNotChanged, editor.Error().c_str()));
        return false;
    }
    // The entries moved: the list is read again from the archive as it is now. A copy of
    // the path, as opening clears the one kept.
    const QString path = m_strPath;
    return OpenArchive(path);
}

bool CDlgIMGTool::AddFiles(const QStringList& files) {
    GTA::CIMGEditor editor;
    if (files.isEmpty() || !OpenEditor(editor))
        return false;
    QStringList replaced;
    for (const QString& file : files) {
        const GTA::IMGPut put = editor.PutFile(Utf8(file));
        if (put == GTA::IMGPut::kFailed) {
            ErrorBox(FormatText(kArchiveNotChanged, editor.Error().c_str()));
            return false;
        }
        if (put == GTA::IMGPut::kReplaced)
            replaced << QFileInfo(file).fileName();
    }
    if (!SaveEdits(editor))
        return false;
    QString report = FormatText(kFilesAdded, int(files.size()));
    if (!replaced.isEmpty())
        report += " " + FormatText(kReplacedInPlace, Utf8(replaced.join(", ")).c_str());
    m_pStatus->Show(report, 0, 0);
    return true;
}

bool CDlgIMGTool::DeleteChosen() {
    std::vector<QTreeWidgetItem*> chosen;
    for (int i = 0; i < m_pList->topLevelItemCount(); ++i)
        if (m_pList->topLevelItem(i)->checkState(kFileColumn) == Qt::Checked)
            chosen.push_back(m_pList->topLevelItem(i));
    if (chosen.empty() && m_pList->currentItem())
        chosen.push_back(m_pList->currentItem());
    GTA::CIMGEditor editor;
    if (chosen.empty() || !OpenEditor(editor))
        return false;
    if (MessageBox(Utf8(FormatText(kDeleteQuestion, int(chosen.size()))),
                   Utf8(Text(kImgToolCaption)), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    // The editor deletes every entry of a name in any case: each name once.
    std::set<QString> names;
    for (QTreeWidgetItem* item : chosen) {
        const std::string name = m_Img.GetEntryName(EntryOf(item));
        if (names.insert(QString::fromStdString(name).toLower()).second && !editor.Delete(name)) {
            ErrorBox(FormatText(kArchiveNotChanged, editor.Error().c_str()));
            return false;
        }
    }
    if (!SaveEdits(editor))
        return false;
    m_pStatus->Show(Text(kArchiveSaved), 0, 0);
    return true;
}

bool CDlgIMGTool::Rebuild() {
    GTA::CIMGEditor editor;
    if (!OpenEditor(editor) || !SaveEdits(editor))
        return false;
    m_pStatus->Show(Text(kArchiveSaved), 0, 0);
    return true;
}

void CDlgIMGTool::OnAddFile() {
    if (m_bBusy || m_strPath.isEmpty())
        return;
    QFileDialog dialog(this, Text(kAddFile), QString(), Text(kAllFiles) + " (*)");
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() == QDialog::Accepted)
        AddFiles(dialog.selectedFiles());
}

void CDlgIMGTool::OnDelete() {
    DeleteChosen();
}

void CDlgIMGTool::OnRebuild() {
    Rebuild();
}

void CDlgIMGTool::done(int result) {
    if (m_bBusy) {
        MessageBox(Utf8(Text(kBusy)), "", MB_OK | MB_ICONWARNING);
        return;
    }
    CloseTXD();
    QDialog::done(result);
}

void CDlgIMGTool::closeEvent(QCloseEvent* event) {
    if (m_bBusy) {
        event->ignore();
        MessageBox(Utf8(Text(kBusy)), "", MB_OK | MB_ICONWARNING);
        return;
    }
    QDialog::closeEvent(event);
}

CDlgImportIMG::CDlgImportIMG(CTextureDatabase* db, IMainWindowHooks& hooks, int category,
                             QWidget* parent)
    : CDlgIMGTool(db, hooks, category, parent, true) {
    m_pImportChecked = new QPushButton(Text(kImportChecked));
    m_pImportSelected = new QPushButton(Text(kImportSelected));
    auto* checkAll = new QPushButton(Text(kCheckAll));
    m_pImportChecked->setEnabled(false);
    m_pImportSelected->setEnabled(false);
    connect(m_pImportChecked, &QPushButton::clicked, this, &CDlgImportIMG::OnImportChecked);
    connect(m_pImportSelected, &QPushButton::clicked, this, &CDlgImportIMG::OnImportSelected);
    connect(checkAll, &QPushButton::clicked, this, &CDlgImportIMG::OnCheckAll);
    m_pButtons->addWidget(checkAll);
    m_pButtons->addWidget(m_pImportSelected);
    m_pButtons->addWidget(m_pImportChecked);
}

void CDlgImportIMG::AfterOpen() {
    m_pImportChecked->setEnabled(m_pCache != nullptr);
    m_pImportSelected->setEnabled(m_pCache != nullptr);
}

void CDlgImportIMG::OnCheckAll() {
    bool all = true;
    for (int i = 0; i < m_pList->topLevelItemCount() && all; ++i)
        all = m_pList->topLevelItem(i)->checkState(kFileColumn) == Qt::Checked;
    for (int i = 0; i < m_pList->topLevelItemCount(); ++i)
        m_pList->topLevelItem(i)->setCheckState(kFileColumn, all ? Qt::Unchecked : Qt::Checked);
}

void CDlgImportIMG::OnImportSelected() {
    QTreeWidgetItem* item = m_pList->currentItem();
    if (!item || !m_pCache || m_bBusy || m_Img.GetEntryCount() == 0)
        return;
    const uint32_t entry = EntryOf(item);
    m_pImportSelected->setEnabled(false);
    CDlgImportTXD tool(m_pCache, m_Hooks, m_Img.GetEntryName(entry), 0, this, m_Img.Handle(),
                       m_Img.GetEntryOffset(entry));
    if (tool.Load())
        tool.exec();
    m_pImportSelected->setEnabled(true);
}

void CDlgImportIMG::OnImportChecked() {
    if (!m_pCache || m_bBusy)
        return;
    std::vector<QTreeWidgetItem*> checked;
    for (int i = 0; i < m_pList->topLevelItemCount(); ++i)
        if (m_pList->topLevelItem(i)->checkState(kFileColumn) == Qt::Checked)
            checked.push_back(m_pList->topLevelItem(i));
    const int n = int(checked.size());
    m_bBusy = true;
    m_pImportChecked->setEnabled(false);
    m_nImported = m_nSkipped = m_nFailed = 0;
    for (int i = 0; i < n; ++i) {
        const uint32_t entry = EntryOf(checked[size_t(i)]);
        const QString name = QString::fromStdString(m_Img.GetEntryName(entry));
        m_pStatus->Show(name, i, n);
        LogPrintA("CDlgImportIMG: Opening '%s'...\n", Utf8(name).c_str());
        bool go = true;
        try {
            OpenTXD(Utf8(name), m_Img.Handle(), m_Img.GetEntryOffset(entry));
            go = ImportDictionary(name, i, n);
        } catch (const RW::CException& error) {
            ++m_nFailed;
            go = MessageBox(error.Text() + "\n\n" + Utf8(String(kContinueQuestion)), Utf8(name),
                            MB_YESNO | MB_ICONERROR) == IDYES;
        }
        // The archive's handle stays open; only the dictionary goes.
        CloseTXD();
        if (!go)
            break;
    }
    m_Hooks.ReloadListHook();
    m_pStatus->Show(FormatText(kImportSummary, m_nImported, m_nSkipped, m_nFailed), n, n);
    m_pImportChecked->setEnabled(true);
    m_bBusy = false;
}

bool CDlgImportIMG::ImportDictionary(const QString& entry, int position, int total) {
    RW::ITXD* txd = TXD();
    const uint32_t count = txd->GetTextureCount();
    for (uint32_t t = 0; t < count; ++t) {
        std::string name;
        std::string failure;
        try {
            name = txd->GetTextureName(t, false);
            m_pStatus->Show(entry + " / " + QString::fromStdString(name), position, total);
            LogPrintA("CDlgImportIMG:  - Importing '%s'...\n", name.c_str());
            const NameProblem problem = CheckTextureName(name);
            if (problem != NameProblem::kNone) {
                LogPrintA("CDlgImportIMG:  - --> Texture '%s' SKIPPED (reason: %s)...\n",
                          name.c_str(), DescribeNameProblem(problem).c_str());
                ++m_nSkipped;
                continue;
            }
            if (m_pCache->FindTexture(name, true) >= 0) {
                LogPrintA("CDlgImportIMG:  - --> Texture '%s' SKIPPED (reason: already "
                          "exists)...\n",
                          name.c_str());
                ++m_nSkipped;
                continue;
            }
            TextureImportRequest request = FillImportRequest(t, m_nCategory);
            std::unique_ptr<Bitmap32> bitmap = DecodeTexture(t);
            if (!bitmap)
                failure = Utf8(Text(kNoPixels));
            else
                failure =
                    ImportRefusal(*m_pCache, name, bitmap->Width(), bitmap->Height(), m_nCategory);
            if (failure.empty())
                m_Hooks.ImportHook(request, bitmap.get());
            if (failure.empty() && !request.stored)
                failure = "the cache did not take it (see the log)";
        } catch (const std::exception& error) {
            failure = error.what();
        }
        if (failure.empty()) {
            ++m_nImported;
            continue;
        }
        ++m_nFailed;
        LogPrintA("CDlgImportIMG:  - ERROR: '%s': %s\n", name.c_str(), failure.c_str());
        if (MessageBox(name + ": " + failure + "\n\n" + Utf8(String(kContinueQuestion)),
                       Utf8(entry), MB_YESNO | MB_ICONERROR) != IDYES)
            return false;
    }
    return true;
}
