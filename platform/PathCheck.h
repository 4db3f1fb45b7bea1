#pragma once
// What the file system says about a path before a command relies on it, with the
// operating system's own reason ("Permission denied", "Read-only file system") when it
// cannot be used.
#include <string>

namespace PathCheck {

enum class Kind { kMissing, kFile, kDirectory, kOther };

// What path names, following symbolic links; kMissing when it cannot be examined.
Kind KindOf(const std::string& path);

// Empty when the file can be opened for reading; else the system's reason.
std::string ReadProblem(const std::string& path);
// Empty when path (an existing file, or a folder new files go into) may be written;
// else the system's reason.
std::string WriteProblem(const std::string& path);

// "No space left on device" when the file system of folder has no free block left, for
// a write that failed without saying why; else empty.
std::string SpaceProblem(const std::string& folder);

// The longest file name the file system of folder takes, in bytes.
long MaxFileNameBytes(const std::string& folder);

} // namespace PathCheck
