// The DAT, TOC and TMB files of the four caches: opening them and loading the offsets of
// their records.
#include "cache/ByteOrder.h"
#include "cache/DataFiles.h"

#include "app/Log.h"
#include "gta/BlockCompression.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "platform/Ticks.h"
#include "raster/RasterFormat.h"

#include <cstring>

namespace {

const char* Extension(CacheFileKind kind) {
    switch (kind) {
    case CacheFileKind::kToc:
        return ".toc";
    case CacheFileKind::kTmb:
        return ".tmb";
    default:
        return ".dat";
    }
}

} // namespace

CCacheDataFiles::~CCacheDataFiles() {
    // An edit still open here was left by an exception that never reached its scope.
    AbortEdit();
    CloseDataFiles();
}

std::string CCacheDataFiles::CacheFileName(CacheFileKind kind, CacheId cache) const {
    if (kind == CacheFileKind::kIndex)
        return m_strPath;
    const std::string base =
        m_strPath.size() >= 4 ? m_strPath.substr(0, m_strPath.size() - 4) : std::string();
    return base + "." + CacheName(cache) + Extension(kind);
}

int64_t CCacheDataFiles::FileLength(CacheFileKind kind, CacheId cache) const {
    const CCacheFile* file = kind == CacheFileKind::kDat   ? m_pDat[cache].get()
                             : kind == CacheFileKind::kToc ? m_pToc[cache].get()
                                                           : m_pTmb[cache].get();
    return file ? file->Length() : -1;
}

void CCacheDataFiles::CloseDataFiles() {
    for (CacheId k : kAllCaches) {
        m_pDat[k].reset();
        m_pToc[k].reset();
        m_pTmb[k].reset();
    }
    m_PrimaryCache.reset();
}

bool CCacheDataFiles::ReadAt(const CCacheFile* file, uint64_t offset, void* buffer, size_t count) {
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

void CCacheDataFiles::StartOver(const std::string& path) {
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
    for (CacheId k : kAllCaches)
        for (CacheFileKind kind : kDataFileKinds)
            m_RealPaths.push_back(Files::RealPath(base + "." + CacheName(k) + Extension(kind)));
    RefreshStamp();
}

int CCacheDataFiles::Open(const std::string& path) {
    StartOver(path);
    m_strRecoveryProblem.clear();
    RecoverInterruptedEdit();
    // Noted before anything is read: a change another program makes while this one reads
    // shows as a difference at the next edit, which is then refused.
    RefreshStamp();
    for (CacheId k : kAllCaches) {
        m_pToc[k] = CCacheFile::OpenExisting(FilePath(CacheFileKind::kToc, k));
        m_pDat[k] = CCacheFile::OpenExisting(FilePath(CacheFileKind::kDat, k));
        m_pTmb[k] = CCacheFile::OpenExisting(FilePath(CacheFileKind::kTmb, k));
        for (CacheFileKind kind : {CacheFileKind::kToc, CacheFileKind::kDat, CacheFileKind::kTmb})
            if (Handle(kind, k))
                GuardWrites(*Handle(kind, k));
        if (!m_pDat[k])
            continue;
        if (!m_PrimaryCache)
            m_PrimaryCache = k;
        LogPrintA("CTextureDatabase: '%s' cache loaded (DAT: %d bytes, TOC: %d bytes)\n",
                  CacheName(k), static_cast<int>(FileLength(CacheFileKind::kDat, k)),
                  m_pToc[k] ? static_cast<int>(FileLength(CacheFileKind::kToc, k)) : -1);
    }

    LoadTxt(path); // a missing index leaves both lists empty

    const int64_t textures = TextureCount();
    if (textures > 0) {
        for (CacheId k : kAllCaches) {
            if (!m_pDat[k] || !m_pToc[k])
                continue;
            const int64_t tocLength = FileLength(CacheFileKind::kToc, k);
            if (tocLength != 4 * textures + 4) {
                LogPrintA("CTextureDatabase: '%s' TOC file size ERROR.\n", CacheName(k));
                ReportError(__LINE__, static_cast<uint32_t>(tocLength),
                            std::string("'") + CacheName(k) + ".toc' size ERROR", true);
            }
        }
    }

    const uint32_t start = GetTickCount();
    const int ordinary = OrdinaryCount();
    for (CacheId k : kAllCaches) {
        if (m_pDat[k]) {
            const int textureCount = LoadOffsets(k, false);
            LogPrintA("CTextureDatabase: %d '%s' textures loaded\n", textureCount, CacheName(k));
        }
        // A TMB holds one thumbnail per texture that has data of its own, whatever the
        // state of the DAT or TOC beside it: a damaged TOC must not condemn sound
        // thumbnails.
        if (m_pTmb[k]) {
            const int thumbs = LoadOffsets(k, true);
            if (thumbs != ordinary) {
                LogPrintA("CTextureDatabase: [ERROR] '%s' thumbs count mismatch (%d)!\n",
                          CacheName(k), thumbs);
                UnloadThumbs(k);
            }
        }
    }
    LogPrintA("CTextureDatabase: Offsets loaded within %0.3f seconds.\n",
              (GetTickCount() - start) / 1000.0);
    return 1;
}

int CCacheDataFiles::LoadOffsets(CacheId cache, bool thumbnails) {
    const CacheId k = cache;
    if (!thumbnails)
        m_TocList[k].clear();
    const char* source = thumbnails ? "TMB" : (m_pToc[k] ? "TOC" : "DAT");
    LogPrintA("CTextureDatabase: Loading '%s' %s offsets from %s file...\n", CacheName(k),
              thumbnails ? "thumb" : "texture", source);
    const size_t textures = m_Textures.size();

    if (!thumbnails && m_pToc[k]) {
        // One read of the whole TOC. A word past its end is a record nobody knows: it
        // must not point at the DAT's first record and show another texture's picture.
        // An alias has no record, whatever its word says.
        std::vector<uint8_t> toc(4 + 4 * textures, 0xFF);
        const int64_t length = FileLength(CacheFileKind::kToc, k);
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

int CCacheDataFiles::CountTextures(CacheId cache) const {
    int count = 0;
    for (const TextureRecord& record : m_Textures)
        count += !record.IsAlias() && record.datOffset[cache] != -1;
    return count;
}

int CCacheDataFiles::CountThumbs(CacheId cache) const {
    int count = 0;
    for (const TextureRecord& record : m_Textures)
        count += !record.IsAlias() && record.tmbOffset[cache] != -1;
    return count;
}

int CCacheDataFiles::UnloadThumbs(CacheId cache) {
    for (TextureRecord& record : m_Textures)
        record.tmbOffset[cache] = -1;
    return TextureCount();
}

int CCacheDataFiles::ReloadTxt() {
    m_Textures.clear();
    m_Categories.clear();
    LoadTxt(m_strPath);
    ReloadThumbOffsets();
    return 1;
}

void CCacheDataFiles::ReloadThumbOffsets() {
    for (CacheId k : kAllCaches)
        if (m_pTmb[k])
            LoadOffsets(k, true);
}
