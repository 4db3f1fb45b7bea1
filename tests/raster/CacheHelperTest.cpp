// Encoding bitmaps into caches through the real plug-ins and decoding them back.
#include "pipeline/CacheHelper.h"
#include "app/Settings.h"
#include "cache/TextureDatabase.h"
#include "pipeline/EncodeAhead.h"
#include "platform/ScriptedMessageBox.h"
#include "raster/PluginHost.h"
#include "raster/RasterFormat.h"
#include "support/TempDir.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// A smooth picture with a transparent band.
std::unique_ptr<Bitmap32> Picture(uint32_t w, uint32_t h) {
    auto b = Bitmap32::Create(w, h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = b->Pixel(x, y);
            p[0] = static_cast<uint8_t>(x * 255 / std::max(w - 1, 1u));
            p[1] = static_cast<uint8_t>(y * 255 / std::max(h - 1, 1u));
            p[2] = static_cast<uint8_t>(128 + 100 * std::sin(x * 0.1));
            p[3] = y < h / 4 ? 0 : 255;
        }
    return b;
}

double Psnr(const Bitmap32& a, const Bitmap32& b) {
    double sum = 0;
    for (size_t i = 0; i < a.ByteSize(); ++i)
        if (i % 4 != 3) {
            const double d = double(a.Bits()[i]) - b.Bits()[i];
            sum += d * d;
        }
    const double mse = sum / (a.ByteSize() / 4 * 3);
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

class Pipeline : public ::testing::Test {
protected:
    void SetUp() override {
        m_strPrevious = Settings::Path();
        Settings::SetPath(m_Dir.File("tessarine.ini"));
        InitPluginBindings(TESSARINE_PLUGINS_DIR);
        m_Db.Create(m_Dir.File("p.txt"));
        m_Helper.SetDatabase(&m_Db);
    }
    void TearDown() override {
        UnloadPlugins();
        Settings::SetPath(m_strPrevious);
    }
    int Encode(const Bitmap32& bitmap, bool alpha, int game = 2, int forced = -1) {
        EncodeRequest request;
        request.bitmap = &bitmap;
        request.name = "t" + std::to_string(m_Db.TextureCount());
        request.withAlpha = alpha;
        request.game = game;
        request.forcedFamily = forced;
        return m_Helper.EncodeCacheTexture(request);
    }
    TempDir m_Dir;
    CScriptedMessageBox m_Boxes;
    std::string m_strPrevious;
    CTextureDatabase m_Db{0};
    CCacheHelper m_Helper;
};

} // namespace

TEST_F(Pipeline, FormatsPerCacheWithAndWithoutAlpha) {
    const auto image = Picture(256, 128);
    ASSERT_EQ(Encode(*image, true), 1);
    ASSERT_EQ(Encode(*image, false), 1);
    EXPECT_TRUE(m_Boxes.Boxes().empty());
    EXPECT_STREQ(m_Db.GetFormatName(0, 0, false), "DXT5");
    EXPECT_EQ(m_Db.GetLevelCount(0, 0, false), 9u);
    EXPECT_EQ(m_Db.GetWidth(0, 0, false), 256);
    EXPECT_EQ(m_Db.GetHeight(0, 0, false), 128);
    EXPECT_STREQ(m_Db.GetFormatName(0, 1, false), "DXT1");
    EXPECT_STREQ(m_Db.GetFormatName(3, 0, false), "RGBA 4444");
    EXPECT_STREQ(m_Db.GetFormatName(3, 1, false), "RGBA 5551");
    // ETC1 has no alpha; PVRTC is square.
    EXPECT_STREQ(m_Db.GetFormatName(1, 0, false), "RGBA 4444");
    EXPECT_EQ(m_Db.GetWidth(1, 0, false), 256);
    EXPECT_STREQ(m_Db.GetFormatName(1, 1, false), "ETC1");
    EXPECT_STREQ(m_Db.GetFormatName(2, 0, false), "PVRTC4");
    EXPECT_STREQ(m_Db.GetFormatName(2, 1, false), "PVRTC2");
    EXPECT_EQ(m_Db.GetWidth(2, 0, false), 256);
    EXPECT_EQ(m_Db.GetHeight(2, 0, false), 256);
    auto etc = m_Helper.DecodeCacheTexture(1, 1, 0, false);
    ASSERT_TRUE(etc);
    EXPECT_GT(Psnr(*etc, *image), 28);
    auto pvr = m_Helper.DecodeCacheTexture(0, 2, 0, false);
    ASSERT_TRUE(pvr);
    EXPECT_GT(Psnr(*pvr, *image->Scaled(256, 256)), 24);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(m_Db.GetWidth(k, 0, true), 8) << k; // the 8x4 level's square copy
        EXPECT_EQ(m_Db.CountThumbs(k), 2);
        EXPECT_TRUE(m_Db.CheckToc(k));
    }
    EXPECT_EQ(m_Db.Textures()[0].alphamode, 2);
    EXPECT_EQ(m_Db.Textures()[1].alphamode, 0);
    EXPECT_EQ(m_Db.Textures()[0].camnorm, 1);

    // Decoding gives the picture back closely, at every level.
    auto dxt5 = m_Helper.DecodeCacheTexture(0, 0, 0, false);
    ASSERT_TRUE(dxt5);
    EXPECT_GT(Psnr(*dxt5, *image), 30);
    auto dxt1 = m_Helper.DecodeCacheTexture(1, 0, 0, false);
    EXPECT_GT(Psnr(*dxt1, *image), 30);
    EXPECT_EQ(dxt1->Pixel(0, 0)[3], 255); // without alpha every pixel is opaque
    auto unc = m_Helper.DecodeCacheTexture(0, 3, 2, false);
    ASSERT_TRUE(unc);
    EXPECT_EQ(unc->Width(), 64u);
    EXPECT_EQ(unc->Height(), 32u);
    EXPECT_GT(Psnr(*unc, *image->Scaled(64, 32)), 28);
    auto thumb = m_Helper.DecodeCacheTexture(0, 0, 5, true);
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->Width(), 8u);
}

