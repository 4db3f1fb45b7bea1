// The DAT, TOC and TMB files of the four caches: opening and creating them, loading
// offsets, reading records, checks and repairs.
#include "cache/ByteOrder.h"
#include "cache/TextureDatabase.h"

#include "app/Log.h"
#include "gta/BlockCompression.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "platform/Ticks.h"
#include "raster/RasterFormat.h"

#include "cache/CacheLock.h"

#include <cstring>

std::string CTextureDatabase::CacheFileName(int kind, int cache) const {
    if (kind == 3)
        return m_strPath;
    static const char* kExtensions[3] = {".dat", ".toc", ".tmb"};
    const std::string base =
        m_strPath.size() >= 4 ? m_strPath.substr(0, m_strPath.size() - 4) : std::string();
    return base + "." + kCacheNames[Valid(cache) ? cache : 0] +
           kExtensions[kind >= 0 && kind < 3 ? kind : 0];
}

int64_t CTextureDatabase::FileLength(int kind, int cache) const {
    if (!Valid(cache))
        return -1;
    const CCacheFile* file = kind == kFileDat   ? m_pDat[cache].get()
                             : kind == kFileToc ? m_pToc[cache].get()
                                                : m_pTmb[cache].get();
    return file ? file->Length() : -1;
}

void CTextureDatabase::CloseDataFiles() {
    for (int k = 0; k < kCacheCount; ++k) {
        m_pDat[k].reset();
        m_pToc[k].reset();
        m_pTmb[k].reset();
    }
    m_nPrimaryCache = -1;
}

bool CTextureDatabase::ReadAt(const CCacheFile* file, uint64_t offset, void* buffer, size_t count) {
    if (!file)
        return false;
    // A walk reads forward through a window of the file: one read per window instead of
    // one per record, and no buffer the size of the file to fault in.
    if (file == m_pWalkFile && count <= kWalkWindow) {
        const uint64_t end = m_nWalkWindowStart + m_WalkWindow.size();
        if (offset < m_nWalkWindowStart || offset + count > end) {
            const uint64_t length = static_cast<uint64_t>(std::max<int64_t>(file->Length(), 0));
            if (offset > length || count > length - offset)
                return false;
            m_WalkWindow.resize(
                static_cast<size_t>(std::min<uint64_t>(kWalkWindow, length - offset)));
            m_nWalkWindowStart = offset;
            if (!file->ReadAt(offset, m_WalkWindow.data(), m_WalkWindow.size())) {
                m_WalkWindow.clear();
                return false;
            }
        }
        std::memcpy(buffer, m_WalkWindow.data() + (offset - m_nWalkWindowStart), count);
        return true;
    }
    return file->ReadAt(offset, buffer, count);
}

void CTextureDatabase::StartOver(const std::string& path) {
    m_strPath = path;
    m_Categories.clear();
    m_Textures.clear();
    CloseDataFiles();
    for (auto& list : m_TocList)
        list.clear();
    // Edits change the files a symbolic link points at, and keep their journal and lock
    // beside the real index, so every program finds them whatever path it was given.
    m_RealPaths.clear();
    const std::string index = Files::RealPath(path);
    m_RealPaths.push_back(index);
    const std::string base = index.size() >= 4 ? index.substr(0, index.size() - 4) : index;
    for (int k = 0; k < kCacheCount; ++k)
        for (const char* extension : {".dat", ".toc", ".tmb"})
            m_RealPaths.push_back(Files::RealPath(base + "." + kCacheNames[k] + extension));
    RefreshStamp();
}

