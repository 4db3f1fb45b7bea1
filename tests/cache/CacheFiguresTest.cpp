// Siblings, the information box's figures and alias lists, on caches the tests build.
#include "cache/AliasList.h"
#include "cache/CacheStatistics.h"
#include "cache/TextureDatabase.h"
#include "platform/Files.h"
#include "support/CacheBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

TEST(Siblings, HighestIndexFirstAndNoneForAnAliasOrNothing) {
    TempDir dir;
    CacheBuilder b(dir.Path(), "s", 2, 0b0001);
    for (int i = 0; i < 13; ++i) {
        const std::string name = "t" + std::to_string(i);
        if (i == 3 || i == 7 || i == 12)
            b.AddAlias(name, "t0");
        else if (i == 5)
            b.AddAlias(name, "t1");
        else
            b.Add(name);
    }
    b.Write();
    CTextureDatabase db(b.IndexPath(), 0);
    EXPECT_EQ(FindSiblings(db, 0), (std::vector<int>{12, 7, 3}));
    EXPECT_EQ(FindSiblings(db, 1), (std::vector<int>{5}));
    EXPECT_TRUE(FindSiblings(db, 2).empty());
    EXPECT_TRUE(FindSiblings(db, 3).empty()); // an alias has none
    EXPECT_TRUE(FindSiblings(db, -1).empty());
}

TEST(CacheStatistics, CountsAndSizesOfTheOpenCaches) {
    TempDir dir;
    CacheBuilder b(dir.Path(), "i", 2, 0b0101); // dxt and pvr only
    for (int i = 0; i < 6; ++i)
        b.Add("o" + std::to_string(i), 8, 8, RASTER_RGBA8888, i % 2 == 0, i == 3);
    for (int i = 0; i < 4; ++i)
        b.AddAlias("a" + std::to_string(i), "o" + std::to_string(i));
    b.Write();
    CTextureDatabase db(b.IndexPath(), 0);
    const CacheStatistics figures = ComputeStatistics(db);
    EXPECT_EQ(figures.textures, 10);
    EXPECT_EQ(figures.Originals(), 6);
    EXPECT_EQ(figures.aliases, 4);
    EXPECT_EQ(figures.game, RecordLayout::kSA);
    ASSERT_TRUE(figures.sizes[CacheId::kDxt] && figures.sizes[CacheId::kPvr]);
    EXPECT_FALSE(figures.sizes[CacheId::kEtc] || figures.sizes[CacheId::kUnc]);
    // Every record's own bytes: the whole DAT.
    EXPECT_EQ(int64_t(*figures.sizes[CacheId::kDxt]), Files::FileSize(b.FilePath(CacheId::kDxt, ".dat")));
    EXPECT_EQ(figures.TotalSize(), *figures.sizes[CacheId::kDxt] + *figures.sizes[CacheId::kPvr]);
    const std::string text = StatisticsText(figures);
    EXPECT_NE(text.find("Game: GTA SA\n\n---"), std::string::npos);
    EXPECT_NE(text.find("Total:     10\nOriginals: 6\nAliases:   4\n"), std::string::npos);
    EXPECT_NE(text.find("dxt size: "), std::string::npos);
    EXPECT_NE(text.find("pvr size: "), std::string::npos);
    EXPECT_EQ(text.find("etc size"), std::string::npos);
    EXPECT_EQ(text.find("unc size"), std::string::npos);
}

TEST(CacheStatistics, EmptyCacheAndTotalsPastFourGigabytes) {
    TempDir dir;
    CTextureDatabase empty(0);
    empty.Create(dir.File("e.txt"));
    const std::string text = StatisticsText(ComputeStatistics(empty));
    EXPECT_EQ(text.rfind("Game: (auto)\n", 0), 0u);
    EXPECT_NE(text.find("Total:     0\n"), std::string::npos);
    EXPECT_NE(text.find("dxt size: 0.000 MB\n"), std::string::npos);
    EXPECT_NE(text.find("TOTAL size: 0.000 MB\n"), std::string::npos);

    // Caches of 3 and 2.5 GiB: a 32-bit sum would show 1.5 GiB.
    CacheStatistics large;
    large.sizes[CacheId::kDxt] = 3ull << 30;
    large.sizes[CacheId::kUnc] = 5ull << 29;
    EXPECT_EQ(large.TotalSize(), 11ull << 29);
    EXPECT_NE(StatisticsText(large).find("TOTAL size: 5632.000 MB\n"), std::string::npos);
}

