#include "pipeline/TextureEncoding.h"

#include "app/Log.h"
#include "raster/PluginHost.h"
#include "raster/RasterConvert.h"
#include "raster/RasterFormat.h"

#include <algorithm>
#include <cstring>
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

template <typename Run> void RunCalls(std::vector<Call>& calls, const Run& run) {
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

EncodedTexture EncodeTexture(const EncodeRequest& request, const EncodeSettings& settings) {
    const Bitmap32* source = request.bitmap;
    const PluginRegistry& plugins = Plugins();
    const bool alpha = request.withAlpha;
    const uint32_t width = source->Width(), height = source->Height();
    const uint32_t side = std::max(width, height);
    const uint32_t levels = LevelCount(width, height, true);

    // Buffers: the current level, its square copy, the chains and one output per cache.
    // Outputs get room for the smallest levels of every format (PVRTC's are 32 bytes).
    EncodedTexture out;
    EncodeBuffer level(static_cast<size_t>(width) * height * 4);
    EncodeBuffer square(static_cast<size_t>(side) * side * 4);
    out.chain32.resize(request.uncompressed ? static_cast<size_t>(width) * height * 8 : 0);
    out.chain16.resize(static_cast<size_t>(width) * height * 4);
    LogBlock(level.data(), "pData");
    LogBlock(square.data(), "pDataSquare");
    if (request.uncompressed)
        LogBlock(out.chain32.data(), "pRater32");
    for (int i = 0; i < kCacheCount; ++i) {
        if (!settings.wanted[i] || request.uncompressed)
            continue;
        const CodecFamily family = FamilyFor(request, i);
        const size_t base = (family == CodecFamily::kPvrtc || i == 2)
                                ? static_cast<size_t>(side) * side * 4
                                : static_cast<size_t>(width) * height * 4;
        out.output[i].resize(base + 64 * static_cast<size_t>(levels) + 64);
        LogBlock(out.output[i].data(), "apRaterData[i]");
    }

    uint32_t w = width, h = height;
    for (uint32_t index = 0; index < levels; ++index) {
        // Every level is scaled from the source, never from the level before it.
        std::unique_ptr<Bitmap32> scaled;
        const Bitmap32* image = source;
        if (w != width || h != height) {
            scaled = source->Scaled(w, h);
            if (!scaled)
                throw CError("Wrong texture dimensions given.");
            image = scaled.get();
        }
        const uint8_t* bgra = image->Bits();
        const size_t pixels = static_cast<size_t>(w) * h;
        for (size_t p = 0; p < pixels; ++p) {
            const uint8_t b = bgra[p * 4], g = bgra[p * 4 + 1], r = bgra[p * 4 + 2];
            const uint8_t a = bgra[p * 4 + 3];
            uint8_t* px = level.data() + p * 4;
            px[0] = r, px[1] = g, px[2] = b, px[3] = alpha ? a : 255;
            const uint16_t packed = alpha ? PackPixel4444(r, g, b, a) : PackPixel5551(r, g, b, a);
            out.chain16[out.size16] = static_cast<uint8_t>(packed);
            out.chain16[out.size16 + 1] = static_cast<uint8_t>(packed >> 8);
            out.size16 += 2;
            if (request.uncompressed) {
                std::memcpy(out.chain32.data() + out.size32, px, 4);
                out.size32 += 4;
            }
        }
        const uint32_t squareSide = std::max(w, h);
        const uint8_t* squareData = level.data();
        if (w != h) {
            auto squared = source->Scaled(squareSide, squareSide);
            if (!squared)
                throw CError("Wrong texture dimensions given.");
            const uint8_t* s = squared->Bits();
            for (size_t p = 0; p < static_cast<size_t>(squareSide) * squareSide; ++p) {
                uint8_t* px = square.data() + p * 4;
                px[0] = s[p * 4 + 2], px[1] = s[p * 4 + 1], px[2] = s[p * 4];
                px[3] = alpha ? s[p * 4 + 3] : 255;
            }
            LogPrintA("(%d, %d, %d, %d)\n", s[0], s[1], s[2], s[3]);
            squareData = square.data();
        }

        if ((static_cast<int>(squareSide) == settings.thumbSize || squareSide == 1) &&
            out.thumbnail.empty()) {
            out.thumbSide = squareSide;
            out.thumbnail.assign(squareData, squareData + size_t(squareSide) * squareSide * 4);
        }

        std::vector<Call> calls;
        for (int i = 0; i < kCacheCount && !request.uncompressed; ++i) {
            if (!settings.wanted[i] || out.output[i].empty())
                continue;
            CodecFamily family = FamilyFor(request, i);
            if (!plugins.compress[family])
                family = CodecFamily::kUnc;
            if (!plugins.compress[family])
                continue;
            out.usedFamily[i] = family;
            // ETC1 has no alpha: with alpha the "etc" cache stores the 16-bit chain, and
            // compressing a level nobody stores would only cost time.
            if (family == CodecFamily::kEtc1 && alpha)
                continue;
            calls.push_back({i, family, settings.flags[i]});
        }
        const int mode = alpha ? TESSARINE_MODE_ALPHA : TESSARINE_MODE_OPAQUE;
        RunCalls(calls, [&](Call& call) {
            const TessarineCompress compress = plugins.compress[call.family];
            uint8_t* target = out.output[call.cache].data() + out.outputSize[call.cache];
            if (compress == plugins.compress[CodecFamily::kPvrtc])
                call.wrote = compress(squareData, target, static_cast<int32_t>(squareSide),
                                      static_cast<int32_t>(squareSide), mode, call.flags);
            else
                call.wrote = compress(level.data(), target, static_cast<int32_t>(w),
                                      static_cast<int32_t>(h), mode, call.flags);
        });
        for (const Call& call : calls) {
            // A plug-in claiming more than the buffer holds has already overrun it; stop
            // before any of it is stored.
            if (call.wrote > out.output[call.cache].size() - out.outputSize[call.cache])
                throw CError("Codec plug-in of family " + std::string(FamilyName(call.family)) +
                             " wrote past its buffer.");
            out.outputSize[call.cache] += call.wrote;
            LogPrintA(" -- compression size [fn=%d, %d x %d] = %d\n",
                      static_cast<int>(Slot(call.family)), w, h, static_cast<int>(call.wrote));
        }
        if (w == 1 && h == 1)
            break;
        w = std::max(w / 2, 1u);
        h = std::max(h / 2, 1u);
    }
    out.chain16.resize(out.size16);
    out.chain32.resize(out.size32);
    for (int i = 0; i < kCacheCount; ++i)
        out.output[i].resize(out.outputSize[i]);
    return out;
}
