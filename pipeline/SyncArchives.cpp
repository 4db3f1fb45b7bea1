#include "pipeline/SyncArchives.h"

#include "app/Log.h"
#include "cache/TextureDatabase.h"
#include "gta/IMGFile.h"
#include "platform/Text.h"
#include "rw/SimpleDFF.h"

#include <cstdio>

namespace {

constexpr char kModelExtension[] = "dff";
constexpr double kBytesPerMegabyte = 1048576.0;

bool IsModelEntry(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot != std::string::npos && Text::AsciiLower(name.substr(dot + 1)) == kModelExtension;
}

bool Report(const SyncProgress& progress, const std::string& text, size_t position, size_t total) {
    return !progress || progress(text, position, total);
}

} // namespace

void CSyncScan::AddName(const std::string& name) {
    ++m_Used[name];
    ++m_UsedLower[Text::AsciiLower(name)];
}

bool CSyncScan::UsesInAnyCase(const std::string& name) const {
    return m_UsedLower.count(Text::AsciiLower(name)) != 0;
}

bool CSyncScan::ScanArchive(const std::string& path, const SyncProgress& progress) {
    GTA::CIMGFile img;
    if (!img.Open(path))
        return false;
    const size_t count = img.GetEntryCount();
    if (!Report(progress, {}, 0, count))
        return false;
    for (uint32_t e = 0; e < count; ++e) {
        const std::string name = img.GetEntryName(e);
        if (!IsModelEntry(name))
            continue;
        if (!Report(progress, name, e + 1, count))
            return false;
        // Read in place through the archive's handle, which stays the archive's.
        RW::CSimpleDFF dff;
        try {
            dff.Attach(img.Handle(), img.GetEntryOffset(e), 0, 0);
            dff.CollectTextureNames([&](const std::string& texture) { AddName(texture); });
            ++m_nModels;
        } catch (const RW::CException& error) {
            LogPrintA("CDlgSyncDFF: ERROR: reading '%s' failed ('%s')\n", name.c_str(),
                      error.Text().c_str());
            m_Skipped.push_back({path, name, error.Text()});
        }
        dff.m_hFile = RW::kInvalidHandle;
    }
    return true;
}

const char* SyncTexture::Info() const {
    if (alias)
        return "Alias";
    return use == SyncUse::kCaseOnly ? "Case" : "";
}

std::vector<int> SyncListing::Checked() const {
    std::vector<int> checked;
    for (const SyncTexture& t : textures)
        if (t.checked)
            checked.push_back(t.texture);
    return checked;
}

SyncListing ListSyncTextures(CTextureDatabase& db, const CSyncScan& scan, bool includeCase,
                             const SyncProgress& progress) {
    SyncListing listing;
    const int count = db.TextureCount();
    std::map<std::string, int> byName;
    for (int t = 0; t < count; ++t) {
        SyncTexture item;
        item.texture = t;
        item.name = db.GetTextureName(t);
        item.alias = db.IsAlias(t);
        item.use = scan.UsesExactly(item.name)     ? SyncUse::kUsed
                   : scan.UsesInAnyCase(item.name) ? SyncUse::kCaseOnly
                                                   : SyncUse::kUnused;
        item.checked = item.use == SyncUse::kUnused || (includeCase && item.use == SyncUse::kCaseOnly);
        byName.emplace(item.name, t);
        listing.textures.push_back(std::move(item));
        if (!Report(progress, listing.textures.back().name, size_t(t) + 1, size_t(count)))
            break;
    }
    // Deleting an original deletes its aliases: one that stays keeps its original.
    for (const SyncTexture& item : listing.textures) {
        if (!item.alias || item.checked)
            continue;
        auto original = byName.find(db.Textures()[size_t(item.texture)].affiliate);
        if (original != byName.end())
            listing.textures[size_t(original->second)].checked = false;
    }
    const std::vector<int> checked = listing.Checked();
    listing.toDelete = static_cast<int>(checked.size());
    listing.bytes = SyncBytes(db, checked);
    return listing;
}

uint64_t SyncBytes(CTextureDatabase& db, const std::vector<int>& textures) {
    uint64_t bytes = 0;
    for (int t : textures)
        if (!db.IsAlias(t))
            for (CacheId c : kAllCaches)
                if (db.IsDatOpen(c))
                    bytes += db.StoredLength(t, c, false);
    return bytes;
}

std::string SyncStatusText(int toDelete, uint64_t bytes) {
    if (bytes == 0)
        return "Cache N/A";
    char text[96];
    std::snprintf(text, sizeof text, "%d to delete (%0.2f MB)", toDelete,
                  double(bytes) / kBytesPerMegabyte);
    return text;
}

int DeleteSyncTextures(CTextureDatabase& db, const std::vector<int>& textures) {
    if (textures.empty())
        return 1;
    if (!db.DeleteTextures(textures))
        return 0;
    db.Flush();
    return 1;
}
