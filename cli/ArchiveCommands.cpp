// tessarine-cli img and dff: GTA IMG archives and the texture names models use.
#include "app/Log.h"
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "cli/Cli.h"
#include "cli/ImgEdit.h"
#include "gta/IMGEditor.h"
#include "gta/IMGExtract.h"
#include "gta/IMGFile.h"
#include "pipeline/ModelTextures.h"
#include "pipeline/TXDHelper.h"
#include "platform/Files.h"
#include "platform/SafeFileName.h"
#include "platform/Text.h"
#include "rw/SectionNames.h"
#include "rw/SimpleDFF.h"
#include "rw/TextureDictionary.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <set>
#include <unistd.h>

using namespace Cli;

// The archive a path names: NAME.dir given for a version 1 archive stands for its NAME.img
// (in any letter case), which must be there.
std::string Cli::ArchivePath(const std::string& path) {
    if (!Text::EqualsNoCase(Extension(path), "dir"))
        return path;
    const std::string wanted = Files::FileNameOf(path.substr(0, path.size() - 4) + ".img");
    const std::string folder = Files::DirectoryOf(path);
    std::error_code error;
    for (const auto& file :
         std::filesystem::directory_iterator(folder.empty() ? "." : folder, error))
        if (Text::EqualsNoCase(file.path().filename().string(), wanted))
            return (folder.empty() ? std::string() : folder + "/") +
                   file.path().filename().string();
    throw Failure{kBadInput, "'" + path +
                                 "' is the directory of a version 1 archive, and its "
                                 "archive '" +
                                 (folder.empty() ? "" : folder + "/") + wanted + "' is missing"};
}

