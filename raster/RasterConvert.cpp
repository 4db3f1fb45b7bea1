#include "raster/RasterConvert.h"

#include "app/Log.h"
#include "platform/Ticks.h"

#include <cstring>

namespace {

inline uint32_t Bgra(uint32_t b, uint32_t g, uint32_t r, uint32_t a) {
    return b | (g << 8) | (r << 16) | (a << 24);
}

inline uint16_t Load16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline void Store(uint8_t* dst, uint32_t value) {
    std::memcpy(dst, &value, 4);
}

// Every conversion is a loop of one 4-byte store per pixel over a fixed pixel function;
// each instantiation is compiled (and vectorised) on its own.
template <typename F> void ConvertPixels(uint8_t* dst, uint64_t count, F pixel) {
    for (uint64_t p = 0; p < count; ++p)
        Store(dst + p * 4, pixel(p));
}

void Convert16(uint8_t* dst, const uint8_t* src, uint64_t count, uint16_t layout) {
    switch (layout) {
    case 0x88:
        ConvertPixels(dst, count, [src](uint64_t p) {
            const uint32_t l = src[p * 2], a = src[p * 2 + 1];
            return Bgra(l, l, l, a);
        });
        break;
    case 0x565:
        ConvertPixels(dst, count, [src](uint64_t p) {
            const uint32_t u = Load16(src + p * 2);
            return Bgra((u << 3) & 0xF8, (u >> 3) & 0xFC, (u >> 8) & 0xF8, 255);
        });
        break;
    case 0x1555:
        ConvertPixels(dst, count, [src](uint64_t p) {
            const uint32_t u = Load16(src + p * 2);
            return Bgra((u << 3) & 0xF8, (u >> 2) & 0xF8, (u >> 7) & 0xF8, (u & 0x8000) ? 255 : 0);
        });
        break;
    case 0x5551:
        ConvertPixels(dst, count, [src](uint64_t p) {
            const uint32_t u = Load16(src + p * 2);
            return Bgra(((u >> 1) & 0x1F) << 3, (u >> 3) & 0xF8, (u >> 8) & 0xF8,
                        (u & 1) ? 255 : 0);
        });
        break;
    case 0x4444:
        ConvertPixels(dst, count, [src](uint64_t p) {
            const uint32_t u = Load16(src + p * 2);
            return Bgra(((u >> 4) & 0xF) * 17, ((u >> 8) & 0xF) * 17, ((u >> 12) & 0xF) * 17,
                        (u & 0xF) * 17);
        });
        break;
    default:
        break; // stays transparent black
    }
}

} // namespace

std::unique_ptr<Bitmap32> GdiplusConvert(uint32_t level, const uint8_t* data, uint32_t width,
                                         uint32_t height, int bitsPerPixel, uint16_t layout,
                                         bool swapRedBlue, const uint8_t* palette,
                                         size_t paletteEntries, size_t dataSize) {
    const uint32_t start = GetTickCount();
    if (!data)
        return nullptr;

    const uint64_t bpp = bitsPerPixel > 0 ? static_cast<uint64_t>(bitsPerPixel) : 0;
    uint64_t offset = 0;
    uint64_t w = width, h = height;
    for (uint32_t i = 0; i < level && offset <= dataSize; ++i) {
        offset += w * h * bpp / 8;
        w = w / 2 > 0 ? w / 2 : 1;
        h = h / 2 > 0 ? h / 2 : 1;
    }
    const uint64_t count = w * h;
    const uint64_t needed = (count * bpp + 7) / 8;
    if (offset > dataSize || needed > dataSize - offset) {
        LogPrintA("GdiplusConvert: [ERROR] level %u of %ux%u needs %llu bytes, only %llu given.\n",
                  level, width, height, static_cast<unsigned long long>(offset + needed),
                  static_cast<unsigned long long>(dataSize));
        return nullptr;
    }
    auto bitmap = Bitmap32::CreateUninitialized(static_cast<uint32_t>(w), static_cast<uint32_t>(h));
    if (!bitmap)
        return nullptr;
    uint8_t* dst = bitmap->Bits();
    const uint8_t* src = data + offset;

    // The palette as ready pixels: swapped once here, not per pixel.
    uint32_t colours[256] = {};
    const size_t paletteCount = paletteEntries < 256 ? paletteEntries : 256;
    for (size_t i = 0; palette && i < paletteCount; ++i) {
        const uint8_t* e = palette + i * 4;
        colours[i] = swapRedBlue ? Bgra(e[2], e[1], e[0], e[3]) : Bgra(e[0], e[1], e[2], e[3]);
    }

    bool converted = true;
    if (bpp == 4 && palette) {
        ConvertPixels(dst, count, [src, &colours](uint64_t p) {
            const uint8_t byte = src[p / 2];
            return colours[(p & 1) ? (byte >> 4) : (byte & 0xF)];
        });
    } else if (bpp == 8 && layout == 0x8) {
        ConvertPixels(dst, count, [src](uint64_t p) {
            const uint32_t v = src[p];
            return Bgra(v, v, v, 255);
        });
    } else if (bpp == 8 && (layout == 0x888 || layout == 0x8888) && palette) {
        ConvertPixels(dst, count, [src, &colours](uint64_t p) { return colours[src[p]]; });
    } else if (bpp == 16 && (layout == 0x88 || layout == 0x565 || layout == 0x1555 ||
                             layout == 0x5551 || layout == 0x4444)) {
        Convert16(dst, src, count, layout);
    } else if (bpp == 24) {
        if (swapRedBlue)
            ConvertPixels(dst, count, [src](uint64_t p) {
                return Bgra(src[p * 3 + 2], src[p * 3 + 1], src[p * 3], 255);
            });
        else
            ConvertPixels(dst, count, [src](uint64_t p) {
                return Bgra(src[p * 3], src[p * 3 + 1], src[p * 3 + 2], 255);
            });
    } else if (bpp == 32) {
        if (swapRedBlue)
            ConvertPixels(dst, count, [src](uint64_t p) {
                uint32_t v;
                std::memcpy(&v, src + p * 4, 4);
                return (v & 0xFF00FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16);
            });
        else
            std::memcpy(dst, src, count * 4);
    } else {
        converted = false;
    }
    if (!converted)
        std::memset(dst, 0, bitmap->ByteSize());

    LogPrintA("GdiplusConvert: Gdiplus::Bitmap popullated within %0.4f seconds.\n",
              (GetTickCount() - start) / 1000.0);
    return bitmap;
}

uint16_t PackPixel4444(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    return static_cast<uint16_t>((r & 0xF0) << 8 | (g & 0xF0) << 4 | (b & 0xF0) | (a >> 4));
}

uint16_t PackPixel5551(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    return static_cast<uint16_t>((r & 0xF8) << 8 | (g & 0xF8) << 3 | (b >> 3) << 1 |
                                 ((a & 0xF0) != 0 ? 1 : 0));
}

uint32_t ImageDifference(const Bitmap32& a, const Bitmap32& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return 0xFFFFFFFFu;
    if (&a == &b)
        return 0;
    const uint8_t* pa = a.Bits();
    const uint8_t* pb = b.Bits();
    uint64_t sum = 0;
    const size_t size = a.ByteSize();
    for (size_t i = 0; i < size; ++i)
        sum += pa[i] > pb[i] ? pa[i] - pb[i] : pb[i] - pa[i];
    // A sum past 32 bits would wrap to a small "almost equal" value; saturate instead.
    return sum >= 0xFFFFFFFFu ? 0xFFFFFFFEu : static_cast<uint32_t>(sum);
}
