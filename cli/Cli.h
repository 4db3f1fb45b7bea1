#pragma once
// Shared pieces of tessarine-cli: parsed arguments, exit codes, output helpers.
#include "cache/TextureDatabase.h"

#include "cli/IndexArgument.h"
#include "pipeline/CacheHelper.h"
#include "pipeline/ImportImage.h"
#include <optional>

class CTXDHelper;

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Cli {

enum ExitCode { kDone = 0, kRefused = 1, kBadInput = 2 };

// Why a deletion (or a replacement) was refused.
inline constexpr const char* kOutOfPlaceText =
    "the cache's records are not in texture order, and cutting them out could take other "
    "textures' bytes";

// An error that ends the command with a message and an exit code.
struct Failure {
    ExitCode code;
    std::string message;
};

struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options; // "--name=value" or "--flag" (value "")
    bool Has(const std::string& name) const { return options.count(name) != 0; }
    std::string Get(const std::string& name, const std::string& fallback = "") const {
        const auto it = options.find(name);
        return it == options.end() ? fallback : it->second;
    }
};

// Text from files or users as it may be shown on a terminal: control characters (escape
// sequences of a hostile file among them) are written out as \xNN. ShownLines keeps the
// line ends of a message of several lines.
std::string Shown(const std::string& text);
std::string ShownLines(const std::string& text);

// Installs the message-box handler: boxes are printed to stderr; questions take the
// answer of --yes/--no, else ask on a terminal, else take the safe answer.
void InstallMessageBoxes(const Args& args);

// The settings file: --settings, else the editor's, kept beside the tool or in the user's
// folders as the editor's is.
void UseSettings(const Args& args);

// Opens the cache named by positional argument `at` (a DAT or TOC path stands for its
// index) after CheckedIndexPath; commands that change the cache ask for kWrite, so that
// a file they could not write is named before anything is changed.
std::unique_ptr<CTextureDatabase> OpenCache(const Args& args, size_t at = 0,
                                            Access access = Access::kRead);
// OpenCache for a command that changes the cache (kWrite): the cache's lock is taken
// before it is read and held until the command ends, so no other program's edit comes
// between.
std::unique_ptr<CTextureDatabase> OpenCacheForEdit(const Args& args, size_t at = 0);
// What an import takes from the options: the category (--category, else the first) and
// the record layout for a new cache (--game, else the settings' game).
int ImportCategory(CTextureDatabase& db, const Args& args);
int ImportGame(const CTextureDatabase& db, const Args& args);

// A texture by exact name, by name in any case, or as "#index"; fails with kRefused.
int FindTexture(CTextureDatabase& db, const std::string& name);
int FindCategory(CTextureDatabase& db, const std::string& name);
std::optional<CacheId> CacheNamed(const std::string& name); // "dxt" .. "unc"

// Fails with kRefused when the cache has no data file (.dat) to hold imported pixels.
void RequireDataFiles(const CTextureDatabase& db);

// Fail with kRefused and the reason when a name breaks the rules of the index file.
void RequireTextureName(const std::string& name);
void RequireCategoryName(const std::string& name);

// JSON text of a string, quoted and escaped.
std::string Json(const std::string& text);

void Need(const Args& args, size_t count, const char* usage);
// As Need, for a command that takes count or more words.
void NeedAtLeast(const Args& args, size_t count, const std::string& usage);

// Progress on a terminal only: scripts get their output clean.
void Progress(size_t done, size_t total, const std::string& name);

// Plug-ins are loaded from beside the tool and unloaded when the command ends.
struct PluginSession {
    PluginSession();
    ~PluginSession();
};

// Fails before a file given to read is opened: kBadInput when it is a folder, kRefused
// with the system's reason when it cannot be read.
void RequireReadableFile(const std::string& path);

// Where an export of count images goes: one file named by --out (its extension picks the
// format) when there is one image and --out names no folder, else a folder of files in
// --format (png by default). Fails when no encoder writes that format.
struct ExportTarget {
    std::string out;
    std::string format;
    bool toFile;
};
ExportTarget ChooseExportTarget(const Args& args, size_t count);

// The extension of a path's file name, without the dot; empty when it has none.
std::string Extension(const std::string& path);

// Imports a bitmap with StoreImage; a refused game choice ends the command.
StoreResult StoreBitmap(CTextureDatabase& db, CCacheHelper& helper, const Bitmap32& bitmap,
                        const std::string& name, bool withAlpha, int category, bool uncompressed,
                        int game, bool replace);

// Imports the textures of an open dictionary into a cache; names the cache has are
// replaced (their aliases following) with replace, else skipped before decoding.
struct DictionaryImport {
    CTextureDatabase& db;
    CCacheHelper& cache;
    int category;
    int game;
    bool replace;
    int imported = 0;
    int skipped = 0;
    int refused = 0; // names the index cannot hold
    int failed = 0;
    // source names the dictionary in progress and messages.
    void Run(CTXDHelper& helper, const std::string& source);
};

} // namespace Cli

// Commands: each returns an exit code or throws Cli::Failure.
int CommandCreate(const Cli::Args& args);
int CommandInfo(const Cli::Args& args);
int CommandList(const Cli::Args& args);
int CommandCheck(const Cli::Args& args);
int CommandFix(const Cli::Args& args);
int CommandDump(const Cli::Args& args);
int CommandRename(const Cli::Args& args);
int CommandDelete(const Cli::Args& args);
int CommandAlias(const Cli::Args& args);
int CommandCategory(const Cli::Args& args);
int CommandSet(const Cli::Args& args);
int CommandImport(const Cli::Args& args);
int CommandExport(const Cli::Args& args);
int CommandPlugins(const Cli::Args& args);
int CommandTxd(const Cli::Args& args);
int CommandImg(const Cli::Args& args);
int CommandDff(const Cli::Args& args);
int CommandSync(const Cli::Args& args);
int CommandConvert(const Cli::Args& args);
int CommandOptimize(const Cli::Args& args);
int CommandRadar(const Cli::Args& args);
int CommandAliases(const Cli::Args& args);
int CommandStats(const Cli::Args& args);
int CommandAliasList(const Cli::Args& args);
