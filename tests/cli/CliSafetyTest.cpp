// The command line under failure and competition: a full disk, a cache another program
// is editing, and many editors at once on one cache.
#include "cache/CacheCheck.h"
#include "cache/CacheLock.h"
#include "cache/TextureDatabase.h"
#include "cli/CliRunner.h"
#include "platform/Files.h"
#include "platform/ScriptedMessageBox.h"
#include "raster/ImageFile.h"
#include "support/CacheBuilder.h"
#include "support/CacheFiles.h"

namespace {

std::unique_ptr<Bitmap32> Picture(uint8_t seed) {
    auto b = Bitmap32::Create(16, 16);
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 16; ++x) {
            uint8_t* p = b->Pixel(x, y);
            p[0] = static_cast<uint8_t>(seed * 40 + x * 8), p[1] = static_cast<uint8_t>(y * 16);
            p[2] = seed, p[3] = 255;
        }
    return b;
}

class CliSafety : public CliTest {
protected:
    void SetUp() override {
        m_Dir.Write("t.ini", "[global]\ngame=2\n");
        m_Builder = std::make_unique<CacheBuilder>(m_Dir.Path(), "k", 2, 0b1111);
        for (int i = 0; i < 12; ++i)
            m_Builder->Add("t" + std::to_string(i), 8, 8, RASTER_RGBA8888);
        m_Builder->Write();
        m_Index = m_Dir.File("k.txt");
    }
    CScriptedMessageBox m_Boxes;
    std::unique_ptr<CacheBuilder> m_Builder;
    std::string m_Index;
};

} // namespace

TEST_F(CliSafety, AFullDiskSaysSoAndLeavesTheCacheAsItWas) {
    ASSERT_TRUE(SaveBitmapByExtension(*Picture(1), m_Dir.File("big.png")));
    const CacheFiles before = ReadCacheFiles(m_Dir.Path(), "k");
    for (int point : {1, 4, 9, 20}) {
        const CliRun import =
            WaitCli(m_Dir, StartCli(m_Dir, {"import", m_Index, m_Dir.File("big.png")},
                                    {"TESSARINE_FAULT=fail:" + std::to_string(point) + ":28"}));
        EXPECT_EQ(import.code, 1) << import.err;
        EXPECT_TRUE(import.Err("No space left on device")) << import.err;
        EXPECT_FALSE(import.Err("damaged")) << import.err;
        EXPECT_EQ(ReadCacheFiles(m_Dir.Path(), "k"), before);
        EXPECT_TRUE(EditLeftovers(m_Dir.Path()).empty());
    }
    EXPECT_EQ(Cli("check " + Q(m_Index)).code, 0);
}

TEST_F(CliSafety, ACacheAnotherProgramEditsIsRefusedNamingIt) {
    const auto lock = CCacheLock::Acquire(Files::RealPath(m_Index), 0);
    const CliRun rename = Cli("rename " + Q(m_Index) + " t1 one", "TESSARINE_LOCK_WAIT_MS=50");
    EXPECT_EQ(rename.code, 1);
    EXPECT_NE(rename.err.find("(process " + std::to_string(getpid()) + ")"), std::string::npos)
        << rename.err;
    // Readers are never kept waiting.
    EXPECT_EQ(Cli("list " + Q(m_Index), "TESSARINE_LOCK_WAIT_MS=0").code, 0);
}

TEST_F(CliSafety, ManyEditorsAtOnceEachGetTheirWayWithoutHarmingTheOthers) {
    std::vector<std::pair<pid_t, std::string>> editors;
    const std::vector<std::string> wait = {"TESSARINE_LOCK_WAIT_MS=60000"};
    for (int i = 0; i < 6; ++i) {
        const std::string n = std::to_string(i);
        const std::string picture = m_Dir.File("new" + n + ".png");
        ASSERT_TRUE(SaveBitmapByExtension(*Picture(static_cast<uint8_t>(i)), picture));
        editors.push_back({StartCli(m_Dir, {"import", m_Index, picture}, wait, "i" + n), "i" + n});
        editors.push_back({StartCli(m_Dir, {"delete", m_Index, "t" + n}, wait, "d" + n), "d" + n});
    }
    for (const auto& [child, tag] : editors) {
        const CliRun outcome = WaitCli(m_Dir, child, tag);
        EXPECT_EQ(outcome.code, 0) << outcome.err;
    }
    CTextureDatabase db(m_Index, 0);
    EXPECT_TRUE(CheckCache(db, true).empty());
    ASSERT_EQ(db.TextureCount(), 12);
    for (int i = 0; i < 12; ++i) {
        const std::string kept = "t" + std::to_string(i);
        const int t = db.FindTexture(kept, true);
        if (i < 6) {
            EXPECT_LT(t, 0) << kept;
            EXPECT_GE(db.FindTexture("new" + std::to_string(i), true), 0);
            continue;
        }
        ASSERT_GE(t, 0) << kept;
        for (CacheId k : kAllCaches)
            EXPECT_EQ(*db.ReadTextureData(k, t, false), m_Builder->Textures()[size_t(i)].raster);
    }
}
