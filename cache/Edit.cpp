// Edits of a cache as transactions: the lock, the journal, staged replacements, commit,
// undo, and the recovery of an edit a crash interrupted.
#include "cache/CacheLock.h"
#include "cache/EditJournal.h"
#include "cache/TextureDatabase.h"

#include "app/Log.h"
#include "platform/Faults.h"

#include <cerrno>
#include <exception>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kFilesPerCache = 3;

size_t Slot(int kind, int cache) {
    return kind == kFileIndex ? 0 : 1 + static_cast<size_t>(cache) * kFilesPerCache + kind;
}

std::vector<bool> TocSlots() {
    std::vector<bool> tocs(1 + kCacheCount * kFilesPerCache, false);
    for (int k = 0; k < kCacheCount; ++k)
        tocs[Slot(kFileToc, k)] = true;
    return tocs;
}

} // namespace

CEditScope::CEditScope(CTextureDatabase& db) : m_Db(db), m_nExceptions(std::uncaught_exceptions()) {
    m_Db.BeginEdit();
}

CEditScope::~CEditScope() noexcept(false) {
    if (std::uncaught_exceptions() > m_nExceptions) {
        m_Db.AbortEdit();
        return;
    }
    // A commit that fails has been undone when this throws; no other exception is in
    // flight here, so its caller hears of it.
    m_Db.EndEdit();
}

std::vector<std::string> CTextureDatabase::JournalFiles() const {
    return m_RealPaths;
}

std::unique_ptr<CCacheFile>& CTextureDatabase::Handle(int kind, int cache) {
    return kind == kFileDat ? m_pDat[cache] : kind == kFileToc ? m_pToc[cache] : m_pTmb[cache];
}

std::string CTextureDatabase::FilePath(int kind, int cache) const {
    if (m_RealPaths.empty())
        return CacheFileName(kind, cache);
    return m_RealPaths[Slot(kind, Valid(cache) ? cache : 0)];
}

void CTextureDatabase::AdoptLock(std::shared_ptr<CCacheLock> lock) {
    m_pHeldLock = std::move(lock);
}