int CTextureDatabase::Open(const std::string& path) {
    StartOver(path);
    m_strRecoveryProblem.clear();
    RecoverInterruptedEdit();
    // Noted before anything is read: a change another program makes while this one reads
    // shows as a difference at the next edit, which is then refused.
    RefreshStamp();
    for (int k = 0; k < kCacheCount; ++k) {
        m_pToc[k] = CCacheFile::OpenExisting(FilePath(kFileToc, k));
        m_pDat[k] = CCacheFile::OpenExisting(FilePath(kFileDat, k));
        m_pTmb[k] = CCacheFile::OpenExisting(FilePath(kFileTmb, k));
        for (int kind : {kFileToc, kFileDat, kFileTmb})
            if (Handle(kind, k))
                GuardWrites(*Handle(kind, k));
        if (!m_pDat[k])
            continue;
        if (m_nPrimaryCache < 0)
            m_nPrimaryCache = k;
        LogPrintA("CTextureDatabase: '%s' cache loaded (DAT: %d bytes, TOC: %d bytes)\n",
                  kCacheNames[k], static_cast<int>(FileLength(0, k)),
                  m_pToc[k] ? static_cast<int>(FileLength(1, k)) : -1);
    }

    LoadTxt(path); // a missing index leaves both lists empty

    const int64_t textures = TextureCount();
    if (textures > 0) {
        for (int k = 0; k < kCacheCount; ++k) {
            if (!m_pDat[k] || !m_pToc[k])
                continue;
            const int64_t tocLength = FileLength(1, k);
            if (tocLength != 4 * textures + 4) {
                LogPrintA("CTextureDatabase: '%s' TOC file size ERROR.\n", kCacheNames[k]);
                ReportError(__LINE__, static_cast<uint32_t>(tocLength),
                            std::string("'") + kCacheNames[k] + ".toc' size ERROR", true);
            }
        }
    }

    const uint32_t start = GetTickCount();
    const int ordinary = OrdinaryCount();
    for (int k = 0; k < kCacheCount; ++k) {
        if (m_pDat[k]) {
            const int textureCount = LoadOffsets(k, false);
            LogPrintA("CTextureDatabase: %d '%s' textures loaded\n", textureCount, kCacheNames[k]);
        }
        // A TMB holds one thumbnail per texture that has data of its own, whatever the
        // state of the DAT or TOC beside it: a damaged TOC must not condemn sound
        // thumbnails.
        if (m_pTmb[k]) {
            const int thumbs = LoadOffsets(k, true);
            if (thumbs != ordinary) {
                LogPrintA("CTextureDatabase: [ERROR] '%s' thumbs count mismatch (%d)!\n",
                          kCacheNames[k], thumbs);
                UnloadThumbs(k);
            }
        }
    }
    LogPrintA("CTextureDatabase: Offsets loaded within %0.3f seconds.\n",
              (GetTickCount() - start) / 1000.0);
    return 1;
}

int CTextureDatabase::OrdinaryCount() const {
    int ordinary = 0;
    for (const TextureRecord& record : m_Textures)
        ordinary += !record.IsAlias();
    return ordinary;
}

int CTextureDatabase::Create(const std::string& path) {
    StartOver(path);
    CEditScope edit(*this);
    for (int k = 0; k < kCacheCount; ++k) {
        for (int kind : {kFileToc, kFileDat, kFileTmb})
            InstallStaged(kind, k, StageFile(kind, k));
        if (m_nPrimaryCache < 0)
            m_nPrimaryCache = k;
    }
    CategoryRecord category;
    category.name = "Default";
    m_Categories.push_back(category);
    RebuildTxt();
    Flush();
    return 1;
}

