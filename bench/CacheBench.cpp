// Opening a large cache and deleting many textures from it.
#include "cache/ByteOrder.h"
#include "cache/TextureDatabase.h"
#include "platform/MessageBox.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A synthetic cache on disk: `textures` entries (every 20th an alias), VC records of
// `side` x `side` RGBA 8888 in the caches of `cacheMask`, 8x8 thumbnails, TOC files.
struct SyntheticCache {
    std::string dir;
    std::string index;

    SyntheticCache(int textures, int side, unsigned cacheMask) {
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
        for (int k = 0; k < kCacheCount; ++k) {
            if (!(cacheMask & (1u << k)))
                continue;
            const std::string base = dir + "/big." + kCacheNames[k];
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

void Quiet() {
    SetMessageBoxHandler([](const std::string&, const std::string&, unsigned) { return IDOK; });
}

void BM_OpenCache(benchmark::State& state) {
    Quiet();
    const SyntheticCache cache(static_cast<int>(state.range(0)), 4, 0xF);
    for (auto _ : state) {
        CTextureDatabase db(cache.index, 0);
        if (db.TextureCount() != state.range(0) || db.CountThumbs(3) == 0)
            state.SkipWithError("cache did not load");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_OpenCache)->Arg(20000)->Unit(benchmark::kMillisecond);

// 1,000 of 10,000 textures, spread over the whole DAT of about 256 MB.
constexpr int kTextures = 10000;
constexpr int kSide = 80; // 80 x 80 x 4 + 8 bytes a record

std::vector<int> Victims() {
    std::vector<int> victims;
    for (int i = 5; i < kTextures && victims.size() < 1000; i += 10)
        victims.push_back(i);
    return victims;
}

void BM_DeleteOneByOne(benchmark::State& state) {
    Quiet();
    for (auto _ : state) {
        state.PauseTiming();
        SyntheticCache cache(kTextures, kSide, 1);
        CTextureDatabase db(cache.index, 0);
        std::vector<std::string> names;
        for (int t : Victims())
            names.push_back(db.GetTextureName(t));
        state.ResumeTiming();
        for (const std::string& name : names)
            db.DeleteTexture(db.FindTexture(name, true), -1, true);
    }
}
BENCHMARK(BM_DeleteOneByOne)->Iterations(1)->Unit(benchmark::kSecond);

void BM_DeleteBatch(benchmark::State& state) {
    Quiet();
    for (auto _ : state) {
        state.PauseTiming();
        SyntheticCache cache(kTextures, kSide, 1);
        CTextureDatabase db(cache.index, 0);
        state.ResumeTiming();
        db.DeleteTextures(Victims());
    }
}
BENCHMARK(BM_DeleteBatch)->Iterations(3)->Unit(benchmark::kMillisecond);

// The yardstick: copying a file of the DAT's size on the same file system.
void BM_CopyDatSizedFile(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        SyntheticCache cache(kTextures, kSide, 1);
        const std::string from = cache.dir + "/big.dxt.dat", to = cache.dir + "/copy.dat";
        state.ResumeTiming();
        std::filesystem::copy_file(from, to);
        FILE* f = fopen(to.c_str(), "rb");
        fclose(f);
    }
}
BENCHMARK(BM_CopyDatSizedFile)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
