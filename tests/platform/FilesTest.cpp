#include "platform/Files.h"
#include "platform/Ticks.h"
#include "support/TempDir.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

TEST(Files, SizeAndTruncateOnOpenStreams) {
    TempDir dir;
    dir.Write("a.dat", "0123456789");
    EXPECT_EQ(Files::FileSize(dir.File("a.dat")), 10);
    EXPECT_EQ(Files::FileSize(dir.File("missing")), -1);
    FILE* f = fopen(dir.File("a.dat").c_str(), "rb+");
    ASSERT_NE(f, nullptr);
    fseek(f, 3, SEEK_SET);
    fputs("xy", f); // buffered: truncation must write it first
    ASSERT_TRUE(Files::TruncateFile(f, 6));
    EXPECT_EQ(Files::FileSize(f), 6);
    EXPECT_EQ(ftell(f), 5); // the position is the caller's business
    ASSERT_TRUE(Files::TruncateFile(f, 8));
    fclose(f);
    EXPECT_EQ(dir.Read("a.dat"), std::string("012xy5\0\0", 8));
}

TEST(Files, SearchFolderListsMatchingFilesInSortedOrder) {
    TempDir dir;
    for (const char* name : {"b.so", "a.so", "C.so", "notes.txt", "a.so.bak"})
        dir.Write(name, "x");
    std::filesystem::create_directory(dir.File("dir.so"));
    EXPECT_EQ(Files::SearchFolder(dir.Path(), ".so"),
              (std::vector<std::string>{"C.so", "a.so", "b.so"}));
    EXPECT_TRUE(Files::SearchFolder(dir.File("missing"), ".so").empty());
}

TEST(Files, PathsBesideTheExecutable) {
    EXPECT_EQ(Files::ReplaceExtension("/opt/tool.exe", "ini"), "/opt/tool.ini");
    EXPECT_EQ(Files::ReplaceExtension("/opt/v1.2/tessarine", "ini"), "/opt/v1.2/tessarine.ini");
    EXPECT_EQ(Files::ReplaceExtension("tessarine", "log"), "tessarine.log");
    EXPECT_EQ(Files::DirectoryOf("/a/b/c.txt"), "/a/b");
    EXPECT_EQ(Files::FileNameOf("/a/b/c.txt"), "c.txt");
    EXPECT_NE(Files::ExecutablePath().find("tessarine_tests"), std::string::npos);
}

TEST(Files, AtomicWriteReplacesContentAndFollowsNoPartialState) {
    TempDir dir;
    dir.Write("index.txt", "old");
    ASSERT_TRUE(Files::WriteFileAtomically(dir.File("index.txt"), "new content"));
    EXPECT_EQ(dir.Read("index.txt"), "new content");
    EXPECT_FALSE(Files::WriteFileAtomically(dir.File("missing/index.txt"), "x"));
    // Through a link the target changes and the link stays a link.
    std::filesystem::create_symlink(dir.File("index.txt"), dir.File("link.txt"));
    ASSERT_TRUE(Files::WriteFileAtomically(dir.File("link.txt"), "via link"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.txt")));
    EXPECT_EQ(dir.Read("index.txt"), "via link");
}

TEST(Ticks, CountMilliseconds) {
    const uint32_t start = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const uint32_t elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 25u);
    EXPECT_LT(elapsed, 5000u);
}
