// The codecs against their oracles, and their quality on smooth and busy pictures.
#include "platform/DynamicLibrary.h"
#include "plugins/etc1/Etc1Codec.h"
#include "plugins/etc1/Etc1Estimate.h"
#include "plugins/include/TessarinePlugin.h"
#include "plugins/pvrtc/PvrtcDecoder.h"
#include "plugins/pvrtc/PvrtcEncoder.h"
#include "support/CoreFixtures.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <etc1.h>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

// A picture with gradients, edges and some noise; alpha varies when asked.
std::vector<uint8_t> Picture(uint32_t w, uint32_t h, bool alpha, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> rgba(size_t(w) * h * 4);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
            const double fx = double(x) / w, fy = double(y) / h;
            p[0] = uint8_t(127 + 120 * std::sin(fx * 9 + fy * 3));
            p[1] = uint8_t(255 * fy);
            p[2] = uint8_t((x / 16 + y / 16) % 2 ? 200 : 40) + uint8_t(random() % 16);
            p[3] = alpha ? uint8_t(255 * fx) : 255;
        }
    return rgba;
}

// Flat saturated shapes, black and white included, on a white ground: many bases sit
// where modifiers clamp at the ends of the range.
std::vector<uint8_t> SaturatedPicture(uint32_t w, uint32_t h) {
    std::vector<uint8_t> rgba(size_t(w) * h * 4, 255);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
            const uint32_t shape = (x * 7 / w + (y * 5 / h) * 3) % 5;
            const bool inside = (x % 13) * (x % 13) + (y % 11) * (y % 11) < 60;
            if (!inside)
                continue;
            static const uint8_t kColours[5][3] = {
                {255, 0, 0}, {0, 0, 0}, {255, 255, 0}, {0, 40, 255}, {250, 128, 10}};
            std::copy_n(kColours[shape], 3, p);
        }
    return rgba;
}

} // namespace

TEST(Etc1, DecoderMatchesLibEtc1OnRandomBlocks) {
    std::mt19937 random(5);
    for (int i = 0; i < 200000; ++i) {
        uint8_t block[8];
        for (auto& b : block)
            b = uint8_t(random());
        uint8_t ours[64], theirs[48];
        Etc1::DecodeBlock(block, ours);
        etc1_decode_block(block, theirs);
        for (int p = 0; p < 16; ++p)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(ours[p * 4 + c], theirs[p * 3 + c]) << "block " << i << " pixel " << p;
    }
}

// libetc1's encoding of a picture, decoded by us.
std::vector<uint8_t> LibEtc1RoundTrip(const std::vector<uint8_t>& source, uint32_t w, uint32_t h) {
    std::vector<uint8_t> rgb(size_t(w) * h * 3), blocks(size_t(w) * h / 2);
    for (size_t p = 0; p < size_t(w) * h; ++p)
        std::copy_n(&source[p * 4], 3, &rgb[p * 3]);
    etc1_encode_image(rgb.data(), w, h, 3, w * 3, blocks.data());
    std::vector<uint8_t> decoded(source.size());
    Etc1::DecodeImage(blocks.data(), decoded.data(), w, h);
    return decoded;
}

TEST(Etc1, EncoderBeatsLibEtc1AndRoundTripsThroughIt) {
    const uint32_t w = 64, h = 64;
    struct Case {
        const char* name;
        std::vector<uint8_t> source;
        double normalGain; // dB over libetc1 at normal effort
    } cases[] = {{"busy", Picture(w, h, false, 1), 0.7},
                 {"saturated", SaturatedPicture(w, h), 1.5}};
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const auto& source = test.source;
        std::vector<uint8_t> ours(w * h / 2);
        Etc1::EncodeImage(source.data(), ours.data(), w, h, 2, 1);
        std::vector<uint8_t> oursDecoded(source.size());
        Etc1::DecodeImage(ours.data(), oursDecoded.data(), w, h);
        // libetc1 reads our blocks exactly as we do.
        std::vector<uint8_t> viaLib(size_t(w) * h * 3);
        etc1_decode_image(ours.data(), viaLib.data(), w, h, 3, w * 3);
        for (size_t p = 0; p < size_t(w) * h; ++p)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(viaLib[p * 3 + c], oursDecoded[p * 4 + c]);
        const double theirs = PsnrRgb(source, LibEtc1RoundTrip(source, w, h));
        EXPECT_GT(PsnrRgb(source, oursDecoded), theirs + test.normalGain);
        // More effort never hurts.
        std::vector<uint8_t> best(ours.size()), bestDecoded(source.size());
        Etc1::EncodeImage(source.data(), best.data(), w, h, 4, 2);
        Etc1::DecodeImage(best.data(), bestDecoded.data(), w, h);
        EXPECT_GE(PsnrRgb(source, bestDecoded), PsnrRgb(source, oursDecoded));
        // The portable code makes the very same blocks as the vector code, and rows
        // shared among threads the very same as one thread's.
        std::vector<uint8_t> portable(ours.size()), shared(ours.size());
        Etc1::UseVectorUnits(false);
        Etc1::EncodeImage(source.data(), portable.data(), w, h, 2, 1);
        Etc1::UseVectorUnits(true);
        EXPECT_EQ(portable, ours);
        Etc1::EncodeImage(source.data(), shared.data(), w, h, 2, 4);
        EXPECT_EQ(shared, ours);
    }
}

