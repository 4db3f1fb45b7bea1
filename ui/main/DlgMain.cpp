// The main window's frame: construction, initialisation, menus, commands, view options,
// layout and closing. Opening caches and showing textures are in DlgMainCache.cpp.
#include "ui/main/DlgMain.h"

#include "app/AppIcon.h"
#include "app/Log.h"
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "app/Version.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "raster/PluginHost.h"
#include "raster/PluginMenu.h"
#include "ui/controls/DlgRender.h"
#include "ui/controls/TreeCtrlEx.h"
#include "ui/main/DlgAbout.h"
#include "ui/main/LanguagePack.h"
#include "ui/main/MenuBar.h"
#include "ui/main/RecentCaches.h"
#include "ui/main/Resources.h"
#include "ui/tools/ToolTexts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QShortcut>
#include <QSplashScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTranslator>
#include <QVBoxLayout>
#include <filesystem>

namespace {

std::string FolderOf(const QString& file) {
    std::string folder = Files::DirectoryOf(file.toStdString());
    return folder.empty() ? std::string() : folder + "/";
}

} // namespace

CDlgMain::CDlgMain(const std::string& settingsPath, std::vector<std::string> args,
                   const std::string& pluginsFolder, const std::string& languagesFolder)
    : m_strSettingsPath(settingsPath), m_Args(std::move(args)),
      m_strLanguagesFolder(languagesFolder.empty() ? LanguagesFolder() : languagesFolder) {
    m_bCategories = true;
    // The tool dialogs show the texts of the language in use.
    ToolTexts::SetSource({[](int id) { return Res::String(id); },
                          [](const char* english) { return Res::Text(english); }});
    const int logo = IniReadInt(Settings::kShowLoadingScreen);
    if (logo != 0) {
        QPixmap picture(360, 120);
        picture.fill(QColor(0x20, 0x20, 0x28));
        QPainter painter(&picture);
        painter.setPen(Qt::white);
        painter.setFont(QFont(painter.font().family(), 20, QFont::Bold));
        painter.drawText(picture.rect(), Qt::AlignCenter, Version::kProductText);
        painter.end();
        QSplashScreen splash(picture);
        splash.setWindowTitle(Version::kProductText);
        splash.show();
        QApplication::processEvents();
        QThread::msleep(static_cast<unsigned long>(logo));
    }
    if (pluginsFolder.empty())
        InitPluginBindings();
    else
        InitPluginBindings(pluginsFolder);
    setMinimumSize(640, 480);
}

CDlgMain::~CDlgMain() {
    if (m_pQtTranslator)
        QCoreApplication::removeTranslator(m_pQtTranslator.get());
    Res::SetOverrides({});
    if (m_pView)
        m_pView->SetImage(nullptr);
    m_pBitmap.reset();
    m_pCache.reset();
    UnloadPlugins();
}

