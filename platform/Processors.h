#pragma once
// How many threads work done on every core should use.

// The processors this process may run on (its affinity mask, as taskset and container
// CPU sets narrow it), at least 1. std::thread::hardware_concurrency counts the machine's.
int UsableProcessors();
