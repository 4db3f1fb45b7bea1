#pragma once
// What the index file can hold as a name. Every texture, alias and category name that
// enters a cache (typed, taken from an image's file name, or read from a dictionary or
// archive) passes these rules first; a name that breaks them is refused, never cut or
// mangled into something else.
#include <string>
#include <string_view>

enum class NameProblem {
    kNone,
    kEmpty,     // nothing, or nothing but blanks
    kNotUtf8,   // bytes that are not UTF-8 text
    kNotLatin1, // a character the 8-bit index file cannot hold
    kControl,   // a line break, tab or other control character
    kQuote,     // a double quote, which ends the name in a texture line
    kBlank,     // a blank in a category name, which is one word
    kTooLong,   // more than kMaxNameLength characters
};

// The problem of a texture (or alias) name, UTF-8. Blanks are allowed: they sit inside the
// quotes of the texture line, and real index files hold names such as "door_close ".
NameProblem CheckTextureName(std::string_view name);
// The problem of a category name, UTF-8: the same rules, and one word.
NameProblem CheckCategoryName(std::string_view name);

// Why a name is refused, for messages: "it holds a line break or another control
// character"; empty for kNone.
std::string DescribeNameProblem(NameProblem problem);