void CDlgMain::OnInitDialog() {
    // Another program (the command-line tool, a second editor) may change the cache.
    auto* watch = new QTimer(this);
    connect(watch, &QTimer::timeout, this, &CDlgMain::CheckDiskChanges);
    watch->start(kDiskCheckMs);
    // Controls of the window: tree, mip levels (with the progress bar in their place),
    // the cache tabs over the texture view, the status bar.
    m_pCentral = new QWidget(this);
    setCentralWidget(m_pCentral);
    m_pCentral->installEventFilter(this);
    m_pTree = new CTreeCtrlEx(m_pCentral);
    // Narrows the tree to the names holding the typed text as it is typed.
    m_pFilter = new QLineEdit(m_pCentral);
    m_pFilter->setClearButtonEnabled(true);
    connect(m_pFilter, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
    m_pTree->setObjectName("1005");
    m_pMipLevels = new QComboBox(m_pCentral);
    m_pMipLevels->setObjectName("1017");
    m_pProgress = new QProgressBar(m_pCentral);
    m_pProgress->setObjectName("1039");
    m_pProgress->hide();
    m_pTabArea = new QWidget(m_pCentral);
    auto* tabLayout = new QVBoxLayout(m_pTabArea);
    tabLayout->setContentsMargins(0, 0, 0, 0);
    tabLayout->setSpacing(0);
    m_pTabs = new QTabBar(m_pTabArea);
    m_pTabs->setObjectName("1040");
    m_pTabs->setExpanding(false);
    tabLayout->addWidget(m_pTabs);

    // Tree style.
    const bool pluses = IniReadInt(Settings::kShowPluses) != 0;
    m_pTree->setRootIsDecorated(pluses);
    m_pTree->setUniformRowHeights(true);
    m_pTree->SetLabelEditing(true);

    m_pMenus = new CMenuBar(this, [this](int id) { OnCommand(id); });
    BuildMenus();

    m_nGame = IniReadInt(Settings::kGame);
    m_pMenus->RadioCheck(40604, 40606, 40604 + m_nGame);

    for (const char* name : kCacheNames)
        m_pTabs->addTab(QString("       ") + QString(name).toUpper());

    m_pView = new CDlgRender(m_pTabArea);
    tabLayout->addWidget(m_pView, 1);
    ApplyRenderType(1);

    UpdateSelection();
    m_pView->Draw();

    const uint32_t colour = static_cast<uint32_t>(IniReadInt(Settings::kRenderBackgroundColor));
    m_pView->SetBackgroundColor(0xFF000000 | (colour & 0xFF) << 16 | (colour & 0xFF00) |
                                (colour >> 16 & 0xFF));
    if (IniReadInt(Settings::kShowLoadingScreen) == 0)
        m_pMenus->Check(40085, true);

    BuildToolBar();
    setWindowIcon(AppIcon::Icon());

    for (int i = 0; i < kPaneCount; ++i) {
        m_pPanes[i] = new QLabel(this);
        if (kPaneWidths[i] > 0) {
            // The widths grow where this font needs more for the longest text of a pane
            // (at 60 pixels "RGBA 8888" would show as "RGBA 888").
            static const char* const kWidest[kPaneCount] = {"",
                                                            "[abcdefghijklmnop]",
                                                            "ID: 20000, Offset: 0x1FFFFFFF",
                                                            "1023.999 KB",
                                                            "2048 x 2048",
                                                            "GTA SA",
                                                            "RGBA 8888"};
            m_pPanes[i]->setFixedWidth(std::max(
                kPaneWidths[i], m_pPanes[i]->fontMetrics().horizontalAdvance(kWidest[i]) + 8));
            statusBar()->addPermanentWidget(m_pPanes[i]);
        } else {
            // The message pane takes what is left and cuts a long text short; laid out
            // by its text's width it would push over the fixed panes.
            m_pPanes[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            m_pPanes[i]->setMinimumWidth(kFirstPaneRoom);
            statusBar()->addWidget(m_pPanes[i], 1);
        }
    }
    // Narrower than its fixed panes, the status bar would lay them over each other.
    int panes = kFirstPaneRoom;
    for (int i = 0; i < kPaneCount; ++i)
        if (kPaneWidths[i] > 0)
            panes += m_pPanes[i]->width() + statusBar()->layout()->spacing() + kPaneMargin;
    setMinimumWidth(panes);

    // Where the window was last time; its own place otherwise.
    const int left = IniReadInt(Settings::kPositionLeft);
    if (left != 0) {
        const int top = IniReadInt(Settings::kPositionTop);
        setGeometry(left, top, IniReadInt(Settings::kPositionRight) - left,
                    IniReadInt(Settings::kPositionBottom) - top);
    } else {
        resize(900, 640);
    }

    if (IniReadInt(Settings::kFirstRunNoticeShown) == 0) {
        MessageBox(Res::String(111).toStdString(), "Alpha version, bitches",
                   MB_OK | MB_ICONINFORMATION);
        IniWriteInt(Settings::kFirstRunNoticeShown, 1);
    }
    ApplyBackground(IniReadInt(Settings::kRenderBackground));

    // Zooming the view from anywhere in the window.
    new QShortcut(QKeySequence::ZoomIn, this, [this] { m_pView->ZoomIn(); });
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), this, [this] { m_pView->ZoomIn(); });
    new QShortcut(QKeySequence::ZoomOut, this, [this] { m_pView->ZoomOut(); });
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_0), this, [this] { m_pView->SetZoom(1); });

    connect(m_pTree, &CTreeCtrlEx::SelectionNotify, this, [this] { UpdateSelection(); });
    connect(m_pTabs, &QTabBar::currentChanged, this, [this](int index) { SelectTab(index); });
    connect(m_pMipLevels, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
        const int texture = ItemTexture(m_pTree->currentItem());
        if (texture >= 0 && index >= 0)
            RenderTexture(texture, m_pMipLevels->itemData(index).toInt());
    });
    InitEditing();

    // The language of the last run; a pack that is gone by now says so once and is
    // forgotten.
    if (const std::string language = IniReadString(Settings::kLanguage); !language.empty())
        LoadLanguage(language);
    RetranslateControls();

    UnloadCache();
    LayoutControls();

    if (m_Args.size() == 1) {
        LogPrintA("CDlgMain: Trying to load '%s'...\n", m_Args[0].c_str());
        // Relative to the directory it was typed in, which the program never leaves.
        const std::string path = std::filesystem::absolute(m_Args[0]).string();
        const std::string name = Files::FileNameOf(path);
        SetTitle(&name);
        OpenCache(path);
    }
}

