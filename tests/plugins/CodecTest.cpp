// The codecs against their oracles, and their quality on smooth and busy pictures.
#include "platform/DynamicLibrary.h"
#include "plugins/etc1/Etc1Codec.h"
#include "plugins/include/TessarinePlugin.h"
#include "plugins/pvrtc/PvrtcDecoder.h"
#include "plugins/pvrtc/PvrtcEncoder.h"

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

double PsnrRgb(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (i % 4 != 3)
            sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
    const double mse = sum / (a.size() / 4 * 3);
    return 10 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9));
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

TEST(Etc1, EncoderBeatsLibEtc1AndRoundTripsThroughIt) {
    const uint32_t w = 64, h = 64;
    const auto source = Picture(w, h, false, 1);
    std::vector<uint8_t> ours(w * h / 2), theirs(w * h / 2);
    Etc1::EncodeImage(source.data(), ours.data(), w, h, 2, 1);
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    for (size_t p = 0; p < size_t(w) * h; ++p)
        std::copy_n(&source[p * 4], 3, &rgb[p * 3]);
    etc1_encode_image(rgb.data(), w, h, 3, w * 3, theirs.data());
    std::vector<uint8_t> oursDecoded(source.size()), theirsDecoded(source.size());
    Etc1::DecodeImage(ours.data(), oursDecoded.data(), w, h);
    Etc1::DecodeImage(theirs.data(), theirsDecoded.data(), w, h);
    // libetc1 reads our blocks exactly as we do.
    std::vector<uint8_t> viaLib(size_t(w) * h * 3);
    etc1_decode_image(ours.data(), viaLib.data(), w, h, 3, w * 3);
    for (size_t p = 0; p < size_t(w) * h; ++p)
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(viaLib[p * 3 + c], oursDecoded[p * 4 + c]);
    EXPECT_GT(PsnrRgb(source, oursDecoded), PsnrRgb(source, theirsDecoded) + 0.5);
    // More effort never hurts.
    std::vector<uint8_t> best(ours.size()), bestDecoded(source.size());
    Etc1::EncodeImage(source.data(), best.data(), w, h, 4, 2);
    Etc1::DecodeImage(best.data(), bestDecoded.data(), w, h);
    EXPECT_GE(PsnrRgb(source, bestDecoded), PsnrRgb(source, oursDecoded));
    // The portable code makes the very same blocks as the vector code.
    std::vector<uint8_t> portable(ours.size());
    Etc1::UseVectorUnits(false);
    Etc1::EncodeImage(source.data(), portable.data(), w, h, 2, 1);
    Etc1::UseVectorUnits(true);
    EXPECT_EQ(portable, ours);
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
