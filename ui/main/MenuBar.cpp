#include "ui/main/MenuBar.h"

#include "raster/PluginMenu.h"
#include "ui/main/Resources.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace {

// Menu 102. Popups carry their text number below 100; -1 is a separator.
struct Node {
    int id;
    std::vector<Node> items = {};
};

const Node kSeparator{-1};

const std::vector<Node> kMenuBar = {
    {1, {{40219}, {40008}, {40222}, {40015}, kSeparator, {40009}}},
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
    {9, {{40277}, {40278}, {40279}, {40281}}},
    {10, {{11, {{40604}, {40605}, {40606}}}, {40085}, {40612}, {40619}}},
    {12, {{40019}}},
};

// Commands without a menu item of their own.
const int kHiddenCommands[] = {40210};

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
    action->setCheckable(true);
    action->setChecked(m_Checked[id]);
    action->setEnabled(m_Enabled.count(id) ? m_Enabled[id] : true);
    connect(action, &QAction::triggered, this, [this, id, action] {
        action->setChecked(m_Checked[id]); // check marks follow the state, not the click
        m_fnCommand(id);
    });
    m_Actions[id] = action;
    m_pWindow->addAction(action);
    return action;
}

void CMenuBar::Build(const std::vector<MenuEntry>& pluginMenus) {
    for (auto& [id, action] : m_Actions) {
        m_pWindow->removeAction(action);
        action->deleteLater();
    }
    m_Actions.clear();
    QMenuBar* bar = m_pWindow->menuBar();
    bar->clear();
    std::function<void(QMenu*, const Node&)> add = [&](QMenu* menu, const Node& node) {
        if (node.id == -1) {
            menu->addSeparator();
        } else if (node.id < 100) {
            QMenu* popup = menu->addMenu(Res::MenuText(node.id));
            if (node.id == 4)
                m_pImport = popup;
            for (const Node& item : node.items)
                add(popup, item);
            if (node.id == 10) {
                // The codec family menus, then the console at the very end.
                std::function<void(QMenu*, const MenuEntry&)> plugin = [&](QMenu* parent,
                                                                           const MenuEntry& e) {
                    if (e.separator) {
                        parent->addSeparator();
                    } else if (e.popup) {
                        QMenu* sub = parent->addMenu(QString::fromStdString(e.label));
                        sub->setEnabled(!e.greyed);
                        for (const MenuEntry& child : e.items)
                            plugin(sub, child);
                    } else {
                        m_Checked[e.id] = e.checked;
                        m_Enabled[e.id] = !e.greyed;
                        QAction* action = MakeAction(e.id, parent);
                        action->setText(QString::fromStdString(e.label));
                        parent->addAction(action);
                    }
                };
                if (!pluginMenus.empty())
                    popup->addSeparator();
                for (const MenuEntry& e : pluginMenus)
                    plugin(popup, e);
                popup->addSeparator();
                popup->addAction(MakeAction(40014, popup));
            }
        } else {
            menu->addAction(MakeAction(node.id, menu));
        }
    };
    for (const Node& top : kMenuBar) {
        QMenu* menu = bar->addMenu(Res::MenuText(top.id));
        for (const Node& item : top.items)
            add(menu, item);
    }
    for (int id : kHiddenCommands)
        MakeAction(id, nullptr);
    if (m_pImport && !m_pImport->actions().isEmpty())
        m_pImport->setDefaultAction(m_pImport->actions().first());
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
