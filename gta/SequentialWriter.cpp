#include "gta/SequentialWriter.h"

#include "platform/Faults.h"
#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace GTA {

namespace {

constexpr uint64_t kCopyChunk = uint64_t(64) << 20;
constexpr size_t kBufferBytes = size_t(1) << 20;
constexpr size_t kZeroBlock = 2048;

} // namespace

CSequentialWriter::~CSequentialWriter() {
    if (m_nFd >= 0)
        close(m_nFd);
}

bool CSequentialWriter::Failed(int error) {
    if (m_nError == 0)
        m_nError = error ? error : EIO;
    return false;
}

bool CSequentialWriter::Create(const std::string& path, const std::string& likeFile) {
    if (Faults::Hit())
        return Failed(errno);
    unlink(path.c_str());
    m_nFd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (m_nFd < 0)
        return Failed(errno);
    struct stat like {};
    if (!likeFile.empty() && stat(likeFile.c_str(), &like) == 0) {
        // Group write and ownership survive the replacement; who may not change the owner
        // keeps their own.
        fchmod(m_nFd, like.st_mode & 07777);
        if (fchown(m_nFd, like.st_uid, like.st_gid) != 0)
            fchmod(m_nFd, like.st_mode & 0777);
    }
    return true;
}

bool CSequentialWriter::CreateNew(const std::string& path) {
    if (Faults::Hit())
        return Failed(errno);
    m_nFd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    return m_nFd >= 0 || Failed(errno);
}

bool CSequentialWriter::Write(const void* data, size_t count) {
    const char* bytes = static_cast<const char*>(data);
    for (size_t done = 0; m_nError == 0 && done < count;) {
        if (Faults::Hit())
            return Failed(errno);
        const ssize_t wrote = write(m_nFd, bytes + done, count - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return Failed(wrote < 0 ? errno : ENOSPC);
        done += static_cast<size_t>(wrote);
    }
    m_nLength += count;
    return m_nError == 0;
}

bool CSequentialWriter::PadTo(uint64_t end) {
    static const char zeros[kZeroBlock] = {};
    while (m_nError == 0 && m_nLength < end)
        Write(zeros, static_cast<size_t>(std::min<uint64_t>(end - m_nLength, sizeof zeros)));
    return m_nError == 0;
}

bool CSequentialWriter::Copy(int source, uint64_t offset, uint64_t count) {
    bool kernel = true;
    std::vector<char> buffer;
    while (m_nError == 0 && count > 0) {
        if (Faults::Hit())
            return Failed(errno);
        const size_t want = static_cast<size_t>(std::min(count, kCopyChunk));
        if (!kernel) {
            buffer.resize(std::min(want, kBufferBytes));
            const size_t read = Files::ReadAt(source, offset, buffer.data(), buffer.size());
            if (read == 0 || !Write(buffer.data(), read))
                return Failed(EIO); // the source became shorter than it was
            offset += read;
            count -= read;
            continue;
        }
        off64_t in = static_cast<off64_t>(offset);
        const ssize_t got = copy_file_range(source, &in, m_nFd, nullptr, want, 0);
        if (got < 0) {
            // Another file system, or one that cannot: plain copying.
            kernel = errno == EINTR;
            continue;
        }
        if (got == 0)
            return Failed(EIO);
        offset += static_cast<uint64_t>(got);
        count -= static_cast<uint64_t>(got);
        m_nLength += static_cast<uint64_t>(got);
    }
    return m_nError == 0;
}

bool CSequentialWriter::Finish(bool flush) {
    if (m_nError == 0 && flush && (Faults::Hit() || fsync(m_nFd) != 0))
        Failed(errno);
    if (m_nFd >= 0 && close(m_nFd) != 0)
        Failed(errno);
    m_nFd = -1;
    return m_nError == 0;
}

} // namespace GTA
