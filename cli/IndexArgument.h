#pragma once
// The index a command is given, checked before anything is opened: the argument must
// name an index file (NAME.txt, or a .dat/.toc of a cache standing for the NAME.txt
// beside it) that holds index text or does not exist yet. Anything else (an image given
// where the index belongs, a folder, a binary file) is refused with the reason, so that
// no command ever writes index text over it.
#include <string>
#include <vector>

namespace Cli {

enum class Access { kRead, kWrite };

// The index path for an existing cache; fails with kBadInput for what is not an index,
// kRefused when there is no cache or a file cannot be read (or, for kWrite, written).
std::string CheckedIndexPath(const std::string& argument, Access access);

// Checks the index path a new cache is to be created at: a .txt that is not a folder,
// not a file other than an index, whose name leaves room for the cache's other files.
void CheckNewIndexPath(const std::string& path);

// The cache's data files beside an index (NAME.X.dat, .toc, .tmb), whether they exist
// or not.
std::vector<std::string> CacheFilePaths(const std::string& indexPath);

} // namespace Cli
