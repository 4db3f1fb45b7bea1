// Opening caches, loading offsets, reading records, checks and repairs.
#include "cache/ByteOrder.h"
#include "cache/TextureDatabase.h"
#include "platform/Files.h"
#include "platform/ScriptedMessageBox.h"
#include "support/CacheBuilder.h"
#include "support/CoreFixtures.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

class DataFiles : public ::testing::Test {
protected:
    TempDir m_Dir;
    CScriptedMessageBox m_Boxes;
};

} // namespace

TEST_F(DataFiles, ThreeTexturesWithAnAliasInBothLayouts) {
    for (int layout : {1, 2}) {
        SCOPED_TRACE(layout);
        CacheBuilder b(m_Dir.Path(), "c" + std::to_string(layout), layout, 0xF);
        b.Add("first", 8, 4, RASTER_RGBA4444, true);
        b.AddAlias("second", "third");
        b.Add("third", 16, 16, RASTER_DXT1, true, true);
        const std::string path = b.Write();
        const std::string toc = m_Dir.Read("c" + std::to_string(layout) + ".dxt.toc");
        ASSERT_EQ(toc.size(), 16u);
        EXPECT_EQ(LeWord(toc, 8), 0xFFFFFFFFu);

        CTextureDatabase db(path, 0);
        EXPECT_TRUE(m_Boxes.Boxes().empty());
        EXPECT_EQ(db.PrimaryCache(), CacheId::kDxt);
        for (CacheId k : kAllCaches) {
            EXPECT_TRUE(db.CheckToc(k));
            EXPECT_EQ(db.CountTextures(k), 2);
            EXPECT_EQ(db.CountThumbs(k), 2);
        }
        // Headers are read on first use only.
        EXPECT_EQ(db.Textures()[2].textureHeader[CacheId::kDxt].width, 0);
        EXPECT_EQ(db.GetWidth(CacheId::kDxt, 2, false), 16);
        EXPECT_EQ(db.GetLevelCount(CacheId::kEtc, 2, false), 5u);
        EXPECT_STREQ(db.GetFormatName(CacheId::kUnc, 0, false), "RGBA 4444");
        EXPECT_EQ(db.GetChannelLayout(CacheId::kDxt, 0, true), 0x4444);
        EXPECT_EQ(db.GetWidth(CacheId::kDxt, 0, true), 2);
        EXPECT_EQ(db.DetectLayout(2, CacheId::kDxt, false), static_cast<RecordLayout>(layout));
        EXPECT_EQ(db.IsRecordValid(2), 1);
        for (int t : {0, 2}) {
            const auto data = db.ReadTextureData(CacheId::kDxt, t, false);
            ASSERT_TRUE(data);
            EXPECT_EQ(*data, b.Textures()[static_cast<size_t>(t)].raster);
        }
        // The alias reads its original's record.
        EXPECT_EQ(*db.ReadTextureData(CacheId::kUnc, 1, false), b.Textures()[2].raster);
        EXPECT_EQ(db.GetTocOffset(CacheId::kDxt, 1), db.GetTocOffset(CacheId::kDxt, 2));
        const auto thumb = db.ReadTextureData(CacheId::kDxt, 2, true);
        ASSERT_TRUE(thumb);
        EXPECT_EQ(thumb->size(), 16u);
    }
}

