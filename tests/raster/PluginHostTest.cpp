// Finding, admitting, binding and choosing codec plug-ins; the plug-in menus.
#include "raster/PluginHost.h"
#include "app/Settings.h"
#include "platform/Files.h"
#include "platform/ScriptedMessageBox.h"
#include "raster/PluginMenu.h"
#include "support/CoreFixtures.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <squish.h>

namespace {

// A plugins folder holding copies of chosen test codecs, and a settings file of its own.
class PluginFolder : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directory(Folder()); }
    void Add(const std::string& codec) {
        std::filesystem::copy_file(std::string(TESSARINE_TEST_CODECS_DIR) + "/" + codec + ".so",
                                   Folder() + "/" + codec + ".so");
    }
    std::string Folder() const { return m_Dir.File("plugins"); }
    OwnSettings m_Settings;
    TempDir m_Dir;
    CScriptedMessageBox m_Boxes;
};

const MenuEntry* Find(const std::vector<MenuEntry>& items, const std::string& label) {
    for (const MenuEntry& item : items)
        if (item.label == label)
            return &item;
    return nullptr;
}

} // namespace

TEST_F(PluginFolder, AdmissionByTypeAndBuild) {
    for (const char* codec : {"a_dxt263", "b_dxt394", "c_old262", "d_new395", "e_lang"})
        Add(codec);
    m_Dir.Write("plugins/junk.so", "not a library");
    LoadPlugins(Folder());
    ASSERT_EQ(Plugins().count, 2u);
    EXPECT_EQ(Plugins().names[0], "a_dxt263.so");
    EXPECT_EQ(Plugins().names[1], "b_dxt394.so");
    ASSERT_EQ(m_Boxes.Boxes().size(), 3u); // a file that is no library is refused silently
    EXPECT_EQ(m_Boxes.Boxes()[0].text, Folder() + "/c_old262.so is not supported by this build.");
    EXPECT_EQ(m_Boxes.Boxes()[1].text, Folder() + "/d_new395.so is not supported by this build.");
    EXPECT_EQ(m_Boxes.Boxes()[2].text, Folder() + "/e_lang.so is not supported by this build.");
}

TEST_F(PluginFolder, FirstSupportingPluginIsBoundAndRemembered) {
    Add("a_dxt263");
    Add("b_dxt394");
    Add("f_nodxt");
    InitPluginBindings(Folder());
    EXPECT_EQ(IniReadString("DXT", "plugin"), "a_dxt263.so");
    EXPECT_EQ(IniReadString("ETC1", "plugin"), "");
    EXPECT_TRUE(PluginSupports(CodecFamily::kDxt, 1));
    EXPECT_FALSE(PluginSupports(CodecFamily::kDxt, 2));
    EXPECT_FALSE(PluginSupports(CodecFamily::kEtc1, 0));
    uint8_t out[4];
    const uint8_t in[4] = {0, 0, 0, 0};
    EXPECT_EQ(Plugins().compress[CodecFamily::kDxt](in, out, 1, 1, 4, 0), 1u);
    EXPECT_EQ(out[0], 263 & 0xFF);
    EXPECT_EQ(Plugins().compress[CodecFamily::kEtc1], nullptr);
    UnloadPlugins();
    EXPECT_EQ(Plugins().compress[CodecFamily::kDxt], nullptr);

    // A preferred plug-in wins; a preferred one that is gone is replaced and rewritten.
    IniWriteString("DXT", "plugin", "b_dxt394.so");
    InitPluginBindings(Folder());
    EXPECT_EQ(Plugins().compress[CodecFamily::kDxt](in, out, 1, 1, 4, 0), 1u);
    EXPECT_EQ(out[0], 394 & 0xFF);
    UnloadPlugins();
    IniWriteString("DXT", "plugin", "gone.so");
    InitPluginBindings(Folder());
    EXPECT_EQ(IniReadString("DXT", "plugin"), "a_dxt263.so");
}

TEST_F(PluginFolder, MissingFolderBindsNothingAndGreysTheMenus) {
    std::filesystem::remove(Folder());
    InitPluginBindings(Folder());
    EXPECT_EQ(Plugins().count, 0u);
    const auto menus = BuildPluginMenus();
    ASSERT_EQ(menus.size(), 4u);
    for (int family = 0; family < 4; ++family) {
        EXPECT_TRUE(menus[family].greyed);
        EXPECT_EQ(menus[family].id, 40400 + family);
    }
    EXPECT_FALSE(RunPluginCommand(40480)); // no plug-ins: no choice to make
}

