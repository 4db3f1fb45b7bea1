#include "cache/EditJournal.h"

#include "cache/ByteOrder.h"
#include "cache/Error.h"
#include "platform/Faults.h"
#include "platform/Files.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace EditJournal {

namespace {

constexpr const char* kMagic = "tessarine-journal 1";
constexpr const char* kCommitted = "committed";

// A checksum over the journal's lines, so a damaged journal is never acted on.
uint64_t Checksum(const std::string& text) {
    uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : text)
        hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

void Check(bool ok, const std::string& path) {
    if (!ok)
        throw CWriteError(errno, path);
}

void WriteAll(int fd, const std::string& text, const std::string& path) {
    for (size_t done = 0; done < text.size();) {
        Check(!Faults::Hit(), path);
        const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        Check(wrote > 0, path);
        done += static_cast<size_t>(wrote);
    }
}

void SyncFd(int fd, const std::string& path) {
    Check(!Faults::Hit() && fsync(fd) == 0, path);
}

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

void RemoveFile(const std::string& path) {
    if (unlink(path.c_str()) != 0 && errno != ENOENT)
        throw CWriteError(errno, path);
}

std::string Body(const Journal& journal) {
    std::string text = std::string(kMagic) + "\n";
    for (const FileState& f : journal.files) {
        char line[128];
        std::snprintf(line, sizeof line, "%d %" PRId64 " %d %08" PRIx32 " %" PRIu64 "\n",
                      f.existed ? 1 : 0, f.length, f.hasHead ? 1 : 0, f.head, f.inode);
        text += line;
    }
    return text;
}

} // namespace

std::string JournalPath(const std::string& indexPath) {
    return indexPath + ".journal";
}

std::string BuildPath(const std::string& path) {
    return path + ".tstmp";
}

std::string StagedPath(const std::string& path) {
    return path + ".tsnew";
}

