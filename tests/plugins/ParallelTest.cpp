// The row pool the codec plug-ins share: every row once, whoever calls and however often.
#include "plugins/common/Parallel.h"

#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Runs ParallelRows and returns how often each row was run.
std::vector<int> Counts(uint32_t rows, int threads) {
    std::vector<std::atomic<int>> seen(rows);
    ParallelRows(rows, threads, [&](uint32_t row) { ++seen[row]; });
    return {seen.begin(), seen.end()};
}

} // namespace

TEST(ParallelRows, EveryRowOnceFromManyCallersAtOnce) {
    for (const uint32_t rows : {0u, 1u, 7u, 64u, 1000u})
        for (const int threads : {1, 2, 8})
            EXPECT_EQ(Counts(rows, threads), std::vector<int>(rows, 1)) << rows << " " << threads;
    // Textures coded side by side each call in at once, many times over.
    std::atomic<int> wrong{0};
    std::vector<std::thread> callers;
    for (int c = 0; c < 6; ++c)
        callers.emplace_back([&, c] {
            for (int i = 0; i < 200; ++i)
                if (Counts(16 + uint32_t(c * 37 + i) % 300, 4) !=
                    std::vector<int>(16 + size_t(c * 37 + i) % 300, 1))
                    ++wrong;
        });
    for (std::thread& caller : callers)
        caller.join();
    EXPECT_EQ(wrong, 0);
}

// Which thread takes the failing row is up to the scheduler, so every row fails in turn:
// the failure reaches the caller (not std::terminate on a helper) and the pool still works.
TEST(ParallelRows, AFailingRowFailsTheCallAndLeavesThePoolWorking) {
    for (uint32_t failing = 0; failing < 64; ++failing) {
        EXPECT_THROW(ParallelRows(64, 4,
                                  [&](uint32_t row) {
                                      if (row == failing)
                                          throw std::runtime_error("no memory");
                                  }),
                     std::runtime_error)
            << failing;
        ASSERT_EQ(Counts(64, 4), std::vector<int>(64, 1)) << failing;
    }
    // The caller fails while helpers are still inside their rows: it waits for them.
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<bool> callerFailed{false};
    EXPECT_THROW(ParallelRows(256, 4,
                              [&](uint32_t) {
                                  if (std::this_thread::get_id() == caller) {
                                      callerFailed = true;
                                      throw std::runtime_error("no memory");
                                  }
                                  while (!callerFailed)
                                      std::this_thread::yield();
                              }),
                 std::runtime_error);
    EXPECT_EQ(Counts(256, 4), std::vector<int>(256, 1));
}
