#include "raster/PluginMenu.h"

#include "app/Log.h"
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "platform/MessageBox.h"
#include "raster/PluginHost.h"

namespace {

std::string PluginLabel(int plugin) {
    return Plugins().names[plugin] + "\t" + PluginInfoText(plugin, TESSARINE_INFO_TITLE);
}

MenuEntry ChoiceList(int family, int plugin, int selector, int firstId, const char* label,
                     const char* key) {
    MenuEntry popup = MenuEntry::Popup(label);
    const std::vector<std::string> names = PluginInfoList(plugin, selector);
    popup.greyed = names.empty();
    const int chosen = IniReadInt(Settings::kFamilySections[family], key, 0);
    for (size_t position = 0; position < names.size(); ++position) {
        MenuEntry item =
            MenuEntry::Item(names[position], firstId + 5 * family + static_cast<int>(position));
        item.checked = static_cast<int>(position) == chosen;
        popup.items.push_back(item);
    }
    return popup;
}

} // namespace

std::vector<MenuEntry> BuildPluginMenus() {
    std::vector<MenuEntry> menus;
    const PluginRegistry& r = Plugins();
    for (int family = 0; family < kFamilyCount; ++family) {
        const int plugin =
            FindPlugin(IniReadString(Settings::kFamilySections[family], Settings::kPluginKey));
        if (plugin < 0) {
            MenuEntry item = MenuEntry::Item(kFamilyNames[family], kPluginCommandFirst + family);
            item.greyed = true;
            menus.push_back(item);
            continue;
        }
        const std::string title = PluginInfoText(plugin, TESSARINE_INFO_TITLE);
        MenuEntry popup =
            MenuEntry::Popup(title.empty() ? std::string(kFamilyNames[family])
                                           : std::string(kFamilyNames[family]) + "\t" + title);
        MenuEntry choice = MenuEntry::Popup("C&ompression Plugin");
        for (uint32_t i = 0; i < r.count; ++i) {
            if (!PluginSupports(kAllFamilies[size_t(family)], static_cast<int>(i)))
                continue;
            MenuEntry item =
                MenuEntry::Item(PluginLabel(static_cast<int>(i)),
                                40480 + static_cast<int>(r.count) * family + static_cast<int>(i));
            item.checked = static_cast<int>(i) == plugin;
            choice.items.push_back(item);
        }
        popup.items.push_back(choice);
        popup.items.push_back(MenuEntry::Separator());
        popup.items.push_back(ChoiceList(family, plugin, TESSARINE_INFO_QUALITY_NAMES, 40408,
                                         "&Compression Quality", Settings::kQualityKey));
        popup.items.push_back(ChoiceList(family, plugin, TESSARINE_INFO_DITHERING_NAMES, 40440,
                                         "&Dithering", Settings::kDitheringKey));
        popup.items.push_back(MenuEntry::Separator());
        popup.items.push_back(MenuEntry::Item("&Information", 40404 + family));
        menus.push_back(popup);
    }
    return menus;
}

bool RunPluginCommand(int id) {
    if (id < kPluginCommandFirst || id > kPluginCommandLast)
        return false;
    const int n = id - kPluginCommandFirst;
    LogPrintA("CDlgMain: Plugin command: %d\n", n);
    const PluginRegistry& r = Plugins();
    if (n >= 4 && n <= 7) {
        const int family = n - 4;
        const int plugin =
            FindPlugin(IniReadString(Settings::kFamilySections[family], Settings::kPluginKey));
        MessageBox(std::string(kFamilyNames[family]) + " - " +
                       PluginInfoText(plugin, TESSARINE_INFO_TITLE) + "\n\n" +
                       PluginInfoText(plugin, TESSARINE_INFO_DESCRIPTION),
                   kFamilyNames[family], MB_OK | MB_ICONINFORMATION);
        return false;
    }
    if (n >= 8 && n <= 27) {
        IniWriteInt(Settings::kFamilySections[(n - 8) / 5], Settings::kQualityKey, (n - 8) % 5);
        return true;
    }
    if (n >= 40 && n <= 59) {
        IniWriteInt(Settings::kFamilySections[(n - 40) / 5], Settings::kDitheringKey, (n - 40) % 5);
        return true;
    }
    if (n >= 80 && r.count > 0) {
        const int family = (n - 80) / static_cast<int>(r.count);
        const int plugin = (n - 80) % static_cast<int>(r.count);
        if (family >= kFamilyCount)
            return false;
        const char* section = Settings::kFamilySections[family];
        if (IniReadString(section, Settings::kPluginKey) == r.names[plugin])
            return false;
        IniWriteString(section, Settings::kPluginKey, r.names[plugin]);
        BindPlugin(kAllFamilies[size_t(family)], plugin);
        IniWriteInt(section, Settings::kQualityKey, 0);
        IniWriteInt(section, Settings::kDitheringKey, 0);
        return true;
    }
    return false;
}
