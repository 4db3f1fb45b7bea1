// Changing caches: adding, renaming, keys, categories, deleting with compaction.
#include "cache/ByteOrder.h"
#include "cache/TextureDatabase.h"
#include "platform/Files.h"
#include "platform/ScriptedMessageBox.h"
#include "support/CacheBuilder.h"
#include "support/CoreFixtures.h"

#include <gtest/gtest.h>

namespace {

class Editing : public ::testing::Test {
protected:
    // a (4x4 8888), al -> a, b (8x8 DXT1 packed), c (4x4 4444), cl -> c; SA layout, dxt+etc.
    std::unique_ptr<CTextureDatabase> Open(int layout = 2) {
        m_Builder = std::make_unique<CacheBuilder>(m_Dir.Path(), "e", layout, 0b11);
        m_Builder->categories = {"Default", "One", "Two"};
        m_Builder->Add("a");
        m_Builder->AddAlias("al", "a");
        m_Builder->Add("b", 8, 8, RASTER_DXT1, false, true).extraItems = " cat=2";
        m_Builder->Add("c", 4, 4, RASTER_RGBA4444).extraItems = " cat=1";
        m_Builder->AddAlias("cl", "c");
        return std::make_unique<CTextureDatabase>(m_Builder->Write(), 0);
    }
    TempDir m_Dir;
    CScriptedMessageBox m_Boxes;
    std::unique_ptr<CacheBuilder> m_Builder;
};

} // namespace

TEST_F(Editing, RenameIsRefusedForTakenNamesAndCarriesAliasesAlong) {
    auto db = Open();
    EXPECT_EQ(db->RenameTexture(0, "B"), 0); // another texture's name in other case
    EXPECT_EQ(db->RenameTexture(0, "A"), 0); // its own name in other case
    EXPECT_EQ(db->RenameTexture(0, ""), 0);
    ASSERT_EQ(db->RenameTexture(0, "apple"), 1);
    EXPECT_EQ(db->Textures()[1].affiliate, "apple");
    const std::string index = m_Dir.Read("e.txt");
    EXPECT_NE(index.find("\"apple\" width=4 height=4\r\n"), std::string::npos);
    EXPECT_NE(index.find("\"al\" \"affiliate=apple\"\r\n"), std::string::npos);
    EXPECT_EQ(*db->ReadTextureData(CacheId::kDxt, 1, false), m_Builder->Textures()[0].raster);
}

TEST_F(Editing, KeySettersAndCategories) {
    auto db = Open();
    ASSERT_EQ(db->SetCategory(2, 0), 1);
    EXPECT_EQ(db->Textures()[2].line.find("cat="), std::string::npos);
    db->SetHasDetail(3, 4);
    db->SetCamNorm(3, 1);
    db->SetHasBias(1, 1); // an alias: the field only
    db->RebuildTxt();
    EXPECT_NE(m_Dir.Read("e.txt").find("\"c\" width=4 height=4 cat=1 hasdetail=4 camnorm=1\r\n"),
              std::string::npos);
    EXPECT_EQ(db->Textures()[1].hasbias, 1);

    db->SetCategory(0, 2);
    ASSERT_EQ(db->DeleteCategory(1), 1); // c (cat 1) falls to 0, a (cat 2) moves to 1
    EXPECT_EQ(db->Textures()[3].cat, 0);
    EXPECT_EQ(db->Textures()[0].cat, 1);
    EXPECT_EQ(db->CategoryCount(), 2);
    EXPECT_EQ(db->Categories()[1].id, 1);
    EXPECT_EQ(db->GetCategoryName(1), "Two");
    EXPECT_EQ(db->DeleteCategory(5), 0);

    // A category name is one word: a second one is refused, not cut off.
    EXPECT_EQ(db->AddCategory("Road Signs"), 0);
    ASSERT_EQ(db->AddCategory("Road"), 1);
    EXPECT_EQ(db->Categories()[2].id, 2);
    EXPECT_EQ(db->RenameCategory(2, "Road"), 1);
    EXPECT_EQ(db->RenameCategory(2, "  "), 0);
    const std::vector<std::string> warnings = db->TakeWarnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("Empty category name given"), std::string::npos);
    EXPECT_EQ(db->RenameCategory(2, std::string(64, 'r')), 0);
    EXPECT_EQ(db->RenameCategory(2, std::string(63, 'r')), 1);
    EXPECT_EQ(db->CategoryCount(), 3);
}

