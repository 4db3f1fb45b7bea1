#include "plugins/pvrtc/PvrtcDecoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace Pvrtc {

namespace {

uint32_t Load32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace

// Colour A: the low half of the colour word (bit 0 is the modulation mode flag).
Color ColorA(uint32_t c) {
    if (c & 0x8000)
        return {int((c & 0x7C00) >> 10), int((c & 0x3E0) >> 5), int((c & 0x1E) | ((c & 0x1E) >> 4)),
                0xF};
    return {int(((c & 0xF00) >> 7) | ((c & 0xF00) >> 11)),
            int(((c & 0xF0) >> 3) | ((c & 0xF0) >> 7)), int(((c & 0xE) << 1) | ((c & 0xE) >> 2)),
            int((c & 0x7000) >> 11)};
}

// Colour B: the high half.
Color ColorB(uint32_t word) {
    const uint32_t c = word >> 16;
    if (c & 0x8000)
        return {int((c & 0x7C00) >> 10), int((c & 0x3E0) >> 5), int(c & 0x1F), 0xF};
    return {int(((c & 0xF00) >> 7) | ((c & 0xF00) >> 11)),
            int(((c & 0xF0) >> 3) | ((c & 0xF0) >> 7)), int(((c & 0xF) << 1) | ((c & 0xF) >> 3)),
            int((c & 0x7000) >> 11)};
}

void Upscale(const Color* low, uint32_t blocksX, uint32_t blocksY, int bpp, uint8_t* rgba) {
    UpscaleRows(low, blocksX, blocksY, bpp, 0, blocksY * 4, rgba);
}

void UpscaleRows(const Color* low, uint32_t blocksX, uint32_t blocksY, int bpp, uint32_t firstRow,
                 uint32_t endRow, uint8_t* rgba) {
    const int blockWidth = bpp == 2 ? 8 : 4;
    const uint32_t width = blocksX * blockWidth;
    const int shift = bpp == 2 ? 1 : 0; // one more fraction bit for the 8-wide blocks
    const int half = blockWidth / 2;
    // Each column's two samples and its offset from the first, found once for all rows.
    std::vector<uint32_t> column0(width), column1(width);
    std::vector<int> offset(width);
    for (uint32_t x = 0; x < width; ++x) {
        const int lx = (int(x) - half) >= 0 ? (int(x) - half) / blockWidth : -1;
        offset[x] = int(x) - half - blockWidth * lx;
        column0[x] = uint32_t(lx + int(blocksX)) % blocksX;
        column1[x] = (column0[x] + 1) % blocksX;
    }
    // The bilinear sum p*w00 + q*w10 + r*w01 + s*w11 taken in two steps, exactly: first
    // down each sample column (p*(4-yr) + r*yr), then across ((bw-xr)*left + xr*right).
    std::vector<std::array<int, 4>> column(blocksX);
    for (uint32_t y = firstRow; y < endRow; ++y) {
        const int ly = (int(y) - 2) >> 2; // floor((y - 2) / 4)
        const int yr = int(y) - 2 - 4 * ly;
        const uint32_t y0 = uint32_t(ly + int(blocksY)) % blocksY, y1 = (y0 + 1) % blocksY;
        for (uint32_t bx = 0; bx < blocksX; ++bx) {
            const Color& p = low[y0 * blocksX + bx];
            const Color& r = low[y1 * blocksX + bx];
            column[bx] = {p.r * (4 - yr) + r.r * yr, p.g * (4 - yr) + r.g * yr,
                          p.b * (4 - yr) + r.b * yr, p.a * (4 - yr) + r.a * yr};
        }
        uint8_t* out = rgba + size_t(y - firstRow) * width * 4;
        for (uint32_t x = 0; x < width; ++x, out += 4) {
            const int xr = offset[x];
            const std::array<int, 4>& left = column[column0[x]];
            const std::array<int, 4>& right = column[column1[x]];
            for (int c = 0; c < 3; ++c) {
                const int v = left[c] * (blockWidth - xr) + right[c] * xr;
                out[c] = static_cast<uint8_t>((v >> (1 + shift)) + (v >> (6 + shift)));
            }
            const int a = left[3] * (blockWidth - xr) + right[3] * xr;
            out[3] = static_cast<uint8_t>((a >> shift) + (a >> (4 + shift)));
        }
    }
}

namespace {

// The weight (0..8) of every pixel, with 10 added for punch-through alpha, from the
// modulation words.
class Modulation {
public:
    Modulation(const uint8_t* words, uint32_t blocksX, uint32_t blocksY, int bpp)
        : m_nWidth(blocksX * (bpp == 2 ? 8 : 4)), m_nHeight(blocksY * 4),
          m_Value(size_t(m_nWidth) * m_nHeight), m_Mode(size_t(m_nWidth) * m_nHeight), m_nBpp(bpp) {
        const uint32_t blockWidth = bpp == 2 ? 8 : 4;
        for (uint32_t by = 0; by < blocksY; ++by)
            for (uint32_t bx = 0; bx < blocksX; ++bx) {
                const uint8_t* word = words + 8 * size_t(TwiddledIndex(bx, by, blocksX, blocksY));
                Unpack(Load32(word), Load32(word + 4), bx * blockWidth, by * 4);
            }
    }

