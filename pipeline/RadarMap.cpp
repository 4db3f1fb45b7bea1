#include "pipeline/RadarMap.h"

#include "app/Log.h"
#include "pipeline/EncodeAhead.h"
#include "pipeline/ImportImage.h"
#include "platform/Processors.h"
#include "raster/RasterConvert.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

bool IsPowerOfTwo(uint32_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

bool Report(const RadarProgress& progress, int position, int total, const std::string& text) {
    return !progress || progress(position, total, text);
}

// Copies the top-left columns x rows pixels of tile into map at (x, y).
void CopyCell(Bitmap32& map, const Bitmap32& tile, uint32_t x, uint32_t y, uint32_t columns,
              uint32_t rows) {
    columns = std::min(columns, tile.Width());
    rows = std::min(rows, tile.Height());
    for (uint32_t row = 0; row < rows; ++row)
        std::memcpy(map.Pixel(x, y + row), tile.Pixel(0, row), size_t(columns) * 4);
}

// What the import of one tile asks of the pipeline: the request an import of that
// bitmap under that name makes, and the settings it would be encoded with.
struct TileJob {
    std::unique_ptr<Bitmap32> bitmap;
    EncodeRequest request;
    EncodeSettings settings;
};

// Encodes every tile before the cache is touched, on every core when the plug-ins allow
// it; the encodings are those a one-by-one import makes.
std::vector<EncodedTexture> EncodeTiles(const std::vector<TileJob>& jobs,
                                        const RadarProgress& progress) {
    std::unique_ptr<CEncodeAhead> ahead;
    if (CompressorsThreadSafe()) {
        ahead = std::make_unique<CEncodeAhead>(UsableProcessors());
        for (const TileJob& job : jobs)
            ahead->Start(job.request, job.settings);
    }
    std::vector<EncodedTexture> encoded;
    for (size_t k = 0; k < jobs.size(); ++k) {
        if (!Report(progress, int(k), int(jobs.size()) - 1, jobs[k].request.name))
            throw CRadarCancelled();
        std::optional<EncodedTexture> done;
        if (ahead)
            done = ahead->Take(jobs[k].request, jobs[k].settings);
        encoded.push_back(done ? std::move(*done)
                               : EncodeTexture(jobs[k].request, jobs[k].settings));
    }
    return encoded;
}

} // namespace

std::string RadarTileName(int tile) {
    char name[16];
    std::snprintf(name, sizeof name, "radar%02d", tile);
    return name;
}

int CountRadarTiles(const CTextureIndex& db) {
    int count = 0;
    while (db.FindTexture(RadarTileName(count), true) >= 0)
        ++count;
    return count;
}

int RadarGridSide(int count) {
    int side = 0;
    while (side * side < count)
        ++side;
    return side;
}

std::vector<RadarTile> ListRadarTiles(CTextureDatabase& db, CacheId cache) {
    const int count = CountRadarTiles(db);
    LogPrintA("CDlgRadarEditor: %2d radar textures found.\n", count);
    std::vector<RadarTile> tiles;
    for (int k = 0; k < count; ++k) {
        RadarTile tile;
        tile.name = RadarTileName(k);
        tile.texture = db.FindTexture(tile.name, true);
        db.EnsureRecordLoaded(tile.texture);
        tile.width = db.GetWidth(cache, tile.texture, false);
        tile.height = db.GetHeight(cache, tile.texture, false);
        tile.format = db.GetFormatName(cache, tile.texture, false);
        tile.aliasOf = db.Textures()[size_t(tile.texture)].affiliate;
        tiles.push_back(std::move(tile));
    }
    return tiles;
}

