#include "plugins/pvrtc/PvrtcEncoder.h"

#include "plugins/common/Parallel.h"
#include "plugins/common/Workspace.h"
#include "plugins/pvrtc/PvrtcDecoder.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace Pvrtc {

namespace {

// Weight of a fully covering pixel's colour error, and what a transparent one keeps.
constexpr int kFullCoverage = 256;
constexpr float kCoverageFloor = 1.0f;

struct Ideal {
    float c[4]; // R, G, B, A on the 0..255 scale
};

// What the decoder makes of a channel value at a sample's centre, for each stored width.
int Decoded5(int v) {
    return 8 * v + (v >> 2);
}

// The stored value whose decoded value is nearest to x, for a channel kept with `bits`
// bits and replicated to five.
int Nearest(float x, int bits) {
    int best = 0;
    float bestError = 1e9f;
    for (int v = 0; v < (1 << bits); ++v) {
        const int v5 = bits == 5 ? v : bits == 4 ? (v << 1) | (v >> 3) : (v << 2) | (v >> 1);
        const float error = std::fabs(float(Decoded5(v5)) - x);
        if (error < bestError)
            bestError = error, best = v;
    }
    return best;
}

struct Quantiser {
    // Lookup tables from 0..255 to stored values, for 5-, 4- and 3-bit channels.
    uint8_t nearest[6][256];
    Quantiser() {
        for (int bits : {3, 4, 5})
            for (int x = 0; x < 256; ++x)
                nearest[bits][x] = static_cast<uint8_t>(Nearest(float(x), bits));
    }
    int Channel(float x, int bits) const {
        return nearest[bits][std::clamp(int(std::lround(x)), 0, 255)];
    }
    // Colour A (bits 1-15 of the colour word) or colour B (bits 16-31), and the colour as
    // the decoder reads it back.
    uint32_t Pack(const Ideal& c, bool isB, bool opaque, Color& decoded) const {
        uint32_t packed;
        if (opaque) {
            const int r = Channel(c.c[0], 5), g = Channel(c.c[1], 5);
            const int b = Channel(c.c[2], isB ? 5 : 4);
            packed =
                isB ? (0x8000u | r << 10 | g << 5 | b) << 16 : 0x8000u | r << 10 | g << 5 | b << 1;
        } else {
            const int a = std::clamp(int(std::lround(c.c[3] / 34.0f)), 0, 7);
            const int r = Channel(c.c[0], 4), g = Channel(c.c[1], 4);
            const int b = Channel(c.c[2], isB ? 4 : 3);
            packed = isB ? uint32_t(a << 12 | r << 8 | g << 4 | b) << 16
                         : uint32_t(a << 12 | r << 8 | g << 4 | b << 1);
        }
        decoded = isB ? ColorB(packed) : ColorA(packed);
        return packed;
    }
};

const Quantiser& Quant() {
    static const Quantiser q;
    return q;
}

void Store32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// The stored index of each pixel's weight against the two decoded images: 0..3 for
// {0, 3, 5, 8} at 4 bpp, 0..1 for {0, 8} at 2 bpp. A pixel's colour counts as much as it
// covers; its alpha always counts. (Every blend is non-negative: the shift divides by 8.)
template <int kCount>
void ChooseWeights(const uint8_t* source, const uint8_t* upA, const uint8_t* upB, size_t pixels,
                   uint8_t* chosen) {
    static constexpr int kWeights[2][4] = {{0, 8, 0, 0}, {0, 3, 5, 8}};
    const int* weights = kWeights[kCount == 4];
    for (size_t p = 0; p < pixels; ++p) {
        const uint8_t* s = source + p * 4;
        const uint8_t* ua = upA + p * 4;
        const uint8_t* ub = upB + p * 4;
        const int coverage = s[3] + 1;
        int best = 0, bestError = INT_MAX;
        for (int i = 0; i < kCount; ++i) {
            const int w = weights[i];
            const auto d = [&](int c) { return ((ua[c] * (8 - w) + ub[c] * w) >> 3) - s[c]; };
            const int dr = d(0), dg = d(1), db = d(2), da = d(3);
            const int error = (dr * dr + dg * dg + db * db) * coverage + da * da * kFullCoverage;
            if (error < bestError)
                bestError = error, best = i;
        }
        chosen[p] = static_cast<uint8_t>(best);
    }
}

class Encoder {
public:
    Encoder(const uint8_t* rgba, uint32_t width, uint32_t height, int bpp, bool alpha)
        : m_Source(rgba), m_nWidth(width), m_nHeight(height), m_nBpp(bpp),
          m_nBlockWidth(bpp == 2 ? 8 : 4), m_nBlocksX(width / m_nBlockWidth),
          m_nBlocksY(height / 4), m_nThreads(ThreadsForPixels(uint64_t(width) * height)),
          m_A(size_t(m_nBlocksX) * m_nBlocksY), m_B(m_A.size()), m_Opaque(m_A.size(), true),
          m_Weight(size_t(width) * height, 0) {
        // A little weight even where nothing shows keeps those colours tame.
        for (int a = 0; a < 256; ++a)
            m_Coverage[a] = (float(a) + kCoverageFloor) / (255.0f + kCoverageFloor);
        // The bounding box of each block; a block with any alpha below 255 keeps alpha.
        // (Rows of vector<bool> share words: each row's flags are set after the others.)
        std::vector<uint8_t> opaque(m_A.size());
        ParallelRows(m_nBlocksY, m_nThreads, [&](uint32_t by) {
            for (uint32_t bx = 0; bx < m_nBlocksX; ++bx) {
                Ideal lo{{255, 255, 255, 255}}, hi{{0, 0, 0, 0}};
                for (uint32_t y = by * 4; y < by * 4 + 4; ++y)
                    for (uint32_t x = bx * m_nBlockWidth; x < (bx + 1) * m_nBlockWidth; ++x) {
                        const uint8_t* p = Pixel(x, y);
                        for (int c = 0; c < 4; ++c) {
                            lo.c[c] = std::min(lo.c[c], float(p[c]));
                            hi.c[c] = std::max(hi.c[c], float(p[c]));
                        }
                    }
                const size_t n = size_t(by) * m_nBlocksX + bx;
                m_A[n] = lo;
                m_B[n] = hi;
                opaque[n] = !alpha || lo.c[3] >= 255;
            }
        });
        m_Opaque.assign(opaque.begin(), opaque.end());
    }

