#include "platform/Ini.h"
#include "support/CoreFixtures.h"

#include <gtest/gtest.h>

TEST(Ini, ReadingKeysAndDefaults) {
    TempDir dir;
    const std::string ini = dir.File("a.ini");
    EXPECT_EQ(GetPrivateProfileInt("global", "game", 7, ini), 7);
    EXPECT_EQ(GetPrivateProfileString("paths", "last_open", "dflt", ini), "dflt");
    dir.Write("a.ini", "[global]\ngame=2\n");
    EXPECT_EQ(GetPrivateProfileInt("global", "console", 5, ini), 5);
    EXPECT_EQ(GetPrivateProfileInt("render", "game", 9, ini), 9);
    // Sections and keys ignore case, values are trimmed.
    dir.Write("a.ini", "; comment\n[Global]\n  Game = 2 \nname=\"quoted value\"\nneg=-12abc\n"
                       "text=abc\n");
    EXPECT_EQ(GetPrivateProfileInt("GLOBAL", "game", 0, ini), 2);
    EXPECT_EQ(GetPrivateProfileString("global", "NAME", "", ini), "quoted value");
    EXPECT_EQ(GetPrivateProfileInt("global", "neg", 0, ini), -12);
    EXPECT_EQ(GetPrivateProfileInt("global", "text", 3, ini), 0); // present but not a number
}

TEST(Ini, WritesKeepEveryOtherLine) {
    TempDir dir;
    const std::string original = "; settings\r\n[global]\r\ngame=1\r\n\r\n[other]\r\nx=1\r\n";
    dir.Write("a.ini", original);
    const std::string ini = dir.File("a.ini");
    ASSERT_TRUE(WritePrivateProfileString("GLOBAL", "Game", "2", ini));
    ASSERT_TRUE(WritePrivateProfileString("global", "console", "1", ini));
    ASSERT_TRUE(WritePrivateProfileString("render", "type", "1", ini));
    EXPECT_EQ(dir.Read("a.ini"), "; settings\r\n[global]\r\nGame=2\r\nconsole=1\r\n\r\n"
                                 "[other]\r\nx=1\r\n\r\n[render]\r\ntype=1\r\n");
    ASSERT_TRUE(WritePrivateProfileString("global", "game", std::nullopt, ini));
    EXPECT_EQ(GetPrivateProfileInt("global", "game", -1, ini), -1);
    ASSERT_TRUE(DeletePrivateProfileSection("other", ini));
    EXPECT_EQ(GetPrivateProfileInt("other", "x", -1, ini), -1);
    EXPECT_EQ(GetPrivateProfileInt("render", "type", -1, ini), 1);
}

TEST(Ini, WriteCreatesTheFileAndLeavesNoTemporaryBehind) {
    TempDir dir;
    const std::string ini = dir.File("new.ini");
    ASSERT_TRUE(WritePrivateProfileString("DXT", "plugin", "dxt.so", ini));
    EXPECT_EQ(GetPrivateProfileString("dxt", "PLUGIN", "", ini), "dxt.so");
    EXPECT_EQ(dir.Read("new.ini"), "[DXT]\nplugin=dxt.so\n");
    EXPECT_EQ(ReadFolder(dir.Path()).size(), 1u);
    // A folder that is not there fails without throwing.
    EXPECT_FALSE(WritePrivateProfileString("a", "b", "c", "/nonexistent-folder/x.ini"));
}
