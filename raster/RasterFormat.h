#pragma once
// The raster formats of the program: names, GL codes of record headers, decoded widths,
// channel layouts and stored sizes.
#include <cstdint>
#include <optional>

enum RasterFormat : int {
    RASTER_UNKNOWN = 0,
    RASTER_RGBA8888 = 1,
    RASTER_RGBA4444 = 2,
    RASTER_RGBA5551 = 3,
    RASTER_RGBA565 = 4,
    RASTER_PAL8 = 5,
    RASTER_PAL4 = 6,
    RASTER_LUM16 = 7,
    RASTER_LUM8 = 8,
    RASTER_DXT1 = 9,
    RASTER_DXT2 = 10,
    RASTER_DXT3 = 11,
    RASTER_DXT4 = 12,
    RASTER_DXT5 = 13,
    RASTER_ETC1 = 14,
    RASTER_PVRTC2 = 15,
    RASTER_PVRTC4 = 16,
    RASTER_FORMAT_COUNT = 17,
};

// Display name ("RGBA 8888", "DXT1", ...); "Unknown" for values out of range.
const char* FormatName(int format);

// The format a record header's GL code names; RASTER_UNKNOWN for any other code.
RasterFormat FormatFromGlCode(uint16_t glCode);
// The GL code for a zero-based format index (RasterFormat value minus 1), for the formats
// this program writes; nullopt for the others.
std::optional<uint16_t> GlCodeForFormat(int formatIndex);

// Width in bits of the data that GdiplusConvert reads for the format, after any plug-in
// decompression (compressed formats arrive as 32-bit RGBA): 32, 16, 8 or 0.
int FormatBitsPerPixel(int format);
// Channel layout code (0x8888, 0x4444, 0x5551, 0x565, 0x88, 0x8) or 0.
uint16_t FormatChannelLayout(int format);

// Bytes of a stored raster: level 0 only, or the whole chain down to 1x1. 64-bit because
// a header can describe a raster larger than 4 GiB.
uint64_t RasterDataSize(uint32_t width, uint32_t height, int format, bool withMips);

// Levels in a chain: 1 without mips, else one per halving step down to 1x1.
uint32_t LevelCount(uint32_t width, uint32_t height, bool withMips);
