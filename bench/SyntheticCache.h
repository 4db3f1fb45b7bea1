#pragma once
// Large caches on disk for the benchmarks.
#include "cache/ByteOrder.h"
#include "cache/TextureDatabase.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

// A synthetic cache on disk: `textures` entries (every 20th an alias), VC records of
// `side` x `side` RGBA 8888 in the caches of `cacheMask`, 8x8 thumbnails, TOC files. The
// pixels are one grey per texture, or with `detailed` gradients and noise, which image
// files do not squeeze to nothing.
struct SyntheticCache {
    std::string dir;
    std::string index;

    SyntheticCache(int textures, int side, unsigned cacheMask, bool detailed = false) {
        char pattern[] = "/tmp/tessarine-cache-bench-XXXXXX";
        dir = mkdtemp(pattern);
        index = dir + "/big.txt";
        std::string text = "cat=0 name=Default onfoot=0 slow=0 fast=0\r\n";
        for (int i = 0; i < textures; ++i) {
            if (i % 20 == 19)
                text += "\"tex" + std::to_string(i) + "\" \"affiliate=tex" + std::to_string(i - 1) +
                        "\"\r\n";
            else
                text += "\"tex" + std::to_string(i) + "\" width=" + std::to_string(side) +
                        " height=" + std::to_string(side) + " png=00000000 img=00000000\r\n";
        }
        FILE* f = fopen(index.c_str(), "wb");
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
        const size_t rasterSize = size_t(side) * side * 4;
        std::vector<uint8_t> record(8 + rasterSize), thumb(8 + 256);
        EncodeHeader({0xADDE, 0x1401, static_cast<uint16_t>(side), static_cast<uint16_t>(side)},
                     record.data());
        EncodeHeader({0xADDE, 0x1401, 8, 8}, thumb.data());
        for (CacheId k : kAllCaches) {
            if (!(cacheMask & (1u << Slot(k))))
                continue;
            const std::string base = dir + "/big." + CacheName(k);
            FILE* dat = fopen((base + ".dat").c_str(), "wb");
            FILE* tmb = fopen((base + ".tmb").c_str(), "wb");
            std::vector<uint8_t> toc(4 + 4 * size_t(textures));
            uint32_t offset = 0;
            for (int i = 0; i < textures; ++i) {
                if (i % 20 == 19) {
                    WriteLe32(toc.data() + 4 + 4 * i, 0xFFFFFFFFu);
                    continue;
                }
                WriteLe32(toc.data() + 4 + 4 * i, offset);
                std::fill(record.begin() + 8, record.end(), static_cast<uint8_t>(i));
                uint32_t noise = 0x9E3779B9u * static_cast<uint32_t>(i + 1);
                for (size_t p = 0; detailed && p < rasterSize; ++p) {
                    noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
                    record[8 + p] = static_cast<uint8_t>((p / 4 % side) * 4 + (noise & 15));
                }
                fwrite(record.data(), 1, record.size(), dat);
                fwrite(thumb.data(), 1, thumb.size(), tmb);
                offset += static_cast<uint32_t>(record.size());
            }
            WriteLe32(toc.data(), offset);
            FILE* tocFile = fopen((base + ".toc").c_str(), "wb");
            fwrite(toc.data(), 1, toc.size(), tocFile);
            fclose(tocFile);
            fclose(dat);
            fclose(tmb);
        }
    }
    ~SyntheticCache() { std::filesystem::remove_all(dir); }
};
