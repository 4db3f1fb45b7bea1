// Reading the records of the data files: their headers, lengths and rasters, and the
// records an alias stands for.
#include "cache/ByteOrder.h"
#include "cache/DataFiles.h"

#include "app/Log.h"
#include "gta/BlockCompression.h"
#include "raster/RasterFormat.h"

#include <cstring>

int CCacheDataFiles::ResolveAlias(TextureRecord& record) {
    if (!record.IsAlias())
        return 1;
    // Resolved already: the alias carries its original's offsets. Without any DAT open
    // there are no offsets to tell by, and the original's index says it instead.
    if (m_PrimaryCache ? record.datOffset[*m_PrimaryCache] != -1 : record.originalIndex != -1)
        return 1;
    const int original = FindTexture(record.affiliate, true);
    // An alias of an alias (or of itself) has no data to stand for: resolving it would
    // chase names in a circle.
    if (original < 0 || m_Textures[static_cast<size_t>(original)].IsAlias()) {
        LogPrint(L"CTextureDatabase: Texture affiliate was not found!\n");
        return 0;
    }
    EnsureRecordLoaded(original);
    const TextureRecord& source = m_Textures[static_cast<size_t>(original)];
    for (CacheId k : kAllCaches) {
        record.datOffset[k] = source.datOffset[k];
        record.tmbOffset[k] = source.tmbOffset[k];
        record.textureHeader[k] = source.textureHeader[k];
        record.thumbHeader[k] = source.thumbHeader[k];
    }
    record.width = source.width;
    record.height = source.height;
    record.cat = source.cat;
    record.alphamode = source.alphamode;
    record.format = source.format;
    record.hasdetail = source.hasdetail;
    record.originalIndex = original;
    return 1;
}

TextureRecord* CCacheDataFiles::ResolvedRecord(int texture) {
    if (!IsValidTexture(texture))
        return nullptr;
    TextureRecord& record = m_Textures[static_cast<size_t>(texture)];
    ResolveAlias(record);
    return &record;
}

int CCacheDataFiles::GetOriginalIndex(int texture) {
    const TextureRecord* record = ResolvedRecord(texture);
    return record ? record->originalIndex : -1;
}

int CCacheDataFiles::GetTextureCategory(int texture) {
    const TextureRecord* record = ResolvedRecord(texture);
    return record ? record->cat : -1;
}

int CCacheDataFiles::GetTextureHasDetail(int texture) {
    const TextureRecord* record = ResolvedRecord(texture);
    return record ? record->hasdetail : -1;
}

TextureRecord* CCacheDataFiles::GetTexture(int texture) {
    if (!IsValidTexture(texture))
        return nullptr;
    EnsureRecordLoaded(texture);
    TextureRecord& record = m_Textures[static_cast<size_t>(texture)];
    ResolveAlias(record);
    return &record;
}

std::pair<uint32_t, uint32_t> CCacheDataFiles::ReadLengthAndKey(int texture, CacheId cache,
                                                                bool thumbnail) {
    if (!IsValidTexture(texture))
        return {0, 0};
    const TextureRecord& record = m_Textures[static_cast<size_t>(texture)];
    const int32_t offset = thumbnail ? record.tmbOffset[cache] : record.datOffset[cache];
    uint8_t words[8];
    if (offset < 0 ||
        !ReadAt(DataFile(cache, thumbnail), static_cast<uint64_t>(offset) + 8, words, 8))
        return {0, 0};
    return {ReadLe32(words), ReadLe32(words + 4)};
}

RecordLayout CCacheDataFiles::LayoutOf(int texture, CacheId cache, bool thumbnail) {
    if (const std::optional<RecordLayout> layout = LayoutOfGame(m_nGame))
        return *layout;
    return DetectLayout(texture, cache, thumbnail);
}

