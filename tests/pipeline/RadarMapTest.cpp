// The radar map on caches the tests build and on a copy of the bundled sample, through
// the real codecs.
#include "pipeline/RadarMap.h"
#include "pipeline/ImportImage.h"
#include "platform/ScriptedMessageBox.h"
#include "support/CacheBuilder.h"
#include "support/CacheFiles.h"
#include "support/CoreFixtures.h"

#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

// Tiles of 4 x 4 RGBA 8888 pixels, every byte of tile k equal to fill(k).
std::string BuildTiles(
    const TempDir& dir, const std::vector<int>& numbers,
    const std::function<uint8_t(int)>& fill = [](int k) { return uint8_t(k + 1); }) {
    CacheBuilder b(dir.Path(), "r", 2, 0b0001);
    for (int k : numbers)
        b.Add(RadarTileName(k)).raster.assign(64, fill(k));
    b.Write();
    return b.IndexPath();
}

TileDecoder Decoder(CCacheHelper& helper) {
    return [&helper](int texture) {
        return helper.DecodeCacheTexture(texture, CacheId::kDxt, 0, false);
    };
}

std::vector<int> Range(int from, int to) {
    std::vector<int> numbers;
    for (int k = from; k < to; ++k)
        numbers.push_back(k);
    return numbers;
}

} // namespace

TEST(RadarMap, TileCountsGridsAndAssembly) {
    const OwnSettings codecs(true);
    struct Case {
        std::vector<int> tiles;
        int count, side;
    };
    std::vector<int> gap = Range(0, 10);
    for (int k = 11; k < 20; ++k)
        gap.push_back(k);
    for (const Case& c : {Case{Range(0, 64), 64, 8}, Case{Range(0, 144), 144, 12}, Case{gap, 10, 4},
                          Case{Range(1, 5), 0, 0}}) {
        TempDir dir;
        CTextureDatabase db(BuildTiles(dir, c.tiles), 0);
        CCacheHelper helper(&db);
        EXPECT_EQ(CountRadarTiles(db), c.count);
        EXPECT_EQ(RadarGridSide(CountRadarTiles(db)), c.side);
        std::unique_ptr<Bitmap32> map = AssembleRadarMap(db, CacheId::kDxt, Decoder(helper));
        if (c.count == 0) {
            EXPECT_EQ(map, nullptr);
            continue;
        }
        ASSERT_NE(map, nullptr);
        EXPECT_EQ(map->Width(), uint32_t(4 * c.side));
        EXPECT_EQ(map->Height(), uint32_t(4 * c.side));
        // Each tile in its cell (row by row from the top); the cells past the last tile
        // stay transparent.
        for (int k = 0; k < c.side * c.side; ++k) {
            const uint8_t* corner =
                map->Pixel(uint32_t(k % c.side) * 4 + 3, uint32_t(k / c.side) * 4 + 3);
            const uint8_t expected = k < c.count ? uint8_t(k + 1) : 0;
            EXPECT_EQ(corner[3], expected) << "cell " << k;
        }
    }
}

TEST(RadarMap, PictureChecksInOrder) {
    EXPECT_EQ(CheckRadarImage(1024, 1024), RadarImageProblem::kNone);
    EXPECT_EQ(CheckRadarImage(128, 128), RadarImageProblem::kNone);
    EXPECT_EQ(CheckRadarImage(1024, 512), RadarImageProblem::kNotSquare);
    EXPECT_EQ(CheckRadarImage(96, 96), RadarImageProblem::kNotPowerOfTwo);
    EXPECT_EQ(CheckRadarImage(1024, 96), RadarImageProblem::kNotPowerOfTwo);
    EXPECT_EQ(CheckRadarImage(64, 64), RadarImageProblem::kTooSmall);
    EXPECT_EQ(CheckRadarImage(0, 0), RadarImageProblem::kNotPowerOfTwo);
}

TEST(RadarMap, LookAlikesBecomeAliasesBelowTheThreshold) {
    // radar01 differs from radar00 by a byte sum of 79 (alias) or 80 (kept); radar02 is
    // far from both.
    const OwnSettings codecs(true);
    for (int difference : {79, 80}) {
        TempDir dir;
        CacheBuilder b(dir.Path(), "r", 2, 0b0001);
        b.Add("radar00").raster.assign(64, 0x40);
        std::vector<uint8_t>& near = b.Add("radar01").raster;
        near.assign(64, 0x40);
        near[0] = uint8_t(0x40 + difference / 2);
        near[5] = uint8_t(0x40 - (difference - difference / 2));
        b.Add("radar02").raster.assign(64, 0xC0);
        b.Write();
        CTextureDatabase db(b.IndexPath(), 0);
        CCacheHelper helper(&db);
        const int turned = OptimizeRadarMap(db, Decoder(helper));
        const int first = db.FindTexture("radar00", true);
        if (difference == 79) {
            EXPECT_EQ(turned, 1);
            EXPECT_EQ(db.Textures()[size_t(first)].affiliate, "radar01");
        } else {
            EXPECT_EQ(turned, 0);
            EXPECT_FALSE(db.IsAlias(first));
        }
        EXPECT_EQ(CountRadarTiles(db), 3);
        // What is left decodes: the alias shows its original's picture.
        CTextureDatabase reread(b.IndexPath(), 0);
        CCacheHelper rereadHelper(&reread);
        EXPECT_NE(AssembleRadarMap(reread, CacheId::kDxt, Decoder(rereadHelper)), nullptr);
    }
}