    // The weight of pixel (x, y), coordinates wrapping at the edges.
    int Weight(int x, int y) const {
        static const int kRep[4] = {0, 3, 5, 8};
        x = Wrap(x, m_nWidth);
        y = Wrap(y, m_nHeight);
        const size_t at = size_t(y) * m_nWidth + x;
        if (m_nBpp == 4)
            return m_Value[at];
        const int mode = m_Mode[at];
        if (mode == 0 || ((x ^ y) & 1) == 0)
            return kRep[m_Value[at]];
        const auto value = [&](int dx, int dy) {
            return kRep[m_Value[size_t(Wrap(y + dy, m_nHeight)) * m_nWidth +
                                Wrap(x + dx, m_nWidth)]];
        };
        if (mode == 1)
            return (value(0, -1) + value(0, 1) + value(-1, 0) + value(1, 0) + 2) / 4;
        if (mode == 2)
            return (value(-1, 0) + value(1, 0) + 1) / 2;
        return (value(0, -1) + value(0, 1) + 1) / 2;
    }

private:
    static int Wrap(int v, int size) { return ((v % size) + size) % size; }

    void Unpack(uint32_t bits, uint32_t colors, uint32_t ox, uint32_t oy) {
        const bool modeFlag = colors & 1;
        if (m_nBpp == 2) {
            if (!modeFlag) {
                for (uint32_t y = 0; y < 4; ++y)
                    for (uint32_t x = 0; x < 8; ++x, bits >>= 1)
                        Set(ox + x, oy + y, (bits & 1) ? 3 : 0, 0);
                return;
            }
            int mode = 1; // both neighbours' averages
            if (bits & 1) {
                // The centre texel's low bit says whether the averages run vertically.
                mode = (bits & (1u << 20)) ? 3 : 2;
                if (bits & (1u << 21))
                    bits |= 1u << 20;
                else
                    bits &= ~(1u << 20);
            }
            if (bits & 2)
                bits |= 1;
            else
                bits &= ~1u;
            for (uint32_t y = 0; y < 4; ++y)
                for (uint32_t x = 0; x < 8; ++x) {
                    int value = 0;
                    if (((x ^ y) & 1) == 0) {
                        value = int(bits & 3);
                        bits >>= 2;
                    }
                    Set(ox + x, oy + y, value, mode);
                }
            return;
        }
        for (uint32_t y = 0; y < 4; ++y)
            for (uint32_t x = 0; x < 4; ++x, bits >>= 2) {
                const int v = int(bits & 3);
                int weight;
                if (modeFlag)
                    weight = v == 0 ? 0 : v == 1 ? 4 : v == 2 ? 14 : 8; // 14: 4 with punch-through
                else
                    weight = v * 3 > 3 ? v * 3 - 1 : v * 3;
                Set(ox + x, oy + y, weight, 0);
            }
    }