std::unique_ptr<Bitmap32> AssembleRadarMap(CTextureDatabase& db, CacheId cache,
                                           const TileDecoder& decode,
                                           const RadarProgress& progress) {
    const int count = CountRadarTiles(db);
    if (count == 0)
        return nullptr;
    const int side = RadarGridSide(count);
    const int first = db.FindTexture(RadarTileName(0), true);
    db.EnsureRecordLoaded(first);
    const uint32_t w = uint32_t(db.GetWidth(cache, first, false));
    const uint32_t h = uint32_t(db.GetHeight(cache, first, false));
    if (w == 0 || h == 0)
        return nullptr;
    // The map's sides are held in 32 bits; a grid of huge tiles gives no map rather than
    // a wrapped size.
    const uint64_t mapWidth = uint64_t(w) * uint32_t(side),
                   mapHeight = uint64_t(h) * uint32_t(side);
    if (mapWidth > 0x7FFFFFFF || mapHeight > 0x7FFFFFFF)
        return nullptr;
    std::unique_ptr<Bitmap32> map = Bitmap32::Create(uint32_t(mapWidth), uint32_t(mapHeight));
    if (!map)
        return nullptr;
    constexpr int kPercent = 100;
    for (int k = 0; k < count; ++k) {
        if (!Report(progress, k * kPercent / count, kPercent, RadarTileName(k)))
            throw CRadarCancelled();
        const std::unique_ptr<Bitmap32> tile = decode(db.FindTexture(RadarTileName(k), true));
        if (tile)
            CopyCell(*map, *tile, uint32_t(k % side) * w, uint32_t(k / side) * h, w, h);
    }
    Report(progress, 0, count - 1, "Done!");
    return map;
}

RadarImageProblem CheckRadarImage(uint32_t width, uint32_t height) {
    if (!IsPowerOfTwo(width) || !IsPowerOfTwo(height))
        return RadarImageProblem::kNotPowerOfTwo;
    if (width != height)
        return RadarImageProblem::kNotSquare;
    if (width < kRadarMinimumSide)
        return RadarImageProblem::kTooSmall;
    return RadarImageProblem::kNone;
}

const char* RadarImageMessage(RadarImageProblem problem) {
    switch (problem) {
    case RadarImageProblem::kNotPowerOfTwo:
        return "Wrong dimensions given";
    case RadarImageProblem::kNotSquare:
        return "Image must be square.";
    case RadarImageProblem::kTooSmall:
        return "Image is too small.";
    case RadarImageProblem::kNone:
        break;
    }
    return "";
}

std::unique_ptr<Bitmap32> CutRadarTile(const Bitmap32& map, int column, int row,
                                       uint32_t tileSide) {
    std::unique_ptr<Bitmap32> tile = Bitmap32::CreateUninitialized(tileSide, tileSide);
    if (!tile)
        throw CError("no memory for a radar tile");
    const uint32_t x = uint32_t(column) * tileSide, y = uint32_t(row) * tileSide;
    if (x + tileSide > map.Width() || y + tileSide > map.Height())
        throw CError("the radar tile lies outside the map");
    for (uint32_t line = 0; line < tileSide; ++line)
        std::memcpy(tile->Pixel(0, line), map.Pixel(x, y + line), size_t(tileSide) * 4);
    return tile;
}

