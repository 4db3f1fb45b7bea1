// Damaged caches found in use, each with what went wrong before: a repair must never
// point a texture at another texture's record, throw sound data away, or make a damaged
// cache look sound.
#include "cache/ByteOrder.h"
#include "cache/CacheCheck.h"
#include "cache/EditJournal.h"
#include "cache/TextureDatabase.h"
#include "platform/Files.h"
#include "platform/ScriptedMessageBox.h"
#include "support/CacheBuilder.h"
#include "support/CacheFiles.h"
#include "support/CoreFixtures.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

bool Has(const std::vector<CacheProblem>& problems, CacheProblem::Kind kind) {
    for (const CacheProblem& p : problems)
        if (p.kind == kind)
            return true;
    return false;
}

class Repairs : public ::testing::Test {
protected:
    // Five textures and two aliases, the last entry an alias; records of three sizes.
    CacheBuilder& Build(int layout, unsigned caches = 0b0011) {
        m_Builder = std::make_unique<CacheBuilder>(m_Dir.Path(), "r", layout, caches);
        m_Builder->Add("a", 8, 8, RASTER_DXT1, true, layout == 2);
        m_Builder->Add("b", 4, 4, RASTER_RGBA4444);
        m_Builder->AddAlias("bl", "b");
        m_Builder->Add("c", 16, 16, RASTER_RGBA8888);
        m_Builder->Add("d", 8, 8, RASTER_RGBA8888);
        m_Builder->Add("e", 4, 4, RASTER_RGBA8888);
        m_Builder->AddAlias("el", "e");
        m_Builder->Write();
        return *m_Builder;
    }
    std::string File(CacheId cache, const char* extension) const {
        return m_Builder->FilePath(cache, extension);
    }
    // The raster the builder gave the texture of that name.
    const std::vector<uint8_t>& Raster(const std::string& name) const {
        for (const auto& built : m_Builder->Textures())
            if (built.name == name)
                return built.raster;
        throw std::runtime_error("no texture " + name);
    }
    // Every texture of the first two caches reads back as built.
    void ExpectAllReadable(CTextureDatabase& db) {
        for (CacheId k : {CacheId::kDxt, CacheId::kEtc})
            for (int t = 0; t < db.TextureCount(); ++t) {
                const auto& texture = m_Builder->Textures()[size_t(t)];
                const auto data = db.ReadTextureData(k, t, false);
                ASSERT_TRUE(data) << CacheName(k) << " " << t;
                EXPECT_EQ(*data,
                          Raster(texture.affiliate.empty() ? texture.name : texture.affiliate))
                    << "cache " << CacheName(k) << " texture " << t;
            }
    }
    TempDir m_Dir;
    CScriptedMessageBox m_Boxes;
    std::unique_ptr<CacheBuilder> m_Builder;
};

} // namespace

TEST_F(Repairs, ATocLackingItsLastAliasEntryKeepsEveryThumbnail) {
    Build(1);
    const std::string tmb = TempDir::ReadFile(File(CacheId::kDxt, ".tmb"));
    std::filesystem::resize_file(File(CacheId::kDxt, ".toc"),
                                 Files::FileSize(File(CacheId::kDxt, ".toc")) - 4);
    CTextureDatabase db(m_Dir.File("r.txt"), 0);
    const auto problems = CheckCache(db, true);
    EXPECT_TRUE(Has(problems, CacheProblem::BadToc));
    EXPECT_FALSE(Has(problems, CacheProblem::BadTmb)); // the thumbnails are all there
    for (const CacheProblem& p : problems)
        EXPECT_TRUE(FixProblem(db, p));
    EXPECT_TRUE(CheckCache(db, true).empty());
    EXPECT_EQ(TempDir::ReadFile(File(CacheId::kDxt, ".tmb")), tmb);
    ExpectAllReadable(db);
}

