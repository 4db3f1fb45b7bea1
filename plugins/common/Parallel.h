#pragma once
// Spreading an image's rows of blocks over threads, shared by the codec plug-ins.
#include <cstdint>
#include <functional>

// The processors this process may run on (its affinity mask), at least 1.
int UsableProcessors();

// The threads worth using on a picture of this many pixels: a small mip level is coded
// on one thread sooner than other threads can be started for it.
int ThreadsForPixels(uint64_t pixels);

// Runs work(row) for every row below `rows`, on up to `threads` threads (the caller's
// among them). Rows are handed out one by one, so uneven rows still share out evenly.
void ParallelRows(uint32_t rows, int threads, const std::function<void(uint32_t)>& work);
