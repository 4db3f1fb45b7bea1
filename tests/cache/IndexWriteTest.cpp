// Writing index files back: line building, item edits and the rewrite itself.
#include "cache/TextureDatabase.h"
#include "platform/ScriptedMessageBox.h"
#include "support/CoreFixtures.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>

// Records are made with designated initializers that name only the fields a case sets.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

std::string Rewrite(const std::string& text) {
    CTextureDatabase db(0);
    db.ParseTxt(text);
    return db.BuildTxtText();
}

} // namespace

TEST(IndexWrite, LinesKeepTheirContentAndEndInCrLf) {
    EXPECT_EQ(Rewrite("\"a\" width=4 height=4 img=4dec587 mystery=1 mipmode=1  \n"
                      "cat=0 name=World onfoot=1 slow=0 fast=0\n"),
              "cat=0 name=World onfoot=1 slow=0 fast=0\r\n"
              "\"a\" width=4 height=4 img=4dec587 mystery=1 mipmode=1\r\n");
}

TEST(IndexWrite, AliasesAreWrittenAsNameAndAffiliateFirst) {
    // Items the file put on an alias line survive; name and affiliate lead.
    EXPECT_EQ(Rewrite("\"b\" \"affiliate=a\" hassibling=1\n\"c\" width=4 \"affiliate=a\"\n"),
              "\"b\" \"affiliate=a\" hassibling=1\r\n\"c\" \"affiliate=a\" width=4\r\n");
    CTextureDatabase db(0);
    db.ParseTxt("\"b\" \"affiliate=a\" hassibling=1\n");
    TextureRecord& alias = const_cast<TextureRecord&>(db.Textures()[0]);
    alias.name = "renamed";
    alias.affiliate = "other";
    EXPECT_EQ(db.BuildTextureLine(alias), "\"renamed\" \"affiliate=other\" hassibling=1\n");
    TextureRecord made{.name = "x", .affiliate = "y"};
    EXPECT_EQ(db.BuildTextureLine(made), "\"x\" \"affiliate=y\"\n");
    EXPECT_TRUE(made.line.empty());
}

TEST(IndexWrite, CategoryDefaultsAreWrittenInPairs) {
    CategoryRecord c{.id = 1, .name = "Interface", .onfoot = 1};
    EXPECT_EQ(CTextureDatabase::BuildCategoryLine(c),
              "cat=1 name=Interface onfoot=1 slow=0 fast=0");
    c.defaultstream = 3;
    EXPECT_EQ(CTextureDatabase::BuildCategoryLine(c),
              "cat=1 name=Interface onfoot=1 slow=0 fast=0 defaultformat=0 defaultstream=3");
}

TEST(IndexWrite, TexturesMadeInMemoryGetTheirLineOnce) {
    CTextureDatabase db(0);
    TextureRecord t{
        .name = "new", .width = 64, .height = 32, .cat = 2, .alphamode = 2, .camnorm = 1};
    EXPECT_EQ(db.BuildTextureLine(t), "\"new\" width=64 height=32 cat=2 alphamode=2 camnorm=1");
    t.img = 0xabc;
    t.png = 1;
    TextureRecord fresh = t;
    fresh.line.clear();
    EXPECT_EQ(db.BuildTextureLine(fresh),
              "\"new\" width=64 height=32 cat=2 alphamode=2 camnorm=1 png=00000001 img=00000abc");
    // Once built, the stored line is returned as it is.
    EXPECT_EQ(db.BuildTextureLine(t), "\"new\" width=64 height=32 cat=2 alphamode=2 camnorm=1");
}

