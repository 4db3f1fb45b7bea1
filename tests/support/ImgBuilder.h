#pragma once
// Version 2 archives for tests: the given files one after another, each starting on a
// sector, after a directory naming them.
#include "support/TempDir.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

inline std::string BuildArchive(const TempDir& dir, const std::string& fileName,
                                const std::vector<std::pair<std::string, std::string>>& entries) {
    constexpr uint32_t kSector = 2048;
    std::string directory, data;
    const uint32_t first = uint32_t((8 + 32 * entries.size() + kSector - 1) / kSector);
    uint32_t sector = first;
    for (const auto& [name, content] : entries) {
        std::string bytes = content;
        const uint32_t sectors = uint32_t((bytes.size() + kSector - 1) / kSector);
        bytes.resize(size_t(sectors) * kSector, '\0');
        std::string entry(32, '\0');
        for (int i = 0; i < 4; ++i) {
            entry[size_t(i)] = char(sector >> (8 * i));
            entry[size_t(4 + i)] = char((sectors << 16) >> (8 * i));
        }
        entry.replace(8, name.size(), name);
        directory += entry;
        data += bytes;
        sector += sectors;
    }
    std::string archive = "VER2" + std::string(4, '\0');
    archive[4] = char(entries.size());
    archive += directory;
    archive.resize(size_t(first) * kSector, '\0');
    dir.Write(fileName, archive + data);
    return dir.File(fileName);
}
