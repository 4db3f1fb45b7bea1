#include "plugins/etc1/Etc1Estimate.h"

#include <climits>
#include <cstdlib>
#include <immintrin.h>

namespace Etc1 {

const int kTables[kTableCount][2] = {{2, 8},   {5, 17},  {9, 29},   {13, 42},
                                     {18, 60}, {24, 80}, {33, 106}, {47, 183}};

namespace {

// The part of the error that depends on the base's position: 8|b|^2 - 2 b.S.
int PositionError(const SubBlockSums& sums, int r, int g, int b) {
    return 8 * (r * r + g * g + b * b) -
           2 * (r * sums.channel[0] + g * sums.channel[1] + b * sums.channel[2]);
}

int Expanded(int stored, bool diff) {
    return diff ? (stored << 3 | stored >> 2) : (stored << 4 | stored);
}

void EstimatePortable(const SubBlockSums& sums, const int origin[3], const int* const offset[3],
                      bool diff, int count, int* error, int* table) {
    for (int i = 0; i < count; ++i) {
        int base[3];
        for (int c = 0; c < 3; ++c)
            base[c] = Expanded(StoredValue(origin[c], offset[c][i], diff), diff);
        const int r[1] = {base[0]}, g[1] = {base[1]}, b[1] = {base[2]};
        const int brightness = base[0] + base[1] + base[2];
        int distance[kSubBlockPixels];
        for (int p = 0; p < kSubBlockPixels; ++p)
            distance[p] = std::abs(brightness - sums.luma[p]);
        int best = INT_MAX, bestTable = 0;
        for (int t = 0; t < kTableCount; ++t) {
            const int small = kTables[t][0], large = kTables[t][1];
            int total = 0;
            for (int p = 0; p < kSubBlockPixels; ++p) {
                // The sign that moves the base toward the pixel; the larger step wins
                // once the pixel is far enough.
                const int es = 3 * small * small - 2 * small * distance[p];
                const int el = 3 * large * large - 2 * large * distance[p];
                total += es < el ? es : el;
            }
            if (total < best)
                best = total, bestTable = t;
        }
        error[i] = best + PositionError(sums, r[0], g[0], b[0]);
        table[i] = bestTable;
    }
}

// The same sums on eight candidates at once. Every value is an integer far inside a
// float's exact range (below 2^24 in magnitude), so each result equals the portable one.
// The expanded bases of eight candidates, one channel.
__attribute__((target("avx2"))) __m256 ExpandedAvx2(int origin, const int* offset, bool diff) {
    const __m256i top = _mm256_set1_epi32(diff ? 31 : 15);
    __m256i v =
        _mm256_add_epi32(_mm256_set1_epi32(origin), _mm256_loadu_si256((const __m256i*)offset));
    v = _mm256_min_epi32(_mm256_max_epi32(v, _mm256_setzero_si256()), top);
    const __m256i e = diff ? _mm256_or_si256(_mm256_slli_epi32(v, 3), _mm256_srli_epi32(v, 2))
                           : _mm256_or_si256(_mm256_slli_epi32(v, 4), v);
    return _mm256_cvtepi32_ps(e);
}

__attribute__((target("avx2,fma"))) void EstimateAvx2(const SubBlockSums& sums, const int origin[3],
                                                      const int* const offset[3], bool diff,
                                                      int count, int* error, int* table) {
    const __m256 sumR = _mm256_set1_ps(float(sums.channel[0]));
    const __m256 sumG = _mm256_set1_ps(float(sums.channel[1]));
    const __m256 sumB = _mm256_set1_ps(float(sums.channel[2]));
    const __m256 signMask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7fffffff));
    for (int i = 0; i < count; i += kEstimateLanes) {
        const __m256 vr = ExpandedAvx2(origin[0], offset[0] + i, diff);
        const __m256 vg = ExpandedAvx2(origin[1], offset[1] + i, diff);
        const __m256 vb = ExpandedAvx2(origin[2], offset[2] + i, diff);
        const __m256 brightness = _mm256_add_ps(_mm256_add_ps(vr, vg), vb);
        __m256 distance[kSubBlockPixels];
        for (int p = 0; p < kSubBlockPixels; ++p)
            distance[p] = _mm256_and_ps(
                _mm256_sub_ps(brightness, _mm256_set1_ps(float(sums.luma[p]))), signMask);
        __m256 best = _mm256_set1_ps(1e30f);
        __m256 bestTable = _mm256_setzero_ps();
        for (int t = 0; t < kTableCount; ++t) {
            const float small = float(kTables[t][0]), large = float(kTables[t][1]);
            const __m256 ks = _mm256_set1_ps(-2 * small), cs = _mm256_set1_ps(3 * small * small);
            const __m256 kl = _mm256_set1_ps(-2 * large), cl = _mm256_set1_ps(3 * large * large);
            __m256 total = _mm256_setzero_ps();
            for (int p = 0; p < kSubBlockPixels; ++p)
                total = _mm256_add_ps(total, _mm256_min_ps(_mm256_fmadd_ps(ks, distance[p], cs),
                                                           _mm256_fmadd_ps(kl, distance[p], cl)));
            // Strictly lower only, so the first of equal tables stays, as in the loop above.
            const __m256 lower = _mm256_cmp_ps(total, best, _CMP_LT_OQ);
            best = _mm256_blendv_ps(best, total, lower);
            bestTable = _mm256_blendv_ps(bestTable, _mm256_set1_ps(float(t)), lower);
        }
        const __m256 squares =
            _mm256_fmadd_ps(vr, vr, _mm256_fmadd_ps(vg, vg, _mm256_mul_ps(vb, vb)));
        const __m256 dot =
            _mm256_fmadd_ps(vr, sumR, _mm256_fmadd_ps(vg, sumG, _mm256_mul_ps(vb, sumB)));
        const __m256 position =
            _mm256_sub_ps(_mm256_mul_ps(_mm256_set1_ps(8), squares), _mm256_add_ps(dot, dot));
        _mm256_storeu_si256((__m256i*)(error + i),
                            _mm256_cvtps_epi32(_mm256_add_ps(best, position)));
        _mm256_storeu_si256((__m256i*)(table + i), _mm256_cvtps_epi32(bestTable));
    }
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has;
}

} // namespace

int StoredValue(int origin, int offset, bool diff) {
    const int v = origin + offset, top = diff ? 31 : 15;
    return v < 0 ? 0 : v > top ? top : v;
}

void EstimateBases(const SubBlockSums& sums, const int origin[3], const int* const offset[3],
                   bool diff, int count, int* error, int* table, bool vector) {
    if (vector && HasAvx2())
        EstimateAvx2(sums, origin, offset, diff, count, error, table);
    else
        EstimatePortable(sums, origin, offset, diff, count, error, table);
}

} // namespace Etc1
