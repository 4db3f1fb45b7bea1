#include "plugins/dxt/DxtImage.h"

#include "plugins/common/Parallel.h"
#include "plugins/dxt/DxtBlock.h"

#include <algorithm>
#include <cstring>

namespace Dxt {

namespace {

constexpr uint32_t kBlockSide = 4;

uint32_t BlockBytes(Format format) {
    return format == Format::kDxt1 ? kColourBlockBytes : kColourBlockBytes + kAlphaBlockBytes;
}

// The pixel a block position stands for: an image narrower than a block repeats itself
// (every pixel then weighs the same); a wider one repeats its last column or row.
uint32_t Source(uint32_t at, uint32_t size) {
    return size < kBlockSide ? at % size : std::min(at, size - 1);
}

void FetchBlock(const uint8_t* rgba, uint32_t width, uint32_t height, uint32_t bx, uint32_t by,
                uint8_t pixels[64]) {
    for (uint32_t y = 0; y < kBlockSide; ++y)
        for (uint32_t x = 0; x < kBlockSide; ++x) {
            const uint32_t sx = Source(bx * kBlockSide + x, width);
            const uint32_t sy = Source(by * kBlockSide + y, height);
            std::memcpy(pixels + (y * kBlockSide + x) * 4, rgba + (size_t(sy) * width + sx) * 4, 4);
        }
}

int AlphaEffort(Effort effort) {
    return effort == Effort::kFast ? 0 : effort == Effort::kNormal ? 1 : 2;
}

} // namespace

uint32_t ImageSize(uint32_t width, uint32_t height, Format format) {
    return ((width + 3) / 4) * ((height + 3) / 4) * BlockBytes(format);
}

uint32_t EncodeImage(const uint8_t* rgba, uint32_t width, uint32_t height, Format format,
                     Effort effort, int threads, uint8_t* blocks) {
    const uint32_t bx = (width + 3) / 4, by = (height + 3) / 4;
    const uint32_t bytes = BlockBytes(format);
    ParallelRows(by, threads, [&](uint32_t row) {
        uint8_t pixels[64];
        for (uint32_t x = 0; x < bx; ++x) {
            uint8_t* out = blocks + (size_t(row) * bx + x) * bytes;
            FetchBlock(rgba, width, height, x, row, pixels);
            if (format == Format::kDxt5) {
                EncodeAlphaBlock5(pixels, out, AlphaEffort(effort));
                out += kAlphaBlockBytes;
            }
            EncodeColourBlock(pixels, out, format == Format::kDxt1, effort);
        }
    });
    return bx * by * bytes;
}

uint32_t DecodeImage(const uint8_t* blocks, uint32_t width, uint32_t height, Format format,
                     uint8_t* rgba) {
    const uint32_t bx = (width + 3) / 4, by = (height + 3) / 4;
    const uint32_t bytes = BlockBytes(format);
    uint8_t pixels[64];
    for (uint32_t y = 0; y < by; ++y)
        for (uint32_t x = 0; x < bx; ++x) {
            const uint8_t* in = blocks + (size_t(y) * bx + x) * bytes;
            const uint8_t* colour = format == Format::kDxt1 ? in : in + kAlphaBlockBytes;
            DecodeColourBlock(colour, pixels, format == Format::kDxt1);
            if (format == Format::kDxt5)
                DecodeAlphaBlock5(in, pixels);
            else if (format == Format::kDxt3)
                DecodeAlphaBlock3(in, pixels);
            for (uint32_t py = 0; py < kBlockSide && y * kBlockSide + py < height; ++py)
                for (uint32_t px = 0; px < kBlockSide && x * kBlockSide + px < width; ++px)
                    std::memcpy(
                        rgba + ((size_t(y) * kBlockSide + py) * width + x * kBlockSide + px) * 4,
                        pixels + (py * kBlockSide + px) * 4, 4);
        }
    return width * height * 4;
}

} // namespace Dxt
