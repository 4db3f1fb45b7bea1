#include "cache/CacheLock.h"

#include "cache/Error.h"
#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
}

// The locks this process holds, by lock file path.
std::map<std::string, std::weak_ptr<CCacheLock>>& Registry() {
    static std::map<std::string, std::weak_ptr<CCacheLock>> registry;
    return registry;
}

enum class Attempt { kTaken, kBusy, kFailed };

// One try: open (creating) the lock file and lock it without waiting. The file may have
// been removed by its last holder between our open and our lock; then it is not the lock
// any more and the try is repeated.
Attempt TryLock(const std::string& path, int& fd, int& error) {
    for (int round = 0; round < 8; ++round) {
        fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
        // Another user's lock file still locks when it can only be read.
        if (fd < 0 && errno == EACCES)
            fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            error = errno;
            return Attempt::kFailed;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            error = errno;
            close(fd);
            return error == EWOULDBLOCK ? Attempt::kBusy : Attempt::kFailed;
        }
        struct stat held {};
        struct stat named {};
        if (fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 &&
            held.st_ino == named.st_ino && held.st_dev == named.st_dev)
            return Attempt::kTaken;
        close(fd);
    }
    error = EAGAIN;
    return Attempt::kBusy;
}

void WriteHolder(int fd) {
    const std::string exe = Files::FileNameOf(Files::ExecutablePath());
    const std::string holder = (exe.empty() ? std::string("a program") : exe) + " (process " +
                               std::to_string(getpid()) + ")";
    // Only a courtesy for whoever waits: the lock holds without it.
    if (ftruncate(fd, 0) == 0 && pwrite(fd, holder.data(), holder.size(), 0) < 0)
        return;
}

std::string Holder(const std::string& path) {
    auto text = Files::ReadWholeFile(path);
    if (!text || text->empty())
        return "another program";
    std::string clean;
    for (char c : text->substr(0, 120))
        clean += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    return clean;
}

std::shared_ptr<CCacheLock> Shared(const std::string& path) {
    const auto found = Registry().find(path);
    return found == Registry().end() ? nullptr : found->second.lock();
}

} // namespace

std::shared_ptr<CCacheLock> CCacheLock::Acquire(const std::string& indexPath, int waitMs) {
    const std::string path = LockPath(indexPath);
    // Scripts that would rather fail at once (or wait longer) say so.
    if (const char* wait = std::getenv("TESSARINE_LOCK_WAIT_MS"); wait && waitMs > 0)
        waitMs = std::max(0, std::atoi(wait));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (true) {
        {
            std::lock_guard<std::mutex> guard(RegistryMutex());
            if (auto held = Shared(path))
                return held;
            int fd = -1, error = 0;
            switch (TryLock(path, fd, error)) {
            case Attempt::kTaken: {
                WriteHolder(fd);
                std::shared_ptr<CCacheLock> lock(new CCacheLock(fd, path));
                Registry()[path] = lock;
                return lock;
            }
            case Attempt::kFailed:
                throw CWriteError(error, path);
            case Attempt::kBusy:
                break;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline)
            throw CBusyError("the cache is being changed by " + Holder(path) +
                             "; try again when it has finished");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::shared_ptr<CCacheLock> CCacheLock::TryAcquire(const std::string& indexPath) {
    try {
        return Acquire(indexPath, 0);
    } catch (const CError&) {
        return nullptr;
    }
}

CCacheLock::~CCacheLock() {
    std::lock_guard<std::mutex> guard(RegistryMutex());
    Registry().erase(m_strPath);
    // Removed while still locked, so nobody can lock the old file and believe it is the
    // lock (the inode check in TryLock).
    unlink(m_strPath.c_str());
    close(m_nFd);
}
