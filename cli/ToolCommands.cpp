// tessarine-cli commands for whole-cache work: the radar map, the aliases of a texture,
// the cache's figures and alias lists.
#include "cache/AliasList.h"
#include "cache/CacheStatistics.h"
#include "cli/Cli.h"
#include "pipeline/RadarMap.h"
#include "raster/ImageFile.h"

#include <cstdio>

using namespace Cli;

namespace {

constexpr const char* kRadarUsage =
    "radar list INDEX [--cache C] [--json] | export INDEX --out FILE [--cache C] | import INDEX "
    "IMAGE [--no-alpha] [--game N] | optimize INDEX [--cache C] [--json]";
constexpr const char* kAliasListUsage =
    "alias-list export INDEX --out FILE | import INDEX FILE [--json]";

// --cache, else the first cache with a data file; fails when that cache has none.
CacheId ChosenCache(const CTextureDatabase& db, const Args& args) {
    std::optional<CacheId> chosen = db.PrimaryCache();
    if (args.Has("--cache")) {
        chosen = CacheNamed(args.Get("--cache"));
        if (!chosen)
            throw Failure{kBadInput, "--cache takes dxt, etc, pvr or unc"};
    }
    if (!chosen || !db.IsDatOpen(*chosen))
        throw Failure{kRefused, "that cache has no data file"};
    return *chosen;
}

RadarProgress TerminalProgress() {
    return [](int position, int total, const std::string& text) {
        Progress(size_t(position), size_t(total), text);
        return true;
    };
}

TileDecoder DecoderFor(CCacheHelper& helper, CacheId cache) {
    return [&helper, cache](int texture) -> std::unique_ptr<Bitmap32> {
        try {
            return helper.DecodeCacheTexture(texture, cache, 0, false);
        } catch (const CError& error) {
            std::fprintf(stderr, "tessarine-cli radar: texture #%d not decoded: %s\n", texture,
                         error.what());
            return nullptr;
        }
    };
}

void RequireTiles(CTextureDatabase& db) {
    if (CountRadarTiles(db) == 0)
        throw Failure{kRefused, "Radar map not found."};
}

int RadarList(const Args& args) {
    Need(args, 1, "radar list INDEX [--cache C] [--json]");
    auto db = OpenCache(args);
    const CacheId cache = ChosenCache(*db, args);
    const std::vector<RadarTile> tiles = ListRadarTiles(*db, cache);
    const int side = RadarGridSide(int(tiles.size()));
    if (args.Has("--json")) {
        std::printf("{\"cache\": %s, \"count\": %zu, \"grid\": %d, \"tiles\": [", Json(CacheName(cache)).c_str(),
                    tiles.size(), side);
        for (size_t k = 0; k < tiles.size(); ++k) {
            const RadarTile& t = tiles[k];
            std::printf("%s{\"name\": %s, \"id\": %d, \"width\": %d, \"height\": %d, \"format\": "
                        "%s, \"alias_of\": %s}",
                        k ? ", " : "", Json(t.name).c_str(), t.texture, t.width, t.height,
                        Json(t.format).c_str(),
                        t.aliasOf.empty() ? "null" : Json(t.aliasOf).c_str());
        }
        std::printf("]}\n");
    } else {
        std::printf("%zu radar tiles in a %d x %d grid (%s cache)\n", tiles.size(), side, side,
                    CacheName(cache));
        for (const RadarTile& t : tiles)
            std::printf("%-8s #%-5d %d x %d, %s%s%s\n", t.name.c_str(), t.texture, t.width,
                        t.height, t.format.c_str(), t.aliasOf.empty() ? "" : ", alias of ",
                        Shown(t.aliasOf).c_str());
    }
    return tiles.empty() ? kRefused : kDone;
}

int RadarExport(const Args& args) {
    Need(args, 1, "radar export INDEX --out FILE [--cache C]");
    if (!args.Has("--out") || args.Get("--out").empty())
        throw Failure{kBadInput, "radar export needs --out FILE"};
    const std::string out = args.Get("--out");
    EncoderClsid encoder;
    if (EncoderForExtension(Extension(out), &encoder) < 0)
        throw Failure{kBadInput, "no image format has the extension of '" + Shown(out) + "'"};
    PluginSession plugins;
    auto db = OpenCache(args);
    const CacheId cache = ChosenCache(*db, args);
    RequireTiles(*db);
    CCacheHelper helper(db.get());
    const std::unique_ptr<Bitmap32> map =
        AssembleRadarMap(*db, cache, DecoderFor(helper, cache), TerminalProgress());
    if (!map)
        throw Failure{kRefused, "the map could not be put together (radar00 has no size, or "
                                "the map is too large)"};
    if (!SaveBitmapToFile(*map, out, encoder))
        throw Failure{kRefused, "cannot write '" + Shown(out) + "'"};
    const int count = CountRadarTiles(*db);
    std::printf("%d tiles (%d x %d grid) written to %s as a %u x %u picture\n", count,
                RadarGridSide(count), RadarGridSide(count), Shown(out).c_str(), map->Width(),
                map->Height());
    return kDone;
}

int RadarImport(const Args& args) {
    Need(args, 2, "radar import INDEX IMAGE [--no-alpha] [--game N]");
    const std::string& path = args.positional[1];
    RequireReadableFile(path);
    const std::unique_ptr<Bitmap32> map = LoadBitmapFromFile(path);
    if (!map)
        throw Failure{kBadInput, "'" + Shown(path) + "' is not an image this program reads"};
    const RadarImageProblem problem = CheckRadarImage(map->Width(), map->Height());
    if (problem != RadarImageProblem::kNone)
        throw Failure{kBadInput, std::string(RadarImageMessage(problem)) + " (" +
                                     std::to_string(map->Width()) + " x " +
                                     std::to_string(map->Height()) + ")"};
    PluginSession plugins;
    auto db = OpenCache(args, 0, Access::kWrite);
    RequireDataFiles(*db);
    CCacheHelper helper(db.get());
    const int stored = ImportRadarMap(helper, *map, !args.Has("--no-alpha"), ImportGame(*db, args),
                                      TerminalProgress());
    if (stored == 0)
        throw Failure{kRefused, "no game chosen for the cache: give --game 1 (Vice City) or "
                                "--game 2 (San Andreas)"};
    db->Flush();
    std::printf("%d tiles of %u x %u imported\n", stored, map->Width() / kRadarImportSide,
                map->Height() / kRadarImportSide);
    return kDone;
}

int RadarOptimize(const Args& args) {
    Need(args, 1, "radar optimize INDEX [--cache C] [--json]");
    PluginSession plugins;
    auto db = OpenCache(args, 0, Access::kWrite);
    const CacheId cache = ChosenCache(*db, args);
    RequireTiles(*db);
    CCacheHelper helper(db.get());
    const int turned = OptimizeRadarMap(*db, DecoderFor(helper, cache), TerminalProgress());
    db->Flush();
    if (args.Has("--json"))
        std::printf("{\"turned\": %d, \"tiles\": %d}\n", turned, CountRadarTiles(*db));
    else
        std::printf("%d radar tiles turned into aliases\n", turned);
    return turned > 0 ? kDone : kRefused;
}

} // namespace