void CDlgMain::BuildToolBar() {
    // New, Open | Import (the Import submenu), Export.
    m_pToolBar = addToolBar("toolbar");
    m_pToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_pToolBar->setIconSize(QSize(16, 16));
    m_pToolBar->setMovable(false);
    m_pToolNew = m_pToolBar->addAction(style()->standardIcon(QStyle::SP_FileIcon), QString(),
                                       [this] { OnCommand(40219); });
    m_pToolOpen = m_pToolBar->addAction(style()->standardIcon(QStyle::SP_DialogOpenButton),
                                        QString(), [this] { OnCommand(40008); });
    m_pToolBar->addSeparator();
    m_pToolImport = new QToolButton(m_pToolBar);
    m_pToolImport->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    m_pToolImport->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_pToolImport->setPopupMode(QToolButton::InstantPopup);
    m_pToolImport->setMenu(m_pMenus->ImportMenu());
    m_pToolBar->addWidget(m_pToolImport);
    m_pToolExport = m_pToolBar->addAction(style()->standardIcon(QStyle::SP_DialogSaveButton),
                                          QString(), [this] { OnCommand(40012); });
}

void CDlgMain::RetranslateControls() {
    m_pToolNew->setText(Res::String(144));
    m_pToolImport->setText(Res::String(145));
    m_pToolExport->setText(Res::String(146));
    m_pToolOpen->setText(Res::String(147));
    m_pView->SetFailureText(Res::DialogText(Res::kRenderDialog, Res::kRenderFailed));
    m_pFilter->setPlaceholderText(Res::Text(Res::Texts::kFilter));
}

void CDlgMain::BuildMenus() {
    m_pMenus->Build(BuildPluginMenus());
    ListLanguages();
    std::vector<QString> recent;
    for (const std::string& path : RecentCaches::List())
        recent.push_back(QString::fromStdString(path));
    m_pMenus->AddRecentCaches(recent);
    // The toolbar's Import button opens the menu's Import submenu, which is new now.
    if (m_pToolImport)
        m_pToolImport->setMenu(m_pMenus->ImportMenu());
    m_pMenus->Check(40071, true);
    m_pMenus->Enable(40071, false);
    m_pMenus->Check(40612, IniReadInt(Settings::kPackTextureData) != 0);
    m_pMenus->Check(40619, IniReadInt(Settings::kEnableRules) != 0);
    m_pMenus->Check(40014, IsConsoleOpen());
}

void CDlgMain::SetTitle(const std::string* name) {
    setWindowTitle(QString::fromStdString(name ? Version::MainWindowTitle(*name)
                                               : Version::MainWindowTitle()));
}

QString CDlgMain::PaneText(int pane) const {
    return pane >= 0 && pane < kPaneCount && m_pPanes[pane] ? m_pPanes[pane]->text() : QString();
}

void CDlgMain::SetPane(int pane, const QString& text) {
    if (m_pPanes[pane])
        m_pPanes[pane]->setText(text);
}

void CDlgMain::ClearPanes() {
    for (int i = 0; i < kPaneCount - 1; ++i)
        SetPane(i, QString());
}

void CDlgMain::EnableCacheCommands(bool enabled) {
    for (int id : {40091, 40262, 40015, 40221, 40277, 40065, 40279, 40281})
        m_pMenus->Enable(id, enabled);
    if (!enabled) {
        m_pMenus->Enable(40227, false);
        m_pMenus->Enable(40071, false);
    }
}

