// IMG archives on hostile input: the first byte chooses version 1 (the rest split into
// an archive and its directory file) or the archive alone; the directory is loaded and
// every entry's name, size, offset and (for the first few) data read.
#include "fuzz/FuzzFiles.h"
#include "gta/IMGFile.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string g_dir;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char dir[] = "/tmp/tessarine-fuzz-img-XXXXXX";
    if (!mkdtemp(dir))
        abort();
    g_dir = dir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const bool version1 = data[0] & 1;
    const std::string img = g_dir + "/a.img", dir = g_dir + "/A.DIR";
    unlink(dir.c_str());
    if (version1) {
        const size_t half = (size - 1) / 2;
        WriteFuzzFile(img, data + 1, half);
        WriteFuzzFile(dir, data + 1 + half, size - 1 - half);
    } else {
        WriteFuzzFile(img, data + 1, size - 1);
    }
    GTA::CIMGFile archive;
    if (archive.Open(img)) {
        std::vector<uint8_t> entry;
        for (uint32_t e = 0; e < archive.GetEntryCount(); ++e) {
            archive.GetEntryName(e);
            archive.GetEntrySize(e);
            archive.GetEntryOffset(e);
            if (e < 4)
                archive.ReadEntry(entry, e);
        }
    }
    return 0;
}