// The error of a sub-block with base `base` and table t, each pixel taking its best
// modifier, with or without the decoder's clamping.
int SubBlockError(const int pixels[8][3], const int base[3], int t, bool clamp) {
    int total = 0;
    for (int p = 0; p < 8; ++p) {
        int best = INT_MAX;
        for (int m : {Etc1::kTables[t][0], Etc1::kTables[t][1], -Etc1::kTables[t][0],
                      -Etc1::kTables[t][1]}) {
            int e = 0;
            for (int c = 0; c < 3; ++c) {
                const int v = clamp ? std::clamp(base[c] + m, 0, 255) : base[c] + m;
                e += (v - pixels[p][c]) * (v - pixels[p][c]);
            }
            best = std::min(best, e);
        }
        total += best;
    }
    return total;
}

TEST(Etc1, EstimatesAreTheUnclampedErrorAndNeverBelowTheTrueOne) {
    std::mt19937 random(11);
    for (int trial = 0; trial < 3000; ++trial) {
        // Sub-blocks of a few brightnesses near a colour, sometimes at an end of the range.
        int pixels[8][3];
        Etc1::SubBlockSums sums{};
        const int centre = int(random() % 3) == 0 ? int(random() % 2) * 255 : int(random() % 256);
        const int spread = 1 + int(random() % 120);
        for (int p = 0; p < 8; ++p)
            for (int c = 0; c < 3; ++c) {
                pixels[p][c] = std::clamp(centre + int(random() % (2 * spread)) - spread, 0, 255);
                sums.channel[c] += pixels[p][c];
                sums.luma[p] += pixels[p][c];
                sums.squares += pixels[p][c] * pixels[p][c];
            }
        const bool diff = trial % 2;
        const int top = diff ? 31 : 15;
        int origin[3];
        alignas(32) int offsets[3][Etc1::kEstimateLanes];
        for (int c = 0; c < 3; ++c) {
            origin[c] = int(random() % (top + 1));
            for (int& o : offsets[c])
                o = int(random() % 9) - 4;
        }
        const int* const rows[3] = {offsets[0], offsets[1], offsets[2]};
        int error[2][Etc1::kEstimateLanes], table[2][Etc1::kEstimateLanes];
        Etc1::EstimateBases(sums, origin, rows, diff, Etc1::kEstimateLanes, error[0], table[0],
                            true);
        Etc1::EstimateBases(sums, origin, rows, diff, Etc1::kEstimateLanes, error[1], table[1],
                            false);
        for (int i = 0; i < Etc1::kEstimateLanes; ++i) {
            ASSERT_EQ(error[0][i], error[1][i]);
            ASSERT_EQ(table[0][i], table[1][i]);
            int base[3];
            for (int c = 0; c < 3; ++c) {
                const int v = Etc1::StoredValue(origin[c], offsets[c][i], diff);
                ASSERT_TRUE(v >= 0 && v <= top);
                base[c] = diff ? (v << 3 | v >> 2) : (v << 4 | v);
            }
            int unclamped = INT_MAX, clamped = INT_MAX;
            for (int t = 0; t < Etc1::kTableCount; ++t) {
                unclamped = std::min(unclamped, SubBlockError(pixels, base, t, false));
                clamped = std::min(clamped, SubBlockError(pixels, base, t, true));
            }
            const int estimate = error[0][i] + sums.squares;
            ASSERT_EQ(estimate, unclamped) << "trial " << trial;
            ASSERT_EQ(SubBlockError(pixels, base, table[0][i], false), unclamped);
            ASSERT_GE(estimate, clamped);
        }
    }
}

TEST(Pvrtc, RefinementBeatsTheBoundingBoxAtBothRates) {
    for (int bpp : {2, 4}) {
        for (bool alpha : {false, true}) {
            const uint32_t side = 64;
            const auto source = Picture(side, side, alpha, 2);
            std::vector<uint8_t> plain(Pvrtc::LevelSize(side, side, bpp)), refined(plain.size());
            Pvrtc::Encode(source.data(), side, side, bpp, alpha, 0, plain.data());
            Pvrtc::Encode(source.data(), side, side, bpp, alpha, 2, refined.data());
            std::vector<uint8_t> a(source.size()), b(source.size());
            Pvrtc::Decode(plain.data(), a.data(), side, side, bpp);
            Pvrtc::Decode(refined.data(), b.data(), side, side, bpp);
            EXPECT_GT(PsnrRgb(source, b), PsnrRgb(source, a) + 1.0) << bpp << " bpp";
            if (alpha) {
                double error = 0;
                for (size_t i = 3; i < source.size(); i += 4)
                    error += std::abs(int(b[i]) - int(source[i]));
                EXPECT_LT(error / (side * side), 12) << "alpha follows the picture";
            }
        }
    }
}