RecordLayout CCacheDataFiles::DetectLayout(int texture, CacheId cache, bool thumbnail) {
    if (!IsValidTexture(texture))
        return RecordLayout::kVC;
    // Thumbnail walks run while a cache opens, before any texture header is read; they
    // must not read every DAT header.
    if (!thumbnail)
        EnsureRecordLoaded(texture);
    const TextureRecord& record = m_Textures[static_cast<size_t>(texture)];
    const RasterHeader& header = Header(record, cache, thumbnail);
    const uint64_t size = RasterDataSize(header.width, header.Height(),
                                         FormatFromGlCode(header.glFormat), header.HasMips());
    const auto [length, key] = ReadLengthAndKey(texture, cache, thumbnail);
    const uint64_t blockSize =
        GTA::BlockSize(FormatFromGlCode(record.textureHeader[cache].glFormat));
    return LayoutFromWords(size, blockSize, length, key);
}

RecordLayout LayoutFromWords(uint64_t size, uint32_t blockSize, uint32_t length, uint32_t key) {
    if ((length == size + 4 && key == 0) ||
        (length > blockSize && length <= size + 4 && key >= 1 && key <= 255))
        return RecordLayout::kSA;
    return RecordLayout::kVC;
}

uint64_t CCacheDataFiles::RecordLength(int texture, CacheId cache, bool thumbnail) {
    if (!IsValidTexture(texture))
        return 0;
    const RecordLayout layout = LayoutOf(texture, cache, thumbnail);
    const RasterHeader& header = Header(m_Textures[static_cast<size_t>(texture)], cache, thumbnail);
    const uint64_t size = RasterDataSize(header.width, header.Height(),
                                         FormatFromGlCode(header.glFormat), header.HasMips());
    if (layout == RecordLayout::kSA) {
        const uint32_t length = ReadLengthAndKey(texture, cache, thumbnail).first;
        return length != 0 ? uint64_t(length) + 12 : size + 12;
    }
    return size + 8;
}

std::optional<std::vector<uint8_t>> CCacheDataFiles::ReadTextureData(CacheId cache, int texture,
                                                                     bool thumbnail) {
    if (!IsValidTexture(texture))
        return std::nullopt;
    EnsureRecordLoaded(texture);
    TextureRecord& record = m_Textures[static_cast<size_t>(texture)];
    ResolveAlias(record);
    const RasterHeader& header = Header(record, cache, thumbnail);
    const uint64_t size = RasterDataSize(header.width, header.Height(),
                                         FormatFromGlCode(header.glFormat), header.HasMips());
    if (size == 0 || size > uint64_t(header.width) * header.Height() * 8)
        throw CError("Wrong texture size given. Cache is corrupted.");
    const int32_t offset = thumbnail ? record.tmbOffset[cache] : record.datOffset[cache];
    if (offset == -1)
        throw CError("Wrong texture offset given. DAT / TOC is corrupted.");
    const CCacheFile* file = DataFile(cache, thumbnail);
    if (!file)
        return std::nullopt;

    uint8_t head[8] = {};
    ReadAt(file, static_cast<uint32_t>(offset), head, 8);
    LogPrintA("CTextureDatabase: [header]  %02X %02X %02X %02X %02X %02X %02X %02X\n", head[0],
              head[1], head[2], head[3], head[4], head[5], head[6], head[7]);
    const RecordLayout layout = LayoutOf(texture, cache, thumbnail);
    const auto [length, key] = ReadLengthAndKey(texture, cache, thumbnail);
    LogPrintA("CTextureDatabase: [cmprsd]  0x%08x 0x%08x\n", length, key);

    // Sizes come from the file: a record must lie inside it before anything is allocated
    // for it, and a packed stream can grow at most 255 blocks per run record.
    const uint64_t fileLength = static_cast<uint64_t>(std::max<int64_t>(file->Length(), 0));
    const uint64_t start = static_cast<uint32_t>(offset);
    const uint64_t stored = layout == RecordLayout::kSA ? uint64_t(length) + 12 : size + 8;
    const bool storedData = layout != RecordLayout::kSA || length == size + 4;
    if (start + (storedData ? size + (layout == RecordLayout::kSA ? 16 : 8) : stored) > fileLength)
        throw CError("Wrong texture size given. Cache is corrupted.");
    const uint64_t stride =
        std::max<uint32_t>(GTA::BlockSize(FormatFromGlCode(header.glFormat)), 4);
    if (!storedData && size > (uint64_t(length) / (stride + 2) + 1) * 255 * stride + stride)
        throw CError("Wrong texture size given. Cache is corrupted.");

    std::vector<uint8_t> data(size);
    if (layout != RecordLayout::kSA) {
        ReadAt(file, start + 8, data.data(), size);
        return data;
    }
    std::memset(data.data(), 0xCC, size);
    if (storedData) {
        ReadAt(file, start + 16, data.data(), size);
        return data;
    }
    if (key == 0)
        LogPrint(L"CTextureDatabase: [ERROR] LOLWUT KEYCHAR FUCKED UP!\n");
    std::vector<uint8_t> packed(length);
    ReadAt(file, start + 12, packed.data(), length);
    LogPrintA("CTextureDatabase: unpacking %d bytes to %d...\n", static_cast<int>(length),
              static_cast<int>(size));
    const uint32_t unpacked =
        GTA::UnpackData(packed.data(), data.data(), length, static_cast<uint32_t>(size),
                        GTA::BlockSize(FormatFromGlCode(header.glFormat)));
    if (unpacked != size) {
        LogPrint(L"CTextureDatabase: [ERROR] unpacking FAILED!\n");
        LogPrintA("CTextureDatabase: [ERROR] s:%d o:%d p:%d u:%d\n", static_cast<int>(size),
                  thumbnail ? 0 : static_cast<int>(StoredLength(texture, cache, true)),
                  static_cast<int>(length), static_cast<int>(unpacked));
    }
    return data;
}

