// Loading and writing a large index file.
#include "cache/TextureDatabase.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <random>
#include <unistd.h>

namespace {

// A synthetic index shaped like the game's: a few categories, 20,000 texture lines with
// the usual items, every tenth one an alias.
std::string SyntheticIndex(int textures) {
    std::mt19937 random(7);
    std::string text =
        "cat=0 name=Default onfoot=5 slow=5 fast=5 defaultformat=2 defaultstream=0\r\n"
        "cat=1 name=Vehicles onfoot=1 slow=2 fast=3\r\n";
    char line[256];
    for (int i = 0; i < textures; ++i) {
        if (i % 10 == 9) {
            std::snprintf(line, sizeof line, "\"tex_%05d_alias\" \"affiliate=tex_%05d\"\r\n", i,
                          i - 1);
        } else {
            const int size = 16 << (random() % 6);
            std::snprintf(
                line, sizeof line,
                "\"tex_%05d\" width=%d height=%d png=%08x img=%08x mipmode=%d%s cat=%d\r\n", i,
                size, size, static_cast<unsigned>(random()), static_cast<unsigned>(random()),
                static_cast<int>(random() % 2), random() % 3 == 0 ? " alphamode=2" : "",
                static_cast<int>(random() % 2));
        }
        text += line;
    }
    return text;
}

struct IndexFile {
    std::string path;
    explicit IndexFile(int textures) {
        char name[] = "/tmp/tessarine-bench-XXXXXX";
        const int fd = mkstemp(name);
        close(fd);
        path = name;
        Files::WriteFileAtomically(path, SyntheticIndex(textures));
    }
    ~IndexFile() { std::remove(path.c_str()); }
};

void BM_LoadTxt(benchmark::State& state) {
    SetMessageBoxHandler([](const std::string&, const std::string&, unsigned) { return IDOK; });
    const IndexFile file(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CTextureDatabase db(0);
        benchmark::DoNotOptimize(db.LoadTxt(file.path));
        if (db.TextureCount() != state.range(0))
            state.SkipWithError("wrong texture count");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadTxt)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_RebuildTxt(benchmark::State& state) {
    const IndexFile file(static_cast<int>(state.range(0)));
    CTextureDatabase db(file.path, 0);
    for (auto _ : state)
        db.RebuildTxt();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RebuildTxt)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace
