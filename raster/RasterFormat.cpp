#include "raster/RasterFormat.h"

namespace {

struct FormatInfo {
    const char* name;
    uint16_t glCode; // 0: none
    int bitsPerPixel;
    uint16_t layout;
    // Stored size: level bytes = max(w, minSide) * max(h, minSide) * 4 / divisor,
    // at least minLevel. divisor 0: the format cannot be stored.
    uint32_t divisor;
    uint32_t minSide;
    uint32_t minLevel;
};

constexpr FormatInfo kFormats[RASTER_FORMAT_COUNT] = {
    {"Unknown", 0, 0, 0, 0, 0, 0},
    {"RGBA 8888", 0x1401, 32, 0x8888, 1, 1, 4},
    {"RGBA 4444", 0x8033, 16, 0x4444, 2, 1, 2},
    {"RGBA 5551", 0x8034, 16, 0x5551, 2, 1, 2},
    {"RGBA 565", 0x8363, 16, 0x565, 2, 1, 2},
    {"PAL8", 0, 0, 0, 0, 0, 0},
    {"PAL4", 0, 0, 0, 0, 0, 0},
    {"LUM-16", 0x190A, 16, 0x88, 2, 1, 2},
    {"LUM-8", 0, 8, 0x8, 0, 0, 0},
    {"DXT1", 0x83F0, 32, 0, 8, 4, 8},
    {"DXT2", 0, 0, 0, 0, 0, 0},
    {"DXT3", 0, 32, 0, 0, 0, 0},
    {"DXT4", 0, 0, 0, 0, 0, 0},
    {"DXT5", 0x83F3, 32, 0, 4, 4, 16},
    {"ETC1", 0x8D64, 32, 0, 8, 4, 8},
    {"PVRTC2", 0x8C01, 32, 0, 16, 1, 32},
    {"PVRTC4", 0x8C02, 32, 0, 8, 1, 32},
};

const FormatInfo& Info(int format) {
    if (format < 0 || format >= RASTER_FORMAT_COUNT)
        return kFormats[0];
    return kFormats[format];
}

} // namespace

const char* FormatName(int format) {
    return Info(format).name;
}

RasterFormat FormatFromGlCode(uint16_t glCode) {
    if (glCode == 0)
        return RASTER_UNKNOWN;
    for (int f = 1; f < RASTER_FORMAT_COUNT; ++f)
        if (kFormats[f].glCode == glCode)
            return static_cast<RasterFormat>(f);
    return RASTER_UNKNOWN;
}

std::optional<uint16_t> GlCodeForFormat(int formatIndex) {
    switch (formatIndex) {
    case 0:
        return 0x1401;
    case 1:
        return 0x8033;
    case 2:
        return 0x8034;
    case 8:
        return 0x83F0;
    case 12:
        return 0x83F3;
    case 13:
        return 0x8D64;
    case 14:
        return 0x8C01;
    case 15:
        return 0x8C02;
    default:
        return std::nullopt;
    }
}

int FormatBitsPerPixel(int format) {
    return Info(format).bitsPerPixel;
}

uint16_t FormatChannelLayout(int format) {
    return Info(format).layout;
}

uint64_t RasterDataSize(uint32_t width, uint32_t height, int format, bool withMips) {
    const FormatInfo& info = Info(format);
    if (info.divisor == 0)
        return 0;
    uint64_t sum = 0;
    uint64_t w = width, h = height;
    while (w != 0 && h != 0) {
        uint64_t level = (w > info.minSide ? w : info.minSide) *
                         (h > info.minSide ? h : info.minSide) * 4 / info.divisor;
        if (level < info.minLevel)
            level = info.minLevel;
        sum += level;
        if (!withMips || (w == 1 && h == 1))
            break;
        w = w / 2 > 0 ? w / 2 : 1;
        h = h / 2 > 0 ? h / 2 : 1;
    }
    return sum;
}

uint32_t LevelCount(uint32_t width, uint32_t height, bool withMips) {
    if (!withMips)
        return 1;
    uint32_t levels = 1;
    while (width > 1 || height > 1) {
        width = width / 2 > 0 ? width / 2 : 1;
        height = height / 2 > 0 ? height / 2 : 1;
        ++levels;
    }
    return levels;
}
