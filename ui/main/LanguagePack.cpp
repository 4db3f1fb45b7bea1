#include "ui/main/LanguagePack.h"

#include "app/Log.h"
#include "app/ProgramFolders.h"
#include "lang/include/TessarineLanguage.h"
#include "platform/DynamicLibrary.h"
#include "platform/Files.h"
#include "raster/PluginHost.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace {

constexpr const char* kExtension = ".so";
// A pack holds a few hundred texts; a table without its closing entry stops here instead
// of running through the library's memory.
constexpr size_t kMaxEntries = 4096;
// No interface text comes near this; a longer one is cut here.
constexpr size_t kMaxTextBytes = 8192;

QString Text(const char* text) {
    return QString::fromUtf8(text, static_cast<qsizetype>(strnlen(text, kMaxTextBytes)));
}

template <class Entry> size_t TableSize(const Entry* table) {
    size_t count = 0;
    while (count < kMaxEntries && table[count].text)
        ++count;
    return count;
}

void Drop(const std::string& title, const char* table, int id, const char* why) {
    LogPrintA("CDlgMain:  - ERROR: language '%s': %s %d left out: %s\n", title.c_str(), table, id,
              why);
}

void TakeStrings(const TessarineText* table, const std::string& title, Res::Overrides& texts) {
    const std::vector<int> ids = Res::StringIds();
    const std::set<int> known(ids.begin(), ids.end());
    for (size_t i = 0, n = TableSize(table); i < n; ++i) {
        const int id = table[i].id;
        const QString text = Text(table[i].text);
        if (!known.count(id))
            Drop(title, "string", id, "no such string");
        else if (Res::Conversions(text) != Res::Conversions(Res::BuiltInString(id)))
            Drop(title, "string", id, "its placeholders differ from the program's");
        else
            texts.strings[id] = text;
    }
}

void TakeMenus(const TessarineText* table, const std::string& title, Res::Overrides& texts) {
    const std::vector<int> ids = Res::MenuIds();
    const std::set<int> known(ids.begin(), ids.end());
    for (size_t i = 0, n = TableSize(table); i < n; ++i) {
        if (known.count(table[i].id))
            texts.menus[table[i].id] = Text(table[i].text);
        else
            Drop(title, "menu item", table[i].id, "no such menu item");
    }
}

void TakeDialogs(const TessarineDialogText* table, const std::string& title,
                 Res::Overrides& texts) {
    const std::vector<Res::DialogKey> keys = Res::DialogIds();
    const std::set<Res::DialogKey> known(keys.begin(), keys.end());
    for (size_t i = 0, n = TableSize(table); i < n; ++i) {
        const Res::DialogKey key{table[i].dialog, table[i].control};
        if (known.count(key))
            texts.dialogs[key] = Text(table[i].text);
        else
            Drop(title, "dialog control", key.second, "no such dialog control");
    }
}

void TakeTexts(const TessarineSourceText* table, const std::string& title, Res::Overrides& texts) {
    const std::vector<QString> known = Res::WindowTexts();
    size_t count = 0;
    while (count < kMaxEntries && table[count].source)
        ++count;
    for (size_t i = 0; i < count; ++i) {
        const QString source = Text(table[i].source);
        const QString text = table[i].text ? Text(table[i].text) : QString();
        if (std::find(known.begin(), known.end(), source) == known.end())
            Drop(title, "text", int(i), "no such text");
        else if (text.isEmpty() || Res::Conversions(text) != Res::Conversions(source))
            Drop(title, "text", int(i), "its placeholders differ from the program's");
        else
            texts.texts[source] = text;
    }
}

// A file title names a file inside the folder and nothing else.
bool IsPlainTitle(const std::string& title) {
    return !title.empty() && title != "." && title != ".." &&
           title.find('/') == std::string::npos && title.find('\0') == std::string::npos;
}

} // namespace

std::string LanguagesFolder() {
    return ProgramFolders::Find(ProgramFolders::kLanguagesFolder);
}

std::vector<std::string> ListLanguageFiles(const std::string& folder) {
    std::vector<std::string> titles;
    for (const std::string& name : Files::SearchFolder(folder, kExtension))
        titles.push_back(name.substr(0, name.size() - std::strlen(kExtension)));
    return titles;
}

std::unique_ptr<LanguagePack> LoadLanguagePack(const std::string& folder,
                                               const std::string& title) {
    if (!IsPlainTitle(title))
        return nullptr;
    const std::string path = folder + "/" + title + kExtension;
    if (!CDynamicLibrary::IsWholeLibraryFile(path)) {
        LogPrintA("CDlgMain:  - ERROR: %s is no whole library of this machine\n", path.c_str());
        return nullptr;
    }
    auto library = LoadCheckedLibrary(path, TESSARINE_TYPE_LANGUAGE, TESSARINE_MIN_LANGUAGE_BUILD);
    if (!library)
        return nullptr;
    const auto strings = library->Function<const TessarineText* (*)()>("GetLanguageStrings");
    const auto menus = library->Function<const TessarineText* (*)()>("GetLanguageMenus");
    const auto dialogs = library->Function<const TessarineDialogText* (*)()>("GetLanguageDialogs");
    if (!strings || !menus || !dialogs || !strings() || !menus() || !dialogs()) {
        LogPrintA("CDlgMain:  - ERROR: language '%s' carries no texts\n", title.c_str());
        return nullptr;
    }
    auto pack = std::make_unique<LanguagePack>();
    TakeStrings(strings(), title, pack->texts);
    TakeMenus(menus(), title, pack->texts);
    TakeDialogs(dialogs(), title, pack->texts);
    if (const auto sourced =
            library->Function<const TessarineSourceText* (*)()>("GetLanguageTexts"))
        if (const TessarineSourceText* table = sourced())
            TakeTexts(table, title, pack->texts);
    if (const auto locale = library->Function<const char* (*)()>("GetLanguageLocale"))
        if (const char* code = locale())
            pack->locale = Text(code);
    pack->library = std::move(library);
    return pack;
}
