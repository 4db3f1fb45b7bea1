#include "plugins/etc1/Etc1Codec.h"

#include "plugins/common/Parallel.h"
#include "plugins/etc1/Etc1Estimate.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <immintrin.h>

namespace Etc1 {

namespace {

// Rounds of single steps of the bases once the best split and mode are found.
constexpr int kPolishRounds = 2;
// How far (in summed squared error) a runner-up's estimate may trail the best one's and
// still be fitted at normal effort.
constexpr long kRunnerUpMargin = 0;
// How many tables past a sub-block's own the test for clamping looks.
constexpr int kClampLookahead = 1;

// Modifier of a pixel index: 0 +small, 1 +large, 2 -small, 3 -large.
int Modifier(int table, int index) {
    const int magnitude = kTables[table][index & 1];
    return (index & 2) ? -magnitude : magnitude;
}

uint8_t Clamp(int v) {
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

int Expand4(int v) {
    return (v << 4) | v;
}
int Expand5(int v) {
    return (v << 3) | (v >> 2);
}

// The pixels of one sub-block: 8 of the 16, in block order (x * 4 + y).
struct SubBlock {
    int rgb[8][3];
    int position[8];               // x * 4 + y
    alignas(32) float plane[3][8]; // the channels apart, for vector loads
};

void Split(const uint8_t* rgba, bool flip, SubBlock out[2]) {
    int count[2] = {0, 0};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const int s = flip ? (y >= 2) : (x >= 2);
            SubBlock& sb = out[s];
            const uint8_t* p = rgba + (y * 4 + x) * 4;
            for (int c = 0; c < 3; ++c) {
                sb.rgb[count[s]][c] = p[c];
                sb.plane[c][count[s]] = p[c];
            }
            sb.position[count[s]] = x * 4 + y;
            ++count[s];
        }
}

struct Fit {
    int error = INT_MAX;
    int table = 0;
    int index[8] = {};
};

// The error of table t at every pixel when no modifier can clamp: a pixel's error with
// modifier m is S + 2mD + 3m^2, where S and D are its squared and plain distances from the
// base, and the best sign is the one that moves the base toward the pixel. Branch-free
// over the eight pixels, so the compiler can keep them in vector registers.
int UnclampedError(const int squared[8], const int absDistance[8], int t, bool large[8]) {
    const int small = kTables[t][0], big = kTables[t][1];
    int total = 0;
    for (int p = 0; p < 8; ++p) {
        const int es = squared[p] - 2 * small * absDistance[p] + 3 * small * small;
        const int el = squared[p] - 2 * big * absDistance[p] + 3 * big * big;
        large[p] = el < es;
        total += el < es ? el : es;
    }
    return total;
}

// BestTable on eight lanes at once, clamping included. Every value is an integer well
// inside a float's exact range, so the errors, and the choices, equal the scalar ones.
__attribute__((target("avx2"))) Fit BestTableAvx2(const SubBlock& sb, const int base[3],
                                                  int firstTable, int lastTable) {
    __m256 x[3], b[3];
    for (int c = 0; c < 3; ++c) {
        x[c] = _mm256_load_ps(sb.plane[c]);
        b[c] = _mm256_set1_ps(float(base[c]));
    }
    const __m256 distance =
        _mm256_add_ps(_mm256_add_ps(_mm256_sub_ps(b[0], x[0]), _mm256_sub_ps(b[1], x[1])),
                      _mm256_sub_ps(b[2], x[2]));
    // Each pixel's modifiers move the base toward it.
    const __m256 negative = _mm256_cmp_ps(distance, _mm256_setzero_ps(), _CMP_GT_OQ);
    const __m256 zero = _mm256_setzero_ps(), top = _mm256_set1_ps(255.0f);
    Fit best;
    __m256 bestLarge = zero;
    for (int t = firstTable; t <= lastTable; ++t) {
        __m256 error[2];
        for (int size = 0; size < 2; ++size) {
            const float magnitude = float(kTables[t][size]);
            const __m256 m =
                _mm256_blendv_ps(_mm256_set1_ps(magnitude), _mm256_set1_ps(-magnitude), negative);
            __m256 sum = zero;
            for (int c = 0; c < 3; ++c) {
                const __m256 v = _mm256_min_ps(_mm256_max_ps(_mm256_add_ps(b[c], m), zero), top);
                const __m256 d = _mm256_sub_ps(v, x[c]);
                sum = _mm256_add_ps(sum, _mm256_mul_ps(d, d));
            }
            error[size] = sum;
        }
        const __m256 large = _mm256_cmp_ps(error[1], error[0], _CMP_LT_OQ);
        const __m256 least = _mm256_min_ps(error[0], error[1]);
        alignas(32) float lanes[8];
        _mm256_store_ps(lanes, least);
        float total = 0;
        for (float lane : lanes)
            total += lane;
        if (int(total) < best.error) {
            best.error = int(total);
            best.table = t;
            bestLarge = large;
        }
    }
    const int largeMask = _mm256_movemask_ps(bestLarge),
              negativeMask = _mm256_movemask_ps(negative);
    for (int p = 0; p < 8; ++p)
        best.index[p] = ((negativeMask >> p) & 1) * 2 + ((largeMask >> p) & 1);
    return best;
}

std::atomic<bool> g_bVectorUnits{true};

bool UseAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has && g_bVectorUnits;
}

// The best table and indices for a sub-block with a given (expanded) base colour.
Fit BestTable(const SubBlock& sb, const int base[3], int firstTable = 0, int lastTable = 7) {
    if (UseAvx2())
        return BestTableAvx2(sb, base, firstTable, lastTable);
    int distance[8], squared[8], absDistance[8];
    for (int p = 0; p < 8; ++p) {
        distance[p] = squared[p] = 0;
        for (int c = 0; c < 3; ++c) {
            const int d = base[c] - sb.rgb[p][c];
            distance[p] += d;
            squared[p] += d * d;
        }
        absDistance[p] = std::abs(distance[p]);
    }
    const int lowest = std::min({base[0], base[1], base[2]});
    const int highest = std::max({base[0], base[1], base[2]});
    Fit best;
    for (int t = firstTable; t <= lastTable; ++t) {
        const bool clamps = lowest - kTables[t][1] < 0 || highest + kTables[t][1] > 255;
        if (!clamps) {
            bool large[8];
            const int error = UnclampedError(squared, absDistance, t, large);
            if (error < best.error) {
                best.error = error;
                best.table = t;
                for (int p = 0; p < 8; ++p)
                    best.index[p] = (distance[p] > 0 ? 2 : 0) + (large[p] ? 1 : 0);
            }
            continue;
        }
        // Near the ends of the range only the modifiers toward the pixel can win by much;
        // their clamped errors are exact.
        Fit fit;
        fit.table = t;
        fit.error = 0;
        for (int p = 0; p < 8 && fit.error < best.error; ++p) {
            int bestError = INT_MAX, bestIndex = 0;
            const int sign = distance[p] > 0 ? 2 : 0;
            for (int i = sign; i < sign + 2; ++i) {
                const int m = Modifier(t, i);
                int e = 0;
                for (int c = 0; c < 3; ++c) {
                    const int d = Clamp(base[c] + m) - sb.rgb[p][c];
                    e += d * d;
                }
                if (e < bestError)
                    bestError = e, bestIndex = i;
            }
            fit.error += bestError;
            fit.index[p] = bestIndex;
        }
        if (fit.error < best.error)
            best = fit;
    }
    return best;
}

// The base colour (per channel, unquantised) that best explains the sub-block with the
// fit's modifiers: the mean of pixel minus modifier.
void IdealBase(const SubBlock& sb, const Fit& fit, float base[3]) {
    for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int p = 0; p < 8; ++p)
            sum += sb.rgb[p][c] - Modifier(fit.table, fit.index[p]);
        base[c] = sum / 8.0f;
    }
}

