#pragma once
// Reaching the window's commands the way a user does: through the menu bar's menus.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <functional>

namespace MenuDriver {

using Match = std::function<bool(QAction*)>;

// The first item or popup below menu (depth first) that matches, or nullptr.
inline QAction* Find(QMenu* menu, const Match& match) {
    for (QAction* action : menu ? menu->actions() : QList<QAction*>()) {
        if (!action->isSeparator() && match(action))
            return action;
        if (QAction* found = Find(action->menu(), match))
            return found;
    }
    return nullptr;
}

inline QAction* Find(QMenu* menu, const QString& text) {
    return Find(menu, [&](QAction* a) { return a->text() == text; });
}

// The item of a command below menu.
inline QAction* Find(QMenu* menu, int id) {
    return Find(menu, [id](QAction* a) { return !a->menu() && a->data().toInt() == id; });
}

// The top-level menu with this title ("&File"), or nullptr.
inline QMenu* TopMenu(QMainWindow& window, const QString& title) {
    for (QAction* action : window.menuBar()->actions())
        if (action->text() == title)
            return action->menu();
    return nullptr;
}

// The item of a command anywhere in the menu bar, or nullptr.
inline QAction* Command(QMainWindow& window, int id) {
    for (QAction* top : window.menuBar()->actions())
        if (QAction* found = Find(top->menu(), id))
            return found;
    return nullptr;
}

inline QStringList Titles(QMainWindow& window) {
    QStringList titles;
    for (QAction* action : window.menuBar()->actions())
        titles << action->text();
    return titles;
}

// Triggers an item that opens a modal dialog; look sees the dialog, which is then closed.
inline void TriggerModal(QAction* action, const std::function<void(QWidget*)>& look) {
    QTimer::singleShot(0, [look] {
        QWidget* dialog = QApplication::activeModalWidget();
        look(dialog);
        if (auto* d = qobject_cast<QDialog*>(dialog))
            d->accept();
    });
    action->trigger();
}

} // namespace MenuDriver
