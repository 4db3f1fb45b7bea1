#pragma once
// The menu bar, built from one table keyed by command ids (texts from Resources), with
// every command reachable as an action of the window so its accelerator works even
// where no menu shows it. Only real toggles carry check marks; the render, background
// and game choices (and the codec plug-in choices) carry radio marks.
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

    // (Re)builds the menu bar; pluginMenus are appended to the Options menu, followed by
    // the debug console's item.
    void Build(const std::vector<MenuEntry>& pluginMenus);
    // Appends one item per language, ids from kFirstLanguage + 1 on, to the language
    // submenu (which holds the built-in language first).
    void AddLanguages(const std::vector<QString>& labels);

    // The caches opened last, ids from kFirstRecent on, in the File menu's Recent Caches.
    void AddRecentCaches(const std::vector<QString>& paths);

    QAction* Action(int id) const;
    void Enable(int id, bool enabled);
    void Check(int id, bool checked);
    bool IsChecked(int id) const;
    bool IsEnabled(int id) const;
    // Checks id and unchecks the others of first..last.
    void RadioCheck(int first, int last, int id);
    QMenu* ImportMenu() const { return m_pImport; }
    QMenu* LanguageMenu() const { return m_pLanguages; }

    static constexpr int kFirstLanguage = 40300;
    static constexpr int kLastLanguage = 40349;
    static constexpr int kFirstRecent = 40700;
    static constexpr int kLastRecent = 40707;

    // Accelerator table 113.
    static const std::map<int, QKeySequence>& Accelerators();

private:
    QAction* MakeAction(int id, QMenu* menu);
    void AddPluginEntry(QMenu* parent, const MenuEntry& entry);

    QMainWindow* m_pWindow;
    std::function<void(int)> m_fnCommand;
    std::map<int, QAction*> m_Actions;
    std::map<int, bool> m_Checked;
    std::map<int, bool> m_Enabled;
    QMenu* m_pImport = nullptr;
    QMenu* m_pLanguages = nullptr;
    QMenu* m_pRecent = nullptr;
    std::vector<QMenu*> m_Menus; // the top-level menus of the last build
};