int Quantise(float v, int bits) {
    const int top = (1 << bits) - 1;
    const int q = static_cast<int>(v * top / 255.0f + 0.5f);
    return q < 0 ? 0 : q > top ? top : q;
}

struct Candidate {
    int error = INT_MAX;
    bool flip = false, diff = false;
    int base[2][3] = {}; // stored values (4 or 5 bits)
    Fit fit[2];
};

int ExpandBits(int v, bool diff) {
    return diff ? Expand5(v) : Expand4(v);
}

// Fits one sub-block around a stored base, refining it `effort` times and trying the
// neighbouring stored values at the highest effort.
Fit FitSubBlock(const SubBlock& sb, int stored[3], bool diff, int effort,
                const Fit* start = nullptr) {
    const int bits = diff ? 5 : 4;
    int expanded[3];
    for (int c = 0; c < 3; ++c)
        expanded[c] = ExpandBits(stored[c], diff);
    Fit best = start ? *start : BestTable(sb, expanded);
    for (int round = 0; round < std::min(effort, 2) && best.error > 0; ++round) {
        float ideal[3];
        IdealBase(sb, best, ideal);
        int next[3];
        for (int c = 0; c < 3; ++c) {
            next[c] = Quantise(ideal[c], bits);
            expanded[c] = ExpandBits(next[c], diff);
        }
        // The refined base rarely wants a table far from the one it came from.
        const Fit fit =
            BestTable(sb, expanded, std::max(best.table - 2, 0), std::min(best.table + 2, 7));
        if (fit.error >= best.error)
            break;
        best = fit;
        std::copy(next, next + 3, stored);
    }
    if (effort >= 2 && best.error > 0) {
        // Rounding may miss: try every combination of the stored values just below and
        // above the ideal base of the best fit.
        float ideal[3];
        IdealBase(sb, best, ideal);
        const int top = (1 << bits) - 1;
        int low[3];
        for (int c = 0; c < 3; ++c)
            low[c] = std::clamp(int(ideal[c] * top / 255.0f), 0, top);
        for (int combo = 0; combo < 8; ++combo) {
            int trial[3];
            for (int c = 0; c < 3; ++c)
                trial[c] = std::min(low[c] + ((combo >> c) & 1), top);
            if (std::equal(trial, trial + 3, stored))
                continue;
            for (int c = 0; c < 3; ++c)
                expanded[c] = ExpandBits(trial[c], diff);
            // A base a step away keeps its table, or a neighbour of it.
            const Fit fit =
                BestTable(sb, expanded, std::max(best.table - 1, 0), std::min(best.table + 1, 7));
            if (fit.error < best.error) {
                best = fit;
                std::copy(trial, trial + 3, stored);
            }
        }
    }
    if (effort >= 4) {
        // The neighbourhood of the best base, a step in every direction.
        const int top = (1 << bits) - 1;
        const int origin[3] = {stored[0], stored[1], stored[2]};
        for (int dr = -1; dr <= 1; ++dr)
            for (int dg = -1; dg <= 1; ++dg)
                for (int db = -1; db <= 1; ++db) {
                    const int trial[3] = {origin[0] + dr, origin[1] + dg, origin[2] + db};
                    if (std::min({trial[0], trial[1], trial[2]}) < 0 ||
                        std::max({trial[0], trial[1], trial[2]}) > top)
                        continue;
                    for (int c = 0; c < 3; ++c)
                        expanded[c] = ExpandBits(trial[c], diff);
                    const Fit fit = BestTable(sb, expanded);
                    if (fit.error < best.error) {
                        best = fit;
                        std::copy(trial, trial + 3, stored);
                    }
                }
    }
    return best;
}

