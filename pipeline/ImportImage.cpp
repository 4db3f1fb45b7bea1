#include "pipeline/ImportImage.h"

#include "app/Log.h"
#include "app/Settings.h"
#include "app/SettingsKeys.h"
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

int ImportImage(CCacheHelper& helper, const Bitmap32& bitmap, const std::string& name,
                bool withAlpha, int category, bool uncompressed, std::optional<CacheId> targetCache,
                int game) {
    CTextureDatabase* db = helper.Database();
    if (!db)
        return 0;
    if (game == 0) {
        std::optional<CacheId> probe;
        for (CacheId k : kAllCaches)
            if (!probe && db->IsDatOpen(k) && k != targetCache)
                probe = k;
        game = helper.GuessCacheGame(probe);
        if (game == 0) {
            const int answer = MessageBox("Do you want to make this cache for San Andreas? \n\nIf "
                                          "you choose 'No' an Vice City cache will be created.",
                                          "", MB_YESNOCANCEL | MB_ICONQUESTION);
            if (answer == IDCANCEL)
                return 0;
            game = answer == IDYES ? 2 : 1;
        }
    }
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
