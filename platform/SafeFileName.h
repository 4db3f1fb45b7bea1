#pragma once
// File names made from names that come from files or users (texture names, archive
// entries) for writing into a chosen folder. Whatever the name, the file stays inside
// the folder, and two names of one run never share a file.
#include <set>
#include <string>
#include <string_view>

namespace SafeFileName {

// Longest file name this makes, in bytes, leaving room for an extension and a number
// within the usual limit of 255.
inline constexpr size_t kMaxStemBytes = 200;

// name as one file name: path separators, control characters and bytes that are not
// UTF-8 become '_', leading dots (and so "." and "..") become underscores, and a long
// name is cut on a character boundary. Never empty, never "." or "..", never holds '/'.
std::string Stem(std::string_view name);

// Hands out distinct file names "STEM.EXT" for one folder; a name whose file name is
// taken already (compared without regard to ASCII case, so that the files stay distinct
// on case-insensitive file systems too) gets "STEM~2.EXT", "STEM~3.EXT" and so on.
class CNamer {
public:
    std::string Take(std::string_view name, std::string_view extension);

private:
    std::set<std::string> m_Taken; // lower-cased
};

} // namespace SafeFileName
