// Cleaning a cache against archives of models: the names used, the case rule, aliases,
// damaged models, the byte total and the one-pass deletion.
#include "pipeline/SyncArchives.h"
#include "cache/TextureDatabase.h"
#include "platform/Files.h"
#include "platform/ScriptedMessageBox.h"
#include "support/ArchiveBytes.h"
#include "support/CacheBuilder.h"
#include "support/CoreFixtures.h"

#include <gtest/gtest.h>

namespace {

class Sync : public ::testing::Test {
protected:
    void SetUp() override {
        SKIP_WITHOUT_TESTDATA();
        const std::string dff = TestDataDir() + "/real/dff/";
        m_Dir.Write(
            "models.img",
            ArchiveBytes({{"fcr900.DFF", TempDir::ReadFile(dff + "sa_fcr900_matfx_env.dff")},
                          {"broken.dff", "this is not a model"},
                          {"faggio.txd",
                           TempDir::ReadFile(TestDataDir() + "/real/txd/ps2/sa_ps2_faggio.txd")},
                          {"wayfarer.dff", TempDir::ReadFile(dff + "sa_wayfarer_MALFORMED.dff")}}));
        CacheBuilder b(m_Dir.Path(), "c", 2, 0b0011);
        b.Add("chrome", 8, 8);
        b.Add("Chrome2", 16, 16);
        b.Add("VEHICLEENVMAP128");
        b.Add("orphan", 8, 8);
        b.AddAlias("unused2", "chrome");
        b.AddAlias("vehiclespecdot64", "orphan"); // used: its original stays
        b.Write();
    }
    TempDir m_Dir;
    CScriptedMessageBox m_Boxes;
};

TEST_F(Sync, ModelsAreScannedInPlaceAndDamagedOnesSkipped) {
    CSyncScan scan;
    std::vector<std::string> shown;
    ASSERT_TRUE(scan.ScanArchive(m_Dir.File("models.img"),
                                 [&](const std::string& name, size_t, size_t total) {
                                     EXPECT_EQ(total, 4u);
                                     shown.push_back(name);
                                     return true;
                                 }));
    EXPECT_EQ(shown, (std::vector<std::string>{"", "fcr900.DFF", "broken.dff", "wayfarer.dff"}));
    EXPECT_EQ(scan.ModelCount(), 2u); // the overrunning model reads whole
    ASSERT_EQ(scan.Skipped().size(), 1u);
    EXPECT_EQ(scan.Skipped()[0].entry, "broken.dff");
    EXPECT_FALSE(scan.Skipped()[0].error.empty());
    EXPECT_EQ(scan.Used().at("vehiclespecdot64"), 27 + 17);
    EXPECT_EQ(scan.Used().at("vehicleenvmap128"), 3 + 8);
    EXPECT_TRUE(scan.UsesInAnyCase("VehicleEnvMap128"));
    EXPECT_FALSE(scan.UsesExactly("VehicleEnvMap128"));
    EXPECT_TRUE(m_Boxes.Boxes().empty());

    // A stop asked for ends the scan; an archive that is not there scans nothing.
    CSyncScan stopped;
    EXPECT_FALSE(
        stopped.ScanArchive(m_Dir.File("models.img"),
                            [](const std::string& name, size_t, size_t) { return name.empty(); }));
    EXPECT_EQ(stopped.ModelCount(), 0u);
    EXPECT_FALSE(stopped.ScanArchive(m_Dir.File("missing.img")));
}

TEST_F(Sync, ListingKeepsEverySpellingAndAliasesOriginalsAndDeletesInOnePass) {
    CSyncScan scan;
    ASSERT_TRUE(scan.ScanArchive(m_Dir.File("models.img")));
    CTextureDatabase db(m_Dir.File("c.txt"), 0);
    const SyncListing listing = ListSyncTextures(db, scan, false);
    ASSERT_EQ(listing.textures.size(), 6u);
    auto row = [&](int t) {
        const SyncTexture& x = listing.textures[size_t(t)];
        return x.name + "|" + x.Info() + "|" + (x.checked ? "x" : "-");
    };
    EXPECT_EQ(row(0), "chrome||-");
    EXPECT_EQ(row(1), "Chrome2||x");
    EXPECT_EQ(row(2), "VEHICLEENVMAP128|Case|-");
    EXPECT_EQ(row(3), "orphan||-"); // unused, but its alias is used
    EXPECT_EQ(row(4), "unused2|Alias|x");
    EXPECT_EQ(row(5), "vehiclespecdot64|Alias|-");
    EXPECT_EQ(listing.toDelete, 2);
    // Chrome2's records in the two open caches; the alias has none.
    const uint64_t chrome2 =
        db.StoredLength(1, CacheId::kDxt, false) + db.StoredLength(1, CacheId::kEtc, false);
    EXPECT_EQ(listing.bytes, chrome2);
    char expected[64];
    std::snprintf(expected, sizeof expected, "2 to delete (%0.2f MB)", chrome2 / 1048576.0);
    EXPECT_EQ(SyncStatusText(listing.toDelete, listing.bytes), expected);
    EXPECT_EQ(SyncStatusText(1, 0), "Cache N/A");

    const SyncListing withCase = ListSyncTextures(db, scan, true);
    EXPECT_EQ(withCase.toDelete, 3);
    EXPECT_TRUE(withCase.textures[2].checked);

    const int64_t dat = Files::FileSize(m_Dir.File("c.dxt.dat")),
                  toc = Files::FileSize(m_Dir.File("c.dxt.toc"));
    const int64_t dxtChrome2 = int64_t(db.StoredLength(1, CacheId::kDxt, false));
    ASSERT_EQ(DeleteSyncTextures(db, listing.Checked()), 1);
    EXPECT_EQ(db.TextureCount(), 4);
    EXPECT_EQ(db.FindTexture("Chrome2", true), -1);
    EXPECT_EQ(db.FindTexture("unused2", true), -1);
    EXPECT_EQ(Files::FileSize(m_Dir.File("c.dxt.dat")), dat - dxtChrome2);
    EXPECT_EQ(Files::FileSize(m_Dir.File("c.dxt.toc")), toc - 2 * 4);
    for (CacheId c : {CacheId::kDxt, CacheId::kEtc})
        EXPECT_TRUE(db.CheckToc(c));
    CTextureDatabase reopened(m_Dir.File("c.txt"), 0);
    EXPECT_EQ(reopened.TextureCount(), 4);
    EXPECT_EQ(reopened.FindTexture("VEHICLEENVMAP128", true), 1);
}

} // namespace
