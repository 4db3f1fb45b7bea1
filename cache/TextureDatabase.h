#pragma once
// One open texture cache: the index file with its texture and category lists, and the
// DAT, TOC and TMB files of the four caches. Textures and categories are addressed by
// their 0-based position; -1 means none.
#include "cache/CacheFile.h"
#include "cache/Error.h"
#include "cache/TextureRecord.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CCacheLock;

// The kinds of file of a cache, as CacheFileName numbers them.
enum CacheFileKind { kFileDat = 0, kFileToc = 1, kFileTmb = 2, kFileIndex = 3 };
// A TOC entry that points at no record: an alias, or a texture whose record is missing.
inline constexpr uint32_t kNoRecord = 0xFFFFFFFFu;

// Makes the thumbnail of a texture in a cache for a TMB repair: side x side pixels in
// R, G, B, A order; nullopt when the texture cannot be decoded.
using ThumbnailMaker =
    std::function<std::optional<std::vector<uint8_t>>(int texture, int cache, uint32_t& side)>;

class CTextureDatabase {
public:
    // Opens an existing cache; game is 0 automatic, 1 GTA VC, 2 GTA SA.
    CTextureDatabase(const std::string& path, int game);
    // An empty cache, to be created.
    explicit CTextureDatabase(int game);
    ~CTextureDatabase();
    CTextureDatabase(const CTextureDatabase&) = delete;
    CTextureDatabase& operator=(const CTextureDatabase&) = delete;

    // Opens the cache whose index file is path. Returns 1.
    int Open(const std::string& path);

    // ---- Index file ----
    // Parses the index file into the lists (appending); 0 when it cannot be opened.
    int LoadTxt(const std::string& path);
    // Parses index text (8-bit, as stored) into the lists, appending.
    void ParseTxt(std::string_view latin1Text);
    // Rewrites the whole index file from the lists; throws CError when it cannot.
    void RebuildTxt();
    // The text RebuildTxt writes (8-bit, CR LF line ends).
    std::string BuildTxtText();
    // Reads the index file again; data offsets stay, thumbnails are reloaded. Returns 1.
    int ReloadTxt();

    std::string BuildTextureLine(TextureRecord& record);
    static std::string BuildCategoryLine(const CategoryRecord& record);
    int SetLineName(TextureRecord& record, const std::string& newName);
    int SetLineKey(TextureRecord& record, uint32_t newValue, const char* itemFormat,
                   uint32_t oldValue);

    // 1 when the record is ordinary or its alias is resolved, 0 when the original is missing.
    int ResolveAlias(TextureRecord& record);

    // ---- Lookups ----
    int FindTexture(const std::string& name, bool caseSensitive) const;
    int FindTextureContaining(int start, const std::string& text) const;
    int FindNextAlias(int start, int texture) const;
    std::string GetTextureName(int texture) const;
    std::string GetCategoryName(int category) const;
    bool IsAlias(int texture) const;
    bool IsValidTexture(int texture) const;
    int GetOriginalIndex(int texture);
    int GetTextureCategory(int texture);
    int GetTextureHasDetail(int texture);
    int GetTextureCamNorm(int texture) const;
    int GetTextureHasBias(int texture) const;
    // The record after its headers are loaded and its alias resolved; nullptr when the
    // index is out of range.
    TextureRecord* GetTexture(int texture);

    int TextureCount() const { return static_cast<int>(m_Textures.size()); }
    int CategoryCount() const { return static_cast<int>(m_Categories.size()); }
    const std::vector<TextureRecord>& Textures() const { return m_Textures; }
    const std::vector<CategoryRecord>& Categories() const { return m_Categories; }
    const std::string& Path() const { return m_strPath; }
    int PrimaryCache() const { return m_nPrimaryCache; }
    int Game() const { return m_nGame; }
    // The record layout from now on: 0 automatic, 1 VC, 2 SA.
    void SetGame(int game) { m_nGame = game; }

