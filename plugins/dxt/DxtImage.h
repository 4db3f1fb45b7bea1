#pragma once
// Whole DXT images: blocks in rows, images of any size (blocks past the edges repeat
// the image's own pixels).
#include "plugins/dxt/DxtColour.h"

#include <cstdint>

namespace Dxt {

enum class Format { kDxt1, kDxt3, kDxt5 };

// Bytes of one image's blocks.
uint32_t ImageSize(uint32_t width, uint32_t height, Format format);

// Encodes DXT1 or DXT5 from R, G, B, A pixels on up to `threads` threads; returns the
// bytes written.
uint32_t EncodeImage(const uint8_t* rgba, uint32_t width, uint32_t height, Format format,
                     Effort effort, int threads, uint8_t* blocks);

// Decodes DXT1, DXT3 or DXT5 into R, G, B, A pixels; returns the bytes written.
uint32_t DecodeImage(const uint8_t* blocks, uint32_t width, uint32_t height, Format format,
                     uint8_t* rgba);

} // namespace Dxt
