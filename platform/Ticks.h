#pragma once
#include <cstdint>

// Milliseconds since an arbitrary fixed point (boot), wrapping like the Win32 tick count.
uint32_t GetTickCount();
