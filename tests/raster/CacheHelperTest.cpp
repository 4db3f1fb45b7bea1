// Encoding bitmaps into caches through the real plug-ins and decoding them back.
#include "pipeline/CacheHelper.h"
#include "cache/TextureDatabase.h"
#include "pipeline/EncodeAhead.h"
#include "pipeline/ExportTextures.h"
#include "pipeline/TXDHelper.h"
#include "platform/ScriptedMessageBox.h"
#include "raster/PluginHost.h"
#include "raster/RasterFormat.h"
#include "support/CoreFixtures.h"

#include <cmath>
#include <cstring>
#include <filesystem>
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
    return PsnrRgb(a.Bits(), b.Bits(), a.ByteSize());
}

// What each cache stores a picture as, with alpha and without; ETC1 has no alpha, PVRTC
// is square.
const struct {
    CacheId cache;
    const char* formats[2];
    int height; // of a 256 x 128 picture
} kFormats[] = {{CacheId::kDxt, {"DXT5", "DXT1"}, 128},
                {CacheId::kEtc, {"RGBA 4444", "ETC1"}, 128},
                {CacheId::kPvr, {"PVRTC4", "PVRTC2"}, 256},
                {CacheId::kUnc, {"RGBA 4444", "RGBA 5551"}, 128}};

class Pipeline : public ::testing::Test {
protected:
    void SetUp() override {
        m_Db.Create(m_Dir.File("p.txt"));
        m_Helper.SetDatabase(&m_Db);
    }
    int Encode(const Bitmap32& bitmap, bool alpha, int game = 2,
               std::optional<CodecFamily> forced = std::nullopt) {
        EncodeRequest request;
        request.bitmap = &bitmap;
        request.name = "t" + std::to_string(m_Db.TextureCount());
        request.withAlpha = alpha;
        request.game = game;
        request.forcedFamily = forced;
        return m_Helper.EncodeCacheTexture(request);
    }
    OwnSettings m_Settings{true};
    TempDir m_Dir;
    CScriptedMessageBox m_Boxes;
    CTextureDatabase m_Db{0};
    CCacheHelper m_Helper;
};

} // namespace

TEST_F(Pipeline, FormatsPerCacheWithAndWithoutAlpha) {
    const auto image = Picture(256, 128);
    ASSERT_EQ(Encode(*image, true), 1);
    ASSERT_EQ(Encode(*image, false), 1);
    EXPECT_TRUE(m_Boxes.Boxes().empty());
    for (const auto& e : kFormats) {
        for (int t : {0, 1})
            EXPECT_STREQ(m_Db.GetFormatName(e.cache, t, false), e.formats[t]) << t;
        EXPECT_EQ(m_Db.GetWidth(e.cache, 0, false), 256) << CacheName(e.cache);
        EXPECT_EQ(m_Db.GetHeight(e.cache, 0, false), e.height) << CacheName(e.cache);
    }
    EXPECT_EQ(m_Db.GetLevelCount(CacheId::kDxt, 0, false), 9u);
    auto etc = m_Helper.DecodeCacheTexture(1, CacheId::kEtc, 0, false);
    ASSERT_TRUE(etc);
    EXPECT_GT(Psnr(*etc, *image), 28);
    auto pvr = m_Helper.DecodeCacheTexture(0, CacheId::kPvr, 0, false);
    ASSERT_TRUE(pvr);
    EXPECT_GT(Psnr(*pvr, *image->Scaled(256, 256)), 24);
    for (CacheId k : kAllCaches) {
        EXPECT_EQ(m_Db.GetWidth(k, 0, true), 8) << CacheName(k); // the 8x4 level's square copy
        EXPECT_EQ(m_Db.CountThumbs(k), 2);
        EXPECT_TRUE(m_Db.CheckToc(k));
    }
    EXPECT_EQ(m_Db.Textures()[0].alphamode, 2);
    EXPECT_EQ(m_Db.Textures()[1].alphamode, 0);
    EXPECT_EQ(m_Db.Textures()[0].camnorm, 1);

    // Decoding gives the picture back closely, at every level.
    auto dxt5 = m_Helper.DecodeCacheTexture(0, CacheId::kDxt, 0, false);
    ASSERT_TRUE(dxt5);
    EXPECT_GT(Psnr(*dxt5, *image), 30);
    auto dxt1 = m_Helper.DecodeCacheTexture(1, CacheId::kDxt, 0, false);
    EXPECT_GT(Psnr(*dxt1, *image), 30);
    EXPECT_EQ(dxt1->Pixel(0, 0)[3], 255); // without alpha every pixel is opaque
    auto unc = m_Helper.DecodeCacheTexture(0, CacheId::kUnc, 2, false);
    ASSERT_TRUE(unc);
    EXPECT_EQ(unc->Width(), 64u);
    EXPECT_EQ(unc->Height(), 32u);
    EXPECT_GT(Psnr(*unc, *image->Scaled(64, 32)), 28);
    auto thumb = m_Helper.DecodeCacheTexture(0, CacheId::kDxt, 5, true);
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->Width(), 8u);
}

