#pragma once
// PVRTC1 encoding (2 and 4 bits per pixel).
#include <cstdint>

namespace Pvrtc {

// Encodes a power-of-two R, G, B, A image into words in twiddled order; returns the
// bytes written (LevelSize). Images smaller than one 2x2 group of words are tiled up to
// it, which is what the decoder's wrap-around expects of them.
//
// refinements 0 gives the plain encoder: per-block bounding-box colours and the nearest
// modulation. Each refinement fits the two low-resolution images to the picture by least
// squares, with the modulation found so far, and chooses the modulation again.
uint32_t Encode(const uint8_t* rgba, uint32_t width, uint32_t height, int bpp, bool alpha,
                int refinements, uint8_t* words);

} // namespace Pvrtc