TEST_F(Repairs, ShortEmptiedOrMisleadingTocsAreRebuiltFromTheDat) {
    Build(2);
    const std::string sound = TempDir::ReadFile(File(CacheId::kDxt, ".toc"));
    for (const int64_t length : {12, 0, 1}) {
        SCOPED_TRACE(length);
        std::filesystem::resize_file(File(CacheId::kDxt, ".toc"), length);
        CTextureDatabase db(m_Dir.File("r.txt"), 0);
        if (length == 12) {
            const std::vector<std::string> warnings = db.TakeWarnings();
            ASSERT_EQ(warnings.size(), 1u);
            EXPECT_NE(warnings[0].find("'dxt.toc' size ERROR"), std::string::npos);
            EXPECT_NE(warnings[0].find("Value: 12 [0xc]"), std::string::npos);
        }
        // Words past the end point at no record, not at the first one (another texture's).
        EXPECT_EQ(db.GetTocOffset(CacheId::kDxt, 5), -1);
        EXPECT_FALSE(db.CheckToc(CacheId::kDxt));
        EXPECT_EQ(db.FixToc(CacheId::kDxt), 0); // the walk of the DAT finds every record
        EXPECT_EQ(TempDir::ReadFile(File(CacheId::kDxt, ".toc")), sound);
        ExpectAllReadable(db);
        // A replacement afterwards cuts exactly its own record.
        const int64_t dat = db.FileLength(CacheFileKind::kDat, CacheId::kDxt);
        const int64_t stored = db.StoredLength(1, CacheId::kDxt, false);
        ASSERT_EQ(db.DeleteTexture(1, db.TextureCount() - 1, true), 1);
        EXPECT_EQ(db.FileLength(CacheFileKind::kDat, CacheId::kDxt), dat - stored);
        m_Builder->Write();
    }
}

TEST_F(Repairs, ARecordOutsideItsDatRefusesDeletionAndIsReported) {
    Build(2);
    std::string toc = TempDir::ReadFile(File(CacheId::kDxt, ".toc"));
    WriteLe32(reinterpret_cast<uint8_t*>(toc.data()) + 4 + 4 * 3, 0x00FFFFF0u); // "c"
    m_Dir.Write("r.dxt.toc", toc);
    const CacheFiles before = ReadCacheFiles(m_Dir.Path(), "r");
    CTextureDatabase db(m_Dir.File("r.txt"), 0);
    EXPECT_EQ(db.DeleteTexture(3, db.TextureCount() - 1, true), 0);
    EXPECT_EQ(db.DeleteTextures({0}), 0);
    EXPECT_EQ(ReadCacheFiles(m_Dir.Path(), "r"), before);
    const auto problems = CheckCache(db, true);
    ASSERT_TRUE(Has(problems, CacheProblem::BadRecords));
    EXPECT_NE(problems.back().prompt.find("(c)"), std::string::npos) << problems.back().prompt;
    // The repair finds the record where the walk of the DAT puts it.
    EXPECT_EQ(db.FixToc(CacheId::kDxt), 0);
    EXPECT_TRUE(CheckCache(db, true).empty());
    ExpectAllReadable(db);
}

TEST_F(Repairs, ACutDatStaysDamagedUntilItsLostTexturesAreGone) {
    Build(1);
    std::filesystem::resize_file(File(CacheId::kDxt, ".dat"),
                                 Files::FileSize(File(CacheId::kDxt, ".dat")) * 4 / 10);
    CTextureDatabase db(m_Dir.File("r.txt"), 0);
    EXPECT_GT(db.FixToc(CacheId::kDxt), 0);
    EXPECT_TRUE(db.CheckToc(CacheId::kDxt)); // the TOC itself is sound now
    auto problems = CheckCache(db, true);
    ASSERT_EQ(problems.size(), 1u);
    ASSERT_EQ(problems[0].kind, CacheProblem::BadRecords);
    EXPECT_FALSE(FixProblem(db, problems[0]));
    const std::vector<int> lost = problems[0].textures;
    EXPECT_EQ(db.GetTextureName(lost.front()), "c");
    // Textures without records can be deleted; what remains is sound.
    ASSERT_EQ(db.DeleteTextures(lost), 1);
    EXPECT_TRUE(CheckCache(db, true).empty());
    EXPECT_EQ(*db.ReadTextureData(CacheId::kDxt, 0, false), Raster("a"));
}

TEST_F(Repairs, EmptyDatOrEmptyIndexIsNeverFittedOverTheRecords) {
    Build(2);
    const CacheFiles sound = ReadCacheFiles(m_Dir.Path(), "r");
    m_Dir.Write("r.txt", "cat=0 name=Default onfoot=0 slow=0 fast=0\r\n");
    {
        CTextureDatabase db(m_Dir.File("r.txt"), 0);
        const auto problems = CheckCache(db, true);
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_EQ(problems[0].kind, CacheProblem::EmptyIndex);
        ASSERT_TRUE(FixProblem(db, problems[0]));
        EXPECT_EQ(db.TextureCount(), 5); // the aliases are gone with the names
        EXPECT_TRUE(CheckCache(db, true).empty());
    }
    WriteCacheFiles(m_Dir.Path(), sound);
    std::filesystem::resize_file(File(CacheId::kDxt, ".dat"), 0);
    CTextureDatabase db(m_Dir.File("r.txt"), 0);
    EXPECT_EQ(db.FixToc(CacheId::kDxt), 5);
    const auto problems = CheckCache(db, true);
    ASSERT_TRUE(Has(problems, CacheProblem::BadRecords));
    EXPECT_EQ(problems.back().textures.size(), 5u);
}

