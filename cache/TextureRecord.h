#pragma once
// Records of a texture cache: one per texture and one per category of the index file,
// and the raster header that opens every data and thumbnail record.
#include "cache/CacheId.h"

#include <cstdint>
#include <string>

// Longest texture, affiliate or category name, in characters.
inline constexpr size_t kMaxNameLength = 63;

// The 8 bytes at the start of every DAT and TMB record (little-endian on disk).
struct RasterHeader {
    uint16_t tag = 0;      // not interpreted; 0xADDE in headers this program builds
    uint16_t glFormat = 0; // GL code of the raster format
    uint16_t width = 0;
    uint16_t heightAndMips = 0; // bits 0-14 height, bit 15 full mip chain

    uint16_t Height() const { return heightAndMips & 0x7FFF; }
    bool HasMips() const { return (heightAndMips & 0x8000) != 0; }
};

struct TextureRecord {
    std::string name;      // UTF-8, at most 63 characters
    std::string affiliate; // the original's name for an alias, else empty
    int32_t originalIndex = -1;
    uint16_t width = 0;
    uint16_t height = 0;
    uint16_t cat = 0;
    uint16_t format = 0;
    uint16_t alphamode = 0;
    uint16_t hasdetail = 0;
    uint16_t camnorm = 0;
    uint16_t hassibling = 0;
    uint16_t hasbias = 0;
    uint16_t streammode = 0;
    uint16_t mipmode = 1;
    uint16_t forcez = 0;
    uint16_t decalz = 0;
    uint32_t img = 0;
    uint32_t png = 0;
    PerCache<RasterHeader> textureHeader{};
    PerCache<RasterHeader> thumbHeader{};
    PerCache<int32_t> datOffset{{-1, -1, -1, -1}};
    PerCache<int32_t> tmbOffset{};
    // The record's index line as read (UTF-8), so items this program does not manage
    // survive a rewrite.
    std::string line;

    bool IsAlias() const { return !affiliate.empty(); }
};

struct CategoryRecord {
    int32_t id = 0;
    std::string name; // one word, at most 63 characters
    int32_t onfoot = 0;
    int32_t slow = 0;
    int32_t fast = 0;
    int32_t defaultformat = 0;
    int32_t defaultstream = 0;
};
