// ETC1 codec plug-in.
#include "plugins/common/CodecExports.h"
#include "plugins/common/Parallel.h"
#include "plugins/etc1/Etc1Codec.h"

namespace {

// Effort of each quality level, in the order of the list.
const int kEffort[] = {2, 0, 4};

} // namespace

extern "C" {

TESSARINE_EXPORT const wchar_t* GetPluginInfo(int32_t selector) {
    switch (selector) {
    case TESSARINE_INFO_QUALITY_NAMES:
        return L"Normal\0Fast (sub-block averages)\0Best\0";
    case TESSARINE_INFO_TITLE:
        return L"ETC1 codec";
    case TESSARINE_INFO_DESCRIPTION:
        return L"ETC1 compression that weighs many base colours around each sub-block's "
               L"average, then steps the chosen ones while that helps, on every core.";
    default:
        return nullptr;
    }
}

TESSARINE_EXPORT uint32_t ETC1Compress(const uint8_t* source, uint8_t* destination, int32_t width,
                                       int32_t height, int32_t, uint32_t flags) {
    if (!source || !destination || width <= 0 || height <= 0)
        return 0;
    const uint32_t quality = flags & TESSARINE_FLAG_QUALITY_MASK;
    return Guarded([&] {
        return Etc1::EncodeImage(source, destination, uint32_t(width), uint32_t(height),
                                 kEffort[quality < 3 ? quality : 0],
                                 ThreadsForPixels(uint64_t(width) * uint64_t(height)));
    });
}

TESSARINE_EXPORT uint32_t ETC1Decompress(const uint8_t* source, uint8_t* destination, int32_t width,
                                         int32_t height, int32_t, int32_t) {
    if (!source || !destination || width <= 0 || height <= 0)
        return 0;
    Etc1::DecodeImage(source, destination, uint32_t(width), uint32_t(height));
    return uint32_t(width) * uint32_t(height) * 4;
}

} // extern "C"
