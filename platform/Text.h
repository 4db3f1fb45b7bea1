#pragma once
// Text conversions at the program's boundaries. Internally every string is UTF-8;
// index files and RenderWare names are 8-bit, one byte per character (Latin-1), and the
// plug-in interface speaks wchar_t (UTF-32 on Linux).
#include <cstddef>
#include <string>
#include <string_view>

namespace Text {

// Byte b becomes character U+00b.
std::string Latin1ToUtf8(std::string_view latin1);
// Characters above U+00FF cannot be stored in an 8-bit file; they become '?'.
std::string Utf8ToLatin1(std::string_view utf8);

std::string WideToUtf8(std::wstring_view wide);
std::wstring Utf8ToWide(std::string_view utf8);

// Number of characters (code points) in a UTF-8 string.
size_t Utf8Length(std::string_view utf8);
// The first maxChars characters, never splitting a character.
std::string Utf8Truncate(std::string_view utf8, size_t maxChars);
// The longest prefix of at most maxBytes bytes that ends on a character boundary.
size_t Utf8PrefixBytes(std::string_view utf8, size_t maxBytes);

// True when the bytes are well-formed UTF-8 (no stray, overlong or surrogate sequences).
bool IsValidUtf8(std::string_view text);
// True for the control characters of Latin-1: U+0000-U+001F, U+007F and U+0080-U+009F.
bool IsControl(char32_t c);
// The text with every control character (and every byte that is not UTF-8) written as
// \xNN, so that text taken from a file cannot drive the terminal it is shown on.
std::string EscapeControls(std::string_view utf8);

// Without spaces, tabs, CRs and line ends at both ends.
std::string_view TrimBlanks(std::string_view text);

// Lower-cases ASCII letters only; other bytes pass unchanged, so UTF-8 stays valid.
std::string AsciiLower(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

} // namespace Text
