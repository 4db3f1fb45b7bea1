// Index text as other tools and editors leave it (any line end, a byte-order mark), and
// files that are not index text at all.
#include "cache/IndexText.h"
#include "cache/TextureDatabase.h"
#include "platform/ScriptedMessageBox.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const char kLines[] = "cat=0 name=Default onfoot=0 slow=0 fast=0|cat=1 name=World onfoot=0 "
                      "slow=0 fast=0|\"a\" width=4 height=4 cat=1|\"b\" \"affiliate=a\"";

// The sample lines joined by the given line end.
std::string Joined(const std::string& end) {
    std::string text = kLines;
    for (size_t pos; (pos = text.find('|')) != std::string::npos;)
        text.replace(pos, 1, end);
    return text + end;
}

} // namespace

TEST(IndexText, EveryLineEndReadsTheSame) {
    for (const std::string end : {"\r\n", "\n", "\r"}) {
        CScriptedMessageBox boxes;
        CTextureDatabase db(0);
        db.ParseTxt(Joined(end));
        EXPECT_EQ(db.CategoryCount(), 2);
        ASSERT_EQ(db.TextureCount(), 2);
        EXPECT_EQ(db.Textures()[0].cat, 1);
        EXPECT_EQ(db.Textures()[0].line, "\"a\" width=4 height=4 cat=1\n");
        EXPECT_EQ(db.Textures()[1].affiliate, "a");
        EXPECT_TRUE(boxes.Boxes().empty()) << boxes.Boxes()[0].text;
    }
    // Mixed ends, as a file edited by hand on two systems has them.
    CScriptedMessageBox boxes;
    CTextureDatabase db(0);
    db.ParseTxt("\"a\" width=1\r\"b\" width=2\r\n\"c\" width=3\n\"d\" width=4");
    ASSERT_EQ(db.TextureCount(), 4);
    EXPECT_EQ(db.Textures()[3].width, 4);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(IndexText, AByteOrderMarkIsNotPartOfTheFirstLine) {
    CScriptedMessageBox boxes;
    CTextureDatabase db(0);
    db.ParseTxt("\xEF\xBB\xBF" + Joined("\r\n"));
    ASSERT_EQ(db.CategoryCount(), 2);
    EXPECT_EQ(db.GetCategoryName(0), "Default");
    EXPECT_TRUE(boxes.Boxes().empty());
    // The rewrite leaves it out.
    EXPECT_EQ(db.BuildTxtText().substr(0, 3), "cat");
}

TEST(IndexText, WhatIsNotIndexTextIsRefusedBeforeParsing) {
    EXPECT_EQ(IndexText::Problem(""), "");
    EXPECT_EQ(IndexText::Problem("\r\n\n  \n"), "");
    EXPECT_EQ(IndexText::Problem(Joined("\r")), "");
    EXPECT_NE(IndexText::Problem(std::string("\"a\" width=1\n\0\0", 15)), "");
    EXPECT_NE(IndexText::Problem("# notes\nsome text\n"), "");
    EXPECT_NE(IndexText::Problem("copyright 2024\ncontents\n"), "");
    EXPECT_EQ(IndexText::Problem("junk\ncat=0 name=Default\n"), "");

    TempDir dir;
    dir.Write("png.txt", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    dir.Write("notes.txt", "# notes\n\nnothing here\n");
    for (const char* name : {"png.txt", "notes.txt"}) {
        CScriptedMessageBox boxes;
        CTextureDatabase db(0);
        try {
            db.LoadTxt(dir.File(name));
            ADD_FAILURE() << name << " was read as an index";
        } catch (const CError& error) {
            EXPECT_NE(std::string(error.what()).find("is not a texture index"), std::string::npos);
        }
        EXPECT_TRUE(boxes.Boxes().empty());
    }
    EXPECT_EQ(dir.Read("png.txt").size(), 16u);
}

// A folder or a file it may not read is an error, not a missing (empty) index.
TEST(IndexText, AnIndexThatCannotBeReadIsNotTakenForAMissingOne) {
    TempDir dir;
    std::filesystem::create_directory(dir.File("folder.txt"));
    CTextureDatabase db(0);
    try {
        db.LoadTxt(dir.File("folder.txt"));
        ADD_FAILURE() << "a folder was read as an index";
    } catch (const CError& error) {
        EXPECT_NE(std::string(error.what()).find("Is a directory"), std::string::npos)
            << error.what();
    }
    if (geteuid() == 0)
        return; // permissions do not bind root
    dir.Write("locked.txt", "\"a\" width=1\n");
    std::filesystem::permissions(dir.File("locked.txt"), std::filesystem::perms::none);
    EXPECT_THROW(db.LoadTxt(dir.File("locked.txt")), CError);
}

TEST(IndexText, UnknownLinesAreShownEscapedAndFewTimes) {
    CTextureDatabase db(0);
    std::vector<std::string> shown;
    db.SetWarningSink([&shown](const std::string& text) { shown.push_back(text); });
    std::string text = "junk\x1b]0;title\x07\n";
    for (int i = 0; i < 30; ++i)
        text += "more junk\n";
    db.ParseTxt(text + "\"a\" width=1\n");
    EXPECT_EQ(db.TextureCount(), 1);
    ASSERT_EQ(shown.size(), 11u); // ten lines, then how many more
    EXPECT_NE(shown[0].find("Unknown line 'junk\\x1B]0;title\\x07\n'"), std::string::npos)
        << shown[0];
    EXPECT_EQ(shown[0].find('\x1b'), std::string::npos);
    EXPECT_NE(shown[10].find("Value: 21"), std::string::npos);
}
