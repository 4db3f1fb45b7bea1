#pragma once
// PVRTC1 decoding (2 and 4 bits per pixel), as the reference decoder does it.
#include <cstdint>

namespace Pvrtc {

// Decodes a power-of-two image of width x height from its words in twiddled order into
// R, G, B, A bytes. Images smaller than one 2x2 group of words (16x8 at 2 bpp, 8x8 at
// 4 bpp) are decoded at that size and cut. Returns the bytes written.
uint32_t Decode(const uint8_t* words, uint8_t* rgba, uint32_t width, uint32_t height, int bpp);

// Index of the word at block (x, y) in the twiddled order of a grid of blocks.
uint32_t TwiddledIndex(uint32_t x, uint32_t y, uint32_t blocksX, uint32_t blocksY);

// Bytes of one level: at least 32 (one 2x2 group of words).
uint32_t LevelSize(uint32_t width, uint32_t height, int bpp);

// A colour of a low-resolution image: 5-bit R, G, B and 4-bit alpha.
struct Color {
    int r, g, b, a;
};
// Colour A (bits 0-15, bit 0 being the modulation mode) and colour B (bits 16-31) of a
// word's colour half.
Color ColorA(uint32_t colors);
Color ColorB(uint32_t colors);

// The full-resolution image a low-resolution one (blocksX x blocksY colours) stands for,
// bilinearly upscaled with wrap-around, as 8-bit R, G, B, A.
void Upscale(const Color* low, uint32_t blocksX, uint32_t blocksY, int bpp, uint8_t* rgba);
// Rows [firstRow, endRow) of that image only; rgba receives the first of them.
void UpscaleRows(const Color* low, uint32_t blocksX, uint32_t blocksY, int bpp, uint32_t firstRow,
                 uint32_t endRow, uint8_t* rgba);

} // namespace Pvrtc
