#include "plugins/dxt/DxtOrderings.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <immintrin.h>

namespace Dxt {

namespace {

constexpr int kLanes = 8;
constexpr float kHuge = 1e30f;
constexpr float kDegenerate = 1e-4f;
// Steps of the 5:6:5 grid on the 0..255 scale.
constexpr float kSteps[3] = {31.0f, 63.0f, 31.0f};

struct Run {
    int cut1, cut2, cut3;
    float aa, bb, ab;
};

constexpr int kSide = kMaxSorted + 1;

OrderingTable BuildTable(const std::vector<Run>& runs, int count, float c1, float c2, float c3) {
    OrderingTable table;
    // At least one padding entry, which pads the lists of entries.
    table.size = int((runs.size() + kLanes) / kLanes * kLanes);
    table.count = count;
    table.padding = int(runs.size());
    table.lookup.assign(size_t(kSide) * kSide * kSide, short(table.padding));
    for (int e = 0; e < table.size; ++e)
        table.all.push_back(e);
    table.c1 = c1, table.c2 = c2, table.c3 = c3;
    const size_t size = size_t(table.size);
    for (auto* v : {&table.cut1, &table.cut2, &table.cut3})
        v->assign(size, 0);
    for (auto* v : {&table.aa, &table.bb, &table.ab, &table.fa, &table.fb, &table.fab})
        v->assign(size, 0.0f);
    table.penalty.assign(size, kHuge);
    for (size_t e = 0; e < runs.size(); ++e) {
        const Run& r = runs[e];
        table.cut1[e] = r.cut1, table.cut2[e] = r.cut2, table.cut3[e] = r.cut3;
        table.aa[e] = r.aa, table.bb[e] = r.bb, table.ab[e] = r.ab;
        table.lookup[size_t((r.cut1 * kSide + r.cut2) * kSide + r.cut3)] = short(e);
        const float det = r.aa * r.bb - r.ab * r.ab;
        // All pixels at one end: no line to fit (the single-colour path covers it).
        if (det < kDegenerate)
            continue;
        table.fa[e] = r.bb / det, table.fb[e] = r.aa / det, table.fab[e] = r.ab / det;
        table.penalty[e] = 0;
    }
    return table;
}

OrderingTable BuildFour(int count) {
    std::vector<Run> runs;
    for (int i = 0; i <= count; ++i)
        for (int j = i; j <= count; ++j)
            for (int k = j; k <= count; ++k) {
                const float n0 = float(i), n1 = float(j - i), n2 = float(k - j);
                const float n3 = float(count - k);
                runs.push_back(
                    {i, j, k, n0 + (4 * n1 + n2) / 9, n3 + (n1 + 4 * n2) / 9, 2 * (n1 + n2) / 9});
            }
    // Weights 1, 2/3, 1/3, 0: the a-weighted sum is (S[i] + S[j] + S[k]) / 3.
    return BuildTable(runs, count, 1 / 3.0f, 1 / 3.0f, 1 / 3.0f);
}

OrderingTable BuildThree(int count) {
    std::vector<Run> runs;
    for (int i = 0; i <= count; ++i)
        for (int j = i; j <= count; ++j) {
            const float n0 = float(i), n1 = float(j - i), n2 = float(count - j);
            runs.push_back({i, j, i, n0 + n1 / 4, n2 + n1 / 4, n1 / 4});
        }
    // Weights 1, 1/2, 0: the a-weighted sum is (S[i] + S[j]) / 2.
    return BuildTable(runs, count, 0.5f, 0.5f, 0.0f);
}

inline float Total(const SortedSums& s, int c) {
    return s.sums[c][s.count];
}

int BestOrderingScalar(const OrderingTable& t, const SortedSums& s, const std::vector<int>& list) {
    float best = kHuge;
    int bestEntry = -1;
    for (const int e : list) {
        float error = t.penalty[e];
        for (int c = 0; c < 3; ++c) {
            const float* sum = s.sums[c];
            const float ax = t.c1 * sum[t.cut1[e]] + t.c2 * sum[t.cut2[e]] + t.c3 * sum[t.cut3[e]];
            const float bx = Total(s, c) - ax;
            float a = ax * t.fa[e] - bx * t.fab[e];
            float b = bx * t.fb[e] - ax * t.fab[e];
            a = std::nearbyint(std::clamp(a, 0.0f, 255.0f) * (kSteps[c] / 255)) * (255 / kSteps[c]);
            b = std::nearbyint(std::clamp(b, 0.0f, 255.0f) * (kSteps[c] / 255)) * (255 / kSteps[c]);
            error += a * (a * t.aa[e] + 2 * b * t.ab[e] - 2 * ax) + b * (b * t.bb[e] - 2 * bx);
        }
        if (error < best)
            best = error, bestEntry = e;
    }
    return bestEntry;
}

__attribute__((target("avx2"))) int BestOrderingAvx2(const OrderingTable& t, const SortedSums& s,
                                                     const std::vector<int>& list) {
    const __m256 zero = _mm256_setzero_ps(), top = _mm256_set1_ps(255.0f);
    const __m256 two = _mm256_set1_ps(2.0f);
    const __m256 c1 = _mm256_set1_ps(t.c1), c2 = _mm256_set1_ps(t.c2), c3 = _mm256_set1_ps(t.c3);
    __m256 best = _mm256_set1_ps(kHuge);
    __m256i bestEntry = _mm256_set1_epi32(-1);
    for (size_t e = 0; e + kLanes <= list.size(); e += kLanes) {
        const __m256i entry = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&list[e]));
        // (Gathers written out: a lambda would not inherit this function's target.)
        const __m256i i1 = _mm256_i32gather_epi32(t.cut1.data(), entry, 4);
        const __m256i i2 = _mm256_i32gather_epi32(t.cut2.data(), entry, 4);
        const __m256i i3 = _mm256_i32gather_epi32(t.cut3.data(), entry, 4);
        const __m256 aa = _mm256_i32gather_ps(t.aa.data(), entry, 4);
        const __m256 bb = _mm256_i32gather_ps(t.bb.data(), entry, 4);
        const __m256 ab2 = _mm256_mul_ps(two, _mm256_i32gather_ps(t.ab.data(), entry, 4));
        const __m256 fa = _mm256_i32gather_ps(t.fa.data(), entry, 4);
        const __m256 fb = _mm256_i32gather_ps(t.fb.data(), entry, 4);
        const __m256 fab = _mm256_i32gather_ps(t.fab.data(), entry, 4);
        __m256 error = _mm256_i32gather_ps(t.penalty.data(), entry, 4);
        for (int c = 0; c < 3; ++c) {
            const float* sum = s.sums[c];
            const __m256 ax =
                _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(c1, _mm256_i32gather_ps(sum, i1, 4)),
                                            _mm256_mul_ps(c2, _mm256_i32gather_ps(sum, i2, 4))),
                              _mm256_mul_ps(c3, _mm256_i32gather_ps(sum, i3, 4)));
            const __m256 bx = _mm256_sub_ps(_mm256_set1_ps(Total(s, c)), ax);
            __m256 a = _mm256_sub_ps(_mm256_mul_ps(ax, fa), _mm256_mul_ps(bx, fab));
            __m256 b = _mm256_sub_ps(_mm256_mul_ps(bx, fb), _mm256_mul_ps(ax, fab));
            const __m256 scale = _mm256_set1_ps(kSteps[c] / 255);
            const __m256 unscale = _mm256_set1_ps(255 / kSteps[c]);
            a = _mm256_min_ps(_mm256_max_ps(a, zero), top);
            b = _mm256_min_ps(_mm256_max_ps(b, zero), top);
            a = _mm256_mul_ps(_mm256_round_ps(_mm256_mul_ps(a, scale),
                                              _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC),
                              unscale);
            b = _mm256_mul_ps(_mm256_round_ps(_mm256_mul_ps(b, scale),
                                              _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC),
                              unscale);
            // a (a aa + 2 b ab - 2 ax) + b (b bb - 2 bx)
            const __m256 left = _mm256_sub_ps(
                _mm256_add_ps(_mm256_mul_ps(a, aa), _mm256_mul_ps(b, ab2)), _mm256_mul_ps(two, ax));
            const __m256 right = _mm256_sub_ps(_mm256_mul_ps(b, bb), _mm256_mul_ps(two, bx));
            error = _mm256_add_ps(error,
                                  _mm256_add_ps(_mm256_mul_ps(a, left), _mm256_mul_ps(b, right)));
        }
        const __m256 better = _mm256_cmp_ps(error, best, _CMP_LT_OQ);
        best = _mm256_blendv_ps(best, error, better);
        bestEntry = _mm256_blendv_epi8(bestEntry, entry, _mm256_castps_si256(better));
    }
    alignas(32) float errors[kLanes];
    alignas(32) int entries[kLanes];
    _mm256_store_ps(errors, best);
    _mm256_store_si256(reinterpret_cast<__m256i*>(entries), bestEntry);
    // The lowest error, and among equal ones the first entry, as the scalar loop picks.
    int winner = -1;
    for (int lane = 0; lane < kLanes; ++lane)
        if (entries[lane] >= 0 &&
            (winner < 0 || errors[lane] < errors[winner] ||
             (errors[lane] == errors[winner] && entries[lane] < entries[winner])))
            winner = lane;
    return winner < 0 || errors[winner] >= kHuge ? -1 : entries[winner];
}

