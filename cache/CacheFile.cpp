#include "cache/CacheFile.h"

#include "cache/Error.h"
#include "platform/Faults.h"
#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

std::unique_ptr<CFileView> CCacheFile::View() const {
    // Read, not mapped: another program may cut the file meanwhile (undoing its edit), and
    // a mapping would then kill this one. The buffer is not cleared first; it is read
    // over whole, and clearing it was much of the time a large cache took to open.
    const size_t size = static_cast<size_t>(std::max<int64_t>(m_nLength, 0));
    std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[size > 0 ? size : 1]);
    if (!data || !ReadAt(0, data.get(), size))
        return std::make_unique<CFileView>(nullptr, 0);
    return std::make_unique<CFileView>(std::move(data), size);
}

std::unique_ptr<CCacheFile> CCacheFile::OpenExisting(const std::string& path) {
    int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    int writeError = 0;
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        writeError = errno;
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<CCacheFile>(new CCacheFile(fd, path, writeError));
}

std::unique_ptr<CCacheFile> CCacheFile::Create(const std::string& path,
                                               const std::string& likeFile) {
    if (Faults::Hit())
        throw CWriteError(errno, path);
    if (unlink(path.c_str()) != 0 && errno != ENOENT)
        throw CWriteError(errno, path);
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        throw CWriteError(errno, path);
    struct stat like {};
    if (!likeFile.empty() && stat(likeFile.c_str(), &like) == 0) {
        // Group write and ownership survive the replacement; who may not change the owner
        // keeps their own.
        fchmod(fd, like.st_mode & 07777);
        if (fchown(fd, like.st_uid, like.st_gid) != 0)
            fchmod(fd, like.st_mode & 0777);
    }
    return std::unique_ptr<CCacheFile>(new CCacheFile(fd, path, 0));
}

CCacheFile::CCacheFile(int fd, std::string path, int writeError)
    : m_nFd(fd), m_strPath(std::move(path)), m_nWriteError(writeError) {
    RefreshLength();
}

CCacheFile::~CCacheFile() {
    close(m_nFd);
}

void CCacheFile::RefreshLength() {
    struct stat st {};
    m_nLength = fstat(m_nFd, &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

void CCacheFile::Fail(int error) {
    // A write cut short may still have made the file longer.
    RefreshLength();
    throw CWriteError(error, m_strPath);
}

bool CCacheFile::ReadAt(uint64_t offset, void* buffer, size_t count) const {
    if (offset > static_cast<uint64_t>(m_nLength) || count > m_nLength - offset)
        return false;
    return Files::ReadAt(m_nFd, offset, buffer, count) == count;
}

void CCacheFile::WriteAt(uint64_t offset, const void* data, size_t count) {
    if (m_WriteGuard)
        m_WriteGuard();
    if (m_nWriteError)
        Fail(m_nWriteError);
    const char* bytes = static_cast<const char*>(data);
    for (size_t done = 0; done < count;) {
        if (Faults::Hit())
            Fail(errno);
        const ssize_t wrote =
            pwrite(m_nFd, bytes + done, count - done, static_cast<off_t>(offset + done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            Fail(wrote < 0 ? errno : ENOSPC);
        done += static_cast<size_t>(wrote);
    }
    m_nLength = std::max<int64_t>(m_nLength, static_cast<int64_t>(offset + count));
}

uint64_t CCacheFile::Append(const void* data, size_t count) {
    const uint64_t offset = static_cast<uint64_t>(m_nLength);
    WriteAt(offset, data, count);
    return offset;
}

void CCacheFile::AppendFrom(const CCacheFile& source, uint64_t offset, uint64_t count) {
    if (m_WriteGuard)
        m_WriteGuard();
    constexpr uint64_t kChunk = 64u << 20;
    bool kernelCopy = true;
    while (count > 0) {
        if (Faults::Hit())
            Fail(errno);
        const size_t want = static_cast<size_t>(std::min(count, kChunk));
        if (kernelCopy) {
            off64_t in = static_cast<off64_t>(offset), out = static_cast<off64_t>(m_nLength);
            const ssize_t copied = copy_file_range(source.m_nFd, &in, m_nFd, &out, want, 0);
            if (copied > 0) {
                offset += static_cast<uint64_t>(copied);
                count -= static_cast<uint64_t>(copied);
                m_nLength += copied;
                continue;
            }
            if (copied < 0 && errno == EINTR)
                continue;
            if (copied < 0 &&
                (errno == ENOSPC || errno == EIO || errno == EDQUOT || errno == EFBIG))
                Fail(errno);
            // Not supported between these files (or the source ended): the slow way.
            kernelCopy = false;
        }
        std::vector<uint8_t> buffer(std::min<size_t>(want, 4u << 20));
        if (Files::ReadAt(source.m_nFd, offset, buffer.data(), buffer.size()) != buffer.size())
            throw CWriteError(EIO, source.m_strPath);
        Append(buffer.data(), buffer.size());
        offset += buffer.size();
        count -= buffer.size();
    }
}

void CCacheFile::Truncate(int64_t length) {
    if (m_WriteGuard)
        m_WriteGuard();
    if (m_nWriteError)
        Fail(m_nWriteError);
    if (Faults::Hit() || ftruncate(m_nFd, static_cast<off_t>(length)) != 0)
        Fail(errno);
    m_nLength = length;
}

void CCacheFile::Sync() {
    if (Faults::Hit() || fsync(m_nFd) != 0)
        Fail(errno);
}