void CCacheDataFiles::EnsureRecordLoaded(int texture) {
    if (!IsValidTexture(texture))
        return;
    TextureRecord& record = m_Textures[static_cast<size_t>(texture)];
    if (!m_PrimaryCache)
        return; // no DAT open: nothing to read
    if (record.datOffset[*m_PrimaryCache] != -1 && record.textureHeader[*m_PrimaryCache].width != 0)
        return;
    for (CacheId k : kAllCaches) {
        if (!m_pDat[k])
            continue;
        const int32_t offset = GetTocOffset(k, texture);
        // The alias's resolution may have filled this record meanwhile.
        TextureRecord& current = m_Textures[static_cast<size_t>(texture)];
        current.textureHeader[k] = offset == -1 ? RasterHeader{} : ReadRasterHeader(texture, k);
        current.datOffset[k] = offset;
    }
}

int32_t CCacheDataFiles::GetTocOffset(CacheId cache, int texture) {
    if (!IsValidTexture(texture))
        return -1;
    int index = texture;
    TextureRecord& record = m_Textures[static_cast<size_t>(texture)];
    if (record.IsAlias()) {
        if (!ResolveAlias(record))
            return -1;
        index = record.originalIndex;
    }
    if (index < 0 || static_cast<size_t>(index) >= m_TocList[cache].size())
        return -1;
    return static_cast<int32_t>(m_TocList[cache][static_cast<size_t>(index)]);
}

RasterHeader CCacheDataFiles::ReadRasterHeader(int texture, CacheId cache) {
    if (!IsDatOpen(cache))
        throw CError("Data file is not loaded for requested cache.");
    const int32_t offset = GetTocOffset(cache, texture);
    uint8_t bytes[8];
    if (offset == -1 || !ReadAt(m_pDat[cache].get(), static_cast<uint32_t>(offset), bytes, 8))
        return RasterHeader{};
    return DecodeHeader(bytes);
}

int CCacheDataFiles::IsRecordValid(int texture) {
    TextureRecord* record = GetTexture(texture);
    if (!record)
        return 0;
    for (CacheId k : kAllCaches) {
        if (!m_pDat[k])
            continue;
        // A texture whose record a repair could not find has nothing to show.
        if (!record->IsAlias() && record->datOffset[k] == -1)
            return 0;
        const RasterHeader& h = record->textureHeader[k];
        if (h.glFormat == 0)
            continue;
        const int format = FormatFromGlCode(h.glFormat);
        if (format == RASTER_UNKNOWN ||
            RasterDataSize(h.width, h.Height(), format, h.HasMips()) == 0)
            return 0;
    }
    return 1;
}