TEST(Pvrtc, TinyLevelsTakeOneGroupOfWords) {
    // One colour: the tiles of the 2x2 level must come back as it.
    const std::vector<uint8_t> source = {200, 100, 50, 255, 200, 100, 50, 255,
                                         200, 100, 50, 255, 200, 100, 50, 255};
    std::vector<uint8_t> words(32, 0xEE), decoded(16);
    EXPECT_EQ(Pvrtc::Encode(source.data(), 2, 2, 4, false, 2, words.data()), 32u);
    Pvrtc::Decode(words.data(), decoded.data(), 2, 2, 4);
    EXPECT_GT(PsnrRgb(source, decoded), 35);
    EXPECT_EQ(Pvrtc::LevelSize(1, 1, 2), 32u);
    EXPECT_EQ(Pvrtc::LevelSize(64, 64, 2), 1024u);
}

TEST(Unc, DitheringSpreadsTheQuantisationError) {
    // A shallow gradient: without dithering whole bands share one 4-bit value.
    CDynamicLibrary library;
    ASSERT_TRUE(library.Load(std::string(TESSARINE_PLUGINS_DIR) + "/unc.so"));
    const auto compress = library.Function<TessarineCompress>("UNCCompress");
    const auto decompress = library.Function<TessarineDecompress>("UNCDecompress");
    const uint32_t w = 64, h = 16;
    std::vector<uint8_t> source(w * h * 4);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = &source[(y * w + x) * 4];
            p[0] = p[1] = p[2] = uint8_t(100 + x / 4);
            p[3] = 255;
        }
    std::vector<uint8_t> plain(w * h * 2), dithered(w * h * 2), copy(w * h * 8);
    EXPECT_EQ(compress(source.data(), plain.data(), w, h, TESSARINE_MODE_ALPHA, 0), w * h * 2);
    compress(source.data(), dithered.data(), w, h, TESSARINE_MODE_ALPHA, TESSARINE_FLAG_DITHER);
    EXPECT_NE(plain, dithered);
    EXPECT_EQ(decompress(plain.data(), copy.data(), w, h, TESSARINE_UNC_FORMAT,
                         TESSARINE_UNC_4444_VARIANT),
              w * h * 2);
    EXPECT_EQ(std::memcmp(copy.data(), plain.data(), plain.size()), 0);
    // Averaged over each column, the dithered picture keeps the gradient's true level.
    const auto columnError = [&](const std::vector<uint8_t>& packed) {
        double total = 0;
        for (uint32_t x = 0; x < w; ++x) {
            double sum = 0;
            for (uint32_t y = 0; y < h; ++y) {
                const uint16_t v =
                    uint16_t(packed[(y * w + x) * 2] | packed[(y * w + x) * 2 + 1] << 8);
                sum += ((v >> 12) & 0xF) * 17;
            }
            total += std::abs(sum / h - source[x * 4]);
        }
        return total / w;
    };
    EXPECT_LT(columnError(dithered), columnError(plain));
}

TEST(Pvrtc, AlphaOfAThinRingIsFittedAtLeastAsWellAsByTheBoundingBox) {
    // A light ring over transparency whose hidden colour differs: the colour nobody sees
    // must not pull the fit away from the alpha everybody sees.
    const uint32_t side = 64;
    std::vector<uint8_t> source(size_t(side) * side * 4);
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x) {
            uint8_t* p = &source[(size_t(y) * side + x) * 4];
            const double d = std::hypot(x - 31.5, y - 31.5);
            const bool ring = std::abs(d - 24) < 2;
            p[0] = ring ? 240 : 20, p[1] = ring ? 240 : 200, p[2] = ring ? 220 : 40;
            p[3] = ring ? 255 : 0;
        }
    const auto alphaPsnr = [&](int refinements) {
        std::vector<uint8_t> words(Pvrtc::LevelSize(side, side, 4)), out(source.size());
        Pvrtc::Encode(source.data(), side, side, 4, true, refinements, words.data());
        Pvrtc::Decode(words.data(), out.data(), side, side, 4);
        double sum = 0;
        for (size_t i = 3; i < source.size(); i += 4)
            sum += (double(source[i]) - out[i]) * (double(source[i]) - out[i]);
        return 10 * std::log10(255.0 * 255.0 / std::max(sum / (side * side), 1e-9));
    };
    const double box = alphaPsnr(0);
    for (int refinements : {2, 5})
        EXPECT_GE(alphaPsnr(refinements), box) << refinements;
}
