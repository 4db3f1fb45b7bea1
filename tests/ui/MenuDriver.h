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

// The top-level menu with this title ("&File"), or nullptr.
inline QMenu* TopMenu(QMainWindow& window, const QString& title) {
    for (QAction* action : window.menuBar()->actions())
        if (action->menu() && action->text() == title)
            return action->menu();
    return nullptr;
}

// The item or popup with this text anywhere below menu, or nullptr.
inline QAction* Find(QMenu* menu, const QString& text) {
    if (!menu)
        return nullptr;
    for (QAction* action : menu->actions()) {
        if (action->text() == text)
            return action;
        if (QAction* found = Find(action->menu(), text))
            return found;
    }
    return nullptr;
}

// The item of a command anywhere in the menu bar, or nullptr.
inline QAction* Command(QMainWindow& window, int id) {
    std::function<QAction*(QMenu*)> search = [&](QMenu* menu) -> QAction* {
        for (QAction* action : menu->actions()) {
            if (!action->menu() && !action->isSeparator() && action->data().toInt() == id)
                return action;
            if (action->menu())
                if (QAction* found = search(action->menu()))
                    return found;
        }
        return nullptr;
    };
    for (QAction* top : window.menuBar()->actions())
        if (top->menu())
            if (QAction* found = search(top->menu()))
                return found;
    return nullptr;
}

// Titles of the menu bar's menus, in order.
inline QStringList Titles(QMainWindow& window) {
    QStringList titles;
    for (QAction* action : window.menuBar()->actions())
        titles << action->text();
    return titles;
}

// Triggers an item that opens a modal dialog; look runs on the dialog, which is then
// closed.
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
