// The block coder against memcpy on the same 4 MiB buffer.
#include "gta/BlockCompression.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr uint32_t kSize = 4u << 20;

// Texture-like data for block size b: stretches of one repeated block (flat areas) and
// stretches of random blocks (detail), about half of each.
std::vector<uint8_t> TextureLike(uint32_t b) {
    const uint32_t n = b < 4 ? 4 : b;
    std::mt19937 random(42);
    std::vector<uint8_t> data(kSize);
    uint32_t p = 0;
    while (p < kSize) {
        const bool run = random() % 2;
        const uint32_t blocks = 1 + random() % 64;
        std::vector<uint8_t> block(n);
        for (auto& byte : block)
            byte = static_cast<uint8_t>(random() | 1); // never 0: keeps a keychar free
        for (uint32_t i = 0; i < blocks && p + n <= kSize; ++i, p += n) {
            if (!run)
                for (auto& byte : block)
                    byte = static_cast<uint8_t>(random() | 1);
            std::memcpy(data.data() + p, block.data(), n);
        }
        if (p + n > kSize)
            break;
    }
    return data;
}

void BM_Memcpy(benchmark::State& state) {
    const std::vector<uint8_t> in = TextureLike(16);
    std::vector<uint8_t> out(kSize);
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), kSize);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kSize);
}
BENCHMARK(BM_Memcpy);

void BM_PackData(benchmark::State& state) {
    const uint32_t b = static_cast<uint32_t>(state.range(0));
    const std::vector<uint8_t> in = TextureLike(b);
    std::vector<uint8_t> out(kSize);
    uint32_t packed = 0;
    for (auto _ : state) {
        packed = GTA::PackData(in.data(), out.data(), kSize, kSize, b);
        benchmark::DoNotOptimize(packed);
    }
    if (packed == 0)
        state.SkipWithError("data did not pack");
    state.counters["ratio"] = double(packed) / kSize;
    state.SetBytesProcessed(int64_t(state.iterations()) * kSize);
}
BENCHMARK(BM_PackData)->Arg(2)->Arg(4)->Arg(8)->Arg(16)->Arg(32);

void BM_UnpackData(benchmark::State& state) {
    const uint32_t b = static_cast<uint32_t>(state.range(0));
    const std::vector<uint8_t> in = TextureLike(b);
    std::vector<uint8_t> stream(kSize);
    const uint32_t packed = GTA::PackData(in.data(), stream.data(), kSize, kSize, b);
    std::vector<uint8_t> out(kSize);
    for (auto _ : state) {
        if (GTA::UnpackData(stream.data(), out.data(), packed, kSize, b) != kSize)
            state.SkipWithError("unpack failed");
        benchmark::ClobberMemory();
    }
    if (out != in)
        state.SkipWithError("round trip differs");
    // Throughput counts the unpacked bytes, the same amount memcpy moves.
    state.SetBytesProcessed(int64_t(state.iterations()) * kSize);
}
BENCHMARK(BM_UnpackData)->Arg(2)->Arg(4)->Arg(8)->Arg(16)->Arg(32);

} // namespace