std::vector<std::string> CTextureDatabase::StampNow() const {
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

void CTextureDatabase::RefreshStamp() {
    m_Stamp = StampNow();
}

bool CTextureDatabase::ChangedOnDisk() const {
    return !m_RealPaths.empty() && StampNow() != m_Stamp;
}

void CTextureDatabase::BeginEdit() {
    if (m_nEditDepth > 0) {
        ++m_nEditDepth;
        return;
    }
    if (m_RealPaths.empty())
        throw CError("no cache is open");
    std::shared_ptr<CCacheLock> lock = m_pHeldLock;
    if (!lock) {
        lock = CCacheLock::Acquire(RealIndex(), kLockWaitMs);
        if (ChangedOnDisk())
            throw CBusyError("the cache was changed by another program since it was opened; "
                             "open it again before changing it");
    }
    // Everything the edit may touch must be writable before anything is touched.
    for (int k = 0; k < kCacheCount; ++k)
        for (int kind : {kFileDat, kFileToc, kFileTmb})
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

void CTextureDatabase::EnsureJournal() {
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

void CTextureDatabase::GuardWrites(CCacheFile& file) {
    file.SetWriteGuard([this] { EnsureJournal(); });
}

void CTextureDatabase::EndEdit() {
    if (m_nEditDepth == 0 || --m_nEditDepth > 0)
        return;
    try {
        Commit();
    } catch (...) {
        // Before the commit mark the edit is undone; after it, finished. Either way the
        // files are settled by the journal and the database reloaded from them.
        const bool committed = m_bCommitted;
        m_nEditDepth = 1;
        AbortEdit();
        if (!committed || EditJournal::Leftovers(EditJournal::JournalPath(RealIndex()), m_RealPaths))
            throw;
    }
}

void CTextureDatabase::Commit() {
    m_bCommitted = false;
    if (!m_bJournal) {
        // Nothing changed, or only the index was replaced: its rename commits the edit.
        const std::string& index = m_RealPaths[0];
        if (access(EditJournal::StagedPath(index).c_str(), F_OK) == 0) {
            EditJournal::Rename(EditJournal::StagedPath(index), index);
            EditJournal::SyncFolders({index});
        }
        m_nEditDepth = 0;
        m_pEditLock.reset();
        RefreshStamp();
        return;
    }
    // A replacement that could not take its file's place would strand the edit half
    // done after the commit mark; what stands in the way is found before it.
    for (const std::string& path : m_RealPaths) {
        struct stat staged {}, target {};
        if (lstat(EditJournal::StagedPath(path).c_str(), &staged) == 0 &&
            stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode))
            throw CWriteError(EISDIR, path);
    }
    // Everything written must be on the disk before the journal says so.
    for (int k = 0; k < kCacheCount; ++k)
        for (int kind : {kFileDat, kFileToc, kFileTmb})
            if (const auto& file = Handle(kind, k); file && !file->WriteError())
                file->Sync();
    EditJournal::SyncFolders(m_RealPaths);
    const std::string journal = EditJournal::JournalPath(RealIndex());
    EditJournal::MarkCommitted(journal);
    m_bCommitted = true;
    EditJournal::RollForward(m_RealPaths);
    for (int k = 0; k < kCacheCount; ++k)
        for (int kind : {kFileDat, kFileToc, kFileTmb})
            if (auto& file = Handle(kind, k))
                file->SetPath(FilePath(kind, k));
    EditJournal::Remove(journal);
    m_nEditDepth = 0;
    m_bJournal = false;
    m_pEditLock.reset();
    RefreshStamp();
}

void CTextureDatabase::SettleJournal() {
    const std::string journal = EditJournal::JournalPath(RealIndex());
    const auto state = EditJournal::Read(journal, m_RealPaths.size());
    if (state && state->committed) {
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

void CTextureDatabase::AbortEdit() noexcept {
    if (m_nEditDepth == 0)
        return;
    m_nEditDepth = 0;
    m_bJournal = false;
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
}

void CTextureDatabase::RecoverInterruptedEdit() {
    // A lock file nobody holds is what a killed editor leaves; taking and releasing the
    // lock removes it.
    const bool staleLock = !m_pHeldLock && access(CCacheLock::LockPath(RealIndex()).c_str(), F_OK) == 0;
    if (!staleLock && !EditJournal::Leftovers(EditJournal::JournalPath(RealIndex()), m_RealPaths))
        return;
    // A live edit of another program is left alone; its files are read as they are.
    const std::shared_ptr<CCacheLock> lock =
        m_pHeldLock ? m_pHeldLock : CCacheLock::TryAcquire(RealIndex());
    if (!lock) {
        LogPrint(L"CTextureDatabase: another program is changing this cache\n");
        return;
    }
    if (EditJournal::Leftovers(EditJournal::JournalPath(RealIndex()), m_RealPaths))
        SettleJournal();
}

std::unique_ptr<CCacheFile> CTextureDatabase::StageFile(int kind, int cache) {
    if (kind == kFileIndex && m_nEditDepth == 0)
        throw std::logic_error("a cache file is changed outside an edit");
    if (kind != kFileIndex)
        EnsureJournal();
    return CCacheFile::Create(EditJournal::BuildPath(FilePath(kind, cache)));
}

void CTextureDatabase::InstallStaged(int kind, int cache, std::unique_ptr<CCacheFile> file) {
    const std::string staged = EditJournal::StagedPath(FilePath(kind, cache));
    EditJournal::Rename(file->Path(), staged);
    file->SetPath(staged);
    if (kind != kFileIndex) {
        GuardWrites(*file);
        Handle(kind, cache) = std::move(file);
    }
}
