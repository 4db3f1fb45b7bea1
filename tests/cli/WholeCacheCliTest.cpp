// tessarine-cli convert and optimize end to end: real processes on caches the test builds.
#include "support/CacheBuilder.h"
#include "support/CacheFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

struct CliRun {
    int code;
    std::string out;
};

class WholeCacheCli : public ::testing::Test {
protected:
    void SetUp() override {
        m_Dir.Write("tessarine.ini", "[global]\ngame=0\n");
        CacheBuilder b(m_Dir.Path(), "w", 1, 1u | 8u);
        const std::vector<uint8_t> same = b.Add("a", 8, 8).raster;
        b.Add("A", 8, 8).raster = same;
        b.Add("a", 8, 8);
        b.Add("odd", 12, 12);
        b.Write();
    }
    CliRun Cli(const std::string& arguments) {
        const std::string out = m_Dir.File("out");
        const std::string command = std::string(TESSARINE_CLI) + " " + arguments + " '" +
                                    m_Dir.File("w.txt") + "' --settings '" +
                                    m_Dir.File("tessarine.ini") + "' </dev/null >'" + out +
                                    "' 2>/dev/null";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, m_Dir.Read("out")};
    }
    CacheFiles Files() const { return ReadCacheFiles(m_Dir.Path(), "w"); }
    TempDir m_Dir;
};

TEST_F(WholeCacheCli, ConvertAsksBeforeRebuildingAndReportsWhatItCouldNotConvert) {
    const CacheFiles before = Files();
    EXPECT_EQ(Cli("convert --from dxt --to dxt").code, 1);
    EXPECT_EQ(Cli("convert --from dxt --to xyz").code, 2);
    // Without --yes and without a terminal the question takes No.
    EXPECT_EQ(Cli("convert --from dxt --to unc").code, 1);
    EXPECT_TRUE(Files() == before);
    const CliRun run = Cli("convert --from dxt --to pvr --json");
    EXPECT_EQ(run.code, 0);
    EXPECT_NE(run.out.find("\"textures\": 3, \"aliases\": 0"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"unconverted\": [\"odd: Wrong texture dimensions given.\"]"),
              std::string::npos)
        << run.out;
    // The texture without a record in "pvr" is what check reports, and nothing else.
    const CliRun check = Cli("check");
    EXPECT_EQ(check.code, 2);
    EXPECT_NE(check.out.find("odd"), std::string::npos) << check.out;
    EXPECT_EQ(Cli("convert --from pvr --to unc --yes").code, 0);
}

TEST_F(WholeCacheCli, OptimizeListsAndCounts) {
    EXPECT_EQ(Cli("optimize --names --md5").code, 2);
    EXPECT_EQ(Cli("optimize --pixels --threshold five").code, 2);
    EXPECT_EQ(Cli("optimize --md5 --delete").code, 2);
    CliRun run = Cli("optimize --md5 --cache unc --json");
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "{\"duplicates\": 1, \"aliases\": [{\"alias\": \"A\", \"original\": "
                       "\"a\"}], \"deleted\": []}\n");
    run = Cli("optimize --names --delete");
    EXPECT_EQ(run.code, 0);
    // The alias "A" is a name duplicate too.
    EXPECT_EQ(run.out, "deleted a\ndeleted A\n2 duplicates\n");
    run = Cli("optimize --names");
    EXPECT_EQ(run.out, "0 duplicates\n");
    EXPECT_EQ(Cli("check").code, 0);
}

} // namespace
