// Converting a 1024 x 1024 level to a Bitmap32.
#include "raster/RasterConvert.h"
#include "raster/RasterFormat.h"

#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace {

void BM_GdiplusConvert(benchmark::State& state) {
    const int format = static_cast<int>(state.range(0));
    const uint32_t side = 1024;
    const int bpp = FormatBitsPerPixel(format);
    std::vector<uint8_t> data(size_t(side) * side * bpp / 8);
    std::mt19937 random(3);
    for (auto& byte : data)
        byte = static_cast<uint8_t>(random());
    for (auto _ : state) {
        auto bitmap = GdiplusConvert(0, data.data(), side, side, bpp, FormatChannelLayout(format),
                                     true, nullptr, 0, data.size());
        benchmark::DoNotOptimize(bitmap->Bits());
    }
    state.SetLabel(FormatName(format));
    state.SetItemsProcessed(int64_t(state.iterations()) * side * side);
}
BENCHMARK(BM_GdiplusConvert)
    ->Arg(RASTER_RGBA565)
    ->Arg(RASTER_RGBA4444)
    ->Arg(RASTER_RGBA8888)
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
