// tessarine-cli end to end: real processes on real files.
#include "cli/CliRunner.h"
#include "platform/Files.h"
#include "raster/ImageFile.h"
#include "support/CacheBuilder.h"

#include <filesystem>

namespace {

class CliTool : public CliTest {
protected:
    void SetUp() override {
        CacheBuilder b(m_Dir.Path(), "c", 2, 0b0101);
        b.categories = {"Default", "Cars"};
        b.Add("wall", 8, 8, RASTER_DXT1, true, true);
        b.AddAlias("wall2", "wall");
        b.Add("car", 4, 4, RASTER_RGBA4444).extraItems = " cat=1 alphamode=2";
        b.Add("sky", 16, 16, RASTER_RGBA8888);
        b.Write();
        m_Raster = b.Textures()[0].raster;
        m_Index = F("c.txt");
    }
    std::string m_Index; // quoted
    std::vector<uint8_t> m_Raster;
};

} // namespace

TEST_F(CliTool, HelpUsageAndExitCodes) {
    const std::pair<std::string, int> runs[] = {
        {"--help", 0},
        {"", 2},
        {"frobnicate x", 2},
        {"rename " + m_Index + " wall", 2},
        {"info " + m_Index + " --game 7", 2},
        {"rename " + m_Index + " nothing new", 1},
    };
    for (const auto& [arguments, code] : runs)
        EXPECT_EQ(Cli(arguments).code, code) << arguments;
    const CliRun help = Cli("delete --help");
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.Says("Usage: tessarine-cli delete INDEX TEXTURE..."));
    const CliRun missing = Cli("info " + F("none.txt"));
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.Err("no texture cache"));
}

TEST_F(CliTool, InfoListAndCheckInTextAndJson) {
    const CliRun info = Cli("info " + m_Index + " --json");
    ASSERT_EQ(info.code, 0) << info.err;
    EXPECT_TRUE(info.Out("\"textures\": 4, \"aliases\": 1")) << info.out;
    EXPECT_TRUE(info.Out("{\"name\": \"pvr\""));
    EXPECT_FALSE(info.Out("\"etc\""));
    EXPECT_TRUE(info.Out("\"tocSound\": true"));

    const CliRun list = Cli("list " + m_Index + " --category Cars");
    ASSERT_EQ(list.code, 0);
    EXPECT_TRUE(list.Out("#2 car 4x4 in Cars, alpha [dxt RGBA 4444, pvr RGBA 4444]")) << list.out;
    EXPECT_FALSE(list.Out("#0 wall"));
    const CliRun json = Cli("list " + m_Index + " --json");
    EXPECT_TRUE(json.Out("{\"index\": 1, \"name\": \"wall2\", \"width\": 8, \"height\": 8, "
                         "\"category\": 0, \"alias\": \"wall\""))
        << json.out;

    const CliRun check = Cli("check " + m_Index + " --json");
    EXPECT_EQ(check.code, 0);
    EXPECT_TRUE(check.Out("\"sound\": true"));
}

TEST_F(CliTool, CheckAndFixDamagedFiles) {
    std::filesystem::resize_file(m_Dir.File("c.dxt.toc"), 8);
    std::filesystem::remove(m_Dir.File("c.pvr.tmb"));
    const CliRun check = Cli("check " + m_Index);
    EXPECT_EQ(check.code, 2);
    EXPECT_TRUE(check.Out("toc: DXT.TOC file is corrupted.")) << check.out;
    EXPECT_TRUE(check.Out("tmb: PVR.TMB file is corrupted, it can hang game loading."));
    // Without a terminal and without --yes the safe answer is no: nothing changes.
    const CliRun declined = Cli("fix " + m_Index);
    EXPECT_EQ(declined.code, 1);
    EXPECT_TRUE(declined.Err("DXT.TOC file is corrupted. Do you want to fix it?"));
    EXPECT_EQ(Files::FileSize(m_Dir.File("c.dxt.toc")), 8);
    const CliRun fixed = Cli("fix " + m_Index + " --yes");
    EXPECT_EQ(fixed.code, 0) << fixed.err;
    EXPECT_TRUE(fixed.Out("fixed: toc dxt"));
    EXPECT_TRUE(fixed.Out("fixed: tmb pvr"));
    EXPECT_EQ(Cli("check " + m_Index).code, 0);
    // The missing thumbnails are made again from the textures, in their SA layout: 8 x 8
    // for wall and sky, 1 x 1 for the 4 x 4 car (as an import makes them).
    EXPECT_EQ(Files::FileSize(m_Dir.File("c.pvr.tmb")), 2 * (16 + 8 * 8 * 4) + (16 + 4));
}

