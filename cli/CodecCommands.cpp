// tessarine-cli commands that go through the codec plug-ins: import and plugins.
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "cache/NameRules.h"
#include "cli/Cli.h"
#include "pipeline/CacheHelper.h"
#include "pipeline/EncodeAhead.h"
#include "pipeline/ImportImage.h"
#include "platform/Files.h"
#include "platform/PathCheck.h"
#include "platform/Processors.h"
#include "raster/ImageFile.h"
#include "raster/PluginHost.h"
#include "raster/PluginMenu.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <tuple>
#include <unistd.h>

using namespace Cli;

namespace {

void PrintMenu(const std::vector<MenuEntry>& items, int depth) {
    for (const MenuEntry& item : items) {
        std::string label = item.label;
        std::replace(label.begin(), label.end(), '\t', ' ');
        label.erase(std::remove(label.begin(), label.end(), '&'), label.end());
        if (item.separator)
            std::printf("%*s----\n", depth * 2, "");
        else if (item.popup)
            std::printf("%*s%s%s\n", depth * 2, "", label.c_str(), item.greyed ? " (greyed)" : "");
        else
            std::printf("%*s%s %s [%d]%s\n", depth * 2, "", item.checked ? "(*)" : "( )",
                        label.c_str(), item.id, item.greyed ? " (greyed)" : "");
        PrintMenu(item.items, depth + 1);
    }
}

} // namespace

int CommandPlugins(const Args& args) {
    PluginSession plugins;
    if (!args.positional.empty() && args.positional[0] == "menu") {
        // The editor's plug-in menus, and their commands by id.
        if (args.positional.size() == 2) {
            const int id = std::atoi(args.positional[1].c_str());
            if (id < kPluginCommandFirst || id > kPluginCommandLast)
                throw Failure{kBadInput, "plug-in commands are 40400 to 40600"};
            RunPluginCommand(id);
        }
        PrintMenu(BuildPluginMenus(), 0);
        return kDone;
    }
    if (!args.positional.empty()) {
        if (args.positional[0] != "set" || args.positional.size() != 2)
            throw Failure{kBadInput, "usage: tessarine-cli plugins [set FAMILY [--plugin FILE] "
                                     "[--quality N] [--dithering N]]"};
        std::optional<CodecFamily> named;
        for (CodecFamily f : kAllFamilies)
            if (args.positional[1] == FamilyName(f))
                named = f;
        if (!named)
            throw Failure{kBadInput, "the families are DXT, ETC1, PVRTC and UNC"};
        const CodecFamily family = *named;
        const char* section = Settings::kFamilySections[Slot(family)];
        if (args.Has("--plugin")) {
            const int plugin = FindPlugin(args.Get("--plugin"));
            if (plugin < 0 || !PluginSupports(family, plugin))
                throw Failure{kRefused, "no loaded plug-in '" + args.Get("--plugin") + "' serves " +
                                            FamilyName(family)};
            if (IniReadString(section, Settings::kPluginKey) != args.Get("--plugin")) {
                IniWriteString(section, Settings::kPluginKey, args.Get("--plugin"));
                IniWriteInt(section, Settings::kQualityKey, 0);
                IniWriteInt(section, Settings::kDitheringKey, 0);
            }
        }
        const int plugin = FindPlugin(IniReadString(section, Settings::kPluginKey));
        for (const auto& [option, key, selector] :
             {std::tuple{"--quality", Settings::kQualityKey, TESSARINE_INFO_QUALITY_NAMES},
              std::tuple{"--dithering", Settings::kDitheringKey, TESSARINE_INFO_DITHERING_NAMES}}) {
            if (!args.Has(option))
                continue;
            const int value = std::atoi(args.Get(option).c_str());
            const int count = static_cast<int>(PluginInfoList(plugin, selector).size());
            if (value < 0 || value >= std::max(count, 1) || value > 4)
                throw Failure{kBadInput, std::string(option) + " is out of the plug-in's range"};
            IniWriteInt(section, key, value);
        }
    }
    const bool json = args.Has("--json");
    if (json)
        std::printf("[");
    for (int family = 0; family < kFamilyCount; ++family) {
        const char* section = Settings::kFamilySections[family];
        const std::string name = IniReadString(section, Settings::kPluginKey);
        const int plugin = FindPlugin(name);
        const auto qualities = PluginInfoList(plugin, TESSARINE_INFO_QUALITY_NAMES);
        const auto ditherings = PluginInfoList(plugin, TESSARINE_INFO_DITHERING_NAMES);
        const int quality = IniReadInt(section, Settings::kQualityKey, 0);
        const int dithering = IniReadInt(section, Settings::kDitheringKey, 0);
        const auto pick = [](const std::vector<std::string>& list, int i) {
            return i >= 0 && i < static_cast<int>(list.size()) ? list[size_t(i)] : std::string("-");
        };
        if (json) {
            std::printf(
                "%s{\"family\": \"%s\", \"plugin\": %s, \"title\": %s, \"quality\": %d, "
                "\"dithering\": %d}",
                family ? ", " : "", kFamilyNames[family], plugin < 0 ? "null" : Json(name).c_str(),
                Json(PluginInfoText(plugin, TESSARINE_INFO_TITLE)).c_str(), quality, dithering);
            continue;
        }
        if (plugin < 0) {
            std::printf("%-6s no plug-in\n", kFamilyNames[family]);
            continue;
        }
        std::printf("%-6s %s (%s); quality %d %s; dithering %d %s\n", kFamilyNames[family],
                    name.c_str(), PluginInfoText(plugin, TESSARINE_INFO_TITLE).c_str(), quality,
                    pick(qualities, quality).c_str(), dithering,
                    pick(ditherings, dithering).c_str());
    }
    if (json)
        std::printf("]\n");
    return kDone;
}

