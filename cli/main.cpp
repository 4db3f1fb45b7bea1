// tessarine-cli: texture-cache work from a shell, over the editor's own core.
#include "app/ProgramFolders.h"
#include "app/Version.h"
#include "cli/Cli.h"
#include "cli/CommandOptions.h"

#include <cstdio>
#include <cstring>

namespace {

struct Command {
    const char* name;
    int (*run)(const Cli::Args&);
    const char* usage;
    const char* help;
};

const Command kCommands[] = {
    {"create", CommandCreate, "create INDEX.txt [--force]",
     "Creates an empty texture cache: the index with one category and the DAT, TOC and TMB "
     "files of the caches dxt, etc, pvr and unc. Refuses to replace an existing cache "
     "unless --force is given."},
    {"info", CommandInfo, "info INDEX [--json]",
     "Prints the number of textures, aliases and categories, and the files of each cache with "
     "their sizes, texture and thumbnail counts and whether the TOC is sound."},
    {"list", CommandList, "list INDEX [--category NAME] [--json]",
     "Prints the categories and every texture: size, category, alias, alpha, detail texture and "
     "the raster format in each cache."},
    {"check", CommandCheck, "check INDEX [--json]",
     "Reports what the editor asks about when it opens the cache: damaged TOC and TMB files, a "
     "missing index, and textures whose raster header names no known format. Exit code 2 when "
     "anything is found."},
    {"fix", CommandFix, "fix INDEX [--yes]",
     "Makes the repairs the editor offers on opening: rewrites damaged TOC files, replaces "
     "damaged TMB files with placeholder thumbnails, builds a missing index from the DAT. Each "
     "repair is a question; --yes answers them all, without it and without a terminal nothing "
     "is changed."},
    {"rename", CommandRename, "rename INDEX TEXTURE NEW-NAME",
     "Renames a texture; its aliases follow. Refused when the new name exists in any case, or "
     "when the index cannot hold it (a double quote, a line break or other control character, "
     "a character outside Latin-1, more than 63 characters, or nothing)."},
    {"delete", CommandDelete, "delete INDEX TEXTURE...",
     "Deletes textures with their aliases and cuts their records out of every DAT and TMB, in "
     "one pass over each file. Nothing is deleted when a name is not found."},
    {"alias", CommandAlias, "alias INDEX NAME ORIGINAL",
     "Adds a texture NAME that stands for ORIGINAL and has no data of its own."},
    {"category", CommandCategory,
     "category add INDEX NAME | rename INDEX OLD NEW | delete INDEX NAME | move INDEX CATEGORY "
     "TEXTURE...",
     "Adds, renames or deletes a category (its textures fall into the first one), or moves "
     "textures into a category. A category name is one word. Aliases take their original's "
     "category and are not moved."},
    {"set", CommandSet, "set INDEX TEXTURE camnorm|hasbias|hasdetail VALUE",
     "Sets one flag of a texture. An alias has its original's flags; setting a flag to the "
     "value it has changes nothing and exits with 1."},
    {"import", CommandImport,
     "import INDEX IMAGE... [--category NAME] [--no-alpha] [--uncompressed] [--replace] "
     "[--game N]",
     "Imports PNG, BMP, GIF, JPEG or TIFF files as textures named after the files, with every "
     "mip level, compressed for each cache by its codec plug-in (or as 32-bit RGBA with "
     "--uncompressed). The record layout is the cache's own, or --game / the settings' game for "
     "a new cache; the category's default format and the settings' rules may force one codec "
     "family for every cache. A texture of the same name is replaced only with --replace; its "
     "aliases then follow the new one. Every file and its name are checked before the first "
     "is imported; an image that cannot be decoded is reported and the others imported."},
    {"export", CommandExport,
     "export INDEX [TEXTURE...] [--category NAME] --out FILE|FOLDER [--format png|bmp|gif|jpg|tif] "
     "[--cache C] [--level N] [--thumb] [--aliases]",
     "Exports textures as image files: one texture to a file (its extension picks the format), "
     "or the named textures, a category or all of them into a folder as NAME.FORMAT. Aliases are "
     "left out of whole exports unless --aliases is given. Names become file names inside the "
     "folder: separators, control characters and leading dots become '_', and names that meet "
     "get ~2, ~3, ..."},
    {"plugins", CommandPlugins,
     "plugins [--json] | plugins set FAMILY [--plugin FILE] [--quality N] [--dithering N] | "
     "plugins menu [ID]",
     "Lists the codec families (DXT, ETC1, PVRTC, UNC) with the plug-in bound to each and the "
     "quality and dithering chosen, or changes them in the settings. 'plugins menu' prints the "
     "editor's plug-in menus with their command ids; 'plugins menu ID' first carries out one."},
    {"txd", CommandTxd,
     "txd info FILE | list FILE [--json] | export FILE [TEXTURE...] --out FILE|FOLDER [--format "
     "png|bmp|gif|jpg|tif] | import INDEX FILE... [--category NAME] [--replace] [--game N]",
     "Texture dictionaries of the PC, PS2 and mobile games. 'info' prints the section tree and "
     "version, 'list' each texture's size, format and alpha, 'export' writes textures as image "
     "files, 'import' adds every texture of the dictionaries to the cache (a texture of the same "
     "name is skipped unless --replace is given)."},
    {"img", CommandImg,
     "img list ARCHIVE [--json] | extract ARCHIVE [ENTRY...] --out FOLDER | import INDEX ARCHIVE "
     "[ENTRY...] [--category NAME] [--game N] | add ARCHIVE FILE... [--create 1|2] [--json] | "
     "delete ARCHIVE ENTRY... [--json] | rebuild ARCHIVE [--json]",
     "GTA IMG archives, version 1 (NAME.img with NAME.dir) and version 2. 'list' prints each "
     "entry's name, size and offset in bytes; 'extract' writes entries as files (never over an "
     "existing one); 'import' adds the textures of the dictionaries in the archive (all .txd "
     "entries, or those named) to the cache, skipping names the cache has. An entry that runs "
     "past the end of its archive is reported as damaged and not extracted (exit code 2). "
     "'add' stores files as entries named after them: a name the archive has (in any letter "
     "case, as the games look names up) is replaced in its place, others are appended; "
     "--create 1|2 makes a new archive of that version when there is none. 'delete' removes "
     "the named entries (nothing when a name is not found); 'rebuild' writes the archive "
     "without the gaps that deleted and replaced entries leave. Entry names have 1 to 23 "
     "Latin-1 characters, no control characters and no path separators. Every edit writes a "
     "new, compact archive (and directory) beside the old one and renames it over the old one "
     "at the end, so a failure or a crash leaves the old archive or the new one. A version 1 "
     "archive is named by its .img (its .dir stands for it too)."},
    {"dff", CommandDff,
     "dff list MODEL [INDEX] | rename MODEL OLD NEW [--out FILE] | names MODEL --out FILE",
     "Texture names of a model. 'list' prints every name the model uses, with OK or Not Found "
     "when a cache is given; 'rename' renames a texture reference and saves the model (in place "
     "or to --out); 'names' writes the first texture of each material of the first geometry as "
     "plain text."},
    {"sync", CommandSync, "sync INDEX ARCHIVE... [--delete] [--include-case] [--json]",
     "Reads every model in the archives and lists the cache textures none of them uses, with the "
     "space they take, and those a model names only in another letter case (the games find "
     "them, so they are kept unless --include-case is given); --delete deletes the unused ones "
     "(with their aliases) in one pass."},
    {"dump", CommandDump, "dump INDEX TEXTURE OUTPUT [--cache dxt|etc|pvr|unc] [--thumb]",
     "Writes a texture's raster, unpacked, all levels, exactly as the cache stores it."},
    {"convert", CommandConvert, "convert INDEX --from dxt|etc|pvr|unc --to dxt|etc|pvr|unc [--json]",
     "Rebuilds one cache from another: every texture of the source is decoded and encoded with "
     "the target's codec family (quality drops with every conversion; 32-bit textures stay "
     "32-bit), on every core. The target's new files are built beside its old ones and replace "
     "them only when all is written, so a failure or an interruption leaves the old target. "
     "Rebuilding a cache that exists is a question (--yes). A texture that cannot be converted "
     "keeps its place without a record and is reported."},
    {"optimize", CommandOptimize,
     "optimize INDEX --names|--md5|--pixels [--delete] [--decoded] [--threshold T] "
     "[--cache dxt|etc|pvr|unc] [--json]",
     "Finds duplicate textures and makes each later one an alias of the first: by name in any "
     "case (--names; with --delete they are deleted with their aliases instead), by the MD5 of "
     "the stored raster (--md5) or of the decoded pixels (--md5 --decoded), or by a difference "
     "below T x 4 (default T 5): differing bytes of the stored rasters (--pixels) or the summed "
     "differences of the decoded pixels (--pixels --decoded). --cache picks the cache compared "
     "(the first present by default)."},
    {"radar", CommandRadar,
     "radar list INDEX [--cache C] [--json] | export INDEX --out FILE [--cache C] | import "
     "INDEX IMAGE [--no-alpha] [--game N] | optimize INDEX [--cache C] [--json]",
     "The radar map, the tiles radar00, radar01, ... up to the first one missing, laid out in "
     "the smallest square grid that holds them. 'list' prints the tiles with their size, format "
     "and original; 'export' writes the whole map as one picture (its extension picks the "
     "format); 'import' cuts a square picture (sides a power of two, at least 128) into 64 "
     "tiles radar00 to radar63 and stores them into every cache, replacing the old tiles (all "
     "or none: a failure leaves every tile as it was); 'optimize' turns tiles that look like "
     "another tile into aliases of it."},
    {"aliases", CommandAliases, "aliases INDEX TEXTURE [--json]",
     "Lists the aliases of a texture, highest index first. Exit code 1 when it has none."},
    {"stats", CommandStats, "stats INDEX [--json]",
     "Prints the figures of the editor's information box: the game of the records, the number "
     "of textures, originals and aliases, and the bytes the records take in each cache and in "
     "all."},
    {"alias-list", CommandAliasList, "alias-list export INDEX --out FILE | import INDEX FILE [--json]",
     "Moves aliases between caches. 'export' writes one line \"ALIAS ORIGINAL\" per alias (a "
     "name holding a blank in double quotes); 'import' adds the aliases of such a list that the "
     "cache can take, in one edit, and reports each line it cannot (not two names, a name the "
     "index cannot hold, an alias the cache has, an original it lacks or that is an alias "
     "itself). Exit code 1 when any line was not taken."},
};

void PrintUsage(FILE* out) {
    std::fputs("Usage: tessarine-cli COMMAND ARGUMENTS [OPTIONS]\n\nCommands:\n", out);
    for (const Command& c : kCommands)
        std::fprintf(out, "  %s\n", c.usage);
    std::fputs("\nTEXTURE is a name or #index. INDEX is NAME.txt (or one of its .dat/.toc files).\n"
               "Options for every command: --game 0|1|2 (record layout: automatic, Vice City,\n"
               "San Andreas), --yes / --no (answers to questions), --settings FILE (default:\n"
               "the editor's settings, see Files), --help. Options may stand before the command.\n"
               "Exit codes: 0 done, 1 refused or not found, 2 bad usage or damaged input.\n"
               "'tessarine-cli COMMAND --help' describes one command; 'tessarine-cli --version'\n"
               "prints the version.\n\n",
               out);
    std::fputs(ProgramFolders::FilesHelp(), out);
}

void PrintCommandHelp(const Command& c) {
    std::printf("Usage: tessarine-cli %s\n\n%s\n", c.usage, c.help);
}

const Command* FindCommandNamed(const std::string& name) {
    for (const Command& c : kCommands)
        if (name == c.name)
            return &c;
    return nullptr;
}

bool AsksFor(int argc, char** argv, const char* option, const char* shortOption = nullptr) {
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], option) || (shortOption && !std::strcmp(argv[i], shortOption)))
            return true;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const int at = Cli::FindCommand(argc, argv);
    const std::string word = at > 0 ? argv[at] : "";
    if (at < 0 || word == "help") {
        if (at > 0 && at + 1 < argc)
            if (const Command* c = FindCommandNamed(argv[at + 1])) {
                PrintCommandHelp(*c);
                return Cli::kDone;
            }
        if (at < 0 && AsksFor(argc, argv, "--version")) {
            std::fputs(Version::VersionText("tessarine-cli").c_str(), stdout);
            return Cli::kDone;
        }
        const bool asked = at > 0 || AsksFor(argc, argv, "--help", "-h");
        PrintUsage(asked ? stdout : stderr);
        return asked ? Cli::kDone : Cli::kBadInput;
    }
    const Command* found = FindCommandNamed(word);
    if (!found) {
        std::fprintf(stderr, "tessarine-cli: unknown command '%s'\n\n", word.c_str());
        PrintUsage(stderr);
        return Cli::kBadInput;
    }
    const Command& c = *found;
    {
        try {
            const Cli::Args args = Cli::ParseCommandLine(argc, argv, at, c.usage);
            if (args.Has("--help")) {
                PrintCommandHelp(c);
                return Cli::kDone;
            }
            Cli::InstallMessageBoxes(args);
            Cli::UseSettings(args);
            return c.run(args);
        } catch (const Cli::Failure& failure) {
            std::fprintf(stderr, "tessarine-cli %s: %s\n", c.name,
                         Cli::ShownLines(failure.message).c_str());
            return failure.code;
        } catch (const CWriteError& error) {
            // A full disk or a refused permission is no damage: the edit was undone.
            std::fprintf(stderr, "tessarine-cli %s: %s; the change it stopped was undone\n", c.name,
                         error.what());
            return Cli::kRefused;
        } catch (const CBusyError& error) {
            std::fprintf(stderr, "tessarine-cli %s: %s\n", c.name, error.what());
            return Cli::kRefused;
        } catch (const CError& error) {
            std::fprintf(stderr, "tessarine-cli %s: the cache is damaged: %s\n", c.name,
                         error.what());
            return Cli::kBadInput;
        } catch (const std::exception& error) {
            std::fprintf(stderr, "tessarine-cli %s: %s\n", c.name, error.what());
            return Cli::kBadInput;
        }
    }
}
