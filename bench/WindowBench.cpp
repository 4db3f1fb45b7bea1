// The editor window on a 20,000-texture cache: from the open call to the tree filled and
// the first texture drawn, and the memory the window holds for the cache. Offscreen.
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "bench/SyntheticCache.h"
#include "platform/MessageBox.h"
#include "ui/controls/DlgRender.h"
#include "ui/main/DlgMain.h"

#include <QTreeWidgetItem>

#include <QApplication>
#include <benchmark/benchmark.h>
#include <fstream>

namespace {

// Resident memory of the process, in bytes.
double ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE));
}

void BM_WindowOpenCache(benchmark::State& state) {
    SetMessageBoxHandler([](const std::string&, const std::string&, unsigned) { return IDYES; });
    const SyntheticCache cache(static_cast<int>(state.range(0)), 16, 0xF);
    const std::string settings = cache.dir + "/tessarine.ini";
    Settings::SetPath(settings);
    IniWriteInt(Settings::kShowLoadingScreen, 0);
    IniWriteInt(Settings::kFirstRunNoticeShown, 1);
    CDlgMain window(settings, {});
    window.OnInitDialog();
    window.resize(1000, 700);
    window.show();
    QApplication::processEvents();
    double held = 0;
    for (auto _ : state) {
        window.UnloadCache();
        QApplication::processEvents();
        const double before = ResidentBytes();
        window.OpenCache(cache.index);
        window.SelectTexture(0);
        window.View()->Snapshot();                       // the first texture, drawn
        held = std::max(held, ResidentBytes() - before); // the first open shows it all
        if (!window.View()->Image())
            state.SkipWithError("nothing drawn");
    }
    state.counters["held_MiB"] = held / 1048576.0;
}
BENCHMARK(BM_WindowOpenCache)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(5);

// Deleting a spread selection of textures from the window (Delete, answered Yes): one
// batch through the cache, the tree rebuilt, the next texture selected.
void BM_WindowDeleteSelection(benchmark::State& state) {
    SetMessageBoxHandler([](const std::string&, const std::string&, unsigned) { return IDYES; });
    constexpr int kTextures = 10000;
    const int selected = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        const SyntheticCache cache(kTextures, 16, 0xF);
        const std::string settings = cache.dir + "/tessarine.ini";
        Settings::SetPath(settings);
        IniWriteInt(Settings::kShowLoadingScreen, 0);
        IniWriteInt(Settings::kFirstRunNoticeShown, 1);
        CDlgMain window(settings, {});
        window.OnInitDialog();
        window.resize(1000, 700);
        window.show();
        window.OpenCache(cache.index);
        window.SelectTexture(5);
        const int step = kTextures / selected;
        QTreeWidgetItem* category = window.CategoryItem(0);
        for (int i = 0; i < selected; ++i)
            category->child(5 + i * step)->setSelected(true);
        QApplication::processEvents();
        const int before = window.Cache()->TextureCount();
        state.ResumeTiming();
        window.OnCommand(40210);
        state.PauseTiming();
        if (window.Cache()->TextureCount() >= before)
            state.SkipWithError("nothing deleted");
        state.counters["deleted"] = before - window.Cache()->TextureCount();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WindowDeleteSelection)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
