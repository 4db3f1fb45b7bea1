#pragma once
// File helpers standing in for the Win32 and CRT file calls.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Files {

// Size in bytes of an open stream (its position is kept), or -1.
int64_t FileSize(FILE* file);
// Size in bytes of a file on disk, or -1 when it cannot be examined.
int64_t FileSize(const std::string& path);
bool Exists(const std::string& path);

// Cuts or extends an open stream to exactly size bytes (what _chsize_s does on Windows).
// Pending buffered output is written first. Returns true on success.
bool TruncateFile(FILE* file, int64_t size);

// Names (not paths) of the regular files in folder whose names end in suffix,
// in sorted byte order; this is the "folder order" in which plug-ins are searched.
std::vector<std::string> SearchFolder(const std::string& folder, std::string_view suffix);

// Reads count bytes at offset of an open file descriptor, going on after short reads;
// fewer only at the end of the file or on an error. Returns the bytes read.
size_t ReadAt(int fd, uint64_t offset, void* buffer, size_t count);

// Reads a whole file; nullopt when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces path with data atomically: the data goes to a temporary file beside it,
// is flushed to disk and renamed over the old file, so a crash or a full disk leaves
// either the old or the new content, never a truncated file. A symbolic link is followed;
// a file without write permission is refused. Returns true on success.
bool WriteFileAtomically(const std::string& path, std::string_view data);

// The path with every symbolic link resolved; for a file that does not exist yet, its
// folder resolved and its name kept. The path unchanged when not even the folder exists.
std::string RealPath(const std::string& path);

// The real path of the running executable (/proc/self/exe).
std::string ExecutablePath();
// The folder part of a path, without the trailing slash ("" for a bare name).
std::string DirectoryOf(const std::string& path);
// The file-name part of a path.
std::string FileNameOf(const std::string& path);
// path with its extension replaced by ext, or "." + ext appended when the file name
// has no extension. A dot in a folder name is not an extension.
std::string ReplaceExtension(const std::string& path, std::string_view ext);

} // namespace Files
