#pragma once
// Writes small texture caches for tests: the index, and DAT, TOC and TMB files for the
// chosen caches, in either record layout, with stored or packed SA records.
#include "cache/TextureRecord.h"
#include "raster/RasterFormat.h"

#include <cstdint>
#include <string>
#include <vector>

class CacheBuilder {
public:
    struct Texture {
        std::string name;
        std::string affiliate; // non-empty: an alias
        uint16_t width = 4;
        uint16_t height = 4;
        int format = RASTER_RGBA8888;
        bool mips = false;
        bool packed = false;         // SA layout only; falls back to stored when it does not pack
        std::string extraItems;      // appended to the index line
        std::vector<uint8_t> raster; // filled by Add
    };

    // layout 1 (VC) or 2 (SA); caches: bit k set for cache k.
    CacheBuilder(std::string directory, std::string name, int layout, unsigned caches = 1);

    // A texture whose raster repeats blocks (so it packs) and differs per texture.
    Texture& Add(const std::string& name, uint16_t width = 4, uint16_t height = 4,
                 int format = RASTER_RGBA8888, bool mips = false, bool packed = false);
    Texture& AddAlias(const std::string& name, const std::string& original);

    bool writeToc = true;
    bool writeTmb = true;
    std::vector<std::string> categories = {"Default"};

    // Writes every file; returns the index path.
    std::string Write() const;
    std::string IndexPath() const { return m_strDirectory + "/" + m_strName + ".txt"; }
    std::string FilePath(CacheId cache, const char* extension) const;
    const std::vector<Texture>& Textures() const { return m_Textures; }

    // Bytes of one record in the builder's layout.
    std::vector<uint8_t> Record(const Texture& texture, bool thumbnail) const;

private:
    std::string m_strDirectory;
    std::string m_strName;
    int m_nLayout;
    unsigned m_nCaches;
    std::vector<Texture> m_Textures;
};
