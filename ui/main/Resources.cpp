#include "ui/main/Resources.h"
#include "ui/tools/ToolTexts.h"

#include <QStringList>

namespace Res {

namespace {

const std::map<int, const char*> kStrings = {
    {106, "English (US)"},
    {107, "Vice City Cache list (*.txt)|*.txt|All Files (*.*)|*.*|"},
    {108, "Load the cache first!"},
    {109, "Portable Network Graphics (*.png)|*.png|Windows Bitmap (*.bmp)|*.bmp|GIF (*.gif)|*.gif|"
          "JPEG (*.jpg; *.jpeg)|*.jpg;*.jpeg|TIFF (*.tif)|*.tif|"},
    {110, "Error"},
    {111, "This is a development build of Tessarine. It changes your texture caches in place: "
          "keep a copy of the files you work on."},
    {112, "Tessarine %version%\nA texture cache editor for the mobile editions of GTA Vice "
          "City and San Andreas."},
    {114, "Texture name must be unique!"},
    {115, "Texture name cannot be empty!"},
    {116, "Are you sure you want to delete this category?"},
    {117, "Are you sure you want to delete this texture?"},
    {118, "RenderWare Texture Dictionary (*.txd)|*.txd|All Files (*.*)|*.*|"},
    {119, "It's allowed to delete only empty categories."},
    {121, "RenderWare Model File (*.dff)|*.dff|All files (*.*)|*.*|"},
    {122, "No caches found, lol.\n\nCheck .DAT, .TMB and .TOC files."},
    {123, "RW Version: 0x%08X"},
    {124, "Texture '%s' already exists. Would you like to replace it?"},
    {125, "Texture '%s' rendered within %0.2f seconds."},
    {126, "Done!"},
    {130, "Find"},
    {131, "No textures found. Do you want to try search from beginning?"},
    {136, "Radar map not found."},
    {138, "Text File (*.txt)|*.txt|All Files (*.*)|*.*|"},
    {139, "All Supported Formats|*.png;*.jpg;*.bmp;*.gif;*.jpeg;*.tif|Portable Network Graphics "
          "(*.png)|*.png|Windows Bitmap (*.bmp)|*.bmp|GIF (*.gif)|*.gif|JPEG (*.jpeg; "
          "*.jpg)|*.jpeg;*.jpg|TIFF (*.tif)|*.tif|"},
    {142, "GTA3 Archive (*.img)|*.img|All Files (*.*)|*.*|"},
    {144, "New"},
    {145, "Import"},
    {146, "Export"},
    {147, "Open"},
    {148, "Cache loaded within %.2f seconds."},
    {150, "Interface language changed"},
    {151, "File"},
    {152, "Size"},
    {153, "Offset"},
    {154, "Texture"},
    {155, "Info"},
    {156, "Dimensions"},
    {160, "Cache not loaded"},
    {161, "Not Found"},
    {162, "Category '%s' selected."},
    {163, "Do you want to continue?"},
    {166, "Yes for all?"},
    {167, "Do you want to delete all selected textures with its siblings?"},
    {168, "Select folder for export textures to:"},
    {169, "%d items selected"},
    {174, "&Debug Console"},
    {177, "Do you want to make this cache for San Andreas? \n\nIf you choose 'No' an Vice City "
          "cache will be created."},
};

const std::map<int, const char*> kMenus = {
    {40219, "&New..."},
    {40008, "&Open..."},
    {40222, "&Reload"},
    {40015, "&Close"},
    {40009, "E&xit"},
    {40091, "&Find..."},
    {40227, "Find &Next"},
    {40202, "With &Alpha..."},
    {40205, "&Without Alpha..."},
    {40273, "Uncompressed (32bpp)..."},
    {40012, "&Export..."},
    {40065, "Export &All..."},
    {40221, "Add New &Category..."},
    {40262, "Import &TXD..."},
    {40621, "&Thumbnails"},
    {40071, "Show &Categories"},
    {40046, "&Stretch Image"},
    {40043, "CStatic (this sucks)"},
    {40044, "GDI+"},
    {40045, "Direct X"},
    {40050, "None"},
    {40051, "Alpha"},
    {40052, "Fixed alpha"},
    {40053, "Single Color"},
    {40057, "Set Background Color..."},
    {40058, "&Next Cache"},
    {40059, "&Previous Cache"},
    {40300, "English (US)"},
    {40277, "&Radar Map Editor..."},
    {40617, "I&MG Tool..."},
    {40359, "Cache &Converter..."},
    {40601, "Cache &Optimizer..."},
    {40602, "Cache &Information..."},
    {40357, "&Export..."},
    {40358, "&Import..."},
    // The tree's context menus.
    {40006, "&Export..."},
    {40075, "&Rename"},
    {40207, "&Rename"},
    {40204, "Create &Alias..."},
    {40261, "Go To &Original"},
    {40271, "&Show All Aliases..."},
    {40076, "&Delete"},
    {40208, "&Delete"},
    {40209, "&Export all"},
    {40095, "&New Category..."},
    {40240, "&None"},
    {40362, "camnorm"},
    {40363, "hassibling"},
    {40364, "hasdetail"},
    {40365, "mipmode"},
    {40366, "streammode"},
    {40368, "hasbias"},
    {40278, "Check &Model (DFF)..."},
    {40279, "IMG &Synchronizer..."},
    {40281, "Import &IMG..."},
    {40604, "&Auto"},
    {40605, "GTA &Vice City"},
    {40606, "GTA &San Andreas"},
    {40085, "&Disable Startup Logo"},
    {40612, "&Pack Texture Data"},
    {40619, "Override Import &Rules"},
    {40019, "&Information"},
    {kPluginInformation, "&Information"},
    // Popups, keyed by their own numbers below the command range.
    {1, "&File"},
    {2, "&Edit"},
    {3, "&Textures"},
    {4, "&Import"},
    {5, "&View"},
    {6, "&Render"},
    {7, "&Background"},
    {8, "&Language"},
    {9, "&Tools"},
    {10, "&Options"},
    {11, "&Game"},
    {12, "&Help"},
    {kRecentCachesMenu, "&Recent Caches"},
    {kAliasListMenu, "&Alias List"},
    {kContextCategoryMenu, "&Category"},
    {kContextDetailMenu, "D&etail"},
    {kContextPropertiesMenu, "&Properties"},
    {kPluginChoice, "C&ompression Plugin"},
    {kPluginQuality, "&Compression Quality"},
    {kPluginDithering, "&Dithering"},
};

const std::map<DialogKey, const char*> kDialogs = {
    {{kAboutDialog, kCaption}, "About Tessarine"},
    {{kAboutDialog, kAboutOk}, "OK"},
    {{kRenderDialog, kRenderFailed}, "Texture cannot be rendered."},
};

// The console item's text lives in the string table.
constexpr int kConsoleCommand = 40014;
constexpr int kConsoleString = 174;

Overrides g_overrides;

template <class Key> QString Find(const std::map<Key, const char*>& table, const Key& key) {
    auto it = table.find(key);
    return it == table.end() ? QString() : QString::fromUtf8(it->second);
}

template <class Key> std::vector<Key> Keys(const std::map<Key, const char*>& table) {
    std::vector<Key> keys;
    for (const auto& entry : table)
        keys.push_back(entry.first);
    return keys;
}

} // namespace

QString BuiltInString(int id) {
    return Find(kStrings, id);
}
QString BuiltInMenuText(int id) {
    return Find(kMenus, id);
}
QString BuiltInDialogText(int dialog, int control) {
    return Find(kDialogs, {dialog, control});
}
std::vector<int> StringIds() {
    return Keys(kStrings);
}
std::vector<int> MenuIds() {
    return Keys(kMenus);
}
std::vector<DialogKey> DialogIds() {
    return Keys(kDialogs);
}

std::vector<QString> WindowTexts() {
    std::vector<QString> texts;
    for (const char* text : {Texts::kCacheUnloaded,
                             Texts::kCacheCreated,
                             Texts::kNoCachesCreated,
                             Texts::kCacheNotLoaded,
                             Texts::kNoThumbnails,
                             Texts::kMipLevel,
                             Texts::kChangedOnDisk,
                             Texts::kRecentCacheGone,
                             Texts::kFilter,
                             Texts::kNoSpaces,
                             Texts::kCannotImport,
                             Texts::kExportCancelled,
                             Texts::kExportFailures,
                             Texts::kExportAliases,
                             Texts::kExportAllCaption,
                             Texts::kExportCategoryCaption,
                             Texts::kImportWithAlpha,
                             Texts::kImportWithoutAlpha,
                             Texts::kImporting,
                             Texts::kExporting,
                             Texts::kTexturesExported,
                             Texts::kImagesImported,
                             Texts::kNothingFound,
                             Texts::kNameRefused,
                             Texts::kCategoryNamePrompt,
                             Texts::kNewCategoryCaption,
                             Texts::kAliasNamePrompt,
                             Texts::kTextureExists,
                             Texts::kFindPrompt,
                             Texts::kFindCaption,
                             Texts::kNoIndexPrompt,
                             Texts::kBadTocPrompt,
                             Texts::kBadTmbPrompt})
        texts.push_back(QString::fromUtf8(text));
    for (const char* text : ToolTexts::WindowTexts())
        texts.push_back(QString::fromUtf8(text));
    return texts;
}

QString Text(const char* english) {
    const QString source = QString::fromUtf8(english);
    auto it = g_overrides.texts.find(source);
    return it == g_overrides.texts.end() ? source : it->second;
}

QString String(int id) {
    if (auto it = g_overrides.strings.find(id); it != g_overrides.strings.end())
        return it->second;
    return BuiltInString(id);
}

QString FileFilter(int stringId) {
    const QStringList parts = String(stringId).split('|', Qt::SkipEmptyParts);
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << (parts[i].contains('(') ? parts[i] : parts[i] + " (" + parts[i + 1] + ")");
    return out.join(";;");
}

QString MenuText(int commandId) {
    if (commandId == kConsoleCommand)
        return String(kConsoleString);
    if (auto it = g_overrides.menus.find(commandId); it != g_overrides.menus.end())
        return it->second;
    return BuiltInMenuText(commandId);
}

QString DialogText(int dialog, int control) {
    if (auto it = g_overrides.dialogs.find({dialog, control}); it != g_overrides.dialogs.end())
        return it->second;
    return BuiltInDialogText(dialog, control);
}

QString Conversions(const QString& text) {
    static const QString kModifiers = QStringLiteral("-+ #0123456789.*hlLqjzt");
    QString conversions;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        qsizetype j = i + 1;
        while (j < text.size() && kModifiers.contains(text[j]))
            ++j;
        if (j >= text.size()) {
            conversions += '%'; // a lone '%' at the end still counts against a mismatch
            break;
        }
        if (text[j] != '%')
            conversions += text.mid(i + 1, j - i);
        i = j;
    }
    return conversions;
}

void SetOverrides(Overrides overrides) {
    g_overrides = std::move(overrides);
}

} // namespace Res