void CDlgMain::OnCommand(int id) {
    LogPrintA("CDlgMain:  - pMsg->message = WM_COMMAND [%d]\n", id);
    if (id >= kPluginCommandFirst && id <= kPluginCommandLast) {
        RunPluginCommand(id);
        BuildMenus();
        return;
    }
    if (id >= CMenuBar::kFirstLanguage && id <= CMenuBar::kLastLanguage) {
        if (id == CMenuBar::kFirstLanguage) {
            LoadLanguage(std::string());
            return;
        }
        // The folder as it is now: a pack may have come or gone since the menu was built.
        const std::vector<std::string> files = ListLanguageFiles(m_strLanguagesFolder);
        const size_t n = size_t(id - CMenuBar::kFirstLanguage);
        if (n <= files.size())
            LoadLanguage(files[n - 1]);
        return;
    }
    if (id >= CMenuBar::kFirstRecent && id <= CMenuBar::kLastRecent) {
        OpenRecentCache(size_t(id - CMenuBar::kFirstRecent));
        return;
    }
    switch (id) {
    case 40219: { // New
        const QString file = QFileDialog::getSaveFileName(
            this, QString(), QString::fromStdString(IniReadString(Settings::kLastOpen)),
            Res::FileFilter(107));
        if (file.isEmpty())
            return;
        UnloadCache();
        // An index file always ends in ".txt": its data files are named after it.
        const QString index = file.endsWith(".txt", Qt::CaseInsensitive) ? file : file + ".txt";
        const std::string name = Files::FileNameOf(index.toStdString());
        SetTitle(&name);
        CreateCache(index.toStdString());
        return;
    }
    case 40008: { // Open
        const QString file = QFileDialog::getOpenFileName(
            this, QString(), QString::fromStdString(IniReadString(Settings::kLastOpen)),
            Res::FileFilter(107));
        if (file.isEmpty())
            return;
        IniWriteString(Settings::kLastOpen.section, Settings::kLastOpen.key, FolderOf(file));
        UnloadCache();
        OpenCache(file.toStdString());
        if (m_pCache && m_pCache->TextureCount() > 0)
            SelectTexture(0);
        return;
    }
    case 40015:
        UnloadCache();
        SetPane(0, Res::Text(Res::Texts::kCacheUnloaded));
        return;
    case 40009:
        close();
        return;
    case 40222:
        ReloadCache();
        return;
    case 40058:
        StepCache(1);
        return;
    case 40059:
        StepCache(-1);
        return;
    case 40621:
        ToggleThumbnails();
        return;
    case 40604:
    case 40605:
    case 40606:
        SetGame(id - 40604);
        return;
    case 40043:
    case 40044:
    case 40045:
        ApplyRenderType(id - 40043);
        m_pView->Draw();
        return;
    case 40046:
        m_pView->SetOption(CDlgRender::RENDER_STRETCH,
                           !(m_pView->Options() & CDlgRender::RENDER_STRETCH));
        m_pMenus->Check(40046, m_pView->Options() & CDlgRender::RENDER_STRETCH);
        UpdateSelection();
        m_pView->Draw();
        return;
    case 40050:
    case 40051:
    case 40052:
    case 40053:
        ApplyBackground(id - 40050);
        return;
    case 40057:
        ChooseBackgroundColor();
        return;
    case 40014:
        ToggleConsole();
        return;
    case 40085: {
        const bool disabled = IniReadInt(Settings::kShowLoadingScreen) == 0;
        IniWriteInt(Settings::kShowLoadingScreen, disabled ? 700 : 0);
        m_pMenus->Check(40085, !disabled);
        return;
    }
    case 40612:
    case 40619: {
        const Settings::IntKey& key =
            id == 40612 ? Settings::kPackTextureData : Settings::kEnableRules;
        const int value = IniReadInt(key) != 0 ? 0 : 1;
        IniWriteInt(key, value);
        m_pMenus->Check(id, value != 0);
        return;
    }
    case 40019:
        ShowAbout();
        return;
    default:
        OnEditCommand(id);
        return;
    }
}

void CDlgMain::ApplyRenderType(int type) {
    if (type == 0)
        m_pView->SetOption(CDlgRender::RENDER_STATIC, true);
    else if (type == 1)
        m_pView->SetOption(CDlgRender::RENDER_STATIC, false);
    IniWriteInt(Settings::kRenderType, type);
    m_pMenus->RadioCheck(40043, 40045, 40043 + type);
    UpdateSelection();
}

