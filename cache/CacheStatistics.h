#pragma once
// Figures about a whole cache: the aliases of one texture, and the counts and stored
// sizes the information box shows.
#include "cache/DataFiles.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The aliases of a texture, highest index first (the order the siblings list shows).
std::vector<int> FindSiblings(const CTextureIndex& db, int texture);

struct CacheStatistics {
    int textures = 0;
    int aliases = 0;
    // The layout of the index's first texture in the primary cache; none for an empty index.
    std::optional<RecordLayout> game;
    // The bytes of every texture's own record, per cache whose DAT is open. Summed in 64
    // bits: the caches of a large game together pass 4 GiB.
    PerCache<std::optional<uint64_t>> sizes;

    int Originals() const { return textures - aliases; }
    uint64_t TotalSize() const;
};

CacheStatistics ComputeStatistics(CCacheDataFiles& db);
// The information box's text: the game, the counts, a size line per open cache and the
// total, sizes in MB with three decimals.
std::string StatisticsText(const CacheStatistics& figures);
