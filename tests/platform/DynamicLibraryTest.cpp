#include "platform/DynamicLibrary.h"

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
