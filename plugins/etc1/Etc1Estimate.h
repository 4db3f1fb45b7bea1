#pragma once
// A cheap error of many base colours for one ETC1 sub-block, so that a wide search of
// bases costs less than fitting each one.
//
// With modifier m on every channel, a pixel x's error from base b is
// |b - x|^2 + 2m(B - L) + 3m^2, where B and L are the sums of b's and x's channels. Summed
// over the sub-block, |b - x|^2 becomes 8|b|^2 - 2 b.S plus a constant (S: the channel
// sums of the pixels), and the modifier part depends on B alone. The estimate is exact
// when no modifier clamps a channel; clamping only moves a value toward the pixel, so the
// true error is never above it.
#include <cstdint>

namespace Etc1 {

constexpr int kTableCount = 8;
constexpr int kSubBlockPixels = 8;
// Candidates are weighed this many at a time.
constexpr int kEstimateLanes = 8;

extern const int kTables[kTableCount][2]; // small and large modifier of each table

struct SubBlockSums {
    int channel[3];            // the pixels' sums per channel
    int luma[kSubBlockPixels]; // each pixel's R + G + B
    int squares;               // sum of every channel value squared
};

// The stored base of candidate i: origin + offset[c][i] on each channel, kept within 4 bits
// (individual) or 5 bits (differential).
int StoredValue(int origin, int offset, bool diff);

// error[i] and table[i] for the candidate bases i below count, a multiple of
// kEstimateLanes. error[i] + squares is the sub-block's error with table[i] when nothing
// clamps. Picks AVX2 at run time when allowed; both give the same numbers.
void EstimateBases(const SubBlockSums& sums, const int origin[3], const int* const offset[3],
                   bool diff, int count, int* error, int* table, bool vector);

} // namespace Etc1
