#pragma once
// The data files of a cache (DAT, TOC and TMB of each of the four caches) over its index
// model: opening them, the offsets of every record, reading records and their headers,
// and the safe writer under every change: the lock, the journal, staged replacements,
// commit and undo.
#include "cache/CacheFile.h"
#include "cache/TextureIndex.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CCacheLock;

// A TOC entry that points at no record: an alias, or a texture whose record is missing.
inline constexpr uint32_t kNoRecord = 0xFFFFFFFFu;

// The layout the two words after a record's header speak for: SA when they are a length
// that fits the raster of size bytes (with its block size) and a packing key, else VC.
RecordLayout LayoutFromWords(uint64_t size, uint32_t blockSize, uint32_t length, uint32_t key);

class CCacheDataFiles : public CTextureIndex {
public:
    CCacheDataFiles(const CCacheDataFiles&) = delete;
    CCacheDataFiles& operator=(const CCacheDataFiles&) = delete;

    // Opens the cache whose index file is path. Returns 1.
    int Open(const std::string& path);
    // Reads the index file again; data offsets stay, thumbnails are reloaded. Returns 1.
    int ReloadTxt();

    const std::string& Path() const { return m_strPath; }
    // The first cache with a DAT, nullopt when none has one.
    std::optional<CacheId> PrimaryCache() const { return m_PrimaryCache; }

    // 1 when the record is ordinary or its alias is resolved, 0 when the original is missing.
    int ResolveAlias(TextureRecord& record);
    int GetOriginalIndex(int texture);
    int GetTextureCategory(int texture);
    int GetTextureHasDetail(int texture);
    // The record after its headers are loaded and its alias resolved; nullptr when the
    // index is out of range.
    TextureRecord* GetTexture(int texture);

    // Fills DAT offsets and the tocList of a cache from its TOC or by walking its DAT, or
    // with thumbnails, TMB offsets and thumbnail headers by walking the TMB. The number of
    // records found; 0 when the file holds more records than the index has textures.
    int LoadOffsets(CacheId cache, bool thumbnails);
    int CountTextures(CacheId cache) const;
    int CountThumbs(CacheId cache) const;
    int UnloadThumbs(CacheId cache);
    // VC or SA, as the record's length words say.
    RecordLayout DetectLayout(int texture, CacheId cache, bool thumbnail);
    // The game's layout, or the record's own when the game is not known.
    RecordLayout LayoutOf(int texture, CacheId cache, bool thumbnail);
    uint64_t RecordLength(int texture, CacheId cache, bool thumbnail);
    // Bytes from a texture's record to the next record (or the end of the DAT); with
    // follow, an alias gives its original's. 0 when the DAT is not open.
    uint32_t StoredLength(int texture, CacheId cache, bool follow);
    // The two words after a record's header (L and K of the SA layout); 0 and 0 when
    // they cannot be read.
    std::pair<uint32_t, uint32_t> ReadLengthAndKey(int texture, CacheId cache, bool thumbnail);
    // The unpacked raster (all levels) of a texture or thumbnail; nullopt when the file is
    // not open. Throws CError on a bad size or offset.
    std::optional<std::vector<uint8_t>> ReadTextureData(CacheId cache, int texture, bool thumbnail);
    // Fills a texture's headers and DAT offsets from the DAT files when not loaded yet.
    void EnsureRecordLoaded(int texture);
    // The tocList entry of a texture (of its original for an alias), -1 when none.
    int32_t GetTocOffset(CacheId cache, int texture);
    RasterHeader ReadRasterHeader(int texture, CacheId cache);
    int IsRecordValid(int texture);
    // NAME.X.dat, .toc, .tmb, or the index path.
    std::string CacheFileName(CacheFileKind kind, CacheId cache) const;

    // Header accessors: the texture header, or with thumbnail the thumbnail header, of a
    // texture in a cache.
    int32_t GetOffset(CacheId cache, int texture, bool thumbnail);
    int GetWidth(CacheId cache, int texture, bool thumbnail);
    int GetHeight(CacheId cache, int texture, bool thumbnail);
    const char* GetFormatName(CacheId cache, int texture, bool thumbnail);
    int GetBitsPerPixel(CacheId cache, int texture, bool thumbnail);
    uint16_t GetChannelLayout(CacheId cache, int texture, bool thumbnail);
    uint32_t GetBlockSize(CacheId cache, int texture, bool thumbnail);
    uint32_t GetLevelCount(CacheId cache, int texture, bool thumbnail);
    uint64_t GetDataSize(CacheId cache, int texture, bool thumbnail);

    bool IsDatOpen(CacheId cache) const { return m_pDat[cache] != nullptr; }
    bool IsTocOpen(CacheId cache) const { return m_pToc[cache] != nullptr; }
    bool IsTmbOpen(CacheId cache) const { return m_pTmb[cache] != nullptr; }
    // The path a cache file has on disk (symbolic links resolved); the cache is ignored
    // for the index.
    std::string FilePath(CacheFileKind kind, CacheId cache) const;
    // Length of a cache file, -1 when it is not open.
    int64_t FileLength(CacheFileKind kind, CacheId cache) const;
    const std::vector<uint32_t>& TocList(CacheId cache) const { return m_TocList[cache]; }

