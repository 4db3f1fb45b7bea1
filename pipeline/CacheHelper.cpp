#include "pipeline/CacheHelper.h"

#include "app/Log.h"
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "cache/NameRules.h"
#include "gta/BlockCompression.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "raster/PluginHost.h"
#include "raster/RasterConvert.h"
#include "raster/RasterFormat.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <thread>
#include <vector>

namespace {

// The fifth and sixth decompress arguments of each stored format.
bool DecompressArguments(int format, int& family, int& fifth, int& sixth) {
    switch (format) {
    case RASTER_DXT1:
        family = 0, fifth = 0, sixth = 0;
        return true;
    case RASTER_DXT5:
        family = 0, fifth = 0, sixth = TESSARINE_DXT5_VARIANT;
        return true;
    case RASTER_ETC1:
        family = 1, fifth = 0, sixth = 0;
        return true;
    case RASTER_PVRTC2:
        family = 2, fifth = 2, sixth = 0;
        return true;
    case RASTER_PVRTC4:
        family = 2, fifth = 4, sixth = 0;
        return true;
    case RASTER_RGBA4444:
        family = 3, fifth = TESSARINE_UNC_FORMAT, sixth = TESSARINE_UNC_4444_VARIANT;
        return true;
    case RASTER_RGBA5551:
        family = 3, fifth = TESSARINE_UNC_FORMAT, sixth = 0;
        return true;
    default:
        return false;
    }
}

bool PowerOfTwo(uint32_t v) {
    return v != 0 && (v & (v - 1)) == 0;
}

RasterHeader MakeHeader(int format, uint32_t width, uint32_t height, bool mips) {
    RasterHeader header;
    header.tag = 0xADDE;
    header.glFormat = GlCodeForFormat(format - 1).value_or(0);
    header.width = static_cast<uint16_t>(width);
    header.heightAndMips = static_cast<uint16_t>((height & 0x7FFF) | (mips ? 0x8000 : 0));
    return header;
}

void LogBlock(const void* block, const char* label) {
    LogPrintA("MEMINFO: -- block 0x%08x [%s].\n",
              static_cast<unsigned>(reinterpret_cast<uintptr_t>(block)), label);
}

} // namespace

int CCacheHelper::GuessCacheGame(int cache) {
    CTextureDatabase* db = m_pDatabase;
    if (!db || db->TextureCount() == 0)
        return 0;
    db->GetTexture(0);
    if (cache == -1)
        cache = db->PrimaryCache();
    if (!db->IsDatOpen(cache))
        return 0;
    return db->DetectLayout(0, cache, false) == 2 ? 2 : 1;
}

std::unique_ptr<Bitmap32> CCacheHelper::DecodeCacheTexture(int texture, int cache, uint32_t level,
                                                           bool thumbnail) {
    LogPrintA("CCacheHelper: id=%d, type=%d\n", texture, cache);
    CTextureDatabase* db = m_pDatabase;
    if (!db || cache < 0 || cache >= kCacheCount)
        return nullptr;
    try {
        const TextureRecord* current = db->GetTexture(texture);
        if (!current)
            return nullptr;
        const TextureRecord record = *current;
        if (thumbnail ? !db->IsTmbOpen(cache) : !db->IsDatOpen(cache))
            return nullptr;
        const PluginRegistry& plugins = Plugins();
        if (!plugins.decompress[cache] && cache != 3) {
            AfxMessageBox(std::string("Unable to decompress: ") + kFamilyNames[cache] +
                              " plugin not loaded",
                          MB_OK | MB_ICONHAND);
            return nullptr;
        }
        auto raster = db->ReadTextureData(cache, texture, thumbnail);
        if (!raster)
            return nullptr;
        if (thumbnail)
            level = 0;
        const RasterHeader& header =
            thumbnail ? record.thumbHeader[cache] : record.textureHeader[cache];
        const uint32_t width = header.width, height = header.Height();
        const uint32_t levels = thumbnail ? 1 : LevelCount(width, height, header.HasMips());
        const int format = FormatFromGlCode(header.glFormat);
        const uint16_t layout =
            FormatChannelLayout(FormatFromGlCode(record.textureHeader[cache].glFormat));

        int family = 0, fifth = 0, sixth = 0;
        const bool compressed = DecompressArguments(format, family, fifth, sixth);
        std::vector<uint8_t> decoded;
        const std::vector<uint8_t>* data = &*raster;
        if (compressed && plugins.decompress[family]) {
            decoded.assign(static_cast<size_t>(width) * height * 8, 0);
            size_t in = 0, out = 0;
            uint32_t w = width, h = height;
            // Levels after the requested one are never looked at.
            for (uint32_t i = 0; i < levels && i <= level; ++i) {
                const size_t levelSize = RasterDataSize(w, h, format, false);
                if (in + levelSize > raster->size())
                    break;
                const uint32_t wrote = plugins.decompress[family](
                    raster->data() + in, decoded.data() + out, static_cast<int32_t>(w),
                    static_cast<int32_t>(h), fifth, sixth);
                // A plug-in that claims more than the room left is not believed.
                out += std::min<size_t>(wrote, decoded.size() - out);
                in += levelSize;
                if (w == 1 && h == 1)
                    break;
                w = std::max(w / 2, 1u);
                h = std::max(h / 2, 1u);
            }
            data = &decoded;
        } else if (compressed && family != 3) {
            // Compressed data without a decoder: nothing to show.
            decoded.assign(static_cast<size_t>(width) * height * 8, 0);
            data = &decoded;
        } else if (!compressed && format != RASTER_RGBA8888 && format != RASTER_RGBA565 &&
                   format != RASTER_LUM16) {
            decoded.assign(static_cast<size_t>(width) * height * 8, 0);
            data = &decoded;
        }
        return GdiplusConvert(level, data->data(), width, height, FormatBitsPerPixel(format),
                              layout, true, nullptr, 0, data->size());
    } catch (const CError& error) {
        AfxMessageBox(error.what(), MB_OK | MB_ICONEXCLAMATION);
    } catch (const std::bad_alloc& error) {
        AfxMessageBox(error.what(), MB_OK | MB_ICONHAND);
    }
    return nullptr;
}

