// Our DXT coder against libsquish: its decoder reads our blocks as ours does, its fits
// are the quality to beat, and the crafted blocks hold the modes the format has.
#include "plugins/dxt/DxtBlock.h"
#include "plugins/dxt/DxtImage.h"
#include "plugins/dxt/DxtOrderings.h"
#include "support/CoreFixtures.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <squish.h>
#include <vector>

namespace {

using Dxt::Effort;
using Dxt::Format;

// A smooth picture, a busy one, and one with edges between flat areas.
std::vector<uint8_t> Picture(uint32_t side, int kind) {
    std::mt19937 random(uint32_t(kind) + 11);
    std::vector<uint8_t> rgba(size_t(side) * side * 4);
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x) {
            uint8_t* p = &rgba[(size_t(y) * side + x) * 4];
            const double fx = double(x) / side, fy = double(y) / side;
            if (kind == 0) {
                p[0] = uint8_t(30 + 200 * fx), p[1] = uint8_t(60 + 120 * fy);
                p[2] = uint8_t(200 - 150 * fx * fy);
            } else if (kind == 1) {
                p[0] = uint8_t(127 + 120 * std::sin(fx * 40 + fy * 7));
                p[1] = uint8_t(110 + 100 * std::sin(fx * 23 - fy * 17) + random() % 24);
                p[2] = uint8_t(128 + 100 * std::cos(fy * 30));
            } else {
                const bool inside = (x / 8 + y / 8) % 3 == 0;
                p[0] = inside ? 220 : 20, p[1] = inside ? 180 : 90;
                p[2] = uint8_t((inside ? 40 : 160) + random() % 12);
            }
            p[3] = 255;
        }
    return rgba;
}

std::vector<uint8_t> RoundTrip(const std::vector<uint8_t>& rgba, uint32_t side, Format format,
                               Effort effort) {
    std::vector<uint8_t> blocks(Dxt::ImageSize(side, side, format)), out(rgba.size());
    EXPECT_EQ(Dxt::EncodeImage(rgba.data(), side, side, format, effort, 2, blocks.data()),
              blocks.size());
    Dxt::DecodeImage(blocks.data(), side, side, format, out.data());
    return out;
}

std::vector<uint8_t> Squish(const std::vector<uint8_t>& rgba, uint32_t side, int flags) {
    std::vector<uint8_t> blocks(
        size_t(squish::GetStorageRequirements(int(side), int(side), flags)));
    squish::CompressImage(rgba.data(), int(side), int(side), blocks.data(), flags);
    std::vector<uint8_t> out(rgba.size());
    squish::DecompressImage(out.data(), int(side), int(side), blocks.data(), flags);
    return out;
}

} // namespace

TEST(Dxt, LibsquishDecodesEveryBlockAsWeDo) {
    std::mt19937 random(3);
    const struct {
        Format ours;
        int theirs;
    } formats[] = {{Format::kDxt1, squish::kDxt1},
                   {Format::kDxt3, squish::kDxt3},
                   {Format::kDxt5, squish::kDxt5}};
    for (const auto& format : formats) {
        // Random bytes reach both colour modes, both alpha modes and every code.
        std::vector<uint8_t> blocks(Dxt::ImageSize(64, 64, format.ours));
        for (auto& b : blocks)
            b = uint8_t(random());
        std::vector<uint8_t> ours(64 * 64 * 4), theirs(ours.size());
        Dxt::DecodeImage(blocks.data(), 64, 64, format.ours, ours.data());
        squish::DecompressImage(theirs.data(), 64, 64, blocks.data(), format.theirs);
        EXPECT_EQ(ours, theirs) << format.theirs;
    }
}

TEST(Dxt, EveryLevelBeatsItsLibsquishCounterpartOnEveryPicture) {
    const uint32_t side = 64;
    for (int kind = 0; kind < 3; ++kind) {
        const auto source = Picture(side, kind);
        const double cluster =
            PsnrRgb(source, Squish(source, side, squish::kDxt1 | squish::kColourClusterFit));
        const double iterative = PsnrRgb(
            source, Squish(source, side, squish::kDxt1 | squish::kColourIterativeClusterFit));
        const double range =
            PsnrRgb(source, Squish(source, side, squish::kDxt1 | squish::kColourRangeFit));
        const double fast = PsnrRgb(source, RoundTrip(source, side, Format::kDxt1, Effort::kFast));
        const double normal =
            PsnrRgb(source, RoundTrip(source, side, Format::kDxt1, Effort::kNormal));
        const double best = PsnrRgb(source, RoundTrip(source, side, Format::kDxt1, Effort::kBest));
        EXPECT_GT(fast, range) << kind;
        EXPECT_GT(normal, cluster - 0.1) << kind;
        EXPECT_GT(best, iterative) << kind;
        EXPECT_GE(best, normal) << kind;
        const double floors[] = {30, 18, 28}; // smooth, busy, edges
        EXPECT_GT(normal, floors[kind]) << kind;
        // DXT5's colour is the 4-colour half alone: close to DXT1's, never far below.
        const double dxt5 =
            PsnrRgb(source, RoundTrip(source, side, Format::kDxt5, Effort::kNormal));
        EXPECT_GT(dxt5, normal - 0.5) << kind;
    }
}

