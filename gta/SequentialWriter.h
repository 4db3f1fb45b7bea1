#pragma once
// A new file written front to back, for saves that build a whole file beside the one it
// replaces. Every write, copy step and flush is a fault point (platform/Faults.h); the
// first failure stops the file and keeps its errno, and later calls do nothing, so a
// caller may write everything and check once at Finish().
#include <cstdint>
#include <string>

namespace GTA {

class CSequentialWriter {
public:
    CSequentialWriter() = default;
    ~CSequentialWriter();
    CSequentialWriter(const CSequentialWriter&) = delete;
    CSequentialWriter& operator=(const CSequentialWriter&) = delete;

    // Creates path (a leftover of that name is removed first) with the permissions of
    // likeFile when it exists.
    bool Create(const std::string& path, const std::string& likeFile);
    // Creates path only when nothing is there (Error() EEXIST otherwise).
    bool CreateNew(const std::string& path);
    bool Write(const void* data, size_t count);
    // Zeros up to the byte offset end.
    bool PadTo(uint64_t end);
    // count bytes of source from offset; the kernel copies (or clones) where it can.
    bool Copy(int source, uint64_t offset, uint64_t count);
    // Flushes the file to disk (unless told not to) and closes it.
    bool Finish(bool flush = true);

    int Error() const { return m_nError; }

private:
    bool Failed(int error);

    int m_nFd = -1;
    int m_nError = 0;
    uint64_t m_nLength = 0;
};

} // namespace GTA
