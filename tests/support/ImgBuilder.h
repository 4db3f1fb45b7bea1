#pragma once
// Version 2 archives for tests, written as a file into a test folder.
#include "support/ArchiveBytes.h"
#include "support/TempDir.h"

#include <string>
#include <utility>
#include <vector>

inline std::string BuildArchive(const TempDir& dir, const std::string& fileName,
                                const std::vector<std::pair<std::string, std::string>>& entries) {
    dir.Write(fileName, ArchiveBytes(entries));
    return dir.File(fileName);
}
