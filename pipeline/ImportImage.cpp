#include "pipeline/ImportImage.h"

#include "app/Log.h"
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "cache/Error.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "raster/PluginHost.h"

std::optional<CodecFamily> ForcedFamily(CTextureDatabase& db, int category) {
    if (IniReadInt(Settings::kEnableRules) == 0)
        return std::nullopt;
    // The category's default format: 4 keeps the pixels uncompressed, 7 asks for DXT.
    constexpr int kUncompressedFormat = 4, kDxtFormat = 7;
    std::optional<CodecFamily> family;
    if (category >= 0 && category < db.CategoryCount()) {
        const int format = db.Categories()[static_cast<size_t>(category)].defaultformat;
        if (format == kUncompressedFormat)
            family = CodecFamily::kUnc;
        else if (format == kDxtFormat)
            family = CodecFamily::kDxt;
    }
    const std::string rule =
        IniReadString(Settings::kRules, Text::AsciiLower(Files::FileNameOf(db.Path())));
    // A rule names a cache; each cache's own codec family is the one at its position.
    for (CacheId f : kAllCaches)
        if (rule == CacheName(f))
            family = FamilyOf(f);
    return family;
}

int SettleImportGame(CCacheHelper& helper, std::optional<CacheId> targetCache, int game) {
    CTextureDatabase* db = helper.Database();
    if (game != 0 || !db)
        return game;
    std::optional<CacheId> probe;
    for (CacheId k : kAllCaches)
        if (!probe && db->IsDatOpen(k) && k != targetCache)
            probe = k;
    game = helper.GuessCacheGame(probe);
    if (game != 0)
        return game;
    const int answer = MessageBox("Do you want to make this cache for San Andreas? \n\nIf "
                                  "you choose 'No' an Vice City cache will be created.",
                                  "", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL)
        return 0;
    return answer == IDYES ? 2 : 1;
}

int ImportImage(CCacheHelper& helper, const Bitmap32& bitmap, const std::string& name,
                bool withAlpha, int category, bool uncompressed, std::optional<CacheId> targetCache,
                int game) {
    CTextureDatabase* db = helper.Database();
    if (!db)
        return 0;
    game = SettleImportGame(helper, targetCache, game);
    if (game == 0)
        return 0;
    const std::optional<CodecFamily> forced = ForcedFamily(*db, category);
    if (forced)
        LogPrintA("CDlgMain: -- Compression forced to '%s'\n", FamilyName(*forced));
    EncodeRequest request;
    request.bitmap = &bitmap;
    request.name = name;
    request.withAlpha = withAlpha;
    request.category = category;
    request.uncompressed = uncompressed;
    request.targetCache = targetCache;
    request.game = game;
    request.forcedFamily = forced;
    return helper.EncodeCacheTexture(request);
}

StoreResult StoreImage(CCacheHelper& helper, const Bitmap32& bitmap, const std::string& name,
                       bool withAlpha, int category, bool uncompressed, int game, bool replace) {
    CTextureDatabase& db = *helper.Database();
    const int existing = db.FindTexture(name, true);
    if (existing >= 0 && !replace)
        return StoreResult::kExists;
    // Asked before anything changes: a cancel here must not cost the old texture.
    game = SettleImportGame(helper, std::nullopt, game);
    if (game == 0)
        return StoreResult::kNoGame;
    CEditScope edit(db);
    // The old texture's aliases follow the new one, which takes the last index.
    if (existing >= 0 && !db.DeleteTexture(existing, db.TextureCount() - 1, true))
        return StoreResult::kOutOfPlace;
    if (!ImportImage(helper, bitmap, name, withAlpha, category, uncompressed, std::nullopt, game))
        throw CError("the texture '" + name + "' was not encoded"); // undoes the deletion
    db.SetCategory(db.TextureCount() - 1, category);
    return StoreResult::kStored;
}
