#pragma once
// The advisory lock that keeps two programs from changing one cache at once. It is a
// lock file beside the index ("NAME.txt.lock") holding the holder's process id and name;
// the system releases it when the holder ends, however it ends. Readers never take it.
// Within one process the lock of a cache is shared: a second acquisition of a path this
// process holds succeeds at once.
#include <memory>
#include <string>

class CCacheLock {
public:
    // Waits up to waitMs for the lock; throws CBusyError naming the holder when it stays
    // taken, CWriteError when the lock file cannot be made.
    static std::shared_ptr<CCacheLock> Acquire(const std::string& indexPath, int waitMs);
    // nullptr at once when another process holds it (or it cannot be made).
    static std::shared_ptr<CCacheLock> TryAcquire(const std::string& indexPath);
    ~CCacheLock();
    CCacheLock(const CCacheLock&) = delete;
    CCacheLock& operator=(const CCacheLock&) = delete;

    static std::string LockPath(const std::string& indexPath) { return indexPath + ".lock"; }

private:
    CCacheLock(int fd, std::string path) : m_nFd(fd), m_strPath(std::move(path)) {}
    int m_nFd;
    std::string m_strPath;
};

// How long an edit waits for another program's edit to end.
inline constexpr int kLockWaitMs = 5000;