TEST_F(Pipeline, DimensionsAndTheThumbnailOfTinyImages) {
    EXPECT_THROW(Encode(*Picture(100, 64), true), CError);
    EXPECT_EQ(m_Db.TextureCount(), 0);
    EXPECT_EQ(m_Db.FileLength(CacheFileKind::kDat, CacheId::kDxt), 0); // nothing was written
    EXPECT_EQ(Encode(*Picture(192, 64), true, 2, CodecFamily::kUnc), 1);
    EXPECT_STREQ(m_Db.GetFormatName(CacheId::kDxt, 0, false), "RGBA 4444");
    ASSERT_EQ(Encode(*Picture(4, 4), true), 1);
    EXPECT_EQ(m_Db.GetWidth(CacheId::kEtc, 1, true), 1); // written at the 1x1 level
    EXPECT_EQ(m_Db.GetLevelCount(CacheId::kDxt, 1, false), 3u);
}

TEST_F(Pipeline, VcLayoutUncompressedAndGameGuess) {
    ASSERT_EQ(Encode(*Picture(32, 32), true, 1), 1);
    EXPECT_EQ(m_Helper.GuessCacheGame(), 1);
    EncodeRequest request;
    auto image = Picture(16, 16);
    request.bitmap = image.get();
    request.name = "raw";
    request.uncompressed = true;
    request.game = 1;
    ASSERT_EQ(m_Helper.EncodeCacheTexture(request), 1);
    EXPECT_STREQ(m_Db.GetFormatName(CacheId::kPvr, 1, false), "RGBA 8888");
    auto decoded = m_Helper.DecodeCacheTexture(1, CacheId::kUnc, 0, false);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(std::memcmp(decoded->Bits(), image->Bits(), image->ByteSize()), 0);
    EXPECT_EQ(m_Helper.GuessCacheGame(CacheId::kUnc), 1);
    CCacheHelper none;
    EXPECT_EQ(none.GuessCacheGame(), 0);
    // A record layout is never guessed by default: an import without a game is refused
    // before anything is written.
    request.game = 0;
    request.name = "nogame";
    const int64_t datLength = m_Db.FileLength(CacheFileKind::kDat, CacheId::kDxt);
    EXPECT_THROW(m_Helper.EncodeCacheTexture(request), CError);
    EXPECT_EQ(m_Db.FileLength(CacheFileKind::kDat, CacheId::kDxt), datLength);
    EXPECT_EQ(m_Db.TextureCount(), 2);
}

TEST_F(Pipeline, MissingDecoderSaysSo) {
    ASSERT_EQ(Encode(*Picture(16, 16), false), 1);
    UnloadPlugins();
    EXPECT_EQ(m_Helper.DecodeCacheTexture(0, CacheId::kDxt, 0, false), nullptr);
    EXPECT_TRUE(m_Boxes.Boxes().empty());
    EXPECT_EQ(m_Helper.DecodeError().text, "Unable to decompress: DXT plugin not loaded");
    EXPECT_TRUE(m_Helper.DecodeError().severe);
    // The 16-bit cache needs no plug-in.
    EXPECT_NE(m_Helper.DecodeCacheTexture(0, CacheId::kUnc, 0, false), nullptr);
}

