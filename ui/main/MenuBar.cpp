#include "ui/main/MenuBar.h"

#include "raster/PluginHost.h"
#include "raster/PluginMenu.h"
#include "ui/main/Resources.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>

namespace {

// Menu 102. Popups carry their text number below 100; -1 is a separator.
struct Node {
    int id;
    std::vector<Node> items = {};
};

const Node kSeparator{-1};

const std::vector<Node> kMenuBar = {
    {1, {{40219}, {40008}, {Res::kRecentCachesMenu}, {40222}, {40015}, kSeparator, {40009}}},
    {2, {{40091}, {40227}}},
    {3,
     {{4, {{40202}, {40205}, {40273}}},
      {40012},
      {40065},
      kSeparator,
      {40221},
      kSeparator,
      {40262}}},
    {5,
     {{40621},
      {40071},
      {40046},
      {6, {{40043}, {40044}, {40045}}},
      {7, {{40050}, {40051}, {40052}, {40053}, kSeparator, {40057}}},
      kSeparator,
      {8, {{40300}}},
      kSeparator,
      {40058},
      {40059}}},
    {9,
     {{40277},
      {40278},
      {40279},
      {40281},
      {40617},
      kSeparator,
      {40359},
      {40601},
      {40602},
      {Res::kAliasListMenu, {{40357}, {40358}}}}},
    {10, {{11, {{40604}, {40605}, {40606}}}, {40085}, {40612}, {40619}}},
    {12, {{40019}}},
};

// Commands without a menu item of their own.
const int kHiddenCommands[] = {40210};

// Popups with more to them than their table entry.
constexpr int kImportMenu = 4;
constexpr int kLanguageMenu = 8;
constexpr int kRecentMenu = Res::kRecentCachesMenu;
constexpr int kOptionsMenu = 10;
constexpr int kConsoleCommand = 40014;

// Items that switch something on and off: they show a check mark.
const int kToggles[] = {40621, 40071, 40046, 40085, 40612, 40619, kConsoleCommand};

// Groups of which exactly one item is chosen: they show radio marks.
struct RadioGroup {
    int first, last;
};
const RadioGroup kRadioGroups[] = {{40043, 40045}, {40050, 40053}, {40604, 40606}};

bool IsToggle(int id) {
    return std::find(std::begin(kToggles), std::end(kToggles), id) != std::end(kToggles);
}

const RadioGroup* RadioGroupOf(int id) {
    for (const RadioGroup& group : kRadioGroups)
        if (id >= group.first && id <= group.last)
            return &group;
    return nullptr;
}

// The plug-in host names its fixed popups and items in English; shown in the interface
// language when they are the texts the program knows.
QString PluginLabel(const MenuEntry& entry) {
    const QString label = QString::fromStdString(entry.label);
    if (entry.id >= Res::kPluginInformation && entry.id < Res::kPluginInformation + kFamilyCount)
        return Res::MenuText(Res::kPluginInformation);
    for (int popup : {Res::kPluginChoice, Res::kPluginQuality, Res::kPluginDithering})
        if (label == Res::BuiltInMenuText(popup))
            return Res::MenuText(popup);
    return label;
}

} // namespace

const std::map<int, QKeySequence>& CMenuBar::Accelerators() {
    static const std::map<int, QKeySequence> table = {
        {40058, QKeySequence(Qt::CTRL | Qt::Key_Right)},
        {40059, QKeySequence(Qt::CTRL | Qt::Key_Left)},
        {40210, QKeySequence(Qt::Key_Delete)},
        {40091, QKeySequence(Qt::CTRL | Qt::Key_F)},
        {40227, QKeySequence(Qt::Key_F3)},
        {40015, QKeySequence(Qt::CTRL | Qt::Key_X)},
        {40219, QKeySequence(Qt::CTRL | Qt::Key_N)},
        {40008, QKeySequence(Qt::CTRL | Qt::Key_O)},
        {40222, QKeySequence(Qt::Key_F5)},
        {40019, QKeySequence(Qt::Key_F1)},
        {40012, QKeySequence(Qt::CTRL | Qt::Key_E)},
        {40262, QKeySequence(Qt::CTRL | Qt::Key_T)},
        {40621, QKeySequence(Qt::Key_F6)},
        {40202, QKeySequence(Qt::CTRL | Qt::Key_I)},
        {40205, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_I)},
    };
    return table;
}

CMenuBar::CMenuBar(QMainWindow* window, std::function<void(int)> command)
    : QObject(window), m_pWindow(window), m_fnCommand(std::move(command)) {}

