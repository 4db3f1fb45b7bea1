// Where the program finds its plug-ins and keeps its settings and log.
#include "app/ProgramFolders.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

using ProgramFolders::Placement;

TEST(ProgramFolders, PlugInsBesideTheProgramComeFirstThenTheInstalledOnes) {
    TempDir dir;
    const std::string bin = dir.File("prefix/bin");
    std::filesystem::create_directories(bin);
    // Neither: the folder beside the program, which the host then finds empty.
    EXPECT_EQ(ProgramFolders::Find(bin, "plugins"), bin + "/plugins");
    std::filesystem::create_directories(dir.File("prefix/lib/tessarine/plugins"));
    EXPECT_EQ(ProgramFolders::Find(bin, "plugins"), dir.File("prefix/lib/tessarine/plugins"));
    EXPECT_EQ(ProgramFolders::Find(bin, "lang"), bin + "/lang");
    std::filesystem::create_directories(bin + "/plugins");
    EXPECT_EQ(ProgramFolders::Find(bin, "plugins"), bin + "/plugins");
    // A file of that name is no folder of plug-ins.
    dir.Write("prefix/bin/lang", "");
    std::filesystem::create_directories(dir.File("prefix/lib/tessarine/lang"));
    EXPECT_EQ(ProgramFolders::Find(bin, "lang"), dir.File("prefix/lib/tessarine/lang"));
}

TEST(ProgramFolders, SettingsStayBesideAWritablePortableProgramElseGoToTheUsersFolders) {
    const ProgramFolders::Environment env{"/home/u", "", ""};
    const auto beside = ProgramFolders::Choose("/opt/t/tessarine", true, true, env);
    EXPECT_EQ(beside.settingsPath, "/opt/t/tessarine.ini");
    EXPECT_EQ(beside.logPath, "/opt/t/tessarine.log");
    EXPECT_EQ(beside.placement, Placement::kBesideProgram);
    // Named after the program beside it, always tessarine.* in the user's folders.
    EXPECT_EQ(ProgramFolders::Choose("/opt/t/tool.exe", true, true, env).settingsPath,
              "/opt/t/tool.ini");
    const auto readOnly = ProgramFolders::Choose("/media/cd/tool.exe", true, false, env);
    EXPECT_EQ(readOnly.settingsPath, "/home/u/.config/tessarine/tessarine.ini");
    EXPECT_EQ(readOnly.logPath, "/home/u/.local/state/tessarine/tessarine.log");
    EXPECT_EQ(readOnly.placement, Placement::kReadOnlyPortable);
    // Installed: even a folder root can write (/usr/bin) is no place for them.
    const auto installed = ProgramFolders::Choose("/usr/bin/tessarine", false, true, env);
    EXPECT_EQ(installed.settingsPath, "/home/u/.config/tessarine/tessarine.ini");
    EXPECT_EQ(installed.placement, Placement::kInstalled);

    const ProgramFolders::Environment xdg{"/home/u", "/cfg/", "/var/st"};
    EXPECT_EQ(ProgramFolders::Choose("/usr/bin/tessarine", false, true, xdg).settingsPath,
              "/cfg/tessarine/tessarine.ini");
    EXPECT_EQ(ProgramFolders::Choose("/usr/bin/tessarine", false, true, xdg).logPath,
              "/var/st/tessarine/tessarine.log");
    // Relative XDG paths are not to be used.
    const ProgramFolders::Environment relative{"/home/u", "cfg", "st"};
    EXPECT_EQ(ProgramFolders::Choose("/usr/bin/tessarine", false, true, relative).logPath,
              "/home/u/.local/state/tessarine/tessarine.log");
}

TEST(ProgramFolders, TheUsersFoldersAreMadePrivateAndAFileInTheWayIsNamed) {
    TempDir dir;
    ProgramFolders::Location where{dir.File("cfg/tessarine/tessarine.ini"),
                                   dir.File("state/deep/tessarine/tessarine.log"),
                                   Placement::kInstalled};
    EXPECT_EQ(ProgramFolders::CreateFolderFor(where, where.logPath), "");
    EXPECT_EQ(std::filesystem::status(dir.File("state/deep")).permissions(),
              std::filesystem::perms::owner_all);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("state/deep/tessarine")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("cfg")));
    EXPECT_EQ(ProgramFolders::CreateFolderFor(where, where.logPath), ""); // it is there

    dir.Write("file", "");
    where.settingsPath = dir.File("file/tessarine/tessarine.ini");
    EXPECT_EQ(ProgramFolders::CreateFolderFor(where, where.settingsPath),
              dir.File("file/tessarine") + ": Not a directory");
    // Beside the program nothing is made: the program's folder is there.
    where.placement = Placement::kBesideProgram;
    where.settingsPath = dir.File("gone/tessarine.ini");
    EXPECT_EQ(ProgramFolders::CreateFolderFor(where, where.settingsPath), "");
    EXPECT_FALSE(std::filesystem::exists(dir.File("gone")));
}
