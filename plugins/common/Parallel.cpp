#include "plugins/common/Parallel.h"

#include <algorithm>
#include <atomic>
#include <sched.h>
#include <thread>
#include <vector>

int UsableProcessors() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        return std::max(1, CPU_COUNT(&set));
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

int ThreadsForPixels(uint64_t pixels) {
    constexpr uint64_t kSmallestShared = 128 * 128;
    return pixels < kSmallestShared ? 1 : UsableProcessors();
}

void ParallelRows(uint32_t rows, int threads, const std::function<void(uint32_t)>& work) {
    // A few rows are not worth a thread's start.
    constexpr uint32_t kRowsPerThread = 4;
    const uint32_t useful = rows / kRowsPerThread;
    const uint32_t count = std::min(uint32_t(std::max(threads, 1)), std::max(useful, 1u));
    if (count <= 1) {
        for (uint32_t row = 0; row < rows; ++row)
            work(row);
        return;
    }
    std::atomic<uint32_t> next{0};
    const auto worker = [&] {
        for (uint32_t row = next++; row < rows; row = next++)
            work(row);
    };
    std::vector<std::thread> helpers;
    for (uint32_t i = 1; i < count; ++i)
        helpers.emplace_back(worker);
    worker();
    for (std::thread& helper : helpers)
        helper.join();
}
