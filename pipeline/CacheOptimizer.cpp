#include "pipeline/CacheOptimizer.h"

#include "pipeline/RasterDuplicates.h"

#include "app/Log.h"
#include "platform/Text.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <md5.h>
#include <unordered_map>

namespace {

constexpr int kLargestThreshold = INT_MAX / 4;

// The index as the name pass sees it while it works through it: positions move as the
// pass deletes textures and appends aliases, exactly as they would in the cache.
struct NameEntry {
    int texture; // position before the pass; -1 for an alias the pass appended
    std::string key; // the name compared without case
    std::string name, affiliate;
    bool alias;
};

std::vector<NameEntry> NameModel(const CTextureDatabase& db) {
    std::vector<NameEntry> model;
    model.reserve(size_t(db.TextureCount()));
    for (int t = 0; t < db.TextureCount(); ++t) {
        const TextureRecord& record = db.Textures()[size_t(t)];
        model.push_back(
            {t, Text::AsciiLower(record.name), record.name, record.affiliate, record.IsAlias()});
    }
    return model;
}

OptimizeResult Apply(CTextureDatabase& db, const std::vector<std::pair<int, int>>& pairs) {
    OptimizeResult result;
    for (const auto& [duplicate, original] : pairs)
        result.aliases.emplace_back(db.GetTextureName(duplicate), db.GetTextureName(original));
    if (!db.MakeAliases(pairs)) {
        result = OptimizeResult{};
        result.problem = "the cache's records are not in texture order; nothing was changed";
        return result;
    }
    result.duplicates = static_cast<int>(pairs.size());
    result.changed = !pairs.empty();
    return result;
}

} // namespace

OptimizeResult OptimizeNames(CTextureDatabase& db, bool deleteMode,
                             const OptimizeProgress& progress) {
    std::vector<NameEntry> model = NameModel(db);
    // How many entries share each key: a name that is alone needs no scan.
    std::unordered_map<std::string, int> shared;
    for (const NameEntry& entry : model)
        ++shared[entry.key];
    std::vector<std::pair<int, int>> pairs;
    std::vector<int> doomed;
    for (size_t c = 0; c < model.size(); ++c) {
        if (progress)
            progress(static_cast<int>(c), static_cast<int>(model.size()), model[c].name);
        if (model[c].alias || shared[model[c].key] < 2)
            continue;
        const std::string key = model[c].key;
        const int original = model[c].texture;
        for (size_t i = c + 1; i < model.size();) {
            if (model[i].key != key || (!deleteMode && model[i].alias)) {
                ++i;
                continue;
            }
            if (!deleteMode) {
                pairs.emplace_back(model[i].texture, original);
                NameEntry alias{-1, key, model[i].name, model[c].name, true};
                model.erase(model.begin() + std::ptrdiff_t(i));
                model.push_back(std::move(alias));
                continue;
            }
            // The texture goes with its aliases, wherever they stand; the scan goes on at
            // the same position, as it does in the cache. Aliases find their original as
            // the first texture of exactly that name: when that is an earlier texture they
            // are its aliases, and they stay.
            const std::string name = model[i].name;
            bool first = true;
            for (size_t a = 0; a < i && first; ++a)
                first = model[a].name != name;
            for (size_t a = model.size(); a-- > 0;) {
                if (a != i && !(first && model[a].alias && model[a].affiliate == name))
                    continue;
                doomed.push_back(model[a].texture);
                --shared[model[a].key];
                model.erase(model.begin() + std::ptrdiff_t(a));
            }
        }
    }
    if (!deleteMode)
        return Apply(db, pairs);
    OptimizeResult result;
    for (int t : doomed)
        result.deleted.push_back(db.GetTextureName(t));
    if (!doomed.empty() && !db.DeleteTextures(doomed, false)) {
        result = OptimizeResult{};
        result.problem = "the cache's records are not in texture order; nothing was changed";
        return result;
    }
    result.duplicates = static_cast<int>(doomed.size());
    result.changed = !doomed.empty();
    return result;
}

OptimizeResult OptimizeRasters(CTextureDatabase& db, CacheId cache, RasterAlgorithm algorithm,
                               int threshold, const OptimizeProgress& progress, size_t threads,
                               size_t memoryBudget) {
    if (!db.IsDatOpen(cache)) {
        OptimizeResult result;
        result.problem = std::string("the ") + CacheName(cache) + " cache has no data file";
        return result;
    }
    if (algorithm == RasterAlgorithm::kMd5 || algorithm == RasterAlgorithm::kMd5Decoded)
        LogPrintA("CDlgOptmize: building MD5 hashes\n");
    return Apply(db, FindRasterDuplicates(db, cache, algorithm,
                                          std::clamp(threshold, 0, kLargestThreshold), progress,
                                          threads, memoryBudget));
}

int ParseThreshold(const std::string& text) {
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = std::min<long long>(value * 10 + (c - '0'), kLargestThreshold);
    }
    return static_cast<int>(value);
}

Md5Digest Md5Of(const uint8_t* data, size_t size) {
    MD5_CTX context;
    MD5Init(&context);
    if (size > 0)
        MD5Update(&context, data, size);
    Md5Digest digest{};
    MD5Final(digest.data(), &context);
    return digest;
}

std::string DigestText(const Md5Digest& digest) {
    std::string text;
    char pair[3];
    for (uint8_t byte : digest) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        text += pair;
    }
    return text;
}
