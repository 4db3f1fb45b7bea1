#include "app/Settings.h"
#include "app/Log.h"
#include "app/SettingsKeys.h"
#include "app/TessarineApp.h"
#include "platform/Files.h"
#include "platform/ScriptedMessageBox.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {
class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        m_strPrevious = Settings::Path();
        Settings::SetPath(m_Dir.File("tessarine.ini"));
    }
    void TearDown() override { Settings::SetPath(m_strPrevious); }
    TempDir m_Dir;
    std::string m_strPrevious;
};
} // namespace

TEST_F(SettingsFile, DefaultsApplyToAbsentAndEmptyValues) {
    EXPECT_EQ(IniReadInt(Settings::kShowLoadingScreen), 700);
    m_Dir.Write("tessarine.ini", "[details]\ngtasa=\ngtavc=Sand|Water\n");
    EXPECT_EQ(IniReadString(Settings::kDetailsSA), Settings::kDetailsSA.defaultValue);
    EXPECT_EQ(IniReadString(Settings::kDetailsVC), "Sand|Water");
    EXPECT_EQ(IniReadString("paths", "last_open"), "");
}

TEST_F(SettingsFile, IntegersAreWrittenAsDecimalAndStringsAreCut) {
    IniWriteInt(Settings::kRenderBackgroundColor, 0x00FF00FF);
    IniWriteInt("position", "left", -20);
    EXPECT_EQ(IniReadInt(Settings::kRenderBackgroundColor), 0xFF00FF);
    EXPECT_NE(m_Dir.Read("tessarine.ini").find("background_color=16711935"), std::string::npos);
    EXPECT_EQ(IniReadInt(Settings::kPositionLeft), -20);
    IniWriteString("paths", "last_open", std::string(600, 'p'));
    EXPECT_EQ(IniReadString("paths", "last_open").size(), 511u);
    IniDeleteKey("paths", "last_open");
    EXPECT_EQ(IniReadString("paths", "last_open", "gone"), "gone");
}

TEST_F(SettingsFile, AFileThatCannotBeWrittenIsReportedOnceAndEqualValuesAreNotRewritten) {
    CScriptedMessageBox boxes;
    // Every write replaces the file, so an unchanged inode tells that nothing was written.
    const auto inode = [&] {
        struct stat st {};
        stat(m_Dir.File("tessarine.ini").c_str(), &st);
        return st.st_ino;
    };
    IniWriteInt(Settings::kGame, 2);
    const ino_t first = inode();
    IniWriteInt(Settings::kGame, 2);
    IniDeleteKey("paths", "never_there");
    EXPECT_EQ(inode(), first);
    IniWriteString("paths", "empty", ""); // an empty value is not an absent key
    const ino_t second = inode();
    EXPECT_NE(second, first);
    IniWriteString("paths", "empty", "");
    EXPECT_EQ(inode(), second);
    EXPECT_TRUE(boxes.Boxes().empty());

    // A folder that is a file: no write can succeed, not even root's.
    m_Dir.Write("file", "");
    Settings::SetPath(m_Dir.File("file/tessarine.ini"));
    IniWriteInt(Settings::kGame, 1);
    IniWriteString("paths", "last_open", "/x/");
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "The settings cannot be saved to " +
                                         m_Dir.File("file/tessarine.ini") +
                                         " (Not a directory). Changed settings will be lost.");
    // Another file is reported on its own; no file at all keeps nothing and says nothing.
    Settings::SetPath(m_Dir.File("file/other.ini"));
    IniWriteInt(Settings::kGame, 1);
    Settings::SetPath("");
    IniWriteInt(Settings::kGame, 1);
    EXPECT_EQ(boxes.Boxes().size(), 2u);
}

TEST(TessarineApp, StartsWithLogAndSettingsBesideTheProgramAndEndsTheLog) {
    CTessarineApp app;
    const std::string exe = Files::ExecutablePath();
    std::string settingsSeen;
    std::vector<std::string> argsSeen;
    char arg0[] = "tessarine_tests";
    char arg1[] = "cache.txt";
    char* argv[] = {arg0, arg1};
    EXPECT_FALSE(app.InitInstance(
        2, argv, [&](const std::string& settings, const std::vector<std::string>& args) {
            settingsSeen = settings;
            argsSeen = args;
            LogPrintA("main window ran\n");
        }));
    EXPECT_EQ(settingsSeen, exe + ".ini");
    EXPECT_EQ(argsSeen, std::vector<std::string>{"cache.txt"});
    EXPECT_EQ(app.LogPath(), exe + ".log");
    EXPECT_EQ(Settings::Path(), exe + ".ini");
    EXPECT_EQ(app.ExitInstance(), 0);
    const auto log = Files::ReadWholeFile(app.LogPath());
    ASSERT_TRUE(log.has_value());
    EXPECT_NE(log->find("main window ran\n"), std::string::npos);
    EXPECT_NE(log->find("] Logging ended.\n"), std::string::npos);
    EXPECT_NE(log->find("] Settings: " + exe + ".ini, log: " + exe + ".log (beside the program)\n"),
              std::string::npos);
    Settings::SetPath("");
}
