#include "cache/NameRules.h"

#include "cache/TextureRecord.h"
#include "platform/Text.h"

namespace {

constexpr char32_t kLastLatin1 = 0xFF;

bool IsBlank(char32_t c) {
    return c == ' ' || c == 0xA0; // the no-break space too: it looks like a blank
}

// The checks both kinds of name share; blanks are judged by the caller.
NameProblem CheckCommon(std::string_view name, bool& hasBlank) {
    hasBlank = false;
    if (!Text::IsValidUtf8(name))
        return NameProblem::kNotUtf8;
    const std::wstring wide = Text::Utf8ToWide(name);
    bool onlyBlanks = true;
    for (const wchar_t w : wide) {
        const auto c = static_cast<char32_t>(w);
        if (c > kLastLatin1)
            return NameProblem::kNotLatin1;
        if (Text::IsControl(c))
            return NameProblem::kControl;
        if (c == '"')
            return NameProblem::kQuote;
        hasBlank = hasBlank || IsBlank(c);
        onlyBlanks = onlyBlanks && IsBlank(c);
    }
    if (onlyBlanks)
        return NameProblem::kEmpty;
    // Latin-1: one character, one byte in the file.
    if (wide.size() > kMaxNameLength)
        return NameProblem::kTooLong;
    return NameProblem::kNone;
}

} // namespace

NameProblem CheckTextureName(std::string_view name) {
    bool hasBlank = false;
    return CheckCommon(name, hasBlank);
}

NameProblem CheckCategoryName(std::string_view name) {
    bool hasBlank = false;
    const NameProblem problem = CheckCommon(name, hasBlank);
    if (problem == NameProblem::kNone && hasBlank)
        return NameProblem::kBlank;
    return problem;
}

std::string DescribeNameProblem(NameProblem problem) {
    switch (problem) {
    case NameProblem::kNone:
        return {};
    case NameProblem::kEmpty:
        return "the name is empty";
    case NameProblem::kNotUtf8:
        return "the name is not UTF-8 text";
    case NameProblem::kNotLatin1:
        return "the name holds characters the index file cannot store (it holds Latin-1 "
               "characters only)";
    case NameProblem::kControl:
        return "the name holds a line break, tab or other control character";
    case NameProblem::kQuote:
        return "the name holds a double quote";
    case NameProblem::kBlank:
        return "No spaces allowed: a category name is one word";
    case NameProblem::kTooLong:
        return "the name is longer than " + std::to_string(kMaxNameLength) + " characters";
    }
    return {};
}
