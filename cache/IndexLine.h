#pragma once
// The grammar of index file lines: reading one texture or category line into its record,
// and writing records back as lines. Works on the file's 8-bit text (one byte, one
// character); names and lines in the records are UTF-8.
#include "cache/TextureRecord.h"

#include <string>
#include <string_view>

namespace IndexLine {

// Parses a texture line (first character a double quote) into record: name, affiliate
// and every key item. Items start after a space; each item is read from its own start.
void ParseTexture(std::string_view latin1Line, TextureRecord& record);
// Parses a category line (first character 'c'); keys are found at item boundaries.
void ParseCategory(std::string_view latin1Line, CategoryRecord& record);

// "cat=%d name=%s onfoot=%d slow=%d fast=%d" and, when either is non-zero,
// " defaultformat=%d defaultstream=%d".
std::string BuildCategory(const CategoryRecord& record);

// The items of an alias line other than its quoted name and its affiliate item, trimmed
// ("" for a line without any).
std::string AliasExtraItems(std::string_view line);

// Removes every whole item equal to oldItem (an item followed by a blank, a line end or
// the end of the line) from line, after its quoted name.
void RemoveItem(std::string& line, std::string_view oldItem);

// Trims tabs, CRs, line ends and spaces from both ends.
std::string_view TrimLine(std::string_view line);

} // namespace IndexLine
