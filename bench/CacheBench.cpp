// Opening a large cache and deleting many textures from it.
#include "bench/SyntheticCache.h"
#include "cache/EditJournal.h"
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

void Quiet() {
    SetMessageBoxHandler([](const std::string&, const std::string&, unsigned) { return IDOK; });
}

void BM_OpenCache(benchmark::State& state) {
    Quiet();
    const SyntheticCache cache(static_cast<int>(state.range(0)), 4, 0xF);
    for (auto _ : state) {
        CTextureDatabase db(cache.index, 0);
        if (db.TextureCount() != state.range(0) || db.CountThumbs(CacheId::kUnc) == 0)
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

// Opening a cache whose compaction of its 256 MB DAT was interrupted: before its commit
// (the new DAT is deleted) and after it (the new DAT is renamed into place).
void BM_RecoverInterruptedCompaction(benchmark::State& state) {
    Quiet();
    const bool committed = state.range(0) != 0;
    SyntheticCache cache(kTextures, kSide, 1);
    std::vector<std::string> files = {cache.index};
    for (const char* name : kCacheNames)
        for (const char* extension : {".dat", ".toc", ".tmb"})
            files.push_back(cache.dir + "/big." + name + extension);
    const std::string dat = cache.dir + "/big.dxt.dat";
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::copy_file(dat, EditJournal::StagedPath(dat),
                                   std::filesystem::copy_options::overwrite_existing);
        std::vector<bool> tocs(files.size(), false);
        const std::string journal = EditJournal::JournalPath(cache.index);
        EditJournal::Write(journal, EditJournal::Snapshot(files, tocs));
        if (committed)
            EditJournal::MarkCommitted(journal);
        sync();
        state.ResumeTiming();
        CTextureDatabase db(cache.index, 0);
        if (std::filesystem::exists(journal) || db.TextureCount() != kTextures)
            state.SkipWithError("not recovered");
    }
    state.SetLabel(committed ? "finished (rename)" : "undone (delete)");
}
BENCHMARK(BM_RecoverInterruptedCompaction)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

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