void Average(const SubBlock& sb, float avg[3]) {
    for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int p = 0; p < 8; ++p)
            sum += sb.rgb[p][c];
        avg[c] = sum / 8.0f;
    }
}

void Consider(Candidate& best, const Candidate& candidate) {
    if (candidate.error < best.error)
        best = candidate;
}

void Pack(const Candidate& c, uint8_t* block) {
    uint32_t high = 0;
    if (c.diff) {
        for (int ch = 0; ch < 3; ++ch) {
            const int delta = c.base[1][ch] - c.base[0][ch];
            high |= uint32_t(c.base[0][ch]) << (27 - ch * 8);
            high |= uint32_t(delta & 7) << (24 - ch * 8);
        }
        high |= 2;
    } else {
        for (int ch = 0; ch < 3; ++ch) {
            high |= uint32_t(c.base[0][ch]) << (28 - ch * 8);
            high |= uint32_t(c.base[1][ch]) << (24 - ch * 8);
        }
    }
    high |= uint32_t(c.fit[0].table) << 5 | uint32_t(c.fit[1].table) << 2;
    if (c.flip)
        high |= 1;
    uint32_t low = 0;
    SubBlock sb[2];
    uint8_t dummy[64] = {};
    Split(dummy, c.flip, sb);
    for (int s = 0; s < 2; ++s)
        for (int p = 0; p < 8; ++p) {
            const int index = c.fit[s].index[p];
            const int position = sb[s].position[p];
            low |= uint32_t(index >> 1) << (16 + position);
            low |= uint32_t(index & 1) << position;
        }
    for (int i = 0; i < 4; ++i) {
        block[i] = static_cast<uint8_t>(high >> (24 - 8 * i));
        block[4 + i] = static_cast<uint8_t>(low >> (24 - 8 * i));
    }
}

} // namespace