TEST_F(Pipeline, DimensionsAndTheThumbnailOfTinyImages) {
    EXPECT_THROW(Encode(*Picture(100, 64), true), CError);
    EXPECT_EQ(m_Db.TextureCount(), 0);
    EXPECT_EQ(m_Db.FileLength(0, 0), 0); // nothing was written
    EXPECT_EQ(Encode(*Picture(192, 64), true, 2, 3), 1);
    EXPECT_STREQ(m_Db.GetFormatName(0, 0, false), "RGBA 4444");
    ASSERT_EQ(Encode(*Picture(4, 4), true), 1);
    EXPECT_EQ(m_Db.GetWidth(1, 1, true), 1); // written at the 1x1 level
    EXPECT_EQ(m_Db.GetLevelCount(0, 1, false), 3u);
}

TEST_F(Pipeline, VcLayoutUncompressedAndGameGuess) {
    ASSERT_EQ(Encode(*Picture(32, 32), true, 1), 1);
    EXPECT_EQ(m_Helper.GuessCacheGame(-1), 1);
    EncodeRequest request;
    auto image = Picture(16, 16);
    request.bitmap = image.get();
    request.name = "raw";
    request.uncompressed = true;
    request.game = 1;
    ASSERT_EQ(m_Helper.EncodeCacheTexture(request), 1);
    EXPECT_STREQ(m_Db.GetFormatName(2, 1, false), "RGBA 8888");
    auto decoded = m_Helper.DecodeCacheTexture(1, 3, 0, false);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(std::memcmp(decoded->Bits(), image->Bits(), image->ByteSize()), 0);
    EXPECT_EQ(m_Helper.GuessCacheGame(3), 1);
    CCacheHelper none;
    EXPECT_EQ(none.GuessCacheGame(-1), 0);
}

TEST_F(Pipeline, MissingDecoderSaysSo) {
    ASSERT_EQ(Encode(*Picture(16, 16), false), 1);
    UnloadPlugins();
    EXPECT_EQ(m_Helper.DecodeCacheTexture(0, 0, 0, false), nullptr);
    ASSERT_EQ(m_Boxes.Boxes().size(), 1u);
    EXPECT_EQ(m_Boxes.Boxes()[0].text, "Unable to decompress: DXT plugin not loaded");
    // The 16-bit cache needs no plug-in.
    EXPECT_NE(m_Helper.DecodeCacheTexture(0, 3, 0, false), nullptr);
}

TEST_F(Pipeline, AnEncodingMadeAheadIsTakenOnlyForItsOwnRequest) {
    const auto picture = Picture(64, 32);
    EncodeRequest request;
    request.bitmap = picture.get();
    request.name = "ahead";
    request.game = 2;
    const EncodeSettings settings = m_Helper.CurrentEncodeSettings(request);
    const EncodedTexture direct = EncodeTexture(request, settings);
    CEncodeAhead ahead(2);
    ahead.Start(request, settings);
    // Another name, or other settings (another quality level): not this encoding.
    EncodeRequest other = request;
    other.name = "other";
    EXPECT_FALSE(ahead.Take(other, settings));
    EncodeSettings changed = settings;
    changed.flags[0] ^= 1;
    EXPECT_FALSE(ahead.Take(request, changed));
    ahead.Start(request, settings);
    const auto taken = ahead.Take(request, settings);
    if (taken) { // unless the worker had not begun it yet
        for (int i = 0; i < kCacheCount; ++i)
            EXPECT_TRUE(taken->output[i] == direct.output[i]) << i;
        EXPECT_EQ(taken->thumbnail, direct.thumbnail);
    }
    // Stored through the helper, the encoding ahead gives the records a direct one gives.
    m_Helper.SetEncodeAhead(&ahead);
    ahead.Start(request, settings);
    ASSERT_EQ(m_Helper.EncodeCacheTexture(request), 1);
    m_Helper.SetEncodeAhead(nullptr);
    request.name = "direct";
    ASSERT_EQ(m_Helper.EncodeCacheTexture(request), 1);
    for (int cache = 0; cache < kCacheCount; ++cache) {
        const auto a = m_Db.ReadTextureData(cache, 0, false);
        const auto b = m_Db.ReadTextureData(cache, 1, false);
        EXPECT_TRUE(a == b) << cache;
    }
    EXPECT_EQ(ahead.Pending(), 0u);
}
