#include "raster/ImageFile.h"
#include "support/TempDir.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

// Opaque colour bars with a transparent corner.
std::unique_ptr<Bitmap32> TestImage(uint32_t w, uint32_t h) {
    auto b = Bitmap32::Create(w, h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = b->Pixel(x, y);
            p[0] = static_cast<uint8_t>(x < w / 2 ? 255 : 0);
            p[1] = static_cast<uint8_t>(y < h / 2 ? 255 : 0);
            p[2] = 128;
            p[3] = (x < 4 && y < 4) ? 0 : 255;
        }
    return b;
}

} // namespace

TEST(Encoders, ChosenByMimeTypeOrExtension) {
    EncoderClsid jpeg, tif;
    EXPECT_GE(EncoderForExtension("jpg", &jpeg), 0);
    EXPECT_EQ(FindEncoderByMime("image/jpeg", nullptr), EncoderForExtension("jpeg", nullptr));
    EXPECT_GE(EncoderForExtension("tif", &tif), 0);
    EXPECT_NE(jpeg, tif);
    for (const char* ext : {"png", "bmp", "gif"})
        EXPECT_GE(EncoderForExtension(ext, nullptr), 0) << ext;
    EncoderClsid untouched;
    untouched.bytes[0] = 0x77;
    EXPECT_EQ(EncoderForExtension("JPG", &untouched), -1);
    EXPECT_EQ(EncoderForExtension(".png", &untouched), -1);
    EXPECT_EQ(FindEncoderByMime("IMAGE/PNG", &untouched), -1);
    EXPECT_EQ(untouched.bytes[0], 0x77);
}

TEST(ImageFiles, EveryFormatSavesAndLoadsBack) {
    TempDir dir;
    const auto image = TestImage(32, 16);
    for (const char* ext : {"png", "bmp", "gif", "jpg", "tif"}) {
        SCOPED_TRACE(ext);
        const std::string path = dir.File(std::string("out.") + ext);
        ASSERT_TRUE(SaveBitmapByExtension(*image, path));
        auto loaded = LoadBitmapFromFile(path);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->Width(), 32u);
        EXPECT_EQ(loaded->Height(), 16u);
        const uint8_t* p = loaded->Pixel(24, 12); // B 0, G 0, R 128, opaque
        EXPECT_NEAR(p[0], 0, 12);
        EXPECT_NEAR(p[2], 128, 12);
        EXPECT_EQ(p[3], 255);
        const uint8_t* q = loaded->Pixel(8, 12); // B 255
        EXPECT_NEAR(q[0], 255, 12);
    }
    // Lossless formats with alpha keep the transparent corner.
    for (const char* ext : {"png", "gif", "tif"}) {
        auto loaded = LoadBitmapFromFile(dir.File(std::string("out.") + ext));
        EXPECT_EQ(loaded->Pixel(1, 1)[3], 0) << ext;
    }
    // A PNG comes back exactly, with alpha and opaque (which Qt reads in another format).
    auto opaque = TestImage(32, 16);
    for (size_t p = 3; p < opaque->ByteSize(); p += 4)
        opaque->Bits()[p] = 255;
    ASSERT_TRUE(SaveBitmapByExtension(*opaque, dir.File("opaque.png")));
    for (const auto& [file, original] :
         {std::pair{"out.png", image.get()}, {"opaque.png", opaque.get()}}) {
        const auto loaded = LoadBitmapFromFile(dir.File(file));
        ASSERT_TRUE(loaded) << file;
        EXPECT_EQ(std::memcmp(loaded->Bits(), original->Bits(), original->ByteSize()), 0) << file;
    }
    // Files are read by the suffix's format first, and by their content when it is wrong.
    for (const auto& [from, to] :
         {std::pair{"out.jpg", "jpeg.png"}, {"out.png", "png.bmp"}, {"out.gif", "gif"}}) {
        std::filesystem::copy_file(dir.File(from), dir.File(to));
        const auto loaded = LoadBitmapFromFile(dir.File(to));
        ASSERT_TRUE(loaded) << to;
        EXPECT_EQ(loaded->Width(), 32u) << to;
    }
}

TEST(ImageFiles, UnreadableFilesGiveNothing) {
    TempDir dir;
    dir.Write("broken.png", "\x89PNG\r\n\x1a\nnot really");
    EXPECT_EQ(LoadBitmapFromFile(dir.File("broken.png")), nullptr);
    EXPECT_EQ(LoadBitmapFromFile(dir.File("missing.png")), nullptr);
    const auto image = TestImage(8, 8);
    EXPECT_FALSE(SaveBitmapByExtension(*image, dir.File("out.xyz")));
    EXPECT_FALSE(SaveBitmapByExtension(*image, dir.File("missing/out.png")));
    EXPECT_FALSE(SaveBitmapByExtension(*image, dir.File("missing/out.gif")));
}

TEST(ScaledCopy, AveragesWhenShrinking) {
    auto checker = Bitmap32::Create(64, 64);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x) {
            uint8_t* p = checker->Pixel(x, y);
            p[0] = p[1] = p[2] = ((x + y) & 1) ? 255 : 0;
            p[3] = 255;
        }
    auto small = checker->Scaled(8, 8);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->Width(), 8u);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x)
            EXPECT_NEAR(small->Pixel(x, y)[1], 128, 8);
    auto same = checker->Scaled(64, 64);
    EXPECT_EQ(std::memcmp(same->Bits(), checker->Bits(), checker->ByteSize()), 0);
    EXPECT_EQ(checker->Scaled(0, 8), nullptr);
    // Transparent pixels do not bleed their colour into opaque neighbours.
    auto half = Bitmap32::Create(2, 1);
    half->Pixel(0, 0)[2] = 255; // red, transparent
    half->Pixel(1, 0)[1] = 255; // green, opaque
    half->Pixel(1, 0)[3] = 255;
    auto one = half->Scaled(1, 1);
    EXPECT_LT(one->Pixel(0, 0)[2], 8);
}