    void Set(uint32_t x, uint32_t y, int value, int mode) {
        m_Value[size_t(y) * m_nWidth + x] = static_cast<uint8_t>(value);
        m_Mode[size_t(y) * m_nWidth + x] = static_cast<uint8_t>(mode);
    }

    int m_nWidth, m_nHeight;
    std::vector<uint8_t> m_Value, m_Mode;
    int m_nBpp;
};

void DecodeFull(const uint8_t* words, uint8_t* rgba, uint32_t width, uint32_t height, int bpp) {
    const int blockWidth = bpp == 2 ? 8 : 4;
    const uint32_t blocksX = width / blockWidth, blocksY = height / 4;
    std::vector<Color> a(size_t(blocksX) * blocksY), b(a.size());
    for (uint32_t by = 0; by < blocksY; ++by)
        for (uint32_t bx = 0; bx < blocksX; ++bx) {
            const uint32_t colors =
                Load32(words + 8 * size_t(TwiddledIndex(bx, by, blocksX, blocksY)) + 4);
            a[size_t(by) * blocksX + bx] = ColorA(colors);
            b[size_t(by) * blocksX + bx] = ColorB(colors);
        }
    std::vector<uint8_t> imageA(size_t(width) * height * 4), imageB(imageA.size());
    Upscale(a.data(), blocksX, blocksY, bpp, imageA.data());
    Upscale(b.data(), blocksX, blocksY, bpp, imageB.data());
    const Modulation modulation(words, blocksX, blocksY, bpp);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            int weight = modulation.Weight(int(x), int(y));
            const bool punch = weight > 10;
            if (punch)
                weight -= 10;
            const size_t at = (size_t(y) * width + x) * 4;
            for (int ch = 0; ch < 4; ++ch)
                rgba[at + ch] = static_cast<uint8_t>(
                    (imageA[at + ch] * (8 - weight) + imageB[at + ch] * weight) / 8);
            if (punch)
                rgba[at + 3] = 0;
        }
}

} // namespace

uint32_t TwiddledIndex(uint32_t x, uint32_t y, uint32_t blocksX, uint32_t blocksY) {
    const uint32_t minimum = std::min(blocksX, blocksY);
    uint32_t offset = 0, shift = 0;
    for (uint32_t mask = 1; mask < minimum; mask <<= 1, ++shift)
        offset |= ((y & mask) | ((x & mask) << 1)) << shift;
    offset |= ((x | y) >> shift) << (shift * 2);
    return offset;
}

uint32_t LevelSize(uint32_t width, uint32_t height, int bpp) {
    const uint64_t bits = uint64_t(width) * height * uint32_t(bpp);
    return static_cast<uint32_t>(std::max<uint64_t>(bits / 8, 32));
}

uint32_t Decode(const uint8_t* words, uint8_t* rgba, uint32_t width, uint32_t height, int bpp) {
    const uint32_t trueWidth = std::max(width, bpp == 2 ? 16u : 8u);
    const uint32_t trueHeight = std::max(height, 8u);
    if (trueWidth == width && trueHeight == height) {
        DecodeFull(words, rgba, width, height, bpp);
    } else {
        std::vector<uint8_t> full(size_t(trueWidth) * trueHeight * 4);
        DecodeFull(words, full.data(), trueWidth, trueHeight, bpp);
        for (uint32_t y = 0; y < height; ++y)
            std::memcpy(rgba + size_t(y) * width * 4, full.data() + size_t(y) * trueWidth * 4,
                        size_t(width) * 4);
    }
    return width * height * 4;
}

} // namespace Pvrtc
