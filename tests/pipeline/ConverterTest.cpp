// Rebuilding one cache from another through the real plug-ins: what the target holds, that
// the source and the old target survive every failure, and that encoding on several cores
// stores what one core stores.
#include "pipeline/CacheConverter.h"

#include "platform/Faults.h"
#include "raster/RasterFormat.h"
#include "support/CacheBuilder.h"
#include "support/CacheFiles.h"
#include "support/CoreFixtures.h"

#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>

namespace {

class Converter : public ::testing::Test {
protected:
    // A San Andreas cache with only "dxt": DXT1 and DXT5 textures with mips, one RGBA 8888
    // texture, an alias, and with odd one whose 12 x 12 no encoder takes.
    std::string Build(unsigned caches = 1, bool odd = false) {
        CacheBuilder builder(m_Dir.Path(), "c", 2, caches);
        builder.Add("opaque", 16, 16, RASTER_DXT1, true);
        builder.Add("clear", 32, 16, RASTER_DXT5, true).extraItems = " alphamode=2";
        builder.Add("deep", 8, 8, RASTER_RGBA8888, true);
        builder.AddAlias("again", "opaque");
        if (odd)
            builder.Add("odd", 12, 12, RASTER_RGBA8888);
        builder.Add("last", 64, 64, RASTER_DXT1, true);
        return builder.Write();
    }
    CacheFiles Files() const { return ReadCacheFiles(m_Dir.Path(), "c"); }
    ConvertResult Convert(CacheId target, size_t threads = 0, ConvertProgress progress = {}) {
        CTextureDatabase db(m_Dir.File("c.txt"), 0);
        ConvertOptions options;
        options.source = CacheId::kDxt;
        options.target = target;
        options.threads = threads;
        options.progress = std::move(progress);
        return ConvertCache(db, options);
    }

