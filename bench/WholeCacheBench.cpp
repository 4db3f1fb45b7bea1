// Whole-cache work on large caches: converting 2,000 DXT1 textures of 256 x 256 into a new
// "pvr" cache on one core and on every core, the MD5 pass of the optimizer over 20,000
// textures, and the decoded pixel-diff pass over 1,000 textures of one size set against
// what one decoding per compared pair would cost.
#include "SyntheticCache.h"
#include "app/Settings.h"
#include "pipeline/CacheConverter.h"
#include "pipeline/CacheHelper.h"
#include "pipeline/CacheOptimizer.h"
#include "platform/MessageBox.h"
#include "raster/PluginHost.h"
#include "raster/RasterFormat.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <thread>

namespace {

// A cache whose "dxt" holds DXT1 textures with every mip level, of noisy blocks (every
// 20th texture an alias), in the Vice City layout.
struct DxtCache {
    std::string dir, index;
    DxtCache(int textures, uint16_t side) {
        char pattern[] = "/tmp/tessarine-whole-bench-XXXXXX";
        dir = mkdtemp(pattern);
        index = dir + "/big.txt";
        std::string text = "cat=0 name=Default onfoot=0 slow=0 fast=0\r\n";
        for (int i = 0; i < textures; ++i)
            text += i % 20 == 19 ? "\"tex" + std::to_string(i) + "\" \"affiliate=tex" +
                                       std::to_string(i - 1) + "\"\r\n"
                                 : "\"tex" + std::to_string(i) + "\" width=" +
                                       std::to_string(side) + " height=" + std::to_string(side) +
                                       "\r\n";
        FILE* f = fopen(index.c_str(), "wb");
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
        const size_t size = RasterDataSize(side, side, RASTER_DXT1, true);
        std::vector<uint8_t> record(8 + size), thumb(8 + 256, 0x80);
        EncodeHeader({0xADDE, GlCodeForFormat(RASTER_DXT1 - 1).value_or(0), side,
                      static_cast<uint16_t>(side | 0x8000)},
                     record.data());
        EncodeHeader({0xADDE, 0x1401, 8, 8}, thumb.data());
        FILE* dat = fopen((dir + "/big.dxt.dat").c_str(), "wb");
        FILE* tmb = fopen((dir + "/big.dxt.tmb").c_str(), "wb");
        std::vector<uint8_t> toc(4 + 4 * size_t(textures));
        uint32_t offset = 0, noise = 0x12345678u;
        for (int i = 0; i < textures; ++i) {
            if (i % 20 == 19) {
                WriteLe32(toc.data() + 4 + 4 * i, 0xFFFFFFFFu);
                continue;
            }
            WriteLe32(toc.data() + 4 + 4 * i, offset);
            for (size_t p = 8; p < record.size(); ++p) {
                noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
                record[p] = static_cast<uint8_t>(noise);
            }
            fwrite(record.data(), 1, record.size(), dat);
            fwrite(thumb.data(), 1, thumb.size(), tmb);
            offset += static_cast<uint32_t>(record.size());
        }
        WriteLe32(toc.data(), offset);
        FILE* tocFile = fopen((dir + "/big.dxt.toc").c_str(), "wb");
        fwrite(toc.data(), 1, toc.size(), tocFile);
        fclose(tocFile);
        fclose(dat);
        fclose(tmb);
    }
    ~DxtCache() { std::filesystem::remove_all(dir); }
};

struct Plugins {
    std::string settings;
    explicit Plugins(const std::string& dir) {
        Settings::SetPath(dir + "/bench.ini");
        SetMessageBoxHandler([](const std::string&, const std::string&, unsigned) { return IDOK; });
        InitPluginBindings();
    }
    ~Plugins() { UnloadPlugins(); }
};

void BM_ConvertDxtToPvr(benchmark::State& state) {
    static DxtCache cache(2000, 256);
    Plugins plugins(cache.dir);
    const size_t threads = size_t(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        for (const char* kind : {"dat", "toc", "tmb"})
            std::filesystem::remove(cache.dir + "/big.pvr." + kind);
        CTextureDatabase db(cache.index, 0);
        ConvertOptions options;
        options.source = CacheId::kDxt;
        options.target = CacheId::kPvr;
        options.threads = threads;
        state.ResumeTiming();
        const ConvertResult result = ConvertCache(db, options);
        if (!result.converted)
            state.SkipWithError(result.problem.c_str());
    }
    state.counters["textures/s"] = benchmark::Counter(1900.0 * double(state.iterations()),
                                                      benchmark::Counter::kIsRate);
    state.SetLabel(std::to_string(threads) + " thread(s), " +
                   std::to_string(std::thread::hardware_concurrency()) + " cores");
}
BENCHMARK(BM_ConvertDxtToPvr)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_OptimizeMd5Raw(benchmark::State& state) {
    // 64 x 64 RGBA 8888 of noise: no duplicates, so every run reads the same cache.
    static SyntheticCache cache(20000, 64, 1u, true);
    Plugins plugins(cache.dir);
    CTextureDatabase db(cache.index, 0);
    for (auto _ : state) {
        const OptimizeResult result = OptimizeRasters(db, CacheId::kDxt, RasterAlgorithm::kMd5, 5);
        if (result.duplicates != 0)
            state.SkipWithError("the noise repeated itself");
    }
    state.SetLabel("20,000 entries (19,000 textures of 64 x 64 RGBA 8888, 1,000 aliases)");
}
BENCHMARK(BM_OptimizeMd5Raw)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PixelDiffDecoded(benchmark::State& state) {
    static DxtCache cache(1053, 256); // 1,000 textures and 53 aliases
    Plugins plugins(cache.dir);
    CTextureDatabase db(cache.index, 0);
    // What one decoding costs, times one decoding per pair of same-sized textures.
    CCacheHelper helper(&db);
    const auto start = std::chrono::steady_clock::now();
    constexpr int kSampled = 100;
    for (int t = 0; t < kSampled; ++t)
        benchmark::DoNotOptimize(helper.DecodeCacheTexture(t % 19, CacheId::kDxt, 0, false));
    const double decode =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / kSampled;
    const double pairs = 1000.0 * 999.0 / 2.0;
    for (auto _ : state) {
        const OptimizeResult result =
            OptimizeRasters(db, CacheId::kDxt, RasterAlgorithm::kPixelDiffDecoded, 5);
        if (result.duplicates != 0)
            state.SkipWithError("the noise repeated itself");
    }
    state.counters["decode_ms"] = decode * 1000.0;
    state.counters["one_decode_per_pair_s"] = decode * pairs;
    state.SetLabel("1,000 DXT1 textures of 256 x 256");
}
BENCHMARK(BM_PixelDiffDecoded)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
