#pragma once
#include "cache/CacheEditor.h"

#include <cstdint>
#include <cstdio>
#include <string>

// One open texture cache: the index model, the data files of its four caches and the
// edits of both, under the one name the rest of the program knows.
class CTextureDatabase final : public CCacheEditor {
public:
    // Opens an existing cache; game is 0 automatic, 1 GTA VC, 2 GTA SA.
    CTextureDatabase(const std::string& path, int game);
    // An empty cache, to be created.
    explicit CTextureDatabase(int game);
    ~CTextureDatabase();

    // Creates a new empty cache (index, and DAT, TOC and TMB of every cache). Returns 1.
    int Create(const std::string& path);
};

// Removes count bytes at start of an open file by moving everything behind them down;
// the file keeps its length (the caller cuts it). 0 when a read or write failed.
int fdelete_part(FILE* file, int64_t start, int64_t count);
// "1023 b", "1.00 KB", "1.50 MB", "2.00 GB".
std::string FormatFileSize(uint64_t bytes);
