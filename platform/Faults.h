#pragma once
// A seam for testing failure paths: every write-like system call of the cache files passes
// a fault point first, and a test (or the environment variable TESSARINE_FAULT) can make
// the n-th point fail with a chosen error or kill the process on the spot.
//
// TESSARINE_FAULT="fail:N[:ERRNO]" fails the N-th point (ENOSPC when no error is given);
// "kill:N" ends the process with SIGKILL at the N-th point. Points count from 1.
#include <cstdint>

namespace Faults {

enum class Action { kFail, kKill };

// Arms the n-th fault point from now on (counting restarts at 0).
void Arm(int64_t nth, Action action, int error);
// No more faults; the count restarts at 0.
void Disarm();
// Fault points passed since the last Arm, Disarm or Count reset.
int64_t Count();

// Called before a write, truncation, sync or rename. True when this one must fail; errno
// is then set to the armed error. May not return (kill).
bool Hit();

} // namespace Faults
