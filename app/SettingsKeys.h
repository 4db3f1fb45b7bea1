#pragma once
#include <string>

// Every section and key of the settings file, with its default. Other code names keys
// through these constants only, so the file's vocabulary lives in one place.

namespace Settings {

struct IntKey {
    const char* section;
    const char* key;
    int defaultValue;
};

struct StringKey {
    const char* section;
    const char* key;
    const char* defaultValue;
};

inline constexpr const char* kGlobal = "global";
inline constexpr IntKey kConsole{kGlobal, "console", 0};
inline constexpr IntKey kShowLoadingScreen{kGlobal, "show_loading_screen", 700};
inline constexpr IntKey kShowPluses{kGlobal, "show_pluses", 0};
inline constexpr IntKey kGame{kGlobal, "game", 0};
inline constexpr IntKey kFirstRunNoticeShown{kGlobal, "fucked_up", 0};
inline constexpr StringKey kLanguage{kGlobal, "lang", ""};
inline constexpr IntKey kShowThumbs{kGlobal, "show_thumbs", 0};
inline constexpr IntKey kPackTextureData{kGlobal, "pack_texture_data", 1};
inline constexpr IntKey kEnableRules{kGlobal, "enable_rules", 1};
inline constexpr IntKey kThumbSize{kGlobal, "thumb_size", 8};

inline constexpr const char* kRender = "render";
inline constexpr IntKey kRenderType{kRender, "type", 0};
inline constexpr IntKey kRenderBackground{kRender, "background", 3};
inline constexpr IntKey kRenderBackgroundColor{kRender, "background_color", 0x808080};

inline constexpr const char* kPosition = "position";
inline constexpr IntKey kPositionLeft{kPosition, "left", 0};
inline constexpr IntKey kPositionTop{kPosition, "top", 0};
inline constexpr IntKey kPositionRight{kPosition, "right", 0};
inline constexpr IntKey kPositionBottom{kPosition, "bottom", 0};

inline constexpr const char* kPaths = "paths";
inline constexpr StringKey kLastOpen{kPaths, "last_open", ""};
inline constexpr StringKey kLastImport{kPaths, "last_import", ""};
inline constexpr StringKey kLastExportDir{kPaths, "last_export_dir", ""};
inline constexpr StringKey kLastTxd{kPaths, "last_txd", ""};

// Section "recent": the caches opened last, newest first, as keys cache1 .. cache8.
inline constexpr const char* kRecent = "recent";

// Section "lang": one key per language file title, holding its display name.
inline constexpr const char* kLanguages = "lang";

// One section per codec family, in family order, each with these keys.
inline constexpr const char* kFamilySections[4] = {"DXT", "ETC1", "PVRTC", "UNC"};
inline constexpr const char* kPluginKey = "plugin";
inline constexpr const char* kQualityKey = "quality";
inline constexpr const char* kDitheringKey = "dithering";

inline constexpr const char* kDetails = "details";
inline constexpr StringKey kDetailsSA{
    kDetails, "gtasa",
    "Asphalt|Grass|Sand|Water|Bark|Stucco|Rock|Fabric|Concrete|WoodHoriz|WoodVert|Bark2|Gravel|"
    "Darken"};
inline constexpr StringKey kDetailsVC{kDetails, "gtavc",
                                      "Asphalt|Concrete|Grass|Sand|Water|Bark|Stucco|Rock|Fabric"};

// Section "rules": key = the open index file's name in lower case, value = the codec
// family forced on import ("dxt", "etc", "pvr" or "unc").
inline constexpr const char* kRules = "rules";

} // namespace Settings

int IniReadInt(const Settings::IntKey& key);
void IniWriteInt(const Settings::IntKey& key, int value);
std::string IniReadString(const Settings::StringKey& key);
