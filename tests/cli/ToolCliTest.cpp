// The whole-cache commands of tessarine-cli end to end, on a copy of the bundled sample.
#include "cli/CliRunner.h"
#include "raster/ImageFile.h"
#include "support/CacheFiles.h"

namespace {

class ToolCli : public CliTest {
protected:
    // A square picture: sea everywhere, one land square in the middle four tiles.
    void WritePicture(const std::string& name, uint32_t width, uint32_t height) {
        auto map = Bitmap32::Create(width, height);
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x) {
                const bool land = x >= width * 3 / 8 && x < width * 5 / 8 && y >= height * 3 / 8 &&
                                  y < height * 5 / 8;
                uint8_t* p = map->Pixel(x, y);
                p[0] = land ? 100 : 140, p[1] = land ? 180 : 60, p[2] = land ? 200 : 30, p[3] = 255;
            }
        ASSERT_TRUE(SaveBitmapByExtension(*map, m_Dir.File(name)));
    }
    const std::string m_Index = Q(CopySample(m_Dir, "sa"));
};

} // namespace

TEST_F(ToolCli, RadarListExportImportOptimize) {
    const CliRun list = Cli("radar list " + m_Index + " --json");
    EXPECT_EQ(list.code, 0) << list.err;
    EXPECT_TRUE(list.out.starts_with(
        "{\"cache\": \"dxt\", \"count\": 64, \"grid\": 8, \"tiles\": [{\"name\": \"radar00\""))
        << list.out;

    const CliRun exported = Cli("radar export " + m_Index + " --cache pvr --out " + F("map.png"));
    EXPECT_EQ(exported.code, 0) << exported.err;
    const auto map = LoadBitmapFromFile(m_Dir.File("map.png"));
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->Width(), 1024u);
    EXPECT_EQ(Cli("radar export " + m_Index + " --out " + F("map.xyz")).code, 2);

    // Pictures that fail the checks change nothing.
    const CacheFiles before = ReadCacheFiles(m_Dir.File("sa"), "sample");
    WritePicture("wide.png", 1024, 512);
    WritePicture("odd.png", 96, 96);
    WritePicture("small.png", 64, 64);
    const std::pair<const char*, const char*> refused[] = {{"wide.png", "Image must be square."},
                                                           {"odd.png", "Wrong dimensions given"},
                                                           {"small.png", "Image is too small."}};
    for (const auto& [picture, reason] : refused) {
        const CliRun run = Cli("radar import " + m_Index + " " + F(picture));
        EXPECT_EQ(run.code, 2) << picture;
        EXPECT_TRUE(run.Err(reason)) << run.err;
    }
    EXPECT_EQ(DescribeDifference(before, ReadCacheFiles(m_Dir.File("sa"), "sample")), "");

    // A kill midway through the import (at a write of the edit) leaves the old tiles.
    WritePicture("island.png", 512, 512);
    EXPECT_NE(
        Cli("radar import " + m_Index + " " + F("island.png"), "TESSARINE_FAULT=kill:40").code, 0);
    EXPECT_EQ(Cli("check " + m_Index).code, 0); // the interrupted edit is undone on opening
    EXPECT_EQ(DescribeDifference(before, ReadCacheFiles(m_Dir.File("sa"), "sample")), "");

    const CliRun imported = Cli("radar import " + m_Index + " " + F("island.png") + " --no-alpha");
    EXPECT_EQ(imported.code, 0) << imported.err;
    EXPECT_TRUE(imported.Out("64 tiles of 64 x 64 imported")) << imported.out;
    EXPECT_EQ(Cli("check " + m_Index).code, 0);

    // 60 sea tiles and 4 land tiles: 59 + 3 aliases.
    const CliRun optimized = Cli("radar optimize " + m_Index);
    EXPECT_EQ(optimized.code, 0) << optimized.err;
    EXPECT_TRUE(optimized.Out("62 radar tiles turned into aliases")) << optimized.out;
    const CliRun again = Cli("radar optimize " + m_Index + " --json");
    EXPECT_EQ(again.code, 1); // nothing left to turn
    EXPECT_EQ(again.out, "{\"turned\": 0, \"tiles\": 64}\n");
    const CliRun after = Cli("radar list " + m_Index);
    EXPECT_TRUE(after.Out("radar00  "));
    EXPECT_TRUE(after.Out("alias of radar01"));
    EXPECT_EQ(Cli("check " + m_Index).code, 0);
}

TEST_F(ToolCli, AliasesStatsAndAliasLists) {
    const CliRun aliases = Cli("aliases " + m_Index + " bricks");
    EXPECT_EQ(aliases.code, 0);
    EXPECT_EQ(aliases.out, "11 bricks_old\n");
    ExpectRuns({{"aliases " + m_Index + " grass", 1}, {"aliases " + m_Index + " nothing", 1}});

    const CliRun stats = Cli("stats " + m_Index + " --json");
    EXPECT_EQ(stats.code, 0);
    EXPECT_TRUE(stats.Out("{\"game\": \"SA\", \"total\": 77, \"originals\": 74, \"aliases\": 3, "
                          "\"sizes\": {\"dxt\": "))
        << stats.out;
    EXPECT_TRUE(Cli("stats " + m_Index).Out("Aliases:   3\n"));

    const CliRun exported = Cli("alias-list export " + m_Index + " --out " + F("aliases.txt"));
    EXPECT_EQ(exported.code, 0) << exported.err;
    EXPECT_EQ(m_Dir.Read("aliases.txt"),
              "sign_early sign_welcome\nbricks_old bricks\ncar_paint2 car_paint\n");

    // Into a new cache that has two of the three originals, with a bad line added.
    EXPECT_EQ(Cli("create " + F("b.txt")).code, 0);
    WritePicture("bricks.png", 64, 64);
    WritePicture("car_paint.png", 64, 64);
    EXPECT_EQ(
        Cli("import " + F("b.txt") + " --game 2 " + F("bricks.png") + " " + F("car_paint.png"))
            .code,
        0);
    m_Dir.Write("list.txt", m_Dir.Read("aliases.txt") + "\"unclosed bricks\n");
    const CliRun imported =
        Cli("alias-list import " + F("b.txt") + " " + F("list.txt") + " --json");
    EXPECT_EQ(imported.code, 1);
    EXPECT_TRUE(imported.out.starts_with("{\"created\": 2, \"refused\": [{\"line\": 1, \"reason\": "
                                         "\"the cache has no texture 'sign_welcome'\"}, "
                                         "{\"line\": 4, "))
        << imported.out;
    EXPECT_EQ(Cli("aliases " + F("b.txt") + " bricks").out, "02 bricks_old\n");
    EXPECT_EQ(Cli("check " + F("b.txt")).code, 0);
    EXPECT_EQ(Cli("alias-list import " + F("b.txt") + " /dev/zero").code, 2);
}
