#include "pipeline/CacheHelper.h"

#include "pipeline/EncodeAhead.h"
#include "pipeline/TextureEncoding.h"

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
        settings.wanted[i] =
            (request.targetCache == -1 || request.targetCache == i) && db->IsDatOpen(i);
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
        for (int k = 0; k < kCacheCount; ++k)
            if (db->IsTmbOpen(k))
                db->AppendRecord(k, thumb, true, e.thumbnail.data(), request.game == 2 ? 2 : 1,
                                 false, thumbSide * thumbSide * 4);
        LogPrint(L"CCacheHelper: TMB updated.\n");
    }
    const bool pack = IniReadInt(Settings::kPackTextureData) != 0;
    const int layout = request.game == 2 ? 2 : 1;
    for (int i = 0; i < kCacheCount; ++i) {
        if (!wanted(i))
            continue;
        if (request.uncompressed) {
            db->AppendRecord(i, MakeHeader(RASTER_RGBA8888, width, height, true), false,
                             e.chain32.data(), layout, pack, static_cast<uint32_t>(e.size32));
            continue;
        }
        // The format follows the family whose coder actually filled the cache's output.
        const int family = e.usedFamily[i];
        int format = alpha ? RASTER_RGBA4444 : RASTER_RGBA5551;
        const uint8_t* data = e.chain16.data();
        size_t size = e.size16;
        uint32_t headerWidth = width, headerHeight = height;
        if (e.outputSize[i] > 0 && family >= 0 && family != 3) {
            if (family == 0)
                format = alpha ? RASTER_DXT5 : RASTER_DXT1;
            else if (family == 1)
                format = alpha ? RASTER_RGBA4444 : RASTER_ETC1;
            else
                format = alpha ? RASTER_PVRTC4 : RASTER_PVRTC2;
            if (!(family == 1 && alpha)) {
                data = e.output[i].data();
                size = e.outputSize[i];
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
}
