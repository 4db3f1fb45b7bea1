#pragma once
// Importing one image into the open cache: the game and any codec family forced by the
// import rules are settled here, then the pipeline encodes it.
#include "pipeline/CacheHelper.h"

#include <string>

// The codec family forced on an import: from the category's default format, overridden
// by the settings' rules for this index file; -1 for none or when rules are disabled.
std::optional<CodecFamily> ForcedFamily(CTextureDatabase& db, int category);

// 1 on success, 0 when refused (no game could be settled). game: the setting (0 automatic).
int ImportImage(CCacheHelper& helper, const Bitmap32& bitmap, const std::string& name,
                bool withAlpha, int category, bool uncompressed, std::optional<CacheId> targetCache,
                int game);