int CTextureDatabase::LoadOffsets(int cache, bool thumbnails) {
    if (!Valid(cache))
        return -1;
    const int k = cache;
    if (!thumbnails)
        m_TocList[k].clear();
    const char* source = thumbnails ? "TMB" : (m_pToc[k] ? "TOC" : "DAT");
    LogPrintA("CTextureDatabase: Loading '%s' %s offsets from %s file...\n", kCacheNames[k],
              thumbnails ? "thumb" : "texture", source);
    const size_t textures = m_Textures.size();

    if (!thumbnails && m_pToc[k]) {
        // One read of the whole TOC. A word past its end is a record nobody knows: it
        // must not point at the DAT's first record and show another texture's picture.
        // An alias has no record, whatever its word says.
        std::vector<uint8_t> toc(4 + 4 * textures, 0xFF);
        const int64_t length = FileLength(kFileToc, k);
        const size_t available = static_cast<size_t>(std::min<int64_t>(length, toc.size()));
        if (available > 0)
            Files::ReadAt(m_pToc[k]->Fd(), 0, toc.data(), available);
        m_TocList[k].reserve(textures);
        int count = 0;
        for (size_t i = 0; i < textures; ++i) {
            const uint32_t word =
                m_Textures[i].IsAlias() ? kNoRecord : ReadLe32(toc.data() + 4 + 4 * i);
            m_TocList[k].push_back(word);
            m_Textures[i].datOffset[k] = static_cast<int32_t>(word);
            count += word != 0xFFFFFFFFu;
        }
        return count;
    }

    const CCacheFile* file = DataFile(k, thumbnails);
    if (!file)
        ReportError(__LINE__, static_cast<uint32_t>(k),
                    "DAT file is not loaded for requested cache: ", false);

    // Thumbnails are small: the TMB is walked through a window read in large pieces.
    if (thumbnails) {
        m_pWalkFile = file;
        m_WalkWindow.clear();
        m_nWalkWindowStart = 0;
    }

    // Every step passes one texture, so the walk ends after at most one step per texture
    // whatever lengths the records claim; a header that cannot be read ends it early.
    uint64_t offset = 0;
    int count = 0;
    size_t i = 0;
    while (i < textures) {
        uint8_t bytes[8];
        if (!ReadAt(file, offset, bytes, 8))
            break;
        while (i < textures && m_Textures[i].IsAlias()) {
            if (!thumbnails)
                m_TocList[k].push_back(0xFFFFFFFFu);
            ++i;
        }
        if (i == textures)
            break;
        if (offset > 0x7FFFFFFFu)
            break; // past what a 32-bit TOC entry can address
        TextureRecord& record = m_Textures[i];
        if (thumbnails) {
            record.tmbOffset[k] = static_cast<int32_t>(offset);
            record.thumbHeader[k] = DecodeHeader(bytes);
        } else {
            record.datOffset[k] = static_cast<int32_t>(offset);
            record.textureHeader[k] = DecodeHeader(bytes);
            m_TocList[k].push_back(static_cast<uint32_t>(offset));
        }
        ++count;
        const uint64_t length = RecordLength(static_cast<int>(i), k, thumbnails);
        const uint64_t end = static_cast<uint64_t>(std::max<int64_t>(file->Length(), 0));
        if (offset + length > end) {
            // A record cut short by the end of the file holds no picture to show.
            if (thumbnails) {
                record.tmbOffset[k] = -1;
            } else {
                record.datOffset[k] = -1;
                m_TocList[k].back() = kNoRecord;
            }
            --count;
            offset = end;
            ++i;
            break;
        }
        offset += length;
        ++i;
    }
    // Aliases after the last record have no record to wait for; without their entries a
    // TOC written from this list would be short and reported as damaged at the next open.
    if (!thumbnails)
        while (i < textures && m_Textures[i].IsAlias()) {
            m_TocList[k].push_back(0xFFFFFFFFu);
            ++i;
        }
    uint8_t probe[8];
    const bool more = ReadAt(file, offset, probe, 8);
    m_pWalkFile = nullptr;
    m_WalkWindow.clear();
    return more ? 0 : count;
}

int CTextureDatabase::CountTextures(int cache) const {
    if (!Valid(cache))
        return 0;
    int count = 0;
    for (const TextureRecord& record : m_Textures)
        count += !record.IsAlias() && record.datOffset[cache] != -1;
    return count;
}

int CTextureDatabase::CountThumbs(int cache) const {
    if (!Valid(cache))
        return 0;
    int count = 0;
    for (const TextureRecord& record : m_Textures)
        count += !record.IsAlias() && record.tmbOffset[cache] != -1;
    return count;
}

int CTextureDatabase::UnloadThumbs(int cache) {
    if (Valid(cache))
        for (TextureRecord& record : m_Textures)
            record.tmbOffset[cache] = -1;
    return TextureCount();
}

