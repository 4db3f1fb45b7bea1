#include "plugins/dxt/DxtBlock.h"

#include <algorithm>
#include <climits>

namespace Dxt {

namespace {

constexpr int kAlphaCodes = 8;
constexpr int kAlphaIndexBits = 3;
constexpr int kEightValueSteps = 7;
constexpr int kSixValueSteps = 5;
constexpr int kOpaque = 255;

// Line position -> stored 2-bit code, per mode (see ColourMode).
constexpr uint8_t kFourCodes[4] = {0, 2, 3, 1};
constexpr uint8_t kThreeCodes[4] = {0, 2, 1, 3};

uint16_t Load16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}

} // namespace

int Expand5(int v) {
    return (v << 3) | (v >> 2);
}
int Expand6(int v) {
    return (v << 2) | (v >> 4);
}
uint16_t Pack565(int r5, int g6, int b5) {
    return uint16_t(r5 << 11 | g6 << 5 | b5);
}
Rgb Unpack565(uint16_t v) {
    return {Expand5((v >> 11) & 31), Expand6((v >> 5) & 63), Expand5(v & 31)};
}

void LinePalette(uint16_t a, uint16_t b, ColourMode mode, Rgb palette[4]) {
    const Rgb ca = Unpack565(a), cb = Unpack565(b);
    palette[0] = ca;
    if (mode == ColourMode::kFour) {
        palette[1] = {(2 * ca.r + cb.r) / 3, (2 * ca.g + cb.g) / 3, (2 * ca.b + cb.b) / 3};
        palette[2] = {(ca.r + 2 * cb.r) / 3, (ca.g + 2 * cb.g) / 3, (ca.b + 2 * cb.b) / 3};
        palette[3] = cb;
    } else {
        palette[1] = {(ca.r + cb.r) / 2, (ca.g + cb.g) / 2, (ca.b + cb.b) / 2};
        palette[2] = cb;
        palette[3] = {0, 0, 0};
    }
}

void PackColourBlock(uint16_t a, uint16_t b, ColourMode mode, const uint8_t positions[16],
                     uint8_t* block) {
    uint8_t codes[16];
    const bool four = mode == ColourMode::kFour;
    // Swapping the endpoints mirrors the line: position p becomes 3 - p in 4-colour
    // blocks, and the two ends trade places in 3-colour ones.
    const bool swap = four ? a < b : a > b;
    for (int p = 0; p < kBlockPixels; ++p) {
        int position = positions[p];
        if (swap)
            position = four ? 3 - position : position == 3 ? 3 : 2 - position;
        codes[p] = four ? kFourCodes[position] : kThreeCodes[position];
        // Equal endpoints would read as a 3-colour block; the first endpoint is the colour.
        if (four && a == b)
            codes[p] = 0;
    }
    if (swap)
        std::swap(a, b);
    block[0] = uint8_t(a), block[1] = uint8_t(a >> 8);
    block[2] = uint8_t(b), block[3] = uint8_t(b >> 8);
    for (int row = 0; row < 4; ++row)
        block[4 + row] = uint8_t(codes[row * 4] | codes[row * 4 + 1] << 2 |
                                 codes[row * 4 + 2] << 4 | codes[row * 4 + 3] << 6);
}

void DecodeColourBlock(const uint8_t* block, uint8_t* rgba, bool dxt1) {
    const uint16_t a = Load16(block), b = Load16(block + 2);
    const bool three = dxt1 && a <= b;
    Rgb line[4];
    LinePalette(a, b, three ? ColourMode::kThree : ColourMode::kFour, line);
    // Stored code -> line position.
    static constexpr int kFourPosition[4] = {0, 3, 1, 2};
    static constexpr int kThreePosition[4] = {0, 2, 1, 3};
    for (int p = 0; p < kBlockPixels; ++p) {
        const int code = (block[4 + p / 4] >> (2 * (p % 4))) & 3;
        const int position = three ? kThreePosition[code] : kFourPosition[code];
        const Rgb& c = line[position];
        uint8_t* out = rgba + 4 * p;
        out[0] = uint8_t(c.r), out[1] = uint8_t(c.g), out[2] = uint8_t(c.b);
        out[3] = three && position == 3 ? 0 : kOpaque;
    }
}