TEST_F(DataFiles, LayoutDetectionWithAutomaticGame) {
    // SA record with L = size + 4 and a non-zero K is still stored data.
    std::vector<uint8_t> dat = {0, 0, 0, 0, 0, 0, 0, 0, 20, 0,  0,  0,  3,  0,  0,  0,
                                1, 2, 3, 4, 5, 6, 7, 8, 9,  10, 11, 12, 13, 14, 15, 16};
    EncodeHeader({0xADDE, 0x1401, 2, 2}, dat.data());
    const std::vector<uint8_t> stored(dat.begin() + 16, dat.end());
    // A VC record whose first raster word is larger than size + 4.
    std::vector<uint8_t> vc = {0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0,
                               3, 0, 0, 0, 1, 1, 1, 1, 2,    2,    2, 2};
    EncodeHeader({0xADDE, 0x1401, 2, 2}, vc.data());
    const size_t second = dat.size();
    dat.insert(dat.end(), vc.begin(), vc.end());
    m_Dir.Write("m.txt", "\"a\" width=2 height=2\r\n\"b\" width=2 height=2\r\n");
    m_Dir.Write("m.dxt.dat", std::string(dat.begin(), dat.end()));
    std::vector<uint8_t> toc(12);
    WriteLe32(toc.data(), static_cast<uint32_t>(dat.size()));
    WriteLe32(toc.data() + 4, 0);
    WriteLe32(toc.data() + 8, static_cast<uint32_t>(second));
    m_Dir.Write("m.dxt.toc", std::string(toc.begin(), toc.end()));

    CTextureDatabase db(m_Dir.File("m.txt"), 0);
    EXPECT_EQ(db.DetectLayout(0, CacheId::kDxt, false), RecordLayout::kSA);
    EXPECT_EQ(db.DetectLayout(1, CacheId::kDxt, false), RecordLayout::kVC);
    const auto a = db.ReadTextureData(CacheId::kDxt, 0, false);
    EXPECT_EQ(*a, stored);
    const auto b = db.ReadTextureData(CacheId::kDxt, 1, false);
    EXPECT_EQ(*b, std::vector<uint8_t>(vc.begin() + 8, vc.end()));
}

TEST_F(DataFiles, WithoutTocAndTmbTheDatIsWalkedAndBothAreMade) {
    for (int layout : {1, 2}) {
        SCOPED_TRACE(layout);
        CacheBuilder b(m_Dir.Path(), "w", layout);
        b.AddAlias("early", "x");
        b.Add("x", 8, 8, RASTER_DXT5, true, true);
        b.AddAlias("mid", "x");
        b.Add("y", 4, 4, RASTER_RGBA5551);
        b.writeToc = b.writeTmb = false;
        b.Write();
        for (const char* made : {"w.dxt.toc", "w.dxt.tmb"}) // by the other layout's turn
            std::filesystem::remove(m_Dir.File(made));
        CTextureDatabase db(m_Dir.File("w.txt"), 0);
        EXPECT_FALSE(db.IsTocOpen(CacheId::kDxt));
        EXPECT_FALSE(db.IsTmbOpen(CacheId::kDxt));
        EXPECT_EQ(db.CountTextures(CacheId::kDxt), 2);
        EXPECT_EQ(db.TocList(CacheId::kDxt),
                  (std::vector<uint32_t>{
                      0xFFFFFFFFu, 0, 0xFFFFFFFFu,
                      static_cast<uint32_t>(b.Record(b.Textures()[1], false).size())}));
        EXPECT_EQ(*db.ReadTextureData(CacheId::kDxt, 3, false), b.Textures()[3].raster);
        EXPECT_FALSE(db.CheckToc(CacheId::kDxt));
        db.FixToc(CacheId::kDxt);
        EXPECT_TRUE(db.CheckToc(CacheId::kDxt));
        // The new TMB holds placeholders, which a walk of it finds.
        ASSERT_EQ(db.RebuildTmb(CacheId::kDxt, static_cast<RecordLayout>(layout)), 1);
        EXPECT_EQ(Files::FileSize(m_Dir.File("w.dxt.tmb")), 2 * (layout == 2 ? 20 : 12));
        EXPECT_EQ(db.LoadOffsets(CacheId::kDxt, true), 2);
        EXPECT_EQ(db.CountThumbs(CacheId::kDxt), 2);
        EXPECT_EQ(*db.ReadTextureData(CacheId::kDxt, 3, true),
                  (std::vector<uint8_t>{0x88, 0x88, 0x88, 0x88}));
        EXPECT_EQ(db.Textures()[3].thumbHeader[CacheId::kDxt].tag, 0xADDE);
    }
}

TEST_F(DataFiles, MoreRecordsThanTexturesOrThumbsMismatch) {
    CacheBuilder b(m_Dir.Path(), "e", 1);
    b.Add("a");
    b.Add("b");
    b.Write();
    // The index and the TOC know one texture; DAT and TMB hold two records.
    m_Dir.Write("e.txt", "\"a\" width=4 height=4\r\n");
    m_Dir.Write("e.dxt.toc", std::string("\x90\0\0\0\0\0\0\0", 8));
    {
        CTextureDatabase db(m_Dir.File("e.txt"), 0);
        EXPECT_EQ(db.CountTextures(CacheId::kDxt), 1);
        // The TMB holds two thumbnails for one texture: unusable until rebuilt.
        EXPECT_EQ(db.CountThumbs(CacheId::kDxt), 0);
        EXPECT_EQ(db.Textures()[0].tmbOffset[CacheId::kDxt], -1);
    }
    std::filesystem::remove(m_Dir.File("e.dxt.toc"));
    CTextureDatabase walked(m_Dir.File("e.txt"), 0);
    EXPECT_EQ(walked.LoadOffsets(CacheId::kDxt, false), 0);
}