std::pair<uint32_t, uint32_t> CTextureDatabase::ReadLengthAndKey(int texture, int cache,
                                                                 bool thumbnail) {
    if (!IsValidTexture(texture) || !Valid(cache))
        return {0, 0};
    const TextureRecord& record = m_Textures[static_cast<size_t>(texture)];
    const int32_t offset = thumbnail ? record.tmbOffset[cache] : record.datOffset[cache];
    uint8_t words[8];
    if (offset < 0 ||
        !ReadAt(DataFile(cache, thumbnail), static_cast<uint64_t>(offset) + 8, words, 8))
        return {0, 0};
    return {ReadLe32(words), ReadLe32(words + 4)};
}

int CTextureDatabase::DetectLayout(int texture, int cache, bool thumbnail) {
    if (!IsValidTexture(texture) || !Valid(cache))
        return 1;
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
    if ((length == size + 4 && key == 0) ||
        (length > blockSize && length <= size + 4 && key >= 1 && key <= 255))
        return 2;
    return 1;
}

uint64_t CTextureDatabase::RecordLength(int texture, int cache, bool thumbnail) {
    if (!IsValidTexture(texture) || !Valid(cache))
        return 0;
    const int layout = m_nGame != 0 ? m_nGame : DetectLayout(texture, cache, thumbnail);
    const RasterHeader& header = Header(m_Textures[static_cast<size_t>(texture)], cache, thumbnail);
    const uint64_t size = RasterDataSize(header.width, header.Height(),
                                         FormatFromGlCode(header.glFormat), header.HasMips());
    if (layout == 2) {
        const uint32_t length = ReadLengthAndKey(texture, cache, thumbnail).first;
        return length != 0 ? uint64_t(length) + 12 : size + 12;
    }
    return size + 8;
}

