// tessarine-cli img add, delete and rebuild. Every argument is checked before the archive
// is written, and the archive is written once, at the end: a refused file or name leaves
// it as it was.
#include "cli/ImgEdit.h"

#include "gta/IMGEditor.h"
#include "gta/IMGSaveFiles.h"
#include "platform/Files.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace Cli;

namespace {

const char kEditUsage[] = "usage: tessarine-cli img add ARCHIVE FILE... [--create 1|2] [--json] | "
                          "delete ARCHIVE ENTRY... [--json] | rebuild ARCHIVE [--json]";

[[noreturn]] void Refuse(const GTA::CIMGEditor& editor) {
    // A write the system refused is no damage (the archive is as it was), as for caches.
    const ExitCode code = editor.Fault() == GTA::IMGFault::kDamaged ? kBadInput : kRefused;
    throw Failure{code, editor.Error()};
}

void Open(GTA::CIMGEditor& editor, const std::string& given) {
    const std::string path = ArchivePath(given);
    if (!editor.Open(path))
        Refuse(editor);
}

void Save(GTA::CIMGEditor& editor) {
    constexpr uint64_t kWhole = 100;
    const std::string what = "% of " + editor.Path() + " written";
    const auto progress = [&](uint64_t done, uint64_t total) {
        Progress(total ? done * kWhole / total : kWhole, kWhole, what);
        return true;
    };
    if (!editor.Save(progress))
        Refuse(editor);
}

void NeedAtLeast(const Args& args, size_t count) {
    if (args.positional.size() < count)
        throw Failure{kBadInput, kEditUsage};
}

// Bytes the archive takes on disk, a version 1 archive's directory file included.
long long ArchiveBytes(const GTA::CIMGEditor& editor) {
    const GTA::IMGSavePaths paths = GTA::SavePathsOf(editor.Path());
    long long bytes = std::max<long long>(Files::FileSize(paths.archive), 0);
    if (editor.Version() == 1)
        bytes += std::max<long long>(Files::FileSize(paths.directory), 0);
    return bytes;
}

std::string JsonList(const std::vector<std::string>& names) {
    std::string text = "[";
    for (size_t i = 0; i < names.size(); ++i)
        text += (i ? ", " : "") + Json(names[i]);
    return text + "]";
}

void PrintSummary(const GTA::CIMGEditor& editor, bool json) {
    const long long bytes = ArchiveBytes(editor);
    if (json)
        std::printf("\"version\": %d, \"entries\": %zu, \"bytes\": %lld}\n", editor.Version(),
                    editor.Count(), bytes);
    else
        std::printf("%s: version %d, %zu entries, %lld bytes\n", Shown(editor.Path()).c_str(),
                    editor.Version(), editor.Count(), bytes);
}

// The archive to add to; with --create a new one when there is none.
void OpenOrCreate(GTA::CIMGEditor& editor, const std::string& archive, const Args& args) {
    if (!args.Has("--create") || Files::Exists(archive))
        return Open(editor, archive);
    const std::string version = args.Get("--create");
    if (version != "1" && version != "2")
        throw Failure{kBadInput, "--create takes the archive's version, 1 or 2"};
    if (!editor.Create(archive, std::atoi(version.c_str())))
        Refuse(editor);
}

// Two files of one name would replace each other: one of them is surely a mistake.
void RequireDistinctNames(const Args& args) {
    for (size_t i = 2; i < args.positional.size(); ++i)
        for (size_t j = 2; j < i; ++j)
            if (Text::EqualsNoCase(Files::FileNameOf(args.positional[i]),
                                   Files::FileNameOf(args.positional[j])))
                throw Failure{kRefused, "'" + args.positional[j] + "' and '" + args.positional[i] +
                                            "' have the same entry name"};
}

int ImgAdd(const Args& args) {
    NeedAtLeast(args, 3);
    for (size_t i = 2; i < args.positional.size(); ++i)
        RequireReadableFile(args.positional[i]);
    RequireDistinctNames(args);
    GTA::CIMGEditor editor;
    OpenOrCreate(editor, ArchivePath(args.positional[1]), args);
    std::vector<std::string> added, replaced;
    for (size_t i = 2; i < args.positional.size(); ++i) {
        const GTA::IMGPut put = editor.PutFile(args.positional[i]);
        if (put == GTA::IMGPut::kFailed)
            Refuse(editor);
        const std::string name = Files::FileNameOf(args.positional[i]);
        (put == GTA::IMGPut::kReplaced ? replaced : added).push_back(name);
    }
    Save(editor);
    const bool json = args.Has("--json");
    if (json) {
        std::printf("{\"added\": %s, \"replaced\": %s, ", JsonList(added).c_str(),
                    JsonList(replaced).c_str());
    } else {
        for (const std::string& name : added)
            std::printf("added %s\n", Shown(name).c_str());
        for (const std::string& name : replaced)
            std::printf("replaced %s (in its place)\n", Shown(name).c_str());
    }
    PrintSummary(editor, json);
    return kDone;
}

int ImgDelete(const Args& args) {
    NeedAtLeast(args, 3);
    GTA::CIMGEditor editor;
    Open(editor, args.positional[1]);
    std::vector<std::string> deleted;
    // Every name is checked before anything is written: one not found deletes nothing.
    for (size_t i = 2; i < args.positional.size(); ++i) {
        const size_t before = editor.Count();
        if (!editor.Delete(args.positional[i]))
            Refuse(editor);
        for (size_t n = editor.Count(); n < before; ++n)
            deleted.push_back(args.positional[i]);
    }
    Save(editor);
    const bool json = args.Has("--json");
    if (json)
        std::printf("{\"deleted\": %s, ", JsonList(deleted).c_str());
    else
        for (const std::string& name : deleted)
            std::printf("deleted %s\n", Shown(name).c_str());
    PrintSummary(editor, json);
    return kDone;
}

int ImgRebuild(const Args& args) {
    if (args.positional.size() != 2)
        throw Failure{kBadInput, kEditUsage};
    GTA::CIMGEditor editor;
    Open(editor, args.positional[1]);
    const long long before = ArchiveBytes(editor);
    Save(editor);
    const bool json = args.Has("--json");
    if (json)
        std::printf("{\"bytes before\": %lld, ", before);
    else
        std::printf("rebuilt, %lld bytes before\n", before);
    PrintSummary(editor, json);
    return kDone;
}

} // namespace

int Cli::ImgEdit(const Args& args) {
    const std::string& verb = args.positional.at(0);
    if (verb == "add")
        return ImgAdd(args);
    if (verb == "delete")
        return ImgDelete(args);
    return ImgRebuild(args);
}