TEST(IndexWrite, SetLineKeyRemovesWholeItemsAndAppendsNonZeroValues) {
    CTextureDatabase db(0);
    db.ParseTxt("\"t\" width=8 cat=5 height=8 cat=50\n");
    TextureRecord t = db.Textures()[0];
    ASSERT_EQ(t.cat, 50);
    EXPECT_EQ(db.SetLineKey(t, 0, " cat=%d", 5), 1);
    EXPECT_EQ(t.line, "\"t\" width=8 height=8 cat=50\n"); // cat=50 is not cat=5
    EXPECT_EQ(db.SetLineKey(t, 7, " cat=%d", 0), 1);
    EXPECT_EQ(t.line, "\"t\" width=8 height=8 cat=50 cat=7");
    EXPECT_EQ(db.SetLineKey(t, 1, " hasbias=%d", 0), 1);
    EXPECT_EQ(db.SetLineKey(t, 0, " hasbias=%d", 1), 1);
    EXPECT_EQ(t.line, "\"t\" width=8 height=8 cat=50 cat=7");

    TextureRecord alias{.affiliate = "t", .line = "\"x\" \"affiliate=t\""};
    EXPECT_EQ(db.SetLineKey(alias, 3, " cat=%d", 0), 0);
    TextureRecord empty;
    EXPECT_EQ(db.SetLineKey(empty, 3, " cat=%d", 0), 0);
    EXPECT_TRUE(empty.line.empty());
}

TEST(IndexWrite, SetLineNameReplacesEveryQuotedOccurrence) {
    CTextureDatabase db(0);
    TextureRecord t{.name = "a", .line = "\"a\" width=1 note=\"a\" other=a\n"};
    db.SetLineName(t, "b");
    EXPECT_EQ(t.name, "b");
    EXPECT_EQ(t.line, "\"b\" width=1 note=\"b\" other=a\n");
    db.SetLineName(t, std::string(70, 'z'));
    EXPECT_EQ(t.name, std::string(63, 'z'));
}

TEST(IndexWrite, RebuildReplacesTheFileAtomicallyAndKeepsItOpen) {
    TempDir dir;
    dir.Write("c.txt", "cat=0 name=A onfoot=0 slow=0 fast=0\n\"x\" width=1 height=1 q=\xE9\n");
    CScriptedMessageBox boxes;
    CTextureDatabase db(dir.File("c.txt"), 0);
    ASSERT_EQ(db.TextureCount(), 1);
    db.RebuildTxt();
    EXPECT_EQ(dir.Read("c.txt"),
              "cat=0 name=A onfoot=0 slow=0 fast=0\r\n\"x\" width=1 height=1 q=\xE9\r\n");
    EXPECT_EQ(db.ReloadTxt(), 1);
    EXPECT_EQ(db.TextureCount(), 1);
    EXPECT_EQ(db.CategoryCount(), 1);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(IndexWrite, FailedRewriteSaysWhyAndLeavesNoTemporaryFile) {
    TempDir dir;
    dir.Write("c.txt", "\"x\" width=1 height=1\n");
    dir.Write("c.dxt.dat", "");
    CScriptedMessageBox boxes;
    CTextureDatabase db(dir.File("c.txt"), 0);
    // Behind the back of the open database: it refuses to write over what it did not see.
    dir.Write("c.txt", "\"y\" width=1 height=1\n");
    EXPECT_THROW(db.RebuildTxt(), CBusyError);
    // Something that cannot be renamed over stands where the new TOC would go.
    std::filesystem::create_directory(dir.File("c.dxt.toc"));
    dir.Write("c.dxt.toc/keep", "x");
    CTextureDatabase again(dir.File("c.txt"), 0);
    try {
        again.FixToc(CacheId::kDxt);
        FAIL() << "the repair succeeded";
    } catch (const CWriteError& error) {
        EXPECT_EQ(error.Errno(), EISDIR);
        EXPECT_NE(std::string(error.what()).find("c.dxt.toc"), std::string::npos);
    }
    EXPECT_EQ(dir.Read("c.txt"), "\"y\" width=1 height=1\n");
    // The reason travels in the exception; the caller decides how to show it.
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(ReadFolder(dir.Path()).size(), 3u);
}
