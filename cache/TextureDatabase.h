#pragma once
// One open texture cache: the index file with its texture and category lists, and the
// DAT, TOC and TMB files of the four caches. Textures and categories are addressed by
// their 0-based position; -1 means none.
#include "cache/Error.h"
#include "cache/TextureRecord.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
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

    // ---- Data files (the loading of headers and offsets) ----
    // Fills a texture's headers and DAT offsets from the DAT files when not loaded yet.
    void EnsureRecordLoaded(int texture);

    // Shows a box with the error text and logs it; throws CError unless warningOnly.
    void ReportError(int sourceLine, uint32_t value, const std::string& message, bool warningOnly);

private:
    void InitState(int game);
    void CloseIndex();
    // The record with its alias resolved (without loading headers); nullptr out of range.
    TextureRecord* ResolvedRecord(int texture);
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
};
