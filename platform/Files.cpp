#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Files {

int64_t FileSize(FILE* file) {
    if (!file)
        return -1;
    fflush(file);
    struct stat st {};
    if (fstat(fileno(file), &st) != 0)
        return -1;
    return static_cast<int64_t>(st.st_size);
}

int64_t FileSize(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return -1;
    return static_cast<int64_t>(st.st_size);
}

bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

bool TruncateFile(FILE* file, int64_t size) {
    if (!file || size < 0)
        return false;
    if (fflush(file) != 0)
        return false;
    return ftruncate(fileno(file), static_cast<off_t>(size)) == 0;
}

std::vector<std::string> SearchFolder(const std::string& folder, std::string_view suffix) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() < suffix.size() ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        struct stat st {};
        const std::string full = (folder.empty() ? std::string(".") : folder) + "/" + name;
        if (stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            names.push_back(std::move(name));
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

size_t ReadAt(int fd, uint64_t offset, void* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        const ssize_t n = pread(fd, static_cast<char*>(buffer) + done, count - done,
                                static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return std::nullopt;
    std::string data;
    // Read straight into the string, sized by the file where it tells its size.
    struct stat st {};
    if (fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        data.reserve(static_cast<size_t>(st.st_size) + 1);
    char buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
        data.append(buffer, got);
    const bool failed = ferror(file) != 0;
    const int error = errno;
    fclose(file);
    if (failed) {
        errno = error; // the caller may want to say why
        return std::nullopt;
    }
    return data;
}

bool WriteFileAtomically(const std::string& requestedPath, std::string_view data) {
    // Through a symbolic link the file it points at is replaced, not the link.
    std::string path = requestedPath;
    if (char* real = realpath(requestedPath.c_str(), nullptr)) {
        path = real;
        free(real);
    }
    // A file its owner made read-only stays unchanged, though its folder would allow
    // replacing it.
    if (access(path.c_str(), F_OK) == 0 && access(path.c_str(), W_OK) != 0)
        return false;
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    // Keep the permissions of the file being replaced, or the usual ones for a new file.
    struct stat st {};
    fchmod(fd, stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
    bool ok = true;
    for (size_t done = 0; ok && done < data.size();) {
        const ssize_t wrote = write(fd, data.data() + done, data.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        ok = wrote > 0;
        if (ok)
            done += static_cast<size_t>(wrote);
    }
    ok = ok && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(temp.c_str(), path.c_str()) == 0;
    if (!ok)
        unlink(temp.c_str());
    return ok;
}

std::string RealPath(const std::string& path) {
    if (char* real = realpath(path.c_str(), nullptr)) {
        std::string result = real;
        free(real);
        return result;
    }
    const std::string folder = DirectoryOf(path);
    if (char* real = realpath(folder.empty() ? "." : folder.c_str(), nullptr)) {
        std::string result = real;
        if (result.back() != '/')
            result += '/';
        result += FileNameOf(path);
        free(real);
        return result;
    }
    return path;
}

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    return std::string(buffer, static_cast<size_t>(n));
}

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ReplaceExtension(const std::string& path, std::string_view ext) {
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    if (dot != std::string::npos && dot > nameStart)
        return path.substr(0, dot + 1) + std::string(ext);
    return path + "." + std::string(ext);
}

} // namespace Files
