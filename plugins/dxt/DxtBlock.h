#pragma once
// DXT (S3TC) blocks: the colour half shared by DXT1, DXT3 and DXT5, and the alpha halves
// of DXT3 and DXT5. Decoding follows libsquish to the bit, so either decoder reads our
// blocks the same way.
#include <cstdint>

namespace Dxt {

inline constexpr int kBlockPixels = 16;
inline constexpr int kColourBlockBytes = 8;
inline constexpr int kAlphaBlockBytes = 8;

// A colour block's palette in the order of positions along its line: 4-colour blocks
// a, 2/3 a + 1/3 b, 1/3 a + 2/3 b, b; 3-colour blocks a, (a + b) / 2, b, transparent black.
enum class ColourMode { kFour, kThree };

struct Rgb {
    int r, g, b;
};

// 5:6:5 packing and its expansion to 8 bits, as decoders replicate the high bits.
int Expand5(int v);
int Expand6(int v);
uint16_t Pack565(int r5, int g6, int b5);
Rgb Unpack565(uint16_t v);

// The palette of two packed endpoints in line order (see ColourMode).
void LinePalette(uint16_t a, uint16_t b, ColourMode mode, Rgb palette[4]);

// Writes a colour block from endpoints a and b and each pixel's line position (0..3),
// ordering the endpoints as the mode demands (4-colour: first > second; 3-colour:
// first <= second).
void PackColourBlock(uint16_t a, uint16_t b, ColourMode mode, const uint8_t positions[16],
                     uint8_t* block);

// Decodes a colour block into 16 R, G, B, A pixels. dxt1 lets a block whose first endpoint
// is not above the second use the 3-colour mode with transparent black.
void DecodeColourBlock(const uint8_t* block, uint8_t* rgba, bool dxt1);

// DXT5 alpha: two endpoints and 3-bit indices. first > second gives eight values spread
// between them; otherwise six values spread between them, then 0 and 255.
void AlphaPalette(int first, int second, int palette[8]);
void DecodeAlphaBlock5(const uint8_t* block, uint8_t* rgba);
// DXT3 alpha: sixteen explicit 4-bit values.
void DecodeAlphaBlock3(const uint8_t* block, uint8_t* rgba);

// Encodes the alpha of 16 R, G, B, A pixels as a DXT5 alpha block, choosing the better of
// the eight- and six-value modes. effort 0 takes the range of the values; higher efforts
// search endpoints around it.
void EncodeAlphaBlock5(const uint8_t* rgba, uint8_t* block, int effort);

} // namespace Dxt
