// Deleting a set of textures in one pass leaves the same files as deleting them one by one.
#include "cache/TextureDatabase.h"
#include "platform/ScriptedMessageBox.h"
#include "support/CacheBuilder.h"
#include "support/CoreFixtures.h"

#include <gtest/gtest.h>
#include <random>

namespace {

// A random cache: ordinary textures of several formats, packed or stored, and aliases
// before and after their originals (and one of nothing).
CacheBuilder RandomCache(const std::string& dir, std::mt19937& random) {
    const int layout = 1 + static_cast<int>(random() % 2);
    CacheBuilder b(dir, "c", layout, 1 + random() % 15);
    b.writeToc = random() % 4 != 0;
    b.writeTmb = random() % 4 != 0;
    const int formats[] = {RASTER_RGBA8888, RASTER_RGBA4444, RASTER_DXT1,
                           RASTER_DXT5,     RASTER_ETC1,     RASTER_PVRTC4};
    const int textures = 3 + static_cast<int>(random() % 14);
    std::vector<std::string> names;
    for (int i = 0; i < textures; ++i) {
        const std::string name = "t" + std::to_string(i);
        if (i > 0 && random() % 4 == 0) {
            // An alias of an earlier texture, of a later one (named ahead), or of nothing.
            const int pick = static_cast<int>(random() % 3);
            const std::string target = pick == 0 && !names.empty() ? names[random() % names.size()]
                                       : pick == 1                 ? "t" + std::to_string(i + 1)
                                                                   : "nobody";
            b.AddAlias(name, target);
            continue;
        }
        const uint16_t side = static_cast<uint16_t>(4 << (random() % 4));
        b.Add(name, side, side, formats[random() % 6], random() % 2, random() % 2);
        names.push_back(name);
    }
    return b;
}

} // namespace

TEST(BatchDelete, SameFilesAsDeletingOneByOneInIndexOrder) {
    CScriptedMessageBox boxes;
    std::mt19937 random(77);
    for (int trial = 0; trial < 60; ++trial) {
        SCOPED_TRACE(trial);
        TempDir source, single, batch;
        CacheBuilder b = RandomCache(source.Path(), random);
        b.Write();
        CopyFolder(source.Path(), single.Path());
        CopyFolder(source.Path(), batch.Path());
        std::vector<int> chosen;
        for (int t = 0; t < static_cast<int>(b.Textures().size()); ++t)
            if (random() % 3 == 0)
                chosen.push_back(t);
        {
            CTextureDatabase db(single.File("c.txt"), 0);
            for (int t : chosen) {
                const int now = db.FindTexture(b.Textures()[static_cast<size_t>(t)].name, true);
                if (now >= 0) {
                    ASSERT_EQ(db.DeleteTexture(now, -1, true), 1);
                }
            }
        }
        int survivors;
        {
            CTextureDatabase db(batch.File("c.txt"), 0);
            std::vector<int> shuffled = chosen; // the order of the request does not matter
            std::shuffle(shuffled.begin(), shuffled.end(), random);
            ASSERT_EQ(db.DeleteTextures(shuffled), 1);
            survivors = db.TextureCount();
        }
        EXPECT_TRUE(ReadFolder(batch.Path()) == ReadFolder(single.Path()));
        // What remains still reads: every surviving ordinary texture has its raster.
        CTextureDatabase reopened(batch.File("c.txt"), 0);
        EXPECT_EQ(reopened.TextureCount(), survivors);
        for (int t = 0; t < reopened.TextureCount(); ++t) {
            if (reopened.IsAlias(t) || reopened.PrimaryCache() == std::nullopt)
                continue;
            const std::string name = reopened.GetTextureName(t);
            for (const auto& built : b.Textures())
                if (built.name == name) {
                    EXPECT_EQ(*reopened.ReadTextureData(*reopened.PrimaryCache(), t, false),
                              built.raster)
                        << name;
                }
        }
    }
    for (const auto& box : boxes.Boxes())
        ADD_FAILURE() << box.text;
}

TEST(BatchDelete, RecordsOutOfOrderAreRefusedUntouched) {
    CScriptedMessageBox boxes;
    TempDir dir;
    CacheBuilder b(dir.Path(), "o", 1);
    b.Add("a");
    b.Add("b");
    b.Add("c");
    b.Write();
    // Swap the TOC entries of a and b: their records are no longer in texture order.
    std::string toc = dir.Read("o.dxt.toc");
    std::swap_ranges(toc.begin() + 4, toc.begin() + 8, toc.begin() + 8);
    dir.Write("o.dxt.toc", toc);
    const auto before = ReadFolder(dir.Path());
    {
        CTextureDatabase db(dir.File("o.txt"), 0);
        EXPECT_EQ(db.DeleteTextures({1}), 0);
        EXPECT_EQ(db.TextureCount(), 3);
        EXPECT_EQ(db.DeleteTexture(0, -1, true), 0); // a single deletion refuses it too
    }
    EXPECT_EQ(ReadFolder(dir.Path()), before);
}