TEST_F(DataFiles, IndexRebuiltFromTheDat) {
    CacheBuilder b(m_Dir.Path(), "r", 1, 0b11);
    b.Add("one");
    b.Add("two");
    b.Write();
    std::filesystem::remove(m_Dir.File("r.txt"));
    std::filesystem::remove(m_Dir.File("r.dxt.toc"));
    CTextureDatabase db(m_Dir.File("r.txt"), 1);
    EXPECT_EQ(db.TextureCount(), 0);
    ASSERT_EQ(db.RebuildFromDat(), 1);
    ASSERT_EQ(db.TextureCount(), 2);
    EXPECT_EQ(db.GetTextureName(0), "_0x00000000");
    EXPECT_EQ(db.GetTextureName(1), "_0x00000048");
    EXPECT_EQ(db.Textures()[1].width, 4);
    EXPECT_EQ(db.GetCategoryName(0), "Default");
    EXPECT_EQ(m_Dir.Read("r.txt"), "cat=0 name=Default onfoot=0 slow=0 fast=0\r\n"
                                   "\"_0x00000000\" width=4 height=4\r\n"
                                   "\"_0x00000048\" width=4 height=4\r\n");
    EXPECT_TRUE(db.CheckToc(CacheId::kDxt));
    EXPECT_TRUE(db.CheckToc(CacheId::kEtc));
}

TEST_F(DataFiles, CreateMakesEveryFile) {
    CTextureDatabase db(0);
    ASSERT_EQ(db.Create(m_Dir.File("new.txt")), 1);
    EXPECT_EQ(m_Dir.Read("new.txt"), "cat=0 name=Default onfoot=0 slow=0 fast=0\r\n");
    for (const char* cache : {"dxt", "etc", "pvr", "unc"}) {
        const std::string base = std::string("new.") + cache;
        EXPECT_EQ(m_Dir.Read(base + ".toc"), std::string(4, '\0'));
        EXPECT_EQ(Files::FileSize(m_Dir.File(base + ".dat")), 0);
        EXPECT_EQ(Files::FileSize(m_Dir.File(base + ".tmb")), 0);
    }
    EXPECT_EQ(db.PrimaryCache(), CacheId::kDxt);
}

TEST_F(DataFiles, DamagedRecordsAreRefusedNotFollowed) {
    CacheBuilder b(m_Dir.Path(), "d", 2);
    b.Add("a", 8, 8);
    b.Add("b", 8, 8, RASTER_DXT1, false, true);
    b.Write();
    // Record lengths that point far outside the files, and a header claiming 65535x32767.
    std::string dat = m_Dir.Read("d.dxt.dat");
    WriteLe32(reinterpret_cast<uint8_t*>(dat.data()) + 8, 0x7FFFFFF0u);
    m_Dir.Write("d.dxt.dat", dat);
    std::string tmb = m_Dir.Read("d.dxt.tmb");
    WriteLe32(reinterpret_cast<uint8_t*>(tmb.data()) + 8, 0xFFFFFFF0u);
    m_Dir.Write("d.dxt.tmb", tmb);
    {
        CTextureDatabase db(m_Dir.File("d.txt"), 2);
        EXPECT_THROW(db.ReadTextureData(CacheId::kDxt, 0, false), CError);
        const auto b2 = db.ReadTextureData(CacheId::kDxt, 1, false);
        EXPECT_TRUE(b2);
        std::filesystem::remove(m_Dir.File("d.dxt.toc"));
    }
    CTextureDatabase walked(m_Dir.File("d.txt"), 2); // the walk must stop, not loop
    EXPECT_LE(walked.CountTextures(CacheId::kDxt), 2);
    std::string huge = m_Dir.Read("d.dxt.dat");
    EncodeHeader({0, 0x1401, 0xFFFF, 0x7FFF}, reinterpret_cast<uint8_t*>(huge.data()));
    WriteLe32(reinterpret_cast<uint8_t*>(huge.data()) + 8, 40);
    WriteLe32(reinterpret_cast<uint8_t*>(huge.data()) + 12, 1);
    m_Dir.Write("d.dxt.dat", huge);
    CTextureDatabase db(m_Dir.File("d.txt"), 2);
    EXPECT_THROW(db.ReadTextureData(CacheId::kDxt, 0, false), CError); // no 17 GB allocation
}

