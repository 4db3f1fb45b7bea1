#pragma once
// The journal that makes an edit of a cache all or nothing. Before the first byte of a
// cache changes, the journal beside the index notes the length of every file of the
// cache (and the first word of each TOC, the only bytes ever written in place below a
// file's old end). Appends go to the files themselves; every other change is built as a
// new file beside the old one ("NAME.x.dat.tsnew"), which replaces it only after the
// journal is marked committed. So an interrupted edit is undone by cutting the files
// back and deleting the new ones, or, once committed, finished by renaming them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace EditJournal {

struct FileState {
    bool existed = false;
    int64_t length = 0;
    bool hasHead = false; // the first word was noted (a TOC of 4 bytes or more)
    uint32_t head = 0;
    uint64_t inode = 0; // an undo only ever cuts back the very file it noted
};

struct Journal {
    std::vector<FileState> files; // one per file, in the caller's order
    bool committed = false;
};

std::string JournalPath(const std::string& indexPath);
// Where a replacement is built, and where it waits, complete, for the commit.
std::string BuildPath(const std::string& path);
std::string StagedPath(const std::string& path);

// Notes the state of the files (paths in a fixed order); throws CWriteError.
Journal Snapshot(const std::vector<std::string>& paths, const std::vector<bool>& tocs);
void Write(const std::string& journalPath, const Journal& journal);
void MarkCommitted(const std::string& journalPath);
// nullopt when there is no journal; throws CError when it is damaged or cannot be read
// (acting as if there were none could undo an edit that had been committed).
std::optional<Journal> Read(const std::string& journalPath, size_t fileCount);

// Undo: new files deleted, files cut back to their noted length, TOC words restored. The
// first path is the index, which an edit only ever replaces: it is never cut.
void RollBack(const Journal& journal, const std::vector<std::string>& paths);
// Finish: every complete replacement renamed into place.
void RollForward(const std::vector<std::string>& paths);
// Deletes the journal (after a commit or an undo).
void Remove(const std::string& journalPath);
// True when a replacement or a journal of an interrupted edit is lying around.
bool Leftovers(const std::string& journalPath, const std::vector<std::string>& paths);

// fsync of the folders holding the paths, so renames and new files last.
void SyncFolders(const std::vector<std::string>& paths);
// Renames with the fault seam; throws CWriteError.
void Rename(const std::string& from, const std::string& to);

} // namespace EditJournal
