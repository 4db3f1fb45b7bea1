#include "platform/PathCheck.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace PathCheck {

namespace {

constexpr long kUsualNameMax = 255;

} // namespace

Kind KindOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return Kind::kMissing;
    if (S_ISREG(st.st_mode))
        return Kind::kFile;
    return S_ISDIR(st.st_mode) ? Kind::kDirectory : Kind::kOther;
}

std::string ReadProblem(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    close(fd);
    return {};
}

std::string WriteProblem(const std::string& path) {
    if (access(path.c_str(), W_OK) != 0)
        return std::strerror(errno);
    return {};
}

std::string SpaceProblem(const std::string& folder) {
    struct statvfs fs {};
    if (statvfs(folder.empty() ? "." : folder.c_str(), &fs) == 0 && fs.f_bavail == 0)
        return std::strerror(ENOSPC);
    return {};
}

long MaxFileNameBytes(const std::string& folder) {
    errno = 0;
    const long limit = pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? limit : kUsualNameMax;
}

} // namespace PathCheck
