// DXT1/DXT3/DXT5 codec plug-in on libsquish.
#include "plugins/common/CodecExports.h"

#include <squish.h>

namespace {

// Quality levels, in the order of the list the program shows.
const int kFits[] = {squish::kColourClusterFit, squish::kColourRangeFit,
                     squish::kColourIterativeClusterFit};

} // namespace

extern "C" {

TESSARINE_EXPORT const wchar_t* GetPluginInfo(int32_t selector) {
    switch (selector) {
    case TESSARINE_INFO_QUALITY_NAMES:
        return L"Cluster fit\0Range fit (fast)\0Iterative cluster fit (best)\0";
    case TESSARINE_INFO_TITLE:
        return L"libsquish DXT codec";
    case TESSARINE_INFO_DESCRIPTION:
        return L"DXT1 and DXT5 compression with libsquish: range fit, cluster fit or "
               L"iterative cluster fit, on every core. Decodes DXT1, DXT3 and DXT5.";
    default:
        return nullptr;
    }
}

TESSARINE_EXPORT uint32_t DXTCompress(const uint8_t* source, uint8_t* destination, int32_t width,
                                      int32_t height, int32_t mode, uint32_t flags) {
    if (!source || !destination || width <= 0 || height <= 0)
        return 0;
    const uint32_t quality = flags & TESSARINE_FLAG_QUALITY_MASK;
    const int fit = kFits[quality < 3 ? quality : 0];
    const int format = mode == TESSARINE_MODE_ALPHA ? squish::kDxt5 : squish::kDxt1;
    // libsquish spreads the blocks over every core itself (OpenMP).
    squish::CompressImage(source, width, height, destination, format | fit);
    return static_cast<uint32_t>(squish::GetStorageRequirements(width, height, format));
}

TESSARINE_EXPORT uint32_t DXTDecompress(const uint8_t* source, uint8_t* destination, int32_t width,
                                        int32_t height, int32_t, int32_t variant) {
    if (!source || !destination || width <= 0 || height <= 0)
        return 0;
    int format = squish::kDxt1;
    if (variant == TESSARINE_DXT5_VARIANT)
        format = squish::kDxt5;
    else if (variant == TESSARINE_TXD_DXT3_VARIANT)
        format = squish::kDxt3;
    squish::DecompressImage(destination, width, height, source, format);
    return static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * 4;
}

} // extern "C"
