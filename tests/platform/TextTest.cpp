#include "platform/Text.h"

#include <gtest/gtest.h>

TEST(Text, Latin1RoundTripsEveryByte) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = Text::Latin1ToUtf8(all);
    EXPECT_EQ(Text::Utf8Length(utf8), 255u);
    EXPECT_EQ(Text::Utf8ToLatin1(utf8), all);
    EXPECT_EQ(Text::Latin1ToUtf8("\xE9"), "\xC3\xA9");
}

TEST(Text, CharactersBeyondLatin1BecomeQuestionMarks) {
    EXPECT_EQ(Text::Utf8ToLatin1("a\xE2\x82\xAC"
                                 "b"),
              "a?b"); // euro sign
}

TEST(Text, WideConversionsAndTruncationKeepCharactersWhole) {
    EXPECT_EQ(Text::WideToUtf8(L"caf\u00e9 \u20ac"), "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(Text::Utf8ToWide("caf\xC3\xA9"), L"caf\u00e9");
    EXPECT_EQ(Text::Utf8Truncate("\xC3\xA9\xC3\xA9\xC3\xA9", 2), "\xC3\xA9\xC3\xA9");
    EXPECT_EQ(Text::Utf8PrefixBytes("a\xE2\x82\xAC", 3), 1u);
    // A stray byte that is not UTF-8 counts as one character and is not dropped.
    EXPECT_EQ(Text::Utf8Length("a\xFF"
                               "b"),
              3u);
}

