#include "platform/SafeFileName.h"

#include "platform/Text.h"

#include <algorithm>

namespace SafeFileName {

namespace {

constexpr char kReplacement = '_';

bool IsSeparator(char32_t c) {
    return c == '/' || c == '\\';
}

} // namespace

std::string Stem(std::string_view name) {
    std::string stem;
    stem.reserve(name.size());
    // Character by character: a stray byte becomes one '_', a whole character stays.
    for (size_t pos = 0; pos < name.size();) {
        size_t next = pos + 1;
        while (next < name.size() && (static_cast<unsigned char>(name[next]) & 0xC0) == 0x80)
            ++next;
        const std::string_view one = name.substr(pos, next - pos);
        const std::wstring wide = Text::Utf8ToWide(one);
        const bool whole = Text::IsValidUtf8(one) && wide.size() == 1;
        const auto c = whole ? static_cast<char32_t>(wide[0]) : char32_t(0);
        if (!whole || Text::IsControl(c) || IsSeparator(c)) {
            // A stray continuation byte run counts as one replacement per byte.
            stem.append(whole ? 1 : one.size(), kReplacement);
        } else {
            stem.append(one);
        }
        pos = next;
    }
    stem.resize(Text::Utf8PrefixBytes(stem, kMaxStemBytes));
    // Leading dots would hide the file (and "." or ".." name no file at all).
    const size_t dots = std::min(stem.find_first_not_of('.'), stem.size());
    stem.replace(0, dots, dots, kReplacement);
    if (stem.empty())
        stem = kReplacement;
    return stem;
}

std::string CNamer::Take(std::string_view name, std::string_view extension) {
    const std::string stem = Stem(name);
    const std::string suffix = extension.empty() ? std::string() : "." + std::string(extension);
    std::string file = stem + suffix;
    for (int n = 2; m_Taken.count(Text::AsciiLower(file)) != 0; ++n)
        file = stem + "~" + std::to_string(n) + suffix;
    m_Taken.insert(Text::AsciiLower(file));
    return file;
}

} // namespace SafeFileName
