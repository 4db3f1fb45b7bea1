#pragma once
// Cleaning a cache against the game's archives: every model (".dff") of the archives is
// read in place for the texture names it uses, and the cache's textures are listed with
// whether any model uses them. Shared by the synchronizer window and the command line;
// no widgets.
//
// The games look texture names up regardless of letter case, so a texture a model names
// in another spelling is in use: it is listed as such ("Case") and left out of the
// deletion unless the caller asks to include it.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

class CTextureDatabase;

// Where a long step stands: a text (an entry or texture name), position and total.
// Returning false asks the step to stop as soon as it can.
using SyncProgress = std::function<bool(const std::string& text, size_t position, size_t total)>;

// One model that could not be read, and why.
struct SyncSkipped {
    std::string archive;
    std::string entry;
    std::string error;
};

// The texture names the models of the scanned archives use, with a use count each
// (names kept as the models spell them).
class CSyncScan {
public:
    // Reads every model of the archive. false when the archive cannot be opened (logged)
    // or the scan was stopped; models that cannot be read are logged and skipped.
    bool ScanArchive(const std::string& path, const SyncProgress& progress = {});
    // Adds one name a model uses.
    void AddName(const std::string& name);

    const std::map<std::string, int>& Used() const { return m_Used; }
    const std::vector<SyncSkipped>& Skipped() const { return m_Skipped; }
    size_t ModelCount() const { return m_nModels; }
    // Whether a model uses the name exactly, or only in another letter case.
    bool UsesExactly(const std::string& name) const { return m_Used.count(name) != 0; }
    bool UsesInAnyCase(const std::string& name) const;

private:
    std::map<std::string, int> m_Used;
    std::map<std::string, int> m_UsedLower;
    std::vector<SyncSkipped> m_Skipped;
    size_t m_nModels = 0;
};

enum class SyncUse {
    kUsed,     // a model names it exactly
    kCaseOnly, // a model names it, in another letter case
    kUnused,
};

struct SyncTexture {
    int texture = -1;
    std::string name;
    bool alias = false;
    SyncUse use = SyncUse::kUnused;
    // Proposed for deletion (the check box's first state).
    bool checked = false;
    // What the Info column shows: "Alias", "Case" or nothing.
    const char* Info() const;
};

struct SyncListing {
    std::vector<SyncTexture> textures; // every cache texture, in index order
    int toDelete = 0;                  // checked ones
    uint64_t bytes = 0;                // their DAT records in every open cache
    // The texture indices of the checked ones.
    std::vector<int> Checked() const;
};

// Lists the cache's textures against the names. Unused textures are checked, and with
// includeCase those used only in another spelling too. An original whose alias stays
// is never checked: deleting it would take the alias along.
SyncListing ListSyncTextures(CTextureDatabase& db, const CSyncScan& scan, bool includeCase,
                             const SyncProgress& progress = {});

// The byte total of the given textures' DAT records over every open cache (0 for an
// alias, which has none).
uint64_t SyncBytes(CTextureDatabase& db, const std::vector<int>& textures);

// "%d to delete (%0.2f MB)", or "Cache N/A" when there are no bytes to win.
std::string SyncStatusText(int toDelete, uint64_t bytes);

// Deletes the textures (and aliases of them) in one pass over the cache files and
// flushes the cache. 1 when done, 0 when the cache refused (nothing changed).
int DeleteSyncTextures(CTextureDatabase& db, const std::vector<int>& textures);
