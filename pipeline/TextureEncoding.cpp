#include "pipeline/TextureEncoding.h"

#include "app/Log.h"
#include "platform/Processors.h"
#include "raster/PluginHost.h"
#include "raster/RasterConvert.h"
#include "raster/RasterFormat.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <thread>

namespace {

// The family that encodes a cache's records: the forced one, else the cache's own.
CodecFamily FamilyFor(const EncodeRequest& request, int cache) {
    return request.forcedFamily ? *request.forcedFamily
                                : FamilyOf(kAllCaches[static_cast<size_t>(cache)]);
}

void LogBlock(const void* block, const char* label) {
    LogPrintA("MEMINFO: -- block 0x%08x [%s].\n",
              static_cast<unsigned>(reinterpret_cast<uintptr_t>(block)), label);
}

// The compress calls of one level, gathered first: calls into different plug-in
// libraries run side by side, calls into the same library one after another unless it
// declares itself safe to enter twice at once.
struct Call {
    int cache;
    CodecFamily family;
    uint32_t flags;
    uint32_t wrote = 0;
};

template <typename Run> void RunCalls(std::vector<Call>& calls, bool inParallel, const Run& run) {
    if (!inParallel) {
        for (Call& call : calls)
            run(call);
        return;
    }
    const PluginRegistry& plugins = Plugins();
    std::vector<std::vector<Call*>> byLibrary;
    std::vector<const void*> libraries;
    for (Call& call : calls) {
        void* entry = reinterpret_cast<void*>(plugins.compress[call.family]);
        const void* library = PluginLibraryOf(entry);
        auto found = std::find(libraries.begin(), libraries.end(), library);
        if (PluginIsThreadSafe(entry))
            found = libraries.end(); // a group of its own
        if (found == libraries.end()) {
            libraries.push_back(library);
            byLibrary.push_back({&call});
        } else {
            byLibrary[size_t(found - libraries.begin())].push_back(&call);
        }
    }
    std::vector<std::thread> workers;
    for (size_t g = 1; g < byLibrary.size(); ++g)
        workers.emplace_back([&, g] {
            for (Call* call : byLibrary[g])
                run(*call);
        });
    if (!byLibrary.empty())
        for (Call* call : byLibrary[0])
            run(*call);
    for (std::thread& worker : workers)
        worker.join();
}

} // namespace

bool CompressorsThreadSafe() {
    const PluginRegistry& plugins = Plugins();
    for (CodecFamily family : kAllFamilies)
        if (plugins.compress[family] &&
            !PluginIsThreadSafe(reinterpret_cast<void*>(plugins.compress[family])))
            return false;
    return true;
}

