// Codec quality and speed: every codec plug-in at every quality level beside the open
// encoders we can run (libsquish's range, cluster and iterative cluster fits, libetc1, the
// plain bounding-box PVRTC encoder), on the same pictures, in one run. Speed is measured
// twice: on one core (in a child pinned to one processor) and on every core.
//
// Opaque pictures give the mean RGB PSNR; pictures with alpha (the files given that have
// it, and the HUD-like pictures drawn here: rings and a label with sharp edges over
// transparency) give the alpha PSNR and the RGB PSNR weighted by coverage.
//
//   tessarine_codec_quality [--codec=NAME] PLUGINS_FOLDER IMAGE...
// --codec keeps only the rows whose codec name starts with NAME (DXT, ETC1, PVRTC4...).
// TESSARINE_BENCH_REPEAT=N takes the fastest of N one-core passes of each row.
#include "platform/DynamicLibrary.h"
#include "plugins/include/TessarinePlugin.h"
#include "raster/ImageFile.h"
#include "samples/generator/Pictures.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <etc1.h>
#include <functional>
#include <sched.h>
#include <squish.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Image {
    std::string name;
    uint32_t w, h;
    std::vector<uint8_t> rgba;
    bool alpha;
};

Image FromBitmap(const std::string& name, const Bitmap32& bitmap) {
    Image image{name, bitmap.Width(), bitmap.Height(), {}, false};
    image.rgba.resize(bitmap.ByteSize());
    for (size_t p = 0; p < bitmap.ByteSize(); p += 4) {
        image.rgba[p] = bitmap.Bits()[p + 2];
        image.rgba[p + 1] = bitmap.Bits()[p + 1];
        image.rgba[p + 2] = bitmap.Bits()[p];
        image.rgba[p + 3] = bitmap.Bits()[p + 3];
        image.alpha = image.alpha || image.rgba[p + 3] != 255;
    }
    return image;
}

double ToPsnr(double mse) {
    return 10 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9));
}

// RGB PSNR, each pixel's error weighted by its coverage (all 1 for an opaque picture).
double RgbPsnr(const Image& image, const std::vector<uint8_t>& decoded) {
    double sum = 0, weight = 0;
    for (size_t p = 0; p < image.rgba.size(); p += 4) {
        const double w = image.rgba[p + 3] / 255.0;
        for (int c = 0; c < 3; ++c) {
            const double d = double(image.rgba[p + c]) - decoded[p + c];
            sum += w * d * d;
        }
        weight += 3 * w;
    }
    return ToPsnr(sum / std::max(weight, 1e-9));
}

double AlphaPsnr(const Image& image, const std::vector<uint8_t>& decoded) {
    double sum = 0;
    for (size_t p = 3; p < image.rgba.size(); p += 4)
        sum += (double(image.rgba[p]) - decoded[p]) * (double(image.rgba[p]) - decoded[p]);
    return ToPsnr(sum / (image.rgba.size() / 4));
}

using Encode = std::function<void(const Image&, uint8_t*)>;
using Decode = std::function<void(const Image&, const uint8_t*, uint8_t*)>;

struct Row {
    std::string codec, level;
    bool alphaSet;
    Encode encode;
    Decode decode;
    std::vector<double> rgb, alpha; // per picture
    double pixels = 0, seconds = 0, oneCoreSpeed = 0;
    Row(std::string c, std::string l, bool a, Encode e, Decode d)
        : codec(std::move(c)), level(std::move(l)), alphaSet(a), encode(std::move(e)),
          decode(std::move(d)) {}
    double Mean(const std::vector<double>& v) const {
        double s = 0;
        for (double x : v)
            s += x;
        return v.empty() ? 0 : s / double(v.size());
    }
};

