#pragma once
// GTA IMG archives: files one after another in 2048-byte sectors, with a directory of
// 32-byte entries. Version 1 keeps the directory in NAME.dir beside NAME.img; version 2
// starts with "VER2", a count and the directory. Dictionaries and models are read in
// place through Handle() at an entry's byte offset.
#include <cstdint>
#include <string>
#include <vector>

namespace GTA {

inline constexpr uint32_t kImgSector = 2048;
inline constexpr uint32_t kImgVersion2 = 0x32524556; // "VER2"

#pragma pack(push, 1)
struct IMGEntry {
    uint32_t offset; // sectors
    uint32_t size;   // v1: sectors; v2: low 16 bits streaming size, high 16 bits archive size
    char name[24];
};
#pragma pack(pop)
static_assert(sizeof(IMGEntry) == 32);

class CIMGFile {
public:
    CIMGFile() = default;
    ~CIMGFile() { Close(); }
    CIMGFile(const CIMGFile&) = delete;
    CIMGFile& operator=(const CIMGFile&) = delete;

    // 1 when the archive and its directory were read; 0 after a log line otherwise.
    int Open(const std::string& szPath);
    bool Close();
    void ReadHeader();
    uint32_t LoadDirectory();

    uint32_t GetEntryCount() const { return static_cast<uint32_t>(m_Directory.size()); }
    uint64_t GetEntryOffset(uint32_t nIndex) const;
    uint32_t GetEntrySize(uint32_t nIndex) const; // sectors
    // The entry's name, at most 24 characters, as UTF-8.
    std::string GetEntryName(uint32_t nIndex) const;
    // Reads the entry (size in sectors × 2048 bytes, or what the archive still holds of
    // it) into buffer; returns the bytes read.
    size_t ReadEntry(std::vector<uint8_t>& buffer, uint32_t nIndex) const;
    // Bytes of the entry that lie past the archive's end (0 for a whole entry). Only the
    // zero padding of an unpadded last sector may be missing from a whole entry.
    uint64_t GetEntryShortfall(uint32_t nIndex) const;

    int Handle() const { return m_hFile; }
    uint32_t Version() const { return m_nVersion; }
    uint32_t HeaderCount() const { return m_nCount; }
    const std::string& Path() const { return m_szPath; }
    uint64_t ArchiveLength() const { return m_nLength; }

    // NAME.dir for NAME.img; when that exact name is not there, a file in the same folder
    // whose name matches it in any letter case. Empty when there is none.
    static std::string FindDirectoryFile(const std::string& archivePath);

private:
    int m_hFile = -1;
    int m_hDirectory = -1;
    uint32_t m_nVersion = 0;
    uint32_t m_nCount = 0;
    uint64_t m_nLength = 0;
    std::string m_szPath;
    std::vector<IMGEntry> m_Directory;
};

} // namespace GTA
