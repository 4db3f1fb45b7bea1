#include "ui/main/RecentCaches.h"

#include "app/Settings.h"
#include "app/SettingsKeys.h"

#include <algorithm>

namespace RecentCaches {
namespace {

std::string Key(size_t position) {
    return "cache" + std::to_string(position + 1);
}

void Store(const std::vector<std::string>& paths) {
    for (size_t i = 0; i < kMaxEntries; ++i)
        IniWriteString(Settings::kRecent, Key(i), i < paths.size() ? paths[i] : std::string());
}

} // namespace

std::vector<std::string> List() {
    std::vector<std::string> paths;
    for (size_t i = 0; i < kMaxEntries; ++i) {
        const std::string path = IniReadString(Settings::kRecent, Key(i));
        // A file edited by hand may repeat a path or leave gaps.
        if (!path.empty() && std::find(paths.begin(), paths.end(), path) == paths.end())
            paths.push_back(path);
    }
    return paths;
}

void Add(const std::string& path) {
    std::vector<std::string> paths = List();
    paths.erase(std::remove(paths.begin(), paths.end(), path), paths.end());
    paths.insert(paths.begin(), path);
    if (paths.size() > kMaxEntries)
        paths.resize(kMaxEntries);
    Store(paths);
}

void Remove(const std::string& path) {
    std::vector<std::string> paths = List();
    paths.erase(std::remove(paths.begin(), paths.end(), path), paths.end());
    Store(paths);
}

} // namespace RecentCaches
