#pragma once
// The checks made right after a cache is opened, and their repairs, shared by the
// editor and the command-line tool.
#include "cache/TextureDatabase.h"

#include <optional>
#include <string>
#include <vector>

struct CacheProblem {
    // EmptyIndex: an index that lists nothing beside DATs that hold records; repaired
    // like a missing one. BadRecords: textures whose records are missing, outside
    // their DAT, not records at all or overlapping; no repair can bring them back.
    enum Kind { NoCaches, NoIndex, BadToc, BadTmb, EmptyIndex, BadRecords };
    Kind kind;
    std::optional<CacheId> cache;   // none for NoCaches, NoIndex and EmptyIndex
    std::string prompt;             // the question put to the user (or the message, for NoCaches)
    std::vector<int> textures = {}; // BadRecords: the damaged textures
};

// A path naming a DAT or TOC file ("name.dxt.toc") stands for the index beside it
// ("name.txt"); any other path is returned unchanged.
std::string IndexPathFor(const std::string& path);

// What is wrong with an opened cache, in the order the questions are asked. With
// records, every record's header is read as well (BadRecords).
std::vector<CacheProblem> CheckCache(CTextureDatabase& db, bool records = false);

// Repairs one problem; the database is reloaded when the index was rebuilt. Missing
// thumbnails are made with makeThumbnail where it can. Returns false when the repair
// could not be made; RepairNotes of the database tell what it left undone.
bool FixProblem(CTextureDatabase& db, const CacheProblem& problem,
                const ThumbnailMaker& makeThumbnail = {});
