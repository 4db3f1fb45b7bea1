#pragma once
// Finding textures of one cache whose rasters are the same or nearly so: each texture is
// read and digested or decoded once (on every core), only textures of one size are
// compared, and the pairs come out in the order making them aliases one at a time would
// take.
#include "pipeline/CacheOptimizer.h"

#include <utility>
#include <vector>

// (duplicate, original) pairs by positions in the cache, ordered by original and then by
// duplicate; threshold is held below INT_MAX / 4 by the caller.
std::vector<std::pair<int, int>> FindRasterDuplicates(CTextureDatabase& db, CacheId cache,
                                                      RasterAlgorithm algorithm, int threshold,
                                                      const OptimizeProgress& progress,
                                                      size_t threads, size_t memoryBudget);