namespace {

// One mip level's pixels as the coders take them: R, G, B, A at its own size, and the
// square copy PVRTC needs when the level is not square.
struct Level {
    uint32_t width = 0, height = 0, squareSide = 0;
    size_t offset16 = 0, offset32 = 0; // where its pixels go in the two chains
    EncodeBuffer rgba, square;
    std::string squareLog;   // the first square pixel, logged as before
    std::vector<Call> calls; // what each cache's coder made of it
    EncodeBuffer output[kCacheCount];
    const uint8_t* SquareData() const { return square.empty() ? rgba.data() : square.data(); }
};

// Every level is scaled from the source, never from the level before it.
std::unique_ptr<Bitmap32> ScaledLevel(const Bitmap32& source, uint32_t w, uint32_t h) {
    auto scaled = source.Scaled(w, h);
    if (!scaled)
        throw CError("Wrong texture dimensions given.");
    return scaled;
}

// Fills the level's pixels and its part of the 16- and 32-bit chains.
void PrepareLevel(const EncodeRequest& request, Level& level, EncodedTexture& out) {
    const Bitmap32& source = *request.bitmap;
    const bool alpha = request.withAlpha;
    const uint32_t w = level.width, h = level.height;
    std::unique_ptr<Bitmap32> scaled;
    const Bitmap32* image = &source;
    if (w != source.Width() || h != source.Height()) {
        scaled = ScaledLevel(source, w, h);
        image = scaled.get();
    }
    const uint8_t* bgra = image->Bits();
    const size_t pixels = static_cast<size_t>(w) * h;
    level.rgba.resize(pixels * 4);
    uint8_t* chain16 = out.chain16.data() + level.offset16;
    for (size_t p = 0; p < pixels; ++p) {
        const uint8_t b = bgra[p * 4], g = bgra[p * 4 + 1], r = bgra[p * 4 + 2];
        const uint8_t a = bgra[p * 4 + 3];
        uint8_t* px = level.rgba.data() + p * 4;
        px[0] = r, px[1] = g, px[2] = b, px[3] = alpha ? a : 255;
        const uint16_t packed = alpha ? PackPixel4444(r, g, b, a) : PackPixel5551(r, g, b, a);
        chain16[p * 2] = static_cast<uint8_t>(packed);
        chain16[p * 2 + 1] = static_cast<uint8_t>(packed >> 8);
    }
    if (request.uncompressed)
        std::memcpy(out.chain32.data() + level.offset32, level.rgba.data(), pixels * 4);
    level.squareSide = std::max(w, h);
    if (w != h) {
        const uint32_t side = level.squareSide;
        const auto squared = ScaledLevel(source, side, side);
        const uint8_t* s = squared->Bits();
        level.square.resize(static_cast<size_t>(side) * side * 4);
        for (size_t p = 0; p < static_cast<size_t>(side) * side; ++p) {
            uint8_t* px = level.square.data() + p * 4;
            px[0] = s[p * 4 + 2], px[1] = s[p * 4 + 1], px[2] = s[p * 4];
            px[3] = alpha ? s[p * 4 + 3] : 255;
        }
        char line[64];
        std::snprintf(line, sizeof line, "(%d, %d, %d, %d)\n", s[0], s[1], s[2], s[3]);
        level.squareLog = line;
    }
}

// Runs every wanted cache's coder over one level, each into a buffer of its own with room
// for the level at 32 bits per pixel (and PVRTC's smallest levels).
void CompressLevel(const EncodeRequest& request, const EncodeSettings& settings,
                   const std::optional<CodecFamily> (&families)[kCacheCount], Level& level) {
    const PluginRegistry& plugins = Plugins();
    constexpr size_t kSmallestLevelRoom = 64;
    for (int i = 0; i < kCacheCount; ++i)
        if (families[i])
            level.calls.push_back({i, *families[i], settings.flags[i]});
    const size_t levelBytes = static_cast<size_t>(level.width) * level.height * 4;
    const size_t squareBytes = static_cast<size_t>(level.squareSide) * level.squareSide * 4;
    for (const Call& call : level.calls)
        level.output[call.cache].resize(
            (call.family == CodecFamily::kPvrtc || call.cache == 2 ? squareBytes : levelBytes) +
            kSmallestLevelRoom);
    const int mode = request.withAlpha ? TESSARINE_MODE_ALPHA : TESSARINE_MODE_OPAQUE;
    // A small level is coded sooner than threads can be started for its coders.
    constexpr size_t kSmallestShared = 128 * 128;
    const bool inParallel =
        size_t(level.width) * level.height >= kSmallestShared && UsableProcessors() > 1;
    RunCalls(level.calls, inParallel, [&](Call& call) {
        const TessarineCompress compress = plugins.compress[call.family];
        uint8_t* target = level.output[call.cache].data();
        if (compress == plugins.compress[CodecFamily::kPvrtc])
            call.wrote =
                compress(level.SquareData(), target, static_cast<int32_t>(level.squareSide),
                         static_cast<int32_t>(level.squareSide), mode, call.flags);
        else
            call.wrote = compress(level.rgba.data(), target, static_cast<int32_t>(level.width),
                                  static_cast<int32_t>(level.height), mode, call.flags);
    });
    // A plug-in claiming more than the buffer holds has already overrun it; stop before any
    // of it is stored.
    for (const Call& call : level.calls)
        if (call.wrote > level.output[call.cache].size())
            throw CError("Codec plug-in of family " + std::string(FamilyName(call.family)) +
                         " wrote past its buffer.");
}

// The sizes of the mip chain, largest first, down to 1 x 1.
std::vector<Level> LevelsOf(const Bitmap32& source, bool uncompressed) {
    const uint32_t width = source.Width(), height = source.Height();
    const uint32_t levels = LevelCount(width, height, true);
    std::vector<Level> chain;
    uint32_t w = width, h = height;
    size_t offset16 = 0, offset32 = 0;
    for (uint32_t index = 0; index < levels; ++index) {
        Level level;
        level.width = w, level.height = h;
        level.offset16 = offset16, level.offset32 = offset32;
        offset16 += static_cast<size_t>(w) * h * 2;
        offset32 += uncompressed ? static_cast<size_t>(w) * h * 4 : 0;
        chain.push_back(std::move(level));
        if (w == 1 && h == 1)
            break;
        w = std::max(w / 2, 1u);
        h = std::max(h / 2, 1u);
    }
    return chain;
}

} // namespace

