// PVRTC 2 and 4 bits per pixel codec plug-in.
#include "plugins/common/CodecExports.h"
#include "plugins/pvrtc/PvrtcDecoder.h"
#include "plugins/pvrtc/PvrtcEncoder.h"

namespace {

// Refinement passes of each quality level, in the order of the list. Two passes fit
// colour and alpha well beyond the bounding box at a fraction of the cost of more.
const int kRefinements[] = {2, 0, 5};

bool PowerOfTwo(int32_t v) {
    return v > 0 && (v & (v - 1)) == 0;
}

} // namespace

extern "C" {

TESSARINE_EXPORT const wchar_t* GetPluginInfo(int32_t selector) {
    switch (selector) {
    case TESSARINE_INFO_QUALITY_NAMES:
        return L"Normal\0Fast (bounding box)\0Best\0";
    case TESSARINE_INFO_TITLE:
        return L"PVRTC codec";
    case TESSARINE_INFO_DESCRIPTION:
        return L"PVRTC 4 bits per pixel for textures with alpha, 2 bits per pixel without. "
               L"The two low-resolution images are fitted to the picture by least squares, "
               L"with wrap-around at the edges as the hardware reads them.";
    default:
        return nullptr;
    }
}

TESSARINE_EXPORT uint32_t PVRTCCompress(const uint8_t* source, uint8_t* destination, int32_t width,
                                        int32_t height, int32_t mode, uint32_t flags) {
    if (!source || !destination || !PowerOfTwo(width) || !PowerOfTwo(height))
        return 0;
    const uint32_t quality = flags & TESSARINE_FLAG_QUALITY_MASK;
    return Guarded([&] {
        return Pvrtc::Encode(source, uint32_t(width), uint32_t(height),
                             mode == TESSARINE_MODE_ALPHA ? 4 : 2,
                             (flags & TESSARINE_FLAG_ALPHA) != 0,
                             kRefinements[quality < 3 ? quality : 0], destination);
    });
}

TESSARINE_EXPORT uint32_t PVRTCDecompress(const uint8_t* source, uint8_t* destination,
                                          int32_t width, int32_t height, int32_t bpp, int32_t) {
    if (!source || !destination || !PowerOfTwo(width) || !PowerOfTwo(height) ||
        (bpp != 2 && bpp != 4))
        return 0;
    return Guarded(
        [&] { return Pvrtc::Decode(source, destination, uint32_t(width), uint32_t(height), bpp); });
}

} // extern "C"