namespace {

const char kImgUsage[] = "usage: tessarine-cli img list ARCHIVE [--json] | extract ARCHIVE "
                         "[ENTRY...] --out FOLDER | import INDEX ARCHIVE [ENTRY...] "
                         "[--category NAME] [--game N] | add ARCHIVE FILE... [--create 1|2] "
                         "[--json] | delete ARCHIVE ENTRY... [--json] | rebuild ARCHIVE [--json]";
const char kDffUsage[] = "usage: tessarine-cli dff list MODEL [INDEX] | rename MODEL OLD NEW "
                         "[--out FILE] | names MODEL --out FILE";

void OpenArchive(GTA::CIMGFile& img, const std::string& given) {
    RequireReadableFile(given);
    const std::string path = ArchivePath(given);
    RequireReadableFile(path);
    if (!img.Open(path))
        throw Failure{kBadInput, "cannot open the archive '" + path +
                                     "' (for a version 1 archive its .dir must be beside it)"};
}

// Entries by name (any letter case), or every entry with one of the extensions.
std::vector<uint32_t> ChooseEntries(const GTA::CIMGFile& img, const Args& args, size_t first,
                                    const char* extension) {
    std::vector<uint32_t> entries;
    for (size_t i = first; i < args.positional.size(); ++i) {
        uint32_t found = UINT32_MAX;
        for (uint32_t e = 0; e < img.GetEntryCount() && found == UINT32_MAX; ++e)
            if (Text::EqualsNoCase(img.GetEntryName(e), args.positional[i]))
                found = e;
        if (found == UINT32_MAX)
            throw Failure{kRefused, "no entry named '" + args.positional[i] + "'"};
        entries.push_back(found);
    }
    if (entries.empty())
        for (uint32_t e = 0; e < img.GetEntryCount(); ++e)
            if (!extension || Text::EqualsNoCase(Extension(img.GetEntryName(e)), extension))
                entries.push_back(e);
    return entries;
}

int ImgList(const Args& args) {
    GTA::CIMGFile img;
    OpenArchive(img, args.positional.at(1));
    const bool json = args.Has("--json");
    if (json)
        std::printf("{\"version\": %d, \"entries\": [", img.Version() == GTA::kImgVersion2 ? 2 : 1);
    else
        std::printf("IMG version %d, %u entries\n", img.Version() == GTA::kImgVersion2 ? 2 : 1,
                    img.GetEntryCount());
    for (uint32_t e = 0; e < img.GetEntryCount(); ++e) {
        const uint64_t size = uint64_t(img.GetEntrySize(e)) * GTA::kImgSector;
        const bool damaged = img.GetEntryShortfall(e) > 0;
        if (json)
            std::printf("%s\n  {\"name\": %s, \"size\": %llu, \"offset\": %llu, \"damaged\": %s}",
                        e ? "," : "", Json(img.GetEntryName(e)).c_str(),
                        static_cast<unsigned long long>(size),
                        static_cast<unsigned long long>(img.GetEntryOffset(e)),
                        damaged ? "true" : "false");
        else
            std::printf("%-24s %10llu %12llu%s\n", Shown(img.GetEntryName(e)).c_str(),
                        static_cast<unsigned long long>(size),
                        static_cast<unsigned long long>(img.GetEntryOffset(e)),
                        damaged ? "  damaged: runs past the end of the archive" : "");
    }
    if (json)
        std::printf("\n]}\n");
    return kDone;
}

int ImgExtract(const Args& args) {
    if (!args.Has("--out"))
        throw Failure{kBadInput, kImgUsage};
    GTA::CIMGFile img;
    OpenArchive(img, args.positional.at(1));
    const std::vector<uint32_t> entries = ChooseEntries(img, args, 2, nullptr);
    const std::string out = args.Get("--out");
    std::filesystem::create_directories(out);
    // Entry names become file names inside the folder only, one file each; an existing
    // file is left as it is.
    SafeFileName::CNamer namer;
    int written = 0, refused = 0, damaged = 0;
    for (uint32_t e : entries) {
        const std::string name = img.GetEntryName(e);
        const std::string file = namer.Take(name, "");
        const std::string path = out + "/" + file;
        int error = 0;
        switch (GTA::ExtractEntry(img, e, path, error)) {
        case GTA::IMGExtracted::kWritten:
            ++written;
            if (file != name)
                std::fprintf(stderr, "tessarine-cli img: %s written as %s\n", Shown(name).c_str(),
                             Shown(file).c_str());
            break;
        case GTA::IMGExtracted::kDamaged:
            // A short file would pass for the whole entry.
            std::fprintf(
                stderr,
                "tessarine-cli img: %s is damaged: %llu of its %llu bytes lie past the "
                "end of the archive; not written\n",
                Shown(name).c_str(), static_cast<unsigned long long>(img.GetEntryShortfall(e)),
                static_cast<unsigned long long>(uint64_t(img.GetEntrySize(e)) * GTA::kImgSector));
            ++damaged;
            break;
        default:
            std::fprintf(stderr, "tessarine-cli img: %s not written: %s\n", Shown(path).c_str(),
                         std::strerror(error));
            ++refused;
        }
    }
    std::printf("extracted %d of %zu entries to %s", written, entries.size(), out.c_str());
    std::printf(damaged ? "; %d damaged entries not written\n" : "\n", damaged);
    if (damaged)
        return kBadInput;
    return refused ? kRefused : kDone;
}

int ImgImport(const Args& args) {
    if (args.positional.size() < 3)
        throw Failure{kBadInput, kImgUsage};
    PluginSession plugins;
    auto db = OpenCache(args, 1, Access::kWrite);
    RequireDataFiles(*db);
    const int category = ImportCategory(*db, args);
    const int game = ImportGame(*db, args);
    GTA::CIMGFile img;
    OpenArchive(img, args.positional[2]);
    const std::vector<uint32_t> entries = ChooseEntries(img, args, 3, "txd");
    CCacheHelper cache(db.get());
    DictionaryImport import{*db, cache, category, game, false};
    for (uint32_t e : entries) {
        const std::string entry = img.GetEntryName(e);
        CTXDHelper helper;
        try {
            helper.OpenTXD(entry, img.Handle(), img.GetEntryOffset(e));
        } catch (const RW::CException& error) {
            std::fprintf(stderr, "tessarine-cli img: %s: %s\n", Shown(entry).c_str(),
                         Shown(error.Text()).c_str());
            ++import.failed;
            continue;
        }
        import.Run(helper, entry);
    }
    db->Flush();
    std::printf("imported %d textures from %zu dictionaries, skipped %d existing, %d with names "
                "the index cannot hold, %d failed\n",
                import.imported, entries.size(), import.skipped, import.refused, import.failed);
    if (import.failed || import.refused)
        return kBadInput;
    return import.imported == 0 ? kRefused : kDone;
}

// A model, or a dictionary given in its place, read whole.
void OpenModelTextures(CModelTextures& model, const std::string& path) {
    RequireReadableFile(path);
    try {
        model.Open(path);
    } catch (const RW::CException& e) {
        throw Failure{kBadInput, "cannot read the model '" + path + "': " + e.Text()};
    }
}

void RequireModel(CModelTextures& model, const std::string& path, bool dictionaryToo) {
    const CModelTextures::Kind kind = model.GetKind();
    if (kind == CModelTextures::Kind::kModel ||
        (dictionaryToo && kind == CModelTextures::Kind::kDictionary))
        return;
    throw Failure{kBadInput, "'" + path + "' is not a model (its root section is " +
                                 RW_SECTION_NAME_OR_UNKNOWN(model.Stream()->Root()->m_nID) + ")"};
}

// The names a model uses, each once; a dictionary given instead lists its own textures.
int DffList(const Args& args) {
    std::unique_ptr<CTextureDatabase> db;
    if (args.positional.size() > 2) {
        db = OpenCache(args, 2);
    }
    CModelTextures model;
    OpenModelTextures(model, args.positional.at(1));
    RequireModel(model, args.positional[1], true);
    int missing = 0;
    for (const std::string& name : model.Names()) {
        const NameInCache found = FindNameInCache(db.get(), name);
        const char* state = found.state == NameInCache::kFound      ? "OK"
                            : found.state == NameInCache::kNotFound ? "Not Found"
                                                                    : "Cache not loaded";
        missing += found.state == NameInCache::kNotFound;
        std::printf("%-32s %s\n", Shown(name).c_str(), state);
    }
    return missing ? kRefused : kDone;
}

int DffRename(const Args& args) {
    if (args.positional.size() != 4)
        throw Failure{kBadInput, kDffUsage};
    const std::string& path = args.positional[1];
    const std::string& oldName = args.positional[2];
    const std::string& newName = args.positional[3];
    if (newName.empty())
        throw Failure{kBadInput, "Name should not be empty."};
    RequireTextureName(newName);
    CModelTextures model;
    OpenModelTextures(model, path);
    RequireModel(model, path, false);
    int renamed = 0;
    try {
        renamed = model.Rename(oldName, newName);
        if (renamed == 0)
            throw Failure{kRefused, "the model uses no texture named '" + oldName + "'"};
        model.Save(args.Get("--out", path));
    } catch (const RW::CException& e) {
        throw Failure{kBadInput, e.Text()};
    }
    std::printf("renamed %d references to %s\n", renamed, Shown(newName).c_str());
    return kDone;
}

// The first texture of each material of the first geometry, one per line.
int DffNames(const Args& args) {
    if (!args.Has("--out"))
        throw Failure{kBadInput, kDffUsage};
    CModelTextures model;
    OpenModelTextures(model, args.positional.at(1));
    RequireModel(model, args.positional[1], false);
    std::string text;
    try {
        text = model.PlainText();
    } catch (const RW::CException& e) {
        throw Failure{kBadInput, "cannot read the model '" + args.positional[1] + "': " + e.Text()};
    }
    if (!Files::WriteFileAtomically(args.Get("--out"), text))
        throw Failure{kRefused, "Unknown error"};
    return kDone;
}

} // namespace

int CommandImg(const Args& args) {
    if (args.positional.size() < 2)
        throw Failure{kBadInput, kImgUsage};
    const std::string& verb = args.positional[0];
    if (verb == "list")
        return ImgList(args);
    if (verb == "extract")
        return ImgExtract(args);
    if (verb == "import")
        return ImgImport(args);
    if (verb == "add" || verb == "delete" || verb == "rebuild")
        return ImgEdit(args);
    throw Failure{kBadInput, kImgUsage};
}

int CommandDff(const Args& args) {
    if (args.positional.size() < 2)
        throw Failure{kBadInput, kDffUsage};
    const std::string& verb = args.positional[0];
    if (verb == "list")
        return DffList(args);
    if (verb == "rename")
        return DffRename(args);
    if (verb == "names")
        return DffNames(args);
    throw Failure{kBadInput, kDffUsage};
}
