#pragma once
// The DXT colour encoder: a line through the block's principal axis, the cut of the sorted
// pixels into palette runs that leaves the least error, then least-squares refinement of
// the rounded endpoints against the palette the decoder really builds.
#include <cstdint>

namespace Dxt {

enum class Effort {
    kFast,   // endpoints from the extremes along the axis, refined by least squares
    kNormal, // every cut of the sorted pixels, 4- and 3-colour, then refinement
    kBest,   // as normal, the axis re-aimed at the endpoints found, then a step search
};

// Encodes 16 R, G, B, A pixels into a colour block. dxt1: the block stands alone, so it
// may use the 3-colour mode, and pixels with alpha below 128 become transparent black;
// otherwise (DXT3/DXT5) it must use the 4-colour mode and alpha is ignored.
void EncodeColourBlock(const uint8_t* rgba, uint8_t* block, bool dxt1, Effort effort);

} // namespace Dxt