    OwnSettings m_Settings{true};
    TempDir m_Dir;
};

TEST_F(Converter, DxtIntoANewUncCacheKeepsTheSourceAndThirtyTwoBits) {
    Build();
    const CacheFiles before = Files();
    const ConvertResult result = Convert(CacheId::kUnc);
    ASSERT_TRUE(result.converted) << result.problem;
    EXPECT_EQ(result.textures, 4);
    EXPECT_EQ(result.aliases, 1);
    EXPECT_TRUE(result.unconverted.empty());
    const CacheFiles after = Files();
    for (const char* file : {"c.txt", "c.dxt.dat", "c.dxt.toc", "c.dxt.tmb"})
        EXPECT_EQ(after.at(file), before.at(file)) << file;

    CTextureDatabase db(m_Dir.File("c.txt"), 0);
    ASSERT_TRUE(db.IsDatOpen(CacheId::kUnc));
    EXPECT_TRUE(db.CheckToc(CacheId::kUnc));
    EXPECT_EQ(db.CountThumbs(CacheId::kUnc), db.OrdinaryCount());
    const auto format = [&](const char* name) {
        return FormatFromGlCode(
            db.GetTexture(db.FindTexture(name, true))->textureHeader[CacheId::kUnc].glFormat);
    };
    EXPECT_EQ(format("opaque"), RASTER_RGBA5551);
    EXPECT_EQ(format("clear"), RASTER_RGBA4444);
    EXPECT_EQ(format("deep"), RASTER_RGBA8888);
    EXPECT_EQ(format("last"), RASTER_RGBA5551);
    EXPECT_EQ(db.TocList(CacheId::kUnc)[3], kNoRecord);
    EXPECT_EQ(db.GetWidth(CacheId::kUnc, db.FindTexture("clear", true), false), 32);
    EXPECT_TRUE(db.DamagedRecords(CacheId::kUnc).empty());
}

TEST_F(Converter, SameCacheOrAbsentSourceChangesNothing) {
    Build();
    const CacheFiles before = Files();
    CTextureDatabase db(m_Dir.File("c.txt"), 0);
    EXPECT_EQ(ConvertRefusal(&db, CacheId::kDxt, CacheId::kDxt), kSameCacheText);
    ConvertOptions same;
    same.source = same.target = CacheId::kDxt;
    EXPECT_EQ(ConvertCache(db, same).problem, kSameCacheText);
    ConvertOptions absent;
    absent.source = CacheId::kPvr;
    absent.target = CacheId::kDxt;
    EXPECT_FALSE(ConvertCache(db, absent).converted);
    EXPECT_TRUE(Files() == before);
}

TEST_F(Converter, ManyCoresStoreWhatOneCoreStores) {
    Build(1u | 4u);
    const CacheFiles base = Files();
    ASSERT_TRUE(Convert(CacheId::kPvr, 1).converted);
    const CacheFiles serial = Files();
    ASSERT_TRUE(serial != base);
    WriteCacheFiles(m_Dir.Path(), base);
    ASSERT_TRUE(Convert(CacheId::kPvr, 4).converted);
    EXPECT_TRUE(Files() == serial) << DescribeDifference(Files(), serial);
}

TEST_F(Converter, ATextureThatCannotBeEncodedKeepsItsPlaceAndIsReported) {
    Build(1, true);
    const ConvertResult result = Convert(CacheId::kEtc);
    ASSERT_TRUE(result.converted) << result.problem;
    ASSERT_EQ(result.unconverted.size(), 1u);
    EXPECT_EQ(result.unconverted[0].rfind("odd: ", 0), 0u) << result.unconverted[0];
    CTextureDatabase db(m_Dir.File("c.txt"), 0);
    ASSERT_EQ(db.TocList(CacheId::kEtc).size(), size_t(db.TextureCount()));
    EXPECT_EQ(db.TocList(CacheId::kEtc)[4], kNoRecord);
    // The textures after it keep their own records and thumbnails.
    EXPECT_EQ(db.CountThumbs(CacheId::kEtc), db.OrdinaryCount());
    EXPECT_EQ(db.GetWidth(CacheId::kEtc, db.FindTexture("last", true), false), 64);
    EXPECT_EQ(db.GetWidth(CacheId::kEtc, db.FindTexture("last", true), true), 8);
}

// A cancel at any step, and a write that fails at any point, leave the old target (and
// everything else) as it was.
TEST_F(Converter, CancelOrFailedWriteLeavesTheOldTarget) {
    Build(1u | 8u);
    const CacheFiles before = Files();
    // Two steps per texture: reading its record, then converting it.
    for (int at = 0; at < 10; ++at) {
        const ConvertResult result =
            Convert(CacheId::kUnc, 2,
                    [at, step = 0](const std::string&, int, int) mutable { return step++ != at; });
        EXPECT_TRUE(result.cancelled) << at;
        EXPECT_TRUE(Files() == before) << at << DescribeDifference(Files(), before);
    }
    ASSERT_TRUE(Convert(CacheId::kUnc, 1).converted);
    const CacheFiles after = Files();
    ASSERT_TRUE(after != before);
    bool finished = false;
    for (int64_t point = 1; !finished; ++point) {
        WriteCacheFiles(m_Dir.Path(), before);
        Faults::Arm(point, Faults::Action::kFail, ENOSPC);
        const ConvertResult result = Convert(CacheId::kUnc, 2);
        Faults::Disarm();
        finished = result.converted;
        { CTextureDatabase reopened(m_Dir.File("c.txt"), 0); }
        const CacheFiles now = Files();
        EXPECT_TRUE(now == before || now == after) << point << DescribeDifference(now, before);
        EXPECT_TRUE(EditLeftovers(m_Dir.Path()).empty()) << point;
        if (!finished) {
            EXPECT_TRUE(now == before) << point;
        }
        ASSERT_LT(point, 1000);
    }
}

// tessarine-cli killed at every write of a conversion: the next open finds the old
// target, or the whole new one.
TEST_F(Converter, KilledConversionLeavesTheOldTargetOrTheNewOne) {
    Build(1u | 4u);
    m_Dir.Write("tessarine.ini", "[global]\ngame=2\n");
    const CacheFiles before = Files();
    const auto run = [&](int64_t killAt) {
        return RunCli({"convert", m_Dir.File("c.txt"), "--from", "dxt", "--to", "pvr", "--yes",
                       "--settings=" + m_Dir.File("tessarine.ini")},
                      killAt);
    };
    ASSERT_EQ(run(0), 0);
    const CacheFiles after = Files();
    ASSERT_TRUE(after != before);
    bool finished = false;
    for (int64_t point = 1; !finished; ++point) {
        WriteCacheFiles(m_Dir.Path(), before);
        const int status = run(point);
        finished = WIFEXITED(status);
        if (!finished) {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << point;
        }
        { CTextureDatabase recovered(m_Dir.File("c.txt"), 0); }
        const CacheFiles now = Files();
        EXPECT_TRUE(now == before || now == after) << point << DescribeDifference(now, before);
        ASSERT_FALSE(HasFailure());
        ASSERT_LT(point, 1000);
    }
}

} // namespace