TEST_F(PluginFolder, MenusAndTheirCommands) {
    Add("a_dxt263");
    Add("b_dxt394");
    InitPluginBindings(Folder());
    auto menus = BuildPluginMenus();
    ASSERT_EQ(menus[0].label, "DXT\tTest codec");
    const MenuEntry* choice = Find(menus[0].items, "C&ompression Plugin");
    ASSERT_NE(choice, nullptr);
    ASSERT_EQ(choice->items.size(), 2u);
    EXPECT_EQ(choice->items[0].label, "a_dxt263.so\tTest codec");
    EXPECT_EQ(choice->items[0].id, 40480);
    EXPECT_TRUE(choice->items[0].checked);
    EXPECT_EQ(choice->items[1].id, 40481);
    const MenuEntry* quality = Find(menus[0].items, "&Compression Quality");
    ASSERT_NE(quality, nullptr);
    ASSERT_EQ(quality->items.size(), 2u);
    EXPECT_EQ(quality->items[1].label, "Good");
    EXPECT_EQ(quality->items[1].id, 40409);
    EXPECT_TRUE(quality->items[0].checked);
    EXPECT_TRUE(Find(menus[0].items, "&Dithering")->greyed);
    EXPECT_EQ(Find(menus[0].items, "&Information")->id, 40404);
    EXPECT_TRUE(menus[1].greyed); // ETC1: nobody serves it

    EXPECT_TRUE(RunPluginCommand(40409));
    EXPECT_EQ(IniReadInt("DXT", "quality", -1), 1);
    EXPECT_TRUE(RunPluginCommand(40441 + 5 * 3));
    EXPECT_EQ(IniReadInt("UNC", "dithering", -1), 1);
    // Choosing the plug-in already chosen changes nothing, not even the quality.
    EXPECT_FALSE(RunPluginCommand(40480));
    EXPECT_EQ(IniReadInt("DXT", "quality", -1), 1);
    EXPECT_TRUE(RunPluginCommand(40481));
    EXPECT_EQ(IniReadString("DXT", "plugin"), "b_dxt394.so");
    EXPECT_EQ(IniReadInt("DXT", "quality", -1), 0);
    menus = BuildPluginMenus();
    EXPECT_TRUE(Find(menus[0].items, "C&ompression Plugin")->items[1].checked);

    RunPluginCommand(40404);
    ASSERT_EQ(m_Boxes.Boxes().size(), 1u);
    EXPECT_EQ(m_Boxes.Boxes()[0].text, "DXT - Test codec\n\nWrites the bytes it is given.");
    EXPECT_EQ(m_Boxes.Boxes()[0].caption, "DXT");
}

TEST(RealPlugins, DxtDecodesTheDictionaryVariantsToo) {
    LoadPlugins(TESSARINE_PLUGINS_DIR);
    int index = -1;
    SelectPlugin(CodecFamily::kDxt, "", index);
    ASSERT_GE(index, 0);
    // Random DXT3 and DXT1 blocks: the plug-in must read them as their formats say.
    uint8_t blocks[16 * 4];
    for (size_t i = 0; i < sizeof blocks; ++i)
        blocks[i] = static_cast<uint8_t>(i * 97 + 13);
    for (const auto& [variant, flags] :
         {std::pair{0x80, squish::kDxt3}, std::pair{0x40, squish::kDxt1},
          std::pair{32, squish::kDxt5}, std::pair{0, squish::kDxt1}}) {
        uint8_t ours[8 * 8 * 8] = {}, theirs[8 * 8 * 4] = {};
        EXPECT_EQ(Plugins().decompress[CodecFamily::kDxt](blocks, ours, 8, 8, 0, variant),
                  8u * 8 * 4);
        squish::DecompressImage(theirs, 8, 8, blocks, flags);
        EXPECT_EQ(std::memcmp(ours, theirs, sizeof theirs), 0) << "variant " << variant;
    }
    UnloadPlugins();
}

TEST_F(PluginFolder, OnlyPluginsThatSayItAreEnteredFromSeveralThreads) {
    // Our own codecs declare it; a codec without the export keeps the serial calls.
    std::filesystem::copy_file(std::string(TESSARINE_PLUGINS_DIR) + "/dxt.so",
                               Folder() + "/dxt.so");
    Add("b_dxt394");
    LoadPlugins(Folder());
    ASSERT_EQ(Plugins().count, 2u);
    for (uint32_t i = 0; i < 2; ++i) {
        BindPlugin(CodecFamily::kDxt, int(i));
        EXPECT_EQ(
            PluginIsThreadSafe(reinterpret_cast<void*>(Plugins().compress[CodecFamily::kDxt])),
            Plugins().names[i] == "dxt.so")
            << Plugins().names[i];
    }
    EXPECT_FALSE(PluginIsThreadSafe(nullptr));
}