    // ---- Data files ----
    // Creates a new empty cache (index, and DAT, TOC and TMB of every cache). Returns 1.
    int Create(const std::string& path);
    // Fills DAT offsets and the tocList of a cache from its TOC or by walking its DAT, or
    // with thumbnails, TMB offsets and thumbnail headers by walking the TMB. The number of
    // records found; 0 when the file holds more records than the index has textures.
    int LoadOffsets(int cache, bool thumbnails);
    int CountTextures(int cache) const;
    // Textures that have data of their own (that are not aliases).
    int OrdinaryCount() const;
    int CountThumbs(int cache) const;
    int UnloadThumbs(int cache);
    bool CheckToc(int cache);
    // Rewrites a cache's TOC: the entries of a TOC of the right length where they point at
    // sound records, else the records found by walking the DAT; a texture whose record is
    // nowhere gets kNoRecord, never another texture's record. Returns the number of such
    // textures.
    int FixToc(int cache);
    int WriteToc(int cache);
    void FlushTocHeaders();
    int Flush();
    // Rewrites a cache's TMB keeping every intact thumbnail (those the walk finds, in
    // texture order); the missing ones come from makeThumbnail, placeholders where it
    // gives none.
    int RebuildTmb(int cache, int layout, const ThumbnailMaker& makeThumbnail = {});
    // Builds the index from the first DAT; the other caches' TOCs are rebuilt from their
    // own DATs when those hold the same records, else every texture is marked missing in
    // them (RepairNotes says which).
    int RebuildFromDat();
    // What the last repair could not do, one sentence each.
    const std::vector<std::string>& RepairNotes() const { return m_RepairNotes; }
    // The textures of a cache whose record is missing, outside the DAT, has a raster
    // header naming no raster, or overlaps another texture's record. Reads every header.
    std::vector<int> DamagedRecords(int cache);
    // 1 (VC: header and raw raster) or 2 (SA: header, length, stored or packed stream).
    int DetectLayout(int texture, int cache, bool thumbnail);
    uint64_t RecordLength(int texture, int cache, bool thumbnail);
    // The two words after a record's header (L and K of the SA layout); 0 and 0 when
    // they cannot be read.
    std::pair<uint32_t, uint32_t> ReadLengthAndKey(int texture, int cache, bool thumbnail);
    // The unpacked raster (all levels) of a texture or thumbnail; nullopt when the file is
    // not open. Throws CError on a bad size or offset.
    std::optional<std::vector<uint8_t>> ReadTextureData(int cache, int texture, bool thumbnail);
    // Fills a texture's headers and DAT offsets from the DAT files when not loaded yet.
    void EnsureRecordLoaded(int texture);
    // The tocList entry of a texture (of its original for an alias), -1 when none.
    int32_t GetTocOffset(int cache, int texture);
    RasterHeader ReadRasterHeader(int texture, int cache);
    int IsRecordValid(int texture);
    // NAME.X.dat (kind 0), .toc (1), .tmb (2), or the index path (3).
    std::string CacheFileName(int kind, int cache) const;

    // Header accessors: the texture header, or with thumbnail the thumbnail header, of a
    // texture in a cache.
    int32_t GetOffset(int cache, int texture, bool thumbnail);
    int GetWidth(int cache, int texture, bool thumbnail);
    int GetHeight(int cache, int texture, bool thumbnail);
    const char* GetFormatName(int cache, int texture, bool thumbnail);
    int GetBitsPerPixel(int cache, int texture, bool thumbnail);
    uint16_t GetChannelLayout(int cache, int texture, bool thumbnail);
    uint32_t GetBlockSize(int cache, int texture, bool thumbnail);
    uint32_t GetLevelCount(int cache, int texture, bool thumbnail);
    uint64_t GetDataSize(int cache, int texture, bool thumbnail);

    bool IsDatOpen(int cache) const { return Valid(cache) && m_pDat[cache]; }
    bool IsTocOpen(int cache) const { return Valid(cache) && m_pToc[cache]; }
    bool IsTmbOpen(int cache) const { return Valid(cache) && m_pTmb[cache]; }
    // The path a cache file has on disk (symbolic links resolved), kind as for
    // CacheFileName.
    std::string FilePath(int kind, int cache) const;
    // Length of a cache file (kind as for CacheFileName), -1 when it is not open.
    int64_t FileLength(int kind, int cache) const;
    const std::vector<uint32_t>& TocList(int cache) const { return m_TocList[cache]; }

    // ---- Editing ----
    int AppendRecord(int cache, const RasterHeader& header, bool thumbnail, const uint8_t* data,
                     int layout, bool pack, uint32_t length);
    int AddTexture(const std::string& name, int width, int height, int category, int alphamode);
    int AddAlias(const std::string& name, const std::string& original);
    int RenameTexture(int texture, const std::string& newName);
    int SetCategory(int texture, int value);
    int SetHasDetail(int texture, int value);
    int SetCamNorm(int texture, int value);
    int SetHasBias(int texture, int value);
    int AddCategory(const std::string& name);
    int RenameCategory(int category, const std::string& name);
    int DeleteCategory(int category);
    int CountSiblings(int texture);
    int DeleteSiblings(int texture);
    uint32_t StoredLength(int texture, int cache, bool follow);
    int DeleteTexture(int texture, int newOriginal, bool shrink);
    // Deletes a set of textures with their aliases, shrinking the files, in one pass over
    // each file; the files come out as deleting them one by one in index order would
    // leave them. 0 (nothing changed) when the cache's records are not in texture order.
    int DeleteTextures(const std::vector<int>& textures);

    // Shows a box with the error text and logs it; throws CError unless warningOnly.
    void ReportError(int sourceLine, uint32_t value, const std::string& message, bool warningOnly);

