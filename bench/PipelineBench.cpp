// The cache texture pipeline with the real plug-ins: importing a large image into all four
// caches, and decoding one level of a large DXT5 texture.
#include "app/Settings.h"
#include "cache/TextureDatabase.h"
#include "pipeline/CacheHelper.h"
#include "platform/MessageBox.h"
#include "raster/PluginHost.h"

#include <benchmark/benchmark.h>
#include <cmath>
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
