// tessarine-cli convert and optimize end to end: real processes on caches the test builds.
#include "cli/CliRunner.h"
#include "support/CacheBuilder.h"
#include "support/CacheFiles.h"

namespace {

class WholeCacheCli : public CliTest {
protected:
    void SetUp() override {
        m_Dir.Write("t.ini", "[global]\ngame=0\n");
        CacheBuilder b(m_Dir.Path(), "w", 1, 1u | 8u);
        const std::vector<uint8_t> same = b.Add("a", 8, 8).raster;
        b.Add("A", 8, 8).raster = same;
        b.Add("a", 8, 8);
        b.Add("odd", 12, 12);
        b.Write();
    }
    // The command on the cache.
    CliRun On(const std::string& arguments) const { return Cli(arguments + " " + F("w.txt")); }
    CacheFiles Files() const { return ReadCacheFiles(m_Dir.Path(), "w"); }
};

TEST_F(WholeCacheCli, ConvertAsksBeforeRebuildingAndReportsWhatItCouldNotConvert) {
    const CacheFiles before = Files();
    EXPECT_EQ(On("convert --from dxt --to dxt").code, 1);
    EXPECT_EQ(On("convert --from dxt --to xyz").code, 2);
    // Without --yes and without a terminal the question takes No.
    EXPECT_EQ(On("convert --from dxt --to unc").code, 1);
    EXPECT_TRUE(Files() == before);
    const CliRun run = On("convert --from dxt --to pvr --json");
    EXPECT_EQ(run.code, 0);
    EXPECT_TRUE(run.Out("\"textures\": 3, \"aliases\": 0")) << run.out;
    EXPECT_TRUE(run.Out("\"unconverted\": [\"odd: Wrong texture dimensions given.\"]")) << run.out;
    // The texture without a record in "pvr" is what check reports, and nothing else.
    const CliRun check = On("check");
    EXPECT_EQ(check.code, 2);
    EXPECT_TRUE(check.Out("odd")) << check.out;
    EXPECT_EQ(On("convert --from pvr --to unc --yes").code, 0);
}

TEST_F(WholeCacheCli, OptimizeListsAndCounts) {
    for (const char* wrong : {"--names --md5", "--pixels --threshold five", "--md5 --delete"})
        EXPECT_EQ(On(std::string("optimize ") + wrong).code, 2) << wrong;
    CliRun run = On("optimize --md5 --cache unc --json");
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "{\"duplicates\": 1, \"aliases\": [{\"alias\": \"A\", \"original\": "
                       "\"a\"}], \"deleted\": []}\n");
    run = On("optimize --names --delete");
    EXPECT_EQ(run.code, 0);
    // The alias "A" is a name duplicate too.
    EXPECT_EQ(run.out, "deleted a\ndeleted A\n2 duplicates\n");
    EXPECT_EQ(On("optimize --names").out, "0 duplicates\n");
    EXPECT_EQ(On("check").code, 0);
}

} // namespace