QAction* CMenuBar::MakeAction(int id, QMenu* menu) {
    auto* action = new QAction(Res::MenuText(id), menu ? static_cast<QObject*>(menu) : this);
    action->setData(id);
    if (auto it = Accelerators().find(id); it != Accelerators().end()) {
        action->setShortcut(it->second);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    action->setCheckable(IsToggle(id) || RadioGroupOf(id));
    action->setChecked(m_Checked[id]);
    action->setEnabled(m_Enabled.count(id) ? m_Enabled[id] : true);
    connect(action, &QAction::triggered, this, [this, id, action] {
        if (action->isCheckable())
            action->setChecked(m_Checked[id]); // check marks follow the state, not the click
        m_fnCommand(id);
    });
    m_Actions[id] = action;
    m_pWindow->addAction(action);
    return action;
}

void CMenuBar::AddPluginEntry(QMenu* parent, const MenuEntry& entry) {
    if (entry.separator) {
        parent->addSeparator();
    } else if (entry.popup) {
        QMenu* sub = parent->addMenu(PluginLabel(entry));
        sub->setEnabled(!entry.greyed);
        // A popup of plain items is a list of choices (plug-in, quality, dithering), one
        // of which is chosen.
        const bool choices =
            std::none_of(entry.items.begin(), entry.items.end(),
                         [](const MenuEntry& e) { return e.popup || e.separator; });
        auto* group = choices ? new QActionGroup(sub) : nullptr;
        if (group)
            group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
        for (const MenuEntry& child : entry.items) {
            AddPluginEntry(sub, child);
            if (group) {
                QAction* action = Action(child.id);
                action->setCheckable(true);
                action->setChecked(child.checked);
                group->addAction(action);
            }
        }
    } else {
        m_Checked[entry.id] = entry.checked;
        m_Enabled[entry.id] = !entry.greyed;
        QAction* action = MakeAction(entry.id, parent);
        action->setText(PluginLabel(entry));
        parent->addAction(action);
    }
}

void CMenuBar::Build(const std::vector<MenuEntry>& pluginMenus) {
    for (auto& [id, action] : m_Actions) {
        m_pWindow->removeAction(action);
        action->deleteLater();
    }
    m_Actions.clear();
    QMenuBar* bar = m_pWindow->menuBar();
    bar->clear();
    // A rebuild may come from one of these menus' own commands: they go once it returns.
    for (QMenu* menu : m_Menus)
        menu->deleteLater();
    m_Menus.clear();
    m_pImport = m_pLanguages = m_pRecent = nullptr;
    std::map<const RadioGroup*, QActionGroup*> groups;
    std::function<void(QMenu*, const Node&)> add = [&](QMenu* menu, const Node& node) {
        if (node.id == -1) {
            menu->addSeparator();
        } else if (node.id < 100) {
            QMenu* popup = menu->addMenu(Res::MenuText(node.id));
            if (node.id == kImportMenu)
                m_pImport = popup;
            if (node.id == kLanguageMenu)
                m_pLanguages = popup;
            if (node.id == kRecentMenu)
                m_pRecent = popup;
            for (const Node& item : node.items)
                add(popup, item);
        } else {
            QAction* action = MakeAction(node.id, menu);
            menu->addAction(action);
            if (const RadioGroup* radio = RadioGroupOf(node.id)) {
                QActionGroup*& group = groups[radio];
                if (!group) {
                    group = new QActionGroup(menu);
                    // The window sets the marks itself (RadioCheck).
                    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
                }
                group->addAction(action);
            }
        }
    };
    for (const Node& top : kMenuBar) {
        QMenu* menu = bar->addMenu(Res::MenuText(top.id));
        m_Menus.push_back(menu);
        for (const Node& item : top.items)
            add(menu, item);
        if (top.id == kOptionsMenu) {
            // The codec family menus, then the console at the very end.
            if (!pluginMenus.empty())
                menu->addSeparator();
            for (const MenuEntry& e : pluginMenus)
                AddPluginEntry(menu, e);
            menu->addSeparator();
            menu->addAction(MakeAction(kConsoleCommand, menu));
        }
    }
    for (int id : kHiddenCommands)
        MakeAction(id, nullptr);
    if (m_pImport && !m_pImport->actions().isEmpty())
        m_pImport->setDefaultAction(m_pImport->actions().first());
}

void CMenuBar::AddLanguages(const std::vector<QString>& labels) {
    if (!m_pLanguages)
        return;
    for (size_t i = 0; i < labels.size() && kFirstLanguage + 1 + int(i) <= kLastLanguage; ++i) {
        QAction* action = MakeAction(kFirstLanguage + 1 + int(i), m_pLanguages);
        action->setText(labels[i]);
        m_pLanguages->addAction(action);
    }
}

void CMenuBar::AddRecentCaches(const std::vector<QString>& paths) {
    if (!m_pRecent)
        return;
    for (size_t i = 0; i < paths.size() && kFirstRecent + int(i) <= kLastRecent; ++i) {
        QAction* action = MakeAction(kFirstRecent + int(i), m_pRecent);
        // A path is no menu text: an ampersand in it must show, not mark a key.
        action->setText(QString("&%1 ").arg(i + 1) + QString(paths[i]).replace("&", "&&"));
        m_pRecent->addAction(action);
    }
    m_pRecent->setEnabled(!paths.empty());
}

QAction* CMenuBar::Action(int id) const {
    auto it = m_Actions.find(id);
    return it == m_Actions.end() ? nullptr : it->second;
}

void CMenuBar::Enable(int id, bool enabled) {
    m_Enabled[id] = enabled;
    if (QAction* action = Action(id))
        action->setEnabled(enabled);
}

void CMenuBar::Check(int id, bool checked) {
    m_Checked[id] = checked;
    if (QAction* action = Action(id))
        action->setChecked(checked);
}

bool CMenuBar::IsChecked(int id) const {
    auto it = m_Checked.find(id);
    return it != m_Checked.end() && it->second;
}

bool CMenuBar::IsEnabled(int id) const {
    auto it = m_Enabled.find(id);
    return it == m_Enabled.end() || it->second;
}

void CMenuBar::RadioCheck(int first, int last, int id) {
    for (int i = first; i <= last; ++i)
        Check(i, i == id);
}
