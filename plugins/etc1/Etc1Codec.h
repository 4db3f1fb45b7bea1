#pragma once
// ETC1 blocks: decoding, and an encoder that refines its base colours.
#include <cstdint>

namespace Etc1 {

// Decodes one 8-byte block into 4x4 R, G, B, A pixels (alpha 255), row by row.
void DecodeBlock(const uint8_t* block, uint8_t* rgba);

// Encodes 4x4 R, G, B, A pixels (alpha ignored) into one block. effort 0 uses the
// averages of the sub-blocks as base colours; each further step refines them.
void EncodeBlock(const uint8_t* rgba, uint8_t* block, int effort);

// Whole images of any size (blocks beyond the edges repeat the last row and column);
// both return the bytes of blocks written.
uint32_t DecodeImage(const uint8_t* blocks, uint8_t* rgba, uint32_t width, uint32_t height);
uint32_t EncodeImage(const uint8_t* rgba, uint8_t* blocks, uint32_t width, uint32_t height,
                     int effort, int threads);

// AVX2 is used where the processor has it; false keeps to the portable code, which gives
// the same blocks (for tests on any processor).
void UseVectorUnits(bool on);

} // namespace Etc1