void Measure(Row& row, const std::vector<Image>& images, bool quality) {
    row.pixels = row.seconds = 0;
    for (const Image& image : images) {
        std::vector<uint8_t> blocks(size_t(image.w) * image.h * 4 + 64);
        std::vector<uint8_t> decoded(size_t(image.w) * image.h * 8);
        const auto start = Clock::now();
        row.encode(image, blocks.data());
        row.seconds += std::chrono::duration<double>(Clock::now() - start).count();
        row.pixels += double(image.w) * image.h;
        if (!quality)
            continue;
        row.decode(image, blocks.data(), decoded.data());
        decoded.resize(image.rgba.size());
        row.rgb.push_back(RgbPsnr(image, decoded));
        row.alpha.push_back(AlphaPsnr(image, decoded));
    }
}

// libsquish with a format and fit, its channels weighted alike (its default), as PSNR does.
Encode Squish(int flags) {
    return [flags](const Image& im, uint8_t* out) {
        squish::CompressImage(im.rgba.data(), int(im.w), int(im.h), out, flags);
    };
}
Decode SquishDecode(int format) {
    return [format](const Image& im, const uint8_t* in, uint8_t* out) {
        squish::DecompressImage(out, int(im.w), int(im.h), in, format);
    };
}

void AddReferences(std::vector<Row>& rows) {
    const struct {
        const char* name;
        int fit;
    } fits[] = {{"libsquish range fit", squish::kColourRangeFit},
                {"libsquish cluster fit", squish::kColourClusterFit},
                {"libsquish iterative cluster fit", squish::kColourIterativeClusterFit}};
    for (const auto& fit : fits) {
        rows.emplace_back("DXT1", std::string(fit.name), false, Squish(squish::kDxt1 | fit.fit),
                          SquishDecode(squish::kDxt1));
        rows.emplace_back("DXT5", std::string(fit.name), true, Squish(squish::kDxt5 | fit.fit),
                          SquishDecode(squish::kDxt5));
    }
    rows.emplace_back(
        "ETC1", "android-libetc1", false,
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
        });
}

struct Plugin {
    const char* file;
    const char* family;
    int mode;
    uint32_t flags;
    const char* label;
    bool alphaSet;
};

bool AddPluginRows(std::vector<Row>& rows, std::vector<CDynamicLibrary>& libraries,
                   const std::string& folder) {
    const Plugin plugins[] = {
        {"dxt.so", "DXT", TESSARINE_MODE_OPAQUE, 0, "DXT1", false},
        {"dxt.so", "DXT", TESSARINE_MODE_ALPHA, TESSARINE_FLAG_ALPHA, "DXT5", true},
        {"etc1.so", "ETC1", TESSARINE_MODE_OPAQUE, 0, "ETC1", false},
        {"pvrtc.so", "PVRTC", TESSARINE_MODE_ALPHA, 0, "PVRTC4", false},
        {"pvrtc.so", "PVRTC", TESSARINE_MODE_ALPHA, TESSARINE_FLAG_ALPHA, "PVRTC4", true},
        {"pvrtc.so", "PVRTC", TESSARINE_MODE_OPAQUE, 0, "PVRTC2", false}};
    libraries.reserve(std::size(plugins));
    for (const Plugin& p : plugins) {
        CDynamicLibrary& library = libraries.emplace_back();
        if (!library.Load(folder + "/" + p.file)) {
            std::fprintf(stderr, "cannot load %s: %s\n", p.file, library.LastError().c_str());
            return false;
        }
        const auto compress =
            library.Function<TessarineCompress>((std::string(p.family) + "Compress").c_str());
        const auto decompress =
            library.Function<TessarineDecompress>((std::string(p.family) + "Decompress").c_str());
        const auto info = library.Function<const wchar_t* (*)(int32_t)>("GetPluginInfo");
        const wchar_t* names = info(TESSARINE_INFO_QUALITY_NAMES);
        const bool pvrtc = std::string(p.family) == "PVRTC";
        const int fifth = pvrtc ? p.mode : 0;
        const int sixth = p.label == std::string("DXT5") ? TESSARINE_DXT5_VARIANT : 0;
        for (uint32_t q = 0; names && *names; ++q, names += wcslen(names) + 1) {
            char label[128];
            std::snprintf(label, sizeof label, "%u %ls", q, names);
            const int mode = p.mode;
            const uint32_t flags = p.flags | q;
            rows.emplace_back(
                p.label, label, p.alphaSet,
                [=](const Image& im, uint8_t* out) {
                    compress(im.rgba.data(), out, int32_t(im.w), int32_t(im.h), mode, flags);
                },
                [=](const Image& im, const uint8_t* in, uint8_t* out) {
                    decompress(in, out, int32_t(im.w), int32_t(im.h), fifth, sixth);
                });
        }
    }
    return true;
}

