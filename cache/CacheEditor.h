#pragma once
// Changes of a cache over its data files: records appended, textures, aliases and
// categories edited, textures deleted with the files compacted, and the checks and
// repairs of damaged files. Every change runs inside an edit (CEditScope) and so either
// completes or leaves every file as it was.
#include "cache/DataFiles.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Makes the thumbnail of a texture in a cache for a TMB repair: side x side pixels in
// R, G, B, A order; nullopt when the texture cannot be decoded.
using ThumbnailMaker =
    std::function<std::optional<std::vector<uint8_t>>(int texture, CacheId cache, uint32_t& side)>;

class CCacheEditor : public CCacheDataFiles {
public:
    // Rewrites the whole index file from the lists; throws CError when it cannot.
    void RebuildTxt();

    int AppendRecord(CacheId cache, const RasterHeader& header, bool thumbnail, const uint8_t* data,
                     RecordLayout layout, bool pack, uint32_t length);
    int AddTexture(const std::string& name, int width, int height, int category, int alphamode);
    int AddAlias(const std::string& name, const std::string& original);
    // Adds aliases (name, original) in one edit with one rewrite of the index; nothing is
    // checked beyond AddAlias's name rule (refused: 0, nothing added).
    int AddAliases(const std::vector<std::pair<std::string, std::string>>& aliases);
    // Appends a TOC entry that points at no record to one cache: the place of an alias in
    // a cache that is being filled texture by texture. 0 when that cache has no DAT.
    int AppendNoRecord(CacheId cache);
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
    int DeleteTexture(int texture, int newOriginal, bool shrink);
    // Deletes a set of textures with their aliases, shrinking the files, in one pass over
    // each file; the files come out as deleting them one by one in index order would
    // leave them. 0 (nothing changed) when the cache's records are not in texture order.
    // Without withAliases exactly the textures given go.
    int DeleteTextures(const std::vector<int>& textures, bool withAliases = true);
    // Makes each duplicate (first) an alias of its original (second), as doing it pair by
    // pair in order would: the duplicate's aliases are pointed at the original, its
    // records are cut out (all duplicates in one pass over each file) and an alias of its
    // name is appended. Positions are those before the call; originals are never
    // duplicates. 0 (nothing changed) when the cache's records are not in texture order.
    int MakeAliases(const std::vector<std::pair<int, int>>& duplicates);

    // Rebuilding one cache from nothing, inside an open edit: its DAT, TOC and TMB are
    // built anew beside the old ones, which stay in place until the edit commits, so a
    // failure, a cancel or a crash before that leaves them as they were. The textures then
    // follow in index order: AppendRecord (thumbnail and texture), AppendNoRecord for an
    // alias, AppendMissingTexture for one that could not be stored.
    void BeginCacheRebuild(CacheId cache);
    // A texture without a record: kNoRecord in the TOC and a placeholder thumbnail, so
    // the files stay aligned with the index.
    void AppendMissingTexture(CacheId cache, RecordLayout layout);
    // The TOC's head written and the cache's offsets read from its new files.
    void FinishCacheRebuild(CacheId cache);

    // Deletes textures about to be replaced by new ones of the same names, in one pass over
    // each file: their aliases stay and find the replacements by name, as DeleteTexture with
    // a new original leaves them. 0 (nothing changed) when the records are not in texture
    // order.
    int DeleteForReplacement(const std::vector<int>& textures);

    bool CheckToc(CacheId cache);
    // Rewrites a cache's TOC: the entries of a TOC of the right length where they point at
    // sound records, else the records found by walking the DAT; a texture whose record is
    // nowhere gets kNoRecord, never another texture's record. Returns the number of such
    // textures.
    int FixToc(CacheId cache);
    int WriteToc(CacheId cache);
    void FlushTocHeaders();
    int Flush();
    // Rewrites a cache's TMB keeping every intact thumbnail (those the walk finds, in
    // texture order); the missing ones come from makeThumbnail, placeholders where it
    // gives none.
    int RebuildTmb(CacheId cache, RecordLayout layout, const ThumbnailMaker& makeThumbnail = {});
    // Builds the index from the first DAT; the other caches' TOCs are rebuilt from their
    // own DATs when those hold the same records, else every texture is marked missing in
    // them (RepairNotes says which).
    int RebuildFromDat();
    // What the last repair could not do, one sentence each.
    const std::vector<std::string>& RepairNotes() const { return m_RepairNotes; }
    // The textures of a cache whose record is missing, outside the DAT, has a raster
    // header naming no raster, or overlaps another texture's record. Reads every header.
    std::vector<int> DamagedRecords(CacheId cache);

protected:
    CCacheEditor() = default;
    ~CCacheEditor() = default;

private:
    // The offsets of the records found by walking a DAT (kNoRecord for textures the walk
    // did not reach); complete when every ordinary texture got one and the last ends
    // exactly at the end of the file.
    std::vector<uint32_t> WalkDat(CacheId cache, bool& complete);
    // A header at offset of a DAT that names a raster, and the record it opens lies
    // inside the file; its length in length.
    bool SoundRecordAt(CacheId cache, uint64_t offset, uint64_t& length);
    // Removes the textures marked in doomed, cutting their records out of every file.
    // 0 (nothing changed) when the records are not in texture order.
    int RemoveTextures(const std::vector<bool>& doomed, bool shrink);
    // A new TOC of the DAT length and entries, in place at the commit.
    void StageToc(CacheId cache, const std::vector<uint32_t>& entries);
    // StageToc, and the records take the entries as their offsets.
    void WriteTocFile(CacheId cache, const std::vector<uint32_t>& entries);
    // Appends an alias to the index and no record for it to every open cache, inside the
    // caller's edit.
    void PushAlias(const std::string& name, const std::string& original);

    std::vector<std::string> m_RepairNotes;
};
