#include "cache/IndexText.h"

#include <algorithm>

namespace IndexText {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlankLine(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

} // namespace

std::string_view WithoutByteOrderMark(std::string_view text) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    return text;
}

Line ReadLine(std::string_view text, size_t start) {
    // A plain scan: find_first_of calls memchr on its set for every byte, which made this
    // most of the time a large index takes to read.
    size_t end = start;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r')
        ++end;
    if (end >= text.size())
        return {text.substr(std::min(start, text.size())), false, text.size() + 1};
    const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
    return {text.substr(start, end - start), true, end + (crlf ? 2 : 1)};
}

std::string Problem(std::string_view text) {
    if (text.find('\0') != std::string_view::npos)
        return "it holds binary data (NUL bytes)";
    bool anyLine = false, anyEntry = false;
    for (size_t start = 0; start <= text.size() && !anyEntry;) {
        const Line line = ReadLine(text, start);
        anyLine = anyLine || !IsBlankLine(line.text);
        // A category line is told by its first item, not only its first letter: prose that
        // happens to start a line with a 'c' is no index.
        anyEntry = line.text.substr(0, 1) == "\"" || line.text.substr(0, 4) == "cat=";
        start = line.next;
    }
    if (anyLine && !anyEntry)
        return "none of its lines is a texture or category line";
    return {};
}

} // namespace IndexText