void UseVectorUnits(bool on) {
    g_bVectorUnits = on;
}

void DecodeBlock(const uint8_t* block, uint8_t* rgba) {
    const uint32_t high =
        uint32_t(block[0]) << 24 | uint32_t(block[1]) << 16 | uint32_t(block[2]) << 8 | block[3];
    const uint32_t low =
        uint32_t(block[4]) << 24 | uint32_t(block[5]) << 16 | uint32_t(block[6]) << 8 | block[7];
    const bool diff = high & 2, flip = high & 1;
    int base[2][3];
    for (int ch = 0; ch < 3; ++ch) {
        if (diff) {
            const int b1 = int(high >> (27 - ch * 8)) & 31;
            int delta = int(high >> (24 - ch * 8)) & 7;
            if (delta >= 4)
                delta -= 8;
            base[0][ch] = Expand5(b1);
            base[1][ch] = Expand5((b1 + delta) & 31);
        } else {
            base[0][ch] = Expand4(int(high >> (28 - ch * 8)) & 15);
            base[1][ch] = Expand4(int(high >> (24 - ch * 8)) & 15);
        }
    }
    const int tables[2] = {int(high >> 5) & 7, int(high >> 2) & 7};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const int s = flip ? (y >= 2) : (x >= 2);
            const int position = x * 4 + y;
            const int index = int((low >> (16 + position)) & 1) << 1 | int((low >> position) & 1);
            const int m = Modifier(tables[s], index);
            uint8_t* out = rgba + (y * 4 + x) * 4;
            for (int ch = 0; ch < 3; ++ch)
                out[ch] = Clamp(base[s][ch] + m);
            out[3] = 255;
        }
}

namespace {

// One way to split and store a block, fitted with the given effort.
Candidate FitConfiguration(const SubBlock sb[2], bool flip, bool diff, int effort,
                           const Candidate* quick = nullptr) {
    float avg[2][3];
    Average(sb[0], avg[0]);
    Average(sb[1], avg[1]);
    Candidate candidate;
    candidate.flip = flip;
    candidate.diff = diff;
    if (!diff) {
        // Individual: each sub-block its own 4-bit base.
        candidate.error = 0;
        for (int s = 0; s < 2; ++s) {
            for (int c = 0; c < 3; ++c)
                candidate.base[s][c] = Quantise(avg[s][c], 4);
            candidate.fit[s] = FitSubBlock(sb[s], candidate.base[s], false, effort,
                                           quick ? &quick->fit[s] : nullptr);
            candidate.error += candidate.fit[s].error;
        }
        return candidate;
    }
    // Differential: 5-bit bases within -4..3 steps of each other.
    int first[3], second[3];
    for (int c = 0; c < 3; ++c) {
        first[c] = Quantise(avg[0][c], 5);
        second[c] = Quantise(avg[1][c], 5);
    }
    // The quick fit's second base may have been pulled into reach: start it afresh.
    const Fit fit0 = FitSubBlock(sb[0], first, true, effort, quick ? &quick->fit[0] : nullptr);
    Fit fit1 = FitSubBlock(sb[1], second, true, effort);
    bool reachable = true;
    for (int c = 0; c < 3; ++c)
        reachable = reachable && second[c] - first[c] >= -4 && second[c] - first[c] <= 3;
    if (!reachable) {
        // Pull the second base into reach of the first and fit it there.
        int expanded[3];
        for (int c = 0; c < 3; ++c) {
            second[c] =
                std::clamp(second[c], std::max(first[c] - 4, 0), std::min(first[c] + 3, 31));
            expanded[c] = Expand5(second[c]);
        }
        fit1 = BestTable(sb[1], expanded);
    }
    std::copy(first, first + 3, candidate.base[0]);
    std::copy(second, second + 3, candidate.base[1]);
    candidate.fit[0] = fit0;
    candidate.fit[1] = fit1;
    candidate.error = fit0.error + fit1.error;
    return candidate;
}

} // namespace

