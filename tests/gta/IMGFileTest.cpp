// IMG archives of both versions, real and built, and directories that lie.
#include "gta/IMGFile.h"
#include "pipeline/TXDHelper.h"
#include "support/CoreFixtures.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

TEST(IMGFile, VersionTwoSizesAndOffsets) {
    TempDir dir;
    std::string archive = "VER2" + std::string("\x02\0\0\0", 4) + ImgEntry(1, 5 << 16, "a.txd") +
                          ImgEntry(10, 3 | 7 << 16, "b.dff");
    archive.resize(11 * 2048, 'x');
    dir.Write("v2.img", archive);
    GTA::CIMGFile img;
    ASSERT_EQ(img.Open(dir.File("v2.img")), 1);
    EXPECT_EQ(img.Version(), GTA::kImgVersion2);
    ASSERT_EQ(img.GetEntryCount(), 2u);
    EXPECT_EQ(img.GetEntrySize(0), 5u); // low half 0: the archive size
    EXPECT_EQ(img.GetEntrySize(1), 3u);
    EXPECT_EQ(img.GetEntryOffset(1), 20480u);
    EXPECT_EQ(img.GetEntryName(1), "b.dff");
    // The second entry runs past the archive's end: what is there is read.
    std::vector<uint8_t> data;
    EXPECT_EQ(img.ReadEntry(data, 1), 2048u);
    EXPECT_TRUE(img.Close());
    EXPECT_EQ(img.GetEntryCount(), 0u);

    // A count the archive cannot hold fails the open instead of allocating for it.
    dir.Write("lying.img", "VER2" + std::string("\xFF\xFF\xFF\x07", 4) + ImgEntry(1, 1, "x"));
    EXPECT_EQ(img.Open(dir.File("lying.img")), 0);
    EXPECT_EQ(img.Open(dir.File("missing.img")), 0);
}

TEST(IMGFile, VersionOneFindsItsDirectoryInAnyCase) {
    TempDir dir;
    dir.Write("models.img", std::string(4096, '\0'));
    dir.Write("MODELS.DIR", std::string(100, 'a')); // 3 whole entries
    GTA::CIMGFile img;
    ASSERT_EQ(img.Open(dir.File("models.img")), 1);
    EXPECT_EQ(img.GetEntryCount(), 3u);
    EXPECT_EQ(img.GetEntryName(0).size(), 24u); // no terminator: the field's 24 characters
    dir.Write("alone.img", std::string(4096, '\0'));
    EXPECT_EQ(img.Open(dir.File("alone.img")), 0);
}

TEST(IMGFile, RealArchivesAndDirectory) {
    SKIP_WITHOUT_TESTDATA();
    const std::string real = TestDataDir() + "/real/img/";
    GTA::CIMGFile img;
    ASSERT_EQ(img.Open(real + "v2/sa_script_79entries.img"), 1);
    EXPECT_EQ(img.GetEntryCount(), 79u);
    EXPECT_EQ(img.GetEntryName(0), "aaa.scm");
    ASSERT_EQ(img.Open(real + "v2/samp_custom_1entry.img"), 1);
    EXPECT_EQ(img.GetEntryName(0), "NoModelFile.txd"); // junk after the terminator ignored
    EXPECT_EQ(img.GetEntryOffset(0), 4096u);
    {
        // Its dictionary is read in place, through the archive's handle.
        const OwnSettings codecs(true);
        CTXDHelper helper;
        helper.OpenTXD("", img.Handle(), img.GetEntryOffset(0));
        EXPECT_STREQ(helper.FlavourName(), "PC");
        ASSERT_GT(helper.TXD()->GetTextureCount(), 0u);
        EXPECT_NE(helper.DecodeTexture(0), nullptr);
    }
    std::vector<uint8_t> entry;
    EXPECT_EQ(img.ReadEntry(entry, 0), 4096u); // the archive stayed open

    // The real version 1 directory, beside an archive of ours.
    TempDir dir;
    std::filesystem::copy_file(real + "v1_dir_only/gta3_cuts.dir", dir.File("Cuts.dir"));
    dir.Write("cuts.img", "");
    ASSERT_EQ(img.Open(dir.File("cuts.img")), 1);
    EXPECT_EQ(img.GetEntryCount(), 283u);
    std::vector<uint8_t> data;
    EXPECT_EQ(img.ReadEntry(data, 0), 0u);
}

} // namespace
