#pragma once
// The cluster search of the DXT colour encoder. With a block's pixels sorted along a line,
// every way of cutting the sorted list into consecutive runs (one run per palette entry)
// is a candidate; for each, the least-squares endpoints and the error they leave after
// rounding to 5:6:5 follow in closed form from prefix sums of the sorted colours.
#include <cstddef>
#include <vector>

namespace Dxt {

inline constexpr int kMaxSorted = 16;

// Prefix sums of the sorted colours: sums[c][m] is the sum of channel c over the first m.
struct SortedSums {
    float sums[3][kMaxSorted + 1];
    int count;
};

// Every cut of `count` sorted pixels into 4 runs (weights 1, 2/3, 1/3, 0 of the first
// endpoint) or 3 runs (1, 1/2, 0); laid out for vector loads, padded to a multiple of 8.
struct OrderingTable {
    int size = 0;                      // entries, padding included
    std::vector<int> cut1, cut2, cut3; // ends of the first three runs
    std::vector<float> aa, bb, ab;     // sums of a-weight^2, b-weight^2, a-weight*b-weight
    std::vector<float> fa, fb, fab;    // bb / det, aa / det, ab / det
    std::vector<float> penalty;        // 0, or huge for a padding or degenerate entry
    float c1 = 0, c2 = 0, c3 = 0;      // sum of a-weight * x = c1 S[cut1] + c2 S[cut2] + c3 S[cut3]
    int count = 0;                     // the pixels it cuts
    int padding = 0;                   // an entry that never wins
    std::vector<int> all;              // every entry, padded to a multiple of 8
    std::vector<short> lookup;         // entry of the cuts (i, j, k): [(i * 17 + j) * 17 + k]
    int Entry(int i, int j, int k) const {
        return lookup[size_t((i * (kMaxSorted + 1) + j) * (kMaxSorted + 1) + k)];
    }
};

const OrderingTable& FourColourOrderings();
const OrderingTable& ThreeColourOrderings(int count);

// Of the listed entries (a multiple of 8, padded with table.padding), the one whose rounded
// least-squares endpoints leave the least error; -1 if none. Runs on AVX2 where the
// processor has it.
int BestOrdering(const OrderingTable& table, const SortedSums& sorted,
                 const std::vector<int>& entries);

// The entries whose cuts lie within `reach` of (i, j, k) (k is ignored by 3-run tables),
// padded for BestOrdering.
void NearbyOrderings(const OrderingTable& table, int i, int j, int k, int reach,
                     std::vector<int>& entries);

// Whether AVX2 is there and in use; UseVectorUnits(false) keeps to the portable code (so
// that tests can run it on any processor).
bool UseAvx2();
void UseVectorUnits(bool on);

// The unrounded least-squares endpoints of one entry, on the 0..255 scale.
void SolveOrdering(const OrderingTable& table, int entry, const SortedSums& sorted, float a[3],
                   float b[3]);

} // namespace Dxt