namespace {} // namespace

namespace {

// The stored bases tried for a sub-block, as offsets from the floor of its average, one
// row per channel: the box of values around the average, single steps out of the box and
// the first steps along grey (a brighter or darker base with another table often explains
// a sub-block of two or three brightnesses better); then, at the best effort, steps out of
// the box on two channels and further along grey.
constexpr int kNormalOffsets = 16;
constexpr int kWideOffsets = 24;
alignas(32) constexpr int kOffsets[3][kWideOffsets] = {
    {0, 1, 0, 1, 0, 1, 0, 1, -1, 2, -1, 0, 0, 2, 1, 1, -1, -1, 0, 2, 2, 1, -2, 3},
    {0, 0, 1, 1, 0, 0, 1, 1, -1, 2, 0, -1, 0, 1, 2, 1, -1, 0, -1, 2, 1, 2, -2, 3},
    {0, 0, 0, 0, 1, 1, 1, 1, -1, 2, 0, 0, -1, 1, 1, 2, 0, -1, -1, 1, 2, 2, -2, 3}};
static_assert(kNormalOffsets % kEstimateLanes == 0 && kWideOffsets % kEstimateLanes == 0);
constexpr int kMaxBases = kWideOffsets;

// Single steps of a chosen base: one channel at a time, or all three (a brighter or darker
// base with another table is the move one channel alone cannot make).
alignas(32) constexpr int kMoves[3][kEstimateLanes] = {
    {-1, 1, 0, 0, 0, 0, -1, 1}, {0, 0, -1, 1, 0, 0, -1, 1}, {0, 0, 0, 0, -1, 1, -1, 1}};

const int* const kOffsetRows[3] = {kOffsets[0], kOffsets[1], kOffsets[2]};
const int* const kMoveRows[3] = {kMoves[0], kMoves[1], kMoves[2]};

SubBlockSums SumsOf(const SubBlock& sb) {
    SubBlockSums sums{};
    for (int p = 0; p < kSubBlockPixels; ++p)
        for (int c = 0; c < 3; ++c) {
            sums.channel[c] += sb.rgb[p][c];
            sums.luma[p] += sb.rgb[p][c];
            sums.squares += sb.rgb[p][c] * sb.rgb[p][c];
        }
    return sums;
}

// The bases tried for one sub-block in one mode and their estimates.
struct BaseSearch {
    bool diff = false;
    int count = 0;
    int origin[3] = {};
    int error[kMaxBases] = {};
    int table[kMaxBases] = {};

