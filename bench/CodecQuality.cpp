// Codec quality and speed: every codec plug-in at every quality level, and the reference
// encoders (libsquish cluster fit, libetc1, the plain bounding-box PVRTC encoder), on the
// same pictures. Prints mean RGB PSNR and Mpixel/s per codec and level.
//
//   tessarine_codec_quality PLUGINS_FOLDER IMAGE...
#include "platform/DynamicLibrary.h"
#include "plugins/include/TessarinePlugin.h"
#include "raster/ImageFile.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <etc1.h>
#include <squish.h>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Image {
    std::string name;
    uint32_t w, h;
    std::vector<uint8_t> rgba; // opaque
};

double Psnr(const Image& image, const std::vector<uint8_t>& decoded) {
    double sum = 0;
    for (size_t i = 0; i < image.rgba.size(); ++i)
        if (i % 4 != 3)
            sum += (double(image.rgba[i]) - decoded[i]) * (double(image.rgba[i]) - decoded[i]);
    const double mse = sum / (image.rgba.size() / 4 * 3);
    return 10 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9));
}

struct Row {
    std::string codec, level;
    double psnr = 0, pixels = 0, seconds = 0;
};

template <typename Encode, typename Decode>
Row Measure(const std::vector<Image>& images, const std::string& codec, const std::string& level,
            Encode encode, Decode decode) {
    Row row{codec, level};
    for (const Image& image : images) {
        std::vector<uint8_t> blocks(size_t(image.w) * image.h * 4 + 64);
        std::vector<uint8_t> decoded(size_t(image.w) * image.h * 8);
        const auto start = Clock::now();
        encode(image, blocks.data());
        row.seconds += std::chrono::duration<double>(Clock::now() - start).count();
        decode(image, blocks.data(), decoded.data());
        decoded.resize(image.rgba.size());
        row.psnr += Psnr(image, decoded);
        row.pixels += double(image.w) * image.h;
    }
    row.psnr /= images.size();
    return row;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PLUGINS_FOLDER IMAGE...\n", argv[0]);
        return 2;
    }
    std::vector<Image> images;
    for (int i = 2; i < argc; ++i) {
        auto bitmap = LoadBitmapFromFile(argv[i]);
        if (!bitmap) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 2;
        }
        Image image{argv[i], bitmap->Width(), bitmap->Height(), {}};
        image.rgba.resize(bitmap->ByteSize());
        for (size_t p = 0; p < bitmap->ByteSize(); p += 4) {
            image.rgba[p] = bitmap->Bits()[p + 2];
            image.rgba[p + 1] = bitmap->Bits()[p + 1];
            image.rgba[p + 2] = bitmap->Bits()[p];
            image.rgba[p + 3] = 255;
        }
        images.push_back(std::move(image));
    }

    std::vector<Row> rows;
    const std::string folder = argv[1];
    struct Plugin {
        const char* file;
        const char* family;
        int mode;
        const char* label;
    };
    const Plugin plugins[] = {{"dxt.so", "DXT", 2, "DXT1"},
                              {"etc1.so", "ETC1", 2, "ETC1"},
                              {"pvrtc.so", "PVRTC", 4, "PVRTC4"},
                              {"pvrtc.so", "PVRTC", 2, "PVRTC2"}};
    for (const Plugin& p : plugins) {
        CDynamicLibrary library;
        if (!library.Load(folder + "/" + p.file)) {
            std::fprintf(stderr, "cannot load %s: %s\n", p.file, library.LastError().c_str());
            return 2;
        }
        const auto compress =
            library.Function<TessarineCompress>((std::string(p.family) + "Compress").c_str());
        const auto decompress =
            library.Function<TessarineDecompress>((std::string(p.family) + "Decompress").c_str());
        const auto info = library.Function<const wchar_t* (*)(int32_t)>("GetPluginInfo");
        const wchar_t* names = info(TESSARINE_INFO_QUALITY_NAMES);
        for (uint32_t q = 0; names && *names; ++q, names += wcslen(names) + 1) {
            char label[128];
            std::snprintf(label, sizeof label, "%u %ls", q, names);
            const int mode = p.mode;
            const int fifth = std::string(p.family) == "PVRTC" ? mode : 0;
            rows.push_back(Measure(
                images, p.label, label,
                [&](const Image& im, uint8_t* out) {
                    compress(im.rgba.data(), out, int32_t(im.w), int32_t(im.h), mode, q);
                },
                [&](const Image& im, const uint8_t* in, uint8_t* out) {
                    decompress(in, out, int32_t(im.w), int32_t(im.h), fifth, 0);
                }));
        }
    }

    // References.
    rows.push_back(Measure(
        images, "DXT1", "libsquish cluster fit (its own threads)",
        [](const Image& im, uint8_t* out) {
            squish::CompressImage(im.rgba.data(), int(im.w), int(im.h), out,
                                  squish::kDxt1 | squish::kColourClusterFit);
        },
        [](const Image& im, const uint8_t* in, uint8_t* out) {
            squish::DecompressImage(out, int(im.w), int(im.h), in, squish::kDxt1);
        }));
    rows.push_back(Measure(
        images, "ETC1", "android-libetc1",
        [](const Image& im, uint8_t* out) {
            std::vector<uint8_t> rgb(size_t(im.w) * im.h * 3);
            for (size_t p = 0; p < size_t(im.w) * im.h; ++p)
                std::copy_n(&im.rgba[p * 4], 3, &rgb[p * 3]);
            etc1_encode_image(rgb.data(), im.w, im.h, 3, im.w * 3, out);
        },
        [](const Image& im, const uint8_t* in, uint8_t* out) {
            std::vector<uint8_t> rgb(size_t(im.w) * im.h * 3);
            etc1_decode_image(in, rgb.data(), im.w, im.h, 3, im.w * 3);
            for (size_t p = 0; p < size_t(im.w) * im.h; ++p) {
                std::copy_n(&rgb[p * 3], 3, &out[p * 4]);
                out[p * 4 + 3] = 255;
            }
        }));

    std::printf("%-7s %-40s %10s %10s\n", "codec", "quality level", "PSNR dB", "Mpixel/s");
    for (const Row& row : rows)
        std::printf("%-7s %-40s %10.2f %10.1f\n", row.codec.c_str(), row.level.c_str(), row.psnr,
                    row.pixels / row.seconds / 1e6);
    std::printf("(mean RGB PSNR over %zu pictures)\n", images.size());
    return 0;
}
