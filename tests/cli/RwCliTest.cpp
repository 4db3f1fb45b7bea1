// tessarine-cli txd, img, dff and sync end to end, on real dictionaries and models and
// on archives built from them.
#include "cli/CliRunner.h"
#include "support/CacheBuilder.h"
#include "support/ImgBuilder.h"

#include <filesystem>

namespace {

class RwCli : public CliTest {
protected:
    void SetUp() override {
        if (TestDataDir().empty())
            GTEST_SKIP() << "real sample files not found";
    }
    // A version 2 archive of files, each named by its path under real/ or a whole path.
    std::string Archive(const std::vector<std::pair<std::string, std::string>>& files) const {
        std::vector<std::pair<std::string, std::string>> entries;
        for (const auto& [name, source] : files)
            entries.emplace_back(name,
                                 TempDir::ReadFile(source[0] == '/' ? source : m_Real + source));
        return BuildArchive(m_Dir, "test.img", entries);
    }
    const std::string m_Real = TestDataDir() + "/real/";
};

TEST_F(RwCli, TxdListExportAndImport) {
    const std::string chat = Q(m_Real + "txd/pc/sa_LD_CHAT.txd");
    const CliRun info = Cli("txd info " + Q(m_Real + "txd/ps2/sa_ps2_nfpedcx.txd"));
    EXPECT_EQ(info.code, 0);
    EXPECT_TRUE(info.Out("PS2 dictionary, 1 textures")) << info.out;
    EXPECT_TRUE(info.Out("String (0x48, 8 bytes) \"black16\""));
    const CliRun list = Cli("txd list " + chat + " --json");
    EXPECT_TRUE(list.Out("{\"id\": 3, \"name\": \"dpad_lr\", \"width\": 32, \"height\": 32, "
                         "\"format\": \"DXT1\", \"alpha\": true}"))
        << list.out;
    const CliRun exported = Cli("txd export " + chat + " --out " + F("png"));
    EXPECT_EQ(exported.code, 0) << exported.err;
    EXPECT_TRUE(std::filesystem::exists(m_Dir.File("png/thumbup.png")));
    EXPECT_EQ(Cli("txd export " + chat + " goodcha --out " + F("g.bmp")).code, 0);
    EXPECT_TRUE(std::filesystem::exists(m_Dir.File("g.bmp")));

    ASSERT_EQ(Cli("create " + F("c.txt")).code, 0);
    const std::string hud = Q(m_Real + "txd/pc/gta3_hud.txd");
    const CliRun imported = Cli("txd import " + F("c.txt") + " " + chat + " " + hud + " --game 2");
    EXPECT_EQ(imported.code, 0) << imported.err;
    EXPECT_TRUE(imported.Out("imported 44 textures, skipped 0 existing, 0 with names the index "
                             "cannot hold, 0 failed"));
    const CliRun again = Cli("txd import " + F("c.txt") + " " + chat + " --game 2");
    EXPECT_EQ(again.code, 1);
    EXPECT_TRUE(again.Out("imported 0 textures, skipped 6 existing"));
    const CliRun replaced = Cli("txd import " + F("c.txt") + " " + chat + " --game 2 --replace");
    EXPECT_TRUE(replaced.Out("imported 6 textures"));
    const CliRun cache = Cli("list " + F("c.txt"));
    EXPECT_TRUE(cache.Out("44 textures")) << cache.out;
    EXPECT_EQ(Cli("check " + F("c.txt")).code, 0);
    // Not a dictionary: a clear refusal.
    const CliRun model = Cli("txd list " + Q(m_Real + "dff/sa_hoop.dff"));
    EXPECT_EQ(model.code, 2);
    EXPECT_TRUE(model.Err("is not a texture dictionary"));
}

TEST_F(RwCli, ImgListExtractAndImportChecked) {
    const std::string archive = Archive({{"LD_CHAT.txd", "txd/pc/sa_LD_CHAT.txd"},
                                         {"nfpedcx.txd", "txd/ps2/sa_ps2_nfpedcx.txd"},
                                         {"fcr900.dff", "dff/sa_fcr900_matfx_env.dff"}});
    const CliRun list = Cli("img list " + Q(archive));
    EXPECT_TRUE(list.Out("IMG version 2, 3 entries"));
    EXPECT_TRUE(list.Out("nfpedcx.txd"));
    EXPECT_EQ(Cli("img extract " + Q(archive) + " ld_chat.TXD --out " + F("x")).code, 0);
    std::string original = TempDir::ReadFile(m_Real + "txd/pc/sa_LD_CHAT.txd");
    EXPECT_EQ(m_Dir.Read("x/LD_CHAT.txd").substr(0, original.size()), original);
    // An existing file is never written over.
    EXPECT_EQ(Cli("img extract " + Q(archive) + " LD_CHAT.txd --out " + F("x")).code, 1);

    ASSERT_EQ(Cli("create " + F("c.txt")).code, 0);
    const CliRun imported = Cli("img import " + F("c.txt") + " " + Q(archive) + " --game 2");
    EXPECT_EQ(imported.code, 0) << imported.err;
    // The PS2 dictionary is read as one, inside the archive too.
    EXPECT_TRUE(imported.Out("imported 7 textures from 2 dictionaries, skipped 0")) << imported.out;
    const CliRun again = Cli("img import " + F("c.txt") + " " + Q(archive) + " --game 2");
    EXPECT_TRUE(again.Out("skipped black16 (already exists)"));
    EXPECT_TRUE(again.Out("imported 0 textures from 2 dictionaries, skipped 7"));
}

TEST_F(RwCli, DffNamesRenameAndSync) {
    CacheBuilder b(m_Dir.Path(), "c", 2, 0b0001);
    b.Add("chrome");
    b.Add("unused1");
    b.Add("Chrome2");
    b.AddAlias("unused2", "chrome");
    b.Write();
    const std::string index = F("c.txt");
    const std::string bike = Q(m_Real + "dff/sa_fcr900_matfx_env.dff");
    const CliRun list = Cli("dff list " + bike + " " + index);
    EXPECT_EQ(list.code, 1); // some names are not in the cache
    EXPECT_TRUE(list.Out("chrome                           OK")) << list.out;
    EXPECT_TRUE(list.Out("Not Found"));
    // A child running past its parent but not past the file is read whole.
    const CliRun overrun = Cli("dff list " + Q(m_Real + "dff/sa_wayfarer_MALFORMED.dff"));
    EXPECT_EQ(overrun.code, 0) << overrun.err;
    EXPECT_TRUE(overrun.Out("vehiclespecdot64"));

    // A dictionary in place of a model lists its own textures.
    EXPECT_NE(Cli("dff list " + Q(m_Real + "txd/pc/sa_LD_CHAT.txd")).out.find("thumbup"),
              std::string::npos);

    std::filesystem::copy_file(m_Real + "dff/sa_fcr900_matfx_env.dff", m_Dir.File("bike.dff"));
    const CliRun renamed = Cli("dff rename " + F("bike.dff") + " a72b7c5e shiny");
    EXPECT_EQ(renamed.code, 0) << renamed.err;
    const CliRun after = Cli("dff list " + F("bike.dff"));
    EXPECT_FALSE(after.Out("a72b7c5e"));
    EXPECT_TRUE(after.Out("chrome")); // effect names stay
    EXPECT_TRUE(after.Out("shiny"));
    EXPECT_EQ(Cli("dff names " + F("bike.dff") + " --out " + F("n.txt")).code, 0);
    EXPECT_FALSE(m_Dir.Read("n.txt").empty());
}

TEST_F(RwCli, SyncKeepsWhatAModelNamesInAnySpelling) {
    CacheBuilder b(m_Dir.Path(), "c", 2, 0b0001);
    b.Add("chrome");
    b.Add("unused1");
    b.Add("Chrome2");
    b.Add("VEHICLESPECDOT64"); // the model names it in lower case
    b.Add("orphan");
    b.AddAlias("unused2", "chrome");
    b.AddAlias("vehicleenvmap128", "orphan"); // used: keeps its original
    b.Write();
    const std::string index = F("c.txt");
    m_Dir.Write("broken.dff", "this is not a model");
    const std::string archive = Archive(
        {{"fcr900.DFF", "dff/sa_fcr900_matfx_env.dff"}, {"broken.dff", m_Dir.File("broken.dff")}});
    const CliRun sync = Cli("sync " + index + " " + Q(archive));
    EXPECT_EQ(sync.code, 0) << sync.err;
    EXPECT_TRUE(sync.Out("unused1\nChrome2\nVEHICLESPECDOT64 (used in another letter case; "
                         "kept)\nunused2 (alias)\n"))
        << sync.out;
    EXPECT_TRUE(sync.Out("3 of 7 textures unused")) << sync.out;
    EXPECT_TRUE(sync.Err("broken.dff skipped"));
    const CliRun json = Cli("sync " + index + " " + Q(archive) + " --json");
    EXPECT_TRUE(json.Out("{\"name\": \"VEHICLESPECDOT64\", \"alias\": false, \"use\": "
                         "\"case\", \"delete\": false}"))
        << json.out;
    EXPECT_TRUE(json.Out("\"models\": 1,"));
    EXPECT_TRUE(json.Out("\"entry\": \"broken.dff\""));

    EXPECT_EQ(Cli("sync " + index + " " + Q(archive) + " --delete").code, 0);
    EXPECT_TRUE(Cli("list " + index).Out("4 textures"));
    EXPECT_EQ(Cli("check " + index).code, 0);
    const CliRun again = Cli("sync " + index + " " + Q(archive) + " --delete");
    EXPECT_EQ(again.code, 1); // nothing left that no model uses in any spelling
    EXPECT_EQ(Cli("sync " + index + " " + Q(archive) + " --delete --include-case").code, 0);
    const CliRun left = Cli("list " + index);
    EXPECT_TRUE(left.Out("3 textures")) << left.out;
    EXPECT_FALSE(left.Out("VEHICLESPECDOT64"));
    EXPECT_TRUE(left.Out("orphan"));
}

} // namespace