// One-core speeds, measured in a child pinned to the first processor this process may
// use, so that neither our threads nor libsquish's OpenMP team can spread out.
bool MeasureOneCore(std::vector<Row>& rows, const std::vector<Image>& opaque,
                    const std::vector<Image>& alpha) {
    int channel[2];
    if (pipe(channel) != 0)
        return false;
    const pid_t child = fork();
    if (child == 0) {
        cpu_set_t all, one;
        sched_getaffinity(0, sizeof all, &all);
        CPU_ZERO(&one);
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
            if (CPU_ISSET(cpu, &all)) {
                CPU_SET(cpu, &one);
                break;
            }
        sched_setaffinity(0, sizeof one, &one);
        // On a shared machine the fastest of a few passes is the codec's own speed.
        const char* repeat = std::getenv("TESSARINE_BENCH_REPEAT");
        const int passes = std::max(1, repeat ? std::atoi(repeat) : 1);
        for (Row& row : rows) {
            double speed = 0;
            for (int pass = 0; pass < passes; ++pass) {
                Measure(row, row.alphaSet ? alpha : opaque, false);
                speed = std::max(speed, row.pixels / row.seconds / 1e6);
            }
            if (write(channel[1], &speed, sizeof speed) != sizeof speed)
                _exit(1);
        }
        _exit(0);
    }
    close(channel[1]);
    for (Row& row : rows)
        if (read(channel[0], &row.oneCoreSpeed, sizeof row.oneCoreSpeed) != sizeof row.oneCoreSpeed)
            return false;
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

const Row* Find(const std::vector<Row>& rows, const std::string& codec, bool alphaSet,
                const std::string& level) {
    for (const Row& row : rows)
        if (row.codec == codec && row.alphaSet == alphaSet && row.level == level)
            return &row;
    return nullptr;
}

// The mean gain of one row over another, and its smallest gain on any one picture.
void Compare(const std::vector<Row>& rows, const std::string& codec, bool alphaSet,
             const std::string& ours, const std::string& theirs) {
    const Row* a = Find(rows, codec, alphaSet, ours);
    const Row* b = Find(rows, codec, alphaSet, theirs);
    if (!a || !b)
        return;
    double worst = 1e9;
    for (size_t i = 0; i < a->rgb.size(); ++i)
        worst = std::min(worst, a->rgb[i] - b->rgb[i]);
    if (std::getenv("TESSARINE_BENCH_PICTURES"))
        for (size_t i = 0; i < a->rgb.size(); ++i)
            std::printf("  picture %zu: %.2f vs %.2f\n", i, a->rgb[i], b->rgb[i]);
    std::printf("%-7s %-6s %-24s vs %-42s RGB %+6.2f dB (worst picture %+6.2f)", codec.c_str(),
                alphaSet ? "alpha" : "opaque", ours.c_str(), theirs.c_str(),
                a->Mean(a->rgb) - b->Mean(b->rgb), worst);
    if (alphaSet)
        std::printf(", alpha %+6.2f dB", a->Mean(a->alpha) - b->Mean(b->alpha));
    std::printf(", %5.1fx one-core speed\n", a->oneCoreSpeed / b->oneCoreSpeed);
}

} // namespace

