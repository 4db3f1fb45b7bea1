#include "ui/tools/DlgRadarEditor.h"

#include "app/Log.h"
#include "platform/MessageBox.h"
#include "raster/ImageFile.h"
#include "ui/tools/ToolBoxes.h"
#include "ui/tools/ToolFiles.h"
#include "ui/tools/ToolTexts.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

using namespace ToolBoxes;
using namespace ToolTexts;

constexpr int kColumnWidths[] = {100, 150, 100};

// The busy flag and the buttons for the time of one piece of work.
class CBusyScope {
public:
    CBusyScope(bool& busy, std::initializer_list<QPushButton*> buttons)
        : m_bBusy(busy), m_Buttons(buttons) {
        m_bBusy = true;
        for (QPushButton* button : m_Buttons)
            button->setEnabled(false);
    }
    ~CBusyScope() {
        m_bBusy = false;
        for (QPushButton* button : m_Buttons)
            button->setEnabled(true);
    }

private:
    bool& m_bBusy;
    std::vector<QPushButton*> m_Buttons;
};

} // namespace

CDlgRadarEditor::CDlgRadarEditor(QWidget* parent, IMainWindowHooks& hooks, CCacheHelper& helper,
                                 CacheId cache, int game)
    : QDialog(parent), m_Hooks(hooks), m_Helper(helper), m_Cache(cache), m_nGame(game) {
    setObjectName("CDlgRadarEditor");
    setWindowTitle(Text(kRadarEditorCaption));
    auto* layout = new QVBoxLayout(this);

    auto* info = new QGroupBox(Text(kCurrentRadarInfo), this);
    auto* infoLayout = new QVBoxLayout(info);
    m_pList = new QTreeWidget(info);
    m_pList->setObjectName("RadarList");
    m_pList->setColumnCount(kColumnCount);
    m_pList->setHeaderLabels({Text(kRadarColumn), String(kInfoColumn), Text(kAliasOfColumn)});
    for (int c = 0; c < kColumnCount; ++c)
        m_pList->setColumnWidth(c, kColumnWidths[c]);
    m_pList->setRootIsDecorated(false);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->setUniformRowHeights(true);
    infoLayout->addWidget(m_pList);
    m_pProgress = new QProgressBar(info);
    m_pStatus = new QLabel(info);
    m_pStatus->setObjectName("RadarStatus");
    infoLayout->addWidget(m_pProgress);
    infoLayout->addWidget(m_pStatus);
    layout->addWidget(info);

    auto* transfer = new QGroupBox(Text(kImportExport), this);
    auto* buttons = new QHBoxLayout(transfer);
    m_pExport = new QPushButton(String(kExport), transfer);
    m_pImport = new QPushButton(String(kImportButton), transfer);
    m_pShow = new QPushButton(Text(kShowWholeMap), transfer);
    m_pOptimize = new QPushButton(Text(kOptimizeRadarMap), transfer);
    for (QPushButton* button : {m_pExport, m_pImport, m_pShow, m_pOptimize}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    layout->addWidget(transfer);
    m_ToolStatus = CToolStatus(m_pStatus, m_pProgress);

    connect(m_pExport, &QPushButton::clicked, this, &CDlgRadarEditor::OnExport);
    connect(m_pImport, &QPushButton::clicked, this, &CDlgRadarEditor::OnImport);
    connect(m_pShow, &QPushButton::clicked, this, &CDlgRadarEditor::ShowWholeMap);
    connect(m_pOptimize, &QPushButton::clicked, this, &CDlgRadarEditor::OptimizeMap);
    connect(m_pList, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { OnSelect(item); });
    resize(420, 480);
    FillList();
}

CDlgRadarEditor::~CDlgRadarEditor() {
    // The view lets go of the map before the editor frees it.
    if (m_pShownMap)
        m_Hooks.RenderHook(nullptr, nullptr);
}

void CDlgRadarEditor::FillList() {
    const QSignalBlocker quiet(m_pList);
    m_pList->clear();
    CTextureDatabase* db = m_Helper.Database();
    const std::vector<RadarTile> tiles = db ? ListRadarTiles(*db, m_Cache) : std::vector<RadarTile>{};
    if (tiles.empty()) {
        m_pStatus->setText(String(kErrorCaption));
        MessageBox(Utf8(String(kRadarNotFound)), "",
                   MB_OK | MB_ICONINFORMATION);
        m_pExport->setEnabled(false);
        m_pShow->setEnabled(false);
        return;
    }
    const int count = int(tiles.size());
    for (int k = 0; k < count; ++k) {
        const RadarTile& tile = tiles[size_t(k)];
        m_ToolStatus.Show(QString::fromStdString(tile.name), k, count);
        auto* item = new QTreeWidgetItem(m_pList);
        item->setText(kColumnRadar, QString::fromStdString(tile.name));
        item->setText(kColumnInfo, QString::asprintf("%d x %d, %s", tile.width, tile.height,
                                                     tile.format.c_str()));
        item->setText(kColumnAlias, QString::fromStdString(tile.aliasOf));
        item->setData(kColumnRadar, Qt::UserRole, tile.texture);
    }
    m_pExport->setEnabled(true);
    m_pShow->setEnabled(true);
    m_ToolStatus.Show(QString::fromStdString(tiles.back().name), 0, count);
}

void CDlgRadarEditor::OnSelect(QTreeWidgetItem* item) {
    if (!item || m_bBusy)
        return;
    LogPrintA("CDlgRadarEditor: Tryin' to render texture via message hook...\n");
    m_Hooks.SetFocusHook(item->data(kColumnRadar, Qt::UserRole).toInt());
}

RadarProgress CDlgRadarEditor::Progress() {
    return [this](int position, int total, const std::string& text) {
        m_ToolStatus.Show(text == kDone.english ? String(kDone) : QString::fromStdString(text),
                          position, total);
        return true;
    };
}

TileDecoder CDlgRadarEditor::Decoder() {
    return [this](int texture) { return m_Hooks.GetDataHook(texture, int(Slot(m_Cache))); };
}

QString CDlgRadarEditor::DefaultFileName() const {
    return QString("radar_") + QString(CacheName(m_Cache)).toUpper();
}

bool CDlgRadarEditor::RefuseWhenBusy() {
    if (!m_bBusy)
        return false;
    BusyBox();
    return true;
}

void CDlgRadarEditor::OnExport() {
    if (RefuseWhenBusy())
        return;
    const QString path = AskForFile(this, {.ask = FileAsk::kSave,
                                           .start = DefaultFileName() + ".png",
                                           .filter = FileFilter(kImageFilter),
                                           .suffix = "png",
                                           .name = "RadarExport"});
    if (!path.isEmpty())
        ExportMap(path);
}

bool CDlgRadarEditor::ExportMap(const QString& path) {
    if (RefuseWhenBusy() || !m_Helper.Database())
        return false;
    std::unique_ptr<Bitmap32> map;
    {
        const CBusyScope busy(m_bBusy, {m_pExport, m_pImport, m_pShow, m_pOptimize});
        map = AssembleRadarMap(*m_Helper.Database(), m_Cache, Decoder(), Progress());
    }
    if (!map)
        return false;
    if (!SaveBitmapByExtension(*map, path.toStdString())) {
        ErrorBox(FormatText(kCannotWrite, path.toUtf8().constData()));
        return false;
    }
    return true;
}

void CDlgRadarEditor::ShowWholeMap() {
    // A second press while the map is being put together would replace the same map.
    if (RefuseWhenBusy() || !m_Helper.Database())
        return;
    const CBusyScope busy(m_bBusy, {m_pExport, m_pImport, m_pShow, m_pOptimize});
    m_pShownMap.reset();
    m_pShownMap = AssembleRadarMap(*m_Helper.Database(), m_Cache, Decoder(), Progress());
    if (!m_pShownMap)
        return;
    const std::string name = kMapName;
    m_Hooks.RenderHook(&name, m_pShownMap.get());
}

void CDlgRadarEditor::OnImport() {
    if (RefuseWhenBusy())
        return;
    const QString path = AskForFile(this, {.ask = FileAsk::kOpenOne,
                                           .start = DefaultFileName() + ".png",
                                           .filter = FileFilter(kOpenImageFilter),
                                           .suffix = "png",
                                           .name = "RadarImport"});
    if (!path.isEmpty())
        ImportMap(path);
}

void CDlgRadarEditor::ImportMap(const QString& path) {
    if (RefuseWhenBusy() || !m_Helper.Database())
        return;
    const std::unique_ptr<Bitmap32> map = LoadBitmapFromFile(path.toStdString());
    if (!map) {
        ErrorBox(FormatText(kCannotRead, path.toUtf8().constData()));
        return;
    }
    const RadarImageProblem problem = CheckRadarImage(map->Width(), map->Height());
    if (problem != RadarImageProblem::kNone) {
        ErrorBox(Text(RadarImageMessage(problem)));
        return;
    }
    const bool alpha = MessageBox(Utf8(Text(kUseAlpha)), "", MB_YESNO | MB_ICONQUESTION) == IDYES;
    {
        const CBusyScope busy(m_bBusy, {m_pExport, m_pImport, m_pShow, m_pOptimize});
        try {
            ImportRadarMap(m_Helper, *map, alpha, m_nGame, Progress());
        } catch (const std::exception& error) {
            // The import is one edit: it was undone whole, every old tile is still there.
            LogPrintA("CDlgRadarEditor: ERROR: %s\n", error.what());
            ErrorBox(FormatText(kRadarNotImported, error.what()));
        }
    }
    m_Hooks.ReloadListHook();
    FillList();
}

void CDlgRadarEditor::OptimizeMap() {
    if (RefuseWhenBusy() || !m_Helper.Database())
        return;
    {
        const CBusyScope busy(m_bBusy, {m_pExport, m_pImport, m_pShow, m_pOptimize});
        try {
            OptimizeRadarMap(*m_Helper.Database(), Decoder(), Progress());
        } catch (const std::exception& error) {
            LogPrintA("CDlgRadarEditor: ERROR: %s\n", error.what());
            ErrorBox(error.what());
        }
    }
    m_Hooks.ReloadListHook();
    FillList();
}

void CDlgRadarEditor::closeEvent(QCloseEvent* event) {
    if (RefuseWhenBusy()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CDlgRadarEditor::reject() {
    if (RefuseWhenBusy())
        return;
    QDialog::reject();
}