void CDlgMain::ApplyBackground(int mode) {
    if (mode < 0 || mode > 3)
        mode = 3;
    uint32_t options = m_pView->Options();
    options &= ~CDlgRender::RENDER_FIXED_BG;
    options |= CDlgRender::RENDER_BACKGROUND;
    switch (mode) {
    case 0:
        options &= ~CDlgRender::RENDER_BACKGROUND;
        break;
    case 1:
        options |= CDlgRender::RENDER_CHECKER;
        break;
    case 2:
        options |= CDlgRender::RENDER_FIXED_BG | CDlgRender::RENDER_CHECKER;
        break;
    case 3:
        options &= ~CDlgRender::RENDER_CHECKER;
        break;
    }
    m_pView->SetOptions(options);
    IniWriteInt(Settings::kRenderBackground, mode);
    m_pMenus->RadioCheck(40050, 40053, 40050 + mode);
    UpdateSelection();
}

void CDlgMain::ChooseBackgroundColor() {
    const QColor chosen =
        QColorDialog::getColor(QColor::fromRgba(m_pView->BackgroundColor()), this);
    if (!chosen.isValid())
        return;
    IniWriteInt(Settings::kRenderBackgroundColor,
                chosen.red() | chosen.green() << 8 | chosen.blue() << 16);
    m_pView->SetBackgroundColor(0xFF000000 | chosen.rgb());
    ApplyBackground(3);
}

void CDlgMain::ToggleConsole() {
    if (IsConsoleOpen()) {
        ConsoleClose();
        m_pMenus->Check(40014, false);
        IniWriteInt(Settings::kConsole, 0);
    } else {
        ConsoleOpen();
        m_pMenus->Check(40014, true);
        IniWriteInt(Settings::kConsole, 1);
    }
}

void CDlgMain::ApplyFilter() {
    const QString text = m_pFilter->text().trimmed();
    const auto matches = [&text](QTreeWidgetItem* item) {
        return text.isEmpty() || item->text(0).contains(text, Qt::CaseInsensitive);
    };
    for (int i = 0; i < m_pTree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = m_pTree->topLevelItem(i);
        if (ItemTexture(top) >= 0) {
            top->setHidden(!matches(top));
            continue;
        }
        // A category shows while any of its textures does; all of them without a filter.
        bool any = text.isEmpty();
        for (int c = 0; c < top->childCount(); ++c) {
            const bool shown = matches(top->child(c));
            top->child(c)->setHidden(!shown);
            any = any || shown;
        }
        top->setHidden(!any);
        if (!text.isEmpty() && any)
            top->setExpanded(true);
    }
}

void CDlgMain::OpenRecentCache(size_t position) {
    const std::vector<std::string> recent = RecentCaches::List();
    if (position >= recent.size())
        return;
    const std::string& path = recent[position];
    // A cache moved or deleted since is dropped from the list rather than opened empty.
    if (!Files::Exists(path)) {
        MessageBox(Res::Text(Res::Texts::kRecentCacheGone).toStdString() + "\n\n" + path,
                   Res::String(110).toStdString(), MB_OK | MB_ICONWARNING);
        RecentCaches::Remove(path);
        BuildMenus();
        return;
    }
    UnloadCache();
    OpenCache(path);
    if (m_pCache && m_pCache->TextureCount() > 0)
        SelectTexture(0);
}

void CDlgMain::LayoutControls() {
    if (!m_pCentral)
        return;
    const int w = m_pCentral->width(), h = m_pCentral->height();
    const int filter = m_pFilter->sizeHint().height();
    m_pFilter->setGeometry(5, 4, 230, filter);
    m_pTree->setGeometry(5, 8 + filter, 230, std::max(0, h - 41 - filter));
    m_pMipLevels->setGeometry(5, h - 28, 230, 21);
    m_pProgress->setGeometry(5, h - 28, 230, 21);
    m_pTabArea->setGeometry(240, 4, std::max(0, w - 245), std::max(0, h - 8));
}

bool CDlgMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pCentral && event->type() == QEvent::Resize)
        LayoutControls();
    return QMainWindow::eventFilter(watched, event);
}

void CDlgMain::closeEvent(QCloseEvent* event) {
    const QRect frame = geometry();
    IniWriteInt(Settings::kPositionLeft, frame.left());
    IniWriteInt(Settings::kPositionRight, frame.right() + 1);
    IniWriteInt(Settings::kPositionTop, frame.top());
    IniWriteInt(Settings::kPositionBottom, frame.bottom() + 1);
    event->accept();
}
