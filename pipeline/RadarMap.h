#pragma once
// The radar map: the square tiles "radar00", "radar01", ... of a cache, put together into
// one picture, cut from one picture, and tiles that look alike turned into aliases. The
// window's radar editor and the command-line tool both work through these.
#include "pipeline/CacheHelper.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// An imported map is always cut into this many tiles a side (64 in all), whatever the
// cache held before; tiles above radar63 are left as they are.
inline constexpr int kRadarImportSide = 8;
inline constexpr int kRadarImportTiles = kRadarImportSide * kRadarImportSide;
// The smallest side of an imported map: tiles of 16 x 16 pixels.
inline constexpr uint32_t kRadarMinimumSide = 128;
// Two tiles whose bytes differ by less than this sum are taken for the same picture.
inline constexpr uint32_t kRadarAliasThreshold = 80;

// "radar%02d" of a tile number.
std::string RadarTileName(int tile);
// The number of tiles: the run of names from radar00 up to the first one missing.
int CountRadarTiles(const CTextureIndex& db);
// The side of the square grid that holds count tiles (0 for none).
int RadarGridSide(int count);

struct RadarTile {
    int texture = -1;
    std::string name;
    int width = 0, height = 0; // of the tile's header in the chosen cache
    std::string format;
    std::string aliasOf; // the original's name for an alias
};
// The tiles with what the editor's list shows of them.
std::vector<RadarTile> ListRadarTiles(CTextureDatabase& db, CacheId cache);

// Progress of a long step: position of total, and the tile or step name. Returning false
// asks the step to stop (an import then undoes everything it did).
using RadarProgress = std::function<bool(int position, int total, const std::string& text)>;
// Level 0 of a texture as a new bitmap, null when it does not decode: the window decodes
// through its own hook, the command-line tool through a helper of its own.
using TileDecoder = std::function<std::unique_ptr<Bitmap32>(int texture)>;

// The whole map: every tile in its cell of the grid (row 0 at the top), each cell the size
// of radar00's header in the cache. A tile that does not decode leaves its cell
// transparent; a tile of another size is cut to its cell. Null when there are no tiles,
// radar00 has no size, or the map is too large to hold.
std::unique_ptr<Bitmap32> AssembleRadarMap(CTextureDatabase& db, CacheId cache,
                                           const TileDecoder& decode,
                                           const RadarProgress& progress = {});

enum class RadarImageProblem { kNone, kNotPowerOfTwo, kNotSquare, kTooSmall };
// The checks a picture passes before it is cut, in this order: each side a power of two,
// square, at least kRadarMinimumSide.
RadarImageProblem CheckRadarImage(uint32_t width, uint32_t height);
// "Wrong dimensions given", "Image must be square.", "Image is too small."; empty for none.
const char* RadarImageMessage(RadarImageProblem problem);

// Cell (column, row) of a grid of side tiles, each tileSide pixels square.
std::unique_ptr<Bitmap32> CutRadarTile(const Bitmap32& map, int column, int row,
                                       uint32_t tileSide);

// Stops an import or optimisation when the progress asked it to.
struct CRadarCancelled : CError {
    CRadarCancelled() : CError("the radar map work was cancelled") {}
};

// Cuts a checked picture into radar00 to radar63 and stores each into every present
// cache, replacing the tile of that name (its aliases follow the new tile, which keeps the
// old one's category). The whole import is one edit, and every tile is encoded before the
// old one goes: a failed encoding, a full disk or a cancel (CRadarCancelled) leaves every
// tile as it was. game: the record layout (0 automatic: the cache's own, else the user is
// asked). Returns the number of tiles stored (64); 0 when the user declined to choose a
// game. Throws CError when the picture fails the checks or a tile cannot be stored.
int ImportRadarMap(CCacheHelper& helper, const Bitmap32& map, bool withAlpha, int game,
                   const RadarProgress& progress = {});

// Turns every tile whose picture differs from another tile's by less than threshold into
// an alias of the first such tile, unless other textures are aliases of it already (so no
// chain of aliases arises). Aliases stay out of the comparison. Each tile is turned in one
// edit of its own: a failure leaves it as it was. Returns the number of tiles turned.
int OptimizeRadarMap(CTextureDatabase& db, const TileDecoder& decode,
                     const RadarProgress& progress = {},
                     uint32_t threshold = kRadarAliasThreshold);
