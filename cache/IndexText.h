#pragma once
// The text of an index file before it is split into lines: its byte-order mark, its line
// ends (CR LF, LF or a lone CR) and whether it is index text at all.
#include <cstddef>
#include <string>
#include <string_view>

namespace IndexText {

// The text without a leading UTF-8 byte-order mark, which editors add and which would
// otherwise become part of the first line.
std::string_view WithoutByteOrderMark(std::string_view text);

// One line of text from start: the line without its end, and where the next one starts
// (text.size() + 1 after the last line). CR LF, LF and a lone CR each end a line.
struct Line {
    std::string_view text;
    bool ended; // false for the last piece, which has no line end
    size_t next;
};
Line ReadLine(std::string_view text, size_t start);

// Why text (without its byte-order mark) is not an index file: NUL bytes, or lines of
// which none is a texture or category line. Empty when it is index text; an empty file
// and one of blank lines are (an index without entries).
std::string Problem(std::string_view text);

} // namespace IndexText
