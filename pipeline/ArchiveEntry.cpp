#include "pipeline/ArchiveEntry.h"

#include "app/Log.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= size_t(written);
    }
    return true;
}

} // namespace

EntrySaveOutcome SaveArchiveEntry(const GTA::CIMGFile& img, uint32_t entry,
                                  const std::string& path) {
    EntrySaveOutcome outcome;
    outcome.expected = uint64_t(img.GetEntrySize(entry)) * GTA::kImgSector;
    // Read before the file is made: a short entry leaves no file that looks whole.
    std::vector<uint8_t> data;
    outcome.present = img.ReadEntry(data, entry);
    if (outcome.present < outcome.expected) {
        LogPrintA("CDlgIMGTool: ERROR: entry '%s' holds %llu of %llu bytes; not written\n",
                  img.GetEntryName(entry).c_str(), static_cast<unsigned long long>(outcome.present),
                  static_cast<unsigned long long>(outcome.expected));
        outcome.result = EntrySaveOutcome::kDamaged;
        return outcome;
    }
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        outcome.result = errno == EEXIST ? EntrySaveOutcome::kExists : EntrySaveOutcome::kFailed;
        outcome.problem = std::strerror(errno);
        return outcome;
    }
    bool ok = WriteAll(fd, data.data(), data.size());
    const int error = ok ? 0 : errno;
    ok = close(fd) == 0 && ok;
    if (!ok) {
        // Only the file made here goes: it was not there before this call.
        unlink(path.c_str());
        outcome.problem = std::strerror(error ? error : errno);
        return outcome;
    }
    LogPrintA("CDlgIMGTool: entry '%s' saved to '%s'\n", img.GetEntryName(entry).c_str(),
              path.c_str());
    outcome.result = EntrySaveOutcome::kWritten;
    return outcome;
}