int32_t CCacheDataFiles::GetOffset(CacheId cache, int texture, bool thumbnail) {
    TextureRecord* record = GetTexture(texture);
    if (!record)
        return -1;
    return thumbnail ? record->tmbOffset[cache] : record->datOffset[cache];
}

int CCacheDataFiles::GetWidth(CacheId cache, int texture, bool thumbnail) {
    TextureRecord* record = GetTexture(texture);
    return record ? Header(*record, cache, thumbnail).width : 0;
}

int CCacheDataFiles::GetHeight(CacheId cache, int texture, bool thumbnail) {
    TextureRecord* record = GetTexture(texture);
    return record ? Header(*record, cache, thumbnail).Height() : 0;
}

const char* CCacheDataFiles::GetFormatName(CacheId cache, int texture, bool thumbnail) {
    TextureRecord* record = GetTexture(texture);
    return FormatName(record ? FormatFromGlCode(Header(*record, cache, thumbnail).glFormat)
                             : RASTER_UNKNOWN);
}

int CCacheDataFiles::GetBitsPerPixel(CacheId cache, int texture, bool thumbnail) {
    TextureRecord* record = GetTexture(texture);
    return record ? FormatBitsPerPixel(FormatFromGlCode(Header(*record, cache, thumbnail).glFormat))
                  : 0;
}

uint16_t CCacheDataFiles::GetChannelLayout(CacheId cache, int texture, bool) {
    // Always the texture header's: thumbnails are RGBA 8888, their layout is read as 32-bit.
    TextureRecord* record = GetTexture(texture);
    return record ? FormatChannelLayout(FormatFromGlCode(record->textureHeader[cache].glFormat))
                  : 0;
}

uint32_t CCacheDataFiles::GetBlockSize(CacheId cache, int texture, bool thumbnail) {
    TextureRecord* record = GetTexture(texture);
    return record ? GTA::BlockSize(FormatFromGlCode(Header(*record, cache, thumbnail).glFormat))
                  : 0;
}

uint32_t CCacheDataFiles::GetLevelCount(CacheId cache, int texture, bool thumbnail) {
    TextureRecord* record = GetTexture(texture);
    if (!record)
        return 0;
    const RasterHeader& h = Header(*record, cache, thumbnail);
    return LevelCount(h.width, h.Height(), h.HasMips());
}

uint64_t CCacheDataFiles::GetDataSize(CacheId cache, int texture, bool thumbnail) {
    TextureRecord* record = GetTexture(texture);
    if (!record)
        return 0;
    const RasterHeader& h = Header(*record, cache, thumbnail);
    return RasterDataSize(h.width, h.Height(), FormatFromGlCode(h.glFormat), h.HasMips());
}

uint32_t CCacheDataFiles::StoredLength(int texture, CacheId cache, bool follow) {
    if (!IsDatOpen(cache))
        return 0;
    if (!IsValidTexture(texture))
        ReportError(__LINE__, static_cast<uint32_t>(texture),
                    "Requested texture [value] does not exists", false);
    EnsureRecordLoaded(texture);
    TextureRecord* record = &m_Textures[static_cast<size_t>(texture)];
    ResolveAlias(*record);
    if (record->IsAlias()) {
        if (!follow || !IsValidTexture(record->originalIndex))
            return 0;
        texture = record->originalIndex;
    }
    const int64_t datLength = FileLength(CacheFileKind::kDat, cache);
    int64_t end = datLength;
    for (int next = texture + 1; next < TextureCount(); ++next) {
        if (m_Textures[static_cast<size_t>(next)].IsAlias())
            continue;
        end = GetTocOffset(cache, next);
        break;
    }
    const uint32_t length = static_cast<uint32_t>(end - GetTocOffset(cache, texture));
    if (length > 0xF0000000u)
        ReportError(__LINE__, length, "Wrong texture size given [value].", true);
    return length;
}