TEST(AliasList, RoundTripBetweenCachesWithEveryBadLineReported) {
    TempDir dir;
    CacheBuilder a(dir.Path(), "a", 2, 0b0001);
    a.Add("wall");
    a.Add("door close ");
    a.AddAlias("wall_old", "wall");
    a.AddAlias("door two", "door close ");
    a.AddAlias("gone_copy", "wall");
    a.AddAlias("#1", "wall");
    a.Write();
    CTextureDatabase source(a.IndexPath(), 0);
    const std::string list = BuildAliasList(source);
    EXPECT_EQ(list, "wall_old wall\n\"door two\" \"door close \"\ngone_copy wall\n\"#1\" wall\n");

    CacheBuilder b(dir.Path(), "b", 2, 0b0011);
    b.Add("wall");
    b.Add("door close ");
    b.Add("Taken");
    b.AddAlias("sub", "wall");
    b.Write();
    const std::string hostile = list +
                                "# a comment, then an empty line\r\n\r\n"
                                "wall_old wall\n"          // 7: listed twice
                                "taken wall\n"             // 8: the cache has "Taken"
                                "x missing\n"              // 9: no such original
                                "y sub\n"                  // 10: the original is an alias
                                "lonely\n"                 // 11: one name
                                "a b c\n"                  // 12: three names
                                "\"open wall\n"            // 13: quote not closed
                                "bad\x01name wall\n"       // 14: control character
                                + std::string(70, 'n') + " wall\n" // 15: too long a name
                                + std::string(2000, 'z') + "\n"    // 16: too long a line
                                "crlf_alias wall\r\n";     // 17: taken
    CTextureDatabase target(b.IndexPath(), 0);
    const AliasListResult result = ImportAliasList(target, hostile);
    ASSERT_EQ(result.created.size(), 5u);
    EXPECT_EQ(result.created[1].alias, "door two");
    EXPECT_EQ(result.created[3].alias, "#1");
    EXPECT_EQ(result.created[4].alias, "crlf_alias");
    std::vector<size_t> refusedLines;
    for (const AliasListLine& line : result.refused) {
        refusedLines.push_back(line.line);
        EXPECT_LE(line.text.size(), kAliasListLineLimit);
        EXPECT_FALSE(line.reason.empty());
    }
    EXPECT_EQ(refusedLines, (std::vector<size_t>{7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
    EXPECT_NE(result.refused[0].reason.find("twice"), std::string::npos);
    EXPECT_NE(result.refused[2].reason.find("no texture 'missing'"), std::string::npos);

    // The aliases are on disk, each with an empty entry in every TOC.
    CTextureDatabase reread(b.IndexPath(), 0);
    EXPECT_EQ(reread.TextureCount(), 9);
    const int door = reread.FindTexture("door two", true);
    ASSERT_GE(door, 0);
    EXPECT_EQ(reread.Textures()[size_t(door)].affiliate, "door close ");
    EXPECT_EQ(reread.GetOriginalIndex(door), reread.FindTexture("door close ", true));
    EXPECT_EQ(Files::FileSize(b.FilePath(CacheId::kEtc, ".toc")),
              Files::FileSize(b.FilePath(CacheId::kDxt, ".toc")));

    // Nothing to take: nothing changes.
    const std::string index = TempDir::ReadFile(b.IndexPath());
    EXPECT_TRUE(ImportAliasList(reread, "x missing\n").created.empty());
    EXPECT_EQ(TempDir::ReadFile(b.IndexPath()), index);
}

TEST(AliasList, FilesThatAreNoListsAreRefused) {
    TempDir dir;
    EXPECT_THROW(ReadAliasListFile(dir.File("none.txt")), CError);
    EXPECT_THROW(ReadAliasListFile(dir.Path()), CError);
    EXPECT_THROW(ReadAliasListFile("/dev/zero"), CError);
    dir.Write("list.txt", "a b\n");
    EXPECT_EQ(ReadAliasListFile(dir.File("list.txt")), "a b\n");
    WriteAliasListFile(dir.File("out.txt"), "x y\n");
    EXPECT_EQ(dir.Read("out.txt"), "x y\n");
    EXPECT_THROW(WriteAliasListFile(dir.File("no/such/folder/out.txt"), "x"), CError);
}
