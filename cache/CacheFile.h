#pragma once
// One file of a texture cache, read and written by offset through its descriptor. Every
// write passes the fault seam and checks its result; a failure throws CWriteError with
// the system's reason and the file's name, so no caller can overlook it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// A whole file read into memory.
class CFileView {
public:
    CFileView(std::unique_ptr<uint8_t[]> data, size_t size)
        : m_pData(std::move(data)), m_nSize(size) {}
    const uint8_t* Data() const { return m_pData.get(); }
    size_t Size() const { return m_nSize; }

private:
    std::unique_ptr<uint8_t[]> m_pData;
    size_t m_nSize;
};

class CCacheFile {
public:
    // Opens an existing file for reading and writing, or for reading only when the user
    // may not write it (the failure is kept for the edit that would need it); nullptr
    // when it does not exist or cannot be opened at all.
    static std::unique_ptr<CCacheFile> OpenExisting(const std::string& path);
    // Creates a new file for reading and writing (a file or link already at path is
    // removed first, never written through), with the permissions of likeFile when that
    // exists; throws CWriteError.
    static std::unique_ptr<CCacheFile> Create(const std::string& path,
                                              const std::string& likeFile = std::string());
    ~CCacheFile();
    CCacheFile(const CCacheFile&) = delete;
    CCacheFile& operator=(const CCacheFile&) = delete;

    const std::string& Path() const { return m_strPath; }
    // Called before every change of the file: the owner's chance to prepare (or refuse).
    void SetWriteGuard(std::function<void()> guard) { m_WriteGuard = std::move(guard); }
    // The file was renamed to path.
    void SetPath(std::string path) { m_strPath = std::move(path); }
    int Fd() const { return m_nFd; }
    // 0 when the file may be written, else why not (EACCES, EROFS).
    int WriteError() const { return m_nWriteError; }
    int64_t Length() const { return m_nLength; }

    // Exactly count bytes at offset; false when they are not all there.
    bool ReadAt(uint64_t offset, void* buffer, size_t count) const;
    void WriteAt(uint64_t offset, const void* data, size_t count);
    // Writes at the end; returns the offset written at.
    uint64_t Append(const void* data, size_t count);
    void Truncate(int64_t length);
    // Appends count bytes of source from offset (in the kernel where it can).
    void AppendFrom(const CCacheFile& source, uint64_t offset, uint64_t count);
    // Data and size on the disk.
    void Sync();
    // The whole file for reading; an empty view when it cannot be read.
    std::unique_ptr<CFileView> View() const;
    // Length as the file system sees it now (another program may have changed it).
    void RefreshLength();

private:
    CCacheFile(int fd, std::string path, int writeError);
    [[noreturn]] void Fail(int error);

    int m_nFd;
    std::string m_strPath;
    int m_nWriteError;
    int64_t m_nLength = 0;
    std::function<void()> m_WriteGuard;
};