TEST_F(CliTool, MissingIndexIsRebuiltFromTheDat) {
    std::filesystem::remove(m_Dir.File("c.txt"));
    EXPECT_EQ(Cli("check " + F("c.dxt.toc")).code, 2);
    const CliRun fixed = Cli("fix " + F("c.dxt.dat") + " --yes");
    EXPECT_EQ(fixed.code, 0) << fixed.err;
    const CliRun list = Cli("list " + m_Index);
    EXPECT_TRUE(list.Out("#0 _0x00000000 8x8 in Default")) << list.out;
    EXPECT_TRUE(list.Out("3 textures"));
}

TEST_F(CliTool, EditingCommands) {
    const std::pair<std::string, int> runs[] = {
        {"rename " + m_Index + " wall brick", 0},
        {"rename " + m_Index + " sky BRICK", 1},
        {"alias " + m_Index + " sky2 sky", 0},
        {"alias " + m_Index + " sky3 wall2", 1}, // an alias of an alias
        {"set " + m_Index + " car hasdetail 3", 0},
        {"set " + m_Index + " car nonsense 3", 2},
        {"category add " + m_Index + " Props", 0},
        {"category add " + m_Index + " 'Two words'", 1},
        {"category move " + m_Index + " Props sky '#0'", 0},
        {"category rename " + m_Index + " Cars Vehicles", 0},
        {"category delete " + m_Index + " Vehicles", 0},
    };
    for (const auto& [arguments, code] : runs)
        EXPECT_EQ(Cli(arguments).code, code) << arguments;
    const std::string index = m_Dir.Read("c.txt");
    EXPECT_EQ(index, "cat=0 name=Default onfoot=0 slow=0 fast=0\r\n"
                     "cat=1 name=Props onfoot=0 slow=0 fast=0\r\n"
                     "\"brick\" width=8 height=8 cat=1\r\n"
                     "\"wall2\" \"affiliate=brick\"\r\n"
                     "\"car\" width=4 height=4 alphamode=2 hasdetail=3\r\n"
                     "\"sky\" width=16 height=16 cat=1\r\n"
                     "\"sky2\" \"affiliate=sky\"\r\n");
}

TEST_F(CliTool, DeleteManyAndDump) {
    EXPECT_EQ(Cli("delete " + m_Index + " car nothing").code, 1); // nothing deleted
    EXPECT_NE(m_Dir.Read("c.txt").find("\"car\""), std::string::npos);
    const CliRun dump = Cli("dump " + m_Index + " wall2 " + F("out.bin") + " --cache pvr");
    ASSERT_EQ(dump.code, 0) << dump.err;
    const std::string raw = m_Dir.Read("out.bin");
    EXPECT_EQ(std::vector<uint8_t>(raw.begin(), raw.end()), m_Raster);
    const CliRun deleted = Cli("delete " + m_Index + " wall sky");
    ASSERT_EQ(deleted.code, 0) << deleted.err;
    EXPECT_TRUE(deleted.Out("deleted 2 textures (3 with their aliases)"));
    EXPECT_EQ(m_Dir.Read("c.txt"), "cat=0 name=Default onfoot=0 slow=0 fast=0\r\n"
                                   "cat=1 name=Cars onfoot=0 slow=0 fast=0\r\n"
                                   "\"car\" width=4 height=4 cat=1 alphamode=2\r\n");
    EXPECT_EQ(Cli("check " + m_Index).code, 0);
    EXPECT_EQ(Cli("dump " + m_Index + " car " + F("car.bin")).code, 0);
    EXPECT_EQ(Files::FileSize(m_Dir.File("car.bin")), 32);
}