int CommandRadar(const Args& args) {
    NeedAtLeast(args, 2, kRadarUsage);
    const std::string verb = args.positional[0];
    Args rest = args;
    rest.positional.erase(rest.positional.begin());
    if (verb == "list")
        return RadarList(rest);
    if (verb == "export")
        return RadarExport(rest);
    if (verb == "import")
        return RadarImport(rest);
    if (verb == "optimize")
        return RadarOptimize(rest);
    throw Failure{kBadInput, std::string("usage: tessarine-cli ") + kRadarUsage};
}

int CommandAliases(const Args& args) {
    Need(args, 2, "aliases INDEX TEXTURE [--json]");
    auto db = OpenCache(args);
    const int texture = FindTexture(*db, args.positional[1]);
    const std::vector<int> siblings = FindSiblings(*db, texture);
    if (args.Has("--json")) {
        std::printf("{\"texture\": %s, \"aliases\": [", Json(db->GetTextureName(texture)).c_str());
        for (size_t i = 0; i < siblings.size(); ++i)
            std::printf("%s{\"id\": %d, \"name\": %s}", i ? ", " : "", siblings[i],
                        Json(db->GetTextureName(siblings[i])).c_str());
        std::printf("]}\n");
    } else {
        if (siblings.empty())
            std::printf("No aliases found.\n");
        for (int id : siblings)
            std::printf("%02d %s\n", id, Shown(db->GetTextureName(id)).c_str());
    }
    return siblings.empty() ? kRefused : kDone;
}

