#include "cache/CacheStatistics.h"

#include "app/Log.h"

#include <cstdio>

namespace {

constexpr double kBytesPerMegabyte = 1048576.0;
constexpr const char* kSeparator =
    "\n-----------------------------------------------------------\n\n";

std::string Format(const char* format, auto... values) {
    char line[256];
    std::snprintf(line, sizeof line, format, values...);
    return line;
}

} // namespace

std::vector<int> FindSiblings(const CTextureIndex& db, int texture) {
    std::vector<int> siblings;
    for (int id = 0;; ++id) {
        LogPrintA("CDlgSiblings: dwID = %d\n", id);
        id = db.FindNextAlias(id, texture);
        if (id < 0)
            break;
        siblings.insert(siblings.begin(), id);
    }
    return siblings;
}

uint64_t CacheStatistics::TotalSize() const {
    uint64_t total = 0;
    for (CacheId k : kAllCaches)
        total += sizes[k].value_or(0);
    return total;
}

CacheStatistics ComputeStatistics(CCacheDataFiles& db) {
    CacheStatistics figures;
    figures.textures = db.TextureCount();
    for (CacheId k : kAllCaches)
        if (db.IsDatOpen(k))
            figures.sizes[k] = 0;
    for (int t = 0; t < figures.textures; ++t) {
        if (db.IsAlias(t)) {
            ++figures.aliases;
            continue; // an alias has no record of its own
        }
        for (CacheId k : kAllCaches)
            if (figures.sizes[k])
                *figures.sizes[k] += db.StoredLength(t, k, false);
    }
    if (figures.textures > 0 && db.PrimaryCache())
        figures.game = db.DetectLayout(0, *db.PrimaryCache(), false);
    return figures;
}

std::string StatisticsText(const CacheStatistics& figures) {
    const char* game = !figures.game                          ? "(auto)"
                       : *figures.game == RecordLayout::kSA ? "GTA SA"
                                                              : "GTA VC";
    std::string text = Format("Game: %s\n", game);
    text += kSeparator;
    text += Format("Total:     %d\n", figures.textures);
    text += Format("Originals: %d\n", figures.Originals());
    text += Format("Aliases:   %d\n", figures.aliases);
    text += kSeparator;
    for (CacheId k : kAllCaches)
        if (figures.sizes[k])
            text += Format("%s size: %0.3f MB\n", CacheName(k),
                           double(*figures.sizes[k]) / kBytesPerMegabyte);
    text += Format("TOTAL size: %0.3f MB\n", double(figures.TotalSize()) / kBytesPerMegabyte);
    return text;
}