TEST_F(DataFiles, AliasesOfAliasesDoNotRecurse) {
    CacheBuilder b(m_Dir.Path(), "a", 1);
    b.AddAlias("self", "self");
    b.AddAlias("x", "y");
    b.AddAlias("y", "x");
    b.Add("real");
    b.Write();
    CTextureDatabase db(m_Dir.File("a.txt"), 0);
    for (int t = 0; t < 3; ++t) {
        EXPECT_EQ(db.GetTocOffset(CacheId::kDxt, t), -1);
        EXPECT_EQ(db.GetOriginalIndex(t), -1);
        EXPECT_THROW(db.ReadTextureData(CacheId::kDxt, t, false), CError);
    }
    EXPECT_EQ(*db.ReadTextureData(CacheId::kDxt, 3, false), b.Textures()[3].raster);
}

TEST_F(DataFiles, RealTocAndTmbFilesLoad) {
    SKIP_WITHOUT_TESTDATA();
    const std::string root = TestDataDir();
    for (const char* set : {"sunset/menu", "sunset/mobile", "sunset/txd", "myskins/menu"}) {
        SCOPED_TRACE(set);
        const std::string base = root + "/real/mobile_cache/" + set;
        const TempDir dir;
        const std::string name = dir.File(Files::FileNameOf(base));
        for (const char* extension : {".txt", ".dxt.toc", ".dxt.tmb"})
            std::filesystem::copy_file(base + extension, name + extension);
        CTextureDatabase db(name + ".txt", 0);
        int ordinary = 0;
        for (const TextureRecord& t : db.Textures())
            ordinary += !t.IsAlias();
        EXPECT_EQ(db.CountThumbs(CacheId::kDxt), ordinary);
        EXPECT_EQ(db.LoadOffsets(CacheId::kDxt, true), ordinary);
        EXPECT_EQ(db.LoadOffsets(CacheId::kDxt, false), ordinary); // from the TOC, no DAT needed
        EXPECT_EQ(static_cast<int>(db.TocList(CacheId::kDxt).size()), db.TextureCount());
        const std::string toc = Files::ReadWholeFile(base + ".dxt.toc").value();
        for (int i = 0; i < db.TextureCount(); ++i)
            EXPECT_EQ(db.TocList(CacheId::kDxt)[static_cast<size_t>(i)],
                      LeWord(toc, 4 + 4 * static_cast<size_t>(i)));
    }
}

TEST_F(DataFiles, IndexRebuildStopsAtJunk) {
    CacheBuilder b(m_Dir.Path(), "j", 1);
    b.Add("one");
    b.writeToc = false;
    b.Write();
    std::filesystem::remove(m_Dir.File("j.txt"));
    std::string dat = m_Dir.Read("j.dxt.dat");
    dat += std::string(4096, '\x7F'); // not a record: its header names no format
    m_Dir.Write("j.dxt.dat", dat);
    CTextureDatabase db(m_Dir.File("j.txt"), 1);
    // The sound records become the index; the junk is named, not made into textures.
    ASSERT_EQ(db.RebuildFromDat(), 1);
    EXPECT_EQ(db.TextureCount(), 1);
    ASSERT_EQ(db.RepairNotes().size(), 1u);
    EXPECT_NE(db.RepairNotes()[0].find("4096 bytes at the end of j.dxt.dat"), std::string::npos);
    // A DAT that is junk from its first byte gives no index at all.
    m_Dir.Write("j.dxt.dat", std::string(4096, '\x7F'));
    std::filesystem::remove(m_Dir.File("j.txt"));
    CTextureDatabase junk(m_Dir.File("j.txt"), 1);
    try {
        junk.RebuildFromDat();
        ADD_FAILURE() << "a DAT of junk gives no index";
    } catch (const CError& error) {
        EXPECT_NE(error.Message().find("fatal error: texture size = 0 on offset given"),
                  std::string::npos);
    }
    EXPECT_FALSE(Files::Exists(m_Dir.File("j.txt")));
}