    void Run(int refinements) {
        ChooseModulation();
        for (int i = 0; i < refinements; ++i) {
            FitColours();
            ChooseModulation();
        }
    }

    void Write(uint8_t* words) const {
        ParallelRows(m_nBlocksY, m_nThreads, [&](uint32_t by) {
            for (uint32_t bx = 0; bx < m_nBlocksX; ++bx) {
                const size_t n = size_t(by) * m_nBlocksX + bx;
                Color unused;
                const uint32_t colours = Quant().Pack(m_A[n], false, m_Opaque[n], unused) |
                                         Quant().Pack(m_B[n], true, m_Opaque[n], unused);
                uint32_t modulation = 0;
                for (uint32_t y = 0; y < 4; ++y)
                    for (uint32_t x = 0; x < uint32_t(m_nBlockWidth); ++x) {
                        const int index =
                            m_Weight[size_t(by * 4 + y) * m_nWidth + bx * m_nBlockWidth + x];
                        if (m_nBpp == 2)
                            modulation |= uint32_t(index != 0) << (y * 8 + x);
                        else
                            modulation |= uint32_t(index) << (2 * (y * 4 + x));
                    }
                uint8_t* word = words + 8 * size_t(TwiddledIndex(bx, by, m_nBlocksX, m_nBlocksY));
                Store32(word, modulation);
                Store32(word + 4, colours);
            }
        });
    }

private:
    const uint8_t* Pixel(uint32_t x, uint32_t y) const {
        return m_Source + (size_t(y) * m_nWidth + x) * 4;
    }

