// tessarine-cli export: cache textures as image files, decoded by the codec plug-ins.
#include "cli/Cli.h"
#include "pipeline/CacheHelper.h"
#include "pipeline/ExportTextures.h"
#include "platform/Files.h"
#include "platform/SafeFileName.h"
#include "raster/ImageFile.h"

#include <cstdio>
#include <filesystem>

using namespace Cli;

namespace {

const char kUsage[] = "usage: tessarine-cli export INDEX [TEXTURE...] [--category NAME] --out "
                      "FILE|FOLDER [--format png|bmp|gif|jpg|tif] [--cache C] [--level N] "
                      "[--thumb] [--aliases]";

// The mip level asked for by --level: a number, 0 without the option.
uint32_t RequestedLevel(const Args& args) {
    constexpr long kLastLevel = 15; // a side of 32768 halves 15 times
    const std::string text = args.Get("--level", "0");
    char* end = nullptr;
    const long level = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || level < 0 || level > kLastLevel)
        throw Failure{kBadInput, "--level takes a mip level from 0 to 15"};
    return static_cast<uint32_t>(level);
}

// The textures named, else those of --category, else all; aliases only when named or with
// --aliases.
std::vector<int> ChosenTextures(CTextureDatabase& db, const Args& args) {
    std::vector<int> textures;
    for (size_t i = 1; i < args.positional.size(); ++i)
        textures.push_back(FindTexture(db, args.positional[i]));
    if (!textures.empty())
        return textures;
    const int only = args.Has("--category") ? FindCategory(db, args.Get("--category")) : -1;
    for (int t = 0; t < db.TextureCount(); ++t)
        if ((only < 0 || db.GetTextureCategory(t) == only) &&
            (!db.IsAlias(t) || args.Has("--aliases")))
            textures.push_back(t);
    return textures;
}

// Says something about one texture on stderr.
void Report(const std::string& message) {
    std::fprintf(stderr, "tessarine-cli export: %s\n", Shown(message).c_str());
}

} // namespace

int CommandExport(const Args& args) {
    if (args.positional.empty() || !args.Has("--out"))
        throw Failure{kBadInput, kUsage};
    const uint32_t level = RequestedLevel(args);
    const bool thumb = args.Has("--thumb");
    PluginSession plugins;
    auto db = OpenCache(args);
    const std::optional<CacheId> cache =
        args.Has("--cache") ? CacheNamed(args.Get("--cache")) : db->PrimaryCache();
    if (!cache || (thumb ? !db->IsTmbOpen(*cache) : !db->IsDatOpen(*cache)))
        throw Failure{kRefused, "that cache has no files to export from"};
    const std::vector<int> textures = ChosenTextures(*db, args);
    const auto [out, format, toFile] = ChooseExportTarget(args, textures.size());
    // Into a folder, texture names become file names inside it only, one file each.
    std::vector<ExportItem> items;
    SafeFileName::CNamer namer;
    if (!toFile)
        std::filesystem::create_directories(out);
    for (int texture : textures)
        items.push_back(
            {texture, toFile ? out : out + "/" + namer.Take(db->GetTextureName(texture), format)});
    CCacheHelper helper(db.get());
    const std::vector<ExportOutcome> outcomes =
        ExportTextures(helper, *cache, level, thumb, items, [](size_t done, size_t total) {
            Progress(done, total, "");
            return true;
        });
    size_t written = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        const std::string name = db->GetTextureName(items[i].texture);
        const std::string& problem = outcomes[i].problem;
        if (!outcomes[i].written) {
            Report(name + " not exported to " + items[i].path + ": " + problem);
            continue;
        }
        ++written;
        const std::string file = Files::FileNameOf(items[i].path);
        if (!toFile && file != name + "." + format)
            Report(name + " written as " + file);
    }
    std::printf("exported %zu of %zu textures to %s\n", written, textures.size(),
                Shown(out).c_str());
    return written == textures.size() && written > 0 ? kDone : kRefused;
}
