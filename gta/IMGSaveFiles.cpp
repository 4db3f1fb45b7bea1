#include "gta/IMGSaveFiles.h"

#include "app/Log.h"
#include "gta/IMGFile.h"
#include "platform/Faults.h"
#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace GTA {

std::string IMGDirectoryPath(const std::string& archivePath) {
    std::string found = CIMGFile::FindDirectoryFile(archivePath);
    if (!found.empty() || archivePath.size() < 4)
        return found;
    return archivePath.substr(0, archivePath.size() - 4) + ".dir";
}

IMGSavePaths SavePathsOf(const std::string& archivePath) {
    const std::string directory = IMGDirectoryPath(archivePath);
    return {Files::RealPath(archivePath), directory.empty() ? "" : Files::RealPath(directory)};
}

IMGPendingSave FindPendingSave(const std::string& archivePath) {
    const IMGSavePaths paths = SavePathsOf(archivePath);
    IMGPendingSave pending{archivePath, IMGDirectoryPath(archivePath), false};
    const std::string ready = paths.directory + kImgReadySuffix;
    if (paths.directory.empty() || !Files::Exists(ready))
        return pending;
    pending.committed = true;
    pending.directory = ready;
    const std::string newArchive = paths.archive + kImgNewSuffix;
    if (Files::Exists(newArchive))
        pending.archive = newArchive;
    return pending;
}

namespace {
constexpr int kLockPollMs = 20;
} // namespace

CIMGFolderLock::CIMGFolderLock(const std::string& path, int waitMs) {
    // Scripts that would rather fail at once (or wait longer) say so, as for caches.
    if (const char* wait = std::getenv("TESSARINE_LOCK_WAIT_MS"))
        waitMs = std::max(0, std::atoi(wait));
    const std::string folder = Files::DirectoryOf(path);
    m_nFd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int waited = 0; m_nFd >= 0 && !m_bHeld; waited += kLockPollMs) {
        m_bHeld = flock(m_nFd, LOCK_EX | LOCK_NB) == 0;
        if (!m_bHeld && (errno != EWOULDBLOCK || waited >= waitMs))
            break;
        if (!m_bHeld)
            usleep(kLockPollMs * 1000);
    }
}

CIMGFolderLock::~CIMGFolderLock() {
    if (m_nFd >= 0)
        close(m_nFd); // releases the lock
}

int RenameFile(const std::string& from, const std::string& to) {
    if (Faults::Hit())
        return errno;
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int SyncFolderOf(const std::string& path) {
    const std::string folder = Files::DirectoryOf(path);
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int error = 0;
    if (Faults::Hit() || fsync(fd) != 0)
        error = errno;
    close(fd);
    return error;
}

int FinishInterruptedSave(const std::string& archivePath) {
    const IMGSavePaths paths = SavePathsOf(archivePath);
    const IMGPendingSave pending = FindPendingSave(archivePath);
    if (!pending.committed) {
        // Never committed: the old archive is whole, the leftovers are half-written.
        unlink((paths.archive + kImgNewSuffix).c_str());
        if (!paths.directory.empty())
            unlink((paths.directory + kImgNewSuffix).c_str());
        return 0;
    }
    LogPrintA("GTA::CIMGEditor: finishing the save of '%s' that was interrupted\n",
              archivePath.c_str());
    if (pending.archive != archivePath)
        if (const int error = RenameFile(pending.archive, paths.archive))
            return error;
    if (const int error = RenameFile(pending.directory, paths.directory))
        return error;
    return SyncFolderOf(paths.archive);
}

} // namespace GTA
