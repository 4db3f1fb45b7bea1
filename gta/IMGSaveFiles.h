#pragma once
// The files an archive save leaves beside the archive while it runs, and how a save that
// was cut short (a crash, a kill, a power cut) is finished or forgotten.
//
// A version 2 archive is one file: the new archive is written to NAME.img.tessarine-new
// and renamed over NAME.img, and that rename is the whole commit.
//
// A version 1 archive is two files, and no single rename can replace both. Both new files
// are written as NAME.img.tessarine-new and NAME.dir.tessarine-new and flushed to disk;
// then the new directory is renamed to NAME.dir.tessarine-ready. That rename is the
// commit: it only happens once both new files are complete, so its presence says "the
// new pair is whole, put it in place". Then NAME.img.tessarine-new is renamed over
// NAME.img and NAME.dir.tessarine-ready over NAME.dir. After a stop at any point:
//   - no ready file: NAME.img and NAME.dir were never touched (the old pair); any
//     .tessarine-new file is an unfinished leftover and is deleted;
//   - a ready file: the new pair is complete. Its archive is NAME.img.tessarine-new when
//     that still exists, else it already is NAME.img; its directory is the ready file.
//     Finishing the two renames gives the new pair.
// So the pair read is always the old one or the new one. Readers follow the same rule
// without writing (CIMGFile::Open), and the next edit finishes the renames.
#include <string>

namespace GTA {

inline constexpr const char* kImgNewSuffix = ".tessarine-new";
inline constexpr const char* kImgReadySuffix = ".tessarine-ready";

// The directory file of a version 1 archive: the one beside it in any letter case, else
// NAME.dir.
std::string IMGDirectoryPath(const std::string& archivePath);

// The files a save replaces, symbolic links followed (the new files are written beside
// the files the links point at, and renamed over those).
struct IMGSavePaths {
    std::string archive;
    std::string directory; // version 1 only
};
IMGSavePaths SavePathsOf(const std::string& archivePath);

struct IMGPendingSave {
    std::string archive;    // the archive to read: NAME.img or its finished new copy
    std::string directory;  // the directory to read (version 1)
    bool committed = false; // a version 1 save passed its commit and is not yet in place
};

// Where an archive's current content is, taking a committed save into account; reads
// only.
IMGPendingSave FindPendingSave(const std::string& archivePath);

// Finishes a committed version 1 save, or deletes what an unfinished save left. Returns
// 0 when nothing is left to do, else the errno of the step that failed.
int FinishInterruptedSave(const std::string& archivePath);

// Two programs saving archives of one folder at once would rename each other's files:
// a save holds its folder's lock (an advisory lock on the folder itself, which leaves no
// file behind) from its first write to its last rename, as does finishing an
// interrupted save. The system releases it when its holder ends, however it ends.
class CIMGFolderLock {
public:
    // Waits up to waitMs for the lock of the folder holding path.
    CIMGFolderLock(const std::string& path, int waitMs);
    ~CIMGFolderLock();
    CIMGFolderLock(const CIMGFolderLock&) = delete;
    CIMGFolderLock& operator=(const CIMGFolderLock&) = delete;
    bool Held() const { return m_bHeld; }

private:
    int m_nFd = -1;
    bool m_bHeld = false;
};

inline constexpr int kImgLockWaitMs = 5000;

// The steps of a save, each a fault point: 0 or the errno.
int RenameFile(const std::string& from, const std::string& to);
int SyncFolderOf(const std::string& path);

} // namespace GTA
