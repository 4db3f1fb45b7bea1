#include "cache/IndexLine.h"

#include "platform/Text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace IndexLine {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsLineEnd(char c) {
    return c == '\n' || c == '\r';
}

// Reads "key=" followed by a number the way scanf's %d or %x would (blanks, a sign, and
// for hex an optional 0x); true and the value, modulo 2^32, when it matches.
bool MatchNumber(std::string_view text, size_t pos, std::string_view key, bool hex,
                 uint32_t& value) {
    if (text.compare(pos, key.size(), key) != 0)
        return false;
    pos += key.size();
    while (pos < text.size() && IsSpace(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (hex && pos + 1 < text.size() && text[pos] == '0' && (text[pos + 1] | 0x20) == 'x' &&
        pos + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[pos + 2])))
        pos += 2;
    uint32_t result = 0;
    size_t digits = 0;
    for (; pos < text.size(); ++pos, ++digits) {
        const char c = text[pos];
        uint32_t d;
        if (c >= '0' && c <= '9')
            d = static_cast<uint32_t>(c - '0');
        else if (hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f')
            d = static_cast<uint32_t>((c | 0x20) - 'a' + 10);
        else
            break;
        result = result * (hex ? 16u : 10u) + d;
    }
    if (digits == 0)
        return false;
    value = negative ? 0u - result : result;
    return true;
}

void Read16(std::string_view text, size_t pos, std::string_view key, uint16_t& field) {
    uint32_t value;
    if (MatchNumber(text, pos, key, false, value))
        field = static_cast<uint16_t>(value); // the low 16 bits, as the format has it
}

void Read32(std::string_view text, size_t pos, std::string_view key, int32_t& field) {
    uint32_t value;
    if (MatchNumber(text, pos, key, false, value))
        field = static_cast<int32_t>(value);
}

void ReadHex(std::string_view text, size_t pos, std::string_view key, uint32_t& field) {
    uint32_t value;
    if (MatchNumber(text, pos, key, true, value))
        field = value;
}

char At(std::string_view s, size_t pos) {
    return pos < s.size() ? s[pos] : '\0';
}

std::string NameFrom(std::string_view latin1) {
    return Text::Latin1ToUtf8(latin1.substr(0, kMaxNameLength));
}

} // namespace

void ParseTexture(std::string_view line, TextureRecord& record) {
    // The name runs from after the opening quote to the closing one (or the line end).
    size_t pos = 1;
    while (pos < line.size() && line[pos] != '"' && !IsLineEnd(line[pos]))
        ++pos;
    record.name = NameFrom(line.substr(1, pos - 1));
    if (pos < line.size() && line[pos] == '"')
        ++pos;

    for (; pos + 1 < line.size(); ++pos) {
        if (line[pos] != ' ')
            continue;
        const size_t item = pos + 1;
        switch (line[item]) {
        case '"':
            if (At(line, item + 1) == 'a') {
                // "affiliate=NAME": the name runs to the closing quote.
                const size_t start = std::min(item + 11, line.size());
                size_t end = start;
                while (end < line.size() && line[end] != '"' && !IsLineEnd(line[end]))
                    ++end;
                record.affiliate = NameFrom(line.substr(start, end - start));
                pos = end; // the loop steps past the closing quote
            }
            break;
        case 'a':
            Read16(line, item, "alphamode=", record.alphamode);
            break;
        case 'c':
            if (At(line, item + 2) == 'm')
                Read16(line, item, "camnorm=", record.camnorm);
            else
                Read16(line, item, "cat=", record.cat);
            break;
        case 'd':
            if (At(line, item + 2) == 't')
                Read16(line, item, "detailtile=", record.alphamode); // no field of its own
            else
                Read16(line, item, "decalz=", record.decalz);
            break;
        case 'f':
            if (At(line, item + 3) == 'm')
                Read16(line, item, "format=", record.format);
            else
                Read16(line, item, "forcez=", record.forcez);
            break;
        case 'h':
            if (At(line, item + 1) == 'a') {
                if (At(line, item + 3) == 'd')
                    Read16(line, item, "hasdetail=", record.hasdetail);
                else if (At(line, item + 3) == 'b')
                    Read16(line, item, "hasbias=", record.hasbias);
                else
                    Read16(line, item, "hassibling=", record.hassibling);
            } else {
                Read16(line, item, "height=", record.height);
            }
            break;
        case 'i':
            ReadHex(line, item, "img=", record.img);
            break;
        case 'm':
            Read16(line, item, "mipmode=", record.mipmode);
            break;
        case 'p':
            ReadHex(line, item, "png=", record.png);
            break;
        case 's':
            Read16(line, item, "streammode=", record.streammode);
            break;
        case 'w':
            Read16(line, item, "width=", record.width);
            break;
        default:
            break;
        }
    }
}