TEST_F(Repairs, AnIndexBuiltFromADatMapsEveryCacheToItsOwnRecords) {
    Build(2, 0b1111);
    std::filesystem::remove(m_Dir.File("r.txt"));
    {
        CTextureDatabase db(m_Dir.File("r.txt"), 0);
        ASSERT_EQ(db.RebuildFromDat(), 1);
        EXPECT_TRUE(db.RepairNotes().empty());
    }
    CTextureDatabase db(m_Dir.File("r.txt"), 0);
    ASSERT_EQ(db.TextureCount(), 5);
    EXPECT_TRUE(CheckCache(db, true).empty());
    for (CacheId k : kAllCaches)
        for (int t = 0; t < 5; ++t)
            EXPECT_EQ(*db.ReadTextureData(k, t, false), Raster(std::string(1, char('a' + t))))
                << CacheName(k) << " " << t;

    // A cache whose DAT does not hold the same records is not guessed at.
    Build(2, 0b0011);
    std::filesystem::remove(m_Dir.File("r.txt"));
    std::filesystem::resize_file(File(CacheId::kEtc, ".dat"),
                                 Files::FileSize(File(CacheId::kEtc, ".dat")) / 2);
    CTextureDatabase partial(m_Dir.File("r.txt"), 0);
    ASSERT_EQ(partial.RebuildFromDat(), 1);
    ASSERT_EQ(partial.RepairNotes().size(), 1u);
    EXPECT_NE(partial.RepairNotes()[0].find("etc cache"), std::string::npos);
    EXPECT_EQ(partial.DamagedRecords(CacheId::kEtc).size(), 5u);
}

TEST_F(Repairs, TheThumbnailRepairKeepsIntactThumbnails) {
    Build(2);
    const std::string tmb = TempDir::ReadFile(File(CacheId::kEtc, ".tmb"));
    const size_t record = tmb.size() / 5; // the builder's thumbnails are all one size
    std::filesystem::resize_file(File(CacheId::kEtc, ".tmb"),
                                 static_cast<int64_t>(tmb.size() - record / 2));
    CTextureDatabase db(m_Dir.File("r.txt"), 0);
    ASSERT_TRUE(Has(CheckCache(db), CacheProblem::BadTmb));
    ASSERT_EQ(db.RebuildTmb(CacheId::kEtc, RecordLayout::kSA), 1);
    db.LoadOffsets(CacheId::kEtc, true);
    const std::string now = TempDir::ReadFile(File(CacheId::kEtc, ".tmb"));
    EXPECT_EQ(now.substr(0, 4 * record), tmb.substr(0, 4 * record));
    EXPECT_EQ(now.size(), 4 * record + 20); // one placeholder, where no maker was given
    EXPECT_EQ(db.CountThumbs(CacheId::kEtc), 5);
}

TEST_F(Repairs, RenamingATextureWithALongNameRenamesItsLineAndItsAliases) {
    const std::string longName(70, 'n');
    m_Dir.Write("l.txt", "cat=0 name=Default onfoot=0 slow=0 fast=0\r\n\"" + longName +
                             "\" width=4 height=4\r\n\"alias\" \"affiliate=" + longName + "\"\r\n");
    {
        CTextureDatabase db(m_Dir.File("l.txt"), 0);
        ASSERT_EQ(db.RenameTexture(0, "short"), 1);
    }
    const std::string index = m_Dir.Read("l.txt");
    EXPECT_NE(index.find("\"short\" width=4 height=4\r\n"), std::string::npos) << index;
    EXPECT_NE(index.find("\"alias\" \"affiliate=short\"\r\n"), std::string::npos) << index;
    CTextureDatabase db(m_Dir.File("l.txt"), 0);
    EXPECT_EQ(db.GetOriginalIndex(1), 0);
}