    // Every pixel's weight, chosen against the exactly decoded low-resolution images.
    void ChooseModulation() {
        std::vector<Color> a(m_A.size()), b(m_B.size());
        for (size_t n = 0; n < m_A.size(); ++n) {
            Quant().Pack(m_A[n], false, m_Opaque[n], a[n]);
            Quant().Pack(m_B[n], true, m_Opaque[n], b[n]);
        }
        // The two decoded images are made a band of rows at a time, just before they are
        // needed, so they never take more than a few kilobytes per thread.
        constexpr uint32_t kBandRows = 8;
        const auto choose = [&](uint32_t band) {
            const uint32_t first = band * kBandRows;
            const uint32_t end = std::min(first + kBandRows, m_nHeight);
            std::vector<uint8_t> upA(size_t(m_nWidth) * (end - first) * 4), upB(upA.size());
            UpscaleRows(a.data(), m_nBlocksX, m_nBlocksY, m_nBpp, first, end, upA.data());
            UpscaleRows(b.data(), m_nBlocksX, m_nBlocksY, m_nBpp, first, end, upB.data());
            const size_t from = size_t(first) * m_nWidth, pixels = size_t(end - first) * m_nWidth;
            if (m_nBpp == 2)
                ChooseWeights<2>(m_Source + from * 4, upA.data(), upB.data(), pixels,
                                 m_Weight.data() + from);
            else
                ChooseWeights<4>(m_Source + from * 4, upA.data(), upB.data(), pixels,
                                 m_Weight.data() + from);
        };
        ParallelRows((m_nHeight + kBandRows - 1) / kBandRows, m_nThreads, choose);
    }

