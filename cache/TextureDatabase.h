#pragma once
// One open texture cache: the index file with its texture and category lists, and the
// DAT, TOC and TMB files of the four caches. Textures and categories are addressed by
// their 0-based position; -1 means none.
#include "cache/Error.h"
#include "cache/TextureRecord.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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
    int CountThumbs(int cache) const;
    int UnloadThumbs(int cache);
    bool CheckToc(int cache);
    void FixToc(int cache);
    int WriteToc(int cache);
    void FlushTocHeaders();
    int Flush();
    int RebuildTmb(int cache, int layout);
    int RebuildFromDat();
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
    void RemoveThumb(int texture, bool shrink);
    int DeleteTexture(int texture, int newOriginal, bool shrink);
    // Deletes a set of textures with their aliases, shrinking the files, in one pass over
    // each file; the files come out as deleting them one by one in index order would
    // leave them. 0 (nothing changed) when the cache's records are not in texture order.
    int DeleteTextures(const std::vector<int>& textures);

    // Shows a box with the error text and logs it; throws CError unless warningOnly.
    void ReportError(int sourceLine, uint32_t value, const std::string& message, bool warningOnly);

private:
    static bool Valid(int cache) { return cache >= 0 && cache < kCacheCount; }
    void InitState(int game);
    void CloseDataFiles();
    // Forgets everything of the cache held so far and takes path as its index.
    void StartOver(const std::string& path);
    FILE* DataFile(int cache, bool thumbnail) const {
        return thumbnail ? m_pTmb[cache] : m_pDat[cache];
    }
    // Reads exactly count bytes at offset of a cache file; false when they are not there.
    bool ReadAt(FILE* file, uint64_t offset, void* buffer, size_t count);
    const RasterHeader& Header(const TextureRecord& record, int cache, bool thumbnail) const {
        return thumbnail ? record.thumbHeader[cache] : record.textureHeader[cache];
    }
    void CloseIndex();
    // The record with its alias resolved (without loading headers); nullptr out of range.
    TextureRecord* ResolvedRecord(int texture);
    // DeleteSiblings that keeps texture pointing at the same texture as aliases before it go.
    int DeleteSiblingsOf(int& texture);
    // Reloads the thumbnail offsets of every cache whose TMB is open.
    void ReloadThumbOffsets();

    FILE* m_pTxt = nullptr;
    FILE* m_pDat[kCacheCount] = {};
    FILE* m_pToc[kCacheCount] = {};
    FILE* m_pTmb[kCacheCount] = {};
    std::string m_strPath;
    int m_nPrimaryCache = -1;
    std::vector<TextureRecord> m_Textures;
    std::vector<CategoryRecord> m_Categories;
    std::vector<uint32_t> m_TocList[kCacheCount];
    int m_nGame = 0;
    // While a TMB is walked, its whole content, so that the walk costs one read.
    FILE* m_pWalkFile = nullptr;
    std::vector<uint8_t> m_WalkImage;
};

// Removes count bytes at start of an open file by moving everything behind them down;
// the file keeps its length (the caller cuts it). 0 when a read or write failed.
int fdelete_part(FILE* file, int64_t start, int64_t count);
// "1023 b", "1.00 KB", "1.50 MB", "2.00 GB".
std::string FormatFileSize(uint64_t bytes);
