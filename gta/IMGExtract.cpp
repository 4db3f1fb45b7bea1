#include "gta/IMGExtract.h"

#include "gta/SequentialWriter.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace GTA {

IMGExtracted ExtractEntry(const CIMGFile& img, uint32_t index, const std::string& path,
                          int& error) {
    error = 0;
    if (index >= img.GetEntryCount() || img.GetEntryShortfall(index) > 0)
        return IMGExtracted::kDamaged;
    const uint64_t offset = img.GetEntryOffset(index);
    const uint64_t size = uint64_t(img.GetEntrySize(index)) * kImgSector;
    // An unpadded last sector holds all of the entry but its padding.
    const uint64_t held =
        img.ArchiveLength() > offset ? std::min(size, img.ArchiveLength() - offset) : 0;
    CSequentialWriter out;
    if (!out.CreateNew(path)) {
        error = out.Error();
        return error == EEXIST ? IMGExtracted::kExists : IMGExtracted::kFailed;
    }
    out.Copy(img.Handle(), offset, held);
    // Extracted files are the user's copies, not an edit to keep safe: not flushed one by one.
    if (out.Finish(false))
        return IMGExtracted::kWritten;
    error = out.Error();
    unlink(path.c_str());
    return IMGExtracted::kFailed;
}

} // namespace GTA
