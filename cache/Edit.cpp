// Edits of a cache as transactions: the lock, the journal, staged replacements, commit,
// undo, and the recovery of an edit a crash interrupted.
#include "cache/CacheLock.h"
#include "cache/DataFiles.h"
#include "cache/EditJournal.h"

#include "app/Log.h"

#include <cerrno>
#include <exception>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kFilesPerCache = 3;

// The place of a file in the journal: the index first, then DAT, TOC and TMB of each cache.
size_t JournalSlot(CacheFileKind kind, CacheId cache) {
    return kind == CacheFileKind::kIndex
               ? 0
               : 1 + Slot(cache) * kFilesPerCache + static_cast<size_t>(kind);
}

std::vector<bool> TocSlots() {
    std::vector<bool> tocs(1 + kCacheCount * kFilesPerCache, false);
    for (CacheId k : kAllCaches)
        tocs[JournalSlot(CacheFileKind::kToc, k)] = true;
    return tocs;
}

} // namespace

CEditScope::CEditScope(CCacheDataFiles& db) : m_Db(db), m_nExceptions(std::uncaught_exceptions()) {
    m_Db.BeginEdit();
    m_nAborts = m_Db.m_nAborts;
}

CEditScope::~CEditScope() noexcept(false) {
    if (std::uncaught_exceptions() > m_nExceptions) {
        m_Db.AbortEdit();
        return;
    }
    // An inner scope undid the whole edit and its exception was caught inside this one:
    // what this scope did after it was no part of an edit, and its caller must not take
    // the edit for done.
    if (m_Db.m_nAborts != m_nAborts)
        throw CError("the edit was undone after a failure; nothing was changed");
    // A commit that fails has been undone when this throws; no other exception is in
    // flight here, so its caller hears of it.
    m_Db.EndEdit();
}

std::unique_ptr<CCacheFile>& CCacheDataFiles::Handle(CacheFileKind kind, CacheId cache) {
    return kind == CacheFileKind::kDat   ? m_pDat[cache]
           : kind == CacheFileKind::kToc ? m_pToc[cache]
                                         : m_pTmb[cache];
}

std::string CCacheDataFiles::FilePath(CacheFileKind kind, CacheId cache) const {
    if (m_RealPaths.empty())
        return CacheFileName(kind, cache);
    return m_RealPaths[JournalSlot(kind, cache)];
}

void CCacheDataFiles::AdoptLock(std::shared_ptr<CCacheLock> lock) {
    m_pHeldLock = std::move(lock);
}

std::vector<std::string> CCacheDataFiles::StampNow() const {
    std::vector<std::string> stamp;
    for (const std::string& path : m_RealPaths) {
        struct stat st {};
        if (stat(path.c_str(), &st) != 0) {
            stamp.emplace_back();
            continue;
        }
        stamp.push_back(std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) + ":" +
                        std::to_string(st.st_mtim.tv_sec) + "." +
                        std::to_string(st.st_mtim.tv_nsec));
    }
    return stamp;
}

void CCacheDataFiles::RefreshStamp() {
    m_Stamp = StampNow();
}

bool CCacheDataFiles::ChangedOnDisk() const {
    return !m_RealPaths.empty() && StampNow() != m_Stamp;
}

void CCacheDataFiles::BeginEdit() {
    if (m_nEditDepth > 0) {
        ++m_nEditDepth;
        return;
    }
    if (m_RealPaths.empty())
        throw CError("no cache is open");
    if (!m_strRecoveryProblem.empty())
        throw CError(m_strRecoveryProblem);
    std::shared_ptr<CCacheLock> lock = m_pHeldLock;
    if (!lock)
        lock = CCacheLock::Acquire(RealIndex(), kLockWaitMs);
    // What another program left half done is settled before anything is written, or this
    // edit would commit its leftovers with its own; the files then differ from what was
    // read, so the edit is refused like any other change made behind its back.
    if (EditJournal::Leftovers(EditJournal::JournalPath(RealIndex()), m_RealPaths)) {
        SettleJournal();
        throw CBusyError("an interrupted edit of this cache was just settled; open the cache "
                         "again before changing it");
    }
    if (!m_pHeldLock && ChangedOnDisk())
        throw CBusyError("the cache was changed by another program since it was opened; "
                         "open it again before changing it");
    // Everything the edit may touch must be writable before anything is touched.
    for (CacheId k : kAllCaches)
        for (CacheFileKind kind : kDataFileKinds)
            if (const auto& file = Handle(kind, k); file && file->WriteError())
                throw CWriteError(file->WriteError(), file->Path());
    // The open data files know whether they may be written; the index is replaced, not
    // written, but a file its owner made read-only stays as it is.
    if (access(m_RealPaths[0].c_str(), F_OK) == 0 && access(m_RealPaths[0].c_str(), W_OK) != 0)
        throw CWriteError(errno, m_RealPaths[0]);
    m_pEditLock = std::move(lock);
    m_bJournal = false;
    m_nEditDepth = 1;
}

