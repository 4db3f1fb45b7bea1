#pragma once
// Editing of IMG archives, both versions: files are added or replaced (a replaced entry
// keeps its place in the directory), entries deleted, and the archive rebuilt without
// the gaps that deleted and replaced entries leave.
//
// Edits are staged in memory and written by Save() in one go: the whole new archive (and
// for version 1 its directory) is written beside the old one and renamed over it at the
// end (see IMGSaveFiles.h), so a failure or a kill at any moment leaves the old archive
// or the new one. Every Save() writes a compact archive, which makes Save() without
// edits the rebuild.
//
// Results: Put returns what it did, the others true on success. On a refusal or failure
// Error() tells why in a sentence for the user, and Fault() what kind of failure it was.
#include "gta/IMGFile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace GTA {

inline constexpr size_t kImgNameField = 24;
// The name field ends with its terminator, so a name has at most 23 characters.
inline constexpr size_t kImgMaxNameLength = kImgNameField - 1;
// Version 2 keeps each size in 16 bits of sectors.
inline constexpr uint32_t kImgMaxSectorsV2 = 0xFFFF;
// Entries are held in memory until they are written; no real entry comes near this.
inline constexpr uint64_t kImgMaxEntryBytes = uint64_t(1) << 30;

enum class IMGFault {
    kNone,
    kRefused,  // a name or a file the archive cannot take, a name not found
    kDamaged,  // the archive itself is damaged
    kWrite,    // the system refused a read or write (ErrorNumber() says why)
    kBusy,     // another program is saving, or has changed the archive since it was opened
    kCanceled, // the progress callback asked to stop; nothing was changed
};

// Called by Save() after each entry written: bytes of the new archive written so far and
// in all. Returning false cancels the save before anything is replaced. It runs on the
// thread that called Save().
using IMGProgress = std::function<bool(uint64_t done, uint64_t total)>;

enum class IMGPut { kFailed, kAdded, kReplaced };

// Why an entry name cannot be stored, or empty when it can: empty, longer than 23
// characters (as stored, one byte each), characters outside Latin-1, control
// characters, path separators, or only dots.
std::string IMGNameProblem(const std::string& name);

class CIMGEditor {
public:
    // An archive to edit. Finishes or discards what an interrupted save left beside it,
    // then reads the directory.
    bool Open(const std::string& archivePath);
    // A new, empty archive of version 1 or 2 at archivePath; nothing is written before
    // Save(). Refused when the archive (or for version 1 its directory) exists.
    bool Create(const std::string& archivePath, int version);

    int Version() const { return m_nVersion; } // 1 or 2; 0 when nothing is open
    const std::string& Path() const { return m_strPath; }
    size_t Count() const { return m_Entries.size(); }
    // The entry's name (UTF-8) and size in bytes (whole sectors).
    const std::string& Name(size_t index) const { return m_Entries.at(index).name; }
    uint64_t Size(size_t index) const;
    // An entry of the opened archive that runs past its end; Save() refuses to keep one.
    bool IsDamaged(size_t index) const { return m_Entries.at(index).damaged; }
    // The entry of that name in any letter case (the games look names up so); -1 when
    // there is none or when several entries have the name.
    int Find(const std::string& name) const;
    bool Modified() const { return m_bModified; }

    // Stores data under name: the entry of that name (any case) is replaced in place,
    // else a new entry is appended. Refused for a name that IMGNameProblem rejects, for
    // a name several entries share, and for data the version cannot hold.
    IMGPut Put(const std::string& name, std::vector<uint8_t> data);
    // Put with the content of a file; the name is the file's name unless one is given.
    IMGPut PutFile(const std::string& filePath, const std::string& name = {});
    // Deletes every entry of that name (any case); refused when there is none.
    bool Delete(const std::string& name);
    // Writes the archive as it stands now, compacted, over the old one.
    bool Save(const IMGProgress& progress = {});

    const std::string& Error() const { return m_strError; }
    IMGFault Fault() const { return m_Fault; }
    int ErrorNumber() const { return m_nErrno; }

private:
    struct Entry {
        std::string name;    // UTF-8
        std::string stored;  // the bytes of the name field, Latin-1
        int64_t source = -1; // entry of the opened archive, or -1 for new data
        uint32_t sectors = 0;
        uint32_t sizeWord = 0; // as it is written
        bool damaged = false;
        std::shared_ptr<const std::vector<uint8_t>> data;
    };
    // What a file was when the archive was opened, to tell whether another program has
    // replaced or changed it since.
    struct FileState {
        bool exists = false;
        uint64_t device = 0, inode = 0, size = 0;
        int64_t modified = 0; // nanoseconds
        bool operator==(const FileState&) const = default;
    };
    static FileState StateOf(const std::string& path);
    bool Unchanged();

    bool Fail(IMGFault fault, const std::string& message, int error = 0);
    bool Load();
    std::vector<size_t> Matches(const std::string& name) const;
    bool StartsLikeVersion2(const Entry& entry) const;
    bool Layout(std::vector<uint32_t>& offsets, uint32_t& firstSector);
    bool WriteArchive(const std::string& path, const std::vector<uint32_t>& offsets,
                      uint32_t firstSector, const IMGProgress& progress);
    bool WriteDirectory(const std::string& path, const std::vector<uint32_t>& offsets);
    std::string DirectoryBytes(const std::vector<uint32_t>& offsets) const;
    bool Commit(const std::string& newArchive, const std::string& newDirectory);

    CIMGFile m_Reader;
    FileState m_ArchiveState, m_DirectoryState;
    std::string m_strPath; // the archive's real path (symbolic links followed)
    int m_nVersion = 0;
    bool m_bModified = false;
    std::vector<Entry> m_Entries;
    std::string m_strError;
    IMGFault m_Fault = IMGFault::kNone;
    int m_nErrno = 0;
};

} // namespace GTA