TEST(RadarMap, ATileOthersAliasIsNeverTurnedSoNoChainArises) {
    const OwnSettings codecs(true);
    TempDir dir;
    CacheBuilder b(dir.Path(), "r", 2, 0b0001);
    b.Add("radar00").raster.assign(64, 0x40);
    b.Add("radar01").raster.assign(64, 0x40);
    b.Add("radar02").raster.assign(64, 0x40);
    b.AddAlias("sea", "radar00");
    b.Write();
    CTextureDatabase db(b.IndexPath(), 0);
    CCacheHelper helper(&db);
    EXPECT_EQ(OptimizeRadarMap(db, Decoder(helper)), 2);
    EXPECT_FALSE(db.IsAlias(db.FindTexture("radar00", true)));
    EXPECT_EQ(db.Textures()[size_t(db.FindTexture("radar01", true))].affiliate, "radar00");
    EXPECT_EQ(db.Textures()[size_t(db.FindTexture("radar02", true))].affiliate, "radar00");
}

namespace {

// A copy of the bundled sample with the real codecs bound.
class SampleRadar : public ::testing::Test {
protected:
    void SetUp() override {
        CopyFolder(TESSARINE_SAMPLE_DIR, m_Dir.File("sa"));
        m_pDb = std::make_unique<CTextureDatabase>(m_Dir.File("sa/sample.txt"), 0);
        m_Helper.SetDatabase(m_pDb.get());
    }
    // Quarters of the map in four colours, so each tile is one colour.
    static std::unique_ptr<Bitmap32> Quarters(uint32_t side) {
        auto map = Bitmap32::Create(side, side);
        for (uint32_t y = 0; y < side; ++y)
            for (uint32_t x = 0; x < side; ++x) {
                uint8_t* p = map->Pixel(x, y);
                p[0] = x < side / 2 ? 200 : 20;
                p[1] = y < side / 2 ? 180 : 40;
                p[2] = 90;
                p[3] = 255;
            }
        return map;
    }
    OwnSettings m_Settings{true};
    TempDir m_Dir;
    CScriptedMessageBox m_Boxes;
    std::unique_ptr<CTextureDatabase> m_pDb;
    CCacheHelper m_Helper;
};

std::atomic<int> g_nCompressCalls{0};
std::atomic<int> g_nFailAt{0};
TessarineCompress g_RealCompress = nullptr;

// The real DXT compressor, until its calls claim more than their buffer holds.
uint32_t FailingCompress(const uint8_t* source, uint8_t* destination, int32_t width, int32_t height,
                         int32_t mode, uint32_t flags) {
    if (++g_nCompressCalls >= g_nFailAt)
        return 0xFFFFFFF0u;
    return g_RealCompress(source, destination, width, height, mode, flags);
}

} // namespace

TEST_F(SampleRadar, TheSampleAssemblesToItsIslandAndImportReplacesEveryTile) {
    ASSERT_EQ(CountRadarTiles(*m_pDb), 64);
    const auto map = AssembleRadarMap(*m_pDb, CacheId::kDxt, Decoder(m_Helper));
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->Width(), 1024u);
    // Sea in the corner, land in the middle.
    const uint8_t* corner = map->Pixel(60, 60);
    const uint8_t* middle = map->Pixel(450, 450);
    EXPECT_GT(corner[0], corner[1]); // blue over green
    EXPECT_GT(middle[1], middle[0]); // green over blue

    // An alias of a tile follows the new tile; the tile keeps its category.
    ASSERT_EQ(m_pDb->AddAlias("radar_copy", "radar05"), 1);
    const int category = m_pDb->GetTextureCategory(m_pDb->FindTexture("radar05", true));
    const int before = m_pDb->TextureCount();
    const auto picture = Quarters(1024);
    ASSERT_EQ(ImportRadarMap(m_Helper, *picture, false, 0), kRadarImportTiles);
    EXPECT_EQ(m_pDb->TextureCount(), before);
    const int tile = m_pDb->FindTexture("radar05", true);
    EXPECT_EQ(m_pDb->GetTextureCategory(tile), category);
    EXPECT_EQ(m_pDb->Textures()[size_t(m_pDb->FindTexture("radar_copy", true))].affiliate,
              "radar05");
    for (CacheId k : kAllCaches) {
        EXPECT_EQ(m_pDb->GetWidth(k, tile, false), 128) << CacheName(k);
        EXPECT_EQ(m_pDb->GetHeight(k, tile, false), 128) << CacheName(k);
    }
    // The new map comes back out (DXT keeps flat colours close).
    CTextureDatabase reread(m_Dir.File("sa/sample.txt"), 0);
    CCacheHelper helper(&reread);
    const auto back = AssembleRadarMap(reread, CacheId::kDxt, Decoder(helper));
    ASSERT_NE(back, nullptr);
    for (auto [x, y] : {std::pair{100u, 100u}, {900u, 100u}, {100u, 900u}, {900u, 900u}})
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(back->Pixel(x, y)[c], picture->Pixel(x, y)[c], 8) << x << "," << y;
}