std::optional<std::vector<uint8_t>> CTextureDatabase::ReadTextureData(int cache, int texture,
                                                                      bool thumbnail) {
    if (!IsValidTexture(texture) || !Valid(cache))
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
    const int layout = m_nGame != 0 ? m_nGame : DetectLayout(texture, cache, thumbnail);
    const auto [length, key] = ReadLengthAndKey(texture, cache, thumbnail);
    LogPrintA("CTextureDatabase: [cmprsd]  0x%08x 0x%08x\n", length, key);

    // Sizes come from the file: a record must lie inside it before anything is allocated
    // for it, and a packed stream can grow at most 255 blocks per run record.
    const uint64_t fileLength = static_cast<uint64_t>(std::max<int64_t>(file->Length(), 0));
    const uint64_t start = static_cast<uint32_t>(offset);
    const uint64_t stored = layout == 2 ? uint64_t(length) + 12 : size + 8;
    const bool storedData = layout != 2 || length == size + 4;
    if (start + (storedData ? size + (layout == 2 ? 16 : 8) : stored) > fileLength)
        throw CError("Wrong texture size given. Cache is corrupted.");
    const uint64_t stride =
        std::max<uint32_t>(GTA::BlockSize(FormatFromGlCode(header.glFormat)), 4);
    if (!storedData && size > (uint64_t(length) / (stride + 2) + 1) * 255 * stride + stride)
        throw CError("Wrong texture size given. Cache is corrupted.");

    std::vector<uint8_t> data(size);
    if (layout != 2) {
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

void CTextureDatabase::EnsureRecordLoaded(int texture) {
    if (!IsValidTexture(texture))
        return;
    TextureRecord& record = m_Textures[static_cast<size_t>(texture)];
    if (m_nPrimaryCache < 0)
        return; // no DAT open: nothing to read
    if (record.datOffset[m_nPrimaryCache] != -1 && record.textureHeader[m_nPrimaryCache].width != 0)
        return;
    for (int k = 0; k < kCacheCount; ++k) {
        if (!m_pDat[k])
            continue;
        const int32_t offset = GetTocOffset(k, texture);
        // The alias's resolution may have filled this record meanwhile.
        TextureRecord& current = m_Textures[static_cast<size_t>(texture)];
        current.textureHeader[k] = offset == -1 ? RasterHeader{} : ReadRasterHeader(texture, k);
        current.datOffset[k] = offset;
    }
}

int32_t CTextureDatabase::GetTocOffset(int cache, int texture) {
    if (!Valid(cache) || !IsValidTexture(texture))
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

RasterHeader CTextureDatabase::ReadRasterHeader(int texture, int cache) {
    if (!IsDatOpen(cache))
        throw CError("Data file is not loaded for requested cache.");
    const int32_t offset = GetTocOffset(cache, texture);
    uint8_t bytes[8];
    if (offset == -1 || !ReadAt(m_pDat[cache].get(), static_cast<uint32_t>(offset), bytes, 8))
        return RasterHeader{};
    return DecodeHeader(bytes);
}

int CTextureDatabase::IsRecordValid(int texture) {
    TextureRecord* record = GetTexture(texture);
    if (!record)
        return 0;
    for (int k = 0; k < kCacheCount; ++k) {
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

int32_t CTextureDatabase::GetOffset(int cache, int texture, bool thumbnail) {
    TextureRecord* record = GetTexture(texture);
    if (!record || !Valid(cache))
        return -1;
    return thumbnail ? record->tmbOffset[cache] : record->datOffset[cache];
}

int CTextureDatabase::GetWidth(int cache, int texture, bool thumbnail) {
    TextureRecord* record = GetTexture(texture);
    return record && Valid(cache) ? Header(*record, cache, thumbnail).width : 0;
}

int CTextureDatabase::GetHeight(int cache, int texture, bool thumbnail) {
    TextureRecord* record = GetTexture(texture);
    return record && Valid(cache) ? Header(*record, cache, thumbnail).Height() : 0;
}

const char* CTextureDatabase::GetFormatName(int cache, int texture, bool thumbnail) {
    TextureRecord* record = GetTexture(texture);
    return FormatName(record && Valid(cache)
                          ? FormatFromGlCode(Header(*record, cache, thumbnail).glFormat)
                          : RASTER_UNKNOWN);
}

int CTextureDatabase::GetBitsPerPixel(int cache, int texture, bool thumbnail) {
    TextureRecord* record = GetTexture(texture);
    return record && Valid(cache)
               ? FormatBitsPerPixel(FormatFromGlCode(Header(*record, cache, thumbnail).glFormat))
               : 0;
}

uint16_t CTextureDatabase::GetChannelLayout(int cache, int texture, bool) {
    // Always the texture header's: thumbnails are RGBA 8888, their layout is read as 32-bit.
    TextureRecord* record = GetTexture(texture);
    return record && Valid(cache)
               ? FormatChannelLayout(FormatFromGlCode(record->textureHeader[cache].glFormat))
               : 0;
}

uint32_t CTextureDatabase::GetBlockSize(int cache, int texture, bool thumbnail) {
    TextureRecord* record = GetTexture(texture);
    return record && Valid(cache)
               ? GTA::BlockSize(FormatFromGlCode(Header(*record, cache, thumbnail).glFormat))
               : 0;
}

uint32_t CTextureDatabase::GetLevelCount(int cache, int texture, bool thumbnail) {
    TextureRecord* record = GetTexture(texture);
    if (!record || !Valid(cache))
        return 0;
    const RasterHeader& h = Header(*record, cache, thumbnail);
    return LevelCount(h.width, h.Height(), h.HasMips());
}

uint64_t CTextureDatabase::GetDataSize(int cache, int texture, bool thumbnail) {
    TextureRecord* record = GetTexture(texture);
    if (!record || !Valid(cache))
        return 0;
    const RasterHeader& h = Header(*record, cache, thumbnail);
    return RasterDataSize(h.width, h.Height(), FormatFromGlCode(h.glFormat), h.HasMips());
}

void CTextureDatabase::ReloadThumbOffsets() {
    for (int k = 0; k < kCacheCount; ++k)
        if (m_pTmb[k])
            LoadOffsets(k, true);
}
