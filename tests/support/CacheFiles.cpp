#include "support/CacheFiles.h"

#include "platform/Files.h"

#include <filesystem>
#include <fstream>

CacheFiles ReadCacheFiles(const std::string& folder, const std::string& name) {
    CacheFiles files;
    std::vector<std::string> names = {name + ".txt"};
    for (const char* cache : {"dxt", "etc", "pvr", "unc"})
        for (const char* extension : {".dat", ".toc", ".tmb"})
            names.push_back(name + "." + cache + extension);
    for (const std::string& file : names)
        files[file] = Files::ReadWholeFile(folder + "/" + file);
    return files;
}

void WriteCacheFiles(const std::string& folder, const CacheFiles& files) {
    for (const auto& [name, content] : files) {
        const std::string path = folder + "/" + name;
        std::filesystem::remove(path);
        if (!content)
            continue;
        std::ofstream out(path, std::ios::binary);
        out.write(content->data(), static_cast<std::streamsize>(content->size()));
    }
}

std::vector<std::string> EditLeftovers(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        for (const char* suffix : {".journal", ".tsnew", ".tstmp", ".lock"})
            if (name.size() > std::string(suffix).size() &&
                name.compare(name.size() - std::string(suffix).size(), std::string::npos, suffix) ==
                    0)
                found.push_back(name);
    }
    return found;
}

std::string DescribeDifference(const CacheFiles& a, const CacheFiles& b) {
    std::string text;
    for (const auto& [name, content] : a) {
        const auto other = b.find(name);
        if (other == b.end() || other->second != content)
            text += name + " (" + (content ? std::to_string(content->size()) : "none") + " vs " +
                    (other != b.end() && other->second ? std::to_string(other->second->size())
                                                       : "none") +
                    ") ";
    }
    return text;
}
