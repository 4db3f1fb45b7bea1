// Name lookups and alias resolution.
#include "cache/TextureDatabase.h"
#include "platform/ScriptedMessageBox.h"

#include <gtest/gtest.h>

namespace {

class Lookups : public ::testing::Test {
protected:
    void SetUp() override {
        m_db.ParseTxt("cat=0 name=World onfoot=0 slow=0 fast=0\n"
                      "cat=1 name=Cars onfoot=0 slow=0 fast=0\n"
                      "\"early\" \"affiliate=Paint\"\n"
                      "\"Paint\" width=64 height=32 cat=1 alphamode=2 hasdetail=3 camnorm=1 "
                      "hasbias=1 format=4\n"
                      "\"paint_shadow\" width=8 height=8\n"
                      "\"late\" \"affiliate=Paint\" camnorm=0\n"
                      "\"lost\" \"affiliate=nobody\"\n");
    }
    CScriptedMessageBox m_Boxes;
    CTextureDatabase m_db{0};
};

} // namespace

TEST_F(Lookups, FindByNameAndByPart) {
    EXPECT_EQ(m_db.FindTexture("Paint", true), 1);
    EXPECT_EQ(m_db.FindTexture("paint", true), -1);
    EXPECT_EQ(m_db.FindTexture("PAINT", false), 1);
    EXPECT_EQ(m_db.FindTexture("", false), -1);
    EXPECT_EQ(m_db.FindTextureContaining(0, "PAINT"), 1);
    EXPECT_EQ(m_db.FindTextureContaining(2, "paint"), 2);
    EXPECT_EQ(m_db.FindTextureContaining(3, "paint"), -1);
    EXPECT_EQ(m_db.FindNextAlias(0, 1), 0);
    EXPECT_EQ(m_db.FindNextAlias(1, 1), 3);
    EXPECT_EQ(m_db.FindNextAlias(4, 1), -1);
    EXPECT_EQ(m_db.FindNextAlias(0, 99), -1);
}

TEST_F(Lookups, AliasesTakeTheirOriginalsFieldsWhicheverComesFirst) {
    EXPECT_EQ(m_db.GetOriginalIndex(0), 1);
    EXPECT_EQ(m_db.GetOriginalIndex(3), 1);
    EXPECT_EQ(m_db.GetOriginalIndex(1), -1);
    EXPECT_EQ(m_db.GetTextureCategory(0), 1);
    EXPECT_EQ(m_db.GetTextureHasDetail(3), 3);
    const TextureRecord* early = m_db.GetTexture(0);
    ASSERT_NE(early, nullptr);
    EXPECT_EQ(early->width, 64);
    EXPECT_EQ(early->height, 32);
    EXPECT_EQ(early->alphamode, 2);
    EXPECT_EQ(early->format, 4);
    // camnorm and hasbias are the alias's own.
    EXPECT_EQ(m_db.GetTextureCamNorm(0), 0);
    EXPECT_EQ(m_db.GetTextureHasBias(3), 0);
    EXPECT_EQ(m_db.GetTextureCamNorm(1), 1);
}

TEST_F(Lookups, AnAliasOfNothingStaysUnresolved) {
    TextureRecord& lost = const_cast<TextureRecord&>(m_db.Textures()[4]);
    EXPECT_EQ(m_db.ResolveAlias(lost), 0);
    EXPECT_EQ(m_db.ResolveAlias(lost), 0);
    EXPECT_EQ(m_db.GetOriginalIndex(4), -1);
    EXPECT_EQ(m_db.GetTextureCategory(4), 0);
    TextureRecord plain;
    EXPECT_EQ(m_db.ResolveAlias(plain), 1);
}

TEST(ReportError, WarningsReturnAndErrorsThrowWithTheFullText) {
    CScriptedMessageBox boxes;
    CTextureDatabase db(0);
    db.ReportError(12, 3, "careful", true);
    // Kept until a sink is set, then handed over at once.
    std::vector<std::string> shown;
    db.SetWarningSink([&shown](const std::string& text) { shown.push_back(text); });
    try {
        db.ReportError(34, static_cast<uint32_t>(-1), "broken", false);
        FAIL() << "an error must throw";
    } catch (const CError& e) {
        EXPECT_EQ(e.Message(), "A fuckin' error occurred:\n\nbroken\n\n File: TextureDatabase.cpp\n"
                               " Line: 34\n Value: 4294967295 [0xffffffff]\n\n"
                               "Please check latest program version on it's homepage.");
    }
    EXPECT_TRUE(boxes.Boxes().empty());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find(" Line: 12\n Value: 3 [0x3]"), std::string::npos);
    EXPECT_TRUE(db.TakeWarnings().empty());
}
