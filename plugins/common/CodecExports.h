#pragma once
// The exports every codec plug-in of this project shares (type, build and the program's
// log), compiled into each of them.
#include "plugins/include/TessarinePlugin.h"

#include <cstdint>

// The program's log function, once the program has handed it over; may be null.
TessarineTraceFunction PluginTrace();

// Runs a coder behind an export: what it throws (memory it could not have) reaches the
// program as "nothing written" instead of ending it, since no exception may cross into C.
template <typename Code> uint32_t Guarded(const Code& code) noexcept {
    try {
        return code();
    } catch (...) {
        return 0;
    }
}
