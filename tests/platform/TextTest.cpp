#include "platform/Text.h"

#include <gtest/gtest.h>

TEST(Text, Latin1RoundTripsEveryByteAndNothingElse) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = Text::Latin1ToUtf8(all);
    EXPECT_EQ(Text::Utf8Length(utf8), 255u);
    EXPECT_EQ(Text::Utf8ToLatin1(utf8), all);
    EXPECT_EQ(Text::Latin1ToUtf8("\xE9"), "\xC3\xA9");
    EXPECT_EQ(Text::Utf8ToLatin1("a\xE2\x82\xAC!"), "a?!"); // beyond Latin-1: the euro sign
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

TEST(Text, ControlCharactersAreWrittenOutForTerminals) {
    EXPECT_EQ(Text::EscapeControls("a\x1b[31mb\n"), "a\\x1B[31mb\\x0A");
    EXPECT_EQ(Text::EscapeControls("c1\xC2\x9B del\x7F"), "c1\\x9B del\\x7F");
    EXPECT_EQ(Text::EscapeControls("stray\xFF"), "stray\\xFF");
    EXPECT_EQ(Text::EscapeControls("caf\xC3\xA9 \xE6\x9D\xB1"), "caf\xC3\xA9 \xE6\x9D\xB1");
    EXPECT_TRUE(Text::IsValidUtf8("caf\xC3\xA9 \xF0\x9F\x98\x80"));
    EXPECT_FALSE(Text::IsValidUtf8("\xC0\xAF"));     // overlong
    EXPECT_FALSE(Text::IsValidUtf8("\xED\xA0\x80")); // a surrogate
    EXPECT_FALSE(Text::IsValidUtf8("\xE2\x82"));     // cut short
    EXPECT_FALSE(Text::IsValidUtf8("\x80"));
}