std::atomic<bool> g_bVectorUnits{true};

} // namespace

bool UseAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has && g_bVectorUnits;
}

void UseVectorUnits(bool on) {
    g_bVectorUnits = on;
}

const OrderingTable& FourColourOrderings() {
    static const OrderingTable table = BuildFour(kMaxSorted);
    return table;
}

const OrderingTable& ThreeColourOrderings(int count) {
    static const std::vector<OrderingTable> tables = [] {
        std::vector<OrderingTable> all;
        for (int n = 0; n <= kMaxSorted; ++n)
            all.push_back(BuildThree(n));
        return all;
    }();
    return tables[size_t(std::clamp(count, 0, kMaxSorted))];
}

int BestOrdering(const OrderingTable& table, const SortedSums& sorted,
                 const std::vector<int>& entries) {
    return UseAvx2() ? BestOrderingAvx2(table, sorted, entries)
                     : BestOrderingScalar(table, sorted, entries);
}

void NearbyOrderings(const OrderingTable& table, int i, int j, int k, int reach,
                     std::vector<int>& entries) {
    entries.clear();
    const int n = table.count;
    const bool three = table.c3 == 0;
    for (int a = std::max(i - reach, 0); a <= std::min(i + reach, n); ++a)
        for (int b = std::max({a, j - reach, 0}); b <= std::min(j + reach, n); ++b) {
            if (three) {
                entries.push_back(table.Entry(a, b, a));
                continue;
            }
            for (int c = std::max({b, k - reach, 0}); c <= std::min(k + reach, n); ++c)
                entries.push_back(table.Entry(a, b, c));
        }
    while (entries.size() % kLanes)
        entries.push_back(table.padding);
}

void SolveOrdering(const OrderingTable& t, int e, const SortedSums& s, float a[3], float b[3]) {
    for (int c = 0; c < 3; ++c) {
        const float* sum = s.sums[c];
        const float ax = t.c1 * sum[t.cut1[size_t(e)]] + t.c2 * sum[t.cut2[size_t(e)]] +
                         t.c3 * sum[t.cut3[size_t(e)]];
        const float bx = Total(s, c) - ax;
        a[c] = std::clamp(ax * t.fa[size_t(e)] - bx * t.fab[size_t(e)], 0.0f, 255.0f);
        b[c] = std::clamp(bx * t.fb[size_t(e)] - ax * t.fab[size_t(e)], 0.0f, 255.0f);
    }
}

} // namespace Dxt
