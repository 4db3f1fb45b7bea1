#pragma once
// Alias lists: the aliases of a cache as a text file, one "alias original" line each, so
// that a set of aliases moves from one cache to another. A name holding a blank is
// written in double quotes (no name may hold a quote). Lines that are empty or begin
// with '#' are skipped when a list is read.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CTextureIndex;
class CCacheEditor;

// The longest line and the largest file a list is read from: a list of every alias of
// the largest caches fits many times over; anything longer is not an alias list.
inline constexpr size_t kAliasListLineLimit = 1024;
inline constexpr size_t kAliasListFileLimit = 64u << 20;

struct AliasEntry {
    std::string alias;
    std::string original;
};

// The list of every alias of the index, in index order, one line each ("\n" ends lines).
std::string BuildAliasList(const CTextureIndex& db);

struct AliasListLine {
    size_t line = 0; // 1-based
    std::string text;
    std::string reason; // why nothing was made of it
};

struct AliasListResult {
    std::vector<AliasEntry> created;
    std::vector<AliasListLine> refused;
};

// What a list would do to the index: the aliases it can take (created) and the lines it
// cannot, with the reasons ImportAliasList gives. Changes nothing.
AliasListResult PlanAliasList(const CTextureIndex& db, std::string_view text);

// Creates the aliases of a list that the cache can take, in one edit; the others are
// reported with the reason: a line that is not two names, a name the index cannot hold,
// an alias name the cache has (in any letter case), an original it lacks or that is an
// alias itself. Text is UTF-8 (a list this program wrote).
AliasListResult ImportAliasList(CCacheEditor& db, std::string_view text);

// Reads a list file whole; throws CError when it cannot be read or is larger than
// kAliasListFileLimit. Writes one, replacing the file only once it is complete; throws
// CError when it cannot.
std::string ReadAliasListFile(const std::string& path);
void WriteAliasListFile(const std::string& path, const std::string& text);
