#pragma once
// Conversions between stored rasters and Bitmap32, and pixel-level helpers.
#include "raster/Bitmap32.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// Turns one level of an 8-, 16-, 24- or 32-bit (or 4-bit palettized) raster into a new
// bitmap. width and height are those of level 0 and data points at level 0; levels are
// skipped without block rounding. With swapRedBlue the source is R, G, B(, A) instead of
// B, G, R(, A). palette holds paletteEntries 4-byte entries (indexes beyond it give
// transparent black). dataSize is the number of bytes readable at data: a level that
// does not fit gives nullptr rather than a read past the buffer. Unknown combinations of
// bits per pixel and layout give a transparent black bitmap of the level's size.
std::unique_ptr<Bitmap32> GdiplusConvert(uint32_t level, const uint8_t* data, uint32_t width,
                                         uint32_t height, int bitsPerPixel, uint16_t layout,
                                         bool swapRedBlue, const uint8_t* palette,
                                         size_t paletteEntries, size_t dataSize);

// The two 16-bit formats the program writes itself; the value is stored little-endian.
uint16_t PackPixel4444(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
uint16_t PackPixel5551(uint8_t r, uint8_t g, uint8_t b, uint8_t a);

// Sum of the absolute differences of all bytes (alpha included); 0xFFFFFFFF when the
// sizes differ, 0 for the same bitmap. The sum saturates instead of wrapping.
uint32_t ImageDifference(const Bitmap32& a, const Bitmap32& b);