bool EncodableSize(uint32_t width, uint32_t height, int forcedFamily) {
    constexpr uint32_t kLargestSide = 0x7FFF; // the header keeps 15 bits of the height
    constexpr uint32_t kUncMultiple = 64;
    const bool unc = forcedFamily == 3;
    const auto fits = [unc](uint32_t v) {
        return v != 0 && v <= kLargestSide && (PowerOfTwo(v) || (unc && v % kUncMultiple == 0));
    };
    return fits(width) && fits(height);
}

std::optional<std::vector<uint8_t>> CCacheHelper::MakeThumbnail(int texture, int cache,
                                                                uint32_t& side) {
    CTextureDatabase* db = m_pDatabase;
    if (!db || !db->IsDatOpen(cache))
        return std::nullopt;
    const int format = FormatFromGlCode(
        db->GetTexture(texture) ? db->GetTexture(texture)->textureHeader[cache].glFormat : 0);
    int family = 0, fifth = 0, sixth = 0;
    // Without a decoder the decode would show a box for every texture; placeholders do.
    if (format == RASTER_UNKNOWN || (DecompressArguments(format, family, fifth, sixth) &&
                                     family != 3 && !Plugins().decompress[family]))
        return std::nullopt;
    std::unique_ptr<Bitmap32> picture;
    try {
        picture = DecodeCacheTexture(texture, cache, 0, false);
    } catch (const CError&) {
        return std::nullopt;
    }
    if (!picture)
        return std::nullopt;
    // As an import makes it: the level whose longer side is "thumb_size", or 1 x 1 when
    // no level has that side.
    const uint32_t wanted = static_cast<uint32_t>(IniReadInt(Settings::kThumbSize));
    uint32_t longer = std::max(picture->Width(), picture->Height());
    while (longer > wanted && longer > 1)
        longer /= 2;
    side = longer == wanted ? wanted : 1;
    const auto square = picture->Scaled(side, side);
    if (!square)
        return std::nullopt;
    std::vector<uint8_t> pixels(size_t(side) * side * 4);
    const uint8_t* bgra = square->Bits();
    for (size_t p = 0; p < size_t(side) * side; ++p) {
        pixels[p * 4] = bgra[p * 4 + 2];
        pixels[p * 4 + 1] = bgra[p * 4 + 1];
        pixels[p * 4 + 2] = bgra[p * 4];
        pixels[p * 4 + 3] = bgra[p * 4 + 3];
    }
    return pixels;
}