TEST_F(Editing, AppendRecordThenAddTexture) {
    auto db = Open();
    std::vector<uint8_t> raster(64);
    for (size_t i = 0; i < raster.size(); ++i)
        raster[i] = static_cast<uint8_t>(i / 16); // four equal-ish blocks: packs
    const RasterHeader header{0xADDE, 0x1401, 4, 4};
    const RasterHeader thumbHeader{0xADDE, 0x1401, 2, 2};
    const std::vector<uint8_t> thumb(16, 7);
    const int64_t datBefore = db->FileLength(CacheFileKind::kDat, CacheId::kDxt);
    for (CacheId k : {CacheId::kDxt, CacheId::kEtc}) {
        ASSERT_EQ(db->AppendRecord(k, header, false, raster.data(), RecordLayout::kSA, true, 64),
                  1);
        ASSERT_EQ(
            db->AppendRecord(k, thumbHeader, true, thumb.data(), RecordLayout::kSA, false, 16), 1);
    }
    EXPECT_EQ(
        db->AppendRecord(CacheId::kPvr, header, false, raster.data(), RecordLayout::kSA, true, 64),
        0); // no pvr files
    ASSERT_EQ(db->AddTexture("new", 4, 4, 1, 2), 1);
    const int t = db->TextureCount() - 1;
    EXPECT_EQ(db->Textures()[static_cast<size_t>(t)].camnorm, 1);
    EXPECT_EQ(db->GetOffset(CacheId::kDxt, t, false), datBefore);
    EXPECT_EQ(*db->ReadTextureData(CacheId::kEtc, t, false), raster);
    EXPECT_EQ(*db->ReadTextureData(CacheId::kDxt, t, true), thumb);
    EXPECT_TRUE(db->CheckToc(CacheId::kDxt));
    EXPECT_NE(m_Dir.Read("e.txt").find("\"new\" width=4 height=4 cat=1 alphamode=2 camnorm=1\r\n"),
              std::string::npos);
    // Data that does not pack is stored.
    const std::vector<uint8_t> noise = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    ASSERT_EQ(db->AppendRecord(CacheId::kDxt, RasterHeader{0xADDE, 0x1401, 2, 2}, false,
                               noise.data(), RecordLayout::kSA, true, 16),
              1);
    const std::string dat = m_Dir.Read("e.dxt.dat");
    EXPECT_EQ(LeWord(dat, dat.size() - 24), 20u);
    EXPECT_EQ(LeWord(dat, dat.size() - 20), 0u);
}

TEST_F(Editing, AddAliasExtendsEveryToc) {
    auto db = Open();
    ASSERT_EQ(db->AddAlias("bl", "b"), 1);
    EXPECT_TRUE(db->CheckToc(CacheId::kDxt));
    EXPECT_TRUE(db->CheckToc(CacheId::kEtc));
    EXPECT_EQ(*db->ReadTextureData(CacheId::kEtc, 5, false), m_Builder->Textures()[2].raster);
    EXPECT_EQ(db->CountSiblings(2), 1);
    EXPECT_NE(m_Dir.Read("e.txt").find("\"bl\" \"affiliate=b\"\r\n"), std::string::npos);
}

TEST_F(Editing, DeletingCutsRecordsAndMovesLaterOffsets) {
    for (int layout : {1, 2}) {
        SCOPED_TRACE(layout);
        auto db = Open(layout);
        const auto recordA = m_Builder->Record(m_Builder->Textures()[0], false);
        const auto thumbA = m_Builder->Record(m_Builder->Textures()[0], true);
        const int64_t datBefore = db->FileLength(CacheFileKind::kDat, CacheId::kDxt);
        const int64_t tmbBefore = db->FileLength(CacheFileKind::kTmb, CacheId::kDxt);
        const int32_t offsetB = db->GetTocOffset(CacheId::kDxt, 2);
        EXPECT_EQ(db->StoredLength(0, CacheId::kDxt, false), recordA.size());
        EXPECT_EQ(db->StoredLength(1, CacheId::kDxt, false), 0u);
        EXPECT_EQ(db->StoredLength(1, CacheId::kDxt, true), recordA.size());
        ASSERT_EQ(db->DeleteTexture(0, -1, true), 1); // takes its alias "al" first
        EXPECT_EQ(db->TextureCount(), 3);
        EXPECT_EQ(db->GetTextureName(0), "b");
        EXPECT_EQ(db->FileLength(CacheFileKind::kDat, CacheId::kDxt),
                  datBefore - static_cast<int64_t>(recordA.size()));
        EXPECT_EQ(db->FileLength(CacheFileKind::kTmb, CacheId::kDxt),
                  tmbBefore - static_cast<int64_t>(thumbA.size()));
        EXPECT_EQ(db->GetTocOffset(CacheId::kDxt, 0),
                  offsetB - static_cast<int32_t>(recordA.size()));
        EXPECT_TRUE(db->CheckToc(CacheId::kDxt));
        EXPECT_TRUE(db->CheckToc(CacheId::kEtc));
        EXPECT_EQ(*db->ReadTextureData(CacheId::kDxt, 0, false), m_Builder->Textures()[2].raster);
        EXPECT_EQ(*db->ReadTextureData(CacheId::kEtc, 2, false),
                  m_Builder->Textures()[3].raster); // cl
        EXPECT_EQ(db->GetOriginalIndex(2), 1);
        EXPECT_EQ(m_Dir.Read("e.txt").find("\"al\""), std::string::npos);
        // The last texture: exactly its record goes.
        const int64_t lengthC = db->StoredLength(1, CacheId::kDxt, false);
        const int64_t before = db->FileLength(CacheFileKind::kDat, CacheId::kDxt);
        ASSERT_EQ(db->DeleteTexture(1, -1, true), 1);
        EXPECT_EQ(db->FileLength(CacheFileKind::kDat, CacheId::kDxt), before - lengthC);
        const std::string toc = m_Dir.Read("e.dxt.toc");
        EXPECT_EQ(toc.size(), 8u);
        EXPECT_EQ(LeWord(toc, 0),
                  static_cast<uint32_t>(db->FileLength(CacheFileKind::kDat, CacheId::kDxt)));
        EXPECT_TRUE(m_Boxes.Boxes().empty());
    }
}

