#pragma once
// The exports every codec plug-in of this project shares (type, build and the program's
// log), compiled into each of them.
#include "plugins/include/TessarinePlugin.h"

// The program's log function, once the program has handed it over; may be null.
TessarineTraceFunction PluginTrace();
