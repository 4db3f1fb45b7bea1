#pragma once
// The menu bar, built from one table keyed by command ids (texts from Resources), with
// every command reachable as an action of the window so its accelerator works even
// where no menu shows it.
#include <QKeySequence>
#include <QObject>
#include <functional>
#include <map>
#include <vector>

class QAction;
class QMainWindow;
class QMenu;
class QMenuBar;
struct MenuEntry;

class CMenuBar : public QObject {
    Q_OBJECT
public:
    // command is called with the id of every command the user gives.
    CMenuBar(QMainWindow* window, std::function<void(int)> command);

    // (Re)builds the menu bar; pluginMenus are appended to the Options menu.
    void Build(const std::vector<MenuEntry>& pluginMenus);

    QAction* Action(int id) const;
    void Enable(int id, bool enabled);
    void Check(int id, bool checked);
    bool IsChecked(int id) const;
    bool IsEnabled(int id) const;
    // Checks id and unchecks the others of first..last.
    void RadioCheck(int first, int last, int id);
    QMenu* ImportMenu() const { return m_pImport; }

    // Accelerator table 113.
    static const std::map<int, QKeySequence>& Accelerators();

private:
    QAction* MakeAction(int id, QMenu* menu);

    QMainWindow* m_pWindow;
    std::function<void(int)> m_fnCommand;
    std::map<int, QAction*> m_Actions;
    std::map<int, bool> m_Checked;
    std::map<int, bool> m_Enabled;
    QMenu* m_pImport = nullptr;
};
