#pragma once
// Version 2 IMG archives for tests: the files one after another, each on a sector.
#include <string>
#include <utility>
#include <vector>

// entries: (name, bytes).
std::string ArchiveBytes(const std::vector<std::pair<std::string, std::string>>& entries);
