#include "raster/RasterFormat.h"

#include <gtest/gtest.h>

TEST(RasterFormat, GlCodesNamesAndWidths) {
    const std::pair<uint16_t, RasterFormat> codes[] = {
        {0x1401, RASTER_RGBA8888}, {0x8033, RASTER_RGBA4444}, {0x8034, RASTER_RGBA5551},
        {0x8363, RASTER_RGBA565},  {0x190A, RASTER_LUM16},    {0x83F0, RASTER_DXT1},
        {0x83F3, RASTER_DXT5},     {0x8D64, RASTER_ETC1},     {0x8C01, RASTER_PVRTC2},
        {0x8C02, RASTER_PVRTC4}};
    for (const auto& [code, format] : codes)
        EXPECT_EQ(FormatFromGlCode(code), format) << std::hex << code;
    EXPECT_EQ(FormatFromGlCode(0), RASTER_UNKNOWN);
    EXPECT_EQ(FormatFromGlCode(0xFFFF), RASTER_UNKNOWN);
    EXPECT_STREQ(FormatName(RASTER_LUM8), "LUM-8");
    EXPECT_STREQ(FormatName(RASTER_PVRTC4), "PVRTC4");
    EXPECT_STREQ(FormatName(17), "Unknown");
    EXPECT_STREQ(FormatName(-1), "Unknown");
    EXPECT_EQ(FormatBitsPerPixel(RASTER_RGBA565), 16);
    EXPECT_EQ(FormatBitsPerPixel(RASTER_ETC1), 32);
    EXPECT_EQ(FormatBitsPerPixel(RASTER_LUM8), 8);
    EXPECT_EQ(FormatBitsPerPixel(RASTER_PAL8), 0);
    EXPECT_EQ(FormatChannelLayout(RASTER_LUM16), 0x88);
    EXPECT_EQ(FormatChannelLayout(RASTER_DXT1), 0);
}

TEST(RasterFormat, OnlyWritableFormatsHaveHeaderCodes) {
    EXPECT_EQ(GlCodeForFormat(0), 0x1401);
    EXPECT_EQ(GlCodeForFormat(RASTER_DXT5 - 1), 0x83F3);
    EXPECT_EQ(GlCodeForFormat(RASTER_PVRTC4 - 1), 0x8C02);
    EXPECT_FALSE(GlCodeForFormat(RASTER_RGBA565 - 1).has_value());
    EXPECT_FALSE(GlCodeForFormat(RASTER_LUM16 - 1).has_value());
    EXPECT_FALSE(GlCodeForFormat(-1).has_value());
    EXPECT_FALSE(GlCodeForFormat(16).has_value());
}

TEST(RasterFormat, StoredSizes) {
    EXPECT_EQ(RasterDataSize(4, 4, RASTER_DXT1, true), 24u);
    EXPECT_EQ(RasterDataSize(8, 8, RASTER_PVRTC2, true), 128u);
    EXPECT_EQ(RasterDataSize(16, 16, RASTER_RGBA4444, false), 512u);
    EXPECT_EQ(RasterDataSize(2, 1, RASTER_RGBA8888, true), 8u + 4u);
    EXPECT_EQ(RasterDataSize(8, 2, RASTER_DXT5, true), 32u + 16u + 16u + 16u);
    EXPECT_EQ(RasterDataSize(64, 64, RASTER_ETC1, false), 2048u);
    EXPECT_EQ(RasterDataSize(64, 64, RASTER_PVRTC4, false), 2048u);
    EXPECT_EQ(RasterDataSize(64, 64, RASTER_PAL8, true), 0u);
    EXPECT_EQ(RasterDataSize(0, 64, RASTER_RGBA8888, true), 0u);
    // A damaged header can ask for more than 4 GiB; the count must not wrap.
    EXPECT_EQ(RasterDataSize(65535, 32767, RASTER_RGBA8888, false), 65535ull * 32767 * 4);
}

TEST(RasterFormat, LevelCounts) {
    EXPECT_EQ(LevelCount(256, 256, false), 1u);
    EXPECT_EQ(LevelCount(256, 256, true), 9u);
    EXPECT_EQ(LevelCount(8, 2, true), 4u);
    EXPECT_EQ(LevelCount(1, 1, true), 1u);
    EXPECT_EQ(LevelCount(65535, 1, true), 16u);
}
