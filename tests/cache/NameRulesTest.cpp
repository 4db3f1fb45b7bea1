// The names a cache takes: what the index file can hold, refused whole otherwise, and the
// edits that must not get around it.
#include "cache/NameRules.h"
#include "cache/TextureDatabase.h"
#include "platform/ScriptedMessageBox.h"
#include "support/CacheBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

TEST(NameRules, EachForbiddenClassIsRefusedWithItsReasonAndTheRestAllowed) {
    // 63 characters of two bytes each in UTF-8 are 63 bytes in the file.
    std::string accents;
    for (int i = 0; i < 63; ++i)
        accents += "\xC3\xA9";
    const std::pair<std::string, NameProblem> cases[] = {
        {"", NameProblem::kEmpty},
        {"   ", NameProblem::kEmpty},
        {"wood\ncat=3 x", NameProblem::kControl},
        {"a\rb", NameProblem::kControl},
        {"tab\there", NameProblem::kControl},
        {"esc\x1b[31m", NameProblem::kControl},
        {"del\x7f", NameProblem::kControl},
        {"c1\xC2\x9B", NameProblem::kControl}, // U+009B, a terminal's one-byte CSI
        {"quote\"inside", NameProblem::kQuote},
        {"\xE6\x9D\xB1\xE4\xBA\xAC", NameProblem::kNotLatin1}, // 東京
        {"euro\xE2\x82\xAC", NameProblem::kNotLatin1},
        {"stray\xE9", NameProblem::kNotUtf8},
        {"over\xC0\xAF", NameProblem::kNotUtf8}, // an overlong '/'
        {std::string(64, 'n'), NameProblem::kTooLong},
        {accents + "e", NameProblem::kTooLong},
        {"door_close ", NameProblem::kNone},
        {"two words", NameProblem::kNone},
        {"caf\xC3\xA9", NameProblem::kNone},
        {accents, NameProblem::kNone},
        {std::string(63, 'n'), NameProblem::kNone},
    };
    for (const auto& [name, problem] : cases) {
        EXPECT_EQ(CheckTextureName(name), problem) << name;
        EXPECT_EQ(DescribeNameProblem(problem).empty(), problem == NameProblem::kNone);
    }
}

TEST(NameRules, CategoryNamesAreOneWord) {
    EXPECT_EQ(CheckCategoryName("Vehicles"), NameProblem::kNone);
    EXPECT_EQ(CheckCategoryName("Road Signs"), NameProblem::kBlank);
    EXPECT_EQ(CheckCategoryName("Road\xC2\xA0Signs"), NameProblem::kBlank); // no-break space
    EXPECT_EQ(CheckCategoryName("Road\tSigns"), NameProblem::kControl);
    EXPECT_EQ(CheckCategoryName(" "), NameProblem::kEmpty);
    EXPECT_EQ(CheckCategoryName(std::string(64, 'c')), NameProblem::kTooLong);
}

namespace {

class NamedEdits : public ::testing::Test {
protected:
    void SetUp() override {
        CacheBuilder b(m_Dir.Path(), "n", 2);
        b.Add("wall");
        b.Add("sky");
        m_Path = b.Write();
        m_Db = std::make_unique<CTextureDatabase>(m_Path, 0);
    }
    TempDir m_Dir;
    CScriptedMessageBox m_Boxes;
    std::string m_Path;
    std::unique_ptr<CTextureDatabase> m_Db;
};

} // namespace

TEST_F(NamedEdits, RefusedNamesLeaveTheIndexAsItWas) {
    const std::string before = m_Dir.Read("n.txt");
    EXPECT_EQ(m_Db->RenameTexture(0, "a\nb"), 0);
    EXPECT_EQ(m_Db->RenameTexture(0, "quote\"inside"), 0);
    EXPECT_EQ(m_Db->RenameTexture(0, ""), 0);
    EXPECT_EQ(m_Db->AddAlias("x\ncat=3 y", "wall"), 0);
    EXPECT_EQ(m_Db->AddTexture("\xE6\x9D\xB1", 4, 4, 0, 0), 0);
    EXPECT_EQ(m_Db->AddCategory("Two words"), 0);
    EXPECT_EQ(m_Db->RenameCategory(0, "new\nline"), 0);
    EXPECT_EQ(m_Db->TextureCount(), 2);
    EXPECT_EQ(m_Db->CategoryCount(), 1);
    EXPECT_EQ(m_Dir.Read("n.txt"), before);
}

TEST_F(NamedEdits, LongNamesAreRefusedBeforeTheyCouldCollide) {
    // Two names that differ only after the 63rd character: cut, they would be one name.
    const std::string stem(63, 'l');
    ASSERT_EQ(m_Db->RenameTexture(0, stem), 1);
    EXPECT_EQ(m_Db->RenameTexture(1, stem + "2"), 0);
    EXPECT_EQ(m_Db->GetTextureName(1), "sky");
}

TEST_F(NamedEdits, StoredNamesReadBackIdentically) {
    const std::vector<std::string> names = {"door_close ", " lead", "caf\xC3\xA9", "a=b c=d",
                                            std::string(63, 'z')};
    for (size_t i = 0; i < names.size(); ++i)
        ASSERT_EQ(m_Db->AddAlias(names[i], "wall"), 1) << names[i];
    ASSERT_EQ(m_Db->RenameTexture(1, "sky \xC3\xBF"), 1);
    ASSERT_EQ(m_Db->AddCategory("\xC3\x89t\xC3\xA9"), 1);
    CTextureDatabase again(m_Path, 0);
    ASSERT_EQ(again.TextureCount(), 2 + static_cast<int>(names.size()));
    EXPECT_EQ(again.GetTextureName(1), "sky \xC3\xBF");
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(again.GetTextureName(2 + static_cast<int>(i)), names[i]);
        EXPECT_EQ(again.Textures()[2 + i].affiliate, "wall");
    }
    EXPECT_EQ(again.GetCategoryName(1), "\xC3\x89t\xC3\xA9");
}

TEST_F(NamedEdits, ItemsInsideANameAreNotItems) {
    // Blanks are allowed, so a name can read like items; changing a key leaves it whole.
    const std::string name = "wall cat=0 alphamode=0";
    ASSERT_EQ(m_Db->RenameTexture(0, name), 1);
    ASSERT_EQ(m_Db->SetCategory(0, 1), 1);
    ASSERT_EQ(m_Db->SetCategory(0, 0), 1);
    CTextureDatabase again(m_Path, 0);
    EXPECT_EQ(again.GetTextureName(0), name);
    EXPECT_EQ(again.Textures()[0].cat, 0);
}
