// DXT1/DXT3/DXT5 codec plug-in: our own encoder at three levels, libsquish's cluster fits
// as two more, and our own decoder.
#include "plugins/common/CodecExports.h"
#include "plugins/common/Parallel.h"
#include "plugins/dxt/DxtImage.h"

#include <squish.h>

namespace {

// Quality levels, in the order of the list the program shows.
enum Quality : uint32_t {
    kNormal,
    kFast,
    kBest,
    kSquishCluster,
    kSquishIterative,
};

const Dxt::Effort kEffort[] = {Dxt::Effort::kNormal, Dxt::Effort::kFast, Dxt::Effort::kBest};

} // namespace

extern "C" {

TESSARINE_EXPORT const wchar_t* GetPluginInfo(int32_t selector) {
    switch (selector) {
    case TESSARINE_INFO_QUALITY_NAMES:
        return L"Normal\0Fast\0Best\0libsquish cluster fit\0libsquish iterative cluster fit\0";
    case TESSARINE_INFO_TITLE:
        return L"DXT codec";
    case TESSARINE_INFO_DESCRIPTION:
        return L"DXT1 and DXT5 compression on every core: the pixels of each block are cut "
               L"into palette runs along their principal axis, every cut is weighed, and the "
               L"endpoints of the best are refined by least squares against the palette the "
               L"decoder builds. DXT5 alpha takes the better of its two modes. libsquish's "
               L"cluster fits are offered for comparison. Decodes DXT1, DXT3 and DXT5.";
    default:
        return nullptr;
    }
}

TESSARINE_EXPORT uint32_t DXTCompress(const uint8_t* source, uint8_t* destination, int32_t width,
                                      int32_t height, int32_t mode, uint32_t flags) {
    if (!source || !destination || width <= 0 || height <= 0)
        return 0;
    const uint32_t quality = flags & TESSARINE_FLAG_QUALITY_MASK;
    const bool alpha = mode == TESSARINE_MODE_ALPHA;
    if (quality == kSquishCluster || quality == kSquishIterative) {
        const int fit = quality == kSquishCluster ? squish::kColourClusterFit
                                                  : squish::kColourIterativeClusterFit;
        const int format = alpha ? squish::kDxt5 : squish::kDxt1;
        squish::CompressImage(source, width, height, destination, format | fit);
        return static_cast<uint32_t>(squish::GetStorageRequirements(width, height, format));
    }
    return Guarded([&] {
        return Dxt::EncodeImage(source, uint32_t(width), uint32_t(height),
                                alpha ? Dxt::Format::kDxt5 : Dxt::Format::kDxt1,
                                kEffort[quality <= kBest ? quality : kNormal],
                                ThreadsForPixels(uint64_t(width) * uint64_t(height)), destination);
    });
}

TESSARINE_EXPORT uint32_t DXTDecompress(const uint8_t* source, uint8_t* destination, int32_t width,
                                        int32_t height, int32_t, int32_t variant) {
    if (!source || !destination || width <= 0 || height <= 0)
        return 0;
    Dxt::Format format = Dxt::Format::kDxt1;
    if (variant == TESSARINE_DXT5_VARIANT)
        format = Dxt::Format::kDxt5;
    else if (variant == TESSARINE_TXD_DXT3_VARIANT)
        format = Dxt::Format::kDxt3;
    return Dxt::DecodeImage(source, uint32_t(width), uint32_t(height), format, destination);
}

} // extern "C"
