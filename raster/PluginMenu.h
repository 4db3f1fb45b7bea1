#pragma once
// The codec plug-in menus (command ids 40400 to 40600) as a model: the editor draws it,
// the command-line tool prints and drives it.
#include <string>
#include <vector>

struct MenuEntry {
    std::string label; // may hold '&' accelerators and a tab before a right-hand text
    int id = 0;        // 0 for popups and separators
    bool greyed = false;
    bool checked = false; // radio check
    bool separator = false;
    std::vector<MenuEntry> items; // non-empty (or greyed) for a popup
    bool popup = false;

    static MenuEntry Item(std::string label, int id) {
        MenuEntry e;
        e.label = std::move(label);
        e.id = id;
        return e;
    }
    static MenuEntry Popup(std::string label) {
        MenuEntry e;
        e.label = std::move(label);
        e.popup = true;
        return e;
    }
    static MenuEntry Separator() {
        MenuEntry e;
        e.separator = true;
        return e;
    }
};

inline constexpr int kPluginCommandFirst = 40400;
inline constexpr int kPluginCommandLast = 40600;

// One entry per family, for the end of the options menu.
std::vector<MenuEntry> BuildPluginMenus();

// Carries out a plug-in command; returns true when the menus need rebuilding.
bool RunPluginCommand(int id);
