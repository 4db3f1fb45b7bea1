#pragma once
// Exporting cache textures as image files, for the window and the command line alike: the
// records are read where the cache is used, and decoding and writing the files run on
// every core.
#include "pipeline/CacheHelper.h"

#include <functional>
#include <string>
#include <vector>

struct ExportItem {
    int texture = -1;
    std::string path; // the file to write; its extension chooses the format
};

struct ExportOutcome {
    bool written = false;
    std::string problem; // why not, for messages ("the file could not be written: ...")
};

// The problem of the items a cancel left unwritten.
inline constexpr const char* kExportCancelled = "the export was cancelled";

// Called on the calling thread while the export runs: how many items are done of all;
// false cancels the items not started yet (they are reported as cancelled).
using ExportProgress = std::function<bool(size_t done, size_t total)>;

// Writes one level (or the thumbnail) of each item's texture of a cache; one outcome per
// item, in their order. threads: how many decode and write (0: one per core).
std::vector<ExportOutcome> ExportTextures(CCacheHelper& helper, CacheId cache, uint32_t level,
                                          bool thumbnail, const std::vector<ExportItem>& items,
                                          const ExportProgress& progress = {}, size_t threads = 0);

// Writes an image file (its extension picks the format) and reads it back, so that a file
// the disk took only part of is not counted as written; such a file is removed. Empty on
// success, else what went wrong ("the file could not be written", with the system's reason
// when it tells one).
std::string SaveImageChecked(const Bitmap32& bitmap, const std::string& path);
