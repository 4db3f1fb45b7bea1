#include "plugins/common/CodecExports.h"

namespace {
TessarineTraceFunction g_trace = nullptr;
}

TessarineTraceFunction PluginTrace() {
    return g_trace;
}

extern "C" {

TESSARINE_EXPORT uint32_t GetDLLType(void) {
    return TESSARINE_TYPE_CODEC;
}

TESSARINE_EXPORT uint32_t GetDLLBuildID(void) {
    return TESSARINE_BUILD;
}

// Our codecs keep no state between calls but tables built once (thread-safe statics).
TESSARINE_EXPORT uint32_t GetThreadSafety(void) {
    return TESSARINE_THREAD_SAFE;
}

TESSARINE_EXPORT void SetTraceFunction(TessarineTraceFunction trace) {
    g_trace = trace;
}

} // extern "C"
