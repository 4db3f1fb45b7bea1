#pragma once
// The interface texts: the string table (ids 106-177), the menu item texts keyed by
// command id, and the texts of dialog controls keyed by dialog and control. A language
// pack replaces entries of any of them; what it leaves out keeps the program's own text.
#include "ui/tools/ToolTexts.h"

#include <QString>
#include <map>
#include <utility>
#include <vector>

namespace Res {

// Dialogs with texts of their own, and their controls; control 0 is the caption.
enum Dialog : int { kAboutDialog = 100, kRenderDialog = 129 };
enum Control : int { kCaption = 0, kAboutOk = 1, kRenderFailed = 1043 };
// Popups of the codec family menus, which the plug-in host names in English.
enum PluginPopup : int { kPluginChoice = 13, kPluginQuality = 14, kPluginDithering = 15 };
// The File menu's list of the caches opened last.
inline constexpr int kRecentCachesMenu = 16;
// The Tools menu's alias list, and the popups of the tree's context menus.
inline constexpr int kAliasListMenu = 17;
inline constexpr int kContextCategoryMenu = 18;
inline constexpr int kContextDetailMenu = 19;
inline constexpr int kContextPropertiesMenu = 20;
// The "Information" item of every codec family menu shares this text.
inline constexpr int kPluginInformation = 40404;

using DialogKey = std::pair<int, int>;

// Texts of the window that the string table does not hold, keyed by their English
// wording; a pack may translate them too.
namespace Texts {
inline constexpr const char* kCacheUnloaded = "Cache unloaded.";
inline constexpr const char* kCacheCreated = "Cache was successfully created.";
inline constexpr const char* kNoCachesCreated = "No caches created.";
inline constexpr const char* kCacheNotLoaded = "Cache is not loaded.";
inline constexpr const char* kNoThumbnails = "No thumbnails loaded.";
inline constexpr const char* kMipLevel = "Mip Level #%02d (%d x %d)";
inline constexpr const char* kChangedOnDisk =
    "Another program changed this cache since it was opened.\n\nDo you want to reload it?";
inline constexpr const char* kRecentCacheGone =
    "This cache is no longer there; it is taken off the list of recent caches.";
inline constexpr const char* kFilter = "Filter";
inline constexpr const char* kNoSpaces = "No spaces allowed";
inline constexpr const char* kCannotImport = "Cannot import %s:\n%s\nContinue?";
inline constexpr const char* kExportCancelled = "Export cancelled after %d textures.\n";
inline constexpr const char* kExportFailures = "%d of %d textures could not be exported:";
inline constexpr const char* kExportAliases = "Do you want to export aliases too?";
inline constexpr const char* kExportAllCaption = "Export all";
inline constexpr const char* kExportCategoryCaption = "Export '%s' category";
inline constexpr const char* kImportWithAlpha = "Import With Alpha";
inline constexpr const char* kImportWithoutAlpha = "Import Without Alpha";
inline constexpr const char* kImporting = "Importing images...";
inline constexpr const char* kExporting = "Exporting textures...";
inline constexpr const char* kTexturesExported = "%d textures exported.";
inline constexpr const char* kImagesImported = "%d of %d images imported.";
inline constexpr const char* kNothingFound = "No textures found.";
// The same refusal as the synchronizer's, so the language packs translate it once.
inline constexpr const char* kOutOfPlace = ToolTexts::kRecordsOutOfOrder;
inline constexpr const char* kNameRefused = "The name '%s' cannot be used: %s.";
inline constexpr const char* kCategoryNamePrompt = "Category name";
inline constexpr const char* kNewCategoryCaption = "Create new category";
inline constexpr const char* kAliasNamePrompt = "Alias name:";
inline constexpr const char* kTextureExists = "Texture already exists";
inline constexpr const char* kFindPrompt = "Find what:";
inline constexpr const char* kFindCaption = "Find texture";
// The questions of the checks made when a cache opens.
inline constexpr const char* kNoIndexPrompt =
    "Whoa! No TXT database found.\n\nDo you want to build new database?\n(Tessarine can't "
    "work without txt database)";
inline constexpr const char* kBadTocPrompt =
    "%s.TOC file is corrupted.\r\n\r\nDo you want to fix it?";
inline constexpr const char* kBadTmbPrompt =
    "%s.TMB file is corrupted, it can hang game loading.\r\n\r\nDo you wanna apply fast fix?";
} // namespace Texts

QString String(int id);
// A string table entry used as a printf format, filled with QString::asprintf rules.
template <class... A> QString Format(int id, A... args) {
    return QString::asprintf(String(id).toUtf8().constData(), args...);
}
QString MenuText(int commandId);
// A file filter of the string table ("Name (*.a)|*.a|Other|*.b|") as Qt's file dialogs take
// it ("Name (*.a);;Other (*.b)").
QString FileFilter(int stringId);
QString DialogText(int dialog, int control);
// One of Texts in the interface language.
QString Text(const char* english);
template <class... A> QString FormatText(const char* english, A... args) {
    return QString::asprintf(Text(english).toUtf8().constData(), args...);
}

// The program's own texts, whatever pack is in use.
QString BuiltInString(int id);
QString BuiltInMenuText(int id);
QString BuiltInDialogText(int dialog, int control);
// Every id the program has a text for.
std::vector<int> StringIds();
std::vector<int> MenuIds();
std::vector<DialogKey> DialogIds();
std::vector<QString> WindowTexts();

// The printf conversions of a text with their flags, in order ("%s %0.2f" gives "s0.2f",
// "%%" nothing), so a translated format can be held against the program's own before it
// is ever filled in.
QString Conversions(const QString& text);

struct Overrides {
    std::map<int, QString> strings;
    std::map<int, QString> menus;
    std::map<DialogKey, QString> dialogs;
    std::map<QString, QString> texts; // by English wording
};
// Replacements from a language pack; empty maps restore the program's own texts.
void SetOverrides(Overrides overrides);

} // namespace Res
