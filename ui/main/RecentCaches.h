#pragma once
// The caches opened last, newest first, kept in the settings file so File > Recent Caches
// offers them at the next start too.
#include <string>
#include <vector>

namespace RecentCaches {

inline constexpr size_t kMaxEntries = 8;

std::vector<std::string> List();
// Puts path first (once), keeping the newest kMaxEntries.
void Add(const std::string& path);
void Remove(const std::string& path);

} // namespace RecentCaches
