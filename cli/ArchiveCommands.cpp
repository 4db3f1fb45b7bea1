// tessarine-cli img and dff: GTA IMG archives and the texture names models use.
#include "app/Log.h"
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "cli/Cli.h"
#include "cli/ImgEdit.h"
#include "gta/IMGEditor.h"
#include "gta/IMGExtract.h"
#include "gta/IMGFile.h"
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

// A model read from a file, or from an archive entry in place.
void OpenModel(RW::CSimpleDFF& dff, const std::string& path) {
    RequireReadableFile(path);
    try {
        dff.Open(path, 0, 0, 0);
    } catch (const RW::CException& e) {
        throw Failure{kBadInput, "cannot read the model '" + path + "': " + e.Text()};
    }
    if (dff.Root()->m_nID != RW::SECTION_CLUMP)
        throw Failure{kBadInput, "'" + path + "' is not a model (its root section is " +
                                     RW_SECTION_NAME_OR_UNKNOWN(dff.Root()->m_nID) + ")"};
}

std::vector<std::string> ModelNames(RW::CSimpleDFF& dff, const std::string& path) {
    std::vector<std::string> names;
    try {
        dff.CollectTextureNames([&](const std::string& name) { names.push_back(name); });
    } catch (const RW::CException& e) {
        throw Failure{kBadInput, "cannot read the model '" + path + "': " + e.Text()};
    }
    return names;
}

// The names a model uses; a dictionary given instead lists its own textures.
std::vector<std::string> NamesOf(const std::string& path) {
    RequireReadableFile(path);
    RW::CSimpleDFF dff;
    try {
        dff.Open(path, 0, 0, 0);
    } catch (const RW::CException& e) {
        throw Failure{kBadInput, "cannot read the model '" + path + "': " + e.Text()};
    }
    if (dff.Root()->m_nID != RW::SECTION_TEXTURE_DICTIONARY) {
        RW::CSimpleDFF model;
        OpenModel(model, path);
        return ModelNames(model, path);
    }
    std::vector<std::string> names;
    RW::CTXDPC txd;
    try {
        txd.Open(path, 0, 0, 0);
        for (uint32_t i = 0; i < txd.GetTextureCount(); ++i)
            names.push_back(txd.GetTextureName(i, false));
    } catch (const RW::CException& e) {
        throw Failure{kBadInput, "cannot read the dictionary '" + path + "': " + e.Text()};
    }
    return names;
}

int DffList(const Args& args) {
    std::unique_ptr<CTextureDatabase> db;
    if (args.positional.size() > 2) {
        db = OpenCache(args, 2);
    }
    int missing = 0;
    for (const std::string& name : NamesOf(args.positional.at(1))) {
        const char* state = "Cache not loaded";
        if (db) {
            const bool found = db->FindTexture(name, true) >= 0;
            state = found ? "OK" : "Not Found";
            missing += !found;
        }
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
    RW::CSimpleDFF dff;
    OpenModel(dff, path);
    int renamed = 0;
    try {
        ModelNames(dff, path); // checks the counts before they are walked
        for (uint32_t g = 0; g < dff.GetGeometryCount(); ++g)
            for (uint32_t m = 0; m < dff.GetMaterialCount(g); ++m)
                for (uint32_t t = 0; t < dff.GetMaterialTextureCount(g, m); ++t)
                    if (dff.GetTextureName(g, m, t, 0) == oldName) {
                        LogPrintA("CDlgDFFCheck:    - Renaming texture (geometry %d material %d "
                                  "texture %d)...\n",
                                  static_cast<int>(g), static_cast<int>(m), static_cast<int>(t));
                        renamed += dff.SetTextureName(newName, g, m, t, 0);
                    }
        if (renamed == 0)
            throw Failure{kRefused, "the model uses no texture named '" + oldName + "'"};
        dff.Save(args.Get("--out", path));
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
    RW::CSimpleDFF dff;
    OpenModel(dff, args.positional.at(1));
    ModelNames(dff, args.positional[1]);
    std::string text;
    RW::CNode* list = dff.NodeExists({2, 1, 1}) ? dff.GetNode({2, 1, 1}) : nullptr;
    for (uint32_t i = 1; list && i < list->ChildCount(); ++i)
        if (dff.NodeExists({2, 1, 1, static_cast<int>(i), 1}) &&
            dff.GetMaterialTextureCount(0, i - 1) > 0)
            text += dff.GetTextureName(0, i - 1, 0, 0) + "\n";
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