EncodedTexture EncodeTexture(const EncodeRequest& request, const EncodeSettings& settings) {
    const Bitmap32* source = request.bitmap;
    const PluginRegistry& plugins = Plugins();
    std::vector<Level> levels = LevelsOf(*source, request.uncompressed);

    EncodedTexture out;
    out.size16 = levels.back().offset16 + 2; // the last level is 1 x 1
    out.size32 = request.uncompressed ? levels.back().offset32 + 4 : 0;
    out.chain16.resize(out.size16);
    out.chain32.resize(out.size32);
    LogBlock(out.chain16.data(), "pData");
    LogBlock(levels.data(), "pDataSquare");
    if (request.uncompressed)
        LogBlock(out.chain32.data(), "pRater32");

    // The coder of each wanted cache; ETC1 has no alpha: with alpha the "etc" cache stores
    // the 16-bit chain, and compressing levels nobody stores would only cost time.
    std::optional<CodecFamily> coder[kCacheCount];
    for (int i = 0; i < kCacheCount && !request.uncompressed; ++i) {
        if (!settings.wanted[i])
            continue;
        CodecFamily family = FamilyFor(request, i);
        if (!plugins.compress[family])
            family = CodecFamily::kUnc;
        if (!plugins.compress[family])
            continue;
        out.usedFamily[i] = family;
        if (!(family == CodecFamily::kEtc1 && request.withAlpha))
            coder[i] = family;
    }

    // The largest level takes three quarters of the work: the smaller ones are made on a
    // thread of their own meanwhile, when the coders may be entered twice at once.
    const auto encodeLevels = [&](size_t from, size_t to) {
        for (size_t k = from; k < to; ++k) {
            PrepareLevel(request, levels[k], out);
            CompressLevel(request, settings, coder, levels[k]);
        }
    };
    std::exception_ptr smallerFailed;
    std::thread smaller;
    const bool overlap = levels.size() > 1 && UsableProcessors() > 1 && CompressorsThreadSafe();
    if (overlap)
        smaller = std::thread([&] {
            try {
                encodeLevels(1, levels.size());
            } catch (...) {
                smallerFailed = std::current_exception();
            }
        });
    try {
        encodeLevels(0, overlap ? 1 : levels.size());
    } catch (...) {
        if (smaller.joinable())
            smaller.join();
        throw;
    }
    if (smaller.joinable())
        smaller.join();
    if (smallerFailed)
        std::rethrow_exception(smallerFailed);

    // The chains in level order, logged as one level after another was. The largest
    // level's buffer (room for it at 32 bits per pixel) becomes the chain's and takes the
    // smaller levels behind it, mostly without moving.
    for (Level& level : levels) {
        if (!level.squareLog.empty())
            LogPrintA("%s", level.squareLog.c_str());
        for (const Call& call : level.calls) {
            EncodeBuffer& chain = out.output[call.cache];
            EncodeBuffer& part = level.output[call.cache];
            if (&level == &levels.front()) {
                chain = std::move(part);
                chain.resize(call.wrote);
                LogBlock(chain.data(), "apRaterData[i]");
            } else {
                chain.insert(chain.end(), part.begin(), part.begin() + call.wrote);
            }
            LogPrintA(" -- compression size [fn=%d, %d x %d] = %d\n",
                      static_cast<int>(Slot(call.family)), level.width, level.height,
                      static_cast<int>(call.wrote));
        }
        if ((static_cast<int>(level.squareSide) == settings.thumbSize || level.squareSide == 1) &&
            out.thumbnail.empty()) {
            const uint8_t* square = level.SquareData();
            out.thumbSide = level.squareSide;
            out.thumbnail.assign(square, square + size_t(level.squareSide) * level.squareSide * 4);
        }
    }
    for (int i = 0; i < kCacheCount; ++i)
        out.outputSize[i] = out.output[i].size();
    return out;
}