    // One Gauss-Seidel sweep of least squares over the two low-resolution images, the
    // modulation held fixed: each block's colours move to best explain the pixels they
    // reach, given everything else.
    void FitColours() {
        static const float kT4[4] = {0, 3 / 8.f, 5 / 8.f, 1};
        static const float kT2[2] = {0, 1};
        const float* ts = m_nBpp == 2 ? kT2 : kT4;
        const int bw = m_nBlockWidth;
        const float norm = 1.0f / float(bw * 4);
        const size_t pixels = m_Weight.size();
        // Residuals of the current (unquantised) fit, kept between passes and left
        // uninitialised: the two threads below write every element.
        if (!m_Residual && !(m_Residual = MakeWorkspace<float>(pixels * 4)))
            throw std::bad_alloc();
        float* const residual = m_Residual.get();
        const auto t = [&](size_t p) { return ts[m_Weight[p]]; };
        const auto coverage = [&](size_t p) { return m_Coverage[m_Source[p * 4 + 3]]; };
        const auto residualRows = [&](uint32_t from, uint32_t to) {
            for (uint32_t y = from; y < to; ++y)
                for (uint32_t x = 0; x < m_nWidth; ++x) {
                    const size_t p = size_t(y) * m_nWidth + x;
                    float ua[4], ub[4];
                    UpscaleIdeal(x, y, ua, ub);
                    for (int c = 0; c < 4; ++c)
                        residual[p * 4 + c] =
                            float(m_Source[p * 4 + c]) - ((1 - t(p)) * ua[c] + t(p) * ub[c]);
                }
        };
        ParallelRows(m_nHeight, m_nThreads, [&](uint32_t y) { residualRows(y, y + 1); });
        // Block rows two apart touch no common pixel: the even rows are fitted together,
        // then the odd ones, each set shared between the threads.
        // The bilinear weight of a colour at each offset from its sample point.
        constexpr int kMaxReachX = 7, kReachY = 3;
        float kernel[2 * kReachY + 1][2 * kMaxReachX + 1];
        for (int dy = -kReachY; dy <= kReachY; ++dy)
            for (int dx = -(bw - 1); dx <= bw - 1; ++dx)
                kernel[dy + kReachY][dx + bw - 1] =
                    float((bw - std::abs(dx)) * (4 - std::abs(dy))) * norm;
        const auto fitRow = [&](uint32_t by) {
            for (uint32_t bx = 0; bx < m_nBlocksX; ++bx) {
                const int cx = int(bx) * bw + bw / 2, cy = int(by) * 4 + 2;
                // The wrapped rows and columns a sample reaches, found once per block.
                size_t rows[2 * kReachY + 1], cols[2 * kMaxReachX + 1];
                for (int dy = -kReachY; dy <= kReachY; ++dy)
                    rows[dy + kReachY] = Wrapped(0, cy + dy);
                for (int dx = -(bw - 1); dx <= bw - 1; ++dx)
                    cols[dx + bw - 1] = Wrapped(cx + dx, 0);
                // Two sets of normal equations: colour weighted by each pixel's coverage
                // (a colour nobody sees need not be fitted), alpha unweighted.
                double saa[2] = {}, sab[2] = {}, sbb[2] = {}, ra[4] = {}, rb[4] = {};
                for (int dy = -3; dy <= 3; ++dy)
                    for (int dx = -(bw - 1); dx <= bw - 1; ++dx) {
                        const size_t p = rows[dy + kReachY] + cols[dx + bw - 1];
                        const float c = kernel[dy + kReachY][dx + bw - 1];
                        const float tp = t(p);
                        const float wa = c * (1 - tp), wb = c * tp;
                        const float cover = coverage(p);
                        saa[0] += cover * wa * wa, sab[0] += cover * wa * wb;
                        sbb[0] += cover * wb * wb;
                        saa[1] += wa * wa, sab[1] += wa * wb, sbb[1] += wb * wb;
                        for (int ch = 0; ch < 4; ++ch) {
                            const float w = ch == 3 ? 1.0f : cover;
                            ra[ch] += w * wa * residual[p * 4 + ch];
                            rb[ch] += w * wb * residual[p * 4 + ch];
                        }
                    }
                const size_t n = size_t(by) * m_nBlocksX + bx;
                float dA[4], dB[4];
                for (int ch = 0; ch < 4; ++ch) {
                    const int set = ch == 3 ? 1 : 0;
                    const double ridge = 1e-3 * (saa[set] + sbb[set]) + 1e-6;
                    const double a11 = saa[set] + ridge, a22 = sbb[set] + ridge;
                    const double det = a11 * a22 - sab[set] * sab[set];
                    dA[ch] = float((a22 * ra[ch] - sab[set] * rb[ch]) / det);
                    dB[ch] = float((a11 * rb[ch] - sab[set] * ra[ch]) / det);
                    const float oldA = m_A[n].c[ch], oldB = m_B[n].c[ch];
                    m_A[n].c[ch] = std::clamp(oldA + dA[ch], 0.f, 255.f);
                    m_B[n].c[ch] = std::clamp(oldB + dB[ch], 0.f, 255.f);
                    dA[ch] = m_A[n].c[ch] - oldA;
                    dB[ch] = m_B[n].c[ch] - oldB;
                }
                for (int dy = -3; dy <= 3; ++dy)
                    for (int dx = -(bw - 1); dx <= bw - 1; ++dx) {
                        const size_t p = rows[dy + kReachY] + cols[dx + bw - 1];
                        const float c = kernel[dy + kReachY][dx + bw - 1];
                        const float tp = t(p);
                        for (int ch = 0; ch < 4; ++ch)
                            residual[p * 4 + ch] -= c * ((1 - tp) * dA[ch] + tp * dB[ch]);
                    }
            }
        };
        for (uint32_t parity = 0; parity < 2; ++parity) {
            std::vector<uint32_t> rows;
            for (uint32_t by = parity; by < m_nBlocksY; by += 2)
                rows.push_back(by);
            // With fewer than four rows, neighbours wrap onto each other: keep it serial.
            ParallelRows(uint32_t(rows.size()), m_nBlocksY < 4 ? 1 : m_nThreads,
                         [&](uint32_t i) { fitRow(rows[i]); });
        }
    }

