#pragma once
// An archive entry saved as a file of its own, for every program that extracts entries.
#include "gta/IMGFile.h"

#include <string>

namespace GTA {

enum class IMGExtracted {
    kWritten,
    kExists,  // something is at the path already; it is left as it is
    kDamaged, // the entry runs past the archive's end; nothing is written
    kFailed,  // the system refused (error says why); nothing is left at the path
};

// Writes the entry's bytes (its whole sectors) to a new file at path, never over what is
// there. A file whose writing fails is removed again, so a file that exists afterwards is
// always the whole entry.
IMGExtracted ExtractEntry(const CIMGFile& img, uint32_t index, const std::string& path, int& error);

} // namespace GTA
