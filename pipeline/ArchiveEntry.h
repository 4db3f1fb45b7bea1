#pragma once
// Saving one entry of an archive as a file of its own: never over a file that is there,
// and never an entry the archive holds only part of as if it were whole.
#include "gta/IMGFile.h"

#include <cstdint>
#include <string>

struct EntrySaveOutcome {
    enum Result {
        kWritten,
        kExists,  // a file was at the path; it is left as it was
        kDamaged, // the entry runs past the end of the archive; nothing written
        kFailed,  // the file could not be created or written; nothing left behind
    } result = kFailed;
    uint64_t expected = 0; // the entry's size by the directory
    uint64_t present = 0;  // the bytes the archive holds of it
    std::string problem;   // the system's reason for kFailed and kExists
};

EntrySaveOutcome SaveArchiveEntry(const GTA::CIMGFile& img, uint32_t entry,
                                  const std::string& path);
