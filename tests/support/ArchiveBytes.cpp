#include "support/ArchiveBytes.h"

#include <cstdint>

std::string ArchiveBytes(const std::vector<std::pair<std::string, std::string>>& entries) {
    constexpr size_t kSector = 2048, kEntry = 32, kHeader = 8;
    std::string directory, data;
    const size_t headerSectors = (kHeader + kEntry * entries.size() + kSector - 1) / kSector;
    uint32_t sector = static_cast<uint32_t>(headerSectors);
    for (const auto& [name, content] : entries) {
        std::string bytes = content;
        const uint32_t sectors = static_cast<uint32_t>((bytes.size() + kSector - 1) / kSector);
        bytes.resize(sectors * kSector, '\0');
        std::string entry(kEntry, '\0');
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
    archive.resize(headerSectors * kSector, '\0');
    return archive + data;
}
