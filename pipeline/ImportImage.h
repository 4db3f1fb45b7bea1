#pragma once
// Importing one image into the open cache: the game and any codec family forced by the
// import rules are settled here, then the pipeline encodes it.
#include "pipeline/CacheHelper.h"

#include <string>

// The codec family forced on an import: from the category's default format, overridden
// by the settings' rules for this index file; -1 for none or when rules are disabled.
std::optional<CodecFamily> ForcedFamily(CTextureDatabase& db, int category);

// The game an import into the cache writes: game when it is 1 or 2, else what the first
// present cache other than targetCache holds, else the user's answer; 0 when the user
// cancels.
int SettleImportGame(CCacheHelper& helper, std::optional<CacheId> targetCache, int game);

// 1 on success, 0 when refused (no game could be settled). game: the setting (0 automatic).
int ImportImage(CCacheHelper& helper, const Bitmap32& bitmap, const std::string& name,
                bool withAlpha, int category, bool uncompressed, std::optional<CacheId> targetCache,
                int game);

enum class StoreResult { kStored, kExists, kNoGame, kOutOfPlace };
// Imports a bitmap (loaded by the caller, so a file that cannot be read never costs the old
// texture) as a texture of the cache in the category. A texture of exactly that name is
// replaced when replace is set, its aliases following the new texture, which is appended;
// else it is left and kExists returned. The replacement is one edit: when the encoding
// fails the old texture is still there. kNoGame: the user declined to choose a game;
// kOutOfPlace: the old texture's records are not where its neighbours put them, and
// cutting them out could take other textures' bytes. Nothing changed in both.
StoreResult StoreImage(CCacheHelper& helper, const Bitmap32& bitmap, const std::string& name,
                       bool withAlpha, int category, bool uncompressed, int game, bool replace);