int main(int argc, char** argv) {
    std::string only;
    if (argc > 1 && std::string(argv[1]).rfind("--codec=", 0) == 0) {
        only = argv[1] + 8;
        --argc, ++argv;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s [--codec=NAME] PLUGINS_FOLDER IMAGE...\n", argv[0]);
        return 2;
    }
    std::vector<Image> opaque, alpha;
    for (int i = 2; i < argc; ++i) {
        auto bitmap = LoadBitmapFromFile(argv[i]);
        if (!bitmap) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 2;
        }
        Image image = FromBitmap(argv[i], *bitmap);
        (image.alpha ? alpha : opaque).push_back(std::move(image));
    }
    // HUD-like pictures: the sample's radar ring and title, sharp edges over transparency.
    alpha.push_back(FromBitmap("rings_128", *Pictures::Rings(128, true)));
    alpha.push_back(FromBitmap("rings_256", *Pictures::Rings(256, true)));
    alpha.push_back(FromBitmap("label_256x64", *Pictures::Label(256, 64, "TESSARINE", 0)));

    std::vector<Row> rows;
    std::vector<CDynamicLibrary> libraries;
    if (!AddPluginRows(rows, libraries, argv[1]))
        return 2;
    AddReferences(rows);
    std::erase_if(rows, [&](const Row& row) { return row.codec.rfind(only, 0) != 0; });
    if (!MeasureOneCore(rows, opaque, alpha)) {
        std::fprintf(stderr, "the one-core measurement failed\n");
        return 2;
    }
    for (Row& row : rows)
        Measure(row, row.alphaSet ? alpha : opaque, true);
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return a.alphaSet != b.alphaSet ? !a.alphaSet : a.codec < b.codec;
    });

    std::printf("%-7s %-6s %-44s %9s %9s %11s %11s\n", "codec", "set", "quality level", "RGB dB",
                "alpha dB", "Mpx/s 1 cpu", "Mpx/s all");
    for (const Row& row : rows)
        std::printf("%-7s %-6s %-44s %9.2f %9s %11.2f %11.2f\n", row.codec.c_str(),
                    row.alphaSet ? "alpha" : "opaque", row.level.c_str(), row.Mean(row.rgb),
                    row.alphaSet ? std::to_string(row.Mean(row.alpha)).substr(0, 5).c_str() : "-",
                    row.oneCoreSpeed, row.pixels / row.seconds / 1e6);
    std::printf("(mean PSNR over %zu opaque pictures; alpha set: %zu pictures, RGB weighted by "
                "coverage; %ld processors)\n\n",
                opaque.size(), alpha.size(), sysconf(_SC_NPROCESSORS_ONLN));
    for (const Image& image : alpha) {
        std::printf("alpha dB %-30s", image.name.c_str());
        for (const Row& row : rows)
            if (row.alphaSet && row.codec == "PVRTC4")
                std::printf(" %s %.1f", row.level.substr(0, 1).c_str(),
                            row.alpha[size_t(&image - alpha.data())]);
        std::printf("\n");
    }
    std::printf("\n");
    Compare(rows, "DXT1", false, "0 Normal", "libsquish cluster fit");
    Compare(rows, "DXT1", false, "1 Fast", "libsquish range fit");
    Compare(rows, "DXT1", false, "2 Best", "libsquish iterative cluster fit");
    Compare(rows, "DXT5", true, "0 Normal", "libsquish cluster fit");
    Compare(rows, "ETC1", false, "0 Normal", "android-libetc1");
    Compare(rows, "ETC1", false, "2 Best", "android-libetc1");
    Compare(rows, "PVRTC4", false, "0 Normal", "1 Fast (bounding box)");
    Compare(rows, "PVRTC4", true, "0 Normal", "1 Fast (bounding box)");
    Compare(rows, "PVRTC2", false, "0 Normal", "1 Fast (bounding box)");
    return 0;
}
