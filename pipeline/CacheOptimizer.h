#pragma once
// Shrinking a texture cache by its duplicates: textures whose names repeat (made aliases
// of the first, or deleted), and textures whose rasters are the same or nearly so (made
// aliases of the first). Each texture is read and digested or decoded once, only textures
// of equal size are compared, and all the changes go to the files in one edit; the files
// come out as making the aliases (or deletions) one at a time in the order below would
// leave them.
#include "cache/TextureDatabase.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Called on the calling thread: position, count and a text (a name or a digest).
using OptimizeProgress = std::function<void(int position, int count, const std::string& text)>;

enum class RasterAlgorithm { kMd5, kMd5Decoded, kPixelDiff, kPixelDiffDecoded };

struct OptimizeResult {
    bool changed = false;
    std::string problem; // why nothing was changed, else empty
    int duplicates = 0;
    // What was done, in order: (alias made, its original), or the names deleted.
    std::vector<std::pair<std::string, std::string>> aliases;
    std::vector<std::string> deleted;
};

// Textures whose names are equal but for case: every later one an alias of the first (an
// alias stays as it is), or with deleteMode deleted with its aliases (those that would
// still find an earlier texture of exactly its name stay with that one).
OptimizeResult OptimizeNames(CTextureDatabase& db, bool deleteMode,
                             const OptimizeProgress& progress = {});

// Textures of a cache with the same raster (MD5 of the stored or the decoded pixels), or
// one that differs from an earlier one by less than threshold x 4 (differing bytes of the
// stored rasters, or the sum of the decoded pixels' differences): each an alias of the
// earliest. threads: how many digest or decode at once (0: one per core). memoryBudget: the
// bytes of rasters or pixels of one size held at once (0: 512 MiB); a larger group is
// narrowed down by signatures first, and the few textures that may have a twin are read
// again.
OptimizeResult OptimizeRasters(CTextureDatabase& db, CacheId cache, RasterAlgorithm algorithm,
                               int threshold, const OptimizeProgress& progress = {},
                               size_t threads = 0, size_t memoryBudget = 0);

// The threshold a text gives: its leading decimal digits, 0 when it has none (large values
// are held where four times them still fits 32 bits).
int ParseThreshold(const std::string& text);

using Md5Digest = std::array<uint8_t, 16>;
Md5Digest Md5Of(const uint8_t* data, size_t size);
// The 32 lower-case hexadecimal digits of a digest.
std::string DigestText(const Md5Digest& digest);
