// Reading index files: texture and category lines, their items and their oddities.
#include "cache/TextureDatabase.h"
#include "platform/ScriptedMessageBox.h"
#include "support/CoreIndex.h"

#include <gtest/gtest.h>

namespace {

struct Parsed {
    std::unique_ptr<CScriptedMessageBox> boxes = std::make_unique<CScriptedMessageBox>();
    std::unique_ptr<CTextureDatabase> db = std::make_unique<CTextureDatabase>(0);
};

Parsed Parse(const std::string& text) {
    Parsed p;
    p.db->ParseTxt(text);
    return p;
}

const TextureRecord& Texture(const Parsed& p, size_t i) {
    return p.db->Textures().at(i);
}

} // namespace

TEST(IndexParse, TextureLineFillsEveryKnownKey) {
    const std::string line =
        "\"tex\" width=256 height=128 cat=3 format=1 alphamode=2 hasdetail=4 camnorm=1 "
        "hassibling=1 hasbias=1 streammode=1 mipmode=0 forcez=1 decalz=1 img=deadbeef png=0000abcd";
    const auto p = Parse(line + "\n");
    const TextureRecord& t = Texture(p, 0);
    ExpectKeysInFields(t, line);
    EXPECT_EQ(t.name, "tex");
    EXPECT_FALSE(t.IsAlias());
    EXPECT_EQ(t.originalIndex, -1);
    EXPECT_EQ(t.datOffset[CacheId::kDxt], -1);
}

TEST(IndexParse, ShortHexValuesDoNotHideTheNextItem) {
    // Real index files hold values like these; the item after a short img= used to be lost.
    const auto p = Parse("\"a\" img=1 cat=3\n\"b\" width=64 height=64 img=4dec587 alphamode=2\n"
                         "\"c\" png=ff mipmode=0 img=00000001 cat=5\n");
    EXPECT_EQ(Texture(p, 0).img, 1u);
    EXPECT_EQ(Texture(p, 0).cat, 3);
    EXPECT_EQ(Texture(p, 1).img, 0x4dec587u);
    EXPECT_EQ(Texture(p, 1).alphamode, 2);
    EXPECT_EQ(Texture(p, 2).png, 0xffu);
    EXPECT_EQ(Texture(p, 2).mipmode, 0);
    EXPECT_EQ(Texture(p, 2).cat, 5);
}

TEST(IndexParse, KeysAreChosenByTheirLetters) {
    const auto p = Parse("\"a\" hasdetail=2 alphamode=1\n\"b\" detailtile=4\n"
                         "\"c\" width=70000 height=9\n\"d\" height=5 width=x cat=-1\n"
                         "\"e\"\twidth=5 cat=2\n");
    EXPECT_EQ(Texture(p, 0).hasdetail, 2);
    EXPECT_EQ(Texture(p, 0).alphamode, 1);
    EXPECT_EQ(Texture(p, 1).alphamode, 4); // detailtile has no field of its own
    EXPECT_EQ(Texture(p, 2).width, 70000 & 0xFFFF);
    EXPECT_EQ(Texture(p, 2).height, 9);
    EXPECT_EQ(Texture(p, 3).width, 0); // not a number: the field keeps its value
    EXPECT_EQ(Texture(p, 3).cat, 0xFFFF);
    EXPECT_EQ(Texture(p, 4).width, 0); // a tab does not separate items
    EXPECT_EQ(Texture(p, 4).cat, 2);
}

TEST(IndexParse, AliasesAndOddNames) {
    const auto p =
        Parse("\"orig\" width=8 height=8\n\"al\" \"affiliate=orig\" width=99\n"
              "\"no closing quote\n\"" +
              std::string(80, 'n') + "\" width=1 height=1\n\"caf\xE9\" \"affiliate=\xE9t\xE9\"\n");
    EXPECT_EQ(Texture(p, 1).affiliate, "orig");
    EXPECT_TRUE(Texture(p, 1).IsAlias());
    EXPECT_EQ(Texture(p, 1).width, 99); // read, though an alias takes its original's later
    EXPECT_EQ(Texture(p, 2).name, "no closing quote");
    EXPECT_EQ(Texture(p, 3).name, std::string(63, 'n')); // names are cut to 63 characters
    EXPECT_EQ(Texture(p, 3).width, 1);
    EXPECT_EQ(Texture(p, 4).name, "caf\xC3\xA9"); // 8-bit bytes are Latin-1 characters
    EXPECT_EQ(Texture(p, 4).affiliate, "\xC3\xA9t\xC3\xA9");
}

TEST(IndexParse, LongLinesAreReadWhole) {
    std::string line = "\"long\" width=16 height=16";
    while (line.size() < 300)
        line += " unknownitem=1234567";
    line += " cat=7";
    const auto p = Parse(line + "\r\n\"next\" width=2\r\n");
    ASSERT_EQ(p.db->TextureCount(), 2);
    EXPECT_EQ(Texture(p, 0).cat, 7);
    EXPECT_EQ(Texture(p, 0).line, line + "\n");
    EXPECT_TRUE(p.boxes->Boxes().empty());
}

TEST(IndexParse, CategoryLines) {
    const auto p = Parse("cat=2 name=Road Signs onfoot=1 slow=0 fast=1\n"
                         "cat=3 name=Interface onfoot=0 slow=1 fast=0 defaultformat=2 "
                         "defaultstream=3\n"
                         "cat=4 name=" +
                         std::string(70, 'c') + " onfoot=1\n");
    ASSERT_EQ(p.db->CategoryCount(), 3);
    const CategoryRecord& road = p.db->Categories()[0];
    EXPECT_EQ(road.id, 2);
    EXPECT_EQ(road.name, "Road"); // one word
    EXPECT_EQ(road.onfoot, 1);    // found at its own item boundary
    EXPECT_EQ(road.fast, 1);
    const CategoryRecord& ui = p.db->Categories()[1];
    EXPECT_EQ(ui.slow, 1);
    EXPECT_EQ(ui.defaultformat, 2);
    EXPECT_EQ(ui.defaultstream, 3);
    EXPECT_EQ(p.db->Categories()[2].name.size(), 63u);
    EXPECT_EQ(p.db->Categories()[2].onfoot, 1);
}

TEST(IndexParse, BlankAndUnknownLinesWarnAndParsingGoesOn) {
    const auto p = Parse("\"a\" width=1\n\nwhatever\r\n\"b\" width=2\n");
    EXPECT_EQ(p.db->TextureCount(), 2);
    // The cache shows nothing itself: the warnings wait for the window or the tool.
    EXPECT_TRUE(p.boxes->Boxes().empty());
    const std::vector<std::string> warnings = p.db->TakeWarnings();
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].find("Unknown line '\n' found while parsing TXT file."),
              std::string::npos);
    EXPECT_NE(warnings[0].find("Value: 1 [0x1]"), std::string::npos);
    EXPECT_NE(warnings[1].find("Unknown line 'whatever\n'"), std::string::npos);
    EXPECT_NE(warnings[1].find("Value: 2 [0x2]"), std::string::npos);
    EXPECT_TRUE(p.db->TakeWarnings().empty());
}

TEST(IndexParse, MissingFileFailsQuietly) {
    CScriptedMessageBox boxes;
    CTextureDatabase db(0);
    EXPECT_EQ(db.LoadTxt("/nonexistent/cache.txt"), 0);
    EXPECT_TRUE(boxes.Boxes().empty());
    CTextureDatabase opened("/nonexistent/cache.txt", 0);
    EXPECT_EQ(opened.TextureCount(), 0);
}