void CCacheDataFiles::EnsureJournal() {
    if (m_nEditDepth == 0)
        throw std::logic_error("a cache file is changed outside an edit");
    if (m_bJournal)
        return;
    // Written before the first byte changes, so it notes the files as they were. An edit
    // that only replaces the index needs none: that rename is the whole commit.
    EditJournal::Write(EditJournal::JournalPath(RealIndex()),
                       EditJournal::Snapshot(m_RealPaths, TocSlots()));
    m_bJournal = true;
}

void CCacheDataFiles::GuardWrites(CCacheFile& file) {
    file.SetWriteGuard([this] { EnsureJournal(); });
}

void CCacheDataFiles::EndEdit() {
    if (m_nEditDepth == 0 || --m_nEditDepth > 0)
        return;
    try {
        Commit();
    } catch (const std::exception& failure) {
        // The journal decides what stands: before its commit mark the edit is undone,
        // after it finished. The database is then read again from the files.
        m_nEditDepth = 1;
        AbortEdit();
        if (!m_bSettledForward)
            throw;
        if (EditJournal::Leftovers(EditJournal::JournalPath(RealIndex()), m_RealPaths))
            throw CError(std::string("the change was made, but ") + failure.what() +
                         "; it is finished the next time the cache is opened");
        // Finished on the second try: the edit stands and nothing is reported.
    }
}

void CCacheDataFiles::Commit() {
    m_bCommitted = false;
    if (!m_bJournal) {
        // Nothing changed, or only the index was replaced: its rename commits the edit.
        const std::string& index = m_RealPaths[0];
        if (access(EditJournal::StagedPath(index).c_str(), F_OK) == 0) {
            EditJournal::Rename(EditJournal::StagedPath(index), index);
            try {
                EditJournal::SyncFolders({index});
            } catch (const CWriteError& error) {
                // The rename stands; only its durability is in doubt.
                LogPrintA("CTextureDatabase: ERROR: %s\n", error.what());
            }
        }
        m_nEditDepth = 0;
        RefreshStamp(); // under the lock, so no other program's change slips into it
        m_pEditLock.reset();
        return;
    }
    // A replacement that could not take its file's place would strand the edit half
    // done after the commit mark; what stands in the way is found before it.
    for (const std::string& path : m_RealPaths) {
        struct stat staged {};
        struct stat target {};
        if (lstat(EditJournal::StagedPath(path).c_str(), &staged) == 0 &&
            stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode))
            throw CWriteError(EISDIR, path);
    }
    // Everything written must be on the disk before the journal says so.
    for (CacheId k : kAllCaches)
        for (CacheFileKind kind : kDataFileKinds)
            if (const auto& file = Handle(kind, k); file && !file->WriteError())
                file->Sync();
    EditJournal::SyncFolders(m_RealPaths);
    const std::string journal = EditJournal::JournalPath(RealIndex());
    EditJournal::MarkCommitted(journal);
    m_bCommitted = true;
    EditJournal::RollForward(m_RealPaths);
    for (CacheId k : kAllCaches)
        for (CacheFileKind kind : kDataFileKinds)
            if (auto& file = Handle(kind, k))
                file->SetPath(FilePath(kind, k));
    EditJournal::Remove(journal);
    m_nEditDepth = 0;
    m_bJournal = false;
    RefreshStamp(); // under the lock, so no other program's change slips into it
    m_pEditLock.reset();
}