    // Keeps the cache's lock for the life of the database (a command-line edit takes it
    // before it reads the cache, so nothing can change between reading and writing).
    void AdoptLock(std::shared_ptr<CCacheLock> lock);
    // True when another program changed a file of the cache since this one read or
    // wrote it last.
    bool ChangedOnDisk() const;
    // Identity, size and time of each file of the cache as they are now.
    std::vector<std::string> DiskStamp() const { return StampNow(); }
    // True while an edit is open.
    bool InEdit() const { return m_nEditDepth > 0 || m_bSettling; }

protected:
    CCacheDataFiles() = default;
    ~CCacheDataFiles();

    // Forgets everything of the cache held so far and takes path as its index.
    void StartOver(const std::string& path);
    void CloseDataFiles();
    // A new file for kind/cache built beside the real one; InstallStaged puts it in the
    // cache's place (the real file is replaced when the edit commits).
    std::unique_ptr<CCacheFile> StageFile(CacheFileKind kind, CacheId cache);
    void InstallStaged(CacheFileKind kind, CacheId cache, std::unique_ptr<CCacheFile> file);
    std::unique_ptr<CCacheFile>& Handle(CacheFileKind kind, CacheId cache);
    CCacheFile* DataFile(CacheId cache, bool thumbnail) const {
        return thumbnail ? m_pTmb[cache].get() : m_pDat[cache].get();
    }
    // Reads exactly count bytes at offset of a cache file; false when they are not there.
    bool ReadAt(const CCacheFile* file, uint64_t offset, void* buffer, size_t count);
    static const RasterHeader& Header(const TextureRecord& record, CacheId cache, bool thumbnail) {
        return thumbnail ? record.thumbHeader[cache] : record.textureHeader[cache];
    }
    // The record with its alias resolved (without loading headers); nullptr out of range.
    TextureRecord* ResolvedRecord(int texture);
    // Reloads the thumbnail offsets of every cache whose TMB is open.
    void ReloadThumbOffsets();
    // Writes the journal before the first change of a file; throws outside an edit.
    void EnsureJournal();
    void GuardWrites(CCacheFile& file);

    PerCache<std::unique_ptr<CCacheFile>> m_pDat;
    PerCache<std::unique_ptr<CCacheFile>> m_pToc;
    PerCache<std::unique_ptr<CCacheFile>> m_pTmb;
    std::optional<CacheId> m_PrimaryCache;
    PerCache<std::vector<uint32_t>> m_TocList;

private:
    friend class CEditScope;
    // The first scope takes the lock and checks the files (the journal follows before the
    // first data file changes); the last one commits. AbortEdit settles every file by the
    // journal and reloads the cache from disk.
    void BeginEdit();
    void EndEdit();
    void Commit();
    // Finishes or undoes an edit that a crash interrupted; leftovers are removed.
    void RecoverInterruptedEdit();
    // Rolls the files forward or back as the journal says, and removes it.
    void SettleJournal();
    void RefreshStamp();
    std::vector<std::string> StampNow() const;
    // The index with symbolic links resolved: its lock and journal lie beside it, so every
    // program finds them whatever path it was given.
    const std::string& RealIndex() const { return m_RealPaths[0]; }

protected:
    void AbortEdit() noexcept;

private:
    std::string m_strPath;
    // The real paths of the 13 files: the index, then DAT, TOC and TMB of each cache (the
    // journal's order).
    std::vector<std::string> m_RealPaths;
    // While a TMB is walked: the file and the piece of it read last.
    static constexpr size_t kWalkWindow = 1u << 20;
    const CCacheFile* m_pWalkFile = nullptr;
    std::vector<uint8_t> m_WalkWindow;
    uint64_t m_nWalkWindowStart = 0;

    int m_nEditDepth = 0;
    bool m_bJournal = false;
    bool m_bSettling = false;
    bool m_bSettledForward = false;
    int m_nAborts = 0; // edits undone so far (a scope notices one undone inside it)
    // Why this cache may not be changed: an interrupted edit that could not be settled.
    std::string m_strRecoveryProblem;
    bool m_bCommitted = false;
    std::shared_ptr<CCacheLock> m_pHeldLock;
    std::shared_ptr<CCacheLock> m_pEditLock;
    // The files as this database last saw them: another program's change shows here.
    std::vector<std::string> m_Stamp;
};

// Opens an edit of the database for its lifetime. Scopes nest; the outermost commits
// when it closes normally, and its destructor throws when the commit fails (the edit is
// undone then). An exception leaving any scope undoes the whole edit: every file of the
// cache is as it was before the edit began, and the database is reloaded.
class CEditScope {
public:
    explicit CEditScope(CCacheDataFiles& files);
    ~CEditScope() noexcept(false);
    CEditScope(const CEditScope&) = delete;
    CEditScope& operator=(const CEditScope&) = delete;

private:
    CCacheDataFiles& m_Db;
    int m_nExceptions;
    int m_nAborts = 0;
};
