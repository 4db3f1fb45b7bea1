#include "gta/IMGFile.h"

#include "app/Log.h"
#include "gta/IMGSaveFiles.h"
#include "platform/Files.h"
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace GTA {

namespace {

// 2^27 entries of 32 bytes would be 4 GiB of directory; no archive has that many.
constexpr uint64_t kMaxEntries = uint64_t(1) << 27;

uint64_t LengthOf(int fd) {
    struct stat st {};
    return fd >= 0 && fstat(fd, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

bool SameFile(int a, int b) {
    struct stat sa {
    }, sb{};
    return fstat(a, &sa) == 0 && fstat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

} // namespace

std::string CIMGFile::FindDirectoryFile(const std::string& archivePath) {
    if (archivePath.size() < 4)
        return {};
    std::string exact = archivePath.substr(0, archivePath.size() - 4) + ".dir";
    struct stat st {};
    if (stat(exact.c_str(), &st) == 0)
        return exact;
    std::string folder = Files::DirectoryOf(exact);
    std::string wanted = Files::FileNameOf(exact);
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return {};
    std::string found;
    while (dirent* entry = readdir(dir)) {
        if (Text::EqualsNoCase(entry->d_name, wanted)) {
            found = (folder.empty() ? std::string() : folder + "/") + entry->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}

int CIMGFile::Open(const std::string& szPath) {
    Close();
    // A save of a version 1 archive that passed its commit but was stopped before both
    // files were in place is read as the new pair it committed to.
    const IMGPendingSave pending = FindPendingSave(szPath);
    if (pending.committed)
        LogPrintA("GTA::CIMGFile: reading the saved archive that was not yet put in place\n");
    // Archives are only read here; read access lets read-only ones open too.
    m_hFile = open(pending.archive.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_hFile < 0) {
        LogPrintA("GTA::CIMGFile: Cannot open IMG file, error code: 0x%X\n",
                  static_cast<unsigned>(errno));
        return 0;
    }
    m_szPath = szPath;
    m_nLength = LengthOf(m_hFile);
    ReadHeader();
    if (m_nVersion != kImgVersion2) {
        std::string dirPath = pending.committed ? pending.directory : FindDirectoryFile(szPath);
        m_hDirectory = dirPath.empty() ? -1 : open(dirPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_hDirectory < 0) {
            LogPrintA("GTA::CIMGFile: Cannot open DIR file, error code: 0x%X\n",
                      static_cast<unsigned>(dirPath.empty() ? ENOENT : errno));
            Close();
            return 0;
        }
        // NAME.dir given as the archive finds itself as its directory: its entries would
        // point into the directory's own bytes.
        if (SameFile(m_hFile, m_hDirectory)) {
            LogPrintA("GTA::CIMGFile: [ERROR] '%s' is a directory file, not an archive\n",
                      szPath.c_str());
            Close();
            return 0;
        }
    }
    if (LoadDirectory() == 0 && m_nVersion == kImgVersion2 && m_nCount != 0) {
        Close();
        return 0;
    }
    return 1;
}

void CIMGFile::ReadHeader() {
    LogPrintA("GTA::CIMGFile: Reading IMG header...\n");
    uint32_t header[2] = {0, 0};
    Files::ReadAt(m_hFile, 0, header, sizeof header);
    m_nVersion = header[0];
    m_nCount = header[1];
    LogPrintA("GTA::CIMGFile: Header version is 0x%08X.\n", m_nVersion);
}

uint32_t CIMGFile::LoadDirectory() {
    m_Directory.clear();
    uint64_t count = 0, offset = 0;
    int fd = -1;
    if (m_nVersion == kImgVersion2) {
        count = m_nCount;
        offset = 8;
        fd = m_hFile;
        // A count the archive cannot hold is a damaged header, not a directory to read.
        if (count >= kMaxEntries || 8 + count * sizeof(IMGEntry) > m_nLength) {
            LogPrintA("GTA::CIMGFile: [ERROR] the header lists %u entries, more than the "
                      "archive holds\n",
                      m_nCount);
            return 0;
        }
    } else if (m_hDirectory >= 0) {
        count = LengthOf(m_hDirectory) / sizeof(IMGEntry);
        fd = m_hDirectory;
        if (count >= kMaxEntries)
            return 0;
    }
    m_Directory.resize(count);
    size_t bytes = count * sizeof(IMGEntry);
    size_t read = count ? Files::ReadAt(fd, offset, m_Directory.data(), bytes) : 0;
    m_Directory.resize(read / sizeof(IMGEntry));
    return GetEntryCount();
}

bool CIMGFile::Close() {
    bool ok = true;
    if (m_hFile >= 0) {
        LogPrintA("GTA::CIMGFile: closing IMG handle...\n");
        ok = close(m_hFile) == 0 && ok;
    }
    if (m_hDirectory >= 0) {
        LogPrintA("GTA::CIMGFile: closing DIR handle...\n");
        ok = close(m_hDirectory) == 0 && ok;
    }
    m_hFile = m_hDirectory = -1;
    m_Directory.clear();
    m_nVersion = m_nCount = 0;
    m_nLength = 0;
    m_szPath.clear();
    return ok;
}

uint64_t CIMGFile::GetEntryOffset(uint32_t nIndex) const {
    return nIndex < m_Directory.size() ? uint64_t(m_Directory[nIndex].offset) * kImgSector : 0;
}

uint32_t CIMGFile::GetEntrySize(uint32_t nIndex) const {
    if (nIndex >= m_Directory.size())
        return 0;
    uint32_t size = m_Directory[nIndex].size;
    if (m_nVersion != kImgVersion2)
        return size;
    return (size & 0xFFFF) ? (size & 0xFFFF) : (size >> 16);
}

std::string CIMGFile::GetEntryName(uint32_t nIndex) const {
    if (nIndex >= m_Directory.size())
        return {};
    const char* name = m_Directory[nIndex].name;
    return Text::Latin1ToUtf8(std::string_view(name, strnlen(name, sizeof m_Directory[0].name)));
}

uint64_t CIMGFile::GetEntryShortfall(uint32_t nIndex) const {
    if (nIndex >= m_Directory.size())
        return 0;
    const uint64_t end = GetEntryOffset(nIndex) + uint64_t(GetEntrySize(nIndex)) * kImgSector;
    // An archive whose last sector was not padded out still holds all of that sector's
    // data; only what lies past the last sector's end is missing.
    const uint64_t held = (m_nLength + kImgSector - 1) / kImgSector * kImgSector;
    return end > held ? end - std::max(GetEntryOffset(nIndex), m_nLength) : 0;
}

size_t CIMGFile::ReadEntry(std::vector<uint8_t>& buffer, uint32_t nIndex) const {
    buffer.clear();
    if (nIndex >= m_Directory.size() || m_hFile < 0)
        return 0;
    uint64_t offset = GetEntryOffset(nIndex);
    uint64_t size = uint64_t(GetEntrySize(nIndex)) * kImgSector;
    // An entry that runs past the archive yields what is there.
    if (offset >= m_nLength)
        return 0;
    size = std::min(size, m_nLength - offset);
    buffer.resize(size);
    size_t read = Files::ReadAt(m_hFile, offset, buffer.data(), size);
    buffer.resize(read);
    return read;
}

} // namespace GTA