void CCacheDataFiles::SettleJournal() {
    const std::string journal = EditJournal::JournalPath(RealIndex());
    const auto state = EditJournal::Read(journal, m_RealPaths.size());
    m_bSettledForward = state && state->committed;
    if (m_bSettledForward) {
        EditJournal::RollForward(m_RealPaths);
        LogPrint(L"CTextureDatabase: an interrupted edit was completed\n");
    } else {
        // Replacements without a journal were never committed: an edit that died before
        // its journal existed.
        EditJournal::RollBack(state ? *state : EditJournal::Journal{}, m_RealPaths);
        LogPrint(L"CTextureDatabase: an unfinished edit was undone\n");
    }
    EditJournal::Remove(journal);
}

void CCacheDataFiles::AbortEdit() noexcept {
    if (m_nEditDepth == 0)
        return;
    // Still "in an edit" for whoever asks while the files are settled and read again (a
    // message box of the reopening runs the window's event loop).
    m_bSettling = true;
    m_nEditDepth = 0;
    m_bJournal = false;
    ++m_nAborts;
    m_bSettledForward = false;
    const std::shared_ptr<CCacheLock> lock = std::move(m_pEditLock);
    if (!m_bCommitted)
        LogPrint(L"CTextureDatabase: ERROR: the edit failed; every file is put back as it was\n");
    // The handles of replacements are closed before those are deleted or renamed.
    CloseDataFiles();
    try {
        SettleJournal();
    } catch (const std::exception& error) {
        // The journal stays; the next open tries again.
        LogPrintA("CTextureDatabase: ERROR: the edit could not be settled yet: %s\n", error.what());
    }
    m_bCommitted = false;
    try {
        Open(m_strPath);
    } catch (const std::exception& error) {
        LogPrintA("CTextureDatabase: ERROR: reopening after the undo failed: %s\n", error.what());
    }
    m_bSettling = false;
}

void CCacheDataFiles::RecoverInterruptedEdit() {
    // A lock file nobody holds is what a killed editor leaves; taking and releasing the
    // lock removes it.
    const bool staleLock =
        !m_pHeldLock && access(CCacheLock::LockPath(RealIndex()).c_str(), F_OK) == 0;
    if (!staleLock && !EditJournal::Leftovers(EditJournal::JournalPath(RealIndex()), m_RealPaths))
        return;
    // A live edit of another program is left alone; its files are read as they are.
    const std::shared_ptr<CCacheLock> lock =
        m_pHeldLock ? m_pHeldLock : CCacheLock::TryAcquire(RealIndex());
    if (!lock) {
        LogPrint(L"CTextureDatabase: another program is changing this cache\n");
        return;
    }
    if (!EditJournal::Leftovers(EditJournal::JournalPath(RealIndex()), m_RealPaths))
        return;
    try {
        SettleJournal();
    } catch (const std::exception& error) {
        // The cache is still shown as it is; no edit may build on what is left half done.
        m_strRecoveryProblem = std::string("an interrupted edit of this cache could not be "
                                           "finished or undone (") +
                               error.what() + "); it is shown as it is and cannot be changed";
        LogPrintA("CTextureDatabase: ERROR: %s\n", m_strRecoveryProblem.c_str());
    }
}

std::unique_ptr<CCacheFile> CCacheDataFiles::StageFile(CacheFileKind kind, CacheId cache) {
    if (kind == CacheFileKind::kIndex && m_nEditDepth == 0)
        throw std::logic_error("a cache file is changed outside an edit");
    if (kind != CacheFileKind::kIndex)
        EnsureJournal();
    // A new file takes the permissions of the one it replaces.
    return CCacheFile::Create(EditJournal::BuildPath(FilePath(kind, cache)), FilePath(kind, cache));
}

void CCacheDataFiles::InstallStaged(CacheFileKind kind, CacheId cache,
                                    std::unique_ptr<CCacheFile> file) {
    const std::string staged = EditJournal::StagedPath(FilePath(kind, cache));
    EditJournal::Rename(file->Path(), staged);
    file->SetPath(staged);
    if (kind != CacheFileKind::kIndex) {
        GuardWrites(*file);
        Handle(kind, cache) = std::move(file);
    }
}
