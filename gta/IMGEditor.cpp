#include "gta/IMGEditor.h"

#include "app/Log.h"
#include "gta/IMGSaveFiles.h"
#include "gta/SequentialWriter.h"
#include "platform/Files.h"
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace GTA {

namespace {

constexpr size_t kHeaderBytes = 8;
// 2^32 sectors of 2048 bytes: the furthest a directory offset reaches.
constexpr uint64_t kMaxSectors = uint64_t(UINT32_MAX) + 1;
// At most this many names are listed in one message.
constexpr size_t kNamesShown = 5;

uint32_t SectorsFor(uint64_t bytes) {
    return static_cast<uint32_t>((bytes + kImgSector - 1) / kImgSector);
}

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

std::string SystemText(int error) {
    return std::strerror(error);
}

void PutWord(std::string& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<char>(value >> (8 * i));
}

} // namespace

std::string IMGNameProblem(const std::string& name) {
    if (name.empty())
        return "the name is empty";
    if (!Text::IsValidUtf8(name))
        return "the name is not valid UTF-8 text";
    const std::string stored = Text::Utf8ToLatin1(name);
    if (Text::Latin1ToUtf8(stored) != name)
        return "the name has characters outside Latin-1, which an archive cannot store";
    if (stored.size() > kImgMaxNameLength)
        return "the name has " + std::to_string(stored.size()) +
               " characters; an archive holds at most " + std::to_string(kImgMaxNameLength);
    for (unsigned char c : stored) {
        if (Text::IsControl(c))
            return "the name has control characters";
        if (c == '/' || c == '\\')
            return "the name has a path separator";
    }
    if (stored.find_first_not_of('.') == std::string::npos)
        return "the name is only dots";
    return {};
}

bool CIMGEditor::Fail(IMGFault fault, const std::string& message, int error) {
    m_Fault = fault;
    m_strError = message;
    m_nErrno = error;
    LogPrintA("GTA::CIMGEditor: %s\n", message.c_str());
    return false;
}

bool CIMGEditor::Open(const std::string& archivePath) {
    m_Reader.Close();
    m_Entries.clear();
    m_nVersion = 0;
    m_bModified = false;
    m_Fault = IMGFault::kNone;
    m_strPath = archivePath;
    struct stat st {};
    if (stat(archivePath.c_str(), &st) != 0)
        return Fail(IMGFault::kRefused,
                    "cannot open " + Quoted(archivePath) + ": " + SystemText(errno), errno);
    if (!S_ISREG(st.st_mode))
        return Fail(IMGFault::kRefused, Quoted(archivePath) + " is not a file");
    {
        const CIMGFolderLock lock(SavePathsOf(archivePath).archive, kImgLockWaitMs);
        if (!lock.Held())
            return Fail(IMGFault::kBusy, "another program is saving an archive in the folder of " +
                                             Quoted(archivePath));
        if (const int error = FinishInterruptedSave(archivePath))
            return Fail(IMGFault::kWrite,
                        "the interrupted save of " + Quoted(archivePath) +
                            " could not be finished: " + SystemText(error),
                        error);
    }
    const IMGSavePaths paths = SavePathsOf(archivePath);
    m_ArchiveState = StateOf(paths.archive);
    m_DirectoryState = StateOf(paths.directory);
    if (!m_Reader.Open(archivePath))
        return Fail(IMGFault::kDamaged, "cannot read the archive " + Quoted(archivePath) +
                                            " (a version 1 archive needs its .dir beside it)");
    m_nVersion = m_Reader.Version() == kImgVersion2 ? 2 : 1;
    return Load();
}

bool CIMGEditor::Create(const std::string& archivePath, int version) {
    m_Reader.Close();
    m_Entries.clear();
    m_nVersion = 0;
    m_Fault = IMGFault::kNone;
    m_strPath = archivePath;
    if (version != 1 && version != 2)
        return Fail(IMGFault::kRefused, "an archive is of version 1 or 2");
    if (Files::Exists(archivePath))
        return Fail(IMGFault::kRefused, Quoted(archivePath) + " exists already");
    if (version == 1 && !CIMGFile::FindDirectoryFile(archivePath).empty())
        return Fail(IMGFault::kRefused,
                    Quoted(CIMGFile::FindDirectoryFile(archivePath)) + " exists already");
    // The directory's name is the archive's with its last four characters replaced.
    if (version == 1 && (archivePath.size() < 4 ||
                         !Text::EqualsNoCase(archivePath.substr(archivePath.size() - 4), ".img")))
        return Fail(IMGFault::kRefused,
                    "a version 1 archive is named NAME.img, its directory NAME.dir");
    m_nVersion = version;
    m_bModified = true;
    m_ArchiveState = m_DirectoryState = FileState{};
    return true;
}

CIMGEditor::FileState CIMGEditor::StateOf(const std::string& path) {
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0)
        return {};
    return {true, static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
            static_cast<uint64_t>(st.st_size),
            int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

bool CIMGEditor::Unchanged() {
    const IMGSavePaths paths = SavePathsOf(m_strPath);
    if (StateOf(paths.archive) == m_ArchiveState &&
        (m_nVersion == 2 || StateOf(paths.directory) == m_DirectoryState))
        return true;
    return Fail(IMGFault::kBusy, Quoted(m_strPath) + " was changed by another program after it "
                                                     "was opened; open it again to edit it");
}

bool CIMGEditor::Load() {
    const uint32_t count = m_Reader.GetEntryCount();
    m_Entries.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        Entry entry;
        entry.name = m_Reader.GetEntryName(i);
        entry.stored = Text::Utf8ToLatin1(entry.name);
        entry.source = i;
        entry.sectors = m_Reader.GetEntrySize(i);
        // Version 2 is written as the games' own archives are: the size in the low half.
        entry.sizeWord = entry.sectors;
        entry.damaged = m_Reader.GetEntryShortfall(i) > 0;
        m_Entries.push_back(std::move(entry));
    }
    return true;
}

uint64_t CIMGEditor::Size(size_t index) const {
    return uint64_t(m_Entries.at(index).sectors) * kImgSector;
}

std::vector<size_t> CIMGEditor::Matches(const std::string& name) const {
    std::vector<size_t> found;
    for (size_t i = 0; i < m_Entries.size(); ++i)
        if (Text::EqualsNoCase(m_Entries[i].name, name))
            found.push_back(i);
    return found;
}

int CIMGEditor::Find(const std::string& name) const {
    const std::vector<size_t> found = Matches(name);
    return found.size() == 1 ? static_cast<int>(found[0]) : -1;
}

IMGPut CIMGEditor::Put(const std::string& name, std::vector<uint8_t> data) {
    m_Fault = IMGFault::kNone;
    if (m_nVersion == 0) {
        Fail(IMGFault::kRefused, "no archive is open");
        return IMGPut::kFailed;
    }
    if (const std::string problem = IMGNameProblem(name); !problem.empty()) {
        Fail(IMGFault::kRefused,
             Quoted(Text::EscapeControls(name)) + " cannot be an entry name: " + problem);
        return IMGPut::kFailed;
    }
    const uint64_t sectors = SectorsFor(data.size());
    if (data.size() > kImgMaxEntryBytes || (m_nVersion == 2 && sectors > kImgMaxSectorsV2)) {
        const uint64_t most =
            m_nVersion == 2 ? uint64_t(kImgMaxSectorsV2) * kImgSector : kImgMaxEntryBytes;
        Fail(IMGFault::kRefused, Quoted(name) + " has " + std::to_string(data.size()) +
                                     " bytes; an entry of this archive holds at most " +
                                     std::to_string(most));
        return IMGPut::kFailed;
    }
    const std::vector<size_t> found = Matches(name);
    if (found.size() > 1) {
        Fail(IMGFault::kRefused, "the archive has " + std::to_string(found.size()) +
                                     " entries named " + Quoted(name) +
                                     "; delete them before adding it again");
        return IMGPut::kFailed;
    }
    Entry entry;
    entry.name = name;
    entry.stored = Text::Utf8ToLatin1(name);
    entry.sectors = static_cast<uint32_t>(sectors);
    entry.sizeWord = entry.sectors;
    entry.data = std::make_shared<const std::vector<uint8_t>>(std::move(data));
    m_bModified = true;
    if (found.empty()) {
        m_Entries.push_back(std::move(entry));
        return IMGPut::kAdded;
    }
    m_Entries[found[0]] = std::move(entry);
    return IMGPut::kReplaced;
}

IMGPut CIMGEditor::PutFile(const std::string& filePath, const std::string& name) {
    const int fd = open(filePath.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = fd < 0 ? errno : EISDIR;
        if (fd >= 0)
            close(fd);
        Fail(IMGFault::kRefused, "cannot read " + Quoted(filePath) + ": " + SystemText(error),
             error);
        return IMGPut::kFailed;
    }
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    const std::string entryName = name.empty() ? Files::FileNameOf(filePath) : name;
    if (size > kImgMaxEntryBytes) {
        close(fd);
        Fail(IMGFault::kRefused, Quoted(filePath) + " has " + std::to_string(size) +
                                     " bytes; an archive entry holds at most " +
                                     std::to_string(kImgMaxEntryBytes));
        return IMGPut::kFailed;
    }
    std::vector<uint8_t> data(static_cast<size_t>(size));
    const size_t read = Files::ReadAt(fd, 0, data.data(), data.size());
    const int error = errno;
    close(fd);
    if (read != data.size()) {
        Fail(IMGFault::kWrite, "cannot read " + Quoted(filePath) + ": " + SystemText(error), error);
        return IMGPut::kFailed;
    }
    return Put(entryName, std::move(data));
}

bool CIMGEditor::Delete(const std::string& name) {
    m_Fault = IMGFault::kNone;
    const std::vector<size_t> found = Matches(name);
    if (found.empty())
        return Fail(IMGFault::kRefused, "no entry named " + Quoted(name));
    for (auto it = found.rbegin(); it != found.rend(); ++it)
        m_Entries.erase(m_Entries.begin() + static_cast<std::ptrdiff_t>(*it));
    m_bModified = true;
    return true;
}

bool CIMGEditor::StartsLikeVersion2(const Entry& entry) const {
    uint32_t word = 0;
    if (entry.data)
        std::memcpy(&word, entry.data->data(), std::min(entry.data->size(), sizeof word));
    else
        Files::ReadAt(m_Reader.Handle(),
                      m_Reader.GetEntryOffset(static_cast<uint32_t>(entry.source)), &word,
                      sizeof word);
    return word == kImgVersion2;
}

bool CIMGEditor::Layout(std::vector<uint32_t>& offsets, uint32_t& firstSector) {
    const uint64_t header = kHeaderBytes + uint64_t(m_Entries.size()) * sizeof(IMGEntry);
    uint64_t sector = m_nVersion == 2 ? SectorsFor(header) : 0;
    // A version 1 archive whose first bytes read "VER2" would be taken for version 2: an
    // entry that starts so is not put first in the file.
    const auto first = std::find_if(m_Entries.begin(), m_Entries.end(),
                                    [](const Entry& entry) { return entry.sectors > 0; });
    if (m_nVersion == 1 && first != m_Entries.end() && StartsLikeVersion2(*first))
        sector = 1;
    firstSector = static_cast<uint32_t>(sector);
    offsets.clear();
    for (const Entry& entry : m_Entries) {
        offsets.push_back(static_cast<uint32_t>(sector));
        sector += entry.sectors;
        if (sector >= kMaxSectors)
            return Fail(IMGFault::kRefused, "the archive would grow past the 8 TiB that its "
                                            "directory can address");
    }
    return true;
}

std::string CIMGEditor::DirectoryBytes(const std::vector<uint32_t>& offsets) const {
    std::string bytes(m_Entries.size() * sizeof(IMGEntry), '\0');
    for (size_t i = 0; i < m_Entries.size(); ++i) {
        const size_t at = i * sizeof(IMGEntry);
        PutWord(bytes, at, offsets[i]);
        PutWord(bytes, at + 4, m_Entries[i].sizeWord);
        bytes.replace(at + 8, std::min(m_Entries[i].stored.size(), kImgNameField),
                      m_Entries[i].stored.substr(0, kImgNameField));
    }
    return bytes;
}

bool CIMGEditor::WriteArchive(const std::string& path, const std::vector<uint32_t>& offsets,
                              uint32_t firstSector, const IMGProgress& progress) {
    const uint64_t total = m_Entries.empty()
                               ? uint64_t(firstSector) * kImgSector
                               : (uint64_t(offsets.back()) + m_Entries.back().sectors) * kImgSector;
    bool canceled = false;
    CSequentialWriter out;
    if (out.Create(path, m_strPath) && m_nVersion == 2) {
        std::string header(kHeaderBytes, '\0');
        PutWord(header, 0, kImgVersion2);
        PutWord(header, 4, static_cast<uint32_t>(m_Entries.size()));
        header += DirectoryBytes(offsets);
        out.Write(header.data(), header.size());
        out.PadTo(uint64_t(firstSector) * kImgSector);
    }
    for (size_t i = 0; i < m_Entries.size() && out.Error() == 0; ++i) {
        const Entry& entry = m_Entries[i];
        const uint64_t size = uint64_t(entry.sectors) * kImgSector;
        out.PadTo(uint64_t(offsets[i]) * kImgSector);
        if (entry.data) {
            out.Write(entry.data->data(), entry.data->size());
        } else {
            // What an unpadded last sector lacks is its padding, written as zeros below.
            const uint32_t source = static_cast<uint32_t>(entry.source);
            const uint64_t offset = m_Reader.GetEntryOffset(source);
            const uint64_t held = m_Reader.ArchiveLength() > offset
                                      ? std::min(size, m_Reader.ArchiveLength() - offset)
                                      : 0;
            out.Copy(m_Reader.Handle(), offset, held);
        }
        out.PadTo(uint64_t(offsets[i]) * kImgSector + size);
        canceled = progress && !progress(uint64_t(offsets[i]) * kImgSector + size, total);
        if (canceled)
            break;
    }
    if (!canceled && out.Finish())
        return true;
    unlink(path.c_str());
    if (canceled)
        return Fail(IMGFault::kCanceled,
                    "the save of " + Quoted(m_strPath) + " was canceled; the archive is as it was");
    return Fail(IMGFault::kWrite, "cannot write " + Quoted(path) + ": " + SystemText(out.Error()),
                out.Error());
}

bool CIMGEditor::WriteDirectory(const std::string& path, const std::vector<uint32_t>& offsets) {
    CSequentialWriter out;
    const std::string bytes = DirectoryBytes(offsets);
    if (out.Create(path, SavePathsOf(m_strPath).directory))
        out.Write(bytes.data(), bytes.size());
    if (out.Finish())
        return true;
    unlink(path.c_str());
    return Fail(IMGFault::kWrite, "cannot write " + Quoted(path) + ": " + SystemText(out.Error()),
                out.Error());
}

// The renames that put the new files in place (the order is explained in IMGSaveFiles.h).
// Every failure before the archive's rename leaves the old files as they were; after it,
// only the directory's rename is left, which a failure retries once and otherwise leaves
// to the next open.
bool CIMGEditor::Commit(const std::string& newArchive, const std::string& newDirectory) {
    const IMGSavePaths paths = SavePathsOf(m_strPath);
    const auto undo = [&](const std::string& also, int error) {
        unlink(newArchive.c_str());
        if (!also.empty())
            unlink(also.c_str());
        return Fail(IMGFault::kWrite,
                    "cannot replace " + Quoted(m_strPath) + ": " + SystemText(error), error);
    };
    if (m_nVersion == 2) {
        if (const int error = RenameFile(newArchive, paths.archive))
            return undo({}, error);
    } else {
        const std::string ready = paths.directory + kImgReadySuffix;
        if (const int error = RenameFile(newDirectory, ready))
            return undo(newDirectory, error);
        if (const int error = SyncFolderOf(ready))
            return undo(ready, error);
        if (const int error = RenameFile(newArchive, paths.archive))
            return undo(ready, error);
        if (RenameFile(ready, paths.directory) != 0)
            if (const int error = FinishInterruptedSave(m_strPath))
                return Fail(IMGFault::kWrite,
                            "the new archive " + Quoted(m_strPath) +
                                " is in place but its directory is not yet (" + SystemText(error) +
                                "); the next open finishes it",
                            error);
    }
    // The new content is in place and read by everyone; a folder that cannot be flushed
    // only leaves its durability to the system.
    if (const int error = SyncFolderOf(paths.archive))
        LogPrintA("GTA::CIMGEditor: the folder of '%s' could not be flushed: %s\n",
                  m_strPath.c_str(), SystemText(error).c_str());
    return true;
}

bool CIMGEditor::Save(const IMGProgress& progress) {
    m_Fault = IMGFault::kNone;
    if (m_nVersion == 0)
        return Fail(IMGFault::kRefused, "no archive is open");
    std::vector<std::string> damaged;
    for (const Entry& entry : m_Entries)
        if (entry.damaged && !entry.data)
            damaged.push_back(Quoted(entry.name));
    if (!damaged.empty()) {
        std::string names;
        for (size_t i = 0; i < std::min(damaged.size(), kNamesShown); ++i)
            names += (i ? ", " : "") + damaged[i];
        if (damaged.size() > kNamesShown)
            names += " and " + std::to_string(damaged.size() - kNamesShown) + " more";
        return Fail(IMGFault::kDamaged,
                    "the archive is damaged: " + names +
                        " run past its end; delete or replace them before saving");
    }
    const IMGSavePaths paths = SavePathsOf(m_strPath);
    // A file its owner made read-only stays unchanged, though its folder would allow
    // renaming over it.
    for (const std::string& file : {paths.archive, m_nVersion == 1 ? paths.directory : ""})
        if (!file.empty() && Files::Exists(file) && access(file.c_str(), W_OK) != 0)
            return Fail(IMGFault::kWrite,
                        "cannot replace " + Quoted(file) + ": " + SystemText(errno), errno);
    std::vector<uint32_t> offsets;
    uint32_t firstSector = 0;
    if (!Layout(offsets, firstSector))
        return false;
    {
        const CIMGFolderLock lock(paths.archive, kImgLockWaitMs);
        if (!lock.Held())
            return Fail(IMGFault::kBusy, "another program is saving an archive in the folder of " +
                                             Quoted(m_strPath));
        if (!Unchanged())
            return false;
        const std::string newArchive = paths.archive + kImgNewSuffix;
        const std::string newDirectory = paths.directory + kImgNewSuffix;
        if (!WriteArchive(newArchive, offsets, firstSector, progress))
            return false;
        if (m_nVersion == 1 && !WriteDirectory(newDirectory, offsets)) {
            unlink(newArchive.c_str());
            return false;
        }
        if (!Commit(newArchive, newDirectory))
            return false;
    }
    // From now on the entries are those of the new archive.
    const std::string path = m_strPath;
    if (!Open(path))
        return false;
    return true;
}

} // namespace GTA
