#include "support/CacheBuilder.h"

#include "cache/ByteOrder.h"
#include "gta/BlockCompression.h"

#include <fstream>

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t b[4];
    WriteLe32(b, v);
    out.insert(out.end(), b, b + 4);
}

void Save(const std::string& path, const std::vector<uint8_t>& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
}

const uint16_t kGlCodes[RASTER_FORMAT_COUNT] = {0, 0x1401, 0x8033, 0x8034, 0x8363, 0,
                                                0, 0x190A, 0,      0x83F0, 0,      0,
                                                0, 0x83F3, 0x8D64, 0x8C01, 0x8C02};

} // namespace

CacheBuilder::CacheBuilder(std::string directory, std::string name, int layout, unsigned caches)
    : m_strDirectory(std::move(directory)), m_strName(std::move(name)), m_nLayout(layout),
      m_nCaches(caches) {}

CacheBuilder::Texture& CacheBuilder::Add(const std::string& name, uint16_t width, uint16_t height,
                                         int format, bool mips, bool packed) {
    Texture t;
    t.name = name;
    t.width = width;
    t.height = height;
    t.format = format;
    t.mips = mips;
    t.packed = packed;
    const size_t size = RasterDataSize(width, height, format, mips);
    const size_t block = std::max<uint32_t>(GTA::BlockSize(format), 4);
    const uint8_t seed = static_cast<uint8_t>(m_Textures.size() * 37 + 11);
    t.raster.resize(size);
    for (size_t i = 0; i < size; ++i)
        // Pairs of equal blocks, a different pair every time.
        t.raster[i] = static_cast<uint8_t>(seed + (i / (2 * block)) * 3 + (i % block) + 0x40);
    m_Textures.push_back(std::move(t));
    return m_Textures.back();
}

CacheBuilder::Texture& CacheBuilder::AddAlias(const std::string& name,
                                              const std::string& original) {
    Texture t;
    t.name = name;
    t.affiliate = original;
    m_Textures.push_back(std::move(t));
    return m_Textures.back();
}

std::string CacheBuilder::FilePath(CacheId cache, const char* extension) const {
    return m_strDirectory + "/" + m_strName + "." + CacheName(cache) + extension;
}

std::vector<uint8_t> CacheBuilder::Record(const Texture& t, bool thumbnail) const {
    RasterHeader header{0xADDE, kGlCodes[t.format], t.width,
                        static_cast<uint16_t>(t.height | (t.mips ? 0x8000 : 0))};
    std::vector<uint8_t> data = t.raster;
    if (thumbnail) {
        header = RasterHeader{0xADDE, 0x1401, 2, 2};
        data.assign(16, static_cast<uint8_t>(t.raster.empty() ? 0 : t.raster[0]));
    }
    std::vector<uint8_t> out(8);
    EncodeHeader(header, out.data());
    if (m_nLayout != 2) {
        out.insert(out.end(), data.begin(), data.end());
        return out;
    }
    if (t.packed && !thumbnail) {
        std::vector<uint8_t> packed(data.size());
        const uint32_t length =
            GTA::PackData(data.data(), packed.data(), static_cast<uint32_t>(data.size()),
                          static_cast<uint32_t>(data.size()), GTA::BlockSize(t.format));
        if (length > 0) {
            Put32(out, length);
            out.insert(out.end(), packed.begin(), packed.begin() + length);
            return out;
        }
    }
    Put32(out, static_cast<uint32_t>(data.size() + 4));
    Put32(out, 0);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

std::string CacheBuilder::Write() const {
    std::string index;
    for (size_t c = 0; c < categories.size(); ++c)
        index +=
            "cat=" + std::to_string(c) + " name=" + categories[c] + " onfoot=0 slow=0 fast=0\r\n";
    for (const Texture& t : m_Textures) {
        if (!t.affiliate.empty())
            index += "\"" + t.name + "\" \"affiliate=" + t.affiliate + "\"";
        else
            index += "\"" + t.name + "\" width=" + std::to_string(t.width) +
                     " height=" + std::to_string(t.height);
        index += t.extraItems + "\r\n";
    }
    std::ofstream(IndexPath(), std::ios::binary) << index;

    for (CacheId k : kAllCaches) {
        if (!(m_nCaches & (1u << Slot(k))))
            continue;
        std::vector<uint8_t> dat, tmb, toc(4);
        for (const Texture& t : m_Textures) {
            if (!t.affiliate.empty()) {
                Put32(toc, 0xFFFFFFFFu);
                continue;
            }
            Put32(toc, static_cast<uint32_t>(dat.size()));
            const auto record = Record(t, false);
            dat.insert(dat.end(), record.begin(), record.end());
            const auto thumb = Record(t, true);
            tmb.insert(tmb.end(), thumb.begin(), thumb.end());
        }
        WriteLe32(toc.data(), static_cast<uint32_t>(dat.size()));
        Save(FilePath(k, ".dat"), dat);
        if (writeToc)
            Save(FilePath(k, ".toc"), toc);
        if (writeTmb)
            Save(FilePath(k, ".tmb"), tmb);
    }
    return IndexPath();
}
