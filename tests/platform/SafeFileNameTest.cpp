// File names made from texture and entry names: inside the folder, one file per name.
#include "platform/SafeFileName.h"

#include <gtest/gtest.h>

TEST(SafeFileName, NamesNeverLeaveTheFolder) {
    EXPECT_EQ(SafeFileName::Stem("../../../../PWNED"), "___.._.._.._PWNED");
    EXPECT_EQ(SafeFileName::Stem("/etc/passwd"), "_etc_passwd");
    EXPECT_EQ(SafeFileName::Stem("a\\b"), "a_b");
    EXPECT_EQ(SafeFileName::Stem(".."), "__");
    EXPECT_EQ(SafeFileName::Stem("."), "_");
    EXPECT_EQ(SafeFileName::Stem(""), "_");
    EXPECT_EQ(SafeFileName::Stem(".hidden"), "_hidden");
    EXPECT_EQ(SafeFileName::Stem("line\nbreak\x1b[0m"), "line_break_[0m");
    EXPECT_EQ(SafeFileName::Stem("c1\xC2\x9B"), "c1_");
    EXPECT_EQ(SafeFileName::Stem("bad\xFF\xE9"), "bad__");
    // Names that are fine stay as they are, blanks and other scripts included.
    EXPECT_EQ(SafeFileName::Stem("door_close "), "door_close ");
    EXPECT_EQ(SafeFileName::Stem("caf\xC3\xA9"), "caf\xC3\xA9");
}

TEST(SafeFileName, LongNamesAreCutOnCharacterBoundaries) {
    std::string name;
    for (int i = 0; i < 150; ++i)
        name += "\xC3\xA9";
    const std::string stem = SafeFileName::Stem(name);
    EXPECT_EQ(stem.size(), SafeFileName::kMaxStemBytes);
    EXPECT_EQ(stem.substr(stem.size() - 2), "\xC3\xA9");
}

TEST(SafeFileName, NamesThatMeetGetTheirOwnFiles) {
    SafeFileName::CNamer namer;
    EXPECT_EQ(namer.Take("a/b", "png"), "a_b.png");
    EXPECT_EQ(namer.Take("a_b", "png"), "a_b~2.png");
    EXPECT_EQ(namer.Take("A_B", "png"), "A_B~3.png"); // one file on a case-blind file system
    EXPECT_EQ(namer.Take("a_b~2", "png"), "a_b~2~2.png");
    EXPECT_EQ(namer.Take("a_b", "bmp"), "a_b.bmp");
    EXPECT_EQ(namer.Take("entry.txd", ""), "entry.txd");
    EXPECT_EQ(namer.Take("ENTRY.TXD", ""), "ENTRY.TXD~2");
}
