// tessarine-cli convert and optimize: whole-cache work over the editor's own converter and
// optimizer.
#include "cli/Cli.h"
#include "pipeline/CacheConverter.h"
#include "pipeline/CacheOptimizer.h"
#include "platform/MessageBox.h"

#include <chrono>
#include <cstdio>

using namespace Cli;

namespace {

CacheId RequiredCache(const Args& args, const char* option) {
    const std::optional<CacheId> cache = CacheNamed(args.Get(option));
    if (!cache)
        throw Failure{kBadInput, std::string(option) + " takes dxt, etc, pvr or unc"};
    return *cache;
}

void PrintConversion(const ConvertResult& result, CacheId source, CacheId target,
                     double seconds, bool json) {
    if (json) {
        std::printf("{\"source\": %s, \"target\": %s, \"textures\": %d, \"aliases\": %d, "
                    "\"seconds\": %.2f, \"unconverted\": [",
                    Json(CacheName(source)).c_str(), Json(CacheName(target)).c_str(),
                    result.textures, result.aliases, seconds);
        for (size_t i = 0; i < result.unconverted.size(); ++i)
            std::printf("%s%s", i ? ", " : "", Json(result.unconverted[i]).c_str());
        std::printf("]}\n");
        return;
    }
    for (const std::string& line : result.unconverted)
        std::fprintf(stderr, "tessarine-cli convert: not converted (no record in %s): %s\n",
                     CacheName(target), Shown(line).c_str());
    std::printf("converted %d textures and %d aliases from %s into %s: Done within %0.2f "
                "seconds!\n",
                result.textures, result.aliases, CacheName(source), CacheName(target), seconds);
}

void PrintOptimization(const OptimizeResult& result, bool json) {
    if (json) {
        std::printf("{\"duplicates\": %d, \"aliases\": [", result.duplicates);
        for (size_t i = 0; i < result.aliases.size(); ++i)
            std::printf("%s{\"alias\": %s, \"original\": %s}", i ? ", " : "",
                        Json(result.aliases[i].first).c_str(),
                        Json(result.aliases[i].second).c_str());
        std::printf("], \"deleted\": [");
        for (size_t i = 0; i < result.deleted.size(); ++i)
            std::printf("%s%s", i ? ", " : "", Json(result.deleted[i]).c_str());
        std::printf("]}\n");
        return;
    }
    for (const auto& [alias, original] : result.aliases)
        std::printf("alias %s -> %s\n", Shown(alias).c_str(), Shown(original).c_str());
    for (const std::string& name : result.deleted)
        std::printf("deleted %s\n", Shown(name).c_str());
    std::printf("%d duplicates\n", result.duplicates);
}

} // namespace

int CommandConvert(const Args& args) {
    if (args.positional.size() != 1 || !args.Has("--from") || !args.Has("--to"))
        throw Failure{kBadInput, "usage: tessarine-cli convert INDEX --from C --to C [--json]"};
    const CacheId source = RequiredCache(args, "--from"), target = RequiredCache(args, "--to");
    PluginSession plugins;
    auto db = OpenCacheForEdit(args);
    const std::string refusal = ConvertRefusal(db.get(), source, target);
    if (!refusal.empty())
        throw Failure{kRefused, refusal};
    if (db->IsDatOpen(target) &&
        AfxMessageBox(kOverwriteQuestion, MB_YESNO | MB_ICONQUESTION) != IDYES)
        throw Failure{kRefused, std::string("the ") + CacheName(target) +
                                    " cache exists; nothing was changed (--yes rebuilds it)"};
    ConvertOptions options;
    options.source = source;
    options.target = target;
    options.game = ImportGame(*db, args);
    options.progress = [](const std::string& text, int position, int count) {
        Progress(size_t(position), size_t(count), text);
        return true;
    };
    const auto start = std::chrono::steady_clock::now();
    const ConvertResult result = ConvertCache(*db, options);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Progress(1, 1, "");
    if (!result.converted)
        throw Failure{kRefused, result.problem + "; the " + CacheName(target) +
                                    " cache was left as it was"};
    PrintConversion(result, source, target, seconds, args.Has("--json"));
    return kDone;
}

int CommandOptimize(const Args& args) {
    const int modes = int(args.Has("--names")) + int(args.Has("--md5")) + int(args.Has("--pixels"));
    const bool decoded = args.Has("--decoded");
    if (args.positional.size() != 1 || modes != 1 || (args.Has("--delete") && !args.Has("--names")) ||
        (decoded && args.Has("--names")) || (args.Has("--threshold") && !args.Has("--pixels")))
        throw Failure{kBadInput, "usage: tessarine-cli optimize INDEX --names [--delete] | --md5 "
                                 "[--decoded] | --pixels [--decoded] [--threshold T] "
                                 "[--cache C] [--json] (one of --names, --md5, --pixels)"};
    const std::string thresholdText = args.Get("--threshold", "5");
    if (thresholdText.empty() || thresholdText.find_first_not_of("0123456789") != std::string::npos)
        throw Failure{kBadInput, "--threshold takes a number of pixels"};
    PluginSession plugins;
    auto db = OpenCacheForEdit(args);
    const OptimizeProgress progress = [](int position, int count, const std::string& text) {
        Progress(size_t(position), size_t(count), text);
    };
    OptimizeResult result;
    if (args.Has("--names")) {
        result = OptimizeNames(*db, args.Has("--delete"), progress);
    } else {
        const std::optional<CacheId> cache =
            args.Has("--cache") ? CacheNamed(args.Get("--cache")) : db->PrimaryCache();
        if (!cache || !db->IsDatOpen(*cache))
            throw Failure{kRefused, "that cache has no data file to compare"};
        const RasterAlgorithm algorithm =
            args.Has("--md5") ? (decoded ? RasterAlgorithm::kMd5Decoded : RasterAlgorithm::kMd5)
                              : (decoded ? RasterAlgorithm::kPixelDiffDecoded
                                         : RasterAlgorithm::kPixelDiff);
        result = OptimizeRasters(*db, *cache, algorithm, ParseThreshold(thresholdText), progress);
    }
    Progress(1, 1, "");
    if (!result.problem.empty())
        throw Failure{kRefused, result.problem};
    PrintOptimization(result, args.Has("--json"));
    return kDone;
}