    // ---- Edits ----
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

private:
    friend class CEditScope;
    // The first scope takes the lock and checks the files (the journal follows before the
    // first data file changes); the last one commits. AbortEdit settles every file by the
    // journal and reloads the cache from disk.
    void BeginEdit();
    void EndEdit();
    void AbortEdit() noexcept;
    void Commit();
    // Writes the journal before the first change of a file; throws outside an edit.
    void EnsureJournal();
    void GuardWrites(CCacheFile& file);
    // Finishes or undoes an edit that a crash interrupted; leftovers are removed.
    void RecoverInterruptedEdit();
    // Rolls the files forward or back as the journal says, and removes it.
    void SettleJournal();
    void RefreshStamp();
    std::vector<std::string> StampNow() const;
    // The index with symbolic links resolved: its lock and journal lie beside it, so every
    // program finds them whatever path it was given.
    const std::string& RealIndex() const { return m_RealPaths[0]; }
    // A new file for kind/cache built beside the real one; InstallStaged puts it in the
    // cache's place (the real file is replaced when the edit commits).
    std::unique_ptr<CCacheFile> StageFile(int kind, int cache);
    void InstallStaged(int kind, int cache, std::unique_ptr<CCacheFile> file);
    std::unique_ptr<CCacheFile>& Handle(int kind, int cache);
    // The offsets of the records found by walking a DAT (kNoRecord for textures the walk
    // did not reach); complete when every ordinary texture got one and the last ends
    // exactly at the end of the file.
    std::vector<uint32_t> WalkDat(int cache, bool& complete);
    // A header at offset of a DAT that names a raster, and the record it opens lies
    // inside the file; its length in length.
    bool SoundRecordAt(int cache, uint64_t offset, uint64_t& length);
    // Removes the textures marked in doomed, cutting their records out of every file.
    // 0 (nothing changed) when the records are not in texture order.
    int RemoveTextures(const std::vector<bool>& doomed, bool shrink);
    // A new TOC of the DAT length and entries, in place at the commit.
    void StageToc(int cache, const std::vector<uint32_t>& entries);
    // StageToc, and the records take the entries as their offsets.
    void WriteTocFile(int cache, const std::vector<uint32_t>& entries);

private:
    static bool Valid(int cache) { return cache >= 0 && cache < kCacheCount; }
    void InitState(int game);
    void CloseDataFiles();
    // Forgets everything of the cache held so far and takes path as its index.
    void StartOver(const std::string& path);
    CCacheFile* DataFile(int cache, bool thumbnail) const {
        return thumbnail ? m_pTmb[cache].get() : m_pDat[cache].get();
    }
    // Reads exactly count bytes at offset of a cache file; false when they are not there.
    bool ReadAt(const CCacheFile* file, uint64_t offset, void* buffer, size_t count);
    const RasterHeader& Header(const TextureRecord& record, int cache, bool thumbnail) const {
        return thumbnail ? record.thumbHeader[cache] : record.textureHeader[cache];
    }
    // The record with its alias resolved (without loading headers); nullptr out of range.
    TextureRecord* ResolvedRecord(int texture);
    // Reloads the thumbnail offsets of every cache whose TMB is open.
    void ReloadThumbOffsets();

    std::unique_ptr<CCacheFile> m_pDat[kCacheCount];
    std::unique_ptr<CCacheFile> m_pToc[kCacheCount];
    std::unique_ptr<CCacheFile> m_pTmb[kCacheCount];
    std::string m_strPath;
    // The real paths of the 13 files: the index, then DAT, TOC and TMB of each cache (the
    // journal's order).
    std::vector<std::string> m_RealPaths;
    int m_nPrimaryCache = -1;
    std::vector<TextureRecord> m_Textures;
    std::vector<CategoryRecord> m_Categories;
    std::vector<uint32_t> m_TocList[kCacheCount];
    int m_nGame = 0;
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
    std::vector<std::string> m_RepairNotes;
};

// Opens an edit of the database for its lifetime. Scopes nest; the outermost commits
// when it closes normally, and its destructor throws when the commit fails (the edit is
// undone then). An exception leaving any scope undoes the whole edit: every file of the
// cache is as it was before the edit began, and the database is reloaded.
class CEditScope {
public:
    explicit CEditScope(CTextureDatabase& db);
    ~CEditScope() noexcept(false);
    CEditScope(const CEditScope&) = delete;
    CEditScope& operator=(const CEditScope&) = delete;

private:
    CTextureDatabase& m_Db;
    int m_nExceptions;
    int m_nAborts = 0;
};

// Removes count bytes at start of an open file by moving everything behind them down;
// the file keeps its length (the caller cuts it). 0 when a read or write failed.
int fdelete_part(FILE* file, int64_t start, int64_t count);
// "1023 b", "1.00 KB", "1.50 MB", "2.00 GB".
std::string FormatFileSize(uint64_t bytes);