// The shared export: files written on every core equal those written one at a time; a
// file that cannot be written is reported while the others are written, and nothing that
// stood in its way is removed; a cancel leaves the items not started unwritten.
TEST_F(Pipeline, ExportsOnEveryCoreMatchOneAtATimeAndReportEachFailure) {
    for (int i = 0; i < 6; ++i)
        ASSERT_EQ(Encode(*Picture(32, 16), i % 2 == 0), 1);
    const auto itemsIn = [&](const std::string& folder) {
        std::filesystem::create_directories(m_Dir.File(folder));
        std::vector<ExportItem> items;
        for (int t = 0; t < m_Db.TextureCount(); ++t)
            items.push_back({t, m_Dir.File(folder + "/t" + std::to_string(t) + ".png")});
        return items;
    };
    const auto serial = itemsIn("serial"), parallel = itemsIn("parallel");
    for (const auto& outcome : ExportTextures(m_Helper, CacheId::kDxt, 1, false, serial, {}, 1))
        EXPECT_TRUE(outcome.written) << outcome.problem;
    std::filesystem::create_directory(parallel[2].path); // a folder where a file should go
    const auto outcomes = ExportTextures(m_Helper, CacheId::kPvr, 1, false, parallel);
    for (size_t i = 0; i < outcomes.size(); ++i)
        EXPECT_EQ(outcomes[i].written, i != 2) << i;
    EXPECT_EQ(outcomes[2].problem, "the file could not be written");
    EXPECT_TRUE(std::filesystem::is_directory(parallel[2].path));
    const auto again = itemsIn("again");
    ExportTextures(m_Helper, CacheId::kDxt, 1, false, again, {}, 2);
    for (size_t i = 0; i < serial.size(); ++i)
        EXPECT_EQ(TempDir::ReadFile(serial[i].path), TempDir::ReadFile(again[i].path)) << i;

    // Level 9 of a 32 x 16 texture does not exist; a cancel after the first item stops.
    const auto late = ExportTextures(m_Helper, CacheId::kDxt, 9, false, itemsIn("none"));
    EXPECT_EQ(late[0].problem, "it has 6 mip levels");
    size_t calls = 0;
    const auto cancelled = ExportTextures(m_Helper, CacheId::kDxt, 0, false, itemsIn("cut"),
                                          [&](size_t, size_t) { return ++calls < 2; });
    EXPECT_TRUE(cancelled[0].written);
    EXPECT_EQ(cancelled.back().problem, kExportCancelled);
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
    for (CacheId cache : kAllCaches) {
        const auto a = m_Db.ReadTextureData(cache, 0, false);
        const auto b = m_Db.ReadTextureData(cache, 1, false);
        EXPECT_TRUE(a == b) << CacheName(cache);
    }
    EXPECT_EQ(ahead.Pending(), 0u);
}