int ImportRadarMap(CCacheHelper& helper, const Bitmap32& map, bool withAlpha, int game,
                   const RadarProgress& progress) {
    CTextureDatabase& db = *helper.Database();
    const RadarImageProblem problem = CheckRadarImage(map.Width(), map.Height());
    if (problem != RadarImageProblem::kNone)
        throw CError(RadarImageMessage(problem));
    // Asked once, before anything changes.
    game = SettleImportGame(helper, std::nullopt, game);
    if (game == 0)
        return 0;
    const uint32_t tileSide = map.Width() / kRadarImportSide;
    std::vector<TileJob> jobs(kRadarImportTiles);
    std::vector<int> old;
    for (int k = 0; k < kRadarImportTiles; ++k) {
        TileJob& job = jobs[size_t(k)];
        job.bitmap = CutRadarTile(map, k % kRadarImportSide, k / kRadarImportSide, tileSide);
        const std::string name = RadarTileName(k);
        const int existing = db.FindTexture(name, true);
        if (existing >= 0)
            old.push_back(existing);
        // The request an import of the tile makes; a replaced tile keeps its category.
        job.request.bitmap = job.bitmap.get();
        job.request.name = name;
        job.request.withAlpha = withAlpha;
        job.request.category = existing >= 0 ? db.GetTextureCategory(existing) : 0;
        job.request.game = game;
        job.request.forcedFamily = ForcedFamily(db, job.request.category);
        job.settings = helper.CurrentEncodeSettings(job.request);
    }
    // Every tile is encoded before the first old one goes: a tile that does not encode
    // costs nothing.
    const std::vector<EncodedTexture> encoded = EncodeTiles(jobs, progress);

    // One edit: an exception anywhere below (a write that fails, a cancel) puts every file
    // back as it was. The old tiles go in one pass over each file (their aliases staying
    // for the new tiles of their names), and the new ones are appended in order: the files
    // come out as replacing the tiles one by one leaves them, without rewriting the files
    // once per tile.
    CEditScope edit(db);
    for (int k = 0; k < kRadarImportTiles; ++k) {
        const int existing = db.FindTexture(RadarTileName(k), true);
        LogPrintA("CDlgRadarEditor: Importing '%s' via import hook.\n", RadarTileName(k).c_str());
        if (existing >= 0)
            LogPrintA("CDlgRadarEditor: Replacing texture #%d.\n", existing);
    }
    if (!db.DeleteForReplacement(old))
        throw CError("the records of the old radar tiles are not in texture order; nothing "
                     "was imported");
    for (int k = 0; k < kRadarImportTiles; ++k) {
        const TileJob& job = jobs[size_t(k)];
        if (!Report(progress, k, kRadarImportTiles - 1, job.request.name))
            throw CRadarCancelled();
        helper.StoreEncoded(job.request, job.settings, encoded[size_t(k)]);
        db.SetCategory(db.TextureCount() - 1, job.request.category);
    }
    Report(progress, 0, kRadarImportTiles - 1, "Done!");
    return kRadarImportTiles;
}

int OptimizeRadarMap(CTextureDatabase& db, const TileDecoder& decode, const RadarProgress& progress,
                     uint32_t threshold) {
    const int count = CountRadarTiles(db);
    std::vector<std::unique_ptr<Bitmap32>> bitmaps(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k) {
        const int texture = db.FindTexture(RadarTileName(k), true);
        if (db.IsAlias(texture))
            continue;
        if (!Report(progress, k, count - 1, RadarTileName(k)))
            throw CRadarCancelled();
        bitmaps[size_t(k)] = decode(texture);
    }
    int turned = 0;
    for (int i = 0; i < count; ++i) {
        if (!bitmaps[size_t(i)])
            continue;
        if (!Report(progress, i, count - 1, RadarTileName(i)))
            break; // the tiles turned so far stay turned: each was an edit of its own
        int like = -1;
        for (int j = 0; j < count && like < 0; ++j)
            if (j != i && bitmaps[size_t(j)] &&
                ImageDifference(*bitmaps[size_t(i)], *bitmaps[size_t(j)]) < threshold)
                like = j;
        if (like < 0)
            continue;
        const std::string name = RadarTileName(i), original = RadarTileName(like);
        const int texture = db.FindTexture(name, true);
        if (db.FindNextAlias(0, texture) >= 0)
            continue; // its aliases would otherwise point at an alias
        {
            // The deletion and the alias together: an alias that cannot be made must not
            // cost the tile.
            CEditScope edit(db);
            if (!db.DeleteTexture(texture, -1, true))
                throw CError("the records of '" + name + "' are not in texture order");
            if (!db.AddAlias(name, original))
                throw CError("'" + name + "' could not be made an alias of '" + original + "'");
        }
        bitmaps[size_t(i)].reset();
        ++turned;
    }
    Report(progress, 0, std::max(count - 1, 0), "Done!");
    return turned;
}