TEST_F(CliTool, CreateRefusesToReplaceACache) {
    EXPECT_EQ(Cli("create " + m_Index).code, 1);
    EXPECT_EQ(Cli("create " + F("fresh.txt")).code, 0);
    EXPECT_EQ(Files::FileSize(m_Dir.File("fresh.unc.toc")), 4);
    EXPECT_EQ(Cli("create " + F("fresh")).code, 2);
    const CliRun info = Cli("info " + F("fresh.txt"));
    EXPECT_TRUE(info.Out("0 textures (0 aliases), 1 categories"));
}

namespace {

// A cache created by the tool, plug-ins from the build, and two pictures.
class CliCodecs : public CliTest {
protected:
    void SetUp() override {
        ASSERT_EQ(Cli("create " + m_Index).code, 0);
        auto image = Bitmap32::Create(64, 32);
        for (uint32_t y = 0; y < 32; ++y)
            for (uint32_t x = 0; x < 64; ++x) {
                uint8_t* p = image->Pixel(x, y);
                p[0] = uint8_t(x * 4), p[1] = uint8_t(y * 8), p[2] = 200, p[3] = x < 8 ? 0 : 255;
            }
        ASSERT_TRUE(SaveBitmapByExtension(*image, m_Dir.File("pic.one.png")));
        ASSERT_TRUE(SaveBitmapByExtension(*image, m_Dir.File("other.bmp")));
    }
    const std::string m_Index = F("c.txt");
    const std::string m_Pic = " " + F("pic.one.png");
};

} // namespace