    size_t Wrapped(int x, int y) const {
        const int w = int(m_nWidth), h = int(m_nHeight);
        x = ((x % w) + w) % w;
        y = ((y % h) + h) % h;
        return size_t(y) * m_nWidth + x;
    }

    // Both low-resolution images at a pixel, bilinear with wrap-around, unquantised.
    void UpscaleIdeal(uint32_t x, uint32_t y, float* ua, float* ub) const {
        const int bw = m_nBlockWidth, half = bw / 2;
        const int lx = int(x) >= half ? (int(x) - half) / bw : -1;
        const int ly = int(y) >= 2 ? (int(y) - 2) / 4 : -1;
        const int xr = int(x) - half - bw * lx, yr = int(y) - 2 - 4 * ly;
        const uint32_t x0 = uint32_t(lx + int(m_nBlocksX)) % m_nBlocksX, x1 = (x0 + 1) % m_nBlocksX;
        const uint32_t y0 = uint32_t(ly + int(m_nBlocksY)) % m_nBlocksY, y1 = (y0 + 1) % m_nBlocksY;
        const float norm = 1.0f / float(bw * 4);
        const float w00 = float((bw - xr) * (4 - yr)) * norm, w10 = float(xr * (4 - yr)) * norm;
        const float w01 = float((bw - xr) * yr) * norm, w11 = float(xr * yr) * norm;
        const size_t i00 = y0 * m_nBlocksX + x0, i10 = y0 * m_nBlocksX + x1;
        const size_t i01 = y1 * m_nBlocksX + x0, i11 = y1 * m_nBlocksX + x1;
        for (int c = 0; c < 4; ++c) {
            ua[c] = m_A[i00].c[c] * w00 + m_A[i10].c[c] * w10 + m_A[i01].c[c] * w01 +
                    m_A[i11].c[c] * w11;
            ub[c] = m_B[i00].c[c] * w00 + m_B[i10].c[c] * w10 + m_B[i01].c[c] * w01 +
                    m_B[i11].c[c] * w11;
        }
    }

    const uint8_t* m_Source;
    uint32_t m_nWidth, m_nHeight;
    int m_nBpp, m_nBlockWidth;
    uint32_t m_nBlocksX, m_nBlocksY;
    int m_nThreads;
    std::vector<Ideal> m_A, m_B;
    std::vector<bool> m_Opaque;
    std::vector<uint8_t> m_Weight;
    float m_Coverage[256]; // colour weight by alpha
    Workspace<float> m_Residual;
};

} // namespace

uint32_t Encode(const uint8_t* rgba, uint32_t width, uint32_t height, int bpp, bool alpha,
                int refinements, uint8_t* words) {
    const uint32_t trueWidth = std::max(width, bpp == 2 ? 16u : 8u);
    const uint32_t trueHeight = std::max(height, 8u);
    std::vector<uint8_t> tiled;
    if (trueWidth != width || trueHeight != height) {
        tiled.resize(size_t(trueWidth) * trueHeight * 4);
        for (uint32_t y = 0; y < trueHeight; ++y)
            for (uint32_t x = 0; x < trueWidth; ++x)
                std::memcpy(tiled.data() + (size_t(y) * trueWidth + x) * 4,
                            rgba + (size_t(y % height) * width + x % width) * 4, 4);
        rgba = tiled.data();
    }
    Encoder encoder(rgba, trueWidth, trueHeight, bpp, alpha);
    encoder.Run(refinements);
    encoder.Write(words);
    return LevelSize(width, height, bpp);
}

} // namespace Pvrtc
