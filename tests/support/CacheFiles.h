#pragma once
// The thirteen files of a cache as bytes, to compare a cache with what it was.
#include <map>
#include <optional>
#include <string>
#include <vector>

// File name -> content; nullopt for a file that does not exist.
using CacheFiles = std::map<std::string, std::optional<std::string>>;

// The index NAME.txt of folder and NAME.{dxt,etc,pvr,unc}.{dat,toc,tmb}.
CacheFiles ReadCacheFiles(const std::string& folder, const std::string& name);
// Writes the files back (removing those that did not exist).
void WriteCacheFiles(const std::string& folder, const CacheFiles& files);
// Names in folder that an interrupted edit leaves behind (journal, replacements, lock).
std::vector<std::string> EditLeftovers(const std::string& folder);
// Which files differ, for failure messages.
std::string DescribeDifference(const CacheFiles& a, const CacheFiles& b);