namespace Cli {

StoreResult StoreBitmap(CTextureDatabase& db, CCacheHelper& helper, const Bitmap32& bitmap,
                        const std::string& name, bool withAlpha, int category, bool uncompressed,
                        int game, bool replace) {
    helper.SetDatabase(&db);
    const StoreResult result =
        StoreImage(helper, bitmap, name, withAlpha, category, uncompressed, game, replace);
    if (result == StoreResult::kNoGame)
        throw Failure{kRefused, "no game chosen for the cache: give --game 1 (Vice City) or "
                                "--game 2 (San Andreas)"};
    return result;
}

} // namespace Cli

namespace {

// One image of an import: its file and the texture name taken from it.
struct ImportFile {
    std::string path;
    std::string name;
};

// The texture name an image file gives: its file name up to the first dot.
std::string NameOfImage(const std::string& path) {
    const std::string file = Files::FileNameOf(path);
    return file.substr(0, file.find('.'));
}

// Every file is checked before the cache is touched: a file that cannot be read or whose
// name the index cannot hold stops the import with nothing imported.
std::vector<ImportFile> CheckImportFiles(const Args& args) {
    std::vector<ImportFile> files;
    std::string problems;
    for (size_t i = 1; i < args.positional.size(); ++i) {
        ImportFile file{args.positional[i], NameOfImage(args.positional[i])};
        std::string problem;
        const PathCheck::Kind kind = PathCheck::KindOf(file.path);
        if (kind == PathCheck::Kind::kMissing || kind == PathCheck::Kind::kFile)
            problem = PathCheck::ReadProblem(file.path);
        else
            problem = "not a file";
        if (problem.empty())
            problem = DescribeNameProblem(CheckTextureName(file.name));
        for (const ImportFile& earlier : files)
            if (problem.empty() && earlier.name == file.name)
                problem = "its texture name '" + file.name + "' is that of " + earlier.path;
        if (!problem.empty())
            problems += "\n  " + file.path + ": " + problem;
        files.push_back(std::move(file));
    }
    if (!problems.empty())
        throw Failure{kBadInput, "nothing imported:" + problems};
    return files;
}

// The images after the current one, read and encoded on the other cores while the current
// one is stored; the cache takes an encoding only when it is the one a one-by-one import
// would make, so the files come out the same byte for byte.
class ImportAhead {
public:
    ImportAhead(CTextureDatabase& db, CCacheHelper& helper, const std::vector<ImportFile>& files,
                int category, bool withAlpha, bool uncompressed, bool replace)
        : m_Db(db), m_Helper(helper), m_Files(files), m_Bitmaps(files.size()),
          m_Requests(files.size()), m_Settings(files.size()), m_Started(files.size()) {
        const int threads = UsableProcessors();
        // Plug-ins that may not be entered twice at once keep the import one by one.
        if (files.size() > 1 && CompressorsThreadSafe()) {
            m_pAhead = std::make_unique<CEncodeAhead>(threads);
            m_nWindow = size_t(threads) * 2;
            m_Helper.SetEncodeAhead(m_pAhead.get());
        }
        for (size_t i = 0; i < files.size(); ++i) {
            m_Requests[i].name = files[i].name;
            m_Requests[i].withAlpha = withAlpha;
            m_Requests[i].category = category;
            m_Requests[i].uncompressed = uncompressed;
            m_Requests[i].forcedFamily = ForcedFamily(db, category);
        }
        m_bReplace = replace;
    }
    ~ImportAhead() {
        m_Helper.SetEncodeAhead(nullptr);
        m_pAhead.reset(); // before the bitmaps it may still read
    }