int CommandStats(const Args& args) {
    Need(args, 1, "stats INDEX [--json]");
    auto db = OpenCache(args);
    const CacheStatistics figures = ComputeStatistics(*db);
    if (!args.Has("--json")) {
        std::fputs(StatisticsText(figures).c_str(), stdout);
        return kDone;
    }
    const char* game = !figures.game ? "auto" : *figures.game == RecordLayout::kSA ? "SA" : "VC";
    std::printf("{\"game\": %s, \"total\": %d, \"originals\": %d, \"aliases\": %d, \"sizes\": {",
                Json(game).c_str(), figures.textures, figures.Originals(), figures.aliases);
    bool first = true;
    for (CacheId k : kAllCaches)
        if (figures.sizes[k]) {
            std::printf("%s%s: %llu", first ? "" : ", ", Json(CacheName(k)).c_str(),
                        static_cast<unsigned long long>(*figures.sizes[k]));
            first = false;
        }
    std::printf("}, \"total_size\": %llu}\n", static_cast<unsigned long long>(figures.TotalSize()));
    return kDone;
}

int CommandAliasList(const Args& args) {
    NeedAtLeast(args, 2, kAliasListUsage);
    const std::string verb = args.positional[0];
    if (verb == "export") {
        if (!args.Has("--out") || args.Get("--out").empty())
            throw Failure{kBadInput, "alias-list export needs --out FILE"};
        Args rest = args;
        rest.positional.erase(rest.positional.begin());
        auto db = OpenCache(rest);
        const std::string text = BuildAliasList(*db);
        try {
            WriteAliasListFile(args.Get("--out"), text);
        } catch (const CError& error) {
            throw Failure{kRefused, error.what()};
        }
        int count = 0;
        for (const TextureRecord& record : db->Textures())
            count += record.IsAlias() ? 1 : 0;
        std::printf("%d aliases written to %s\n", count, Shown(args.Get("--out")).c_str());
        return kDone;
    }
    if (verb != "import" || args.positional.size() < 3)
        throw Failure{kBadInput, std::string("usage: tessarine-cli ") + kAliasListUsage};
    const std::string& path = args.positional[2];
    RequireReadableFile(path);
    std::string text;
    try {
        text = ReadAliasListFile(path);
    } catch (const CError& error) {
        throw Failure{kBadInput, error.what()};
    }
    Args rest = args;
    rest.positional.erase(rest.positional.begin());
    auto db = OpenCache(rest, 0, Access::kWrite);
    const AliasListResult result = ImportAliasList(*db, text);
    db->Flush();
    if (args.Has("--json")) {
        std::printf("{\"created\": %zu, \"refused\": [", result.created.size());
        for (size_t i = 0; i < result.refused.size(); ++i)
            std::printf("%s{\"line\": %zu, \"reason\": %s}", i ? ", " : "",
                        result.refused[i].line, Json(result.refused[i].reason).c_str());
        std::printf("]}\n");
    } else {
        for (const AliasListLine& line : result.refused)
            std::fprintf(stderr, "tessarine-cli alias-list: line %zu not taken: %s\n", line.line,
                         Shown(line.reason).c_str());
        std::printf("%zu aliases created, %zu lines not taken\n", result.created.size(),
                    result.refused.size());
    }
    if (result.created.empty())
        return kRefused;
    return result.refused.empty() ? kDone : kRefused;
}
