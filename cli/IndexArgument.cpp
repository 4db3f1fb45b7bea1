#include "cli/IndexArgument.h"

#include "cache/CacheCheck.h"
#include "cache/IndexText.h"
#include "cache/TextureRecord.h"
#include "cli/Cli.h"
#include "platform/Files.h"
#include "platform/PathCheck.h"
#include "platform/Text.h"

#include <algorithm>
#include <fstream>

namespace Cli {

namespace {

// Enough of a file to tell index text from anything else; real indexes are read whole.
constexpr size_t kProbeBytes = 4u << 20;
// Room a cache needs beyond its index's file name: "NAME.dxt.dat" is 4 bytes longer than
// "NAME.txt", and rewrites go through temporary names beside the files.
constexpr long kSiblingNameRoom = 32;

const char kIndexForms[] = "an index is NAME.txt, or a .dat or .toc file of a cache";

std::string Quoted(const std::string& path) {
    return "'" + Shown(path) + "'";
}

std::string ExtensionLower(const std::string& path) {
    return Text::AsciiLower(Extension(path));
}

std::string FolderOf(const std::string& path) {
    const std::string folder = Files::DirectoryOf(path);
    return folder.empty() ? std::string(".") : folder;
}

void RequireReadable(const std::string& path) {
    const std::string problem = PathCheck::ReadProblem(path);
    if (!problem.empty())
        throw Failure{kRefused, "cannot read " + Quoted(path) + ": " + problem};
}

void RequireWritable(const std::string& path) {
    const std::string problem = PathCheck::WriteProblem(path);
    if (!problem.empty())
        throw Failure{kRefused, "cannot write " + Quoted(path) + ": " + problem};
}

// An existing index must be a readable file holding index text. True when it holds any
// line at all (an empty file is an index only beside a cache's data files).
bool CheckExistingIndex(const std::string& path) {
    const PathCheck::Kind kind = PathCheck::KindOf(path);
    if (kind == PathCheck::Kind::kDirectory)
        throw Failure{kBadInput, Quoted(path) + " is a folder, not an index file"};
    if (kind != PathCheck::Kind::kFile)
        throw Failure{kBadInput, Quoted(path) + " is not a regular file"};
    RequireReadable(path);
    std::ifstream in(path, std::ios::binary);
    // Sized by the file: zeroing the whole probe for a small index cost more than reading it.
    const int64_t size = Files::FileSize(path);
    std::string probe(size >= 0 ? std::min(size_t(size), kProbeBytes) : kProbeBytes, '\0');
    in.read(probe.data(), static_cast<std::streamsize>(probe.size()));
    probe.resize(static_cast<size_t>(in.gcount()));
    const std::string_view text = IndexText::WithoutByteOrderMark(probe);
    const std::string problem = IndexText::Problem(text);
    if (!problem.empty())
        throw Failure{kBadInput, Quoted(path) + " is not a texture index: " + problem};
    return text.find_first_not_of(" \t\r\n") != std::string_view::npos;
}

} // namespace

std::vector<std::string> CacheFilePaths(const std::string& indexPath) {
    const std::string base = indexPath.substr(0, indexPath.size() - 4);
    std::vector<std::string> paths;
    for (const char* cache : kCacheNames)
        for (const char* extension : {".dat", ".toc", ".tmb"})
            paths.push_back(base + "." + cache + extension);
    return paths;
}

std::string CheckedIndexPath(const std::string& argument, Access access) {
    // Only the lower-case names stand for their index, as the cache's own files are named.
    const std::string extension = Extension(argument);
    if (extension == "dat" || extension == "toc") {
        if (PathCheck::KindOf(argument) == PathCheck::Kind::kDirectory)
            throw Failure{kBadInput, Quoted(argument) + " is a folder; " + kIndexForms};
    } else if (Text::AsciiLower(extension) != "txt") {
        throw Failure{kBadInput, Quoted(argument) + " is not an index file; " + kIndexForms};
    }
    const std::string path = IndexPathFor(argument);
    const bool indexExists = PathCheck::KindOf(path) != PathCheck::Kind::kMissing;
    bool any = indexExists && CheckExistingIndex(path);
    for (const std::string& file : CacheFilePaths(path)) {
        const PathCheck::Kind kind = PathCheck::KindOf(file);
        if (kind == PathCheck::Kind::kMissing)
            continue;
        if (kind != PathCheck::Kind::kFile)
            throw Failure{kBadInput, Quoted(file) + " is not a regular file"};
        RequireReadable(file);
        if (access == Access::kWrite)
            RequireWritable(file);
        any = true;
    }
    if (!any)
        throw Failure{kRefused, "no texture cache at " + Quoted(path)};
    if (access == Access::kWrite) {
        // The index is replaced by a new file written beside it.
        RequireWritable(FolderOf(path));
        if (indexExists)
            RequireWritable(path);
    }
    return path;
}

void CheckNewIndexPath(const std::string& path) {
    if (ExtensionLower(path) != "txt" || Files::FileNameOf(path).size() < 5)
        throw Failure{kBadInput, "the index file name must end in .txt"};
    const std::string folder = FolderOf(path);
    if (PathCheck::KindOf(folder) != PathCheck::Kind::kDirectory)
        throw Failure{kRefused, "there is no folder " + Quoted(folder)};
    const long room = PathCheck::MaxFileNameBytes(folder) - kSiblingNameRoom;
    if (static_cast<long>(Files::FileNameOf(path).size()) > room)
        throw Failure{kBadInput, "the index file name is too long: at most " +
                                     std::to_string(room) +
                                     " bytes leave room for the cache's other files"};
    if (PathCheck::KindOf(path) != PathCheck::Kind::kMissing)
        CheckExistingIndex(path);
    for (const std::string& file : CacheFilePaths(path)) {
        const PathCheck::Kind kind = PathCheck::KindOf(file);
        if (kind != PathCheck::Kind::kMissing && kind != PathCheck::Kind::kFile)
            throw Failure{kBadInput, Quoted(file) + " is in the way: it is not a regular file"};
    }
    RequireWritable(folder);
}

} // namespace Cli
