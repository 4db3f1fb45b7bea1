#include "ui/tools/DlgSyncIMG.h"

#include "app/Log.h"
#include "cache/TextureDatabase.h"
#include "platform/MessageBox.h"
#include "ui/tools/MainHooks.h"
#include "ui/tools/ToolFiles.h"
#include "ui/tools/ToolStatus.h"
#include "ui/tools/ToolTexts.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kTextureWidth = 250;
constexpr int kInfoWidth = 80;
constexpr int kTextureRole = Qt::UserRole;
constexpr double kBytesPerMegabyte = 1048576.0;
// The total that shows an empty bar: a total of 0 would turn the bar into a busy one.
constexpr int kEmptyBar = 1;

using ToolTexts::String;
using ToolTexts::Text;

} // namespace

CDlgSyncIMG::CDlgSyncIMG(CTextureDatabase* cache, IMainWindowHooks* hooks, QWidget* parent)
    : QDialog(parent), m_pCache(cache), m_pHooks(hooks) {
    setObjectName("CDlgSyncIMG");
    setWindowTitle(Text(ToolTexts::kSyncCaption));
    m_pOpen = new QPushButton(Text(ToolTexts::kOpenImgs), this);
    m_pOpen->setObjectName(QString::number(kOpenImgs));
    m_pDelete = new QPushButton(Text(ToolTexts::kDeleteUnused), this);
    m_pDelete->setObjectName(QString::number(kDeleteUnused));
    m_pDelete->setEnabled(false);
    m_pProgress = new QProgressBar(this);
    m_pProgress->setObjectName(QString::number(kProgress));
    m_pStatus = new QLabel(Text(ToolTexts::kSyncClickOpen), this);
    m_pStatus->setObjectName(QString::number(kStatus));
    m_pList = new QTreeWidget(this);
    m_pList->setObjectName(QString::number(kList));
    m_pList->setColumnCount(2);
    m_pList->setHeaderLabels({String(ToolTexts::kTextureColumn), String(ToolTexts::kInfoColumn)});
    m_pList->setColumnWidth(kTextureColumn, kTextureWidth);
    m_pList->setColumnWidth(kInfoColumn, kInfoWidth);
    m_pList->setRootIsDecorated(false);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pToolStatus = std::make_unique<CToolStatus>(m_pStatus, m_pProgress);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pOpen);
    buttons->addStretch();
    buttons->addWidget(m_pDelete);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pList);
    layout->addWidget(m_pStatus);
    layout->addWidget(m_pProgress);
    layout->addLayout(buttons);
    resize(kTextureWidth + kInfoWidth + 60, 420);

    connect(m_pOpen, &QPushButton::clicked, this, &CDlgSyncIMG::OnOpenImgs);
    connect(m_pDelete, &QPushButton::clicked, this, [this] { DeleteChecked(); });
    connect(m_pList, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { OnSelectionChanged(item); });
}

CDlgSyncIMG::~CDlgSyncIMG() = default;

void CDlgSyncIMG::OnOpenImgs() {
    const QStringList archives =
        AskForFiles(this, {.ask = FileAsk::kOpenMany,
                           .caption = Text(ToolTexts::kOpenImgs),
                           .filter = ToolTexts::FileFilter(ToolTexts::kImgFilter),
                           .suffix = "img",
                           .name = "OpenIMGs"});
    if (!archives.isEmpty())
        Synchronize(archives);
}

bool CDlgSyncIMG::Progress(const std::string& text, size_t position, size_t total) {
    m_pToolStatus->Show(QString::fromStdString(text), static_cast<int>(position),
                        total ? static_cast<int>(total) : kEmptyBar);
    // A close or Escape arrives here and asks the work to stop between entries.
    QCoreApplication::processEvents();
    return !m_bStopAsked;
}

void CDlgSyncIMG::SetBusy(bool busy) {
    m_bBusy = busy;
    m_pOpen->setEnabled(!busy);
    m_pDelete->setEnabled(!busy && m_pCache && m_pList->topLevelItemCount() > 0);
    m_pList->setEnabled(!busy);
}

