#include "raster/RasterConvert.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

std::unique_ptr<Bitmap32> Convert(const Bytes& data, uint32_t w, uint32_t h, int bpp,
                                  uint16_t layout, bool swap = false, uint32_t level = 0,
                                  const Bytes& palette = {}) {
    return GdiplusConvert(level, data.data(), w, h, bpp, layout, swap,
                          palette.empty() ? nullptr : palette.data(), palette.size() / 4,
                          data.size());
}

Bytes Px(const Bitmap32& b, uint32_t x, uint32_t y) {
    const uint8_t* p = b.Pixel(x, y);
    return {p[0], p[1], p[2], p[3]};
}

Bytes Le16(uint16_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
}

} // namespace

TEST(GdiplusConvert, ThirtyTwoAndTwentyFourBitPixels) {
    auto swapped = Convert({10, 20, 30, 40}, 1, 1, 32, 0x8888, true);
    ASSERT_TRUE(swapped);
    EXPECT_EQ(Px(*swapped, 0, 0), (Bytes{30, 20, 10, 40}));
    EXPECT_EQ(Px(*Convert({10, 20, 30, 40}, 1, 1, 32, 0, false), 0, 0), (Bytes{10, 20, 30, 40}));
    EXPECT_EQ(Px(*Convert({1, 2, 3, 4, 5, 6}, 2, 1, 24, 0, true), 1, 0), (Bytes{6, 5, 4, 255}));
}

TEST(GdiplusConvert, SixteenBitLayoutsWidenAsStored) {
    EXPECT_EQ(Px(*Convert(Le16(0xFFFF), 1, 1, 16, 0x565), 0, 0), (Bytes{248, 252, 248, 255}));
    EXPECT_EQ(Px(*Convert(Le16(0xFFFF), 1, 1, 16, 0x4444), 0, 0), (Bytes{255, 255, 255, 255}));
    EXPECT_EQ(Px(*Convert(Le16(0x1234), 1, 1, 16, 0x4444), 0, 0), (Bytes{0x33, 0x22, 0x11, 0x44}));
    EXPECT_EQ(Px(*Convert(Le16(0x0001), 1, 1, 16, 0x5551), 0, 0), (Bytes{0, 0, 0, 255}));
    EXPECT_EQ(Px(*Convert(Le16(0x0000), 1, 1, 16, 0x5551), 0, 0), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(Px(*Convert(Le16(0xF800), 1, 1, 16, 0x5551), 0, 0), (Bytes{0, 0, 248, 0}));
    EXPECT_EQ(Px(*Convert(Le16(0x803E), 1, 1, 16, 0x1555), 0, 0), (Bytes{0xF0, 8, 0, 255}));
    EXPECT_EQ(Px(*Convert({77, 200}, 1, 1, 16, 0x88), 0, 0), (Bytes{77, 77, 77, 200}));
    EXPECT_EQ(Px(*Convert({9}, 1, 1, 8, 0x8), 0, 0), (Bytes{9, 9, 9, 255}));
}

TEST(GdiplusConvert, PalettesAndNibbles) {
    Bytes palette(16 * 4);
    for (int i = 0; i < 16; ++i)
        palette[i * 4] = static_cast<uint8_t>(i * 10);
    // Width 3, 4-bit: pixel 3 (first of row two) is the high nibble of byte 1.
    auto b = Convert({0x21, 0x43, 0x65}, 3, 2, 4, 0, false, 0, palette);
    EXPECT_EQ(Px(*b, 0, 1)[0], 40);
    EXPECT_EQ(Px(*b, 2, 0)[0], 30);
    // 8-bit indexes past the palette's end give transparent black, not a stray read.
    auto p8 = Convert({1, 200}, 2, 1, 8, 0x8888, true, 0, palette);
    EXPECT_EQ(Px(*p8, 0, 0), (Bytes{0, 0, 10, 0}));
    EXPECT_EQ(Px(*p8, 1, 0), (Bytes{0, 0, 0, 0}));
    // Without a palette the pixels stay transparent black.
    EXPECT_EQ(Px(*Convert({1, 2}, 2, 1, 8, 0x888), 1, 0), (Bytes{0, 0, 0, 0}));
}

TEST(GdiplusConvert, LevelsAreSkippedWithoutBlockRounding) {
    Bytes data(8 * 4 * 4 + 4 * 2 * 4 + 2 * 1 * 4, 0);
    data[160] = 1;
    data[164] = 2;
    auto level2 = Convert(data, 8, 4, 32, 0x8888, false, 2);
    ASSERT_TRUE(level2);
    EXPECT_EQ(level2->Width(), 2u);
    EXPECT_EQ(level2->Height(), 1u);
    EXPECT_EQ(Px(*level2, 1, 0)[0], 2);
    // A level past the data is refused instead of read.
    EXPECT_EQ(Convert(data, 8, 4, 32, 0x8888, false, 3), nullptr);
    EXPECT_EQ(Convert(Bytes(3), 1, 1, 32, 0), nullptr);
    EXPECT_EQ(GdiplusConvert(0, nullptr, 1, 1, 32, 0, false, nullptr, 0, 0), nullptr);
}

TEST(GdiplusConvert, UnknownFormatsGiveTransparentBlackOfTheRightSize) {
    auto b = Convert(Bytes(64, 0xFF), 4, 4, 16, 0x1234);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Width(), 4u);
    EXPECT_EQ(Px(*b, 3, 3), (Bytes{0, 0, 0, 0}));
    auto none = Convert(Bytes(64, 0xFF), 4, 4, 0, 0);
    ASSERT_TRUE(none);
    EXPECT_EQ(Px(*none, 0, 0), (Bytes{0, 0, 0, 0}));
}

TEST(PixelPacking, FourFourFourFourAndFiveFiveFiveOne) {
    EXPECT_EQ(PackPixel4444(0xFF, 0x80, 0x1F, 0xF0), 0xF81F);
    EXPECT_EQ(PackPixel5551(0xFF, 0xFF, 0xFF, 0x10), 0xFFFF);
    EXPECT_EQ(PackPixel5551(0xFF, 0, 0, 0x0F), 0xF800);
    EXPECT_EQ(PackPixel5551(0, 0, 0x08, 0), 0x0002);
    // What is packed decodes back to the top bits of each channel.
    auto b = Convert(Le16(PackPixel4444(0xAB, 0xCD, 0xEF, 0x12)), 1, 1, 16, 0x4444);
    EXPECT_EQ(Px(*b, 0, 0), (Bytes{0xEE, 0xCC, 0xAA, 0x11}));
}

TEST(ImageDifference, SumsByteDifferences) {
    auto a = Bitmap32::Create(4, 4);
    auto b = Bitmap32::Create(4, 4);
    auto tall = Bitmap32::Create(4, 8);
    EXPECT_EQ(ImageDifference(*a, *tall), 0xFFFFFFFFu);
    EXPECT_EQ(ImageDifference(*a, *a), 0u);
    EXPECT_EQ(ImageDifference(*a, *b), 0u);
    b->Pixel(1, 1)[3] = 200;
    a->Pixel(2, 2)[0] = 5;
    EXPECT_EQ(ImageDifference(*a, *b), 205u);
    // Large, completely different images saturate instead of wrapping to a small sum.
    auto white = Bitmap32::Create(4096, 2048);
    auto black = Bitmap32::Create(4096, 2048);
    std::fill(white->Bits(), white->Bits() + white->ByteSize(), 255);
    EXPECT_EQ(ImageDifference(*white, *black), 0xFFFFFFFEu);
}
