// tessarine-cli commands that go through the codec plug-ins: import, export, plugins.
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "cli/Cli.h"
#include "platform/Files.h"
#include "raster/CacheHelper.h"
#include "raster/ImageFile.h"
#include "raster/ImportImage.h"
#include "raster/PluginHost.h"
#include "raster/PluginMenu.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
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
        int family = -1;
        for (int f = 0; f < kFamilyCount; ++f)
            if (args.positional[1] == kFamilyNames[f])
                family = f;
        if (family < 0)
            throw Failure{kBadInput, "the families are DXT, ETC1, PVRTC and UNC"};
        const char* section = Settings::kFamilySections[family];
        if (args.Has("--plugin")) {
            const int plugin = FindPlugin(args.Get("--plugin"));
            if (plugin < 0 || !PluginSupports(family, plugin))
                throw Failure{kRefused, "no loaded plug-in '" + args.Get("--plugin") + "' serves " +
                                            kFamilyNames[family]};
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

int CommandExport(const Args& args) {
    if (args.positional.empty() || !args.Has("--out"))
        throw Failure{kBadInput, "usage: tessarine-cli export INDEX [TEXTURE...] [--category NAME] "
                                 "--out FILE|FOLDER [--format png|bmp|gif|jpg|tif] [--cache C] "
                                 "[--level N] [--thumb] [--aliases]"};
    PluginSession plugins;
    auto db = OpenCache(args);
    const int cache = args.Has("--cache") ? CacheIndex(args.Get("--cache")) : db->PrimaryCache();
    if (cache < 0 || (args.Has("--thumb") ? !db->IsTmbOpen(cache) : !db->IsDatOpen(cache)))
        throw Failure{kRefused, "that cache has no files to export from"};
    std::vector<int> textures;
    for (size_t i = 1; i < args.positional.size(); ++i)
        textures.push_back(FindTexture(*db, args.positional[i]));
    if (textures.empty()) {
        const int only = args.Has("--category") ? FindCategory(*db, args.Get("--category")) : -1;
        for (int t = 0; t < db->TextureCount(); ++t)
            if ((only < 0 || db->GetTextureCategory(t) == only) &&
                (!db->IsAlias(t) || args.Has("--aliases")))
                textures.push_back(t);
    }
    const std::string out = args.Get("--out");
    const std::string format = args.Get("--format", "png");
    const bool toFile =
        textures.size() == 1 && !Extension(out).empty() && !std::filesystem::is_directory(out);
    if (!toFile)
        std::filesystem::create_directories(out);
    if (EncoderForExtension(toFile ? Extension(out) : format, nullptr) < 0)
        throw Failure{kBadInput,
                      "no image encoder for '" + (toFile ? Extension(out) : format) + "'"};
    const uint32_t level = static_cast<uint32_t>(std::atoi(args.Get("--level", "0").c_str()));
    CCacheHelper helper(db.get());
    int failed = 0;
    for (size_t i = 0; i < textures.size(); ++i) {
        const std::string name = db->GetTextureName(textures[i]);
        Progress(i + 1, textures.size(), name);
        auto bitmap = helper.DecodeCacheTexture(textures[i], cache, level, args.Has("--thumb"));
        const std::string path = toFile ? out : out + "/" + name + "." + format;
        if (!bitmap || !SaveBitmapByExtension(*bitmap, path)) {
            std::fprintf(stderr, "tessarine-cli export: could not export %s\n", name.c_str());
            ++failed;
        }
    }
    std::printf("exported %zu of %zu textures to %s\n", textures.size() - failed, textures.size(),
                out.c_str());
    return failed ? kRefused : kDone;
}

namespace Cli {

StoreResult StoreBitmap(CTextureDatabase& db, CCacheHelper& helper, const Bitmap32& bitmap,
                        const std::string& name, bool withAlpha, int category, bool uncompressed,
                        int game, bool replace) {
    const int existing = db.FindTexture(name, true);
    if (existing >= 0 && !replace)
        return StoreResult::kExists;
    CEditScope edit(db);
    // The old texture's aliases follow the new one, which takes the last index.
    if (existing >= 0 && !db.DeleteTexture(existing, db.TextureCount() - 1, true))
        return StoreResult::kOutOfPlace;
    if (!ImportImage(helper, bitmap, name, withAlpha, category, uncompressed, -1, game))
        throw Failure{kRefused, "no game chosen for the cache: give --game 1 (Vice City) or "
                                "--game 2 (San Andreas)"};
    db.SetCategory(db.TextureCount() - 1, category);
    return StoreResult::kStored;
}

} // namespace Cli

int CommandImport(const Args& args) {
    if (args.positional.size() < 2)
        throw Failure{kBadInput, "usage: tessarine-cli import INDEX IMAGE... [--category NAME] "
                                 "[--no-alpha] [--uncompressed] [--replace] [--game N]"};
    PluginSession plugins;
    auto db = OpenCacheForEdit(args);
    const int category = ImportCategory(*db, args);
    const int game = ImportGame(*db, args);
    CCacheHelper helper(db.get());
    int imported = 0, skipped = 0;
    const size_t files = args.positional.size() - 1;
    for (size_t i = 1; i < args.positional.size(); ++i) {
        const std::string& file = args.positional[i];
        std::string name = Files::FileNameOf(file);
        name = name.substr(0, name.find('.'));
        Progress(i, files, name);
        auto bitmap = LoadBitmapFromFile(file);
        if (!bitmap)
            throw Failure{kBadInput, "cannot read the image '" + file + "'"};
        switch (StoreBitmap(*db, helper, *bitmap, name, !args.Has("--no-alpha"), category,
                            args.Has("--uncompressed"), game, args.Has("--replace"))) {
        case StoreResult::kExists:
            std::fprintf(stderr, "tessarine-cli import: '%s' exists; --replace replaces it\n",
                         name.c_str());
            ++skipped;
            continue;
        case StoreResult::kOutOfPlace:
            std::fprintf(stderr, "tessarine-cli import: '%s' not replaced: %s\n", name.c_str(),
                         kOutOfPlaceText);
            ++skipped;
            continue;
        case StoreResult::kNoGame:
            throw Failure{kRefused, "no game chosen for the cache: give --game 1 (Vice City) or "
                                    "--game 2 (San Andreas)"};
        case StoreResult::kStored:
            break;
        }
        ++imported;
    }
    db->Flush();
    std::printf("imported %d images%s\n", imported,
                skipped ? (", skipped " + std::to_string(skipped)).c_str() : "");
    return skipped ? kRefused : kDone;
}
