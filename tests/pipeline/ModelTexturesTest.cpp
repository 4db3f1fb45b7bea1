// The model names shared by the model check window and the command line, on real models
// and dictionaries.
#include "pipeline/ModelTextures.h"
#include "support/CoreFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace {

bool Has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

class ModelTexturesTest : public ::testing::Test {
protected:
    void SetUp() override {
        SKIP_WITHOUT_TESTDATA();
        m_Real = TestDataDir() + "/real/";
    }
    TempDir m_Dir;
    std::string m_Real;
};

} // namespace

TEST_F(ModelTexturesTest, NamesAreListedOnceAndRenamedThroughoutTheModel) {
    const std::string path = m_Dir.File("bike.dff");
    fs::copy_file(m_Real + "dff/sa_fcr900_matfx_env.dff", path);
    CModelTextures model;
    model.Open(path);
    ASSERT_EQ(model.GetKind(), CModelTextures::Kind::kModel);
    const std::vector<std::string> names = model.Names();
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
    EXPECT_TRUE(Has(names, "a72b7c5e"));
    EXPECT_TRUE(Has(names, "chrome")); // an environment map's name
    EXPECT_FALSE(Has(names, ""));

    // Only the exact spelling is renamed; a name differing in case stays.
    EXPECT_EQ(model.Rename("A72B7C5E", "other"), 0);
    const int renamed = model.Rename("a72b7c5e", "shiny");
    EXPECT_GT(renamed, 0);
    EXPECT_FALSE(Has(model.Names(), "a72b7c5e"));
    EXPECT_TRUE(Has(model.Names(), "shiny"));
    EXPECT_EQ(model.Rename("chrome", "x"), 0) << "effect names are not renamed";
    const std::string text = model.PlainText();
    model.Save(path);

    CModelTextures back;
    back.Open(path);
    EXPECT_TRUE(Has(back.Names(), "shiny"));
    EXPECT_FALSE(Has(back.Names(), "a72b7c5e"));
    EXPECT_TRUE(Has(back.Names(), "chrome"));
    EXPECT_EQ(back.Names().size(), names.size());
    EXPECT_EQ(back.PlainText(), text);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
}

TEST_F(ModelTexturesTest, DictionariesListTheirNamesAndRenameNothing) {
    for (const char* file : {"txd/pc/sa_LD_CHAT.txd", "txd/ps2/sa_ps2_VEHICLE2.txd"}) {
        CModelTextures dictionary;
        dictionary.Open(m_Real + file);
        EXPECT_EQ(dictionary.GetKind(), CModelTextures::Kind::kDictionary) << file;
        ASSERT_FALSE(dictionary.Names().empty()) << file;
        EXPECT_EQ(dictionary.Rename(dictionary.Names()[0], "x"), 0);
        EXPECT_EQ(dictionary.PlainText(), "");
        EXPECT_THROW(dictionary.Save(m_Dir.File("d.dff")), RW::CException);
        EXPECT_FALSE(fs::exists(m_Dir.File("d.dff")));
    }
    CModelTextures damaged;
    m_Dir.Write("bad.dff", std::string("\x10\0\0\0\xff\xff\0\0\xff\xff\x03\x18", 12));
    EXPECT_THROW(damaged.Open(m_Dir.File("bad.dff")), RW::CException);
    EXPECT_TRUE(damaged.Names().empty());
}
