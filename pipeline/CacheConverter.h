#pragma once
// Rebuilding one cache of the open texture cache from another: every texture of the
// source is decoded and encoded again with the target's family, on every core, and the
// records are stored in index order. The target's new files are built beside its old ones
// and take their place only when every texture is written: a failure, a cancel or a crash
// midway leaves the old target as it was.
#include "cache/TextureDatabase.h"

#include <functional>
#include <string>
#include <vector>

// Called on the converting thread before each step: the step's text ("Preparing..." while
// the records are read, then the texture's name), its position and the count. False
// cancels the conversion (nothing is changed).
using ConvertProgress =
    std::function<bool(const std::string& text, int position, int count)>;

struct ConvertOptions {
    CacheId source = CacheId::kDxt;
    CacheId target = CacheId::kEtc;
    int game = 0;       // layout of the new records: 1 VC, 2 SA (settled by the caller)
    size_t threads = 0; // how many encode at once; 0: one per core
    ConvertProgress progress;
};

struct ConvertResult {
    bool converted = false; // the new target is in place
    bool cancelled = false;
    std::string problem; // why nothing was changed, when neither of the above
    int textures = 0;    // textures stored in the target
    int aliases = 0;
    // Textures that could not be decoded or encoded, each "name: why"; the target holds no
    // record for them (its table of contents still has their place).
    std::vector<std::string> unconverted;
};

// Why a conversion cannot start, empty when it can: no cache, the same cache twice, or a
// source without data.
std::string ConvertRefusal(const CTextureDatabase* db, CacheId source, CacheId target);
inline constexpr const char* kSameCacheText = "You cant build cache from itself!";

// The layout a conversion writes: the game setting when it names one, else the layout of
// the source's records, else Vice City's.
int ConversionGame(CTextureDatabase& db, CacheId source, int game);

ConvertResult ConvertCache(CTextureDatabase& db, const ConvertOptions& options);

// The question before a cache that exists is rebuilt.
inline constexpr const char* kOverwriteQuestion =
    "Target cache already exists!\r\n\r\nIt's really NOT recommended to overwrite it.\r\n\r\nAre "
    "you sure you want to continue?";
