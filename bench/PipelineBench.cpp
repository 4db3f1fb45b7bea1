// The cache texture pipeline with the real plug-ins: importing a large image into all four
// caches, decoding one level of a large DXT5 texture, and exporting a whole cache.
#include "SyntheticCache.h"
#include "app/Settings.h"
#include "cache/TextureDatabase.h"
#include "pipeline/CacheHelper.h"
#include "pipeline/ExportTextures.h"
#include "platform/MessageBox.h"
#include "raster/PluginHost.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

// A smooth, busy 1024 x 1024 picture with soft alpha.
std::unique_ptr<Bitmap32> Picture(uint32_t side) {
    auto b = Bitmap32::Create(side, side);
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x) {
            uint8_t* p = b->Pixel(x, y);
            p[0] = uint8_t(128 + 100 * std::sin(x * 0.02) * std::cos(y * 0.013));
            p[1] = uint8_t((x ^ y) & 0xFF);
            p[2] = uint8_t(255 * y / side);
            p[3] = uint8_t(x * 255 / side);
        }
    return b;
}

struct Session {
    std::string dir;
    CTextureDatabase db{0};
    CCacheHelper helper{&db};
    Session() {
        char pattern[] = "/tmp/tessarine-pipeline-XXXXXX";
        dir = mkdtemp(pattern);
        Settings::SetPath(dir + "/bench.ini");
        SetMessageBoxHandler([](const std::string&, const std::string&, unsigned) { return IDOK; });
        InitPluginBindings();
        db.Create(dir + "/p.txt");
    }
    ~Session() {
        UnloadPlugins();
        std::filesystem::remove_all(dir);
    }
    void Import(const Bitmap32& picture, bool alpha) {
        EncodeRequest request;
        request.bitmap = &picture;
        request.name = "t" + std::to_string(db.TextureCount());
        request.withAlpha = alpha;
        request.game = 2;
        helper.EncodeCacheTexture(request);
    }
};

void BM_ImportIntoAllCaches(benchmark::State& state) {
    Session session;
    const auto picture = Picture(1024);
    const bool alpha = state.range(0) != 0;
    for (auto _ : state)
        session.Import(*picture, alpha);
    state.SetLabel(alpha ? "with alpha: DXT5, RGBA 4444, PVRTC4, RGBA 4444"
                         : "without alpha: DXT1, ETC1, PVRTC2, RGBA 5551");
}
BENCHMARK(BM_ImportIntoAllCaches)->Arg(1)->Arg(0)->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_DecodeDxt5Level(benchmark::State& state) {
    Session session;
    session.Import(*Picture(1024), true);
    for (auto _ : state) {
        auto bitmap = session.helper.DecodeCacheTexture(0, CacheId::kDxt, 0, false);
        if (!bitmap || bitmap->Width() != 1024)
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(bitmap->Bits());
    }
    state.SetItemsProcessed(state.iterations() * 1024 * 1024);
}
BENCHMARK(BM_DecodeDxt5Level)->Unit(benchmark::kMillisecond);

} // namespace

// Exporting every texture of a 2,000-texture cache (64 x 64, detailed pixels) to PNG, on
// one thread and on one per core.
void BM_ExportPng(benchmark::State& state) {
    constexpr int kTextures = 2000;
    Session session; // settings of its own and the plug-ins
    SyntheticCache cache(kTextures, 64, 1, true);
    CTextureDatabase db(cache.index, 1);
    CCacheHelper helper(&db);
    // TESSARINE_BENCH_OUT puts the files elsewhere (a tmpfs shows the program's own share of
    // the time, without the disk's).
    const char* where = std::getenv("TESSARINE_BENCH_OUT");
    const std::string out = (where ? std::string(where) : cache.dir) + "/png";
    std::vector<ExportItem> items;
    for (int t = 0; t < db.TextureCount(); ++t)
        if (!db.IsAlias(t))
            items.push_back({t, out + "/" + db.GetTextureName(t) + ".png"});
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(out);
        std::filesystem::create_directories(out);
        state.ResumeTiming();
        const auto outcomes = ExportTextures(helper, CacheId::kDxt, 0, false, items, {},
                                             static_cast<size_t>(state.range(0)));
        if (std::any_of(outcomes.begin(), outcomes.end(),
                        [](const ExportOutcome& o) { return !o.written; })) {
            state.SkipWithError("a texture was not exported");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * int64_t(items.size()));
    state.SetLabel(state.range(0) == 1 ? "one thread" : "one thread per core");
}
BENCHMARK(BM_ExportPng)->Arg(1)->Arg(0)->Iterations(3)->Unit(benchmark::kMillisecond);