TEST_F(Repairs, EditsThroughASymbolicLinkChangeTheFilesBesideTheRealIndex) {
    Build(2);
    const std::string elsewhere = m_Dir.File("elsewhere");
    std::filesystem::create_directory(elsewhere);
    std::filesystem::create_symlink(m_Dir.File("r.txt"), elsewhere + "/r.txt");
    {
        CTextureDatabase db(elsewhere + "/r.txt", 0);
        {
            // Its lock lies beside the real index, where every other program looks for it.
            CEditScope edit(db);
            EXPECT_TRUE(Files::Exists(m_Dir.File("r.txt.lock")));
            EXPECT_FALSE(Files::Exists(elsewhere + "/r.txt.lock"));
        }
        ASSERT_EQ(db.DeleteTextures({3}), 1);
    }
    EXPECT_TRUE(std::filesystem::is_symlink(elsewhere + "/r.txt"));
    EXPECT_EQ(ReadFolder(elsewhere).size(), 1u); // the link alone
    CTextureDatabase db(m_Dir.File("r.txt"), 0);
    EXPECT_EQ(db.TextureCount(), 6);
    EXPECT_TRUE(CheckCache(db, true).empty());
    EXPECT_EQ(*db.ReadTextureData(CacheId::kDxt, 3, false), Raster("d"));
}

TEST_F(Repairs, AnEditInAFolderItMayNotWriteChangesNothing) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    Build(2);
    const CacheFiles before = ReadCacheFiles(m_Dir.Path(), "r");
    CTextureDatabase db(m_Dir.File("r.txt"), 0);
    std::filesystem::permissions(m_Dir.Path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    EXPECT_THROW(db.DeleteTextures({3}), CWriteError);
    std::filesystem::permissions(m_Dir.Path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(ReadCacheFiles(m_Dir.Path(), "r"), before);
}

TEST_F(Repairs, TwoTexturesNeverShareARecordAfterARepair) {
    Build(2);
    std::string toc = TempDir::ReadFile(File(CacheId::kDxt, ".toc"));
    // d's entry names c's record: the walk of the DAT knows d's own.
    std::memcpy(toc.data() + 4 + 4 * 5, toc.data() + 4 + 4 * 4, 4);
    m_Dir.Write("r.dxt.toc", toc);
    CTextureDatabase db(m_Dir.File("r.txt"), 0);
    ASSERT_TRUE(Has(CheckCache(db, true), CacheProblem::BadRecords));
    EXPECT_EQ(db.FixToc(CacheId::kDxt), 0);
    EXPECT_TRUE(CheckCache(db, true).empty());
    ExpectAllReadable(db);
}

TEST_F(Repairs, LeftoversOfAnInterruptedEditAreSettledBeforeAnEditAndTheEditRefused) {
    Build(2);
    const CacheFiles before = ReadCacheFiles(m_Dir.Path(), "r");
    CTextureDatabase db(m_Dir.File("r.txt"), 0);
    // Another program, killed half way: its journal and a new DAT it never committed.
    std::vector<std::string> files = {m_Dir.File("r.txt")};
    for (const char* cache : kCacheNames)
        for (const char* extension : {".dat", ".toc", ".tmb"})
            files.push_back(m_Dir.File(std::string("r.") + cache + extension));
    EditJournal::Write(EditJournal::JournalPath(files[0]),
                       EditJournal::Snapshot(files, std::vector<bool>(files.size(), false)));
    m_Dir.Write("r.dxt.dat.tsnew", "half a compaction");
    EXPECT_THROW(db.AddAlias("x", "a"), CBusyError);
    EXPECT_EQ(ReadCacheFiles(m_Dir.Path(), "r"), before);
    EXPECT_TRUE(EditLeftovers(m_Dir.Path()).empty());

    // A journal that cannot be trusted stops every edit and changes nothing.
    m_Dir.Write("r.txt.journal", "tessarine-journal 1\nnonsense\n");
    m_Dir.Write("r.dxt.dat.tsnew", "half a compaction");
    CTextureDatabase again(m_Dir.File("r.txt"), 0);
    EXPECT_EQ(again.TextureCount(), 7);
    try {
        again.AddAlias("x", "a");
        ADD_FAILURE() << "the edit went ahead";
    } catch (const CError& refused) {
        EXPECT_NE(std::string(refused.what()).find("journal"), std::string::npos) << refused.what();
    }
    EXPECT_EQ(ReadCacheFiles(m_Dir.Path(), "r"), before);
    EXPECT_TRUE(Files::Exists(m_Dir.File("r.dxt.dat.tsnew")));
}