    // Reads image i and queues the encodings of the images up to the window after it.
    void Prepare(size_t i) {
        const size_t last = m_pAhead ? std::min(i + m_nWindow, m_Files.size() - 1) : i;
        for (; m_nRead <= last; ++m_nRead) {
            const size_t k = m_nRead;
            m_Bitmaps[k] = LoadBitmapFromFile(m_Files[k].path);
            EncodeRequest& request = m_Requests[k];
            request.bitmap = m_Bitmaps[k].get();
            // An image the cache will skip or refuse is not worth encoding.
            if (!m_pAhead || !request.bitmap ||
                !EncodableSize(request.bitmap->Width(), request.bitmap->Height(),
                               request.forcedFamily) ||
                (!m_bReplace && m_Db.FindTexture(request.name, true) >= 0))
                continue;
            m_Settings[k] = m_Helper.CurrentEncodeSettings(request);
            m_pAhead->Start(request, m_Settings[k]);
            m_Started[k] = true;
        }
    }
    std::unique_ptr<Bitmap32> TakeBitmap(size_t i) { return std::move(m_Bitmaps[i]); }
    // Image i is stored or skipped: an encoding the cache did not take is dropped.
    void Done(size_t i) {
        if (m_Started[i])
            m_pAhead->Take(m_Requests[i], m_Settings[i]);
    }
    struct DoneGuard {
        ImportAhead& ahead;
        size_t index;
        ~DoneGuard() { ahead.Done(index); }
    };

private:
    CTextureDatabase& m_Db;
    CCacheHelper& m_Helper;
    const std::vector<ImportFile>& m_Files;
    std::vector<std::unique_ptr<Bitmap32>> m_Bitmaps;
    std::vector<EncodeRequest> m_Requests;
    std::vector<EncodeSettings> m_Settings;
    std::vector<bool> m_Started;
    std::unique_ptr<CEncodeAhead> m_pAhead;
    size_t m_nWindow = 0, m_nRead = 0;
    bool m_bReplace = false;
};

struct ImportTally {
    std::vector<std::string> imported, skipped, failed;

    std::string Summary(size_t total) const {
        std::string text = "imported " + std::to_string(imported.size()) + " of " +
                           std::to_string(total) + " images";
        if (!skipped.empty())
            text += ", skipped " + std::to_string(skipped.size()) + " existing";
        if (!failed.empty())
            text += ", " + std::to_string(failed.size()) + " failed";
        return text;
    }
};

} // namespace

int CommandImport(const Args& args) {
    NeedAtLeast(args, 2,
                "import INDEX IMAGE... [--category NAME] [--no-alpha] [--uncompressed] "
                "[--replace] [--game N]");
    const std::vector<ImportFile> files = CheckImportFiles(args);
    PluginSession plugins;
    auto db = OpenCache(args, 0, Access::kWrite);
    RequireDataFiles(*db);
    const int category = ImportCategory(*db, args);
    const int game = ImportGame(*db, args);
    CCacheHelper helper(db.get());
    ImportTally tally;
    const bool withAlpha = !args.Has("--no-alpha"), uncompressed = args.Has("--uncompressed");
    const bool replace = args.Has("--replace");
    ImportAhead ahead(*db, helper, files, category, withAlpha, uncompressed, replace);
    try {
        for (size_t i = 0; i < files.size(); ++i) {
            const ImportFile& file = files[i];
            Progress(i + 1, files.size(), Shown(file.name));
            ahead.Prepare(i);
            std::unique_ptr<Bitmap32> bitmap = ahead.TakeBitmap(i);
            if (!bitmap) {
                std::fprintf(stderr,
                             "tessarine-cli import: %s not imported: not an image this "
                             "program reads\n",
                             Shown(file.path).c_str());
                tally.failed.push_back(file.path);
                continue;
            }
            if (!EncodableSize(bitmap->Width(), bitmap->Height(), ForcedFamily(*db, category))) {
                std::fprintf(stderr,
                             "tessarine-cli import: %s not imported: its size %ux%u is "
                             "not a power of two\n",
                             Shown(file.path).c_str(), bitmap->Width(), bitmap->Height());
                tally.failed.push_back(file.path);
                continue;
            }
            // However the store ends, no encoding of this bitmap outlives it.
            const ImportAhead::DoneGuard done{ahead, i};
            switch (StoreBitmap(*db, helper, *bitmap, file.name, withAlpha, category, uncompressed,
                                game, replace)) {
            case StoreResult::kExists:
                std::fprintf(stderr, "tessarine-cli import: '%s' exists; --replace replaces it\n",
                             Shown(file.name).c_str());
                tally.skipped.push_back(file.path);
                continue;
            case StoreResult::kOutOfPlace:
                std::fprintf(stderr, "tessarine-cli import: '%s' not replaced: %s\n",
                             Shown(file.name).c_str(), kOutOfPlaceText);
                tally.failed.push_back(file.path);
                continue;
            case StoreResult::kNoGame:
                throw Failure{kRefused, "no game chosen for the cache: give --game 1 (Vice City) "
                                        "or --game 2 (San Andreas)"};
            case StoreResult::kStored:
                break;
            }
            tally.imported.push_back(file.path);
        }
    } catch (...) {
        // What was imported before the failure stays imported: say so, and what was not.
        std::fprintf(stderr, "tessarine-cli import: stopped: %s; not imported: %zu\n",
                     tally.Summary(files.size()).c_str(), files.size() - tally.imported.size());
        throw;
    }
    db->Flush();
    std::printf("%s\n", tally.Summary(files.size()).c_str());
    if (!tally.failed.empty())
        return kBadInput;
    return tally.skipped.empty() ? kDone : kRefused;
}
