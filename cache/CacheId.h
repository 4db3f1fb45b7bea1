#pragma once
// The four caches of a texture cache, the kinds of file each has, and the two record
// layouts. Each is its own type, so that a cache cannot be passed where a texture index
// or a file kind is expected, nor the other way round.
#include "platform/EnumArray.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

enum class CacheId : uint8_t { kDxt, kEtc, kPvr, kUnc };
inline constexpr int kCacheCount = 4;
inline constexpr std::array<CacheId, kCacheCount> kAllCaches = {CacheId::kDxt, CacheId::kEtc,
                                                                CacheId::kPvr, CacheId::kUnc};
// Cache names as used in file names; shown upper-case on the tabs.
inline constexpr const char* kCacheNames[kCacheCount] = {"dxt", "etc", "pvr", "unc"};

// The position of a cache in per-cache tables, file names and on the window's tabs.
constexpr size_t Slot(CacheId cache) {
    return static_cast<size_t>(cache);
}
constexpr const char* CacheName(CacheId cache) {
    return kCacheNames[Slot(cache)];
}

// One value per cache, indexed by CacheId only.
template <class T> using PerCache = EnumArray<CacheId, T, kCacheCount>;

// The files of a cache, and the index they belong to.
enum class CacheFileKind : uint8_t { kDat, kToc, kTmb, kIndex };
// The files each cache has of its own.
inline constexpr std::array<CacheFileKind, 3> kDataFileKinds = {
    CacheFileKind::kDat, CacheFileKind::kToc, CacheFileKind::kTmb};

// How a DAT or TMB record is laid out: Vice City's header and raw raster, or San
// Andreas's header, length and stored or packed stream.
enum class RecordLayout : uint8_t { kVC = 1, kSA = 2 };

// The layout a game's records have: game 1 Vice City, 2 San Andreas; nullopt for 0 (tell
// each record by its words).
constexpr std::optional<RecordLayout> LayoutOfGame(int game) {
    if (game == static_cast<int>(RecordLayout::kVC))
        return RecordLayout::kVC;
    if (game == static_cast<int>(RecordLayout::kSA))
        return RecordLayout::kSA;
    return std::nullopt;
}