// The chains are made level by level on two threads and joined afterwards: each must be
// its levels, each compressed on its own from the source scaled to that size (PVRTC from a
// square copy), one after another in order.
TEST_F(Pipeline, EveryChainIsItsLevelsCompressedOneByOneInOrder) {
    const auto picture = Picture(64, 16);
    const PluginRegistry& plugins = Plugins();
    for (const bool alpha : {true, false}) {
        EncodeRequest request;
        request.bitmap = picture.get();
        request.name = "levels";
        request.game = 2;
        request.withAlpha = alpha;
        const EncodeSettings settings = m_Helper.CurrentEncodeSettings(request);
        const EncodedTexture encoded = EncodeTexture(request, settings);
        const auto rgba = [&](uint32_t w, uint32_t h) {
            const auto scaled = picture->Scaled(w, h);
            std::vector<uint8_t> px(size_t(w) * h * 4);
            for (size_t p = 0; p < px.size(); p += 4) {
                const uint8_t* s = scaled->Bits() + p;
                px[p] = s[2], px[p + 1] = s[1], px[p + 2] = s[0], px[p + 3] = alpha ? s[3] : 255;
            }
            return px;
        };
        for (int i = 0; i < kCacheCount; ++i) {
            ASSERT_TRUE(encoded.usedFamily[i]) << i;
            const CodecFamily family = *encoded.usedFamily[i];
            if (family == CodecFamily::kEtc1 && alpha) {
                EXPECT_TRUE(encoded.output[i].empty());
                continue;
            }
            std::vector<uint8_t> expected;
            for (uint32_t w = 64, h = 16;; w = std::max(w / 2, 1u), h = std::max(h / 2, 1u)) {
                const uint32_t side = family == CodecFamily::kPvrtc ? std::max(w, h) : 0;
                const auto level = side ? rgba(side, side) : rgba(w, h);
                std::vector<uint8_t> out(level.size() + 64);
                const uint32_t wrote = plugins.compress[family](
                    level.data(), out.data(), int32_t(side ? side : w), int32_t(side ? side : h),
                    alpha ? TESSARINE_MODE_ALPHA : TESSARINE_MODE_OPAQUE, settings.flags[i]);
                ASSERT_GT(wrote, 0u) << w << "x" << h;
                expected.insert(expected.end(), out.begin(), out.begin() + wrote);
                if (w == 1 && h == 1)
                    break;
            }
            EXPECT_EQ(encoded.outputSize[i], expected.size()) << i << " alpha " << alpha;
            EXPECT_TRUE(std::equal(expected.begin(), expected.end(), encoded.output[i].begin()))
                << i << " alpha " << alpha;
        }
        // The 16-bit chain holds every level too: 64x16 down to 1x1, two bytes a pixel.
        EXPECT_EQ(encoded.size16, size_t(2 * (64 * 16 + 32 * 8 + 16 * 4 + 8 * 2 + 4 + 2 + 1)));
    }
}

TEST_F(Pipeline, ADictionaryTextureWithAlphaKeepsItInEveryCache) {
    SKIP_WITHOUT_TESTDATA();
    // fe_radio8: 8-bit palette of 8888 entries, no mask name.
    CTXDHelper txd;
    txd.OpenTXD(TestDataDir() + "/real/txd/pc/gta3_frontend.txd");
    uint32_t radio = UINT32_MAX;
    for (uint32_t t = 0; t < txd.TXD()->GetTextureCount(); ++t)
        if (txd.TXD()->GetTextureName(t, false) == "fe_radio8")
            radio = t;
    ASSERT_NE(radio, UINT32_MAX);
    auto bitmap = txd.DecodeTexture(radio);
    ASSERT_TRUE(bitmap);
    EXPECT_TRUE(HasTransparentPixel(*bitmap));
    EXPECT_EQ(txd.FillImportRequest(radio, -1).withAlpha, 1); // by its layout alone
    const TextureImportRequest request = txd.FillImportRequest(radio, -1, bitmap.get());
    ASSERT_EQ(request.withAlpha, 1);
    ASSERT_EQ(Encode(*bitmap, request.withAlpha != 0), 1);
    for (const auto& e : kFormats)
        EXPECT_STREQ(m_Db.GetFormatName(e.cache, 0, false), e.formats[0]);
    auto dxt = m_Helper.DecodeCacheTexture(0, CacheId::kDxt, 0, false);
    ASSERT_TRUE(dxt);
    EXPECT_TRUE(HasTransparentPixel(*dxt));
    EXPECT_EQ(m_Db.Textures()[0].alphamode, 2);

    // An opaque texture of an opaque layout stays without alpha.
    CTXDHelper misc;
    misc.OpenTXD(TestDataDir() + "/real/txd/pc/gta3_mainsc2.txd"); // one DXT1 565 texture
    auto opaque = misc.DecodeTexture(0);
    ASSERT_TRUE(opaque);
    EXPECT_EQ(misc.FillImportRequest(0, -1, opaque.get()).withAlpha, 0);
}
