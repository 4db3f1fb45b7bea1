#include "platform/DynamicLibrary.h"

#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

TEST(DynamicLibrary, LoadsResolvesAndCloses) {
    CDynamicLibrary library;
    ASSERT_TRUE(library.Load(TESSARINE_TEST_LIBRARY)) << library.LastError();
    auto answer = library.Function<int (*)()>("TestLibraryAnswer");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(library.Symbol("NoSuchExport"), nullptr);

    CDynamicLibrary moved = std::move(library);
    EXPECT_FALSE(library.IsLoaded());
    EXPECT_TRUE(moved.IsLoaded());
    moved.Close();
    EXPECT_EQ(moved.Symbol("TestLibraryAnswer"), nullptr);
}

TEST(DynamicLibrary, MissingOrBrokenFilesFailWithAReason) {
    CDynamicLibrary library;
    EXPECT_FALSE(library.Load("/nonexistent/plugin.so"));
    EXPECT_FALSE(library.LastError().empty());
    EXPECT_FALSE(library.Load(TESSARINE_SAMPLES_DIR "/demo/demo.txt"));
    EXPECT_FALSE(library.IsLoaded());
}

// A library cut short (an interrupted copy) is refused instead of killing the process when
// the loader touches a page past its end.
TEST(DynamicLibrary, ALibraryCutShortIsRefused) {
    TempDir dir;
    const std::string cut = dir.File("cut.so");
    std::filesystem::copy_file(TESSARINE_TEST_LIBRARY, cut);
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
    CDynamicLibrary library;
    EXPECT_FALSE(CDynamicLibrary::IsWholeLibraryFile(cut));
    EXPECT_FALSE(library.Load(cut));
    EXPECT_NE(library.LastError().find("cut short"), std::string::npos);
    EXPECT_TRUE(CDynamicLibrary::IsWholeLibraryFile(TESSARINE_TEST_LIBRARY));
}