TEST_F(CliCodecs, ImportExportRoundTrip) {
    // A new cache tells no game: without one the import is refused.
    EXPECT_EQ(Cli("import " + m_Index + m_Pic).code, 1);
    const CliRun imported = Cli("import " + m_Index + m_Pic + " " + F("other.bmp") + " --game 2");
    ASSERT_EQ(imported.code, 0) << imported.err;
    const CliRun list = Cli("list " + m_Index);
    EXPECT_TRUE(list.Says("#0 pic 64x32 in Default, alpha [dxt DXT5, etc RGBA 4444, pvr PVRTC4, "
                          "unc RGBA 4444]"))
        << list.out;
    EXPECT_EQ(Cli("check " + m_Index).code, 0);
    ASSERT_EQ(Cli("export " + m_Index + " pic --out " + F("pic.tif") + " --cache etc").code, 0);
    auto pic = LoadBitmapFromFile(m_Dir.File("pic.tif"));
    ASSERT_TRUE(pic);
    EXPECT_EQ(pic->Pixel(0, 0)[3], 0); // alpha survived the 4444 raster
    EXPECT_EQ(pic->Pixel(60, 10)[3], 255);
    // The same name again: refused without --replace, replaced with it.
    EXPECT_EQ(Cli("import " + m_Index + m_Pic).code, 1);
    ASSERT_EQ(Cli("import " + m_Index + m_Pic + " --replace --no-alpha").code, 0);
    EXPECT_TRUE(Cli("list " + m_Index).Says("#1 pic 64x32 in Default [dxt DXT1"));

    const CliRun exported =
        Cli("export " + m_Index + " other --out " + F("other.tif") + " --cache etc");
    ASSERT_EQ(exported.code, 0) << exported.err;
    auto back = LoadBitmapFromFile(m_Dir.File("other.tif"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Width(), 64u);
    EXPECT_NEAR(back->Pixel(60, 10)[0], 240, 16);
    const CliRun all = Cli("export " + m_Index + " --out " + F("all") + " --format gif --level 1");
    ASSERT_EQ(all.code, 0) << all.err;
    auto level1 = LoadBitmapFromFile(m_Dir.File("all/pic.gif"));
    ASSERT_TRUE(level1);
    EXPECT_EQ(level1->Width(), 32u);
}

// The choices and the plug-ins' own menus are kept in the settings file.
TEST_F(CliCodecs, PluginChoicesAndMenusLiveInTheSettings) {
    const CliRun list = Cli("plugins --json");
    ASSERT_EQ(list.code, 0) << list.err;
    EXPECT_TRUE(list.Says("{\"family\": \"PVRTC\", \"plugin\": \"pvrtc.so\"")) << list.out;
    const std::pair<std::string, int> runs[] = {
        {"plugins set ETC1 --quality 2", 0},
        {"plugins set ETC1 --quality 9", 2},
        {"plugins set ETC1 --plugin dxt.so", 1},
        {"plugins set NOPE", 2},
        {"plugins menu 39999", 2},
    };
    for (const auto& [arguments, code] : runs)
        EXPECT_EQ(Cli(arguments).code, code) << arguments;
    EXPECT_TRUE(Cli("plugins").Says("ETC1   etc1.so (ETC1 codec); quality 2 Best"));
    EXPECT_NE(m_Dir.Read("t.ini").find("[ETC1]"), std::string::npos);

    const CliRun menu = Cli("plugins menu");
    ASSERT_EQ(menu.code, 0) << menu.err;
    EXPECT_TRUE(menu.Says("ETC1 ETC1 codec")) << menu.out;
    EXPECT_TRUE(menu.Says("(*) Best [40415]")) << menu.out;
    const CliRun chosen = Cli("plugins menu 40413");
    EXPECT_TRUE(chosen.Says("(*) Normal [40413]")) << chosen.out;
}

TEST_F(CliCodecs, ImportingManyImagesAtOnceWritesWhatOneByOneWrites) {
    // Sizes and alpha vary, so the encodings finish out of order.
    const uint32_t sides[][2] = {{128, 128}, {16, 16}, {64, 32}, {128, 64}, {8, 8}, {32, 32}};
    std::string all;
    ASSERT_EQ(Cli("create " + F("s.txt")).code, 0);
    for (size_t i = 0; i < std::size(sides); ++i) {
        auto image = Bitmap32::Create(sides[i][0], sides[i][1]);
        for (uint32_t y = 0; y < sides[i][1]; ++y)
            for (uint32_t x = 0; x < sides[i][0]; ++x) {
                uint8_t* p = image->Pixel(x, y);
                p[0] = uint8_t(x * 7 + i * 30), p[1] = uint8_t(y * 5), p[2] = uint8_t(x ^ y);
                p[3] = i % 2 ? 255 : uint8_t(x * 2);
            }
        const std::string file = m_Dir.File("image" + std::to_string(i) + ".png");
        ASSERT_TRUE(SaveBitmapByExtension(*image, file));
        all += " " + Q(file);
        ASSERT_EQ(Cli("import " + F("s.txt") + " " + Q(file) + " --game 2").code, 0);
    }
    const CliRun together = Cli("import " + m_Index + all + " --game 2");
    ASSERT_EQ(together.code, 0) << together.err;
    for (const char* cache : {"dxt", "etc", "pvr", "unc"})
        for (const char* part : {"dat", "toc", "tmb"}) {
            const std::string suffix = std::string(".") + cache + "." + part;
            const auto bytes = Files::ReadWholeFile(m_Dir.File("c" + suffix));
            ASSERT_TRUE(bytes) << suffix;
            EXPECT_TRUE(bytes == Files::ReadWholeFile(m_Dir.File("s" + suffix))) << suffix;
        }
    EXPECT_EQ(Files::ReadWholeFile(m_Dir.File("c.txt")), Files::ReadWholeFile(m_Dir.File("s.txt")));
}