Journal Snapshot(const std::vector<std::string>& paths, const std::vector<bool>& tocs) {
    Journal journal;
    for (size_t i = 0; i < paths.size(); ++i) {
        FileState state;
        struct stat st {};
        state.existed = stat(paths[i].c_str(), &st) == 0;
        // Only a file that is really not there may be deleted by an undo.
        if (!state.existed && errno != ENOENT)
            throw CWriteError(errno, paths[i]);
        state.length = state.existed ? static_cast<int64_t>(st.st_size) : 0;
        state.inode = state.existed ? static_cast<uint64_t>(st.st_ino) : 0;
        if (state.existed && tocs[i] && state.length >= 4) {
            uint8_t word[4];
            const int fd = open(paths[i].c_str(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0 && Files::ReadAt(fd, 0, word, 4) == 4) {
                state.hasHead = true;
                state.head = ReadLe32(word);
            }
            if (fd >= 0)
                close(fd);
        }
        journal.files.push_back(state);
    }
    return journal;
}

void Write(const std::string& journalPath, const Journal& journal) {
    const std::string body = Body(journal);
    char sum[32];
    std::snprintf(sum, sizeof sum, "sum %016" PRIx64 "\n", Checksum(body));
    const std::string temp = BuildPath(journalPath);
    Check(!Faults::Hit(), temp);
    unlink(temp.c_str());
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    Check(fd >= 0, temp);
    try {
        WriteAll(fd, body + sum, temp);
        SyncFd(fd, temp);
    } catch (...) {
        close(fd);
        unlink(temp.c_str());
        throw;
    }
    close(fd);
    try {
        Rename(temp, journalPath);
        SyncFolders({journalPath});
    } catch (...) {
        unlink(temp.c_str());
        unlink(journalPath.c_str());
        throw;
    }
}

void MarkCommitted(const std::string& journalPath) {
    Check(!Faults::Hit(), journalPath);
    const int fd = open(journalPath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    Check(fd >= 0, journalPath);
    try {
        WriteAll(fd, std::string(kCommitted) + "\n", journalPath);
        SyncFd(fd, journalPath);
    } catch (...) {
        close(fd);
        throw;
    }
    close(fd);
}

std::optional<Journal> Read(const std::string& journalPath, size_t fileCount) {
    errno = 0;
    const auto text = Files::ReadWholeFile(journalPath);
    if (!text && errno == ENOENT)
        return std::nullopt;
    if (!text)
        throw CError(std::string("the journal of an interrupted edit cannot be read: '") +
                     journalPath + "': " + std::strerror(errno));
    const CError damaged("the journal of an interrupted edit is damaged: '" + journalPath + "'");
    const size_t sumAt = text->find("sum ");
    if (sumAt == std::string::npos)
        throw damaged;
    const std::string body = text->substr(0, sumAt);
    uint64_t sum = 0;
    if (std::sscanf(text->c_str() + sumAt, "sum %" SCNx64, &sum) != 1 || sum != Checksum(body))
        throw damaged;
    Journal journal;
    const size_t afterSum = text->find('\n', sumAt);
    journal.committed =
        afterSum != std::string::npos &&
        text->compare(afterSum + 1, std::string::npos, std::string(kCommitted) + "\n") == 0;
    size_t at = body.find('\n');
    if (body.compare(0, at, kMagic) != 0)
        throw damaged;
    while (++at < body.size()) {
        int existed = 0, hasHead = 0;
        int64_t length = 0;
        uint32_t head = 0;
        uint64_t inode = 0;
        if (std::sscanf(body.c_str() + at, "%d %" SCNd64 " %d %" SCNx32 " %" SCNu64, &existed,
                        &length, &hasHead, &head, &inode) != 5 ||
            length < 0)
            throw damaged;
        journal.files.push_back({existed != 0, length, hasHead != 0, head, inode});
        at = body.find('\n', at);
        if (at == std::string::npos)
            break;
    }
    if (journal.files.size() != fileCount)
        throw damaged;
    return journal;
}

void RollBack(const Journal& journal, const std::vector<std::string>& paths) {
    for (size_t i = 0; i < paths.size(); ++i) {
        RemoveFile(StagedPath(paths[i]));
        RemoveFile(BuildPath(paths[i]));
        if (i >= journal.files.size())
            continue;
        const FileState& was = journal.files[i];
        struct stat st {};
        // The index is replaced, never written in place; a file that is not the one noted
        // was replaced by a committed edit and is not this undo's business.
        if (i == 0 || stat(paths[i].c_str(), &st) != 0 ||
            (was.existed && static_cast<uint64_t>(st.st_ino) != was.inode))
            continue;
        // An edit creates files only by renaming them into place after its commit: one
        // that was not there is never deleted by an undo.
        if (!was.existed)
            continue;
        const bool longer = static_cast<int64_t>(st.st_size) > was.length;
        if (!longer && !was.hasHead)
            continue;
        const int fd = open(paths[i].c_str(), O_RDWR | O_CLOEXEC);
        Check(fd >= 0, paths[i]);
        try {
            // Only ever cut back: an edit appends, it never shortens a file in place.
            if (longer)
                Check(!Faults::Hit() && ftruncate(fd, was.length) == 0, paths[i]);
            if (was.hasHead) {
                uint8_t word[4];
                WriteLe32(word, was.head);
                Check(!Faults::Hit() && pwrite(fd, word, 4, 0) == 4, paths[i]);
            }
            SyncFd(fd, paths[i]);
        } catch (...) {
            close(fd);
            throw;
        }
        close(fd);
    }
    SyncFolders(paths);
}

void RollForward(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        RemoveFile(BuildPath(path));
        if (Exists(StagedPath(path)))
            Rename(StagedPath(path), path);
    }
    SyncFolders(paths);
}

void Remove(const std::string& journalPath) {
    RemoveFile(BuildPath(journalPath));
    RemoveFile(journalPath);
}

bool Leftovers(const std::string& journalPath, const std::vector<std::string>& paths) {
    if (Exists(journalPath) || Exists(BuildPath(journalPath)))
        return true;
    for (const std::string& path : paths)
        if (Exists(StagedPath(path)) || Exists(BuildPath(path)))
            return true;
    return false;
}

void SyncFolders(const std::vector<std::string>& paths) {
    std::set<std::string> folders;
    for (const std::string& path : paths) {
        const std::string folder = Files::DirectoryOf(path);
        folders.insert(folder.empty() ? std::string(".") : folder);
    }
    for (const std::string& folder : folders) {
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            continue;
        const bool ok = !Faults::Hit() && fsync(fd) == 0;
        const int error = errno;
        close(fd);
        if (!ok) {
            errno = error;
            throw CWriteError(error, folder);
        }
    }
}

void Rename(const std::string& from, const std::string& to) {
    Check(!Faults::Hit() && rename(from.c_str(), to.c_str()) == 0, to);
}

} // namespace EditJournal
