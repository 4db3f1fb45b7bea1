#include "pipeline/CacheHelper.h"

#include "pipeline/EncodeAhead.h"
#include "pipeline/TextureEncoding.h"

#include "app/Log.h"
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "cache/NameRules.h"
#include "gta/BlockCompression.h"
#include "platform/Text.h"
#include "raster/PluginHost.h"
#include "raster/RasterConvert.h"
#include "raster/RasterFormat.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

namespace {

// The fifth and sixth decompress arguments of each stored format.
bool DecompressArguments(int format, CodecFamily& family, int& fifth, int& sixth) {
    switch (format) {
    case RASTER_DXT1:
        family = CodecFamily::kDxt, fifth = 0, sixth = 0;
        return true;
    case RASTER_DXT5:
        family = CodecFamily::kDxt, fifth = 0, sixth = TESSARINE_DXT5_VARIANT;
        return true;
    case RASTER_ETC1:
        family = CodecFamily::kEtc1, fifth = 0, sixth = 0;
        return true;
    case RASTER_PVRTC2:
        family = CodecFamily::kPvrtc, fifth = 2, sixth = 0;
        return true;
    case RASTER_PVRTC4:
        family = CodecFamily::kPvrtc, fifth = 4, sixth = 0;
        return true;
    case RASTER_RGBA4444:
        family = CodecFamily::kUnc, fifth = TESSARINE_UNC_FORMAT,
        sixth = TESSARINE_UNC_4444_VARIANT;
        return true;
    case RASTER_RGBA5551:
        family = CodecFamily::kUnc, fifth = TESSARINE_UNC_FORMAT, sixth = 0;
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

// Every record of an import takes the game's layout; anything but San Andreas is VC.
RecordLayout LayoutOfRequest(const EncodeRequest& request) {
    return request.game == static_cast<int>(RecordLayout::kSA) ? RecordLayout::kSA
                                                               : RecordLayout::kVC;
}

// Calls into a plug-in that has not said it may be entered twice at once go one at a time.
std::mutex g_DecoderCalls;

} // namespace

int CCacheHelper::GuessCacheGame(std::optional<CacheId> cache) {
    CTextureDatabase* db = m_pDatabase;
    if (!db || db->TextureCount() == 0)
        return 0;
    db->GetTexture(0);
    if (!cache)
        cache = db->PrimaryCache();
    if (!cache || !db->IsDatOpen(*cache))
        return 0;
    return static_cast<int>(db->DetectLayout(0, *cache, false));
}

std::unique_ptr<Bitmap32> CCacheHelper::DecodeCacheTexture(int texture, CacheId cache,
                                                           uint32_t level, bool thumbnail) {
    std::optional<RawTexture> raw = ReadRawTexture(texture, cache, level, thumbnail);
    if (!raw)
        return nullptr;
    std::unique_ptr<Bitmap32> bitmap = DecodeRawTexture(*raw, m_DecodeError);
    return bitmap;
}

std::optional<RawTexture> CCacheHelper::ReadRawTexture(int texture, CacheId cache, uint32_t level,
                                                       bool thumbnail) {
    LogPrintA("CCacheHelper: id=%d, type=%d\n", texture, static_cast<int>(Slot(cache)));
    m_DecodeError = {};
    CTextureDatabase* db = m_pDatabase;
    if (!db)
        return std::nullopt;
    try {
        const TextureRecord* current = db->GetTexture(texture);
        if (!current)
            return std::nullopt;
        const TextureRecord record = *current;
        if (thumbnail ? !db->IsTmbOpen(cache) : !db->IsDatOpen(cache))
            return std::nullopt;
        const CodecFamily ownFamily = FamilyOf(cache);
        if (!Plugins().decompress[ownFamily] && cache != CacheId::kUnc) {
            m_DecodeError = {std::string("Unable to decompress: ") + FamilyName(ownFamily) +
                                 " plugin not loaded",
                             true};
            return std::nullopt;
        }
        auto raster = db->ReadTextureData(cache, texture, thumbnail);
        if (!raster)
            return std::nullopt;
        RawTexture raw;
        raw.raster = std::move(*raster);
        raw.header = thumbnail ? record.thumbHeader[cache] : record.textureHeader[cache];
        raw.channelLayout =
            FormatChannelLayout(FormatFromGlCode(record.textureHeader[cache].glFormat));
        raw.level = thumbnail ? 0 : level;
        raw.thumbnail = thumbnail;
        return raw;
    } catch (const CError& error) {
        m_DecodeError = {error.what(), false};
    } catch (const std::bad_alloc& error) {
        m_DecodeError = {error.what(), true};
    }
    return std::nullopt;
}

std::unique_ptr<Bitmap32> DecodeRawTexture(const RawTexture& raw,
                                           CCacheHelper::DecodeProblem& problem) {
    problem = {};
    try {
        const PluginRegistry& plugins = Plugins();
        const RasterHeader& header = raw.header;
        const uint32_t width = header.width, height = header.Height();
        const uint32_t levels = raw.thumbnail ? 1 : LevelCount(width, height, header.HasMips());
        const int format = FormatFromGlCode(header.glFormat);

        CodecFamily family = CodecFamily::kDxt;
        int fifth = 0, sixth = 0;
        const bool compressed = DecompressArguments(format, family, fifth, sixth);
        std::vector<uint8_t> decoded;
        const std::vector<uint8_t>* data = &raw.raster;
        if (compressed && plugins.decompress[family]) {
            decoded.assign(static_cast<size_t>(width) * height * 8, 0);
            size_t in = 0, out = 0;
            uint32_t w = width, h = height;
            std::unique_lock<std::mutex> serial(g_DecoderCalls, std::defer_lock);
            if (!PluginIsThreadSafe(reinterpret_cast<void*>(plugins.decompress[family])))
                serial.lock();
            // Levels after the requested one are never looked at.
            for (uint32_t i = 0; i < levels && i <= raw.level; ++i) {
                const size_t levelSize = RasterDataSize(w, h, format, false);
                if (in + levelSize > raw.raster.size())
                    break;
                const uint32_t wrote = plugins.decompress[family](
                    raw.raster.data() + in, decoded.data() + out, static_cast<int32_t>(w),
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
        } else if (compressed && family != CodecFamily::kUnc) {
            // Compressed data without a decoder: nothing to show.
            decoded.assign(static_cast<size_t>(width) * height * 8, 0);
            data = &decoded;
        } else if (!compressed && format != RASTER_RGBA8888 && format != RASTER_RGBA565 &&
                   format != RASTER_LUM16) {
            decoded.assign(static_cast<size_t>(width) * height * 8, 0);
            data = &decoded;
        }
        return GdiplusConvert(raw.level, data->data(), width, height, FormatBitsPerPixel(format),
                              raw.channelLayout, true, nullptr, 0, data->size());
    } catch (const CError& error) {
        problem = {error.what(), false};
    } catch (const std::bad_alloc& error) {
        problem = {error.what(), true};
    }
    return nullptr;
}

bool EncodableSize(uint32_t width, uint32_t height, std::optional<CodecFamily> forcedFamily) {
    constexpr uint32_t kLargestSide = 0x7FFF; // the header keeps 15 bits of the height
    constexpr uint32_t kUncMultiple = 64;
    const bool unc = forcedFamily == CodecFamily::kUnc;
    const auto fits = [unc](uint32_t v) {
        return v != 0 && v <= kLargestSide && (PowerOfTwo(v) || (unc && v % kUncMultiple == 0));
    };
    return fits(width) && fits(height);
}

std::optional<std::vector<uint8_t>> CCacheHelper::MakeThumbnail(int texture, CacheId cache,
                                                                uint32_t& side) {
    CTextureDatabase* db = m_pDatabase;
    if (!db || !db->IsDatOpen(cache))
        return std::nullopt;
    const int format = FormatFromGlCode(
        db->GetTexture(texture) ? db->GetTexture(texture)->textureHeader[cache].glFormat : 0);
    CodecFamily family = CodecFamily::kDxt;
    int fifth = 0, sixth = 0;
    // Without a decoder the decode would show a box for every texture; placeholders do.
    if (format == RASTER_UNKNOWN || (DecompressArguments(format, family, fifth, sixth) &&
                                     family != CodecFamily::kUnc && !Plugins().decompress[family]))
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
    // Without a game the records would take the Vice City layout whatever the cache holds.
    if (!LayoutOfGame(request.game))
        throw CError("wrong GameID given!");
    // Refused before any record is appended: a texture that cannot be indexed, or one with
    // no data file to hold its pixels, would leave the cache's files out of step.
    if (!request.targetCache) {
        const NameProblem problem = CheckTextureName(request.name);
        if (problem != NameProblem::kNone)
            throw CError("The texture name '" + Text::EscapeControls(request.name) +
                         "' cannot be stored: " + DescribeNameProblem(problem) + ".");
    }
    // Thumbnails, records and the index entry go in together or not at all.
    CEditScope edit(*db);

    const EncodeSettings settings = CurrentEncodeSettings(request);
    std::optional<EncodedTexture> ahead;
    if (m_pEncodeAhead)
        ahead = m_pEncodeAhead->Take(request, settings);
    const EncodedTexture encoded = ahead ? std::move(*ahead) : EncodeTexture(request, settings);
    StoreEncoded(request, settings, encoded);
    return 1;
}

EncodeSettings CCacheHelper::CurrentEncodeSettings(const EncodeRequest& request) const {
    CTextureDatabase* db = m_pDatabase;
    EncodeSettings settings;
    bool anyCache = false;
    for (int i = 0; i < kCacheCount; ++i) {
        const CacheId cache = kAllCaches[static_cast<size_t>(i)];
        settings.wanted[i] =
            (!request.targetCache || request.targetCache == cache) && db->IsDatOpen(cache);
        anyCache = anyCache || settings.wanted[i];
    }
    if (!anyCache)
        throw CError("The cache has no data file (.dat) to store the texture in.");
    settings.thumbSize = IniReadInt(Settings::kThumbSize);
    // The flags of each cache's compress calls, from its family's settings. A plug-in
    // that offers no quality levels is always asked for the first.
    for (int i = 0; i < kCacheCount; ++i) {
        const char* section = Settings::kFamilySections[i];
        const int plugin = FindPlugin(IniReadString(section, Settings::kPluginKey));
        const bool hasQualities = !PluginInfoList(plugin, TESSARINE_INFO_QUALITY_NAMES).empty();
        settings.flags[i] =
            (hasQualities
                 ? static_cast<uint32_t>(IniReadInt(section, Settings::kQualityKey, 0)) & 0xF
                 : 0u) |
            (IniReadInt(section, Settings::kDitheringKey, 0) != 0 ? 0x10u : 0u) |
            (request.withAlpha ? 0x20u : 0u);
    }
    return settings;
}

void CCacheHelper::StoreEncoded(const EncodeRequest& request, const EncodeSettings& settings,
                                const EncodedTexture& e) {
    CTextureDatabase* db = m_pDatabase;
    const bool alpha = request.withAlpha;
    const uint32_t width = request.bitmap->Width(), height = request.bitmap->Height();
    const uint32_t side = std::max(width, height);
    const auto wanted = [&](int i) { return settings.wanted[i]; };
    {
        LogPrint(L"CCacheHelper: updating TMB...\n");
        const uint32_t thumbSide = e.thumbSide;
        const RasterHeader thumb = MakeHeader(RASTER_RGBA8888, thumbSide, thumbSide, false);
        for (CacheId k : kAllCaches)
            if (db->IsTmbOpen(k) && (!request.thumbnailOfTargetOnly || request.targetCache == k))
                db->AppendRecord(k, thumb, true, e.thumbnail.data(), LayoutOfRequest(request),
                                 false, thumbSide * thumbSide * 4);
        LogPrint(L"CCacheHelper: TMB updated.\n");
    }
    const bool pack = IniReadInt(Settings::kPackTextureData) != 0;
    const RecordLayout layout = LayoutOfRequest(request);
    for (int i = 0; i < kCacheCount; ++i) {
        if (!wanted(i))
            continue;
        const CacheId cache = kAllCaches[static_cast<size_t>(i)];
        if (request.uncompressed) {
            db->AppendRecord(cache, MakeHeader(RASTER_RGBA8888, width, height, true), false,
                             e.chain32.data(), layout, pack, static_cast<uint32_t>(e.size32));
            continue;
        }
        // The format follows the family whose coder actually filled the cache's output.
        const std::optional<CodecFamily> family = e.usedFamily[i];
        int format = alpha ? RASTER_RGBA4444 : RASTER_RGBA5551;
        const uint8_t* data = e.chain16.data();
        size_t size = e.size16;
        uint32_t headerWidth = width, headerHeight = height;
        if (e.outputSize[i] > 0 && family && family != CodecFamily::kUnc) {
            if (family == CodecFamily::kDxt)
                format = alpha ? RASTER_DXT5 : RASTER_DXT1;
            else if (family == CodecFamily::kEtc1)
                format = alpha ? RASTER_RGBA4444 : RASTER_ETC1;
            else
                format = alpha ? RASTER_PVRTC4 : RASTER_PVRTC2;
            if (!(family == CodecFamily::kEtc1 && alpha)) {
                data = e.output[i].data();
                size = e.outputSize[i];
            }
            if (family == CodecFamily::kPvrtc)
                headerWidth = headerHeight = side;
        }
        db->AppendRecord(cache, MakeHeader(format, headerWidth, headerHeight, true), false, data,
                         layout, pack, static_cast<uint32_t>(size));
    }
    if (!request.targetCache)
        db->AddTexture(request.name, static_cast<int>(width), static_cast<int>(height),
                       request.category, alpha ? 2 : 0);
}
