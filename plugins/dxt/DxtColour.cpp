#include "plugins/dxt/DxtColour.h"

#include "plugins/dxt/DxtBlock.h"
#include "plugins/dxt/DxtOrderings.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <immintrin.h>
#include <vector>

namespace Dxt {

namespace {

// DXT1 reads alpha as one bit: below this a pixel is transparent.
constexpr int kTransparentBelow = 128;
constexpr int kPowerIterations = 8;
constexpr int kNormalRefinements = 2;
constexpr int kBestRefinements = 4;
constexpr int kBestAxisRounds = 3;
constexpr int kNormalStepRounds = 1;
constexpr int kBestStepRounds = 8;
// How far from the seed's cuts the normal effort looks.
constexpr int kNormalReach = 1;
constexpr uint8_t kTransparentPosition = 3;

struct Pixels {
    float x[kBlockPixels][3];
    int v[kBlockPixels][3];
    alignas(32) int planes[3][kBlockPixels]; // the channels apart, for vector loads
    alignas(32) int usedMask[kBlockPixels];  // -1 for a used pixel, else 0
    bool used[kBlockPixels];
    int count = 0;
};

struct Candidate {
    int error = INT_MAX;
    uint16_t a = 0, b = 0;
    ColourMode mode = ColourMode::kFour;
    uint8_t positions[kBlockPixels] = {};
    float axisA[3] = {}, axisB[3] = {}; // the unrounded endpoints it came from
};

// The stored 5- or 6-bit value whose expansion lies nearest each 8-bit value.
struct Rounding {
    uint8_t five[256], six[256];
    Rounding() {
        for (int x = 0; x < 256; ++x) {
            int best5 = 0, best6 = 0;
            for (int v = 0; v < 64; ++v) {
                if (v < 32 && std::abs(Expand5(v) - x) < std::abs(Expand5(best5) - x))
                    best5 = v;
                if (std::abs(Expand6(v) - x) < std::abs(Expand6(best6) - x))
                    best6 = v;
            }
            five[x] = uint8_t(best5), six[x] = uint8_t(best6);
        }
    }
};

const Rounding& Rounder() {
    static const Rounding rounding;
    return rounding;
}

uint16_t Round565(const float c[3]) {
    const Rounding& r = Rounder();
    const auto index = [](float v) { return size_t(std::clamp(int(std::lround(v)), 0, 255)); };
    return Pack565(r.five[index(c[0])], r.six[index(c[1])], r.five[index(c[2])]);
}

__attribute__((target("avx2"))) int EvaluateAvx2(const Pixels& px, const Rgb palette[4],
                                                 int entries, uint8_t positions[kBlockPixels]) {
    __m256i sum = _mm256_setzero_si256();
    for (int half = 0; half < 2; ++half) {
        const int at = half * 8;
        const __m256i r = _mm256_load_si256(reinterpret_cast<const __m256i*>(&px.planes[0][at]));
        const __m256i g = _mm256_load_si256(reinterpret_cast<const __m256i*>(&px.planes[1][at]));
        const __m256i b = _mm256_load_si256(reinterpret_cast<const __m256i*>(&px.planes[2][at]));
        __m256i best = _mm256_set1_epi32(INT_MAX), position = _mm256_setzero_si256();
        for (int e = 0; e < entries; ++e) {
            const __m256i dr = _mm256_sub_epi32(r, _mm256_set1_epi32(palette[e].r));
            const __m256i dg = _mm256_sub_epi32(g, _mm256_set1_epi32(palette[e].g));
            const __m256i db = _mm256_sub_epi32(b, _mm256_set1_epi32(palette[e].b));
            const __m256i d = _mm256_add_epi32(
                _mm256_add_epi32(_mm256_mullo_epi32(dr, dr), _mm256_mullo_epi32(dg, dg)),
                _mm256_mullo_epi32(db, db));
            const __m256i closer = _mm256_cmpgt_epi32(best, d);
            best = _mm256_min_epi32(best, d);
            position = _mm256_blendv_epi8(position, _mm256_set1_epi32(e), closer);
        }
        const __m256i used = _mm256_load_si256(reinterpret_cast<const __m256i*>(&px.usedMask[at]));
        sum = _mm256_add_epi32(sum, _mm256_and_si256(best, used));
        position = _mm256_blendv_epi8(_mm256_set1_epi32(kTransparentPosition), position, used);
        alignas(32) int out[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(out), position);
        for (int i = 0; i < 8; ++i)
            positions[at + i] = uint8_t(out[i]);
    }
    alignas(32) int lanes[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), sum);
    return lanes[0] + lanes[1] + lanes[2] + lanes[3] + lanes[4] + lanes[5] + lanes[6] + lanes[7];
}

// The error of two endpoints with each pixel at its nearest palette entry.
int Evaluate(const Pixels& px, uint16_t a, uint16_t b, ColourMode mode,
             uint8_t positions[kBlockPixels]) {
    Rgb palette[4];
    LinePalette(a, b, mode, palette);
    // Transparent black is for transparent pixels only: an opaque pixel matched to it
    // would disappear.
    const int entries = mode == ColourMode::kFour ? 4 : 3;
    if (UseAvx2())
        return EvaluateAvx2(px, palette, entries, positions);
    int total = 0;
    for (int p = 0; p < kBlockPixels; ++p) {
        if (!px.used[p]) {
            positions[p] = kTransparentPosition;
            continue;
        }
        int best = INT_MAX, position = 0;
        for (int e = 0; e < entries; ++e) {
            const int dr = palette[e].r - px.v[p][0], dg = palette[e].g - px.v[p][1];
            const int db = palette[e].b - px.v[p][2];
            const int d = dr * dr + dg * dg + db * db;
            if (d < best)
                best = d, position = e;
        }
        total += best;
        positions[p] = uint8_t(position);
    }
    return total;
}

Candidate FromEndpoints(const Pixels& px, const float a[3], const float b[3], ColourMode mode) {
    Candidate c;
    c.mode = mode;
    c.a = Round565(a), c.b = Round565(b);
    std::copy(a, a + 3, c.axisA);
    std::copy(b, b + 3, c.axisB);
    c.error = Evaluate(px, c.a, c.b, mode, c.positions);
    return c;
}

// The endpoints that best explain the pixels with their positions held fixed.
bool LeastSquares(const Pixels& px, const Candidate& c, float a[3], float b[3]) {
    const float steps = c.mode == ColourMode::kFour ? 3.0f : 2.0f;
    float aa = 0, bb = 0, ab = 0, ax[3] = {}, bx[3] = {};
    for (int p = 0; p < kBlockPixels; ++p) {
        if (!px.used[p])
            continue;
        const float t = c.positions[p] / steps, s = 1 - t;
        aa += s * s, bb += t * t, ab += s * t;
        for (int ch = 0; ch < 3; ++ch)
            ax[ch] += s * px.x[p][ch], bx[ch] += t * px.x[p][ch];
    }
    const float det = aa * bb - ab * ab;
    if (det < 1e-3f)
        return false;
    for (int ch = 0; ch < 3; ++ch) {
        a[ch] = std::clamp((ax[ch] * bb - bx[ch] * ab) / det, 0.0f, 255.0f);
        b[ch] = std::clamp((bx[ch] * aa - ax[ch] * ab) / det, 0.0f, 255.0f);
    }
    return true;
}

void Refine(const Pixels& px, Candidate& c, int rounds) {
    for (int round = 0; round < rounds && c.error > 0; ++round) {
        float a[3], b[3];
        if (!LeastSquares(px, c, a, b))
            return;
        const Candidate next = FromEndpoints(px, a, b, c.mode);
        if (next.error >= c.error)
            return;
        c = next;
    }
}

// One stored step up or down in each channel of each endpoint, while any step helps: the
// rounding of smooth blocks gains most from it.
void StepSearch(const Pixels& px, Candidate& c, int rounds) {
    static constexpr int kShift[3] = {11, 5, 0};
    static constexpr int kTop[3] = {31, 63, 31};
    for (int round = 0; round < rounds && c.error > 0; ++round) {
        bool improved = false;
        for (int end = 0; end < 2; ++end)
            for (int ch = 0; ch < 3; ++ch)
                for (int delta : {-1, 1}) {
                    const uint16_t packed = end == 0 ? c.a : c.b;
                    const int v = ((packed >> kShift[ch]) & kTop[ch]) + delta;
                    if (v < 0 || v > kTop[ch])
                        continue;
                    const uint16_t moved =
                        uint16_t((packed & ~(kTop[ch] << kShift[ch])) | v << kShift[ch]);
                    Candidate next = c;
                    (end == 0 ? next.a : next.b) = moved;
                    next.error = Evaluate(px, next.a, next.b, next.mode, next.positions);
                    if (next.error < c.error)
                        c = next, improved = true;
                }
        if (!improved)
            return;
    }
}

// Per channel value, the endpoint pair whose 2/3 mix (4-colour) or mean (3-colour) comes
// nearest: a flat block can often be hit more closely than by one rounded endpoint.
struct SingleColour {
    struct Pair {
        uint8_t first, second;
        int error;
    };
    Pair table[2][2][256]; // [three][six bits][value]
    SingleColour() {
        for (int three = 0; three < 2; ++three)
            for (int six = 0; six < 2; ++six) {
                const int top = six ? 63 : 31;
                for (int x = 0; x < 256; ++x) {
                    Pair best{0, 0, INT_MAX};
                    for (int f = 0; f <= top; ++f)
                        for (int s = 0; s <= top; ++s) {
                            const int ef = six ? Expand6(f) : Expand5(f);
                            const int es = six ? Expand6(s) : Expand5(s);
                            const int mixed = three ? (ef + es) / 2 : (2 * ef + es) / 3;
                            const int d = (mixed - x) * (mixed - x);
                            if (d < best.error)
                                best = {uint8_t(f), uint8_t(s), d};
                        }
                    table[three][six][x] = best;
                }
            }
    }
};

Candidate FlatBlock(const Pixels& px, const int colour[3], ColourMode mode) {
    static const SingleColour tables;
    const int three = mode == ColourMode::kThree;
    Candidate c;
    c.mode = mode;
    int first[3], second[3];
    c.error = 0;
    for (int ch = 0; ch < 3; ++ch) {
        const SingleColour::Pair& pair = tables.table[three][ch == 1][colour[ch]];
        first[ch] = pair.first, second[ch] = pair.second;
        c.error += pair.error * px.count;
    }
    c.a = Pack565(first[0], first[1], first[2]);
    c.b = Pack565(second[0], second[1], second[2]);
    for (int p = 0; p < kBlockPixels; ++p)
        c.positions[p] = px.used[p] ? 1 : kTransparentPosition;
    return c;
}

void PrincipalAxis(const Pixels& px, float mean[3], float axis[3]) {
    std::fill(mean, mean + 3, 0.0f);
    for (int p = 0; p < kBlockPixels; ++p)
        if (px.used[p])
            for (int ch = 0; ch < 3; ++ch)
                mean[ch] += px.x[p][ch];
    for (int ch = 0; ch < 3; ++ch)
        mean[ch] /= float(px.count);
    float cov[3][3] = {};
    for (int p = 0; p < kBlockPixels; ++p) {
        if (!px.used[p])
            continue;
        const float d[3] = {px.x[p][0] - mean[0], px.x[p][1] - mean[1], px.x[p][2] - mean[2]};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                cov[i][j] += d[i] * d[j];
    }
    // Power iteration from the row of the widest channel, which cannot be orthogonal to
    // the principal axis unless the block is flat.
    int widest = 0;
    for (int i = 1; i < 3; ++i)
        if (cov[i][i] > cov[widest][widest])
            widest = i;
    float v[3] = {cov[widest][0], cov[widest][1], cov[widest][2]};
    for (int it = 0; it < kPowerIterations; ++it) {
        float next[3];
        for (int i = 0; i < 3; ++i)
            next[i] = cov[i][0] * v[0] + cov[i][1] * v[1] + cov[i][2] * v[2];
        const float length = std::max({std::fabs(next[0]), std::fabs(next[1]), std::fabs(next[2])});
        if (length < 1e-12f)
            break;
        for (int i = 0; i < 3; ++i)
            v[i] = next[i] / length;
    }
    if (std::max({std::fabs(v[0]), std::fabs(v[1]), std::fabs(v[2])}) < 1e-12f)
        v[0] = v[1] = v[2] = 1.0f;
    std::copy(v, v + 3, axis);
}

// The used pixels in order along the axis.
int SortAlong(const Pixels& px, const float axis[3], uint8_t order[kBlockPixels]) {
    float key[kBlockPixels];
    int n = 0;
    for (int p = 0; p < kBlockPixels; ++p) {
        if (!px.used[p])
            continue;
        const float k = px.x[p][0] * axis[0] + px.x[p][1] * axis[1] + px.x[p][2] * axis[2];
        int at = n++;
        while (at > 0 && key[at - 1] > k) {
            key[at] = key[at - 1];
            order[at] = order[at - 1];
            --at;
        }
        key[at] = k;
        order[at] = uint8_t(p);
    }
    return n;
}

SortedSums Sums(const Pixels& px, const uint8_t order[kBlockPixels], int n) {
    SortedSums s;
    s.count = n;
    for (int ch = 0; ch < 3; ++ch) {
        s.sums[ch][0] = 0;
        for (int i = 0; i < n; ++i)
            s.sums[ch][i + 1] = s.sums[ch][i] + px.x[order[i]][ch];
    }
    return s;
}

void Consider(Candidate& best, const Candidate& c) {
    if (c.error < best.error)
        best = c;
}

// The cuts a candidate's positions make of the sorted pixels: the run ends of positions
// 0, 1 and 2 along the line.
void Cuts(const Candidate& c, int cuts[3]) {
    int counts[4] = {};
    for (int p = 0; p < kBlockPixels; ++p)
        ++counts[c.positions[p]];
    cuts[0] = counts[0];
    cuts[1] = cuts[0] + counts[1];
    cuts[2] = cuts[1] + counts[2];
}

// The best cut of the sorted pixels into runs, refined. With a seed, only the cuts within
// `reach` of the seed's own are weighed; without, every cut.
Candidate ClusterSearch(const Pixels& px, const SortedSums& sums, bool four, bool three,
                        int refinements, const Candidate* seed, int reach) {
    Candidate best;
    std::vector<int> nearby;
    const auto run = [&](const OrderingTable& table, ColourMode mode) {
        const std::vector<int>* entries = &table.all;
        // The 3-colour cuts are few enough to weigh them all.
        if (seed && mode == ColourMode::kFour) {
            Candidate start = *seed;
            if (start.mode != mode) {
                start.mode = mode;
                start.error = Evaluate(px, start.a, start.b, mode, start.positions);
            }
            Consider(best, start);
            int cuts[3];
            Cuts(start, cuts);
            NearbyOrderings(table, cuts[0], cuts[1], cuts[2], reach, nearby);
            entries = &nearby;
        }
        const int entry = BestOrdering(table, sums, *entries);
        if (entry < 0)
            return;
        float a[3], b[3];
        SolveOrdering(table, entry, sums, a, b);
        Candidate c = FromEndpoints(px, a, b, mode);
        Refine(px, c, refinements);
        Consider(best, c);
    };
    if (four)
        run(FourColourOrderings(), ColourMode::kFour);
    if (three)
        run(ThreeColourOrderings(sums.count), ColourMode::kThree);
    return best;
}

Candidate Encode(const Pixels& px, bool dxt1, Effort effort) {
    // A DXT1 block with transparent pixels has only the 3-colour mode; DXT3/5 only the 4.
    const bool four = px.count == kBlockPixels;
    const bool three = dxt1;
    const ColourMode onlyMode = four ? ColourMode::kFour : ColourMode::kThree;

    bool flat = true;
    int first = 0;
    while (!px.used[first])
        ++first;
    for (int p = 0; p < kBlockPixels && flat; ++p)
        flat = !px.used[p] || std::equal(px.v[p], px.v[p] + 3, px.v[first]);
    if (flat) {
        Candidate best = FlatBlock(px, px.v[first], onlyMode);
        if (four && three)
            Consider(best, FlatBlock(px, px.v[first], ColourMode::kThree));
        return best;
    }

    float mean[3], axis[3];
    PrincipalAxis(px, mean, axis);
    uint8_t order[kBlockPixels];
    int n = SortAlong(px, axis, order);
    // The extremes along the axis, refined: the fast result and the normal one's seed.
    Candidate start = FromEndpoints(px, px.x[order[0]], px.x[order[n - 1]], onlyMode);
    Refine(px, start, kNormalRefinements);
    if (effort == Effort::kFast)
        return start;
    if (effort == Effort::kNormal) {
        Candidate c = ClusterSearch(px, Sums(px, order, n), four, three, kNormalRefinements, &start,
                                    kNormalReach);
        StepSearch(px, c, kNormalStepRounds);
        return c;
    }
    Candidate best =
        ClusterSearch(px, Sums(px, order, n), four, three, kBestRefinements, nullptr, 0);
    Consider(best, start);
    {
        // The line through the endpoints found may order the pixels better than the axis.
        for (int round = 0; round < kBestAxisRounds; ++round) {
            float line[3];
            for (int ch = 0; ch < 3; ++ch)
                line[ch] = best.axisB[ch] - best.axisA[ch];
            if (std::max({std::fabs(line[0]), std::fabs(line[1]), std::fabs(line[2])}) < 1e-3f)
                break;
            uint8_t next[kBlockPixels];
            n = SortAlong(px, line, next);
            if (std::equal(next, next + n, order))
                break;
            std::copy(next, next + n, order);
            Consider(best, ClusterSearch(px, Sums(px, order, n), four, three, kBestRefinements,
                                         nullptr, 0));
        }
        StepSearch(px, best, kBestStepRounds);
    }
    return best;
}

} // namespace

void EncodeColourBlock(const uint8_t* rgba, uint8_t* block, bool dxt1, Effort effort) {
    Pixels px;
    for (int p = 0; p < kBlockPixels; ++p) {
        px.used[p] = !dxt1 || rgba[4 * p + 3] >= kTransparentBelow;
        px.usedMask[p] = px.used[p] ? -1 : 0;
        px.count += px.used[p];
        for (int ch = 0; ch < 3; ++ch) {
            px.v[p][ch] = px.planes[ch][p] = rgba[4 * p + ch];
            px.x[p][ch] = float(rgba[4 * p + ch]);
        }
    }
    if (px.count == 0) {
        uint8_t positions[kBlockPixels];
        std::fill(positions, positions + kBlockPixels, kTransparentPosition);
        PackColourBlock(0, 0, ColourMode::kThree, positions, block);
        return;
    }
    const Candidate best = Encode(px, dxt1, effort);
    PackColourBlock(best.a, best.b, best.mode, best.positions, block);
}

} // namespace Dxt