bool CDlgSyncIMG::Synchronize(const QStringList& archives) {
    if (m_bBusy)
        return false;
    m_bStopAsked = false;
    m_pList->clear();
    SetBusy(true);
    m_Scan = CSyncScan();
    auto progress = [this](const std::string& text, size_t position, size_t total) {
        return Progress(text, position, total);
    };
    bool finished = true;
    for (const QString& archive : archives) {
        LogPrintA("CDlgSyncIMG: scanning '%s'...\n", archive.toUtf8().constData());
        if (!m_Scan.ScanArchive(archive.toStdString(), progress) && m_bStopAsked) {
            finished = false;
            break;
        }
    }
    if (finished && m_pCache)
        FillList();
    else if (finished)
        m_pToolStatus->Show(Text(ToolTexts::kCacheNA), 0, kEmptyBar);
    SetBusy(false);
    if (!finished) {
        m_pToolStatus->Show(Text(ToolTexts::kSyncClickOpen), 0, kEmptyBar);
        close(); // the close that stopped the work
    }
    return finished;
}

void CDlgSyncIMG::FillList() {
    m_pList->clear();
    const SyncListing listing = ListSyncTextures(*m_pCache, m_Scan, false);
    m_pList->setUpdatesEnabled(false);
    QList<QTreeWidgetItem*> items;
    for (const SyncTexture& texture : listing.textures) {
        auto* item = new QTreeWidgetItem;
        item->setText(kTextureColumn, QString::fromStdString(texture.name));
        item->setText(kInfoColumn, *texture.Info() ? Text(texture.Info()) : QString());
        item->setData(kTextureColumn, kTextureRole, texture.texture);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(kTextureColumn, texture.checked ? Qt::Checked : Qt::Unchecked);
        items.append(item);
    }
    m_pList->addTopLevelItems(items);
    m_pList->setUpdatesEnabled(true);
    // The core's status text, in the interface language.
    const QString status =
        listing.bytes == 0
            ? Text(ToolTexts::kCacheNA)
            : ToolTexts::FormatText(ToolTexts::kToDelete, listing.toDelete,
                                  double(listing.bytes) / kBytesPerMegabyte);
    m_pToolStatus->Show(status, 0, kEmptyBar);
}

void CDlgSyncIMG::OnSelectionChanged(QTreeWidgetItem* item) {
    if (!item || !m_pCache || !m_pHooks)
        return;
    const int texture = m_pCache->FindTexture(item->text(kTextureColumn).toStdString(), true);
    if (texture >= 0)
        m_pHooks->SetFocusHook(texture);
}

bool CDlgSyncIMG::DeleteChecked() {
    if (!m_pCache || m_bBusy)
        return false;
    std::vector<int> textures;
    for (int i = 0; i < m_pList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_pList->topLevelItem(i);
        if (item->checkState(kTextureColumn) != Qt::Checked)
            continue;
        // The row stands for the texture of that name: the list was made from this cache.
        const int texture = item->data(kTextureColumn, kTextureRole).toInt();
        if (m_pCache->GetTextureName(texture) == item->text(kTextureColumn).toStdString())
            textures.push_back(texture);
    }
    SetBusy(true);
    m_pToolStatus->Show(QString(), 0, kEmptyBar);
    const int deleted = DeleteSyncTextures(*m_pCache, textures);
    SetBusy(false);
    if (!deleted) {
        MessageBox(Text(ToolTexts::kRecordsOutOfOrder).toStdString(), "", MB_OK | MB_ICONERROR);
        return false;
    }
    FillList();
    m_pToolStatus->Show(String(ToolTexts::kDone), 0, kEmptyBar);
    return true;
}

void CDlgSyncIMG::closeEvent(QCloseEvent* event) {
    if (m_bBusy) {
        m_bStopAsked = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CDlgSyncIMG::reject() {
    if (m_bBusy) {
        m_bStopAsked = true;
        return;
    }
    QDialog::reject();
}
