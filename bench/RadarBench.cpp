// The radar map's tile replacement in a large cache: 64 tiles replaced by one import
// (encoded on every core, the old tiles cut out in one pass) against the same tiles
// replaced one by one, each replacement cutting its old tile out of the whole files.
#include "SyntheticCache.h"
#include "app/Settings.h"
#include "pipeline/CacheHelper.h"
#include "pipeline/ImportImage.h"
#include "pipeline/RadarMap.h"
#include "platform/MessageBox.h"
#include "raster/PluginHost.h"

#include <benchmark/benchmark.h>

namespace {

// Smooth blue-green land, different in every tile.
std::unique_ptr<Bitmap32> Map(uint32_t side) {
    auto map = Bitmap32::Create(side, side);
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x) {
            uint8_t* p = map->Pixel(x, y);
            p[0] = uint8_t(x * 255 / side), p[1] = uint8_t(y * 255 / side), p[2] = uint8_t((x ^ y) & 0x3F);
            p[3] = 255;
        }
    return map;
}

// A cache of 1,000 textures of 256 x 256 RGBA 8888 (about 250 MB of DAT) holding a radar
// map of 64 tiles of 128 x 128.
struct Session {
    SyntheticCache cache{1000, 256, 0b0001};
    std::unique_ptr<CTextureDatabase> db;
    CCacheHelper helper;
    std::unique_ptr<Bitmap32> map = Map(1024);
    Session() {
        Settings::SetPath(cache.dir + "/bench.ini");
        SetMessageBoxHandler([](const std::string&, const std::string&, unsigned) { return IDOK; });
        InitPluginBindings();
        db = std::make_unique<CTextureDatabase>(cache.index, 0);
        helper.SetDatabase(db.get());
        ImportRadarMap(helper, *map, false, 0);
    }
    ~Session() { UnloadPlugins(); }
};

void BM_RadarImportReplacingTiles(benchmark::State& state) {
    Session session;
    for (auto _ : state)
        ImportRadarMap(session.helper, *session.map, false, 0);
    state.SetLabel("64 tiles in a 1,000-texture cache, one edit");
}
BENCHMARK(BM_RadarImportReplacingTiles)->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_RadarTilesReplacedOneByOne(benchmark::State& state) {
    Session session;
    for (auto _ : state)
        for (int k = 0; k < kRadarImportTiles; ++k) {
            const auto tile = CutRadarTile(*session.map, k % kRadarImportSide, k / kRadarImportSide,
                                           session.map->Width() / kRadarImportSide);
            StoreImage(session.helper, *tile, RadarTileName(k), false, 0, false, 0, true);
        }
    state.SetLabel("the same tiles, one replacement each");
}
BENCHMARK(BM_RadarTilesReplacedOneByOne)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