    void Stored(int i, int out[3]) const {
        for (int c = 0; c < 3; ++c)
            out[c] = StoredValue(origin[c], kOffsets[c][i], diff);
    }
    // The best base; the first of equal ones.
    int Best() const { return int(std::min_element(error, error + count) - error); }
    // Every base, best first; equal ones in the order tried, so the order is fixed.
    void Order(int out[kMaxBases]) const {
        int64_t keys[kMaxBases];
        for (int i = 0; i < count; ++i)
            keys[i] = int64_t(error[i]) * kMaxBases + i;
        std::sort(keys, keys + count);
        for (int i = 0; i < count; ++i)
            out[i] = int((keys[i] % kMaxBases + kMaxBases) % kMaxBases);
    }
};

BaseSearch SearchBases(const SubBlockSums& sums, bool diff, int count) {
    BaseSearch search;
    search.diff = diff;
    search.count = count;
    const int top = diff ? 31 : 15;
    for (int c = 0; c < 3; ++c)
        search.origin[c] = sums.channel[c] * top / (kSubBlockPixels * 255); // the floor
    EstimateBases(sums, search.origin, kOffsetRows, diff, count, search.error, search.table,
                  g_bVectorUnits);
    return search;
}

bool InReach(const int first[3], const int second[3]) {
    for (int c = 0; c < 3; ++c)
        if (second[c] - first[c] < -4 || second[c] - first[c] > 3)
            return false;
    return true;
}

// A split and mode with the bases the estimates favour, and the estimated error.
struct Estimated {
    long error = LONG_MAX;
    bool flip = false, diff = false;
    int stored[2][3] = {};
};

Estimated EstimateConfiguration(const SubBlockSums sums[2], bool flip, bool diff, int bases) {
    const BaseSearch searches[2] = {SearchBases(sums[0], diff, bases),
                                    SearchBases(sums[1], diff, bases)};
    Estimated best;
    best.flip = flip, best.diff = diff;
    const auto take = [&](int i, int j) {
        best.error = long(searches[0].error[i]) + searches[1].error[j];
        searches[0].Stored(i, best.stored[0]);
        searches[1].Stored(j, best.stored[1]);
    };
    const int first = searches[0].Best(), second = searches[1].Best();
    take(first, second);
    if (!diff || InReach(best.stored[0], best.stored[1]))
        return best;
    // Differential: the best pair within reach. Both orders run best first, so the first
    // reachable second base is the best for a first base, and a first base whose error
    // with the best second one cannot win ends the search.
    int order[2][kMaxBases];
    searches[0].Order(order[0]);
    searches[1].Order(order[1]);
    best.error = LONG_MAX;
    const int* e0 = searches[0].error;
    const int* e1 = searches[1].error;
    for (int i = 0; i < bases; ++i) {
        const int a = order[0][i];
        if (long(e0[a]) + e1[order[1][0]] >= best.error)
            break;
        int firstStored[3];
        searches[0].Stored(a, firstStored);
        for (int j = 0; j < bases; ++j) {
            const int b = order[1][j];
            if (long(e0[a]) + e1[b] >= best.error)
                break;
            int secondStored[3];
            searches[1].Stored(b, secondStored);
            if (InReach(firstStored, secondStored)) {
                take(a, b);
                break;
            }
        }
    }
    if (best.error == LONG_MAX) {
        // Nothing tried is within reach: pull the second base toward the first. Its
        // error is found when the candidate is fitted, so it is fitted last.
        take(first, second);
        for (int c = 0; c < 3; ++c)
            best.stored[1][c] = std::clamp(best.stored[1][c], std::max(best.stored[0][c] - 4, 0),
                                           std::min(best.stored[0][c] + 3, 31));
        best.error = LONG_MAX - 1;
    }
    return best;
}

// The exact fit of an estimated configuration: its bases with the best tables, clamping
// included.
Candidate FitEstimated(const SubBlock sb[2], const Estimated& estimated) {
    Candidate candidate;
    candidate.flip = estimated.flip, candidate.diff = estimated.diff;
    candidate.error = 0;
    for (int s = 0; s < 2; ++s) {
        int expanded[3];
        for (int c = 0; c < 3; ++c) {
            candidate.base[s][c] = estimated.stored[s][c];
            expanded[c] = ExpandBits(estimated.stored[s][c], estimated.diff);
        }
        candidate.fit[s] = BestTable(sb[s], expanded);
        candidate.error += candidate.fit[s].error;
    }
    return candidate;
}

// The sub-block averages, fitted as they are, and their refinement at higher efforts.
Candidate EncodeFromAverages(SubBlock split[2][2], int effort) {
    Candidate quick[4];
    for (int flip = 0; flip < 2; ++flip)
        for (int diff = 0; diff < 2; ++diff)
            quick[flip * 2 + diff] = FitConfiguration(split[flip], flip, diff, 0);
    int order[4] = {0, 1, 2, 3};
    std::sort(order, order + 4, [&](int a, int b) { return quick[a].error < quick[b].error; });
    Candidate best = quick[order[0]];
    const int refined = effort == 0 ? 0 : effort >= 4 ? 4 : 2;
    for (int i = 0; i < refined && best.error > 0; ++i) {
        const int c = order[i];
        // At normal effort a runner-up is refined only when it came close.
        if (i > 0 && effort < 3 && quick[c].error * 8 > quick[order[0]].error * 9)
            break;
        Consider(best, FitConfiguration(split[c / 2], c / 2, c % 2, effort, &quick[c]));
    }
    return best;
}

// Whether a sub-block's stored base may be `trial`: within range, and for a differential
// block within reach of the other sub-block's base.
bool ValidBase(const Candidate& c, int s, const int trial[3]) {
    const int top = c.diff ? 31 : 15;
    for (int ch = 0; ch < 3; ++ch) {
        if (trial[ch] < 0 || trial[ch] > top)
            return false;
        if (c.diff) {
            const int delta = s == 0 ? c.base[1][ch] - trial[ch] : trial[ch] - c.base[0][ch];
            if (delta < -4 || delta > 3)
                return false;
        }
    }
    return true;
}

// Tries the single steps of sub-block s's base, fitting each exactly, and keeps every one
// that helps.
bool StepExactly(Candidate& c, const SubBlock& sb, int s) {
    bool improved = false;
    for (int m = 0; m < kEstimateLanes; ++m) {
        int trial[3], expanded[3];
        for (int ch = 0; ch < 3; ++ch) {
            trial[ch] = c.base[s][ch] + kMoves[ch][m];
            expanded[ch] = ExpandBits(trial[ch], c.diff);
        }
        if (!ValidBase(c, s, trial))
            continue;
        // A step moves the best table by a place or two at most.
        const int table = c.fit[s].table;
        const Fit fit = BestTable(sb, expanded, std::max(table - 2, 0), std::min(table + 2, 7));
        if (fit.error < c.fit[s].error) {
            c.error += fit.error - c.fit[s].error;
            c.fit[s] = fit;
            std::copy(trial, trial + 3, c.base[s]);
            improved = true;
        }
    }
    return improved;
}

// Takes the single step of sub-block s's base that the estimates favour, if it helps. An
// estimate is never below the true error, so a step taken on its word is a real gain.
bool StepByEstimate(Candidate& c, const SubBlock& sb, const SubBlockSums& sums, int s) {
    int error[kEstimateLanes], table[kEstimateLanes];
    EstimateBases(sums, c.base[s], kMoveRows, c.diff, kEstimateLanes, error, table, g_bVectorUnits);
    int chosen = -1, chosenError = c.fit[s].error - sums.squares;
    int trial[3];
    for (int m = 0; m < kEstimateLanes; ++m) {
        if (error[m] >= chosenError)
            continue;
        for (int ch = 0; ch < 3; ++ch)
            trial[ch] = c.base[s][ch] + kMoves[ch][m];
        if (ValidBase(c, s, trial))
            chosen = m, chosenError = error[m];
    }
    if (chosen < 0)
        return false;
    int expanded[3];
    for (int ch = 0; ch < 3; ++ch) {
        trial[ch] = c.base[s][ch] + kMoves[ch][chosen];
        expanded[ch] = ExpandBits(trial[ch], c.diff);
    }
    const Fit fit = BestTable(sb, expanded, table[chosen], table[chosen]);
    c.error += fit.error - c.fit[s].error;
    c.fit[s] = fit;
    std::copy(trial, trial + 3, c.base[s]);
    return true;
}

// Whether the largest modifier of a sub-block's table, or of the tables a step could move
// it to, can carry its base past either end of the range: there the estimates overstate
// errors and only exact fits find the best steps.
bool NearTheEnds(const Candidate& c, int s) {
    const int large = kTables[std::min(c.fit[s].table + kClampLookahead, 7)][1];
    for (int ch = 0; ch < 3; ++ch) {
        const int e = ExpandBits(c.base[s][ch], c.diff);
        if (e < large || e + large > 255)
            return true;
    }
    return false;
}

// Steps each base one value at a time while that helps, keeping a differential block's
// second base within reach of its first. With `estimates`, sub-blocks away from the ends
// of the range are stepped on the estimates' word.
void Polish(Candidate& c, const SubBlock sb[2], int rounds, bool estimates) {
    const SubBlockSums sums[2] = {SumsOf(sb[0]), SumsOf(sb[1])};
    for (int round = 0; round < rounds && c.error > 0; ++round) {
        bool improved = false;
        for (int s = 0; s < 2; ++s)
            improved = (estimates && !NearTheEnds(c, s) ? StepByEstimate(c, sb[s], sums[s], s)
                                                        : StepExactly(c, sb[s], s)) ||
                       improved;
        if (!improved)
            return;
    }
}

// Every split and mode weighed by the estimates over a wide search of bases; the most
// promising are fitted exactly.
Candidate EncodeBySearch(SubBlock split[2][2], int effort) {
    const int bases = effort >= 4 ? kWideOffsets : kNormalOffsets;
    Estimated estimated[4];
    for (int flip = 0; flip < 2; ++flip) {
        const SubBlockSums sums[2] = {SumsOf(split[flip][0]), SumsOf(split[flip][1])};
        for (int diff = 0; diff < 2; ++diff)
            estimated[flip * 2 + diff] = EstimateConfiguration(sums, flip, diff, bases);
    }
    int order[4] = {0, 1, 2, 3};
    std::stable_sort(order, order + 4,
                     [&](int a, int b) { return estimated[a].error < estimated[b].error; });
    Candidate best = FitEstimated(split[order[0] / 2], estimated[order[0]]);
    for (int i = 1; i < 4 && best.error > 0; ++i) {
        const Estimated& e = estimated[order[i]];
        // Clamping can make a runner-up better than it was estimated; at normal effort
        // only one estimated within the margin of the best is fitted too.
        // (An impossible configuration is estimated at the largest error: a gap that
        // overflows is beyond any margin.)
        decltype(e.error) gap = 0;
        if (effort < 4 && (__builtin_sub_overflow(e.error, estimated[order[0]].error, &gap) ||
                           gap > kRunnerUpMargin))
            break;
        Consider(best, FitEstimated(split[order[i] / 2], e));
    }
    return best;
}

} // namespace

