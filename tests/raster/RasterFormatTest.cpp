#include "raster/RasterFormat.h"

#include <gtest/gtest.h>

TEST(RasterFormat, StoredSizesAndLevelCounts) {
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
    EXPECT_EQ(LevelCount(256, 256, false), 1u);
    EXPECT_EQ(LevelCount(256, 256, true), 9u);
    EXPECT_EQ(LevelCount(8, 2, true), 4u);
    EXPECT_EQ(LevelCount(1, 1, true), 1u);
    EXPECT_EQ(LevelCount(65535, 1, true), 16u);
}