void AlphaPalette(int first, int second, int palette[8]) {
    palette[0] = first;
    palette[1] = second;
    if (first > second) {
        for (int i = 1; i < kEightValueSteps; ++i)
            palette[1 + i] = ((kEightValueSteps - i) * first + i * second) / kEightValueSteps;
    } else {
        for (int i = 1; i < kSixValueSteps; ++i)
            palette[1 + i] = ((kSixValueSteps - i) * first + i * second) / kSixValueSteps;
        palette[6] = 0;
        palette[7] = kOpaque;
    }
}

void DecodeAlphaBlock5(const uint8_t* block, uint8_t* rgba) {
    int palette[kAlphaCodes];
    AlphaPalette(block[0], block[1], palette);
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i)
        bits |= uint64_t(block[2 + i]) << (8 * i);
    for (int p = 0; p < kBlockPixels; ++p)
        rgba[4 * p + 3] = uint8_t(palette[(bits >> (kAlphaIndexBits * p)) & 7]);
}

void DecodeAlphaBlock3(const uint8_t* block, uint8_t* rgba) {
    for (int p = 0; p < kBlockPixels; ++p) {
        const int v = (block[p / 2] >> (4 * (p % 2))) & 15;
        rgba[4 * p + 3] = uint8_t(v | v << 4);
    }
}

namespace {

struct AlphaFit {
    int error = INT_MAX;
    int first = 0, second = 0;
    uint8_t codes[16] = {};
};

AlphaFit FitAlpha(const int values[16], int first, int second) {
    int palette[kAlphaCodes];
    AlphaPalette(first, second, palette);
    AlphaFit fit;
    fit.first = first, fit.second = second, fit.error = 0;
    for (int p = 0; p < kBlockPixels; ++p) {
        int best = INT_MAX, code = 0;
        for (int c = 0; c < kAlphaCodes; ++c) {
            const int d = (palette[c] - values[p]) * (palette[c] - values[p]);
            if (d < best)
                best = d, code = c;
        }
        fit.error += best;
        fit.codes[p] = uint8_t(code);
    }
    return fit;
}

// The best pair around (low, high) within `reach` steps, keeping the mode: eight values
// need high > low (stored high first), six values low <= high (stored low first).
AlphaFit SearchAlpha(const int values[16], int low, int high, bool eight, int reach) {
    AlphaFit best;
    for (int dl = -reach; dl <= reach; ++dl)
        for (int dh = -reach; dh <= reach; ++dh) {
            const int lo = std::clamp(low + dl, 0, kOpaque);
            const int hi = std::clamp(high + dh, 0, kOpaque);
            if (eight ? hi <= lo : hi < lo)
                continue;
            const AlphaFit fit = eight ? FitAlpha(values, hi, lo) : FitAlpha(values, lo, hi);
            if (fit.error < best.error)
                best = fit;
        }
    return best;
}

} // namespace

void EncodeAlphaBlock5(const uint8_t* rgba, uint8_t* block, int effort) {
    int values[kBlockPixels];
    int low = kOpaque, high = 0, innerLow = kOpaque, innerHigh = 0;
    for (int p = 0; p < kBlockPixels; ++p) {
        const int v = rgba[4 * p + 3];
        values[p] = v;
        low = std::min(low, v), high = std::max(high, v);
        // The six-value mode has 0 and 255 for free: its range spans the others.
        if (v != 0 && v != kOpaque)
            innerLow = std::min(innerLow, v), innerHigh = std::max(innerHigh, v);
    }
    const int reach = effort <= 0 ? 0 : effort == 1 ? 2 : 5;
    AlphaFit best;
    if (low == high) {
        best = FitAlpha(values, low, low);
    } else {
        best = SearchAlpha(values, low, high, true, reach);
        if (innerLow > innerHigh)
            innerLow = innerHigh = 0; // only 0 and 255: any six-value pair serves
        const AlphaFit six = SearchAlpha(values, innerLow, innerHigh, false, reach);
        if (six.error < best.error)
            best = six;
    }
    block[0] = uint8_t(best.first);
    block[1] = uint8_t(best.second);
    uint64_t bits = 0;
    for (int p = 0; p < kBlockPixels; ++p)
        bits |= uint64_t(best.codes[p]) << (kAlphaIndexBits * p);
    for (int i = 0; i < 6; ++i)
        block[2 + i] = uint8_t(bits >> (8 * i));
}

} // namespace Dxt