void EncodeBlock(const uint8_t* rgba, uint8_t* block, int effort) {
    SubBlock split[2][2];
    Split(rgba, false, split[0]);
    Split(rgba, true, split[1]);
    Candidate best;
    if (effort == 0) {
        best = EncodeFromAverages(split, 0);
    } else {
        best = EncodeBySearch(split, effort);
        if (effort >= 4)
            Consider(best, EncodeFromAverages(split, effort));
        // The best effort fits every step exactly.
        Polish(best, split[best.flip], kPolishRounds, effort < 4);
    }
    Pack(best, block);
}

uint32_t DecodeImage(const uint8_t* blocks, uint8_t* rgba, uint32_t width, uint32_t height) {
    const uint32_t bx = (width + 3) / 4, by = (height + 3) / 4;
    uint8_t pixels[64];
    for (uint32_t y = 0; y < by; ++y)
        for (uint32_t x = 0; x < bx; ++x) {
            DecodeBlock(blocks + 8 * (size_t(y) * bx + x), pixels);
            for (uint32_t py = 0; py < 4 && y * 4 + py < height; ++py)
                for (uint32_t px = 0; px < 4 && x * 4 + px < width; ++px)
                    std::memcpy(rgba + ((size_t(y) * 4 + py) * width + x * 4 + px) * 4,
                                pixels + (py * 4 + px) * 4, 4);
        }
    return bx * by * 8;
}

uint32_t EncodeImage(const uint8_t* rgba, uint8_t* blocks, uint32_t width, uint32_t height,
                     int effort, int threads) {
    const uint32_t bx = (width + 3) / 4, by = (height + 3) / 4;
    ParallelRows(by, threads, [&](uint32_t y) {
        uint8_t pixels[64];
        for (uint32_t x = 0; x < bx; ++x) {
            for (uint32_t py = 0; py < 4; ++py)
                for (uint32_t px = 0; px < 4; ++px) {
                    const uint32_t sx = std::min(x * 4 + px, width - 1);
                    const uint32_t sy = std::min(y * 4 + py, height - 1);
                    std::memcpy(pixels + (py * 4 + px) * 4, rgba + (size_t(sy) * width + sx) * 4,
                                4);
                }
            EncodeBlock(pixels, blocks + 8 * (size_t(y) * bx + x), effort);
        }
    });
    return bx * by * 8;
}

} // namespace Etc1