TEST_F(SampleRadar, TheFilesEqualThoseOfReplacingTheTilesOneByOne) {
    // A second copy of the sample takes the same picture tile by tile, each tile replaced
    // as an import with replacement does it.
    CopyFolder(TESSARINE_SAMPLE_DIR, m_Dir.File("one"));
    CTextureDatabase one(m_Dir.File("one/sample.txt"), 0);
    CCacheHelper oneHelper(&one);
    // In both: an alias of a tile, and a tile that is an alias itself.
    for (CTextureDatabase* db : {m_pDb.get(), &one}) {
        ASSERT_EQ(db->AddAlias("radar_copy", "radar05"), 1);
        ASSERT_EQ(db->DeleteTexture(db->FindTexture("radar07", true), -1, true), 1);
        ASSERT_EQ(db->AddAlias("radar07", "radar06"), 1);
    }
    const auto picture = Quarters(512);
    for (int k = 0; k < kRadarImportTiles; ++k) {
        const auto tile = CutRadarTile(*picture, k % 8, k / 8, 64);
        const int old = one.FindTexture(RadarTileName(k), true);
        ASSERT_EQ(StoreImage(oneHelper, *tile, RadarTileName(k), true, one.GetTextureCategory(old),
                             false, 0, true),
                  StoreResult::kStored);
    }
    ASSERT_EQ(ImportRadarMap(m_Helper, *picture, true, 0), kRadarImportTiles);
    one.Flush();
    m_pDb->Flush();
    EXPECT_EQ(DescribeDifference(ReadCacheFiles(m_Dir.File("one"), "sample"),
                                 ReadCacheFiles(m_Dir.File("sa"), "sample")),
              "");
}

TEST_F(SampleRadar, AFailedEncodingOrACancelLeavesEveryOldTile) {
    m_pDb->Flush();
    const CacheFiles before = ReadCacheFiles(m_Dir.File("sa"), "sample");
    const auto picture = Quarters(1024);

    // The DXT compressor fails well into the import (every tile makes 8 levels).
    g_RealCompress = Plugins().compress[CodecFamily::kDxt];
    Plugins().compress[CodecFamily::kDxt] = FailingCompress;
    g_nCompressCalls = 0;
    g_nFailAt = 8 * 40;
    EXPECT_THROW(ImportRadarMap(m_Helper, *picture, false, 0), CError);
    Plugins().compress[CodecFamily::kDxt] = g_RealCompress;
    EXPECT_GE(g_nCompressCalls.load(), 8 * 40);
    EXPECT_EQ(DescribeDifference(before, ReadCacheFiles(m_Dir.File("sa"), "sample")), "");
    EXPECT_TRUE(EditLeftovers(m_Dir.File("sa")).empty());

    // A cancel at the 30th tile undoes the 29 before it too.
    const RadarProgress cancel = [](int position, int, const std::string&) {
        return position < 30;
    };
    EXPECT_THROW(ImportRadarMap(m_Helper, *picture, false, 0, cancel), CRadarCancelled);
    EXPECT_EQ(DescribeDifference(before, ReadCacheFiles(m_Dir.File("sa"), "sample")), "");
    // The database still matches its files.
    EXPECT_EQ(CountRadarTiles(*m_pDb), 64);
    EXPECT_EQ(m_pDb->FindTexture("radar00", true), 13);

    // A picture that fails the checks changes nothing.
    EXPECT_THROW(ImportRadarMap(m_Helper, *Bitmap32::Create(1024, 512), false, 0), CError);
    EXPECT_EQ(DescribeDifference(before, ReadCacheFiles(m_Dir.File("sa"), "sample")), "");
}