void ParseCategory(std::string_view line, CategoryRecord& record) {
    for (size_t pos = 0; pos < line.size(); ++pos) {
        if (IsSpace(line[pos]) || (pos > 0 && !IsSpace(line[pos - 1])))
            continue;
        switch (line[pos]) {
        case 'c':
            Read32(line, pos, "cat=", record.id);
            break;
        case 'd':
            if (At(line, pos + 7) == 'f')
                Read32(line, pos, "defaultformat=", record.defaultformat);
            else
                Read32(line, pos, "defaultstream=", record.defaultstream);
            break;
        case 'f':
            Read32(line, pos, "fast=", record.fast);
            break;
        case 'n':
            if (line.compare(pos, 5, "name=") == 0) {
                // One word, as scanf's %s reads it.
                size_t start = pos + 5;
                while (start < line.size() && IsSpace(line[start]))
                    ++start;
                size_t end = start;
                while (end < line.size() && !IsSpace(line[end]))
                    ++end;
                if (end > start)
                    record.name = NameFrom(line.substr(start, end - start));
            }
            break;
        case 'o':
            Read32(line, pos, "onfoot=", record.onfoot);
            break;
        case 's':
            Read32(line, pos, "slow=", record.slow);
            break;
        default:
            break;
        }
    }
}

std::string BuildCategory(const CategoryRecord& record) {
    char numbers[128];
    std::string line = "cat=" + std::to_string(record.id) + " name=" + record.name;
    std::snprintf(numbers, sizeof numbers, " onfoot=%d slow=%d fast=%d", record.onfoot, record.slow,
                  record.fast);
    line += numbers;
    if (record.defaultformat != 0 || record.defaultstream != 0) {
        std::snprintf(numbers, sizeof numbers, " defaultformat=%d defaultstream=%d",
                      record.defaultformat, record.defaultstream);
        line += numbers;
    }
    return line;
}

std::string AliasExtraItems(std::string_view line) {
    if (line.empty() || line[0] != '"')
        return {};
    size_t pos = line.find('"', 1);
    if (pos == std::string_view::npos)
        return {};
    std::string rest(line.substr(pos + 1));
    const size_t item = rest.find(" \"a");
    if (item != std::string::npos) {
        size_t end = rest.find('"', item + 2);
        end = end == std::string::npos ? rest.size() : end + 1;
        rest.erase(item, end - item);
    }
    return std::string(TrimLine(rest));
}

void RemoveItem(std::string& line, std::string_view oldItem) {
    if (oldItem.empty())
        return;
    // Items follow the quoted name; a name may hold blanks and so text that looks like an
    // item ("x cat=5 y"), which is part of the name and stays.
    size_t pos = 0;
    if (!line.empty() && line[0] == '"') {
        pos = line.find('"', 1);
        if (pos == std::string::npos)
            return;
        ++pos;
    }
    while ((pos = line.find(oldItem, pos)) != std::string::npos) {
        const size_t end = pos + oldItem.size();
        // Only the whole item: " cat=5" must not cut the front off " cat=50".
        if (end == line.size() || line[end] == ' ' || IsLineEnd(line[end]) || line[end] == '\t')
            line.erase(pos, oldItem.size());
        else
            pos = end;
    }
}

std::string_view TrimLine(std::string_view line) {
    return Text::TrimBlanks(line);
}

} // namespace IndexLine
