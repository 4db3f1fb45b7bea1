// IMG archives on hostile input: the first byte chooses version 1 (the rest split into
// an archive and its directory file) or the archive alone; the directory is loaded and
// every entry's name, size, offset and (for the first few) data read. Then the archive is
// rebuilt: a rebuild either refuses a damaged archive or keeps every entry's name and bytes.
#include "fuzz/FuzzFiles.h"
#include "gta/IMGEditor.h"
#include "gta/IMGFile.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string g_dir;

struct Entry {
    std::string name;
    std::vector<uint8_t> data;
    uint64_t size;
    bool operator==(const Entry&) const = default;
};

// Every entry as read, its bytes padded out to its size as a rebuild writes them.
std::vector<Entry> ReadAll(GTA::CIMGFile& archive, bool& damaged) {
    std::vector<Entry> entries;
    damaged = false;
    for (uint32_t e = 0; e < archive.GetEntryCount(); ++e) {
        Entry entry{
            archive.GetEntryName(e), {}, uint64_t(archive.GetEntrySize(e)) * GTA::kImgSector};
        damaged = damaged || archive.GetEntryShortfall(e) > 0;
        if (entry.size <= (uint64_t(1) << 24)) {
            archive.ReadEntry(entry.data, e);
            entry.data.resize(entry.size, 0);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

void CheckRebuild(const std::string& img) {
    GTA::CIMGFile archive;
    if (!archive.Open(img) || archive.ArchiveLength() > (uint64_t(1) << 24))
        return;
    bool damaged = false;
    const std::vector<Entry> before = ReadAll(archive, damaged);
    archive.Close();
    GTA::CIMGEditor editor;
    if (!editor.Open(img))
        abort(); // the reader opened it
    if (!editor.Save()) {
        if (!damaged || editor.Fault() != GTA::IMGFault::kDamaged)
            abort();
        return;
    }
    if (damaged || !archive.Open(img))
        abort();
    bool after = false;
    if (ReadAll(archive, after) != before || after)
        abort();
}

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
            archive.GetEntryShortfall(e);
            if (e < 4)
                archive.ReadEntry(entry, e);
        }
        archive.Close();
        CheckRebuild(img);
    }
    return 0;
}
