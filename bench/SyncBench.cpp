// Synchronizing a 10,000-texture cache against an archive of 2,000 models: reading every
// model's names in place (nothing decoded), then listing the cache against them.
#include "bench/SyntheticCache.h"
#include "pipeline/SyncArchives.h"
#include "platform/MessageBox.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kTextures = 10000;
constexpr int kModels = 2000;
constexpr int kMaterialsPerModel = 24;
constexpr uint32_t kStamp = 0x1803FFFF;
constexpr size_t kSector = 2048;

void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += char(v >> (8 * i));
}

std::string Section(uint32_t id, const std::string& body) {
    std::string out;
    Put32(out, id);
    Put32(out, static_cast<uint32_t>(body.size()));
    Put32(out, kStamp);
    return out + body;
}

std::string Word(uint32_t v) {
    std::string out;
    Put32(out, v);
    return out;
}

std::string Name(const std::string& name) {
    std::string body = name;
    body.resize((name.size() + 4) & ~size_t(3), '\0');
    return Section(0x02, body);
}

std::string Texture(const std::string& name) {
    return Section(0x06, Section(0x01, Word(0)) + Name(name) + Name("") + Section(0x03, ""));
}

// A vehicle-like material: its texture, an environment map and a specular map.
std::string Material(const std::string& name) {
    std::string header(28, '\0');
    header[12] = 1;
    std::string effects = Word(2) + Word(2) + Word(0x3F000000) + Word(0) + Word(1) +
                          Texture("vehicleenvmap128") + Word(0);
    std::string specular = Word(0x3DC3B624) + std::string("vehiclespecdot64");
    specular.resize(28, '\0');
    return Section(0x07, Section(0x01, header) + Texture(name) +
                             Section(0x03, Section(0x120, effects) + Section(0x0253F2F6, specular)));
}

std::string Model(int first) {
    std::string materials = Section(0x01, Word(kMaterialsPerModel));
    for (int m = 0; m < kMaterialsPerModel; ++m) {
        const int t = (first + m * 7) % kTextures;
        // Every third name in capitals: the case rule is on the measured path.
        std::string name = "tex" + std::to_string(t);
        if (m % 3 == 0)
            name = "TEX" + std::to_string(t);
        materials += Material(name);
    }
    const std::string geometry = Section(0x0F, Section(0x01, Word(0)) + Section(0x08, materials));
    return Section(0x10, Section(0x01, Word(1)) + Section(0x0E, "") +
                             Section(0x1A, Section(0x01, Word(1)) + geometry));
}

std::string WriteArchive(const std::string& dir) {
    std::vector<std::string> models;
    for (int i = 0; i < kModels; ++i)
        models.push_back(Model(i * 3));
    const size_t headerSectors = (8 + 32 * models.size() + kSector - 1) / kSector;
    std::string directory, data;
    uint32_t sector = static_cast<uint32_t>(headerSectors);
    for (int i = 0; i < kModels; ++i) {
        std::string bytes = models[size_t(i)];
        const uint32_t sectors = static_cast<uint32_t>((bytes.size() + kSector - 1) / kSector);
        bytes.resize(sectors * kSector, '\0');
        std::string entry = Word(sector) + Word(sectors << 16);
        std::string name = "car" + std::to_string(i) + ".dff";
        name.resize(24, '\0');
        directory += entry + name;
        data += bytes;
        sector += sectors;
    }
    std::string archive = "VER2" + Word(kModels) + directory;
    archive.resize(headerSectors * kSector, '\0');
    archive += data;
    const std::string path = dir + "/models.img";
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(archive.data(), 1, archive.size(), f);
    std::fclose(f);
    return path;
}

void Quiet() {
    SetMessageBoxHandler([](const std::string&, const std::string&, unsigned) { return IDOK; });
}

// The whole run: every model read, the cache opened and listed against the names.
void BM_SyncArchive(benchmark::State& state) {
    Quiet();
    const SyntheticCache cache(kTextures, 4, 0b0001);
    const std::string archive = WriteArchive(cache.dir);
    int toDelete = 0;
    for (auto _ : state) {
        CSyncScan scan;
        if (!scan.ScanArchive(archive) || scan.ModelCount() != size_t(kModels))
            state.SkipWithError("the archive did not scan");
        CTextureDatabase db(cache.index, 0);
        toDelete = ListSyncTextures(db, scan, false).toDelete;
    }
    state.counters["models"] = kModels;
    state.counters["textures"] = kTextures;
    state.counters["to_delete"] = toDelete;
}
BENCHMARK(BM_SyncArchive)->Unit(benchmark::kMillisecond)->Iterations(3);

// Its parts: reading the models alone, and listing an open cache against their names.
void BM_SyncScanModels(benchmark::State& state) {
    Quiet();
    char pattern[] = "/tmp/tessarine-sync-bench-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    const std::string archive = WriteArchive(dir);
    for (auto _ : state) {
        CSyncScan scan;
        scan.ScanArchive(archive);
        benchmark::DoNotOptimize(scan.Used().size());
    }
    std::filesystem::remove_all(dir);
    state.SetItemsProcessed(state.iterations() * kModels);
}
BENCHMARK(BM_SyncScanModels)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SyncListCache(benchmark::State& state) {
    Quiet();
    const SyntheticCache cache(kTextures, 4, 0b0001);
    const std::string archive = WriteArchive(cache.dir);
    CSyncScan scan;
    scan.ScanArchive(archive);
    CTextureDatabase db(cache.index, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(ListSyncTextures(db, scan, false).toDelete);
    state.SetItemsProcessed(state.iterations() * kTextures);
}
BENCHMARK(BM_SyncListCache)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