int CCacheHelper::EncodeCacheTexture(const EncodeRequest& request) {
    CTextureDatabase* db = m_pDatabase;
    const Bitmap32* source = request.bitmap;
    if (!db || !source)
        throw CError("Wrong texture dimensions given.");
    const uint32_t width = source->Width(), height = source->Height();
    if (!EncodableSize(width, height, request.forcedFamily))
        throw CError("Wrong texture dimensions given.");
    if (request.game == 0)
        AfxMessageBox("wrong GameID given!", MB_OK | MB_ICONHAND);
    // Refused before any record is appended: a texture that cannot be indexed, or one with
    // no data file to hold its pixels, would leave the cache's files out of step.
    if (request.targetCache == -1) {
        const NameProblem problem = CheckTextureName(request.name);
        if (problem != NameProblem::kNone)
            throw CError("The texture name '" + Text::EscapeControls(request.name) +
                         "' cannot be stored: " + DescribeNameProblem(problem) + ".");
    }
    // Thumbnails, records and the index entry go in together or not at all.
    CEditScope edit(*db);

    const PluginRegistry& plugins = Plugins();
    const bool alpha = request.withAlpha;
    const uint32_t side = std::max(width, height);
    const uint32_t levels = LevelCount(width, height, true);
    const auto wanted = [&](int i) {
        return (request.targetCache == -1 || request.targetCache == i) && db->IsDatOpen(i);
    };
    bool anyCache = false;
    for (int i = 0; i < kCacheCount; ++i)
        anyCache = anyCache || wanted(i);
    if (!anyCache)
        throw CError("The cache has no data file (.dat) to store the texture in.");

    // Buffers: the current level, its square copy, the chains and one output per cache.
    // Outputs get room for the smallest levels of every format (PVRTC's are 32 bytes).
    std::vector<uint8_t> level(static_cast<size_t>(width) * height * 4);
    std::vector<uint8_t> square(static_cast<size_t>(side) * side * 4);
    std::vector<uint8_t> chain32(request.uncompressed ? static_cast<size_t>(width) * height * 8
                                                      : 0);
    std::vector<uint8_t> chain16(static_cast<size_t>(width) * height * 4);
    std::vector<uint8_t> output[kCacheCount];
    size_t size32 = 0, size16 = 0, outputSize[kCacheCount] = {};
    int usedFamily[kCacheCount] = {-1, -1, -1, -1};
    LogBlock(level.data(), "pData");
    LogBlock(square.data(), "pDataSquare");
    if (request.uncompressed)
        LogBlock(chain32.data(), "pRater32");
    for (int i = 0; i < kCacheCount; ++i) {
        if (!wanted(i) || request.uncompressed)
            continue;
        const int family = request.forcedFamily >= 0 ? request.forcedFamily : i;
        const size_t base = (family == 2 || i == 2) ? static_cast<size_t>(side) * side * 4
                                                    : static_cast<size_t>(width) * height * 4;
        output[i].assign(base + 64 * static_cast<size_t>(levels) + 64, 0);
        LogBlock(output[i].data(), "apRaterData[i]");
    }
    const int thumbSize = IniReadInt(Settings::kThumbSize);
    // The flags of each cache's compress calls, from its family's settings. A plug-in
    // that offers no quality levels is always asked for the first.
    uint32_t cacheFlags[kCacheCount] = {};
    for (int i = 0; i < kCacheCount; ++i) {
        const char* section = Settings::kFamilySections[i];
        const int plugin = FindPlugin(IniReadString(section, Settings::kPluginKey));
        const bool hasQualities = !PluginInfoList(plugin, TESSARINE_INFO_QUALITY_NAMES).empty();
        cacheFlags[i] =
            (hasQualities
                 ? static_cast<uint32_t>(IniReadInt(section, Settings::kQualityKey, 0)) & 0xF
                 : 0u) |
            (IniReadInt(section, Settings::kDitheringKey, 0) != 0 ? 0x10u : 0u) |
            (alpha ? 0x20u : 0u);
    }
    bool thumbWritten = false;

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
            uint8_t* out = level.data() + p * 4;
            out[0] = r, out[1] = g, out[2] = b, out[3] = alpha ? a : 255;
            const uint16_t packed = alpha ? PackPixel4444(r, g, b, a) : PackPixel5551(r, g, b, a);
            chain16[size16] = static_cast<uint8_t>(packed);
            chain16[size16 + 1] = static_cast<uint8_t>(packed >> 8);
            size16 += 2;
            if (request.uncompressed) {
                std::memcpy(chain32.data() + size32, out, 4);
                size32 += 4;
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
                uint8_t* out = square.data() + p * 4;
                out[0] = s[p * 4 + 2], out[1] = s[p * 4 + 1], out[2] = s[p * 4];
                out[3] = alpha ? s[p * 4 + 3] : 255;
            }
            LogPrintA("(%d, %d, %d, %d)\n", s[0], s[1], s[2], s[3]);
            squareData = square.data();
        }

        if ((static_cast<int>(squareSide) == thumbSize || squareSide == 1) && !thumbWritten) {
            LogPrint(L"CCacheHelper: updating TMB...\n");
            const RasterHeader thumb = MakeHeader(RASTER_RGBA8888, squareSide, squareSide, false);
            for (int k = 0; k < kCacheCount; ++k)
                if (db->IsTmbOpen(k))
                    db->AppendRecord(k, thumb, true, squareData, request.game == 2 ? 2 : 1, false,
                                     squareSide * squareSide * 4);
            thumbWritten = true;
            LogPrint(L"CCacheHelper: TMB updated.\n");
        }

        // The compress calls of one level, gathered first: calls into different plug-in
        // libraries run side by side, calls into the same library one after another
        // unless it declares itself safe to enter twice at once.
        struct Call {
            int cache, family;
            uint32_t flags;
            uint32_t wrote = 0;
        };
        std::vector<Call> calls;
        for (int i = 0; i < kCacheCount && !request.uncompressed; ++i) {
            if (!wanted(i) || output[i].empty())
                continue;
            int family = request.forcedFamily >= 0 ? request.forcedFamily : i;
            if (!plugins.compress[family])
                family = 3;
            if (!plugins.compress[family])
                continue;
            usedFamily[i] = family;
            // ETC1 has no alpha: with alpha the "etc" cache stores the 16-bit chain, and
            // compressing a level nobody stores would only cost time.
            if (family == 1 && alpha)
                continue;
            calls.push_back({i, family, cacheFlags[i]});
        }
        const int mode = alpha ? TESSARINE_MODE_ALPHA : TESSARINE_MODE_OPAQUE;
        const auto run = [&](Call& call) {
            const TessarineCompress compress = plugins.compress[call.family];
            uint8_t* out = output[call.cache].data() + outputSize[call.cache];
            if (compress == plugins.compress[2])
                call.wrote = compress(squareData, out, static_cast<int32_t>(squareSide),
                                      static_cast<int32_t>(squareSide), mode, call.flags);
            else
                call.wrote = compress(level.data(), out, static_cast<int32_t>(w),
                                      static_cast<int32_t>(h), mode, call.flags);
        };
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
        for (const Call& call : calls) {
            // A plug-in claiming more than the buffer holds has already overrun it; stop
            // before any of it is stored.
            if (call.wrote > output[call.cache].size() - outputSize[call.cache])
                throw CError("Codec plug-in of family " + std::string(kFamilyNames[call.family]) +
                             " wrote past its buffer.");
            outputSize[call.cache] += call.wrote;
            LogPrintA(" -- compression size [fn=%d, %d x %d] = %d\n", call.family, w, h,
                      static_cast<int>(call.wrote));
        }
        if (w == 1 && h == 1)
            break;
        w = std::max(w / 2, 1u);
        h = std::max(h / 2, 1u);
    }

    const bool pack = IniReadInt(Settings::kPackTextureData) != 0;
    const int layout = request.game == 2 ? 2 : 1;
    for (int i = 0; i < kCacheCount; ++i) {
        if (!wanted(i))
            continue;
        if (request.uncompressed) {
            db->AppendRecord(i, MakeHeader(RASTER_RGBA8888, width, height, true), false,
                             chain32.data(), layout, pack, static_cast<uint32_t>(size32));
            continue;
        }
        // The format follows the family whose coder actually filled the cache's output.
        const int family = usedFamily[i];
        int format = alpha ? RASTER_RGBA4444 : RASTER_RGBA5551;
        const uint8_t* data = chain16.data();
        size_t size = size16;
        uint32_t headerWidth = width, headerHeight = height;
        if (outputSize[i] > 0 && family >= 0 && family != 3) {
            if (family == 0)
                format = alpha ? RASTER_DXT5 : RASTER_DXT1;
            else if (family == 1)
                format = alpha ? RASTER_RGBA4444 : RASTER_ETC1;
            else
                format = alpha ? RASTER_PVRTC4 : RASTER_PVRTC2;
            if (!(family == 1 && alpha)) {
                data = output[i].data();
                size = outputSize[i];
            }
            if (family == 2)
                headerWidth = headerHeight = side;
        }
        db->AppendRecord(i, MakeHeader(format, headerWidth, headerHeight, true), false, data,
                         layout, pack, static_cast<uint32_t>(size));
    }
    if (request.targetCache == -1)
        db->AddTexture(request.name, static_cast<int>(width), static_cast<int>(height),
                       request.category, alpha ? 2 : 0);
    return 1;
}