TEST_F(Editing, DeletingWithoutShrinkingKeepsFileLengths) {
    auto db = Open();
    const int64_t dat = db->FileLength(CacheFileKind::kDat, CacheId::kDxt),
                  tmb = db->FileLength(CacheFileKind::kTmb, CacheId::kDxt);
    const std::string tail = m_Dir.Read("e.dxt.dat").substr(static_cast<size_t>(dat) - 8);
    ASSERT_EQ(db->DeleteTexture(2, 0, false), 1);
    EXPECT_EQ(db->FileLength(CacheFileKind::kDat, CacheId::kDxt), dat);
    EXPECT_EQ(db->FileLength(CacheFileKind::kTmb, CacheId::kDxt), tmb);
    const std::string now = m_Dir.Read("e.dxt.dat");
    EXPECT_EQ(now.substr(now.size() - 8), tail); // the old tail bytes stay behind
    EXPECT_EQ(LeWord(m_Dir.Read("e.dxt.toc"), 0), static_cast<uint32_t>(dat));
}

TEST_F(Editing, DeleteSiblingsAndAliasIndexes) {
    auto db = Open();
    EXPECT_EQ(db->CountSiblings(3), 1);
    ASSERT_EQ(db->DeleteSiblings(3), 1);
    EXPECT_EQ(db->TextureCount(), 4);
    EXPECT_EQ(db->CountSiblings(3), 0);
    // Deleting b (index 2) moves c down; al still finds a.
    EXPECT_EQ(db->GetOriginalIndex(1), 0);
    ASSERT_EQ(db->DeleteTexture(2, -1, true), 1);
    EXPECT_EQ(db->GetOriginalIndex(1), 0);
    EXPECT_EQ(db->GetTextureName(2), "c");
    EXPECT_EQ(*db->ReadTextureData(CacheId::kDxt, 2, false), m_Builder->Textures()[3].raster);
    EXPECT_EQ(db->DeleteTexture(7, -1, true), 0);
}

TEST(FileHelpers, FormatFileSizeAndDeletePart) {
    EXPECT_EQ(FormatFileSize(1023), "1023 b");
    EXPECT_EQ(FormatFileSize(1024), "1.00 KB");
    EXPECT_EQ(FormatFileSize(1572864), "1.50 MB");
    EXPECT_EQ(FormatFileSize(3221225472ull), "3.00 GB");
    TempDir dir;
    std::string data(20000, 'x');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>('a' + i % 26);
    dir.Write("f", data);
    FILE* f = fopen(dir.File("f").c_str(), "rb+");
    ASSERT_EQ(fdelete_part(f, 100, 9000), 1);
    EXPECT_EQ(Files::FileSize(f), 20000);
    ASSERT_EQ(fdelete_part(f, 19990, 10), 1); // up to the end: nothing moves
    fclose(f);
    const std::string now = dir.Read("f");
    EXPECT_EQ(now.substr(0, 100), data.substr(0, 100));
    EXPECT_EQ(now.substr(100, 10900), data.substr(9100));
    EXPECT_EQ(now.substr(11000), data.substr(11000));
}
