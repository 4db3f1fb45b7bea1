// RGBA 4444 / RGBA 5551 codec plug-in, with optional Floyd-Steinberg dithering.
#include "plugins/common/CodecExports.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Bits kept per channel (R, G, B, A) of the two formats.
struct Layout {
    int bits[4];
};
const Layout k4444{{4, 4, 4, 4}};
const Layout k5551{{5, 5, 5, 1}};

uint16_t Pack(const int c[4], bool alpha) {
    if (alpha)
        return static_cast<uint16_t>((c[0] >> 4) << 12 | (c[1] >> 4) << 8 | (c[2] >> 4) << 4 |
                                     (c[3] >> 4));
    return static_cast<uint16_t>((c[0] >> 3) << 11 | (c[1] >> 3) << 6 | (c[2] >> 3) << 1 |
                                 (c[3] >= 16 ? 1 : 0));
}

// The value a quantised channel stands for when decoded.
int Expand(int value, int bits) {
    const int kept = value >> (8 - bits);
    if (bits == 1)
        return kept ? 255 : 0;
    return (kept << (8 - bits)) | (kept >> (2 * bits - 8 > 0 ? 2 * bits - 8 : 0));
}

} // namespace

extern "C" {

TESSARINE_EXPORT const wchar_t* GetPluginInfo(int32_t selector) {
    switch (selector) {
    case TESSARINE_INFO_DITHERING_NAMES:
        return L"None\0Floyd-Steinberg\0";
    case TESSARINE_INFO_TITLE:
        return L"16-bit RGBA";
    case TESSARINE_INFO_DESCRIPTION:
        return L"RGBA 4444 for textures with alpha, RGBA 5551 without, optionally dithered.";
    default:
        return nullptr;
    }
}

TESSARINE_EXPORT uint32_t UNCCompress(const uint8_t* source, uint8_t* destination, int32_t width,
                                      int32_t height, int32_t mode, uint32_t flags) {
    if (!source || !destination || width <= 0 || height <= 0)
        return 0;
    const bool alpha = mode == TESSARINE_MODE_ALPHA;
    const Layout& layout = alpha ? k4444 : k5551;
    const bool dither = (flags & TESSARINE_FLAG_DITHER) != 0;
    const size_t w = static_cast<size_t>(width);
    // Error carried to this row and the next, per channel.
    std::vector<int> current((w + 2) * 4, 0), next((w + 2) * 4, 0);
    for (int y = 0; y < height; ++y) {
        std::fill(next.begin(), next.end(), 0);
        for (size_t x = 0; x < w; ++x) {
            const uint8_t* p = source + (static_cast<size_t>(y) * w + x) * 4;
            int c[4];
            for (int ch = 0; ch < 4; ++ch) {
                int value = p[ch];
                if (dither && layout.bits[ch] > 1)
                    value = std::clamp(value + current[(x + 1) * 4 + ch] / 16, 0, 255);
                c[ch] = value;
                if (dither && layout.bits[ch] > 1) {
                    const int error = value - Expand(value, layout.bits[ch]);
                    current[(x + 2) * 4 + ch] += error * 7;
                    next[x * 4 + ch] += error * 3;
                    next[(x + 1) * 4 + ch] += error * 5;
                    next[(x + 2) * 4 + ch] += error;
                }
            }
            const uint16_t packed = Pack(c, alpha);
            destination[(static_cast<size_t>(y) * w + x) * 2] = static_cast<uint8_t>(packed);
            destination[(static_cast<size_t>(y) * w + x) * 2 + 1] =
                static_cast<uint8_t>(packed >> 8);
        }
        std::swap(current, next);
    }
    return static_cast<uint32_t>(w * static_cast<size_t>(height) * 2);
}

TESSARINE_EXPORT uint32_t UNCDecompress(const uint8_t* source, uint8_t* destination, int32_t width,
                                        int32_t height, int32_t, int32_t) {
    if (!source || !destination || width <= 0 || height <= 0)
        return 0;
    // The stored 16-bit pixels are what the program converts itself.
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 2;
    std::memcpy(destination, source, bytes);
    return static_cast<uint32_t>(bytes);
}

} // extern "C"