TEST(Dxt, TransparentPixelsTakeTheThreeColourMode) {
    // Opaque red and green with four transparent pixels, and a block with none opaque.
    uint8_t pixels[64], block[8], decoded[64];
    for (int p = 0; p < 16; ++p) {
        uint8_t* px = pixels + 4 * p;
        px[0] = p % 2 ? 250 : 10, px[1] = p % 2 ? 10 : 240, px[2] = 30;
        px[3] = p % 5 == 0 ? 20 : 255;
    }
    for (Effort effort : {Effort::kFast, Effort::kNormal, Effort::kBest}) {
        Dxt::EncodeColourBlock(pixels, block, true, effort);
        EXPECT_LE(block[0] | block[1] << 8, block[2] | block[3] << 8) << "3-colour order";
        Dxt::DecodeColourBlock(block, decoded, true);
        for (int p = 0; p < 16; ++p) {
            EXPECT_EQ(decoded[4 * p + 3], p % 5 == 0 ? 0 : 255) << p;
            if (p % 5 != 0) {
                EXPECT_NEAR(decoded[4 * p], pixels[4 * p], 8) << p;
            }
        }
    }
    for (int p = 0; p < 16; ++p)
        pixels[4 * p + 3] = 0;
    Dxt::EncodeColourBlock(pixels, block, true, Effort::kNormal);
    Dxt::DecodeColourBlock(block, decoded, true);
    for (int p = 0; p < 16; ++p)
        EXPECT_EQ(decoded[4 * p + 3], 0);
    // DXT5's colour half ignores alpha and keeps the 4-colour order.
    Dxt::EncodeColourBlock(pixels, block, false, Effort::kNormal);
    EXPECT_GT(block[0] | block[1] << 8, block[2] | block[3] << 8);
}

TEST(Dxt, AlphaTakesTheBetterOfItsTwoModes) {
    uint8_t pixels[64] = {}, block[8], decoded[64];
    const auto encode = [&](int effort) {
        Dxt::EncodeAlphaBlock5(pixels, block, effort);
        Dxt::DecodeAlphaBlock5(block, decoded);
    };
    // Fully transparent and opaque pixels beside a narrow band: the six-value mode keeps
    // 0 and 255 exact and spends its steps on the band.
    for (int p = 0; p < 16; ++p)
        pixels[4 * p + 3] = uint8_t(p < 4 ? 0 : p < 8 ? 255 : 100 + 5 * (p - 8));
    for (int effort : {0, 1, 2}) {
        encode(effort);
        EXPECT_LE(block[0], block[1]) << "six values";
        for (int p = 0; p < 16; ++p)
            EXPECT_NEAR(decoded[4 * p + 3], pixels[4 * p + 3], p < 8 ? 0 : 4) << p;
    }
    // A ramp over the whole range: eight values spread evenly serve it best.
    for (int p = 0; p < 16; ++p)
        pixels[4 * p + 3] = uint8_t(p * 17);
    for (int effort : {0, 1, 2}) {
        encode(effort);
        EXPECT_GT(block[0], block[1]) << "eight values";
        for (int p = 0; p < 16; ++p)
            EXPECT_NEAR(decoded[4 * p + 3], pixels[4 * p + 3], 18) << p; // half of 255 / 7
    }
}

TEST(Dxt, LevelsSmallerThanABlockRoundTrip) {
    for (uint32_t side : {1u, 2u}) {
        std::vector<uint8_t> source(size_t(side) * side * 4);
        for (size_t i = 0; i < source.size(); ++i)
            source[i] = uint8_t(i % 4 == 3 ? 200 + i : 40 + 10 * i); // colours on a line, opaque
        for (Format format : {Format::kDxt1, Format::kDxt5}) {
            std::vector<uint8_t> blocks(Dxt::ImageSize(side, side, format)), out(source.size());
            Dxt::EncodeImage(source.data(), side, side, format, Effort::kNormal, 1, blocks.data());
            Dxt::DecodeImage(blocks.data(), side, side, format, out.data());
            for (size_t i = 0; i < source.size(); ++i)
                if (i % 4 != 3 || format == Format::kDxt5) {
                    EXPECT_NEAR(out[i], source[i], 12) << side << " " << i;
                }
        }
    }
}

TEST(Dxt, ThePortablePathEncodesAsWellAsTheVectorOne) {
    const uint32_t side = 32;
    for (int kind = 0; kind < 3; ++kind) {
        const auto source = Picture(side, kind);
        const double vector =
            PsnrRgb(source, RoundTrip(source, side, Format::kDxt1, Effort::kNormal));
        Dxt::UseVectorUnits(false);
        const double portable =
            PsnrRgb(source, RoundTrip(source, side, Format::kDxt1, Effort::kNormal));
        Dxt::UseVectorUnits(true);
        // The same search; only float rounding may tip a tie.
        EXPECT_NEAR(portable, vector, 0.05) << kind;
    }
}
