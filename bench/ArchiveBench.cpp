// Rebuilding an IMG archive of 5,000 entries (about 200 MB) against copying a file of its
// size on the same file system: a rebuild writes the whole archive once and renames it, so
// it should cost little more than a copy. TESSARINE_BENCH_OUT puts the archive elsewhere
// (a tmpfs leaves the disk out).
#include "gta/IMGEditor.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>

namespace {

constexpr int kEntries = 5000;
constexpr uint32_t kMinSectors = 10, kMaxSectors = 29; // 20-58 KB, 40 KB on average
constexpr int kGapEvery = 10; // a sector of nothing after every tenth entry, as deletes leave

// The archive, written once per run, removed at exit.
struct BenchArchive {
    std::string folder;
    std::string path;
    uint64_t bytes = 0;

    BenchArchive() {
        const char* where = std::getenv("TESSARINE_BENCH_OUT");
        std::string pattern = std::string(where ? where : "/tmp") + "/tessarine-img-XXXXXX";
        folder = mkdtemp(pattern.data()) ? pattern : std::string();
        path = folder + "/bench.img";
        std::mt19937 random(5000);
        std::uniform_int_distribution<uint32_t> sectors(kMinSectors, kMaxSectors);
        const uint32_t first = (8 + 32 * kEntries + GTA::kImgSector - 1) / GTA::kImgSector;
        std::string directory;
        uint32_t at = first;
        for (int i = 0; i < kEntries; ++i) {
            GTA::IMGEntry entry{at, sectors(random), {}};
            std::snprintf(entry.name, sizeof entry.name, "model%04d.dff", i);
            directory.append(reinterpret_cast<const char*>(&entry), sizeof entry);
            at += entry.size + (i % kGapEvery == 0);
        }
        std::string head = "VER2" + std::string(4, '\0');
        const uint32_t count = kEntries;
        head.replace(4, 4, reinterpret_cast<const char*>(&count), 4);
        head += directory;
        head.resize(size_t(first) * GTA::kImgSector, '\0');
        FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(head.data(), 1, head.size(), file);
        std::vector<char> sector(GTA::kImgSector);
        for (uint32_t s = first; s < at; ++s) {
            std::fill(sector.begin(), sector.end(), static_cast<char>(s));
            std::fwrite(sector.data(), 1, sector.size(), file);
        }
        std::fclose(file);
        bytes = uint64_t(at) * GTA::kImgSector;
    }
    ~BenchArchive() { std::filesystem::remove_all(folder); }
};

BenchArchive& Archive() {
    static BenchArchive archive;
    return archive;
}

void BM_RebuildArchive(benchmark::State& state) {
    BenchArchive& archive = Archive();
    for (auto _ : state) {
        GTA::CIMGEditor editor;
        if (!editor.Open(archive.path) || !editor.Save()) {
            state.SkipWithError(editor.Error().c_str());
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(archive.bytes));
    state.SetLabel(std::to_string(kEntries) + " entries");
}
BENCHMARK(BM_RebuildArchive)->Iterations(3)->Unit(benchmark::kMillisecond);

// The yardstick: the same bytes copied and flushed, as a rebuild flushes its archive.
void BM_CopyArchiveSizedFile(benchmark::State& state) {
    BenchArchive& archive = Archive();
    const std::string copy = archive.folder + "/copy.img";
    for (auto _ : state) {
        std::filesystem::copy_file(archive.path, copy,
                                   std::filesystem::copy_options::overwrite_existing);
        const int fd = open(copy.c_str(), O_RDONLY | O_CLOEXEC);
        fsync(fd);
        close(fd);
        state.PauseTiming();
        std::filesystem::remove(copy);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(archive.bytes));
}
BENCHMARK(BM_CopyArchiveSizedFile)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
