#include "platform/Text.h"

#include <cstdio>

namespace Text {

namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one character at pos and advances pos. Malformed bytes decode as themselves
// (Latin-1), which keeps a stray 8-bit byte visible instead of dropping it.
char32_t DecodeUtf8(std::string_view s, size_t& pos) {
    const auto b0 = static_cast<unsigned char>(s[pos]);
    size_t need = 0;
    char32_t c = b0;
    if (b0 >= 0xF0 && b0 < 0xF8) {
        need = 3;
        c = b0 & 0x07;
    } else if (b0 >= 0xE0) {
        need = b0 < 0xF0 ? 2 : 0;
        c = b0 & 0x0F;
    } else if (b0 >= 0xC0) {
        need = 1;
        c = b0 & 0x1F;
    }
    if (need == 0 || pos + need >= s.size()) {
        ++pos;
        return b0;
    }
    for (size_t i = 1; i <= need; ++i) {
        const auto b = static_cast<unsigned char>(s[pos + i]);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return b0;
        }
        c = (c << 6) | (b & 0x3F);
    }
    pos += need + 1;
    return c;
}

} // namespace

std::string Latin1ToUtf8(std::string_view latin1) {
    // Index files are nearly always plain ASCII, which needs no conversion.
    bool ascii = true;
    for (char ch : latin1)
        ascii &= static_cast<unsigned char>(ch) < 0x80;
    if (ascii)
        return std::string(latin1);
    std::string out;
    out.reserve(latin1.size());
    for (char ch : latin1)
        AppendUtf8(out, static_cast<unsigned char>(ch));
    return out;
}

std::string Utf8ToLatin1(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t pos = 0; pos < utf8.size();) {
        const char32_t c = DecodeUtf8(utf8, pos);
        out += c <= 0xFF ? static_cast<char>(c) : '?';
    }
    return out;
}

std::string WideToUtf8(std::wstring_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (wchar_t w : wide) {
        auto c = static_cast<char32_t>(w);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            c = 0xFFFD;
        AppendUtf8(out, c);
    }
    return out;
}

std::wstring Utf8ToWide(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    for (size_t pos = 0; pos < utf8.size();)
        out += static_cast<wchar_t>(DecodeUtf8(utf8, pos));
    return out;
}

size_t Utf8Length(std::string_view utf8) {
    size_t n = 0;
    for (size_t pos = 0; pos < utf8.size(); ++n)
        DecodeUtf8(utf8, pos);
    return n;
}

std::string Utf8Truncate(std::string_view utf8, size_t maxChars) {
    size_t pos = 0;
    for (size_t n = 0; n < maxChars && pos < utf8.size(); ++n)
        DecodeUtf8(utf8, pos);
    return std::string(utf8.substr(0, pos));
}

size_t Utf8PrefixBytes(std::string_view utf8, size_t maxBytes) {
    size_t pos = 0;
    while (pos < utf8.size()) {
        size_t next = pos;
        DecodeUtf8(utf8, next);
        if (next > maxBytes)
            break;
        pos = next;
    }
    return pos;
}

bool IsValidUtf8(std::string_view text) {
    for (size_t pos = 0; pos < text.size();) {
        const size_t start = pos;
        const char32_t c = DecodeUtf8(text, pos);
        const size_t length = pos - start;
        const auto b0 = static_cast<unsigned char>(text[start]);
        if (b0 >= 0x80 && length == 1)
            return false; // a byte that starts no sequence, or a broken one
        const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (length > 1 && (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)))
            return false;
    }
    return true;
}

bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

std::string EscapeControls(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t pos = 0; pos < utf8.size();) {
        const size_t start = pos;
        const char32_t c = DecodeUtf8(utf8, pos);
        const bool stray = static_cast<unsigned char>(utf8[start]) >= 0x80 && pos - start == 1;
        if (!stray && !IsControl(c)) {
            out.append(utf8.substr(start, pos - start));
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X",
                      stray ? static_cast<unsigned>(static_cast<unsigned char>(utf8[start]))
                            : static_cast<unsigned>(c));
        out += escaped;
    }
    return out;
}

std::string_view TrimBlanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& ch : out)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

} // namespace Text
