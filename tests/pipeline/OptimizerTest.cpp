// Duplicates made aliases (or deleted): the cases that decide each measure, and the files
// held against a plain run of the one-pair-at-a-time order on small caches.
#include "pipeline/CacheOptimizer.h"

#include "platform/Text.h"
#include "raster/RasterFormat.h"
#include "support/CacheBuilder.h"
#include "support/CacheFiles.h"
#include "support/CoreFixtures.h"

#include <gtest/gtest.h>

namespace {

// The one-at-a-time order: each duplicate is made an alias (or deleted) the moment it is
// found, and the scan goes on at the position that now holds the next texture.
void MakeAliasNow(CTextureDatabase& db, int original, int duplicate) {
    const std::string name = db.GetTextureName(duplicate);
    db.DeleteTexture(duplicate, original, true);
    db.AddAlias(name, db.GetTextureName(original));
}

void NamesOneByOne(CTextureDatabase& db, bool deleteMode) {
    for (int c = 0; c < db.TextureCount(); ++c) {
        if (db.IsAlias(c))
            continue;
        const std::string name = db.GetTextureName(c);
        for (int i = c + 1; i < db.TextureCount();) {
            if (!Text::EqualsNoCase(db.GetTextureName(i), name) || (!deleteMode && db.IsAlias(i))) {
                ++i;
                continue;
            }
            // An alias of this exact name that an earlier texture answers to stays.
            const int first = db.FindTexture(db.GetTextureName(i), true);
            if (deleteMode)
                db.DeleteTexture(i, first == i ? -1 : first, true);
            else
                MakeAliasNow(db, c, i);
        }
    }
}

void Md5OneByOne(CTextureDatabase& db, CacheId cache) {
    const Md5Digest none = Md5Of(nullptr, 0);
    std::vector<Md5Digest> digests;
    for (int t = 0; t < db.TextureCount(); ++t) {
        const auto raster = db.IsAlias(t) ? std::nullopt : db.ReadTextureData(cache, t, false);
        digests.push_back(raster ? Md5Of(raster->data(), raster->size()) : none);
    }
    for (size_t i = 0; i < digests.size(); ++i) {
        if (digests[i] == none)
            continue;
        for (size_t j = i + 1; j < digests.size();) {
            if (digests[j] != digests[i]) {
                ++j;
                continue;
            }
            MakeAliasNow(db, int(i), int(j));
            digests.erase(digests.begin() + std::ptrdiff_t(j));
            digests.push_back(none);
        }
    }
}

void PixelsOneByOne(CTextureDatabase& db, CacheId cache, int threshold) {
    for (int i = 0; i < db.TextureCount(); ++i) {
        if (db.IsAlias(i))
            continue;
        const auto a = db.ReadTextureData(cache, i, false);
        for (int j = i + 1; j < db.TextureCount();) {
            if (db.IsAlias(j) ||
                db.StoredLength(i, cache, false) != db.StoredLength(j, cache, false)) {
                ++j;
                continue;
            }
            const auto b = db.ReadTextureData(cache, j, false);
            int differing = 0;
            for (size_t p = 0; p < a->size() && p < b->size(); ++p)
                differing += (*a)[p] != (*b)[p];
            if (a->size() == b->size() && differing < threshold * 4)
                MakeAliasNow(db, i, j);
            else
                ++j;
        }
    }
}

class Optimizer : public ::testing::Test {
protected:
    CacheBuilder Builder() { return CacheBuilder(m_Dir.Path(), "o", 2, 1u | 4u); }
    std::unique_ptr<CTextureDatabase> Open() {
        return std::make_unique<CTextureDatabase>(m_Dir.File("o.txt"), 0);
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        auto db = Open();
        for (int t = 0; t < db->TextureCount(); ++t)
            names.push_back(db->GetTextureName(t) +
                            (db->IsAlias(t) ? ">" + db->Textures()[size_t(t)].affiliate : ""));
        return names;
    }
    // Runs the optimizer on one copy and the one-by-one order on another: the files
    // must come out the same.
    template <typename Fast, typename Plain> void ExpectSameFiles(Fast fast, Plain plain) {
        const CacheFiles base = ReadCacheFiles(m_Dir.Path(), "o");
        {
            auto db = Open();
            plain(*db);
        }
        const CacheFiles expected = ReadCacheFiles(m_Dir.Path(), "o");
        EXPECT_TRUE(expected != base);
        WriteCacheFiles(m_Dir.Path(), base);
        {
            auto db = Open();
            fast(*db);
        }
        const CacheFiles got = ReadCacheFiles(m_Dir.Path(), "o");
        EXPECT_TRUE(got == expected) << DescribeDifference(got, expected);
    }

    OwnSettings m_Settings{true};
    TempDir m_Dir;
};

TEST_F(Optimizer, NameDuplicatesBecomeAliasesOrGo) {
    for (bool deleteMode : {false, true}) {
        CacheBuilder builder = Builder();
        builder.Add("a");
        builder.Add("A");
        builder.Add("a");
        // Finds the first "a" by its name, so it stays when the second "a" goes.
        builder.AddAlias("nick", "a");
        builder.Write();
        auto db = Open();
        const OptimizeResult result = OptimizeNames(*db, deleteMode);
        db.reset();
        if (deleteMode)
            EXPECT_EQ(Names(), std::vector<std::string>({"a", "nick>a"}));
        else
            EXPECT_EQ(Names(), std::vector<std::string>({"a", "nick>a", "A>a", "a>a"}));
        EXPECT_EQ(result.duplicates, 2);
    }
}

TEST_F(Optimizer, ThreeIdenticalRastersUnderEveryDigest) {
    for (RasterAlgorithm algorithm : {RasterAlgorithm::kMd5, RasterAlgorithm::kMd5Decoded}) {
        CacheBuilder builder = Builder();
        const std::vector<uint8_t> same = builder.Add("one", 8, 8).raster;
        builder.Add("other", 8, 8);
        builder.Add("two", 8, 8).raster = same;
        builder.Add("three", 8, 8).raster = same;
        builder.Write();
        auto db = Open();
        const OptimizeResult result = OptimizeRasters(*db, CacheId::kDxt, algorithm, 5);
        db.reset();
        EXPECT_EQ(result.duplicates, 2);
        EXPECT_EQ(Names(), std::vector<std::string>({"one", "other", "two>one", "three>one"}));
    }
}

// T = 5: 19 differing bytes (raw) or a summed difference of 19 (decoded) are duplicates, 20
// are not; the same when the textures of one size do not fit the memory allowed and are
// narrowed down by their signatures first.
TEST_F(Optimizer, ThresholdsNineteenAndTwenty) {
    for (size_t budget : {size_t(0), size_t(1)})
        for (RasterAlgorithm algorithm :
             {RasterAlgorithm::kPixelDiff, RasterAlgorithm::kPixelDiffDecoded}) {
            const bool decoded = algorithm == RasterAlgorithm::kPixelDiffDecoded;
            CacheBuilder builder = Builder();
            std::vector<uint8_t> base(8 * 8 * 4, 100);
            builder.Add("base", 8, 8).raster = base;
            builder.Add("other", 8, 8);
            for (int differing : {20, 19}) {
                std::vector<uint8_t> near = base;
                if (decoded)
                    near[5] = static_cast<uint8_t>(100 + differing);
                else
                    for (int p = 0; p < differing; ++p)
                        near[size_t(p) * 3] = 7;
                builder.Add("d" + std::to_string(differing), 8, 8).raster = near;
            }
            builder.Write();
            auto db = Open();
            const OptimizeResult result =
                OptimizeRasters(*db, CacheId::kDxt, algorithm, 5, {}, 2, budget);
            db.reset();
            EXPECT_EQ(result.duplicates, 1);
            EXPECT_EQ(Names(), std::vector<std::string>({"base", "other", "d20", "d19>base"}));
        }
}

// Duplicates spread among textures of other sizes, existing aliases (one standing before
// its original) and thumbnails in two caches: the files are those of the plain order.
TEST_F(Optimizer, FilesEqualThoseOfTheOneByOneOrder) {
    const auto build = [&] {
        CacheBuilder builder = Builder();
        const std::vector<uint8_t> x = builder.Add("x", 8, 8).raster;
        builder.AddAlias("early", "Y");
        builder.Add("Y", 4, 4);
        const std::vector<uint8_t> y = builder.Textures().back().raster;
        builder.Add("x2", 8, 8).raster = x;
        builder.Add("y", 4, 4).raster = y;
        builder.Add("big", 16, 16);
        builder.Add("X", 8, 8).raster = x;
        builder.AddAlias("late", "x");
        builder.Add("Y", 4, 4).raster = y;
        builder.Write();
    };
    build();
    ExpectSameFiles([](CTextureDatabase& db) { OptimizeNames(db, false); },
                    [](CTextureDatabase& db) { NamesOneByOne(db, false); });
    build();
    ExpectSameFiles([](CTextureDatabase& db) { OptimizeNames(db, true); },
                    [](CTextureDatabase& db) { NamesOneByOne(db, true); });
    build();
    ExpectSameFiles(
        [](CTextureDatabase& db) {
            OptimizeRasters(db, CacheId::kDxt, RasterAlgorithm::kMd5, 5, {}, 3);
        },
        [](CTextureDatabase& db) { Md5OneByOne(db, CacheId::kDxt); });
    for (size_t budget : {size_t(0), size_t(1)}) {
        build();
        ExpectSameFiles(
            [budget](CTextureDatabase& db) {
                OptimizeRasters(db, CacheId::kDxt, RasterAlgorithm::kPixelDiff, 2, {}, 3, budget);
            },
            [](CTextureDatabase& db) { PixelsOneByOne(db, CacheId::kDxt, 2); });
    }
}

// A duplicate's own aliases follow it to its original, rather than point at the new alias
// of its name, which would show nothing.
TEST_F(Optimizer, AliasesOfADuplicateStillShowItsPicture) {
    CacheBuilder builder = Builder();
    const std::vector<uint8_t> same = builder.Add("first", 8, 8).raster;
    builder.Add("second", 8, 8).raster = same;
    builder.AddAlias("nick", "second");
    builder.Write();
    auto db = Open();
    ASSERT_EQ(OptimizeRasters(*db, CacheId::kDxt, RasterAlgorithm::kMd5, 5).duplicates, 1);
    db = Open();
    const int nick = db->FindTexture("nick", true);
    EXPECT_EQ(db->Textures()[size_t(nick)].affiliate, "first");
    EXPECT_EQ(db->ReadTextureData(CacheId::kDxt, nick, false), std::optional(same));
}

TEST(OptimizerText, DigestAndThreshold) {
    EXPECT_EQ(DigestText(Md5Of(reinterpret_cast<const uint8_t*>("abc"), 3)),
              "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(ParseThreshold("12px"), 12);
    EXPECT_EQ(ParseThreshold("px"), 0);
    EXPECT_EQ(ParseThreshold("-5"), 0);
    EXPECT_EQ(ParseThreshold("99999999999"), INT_MAX / 4);
}

} // namespace
