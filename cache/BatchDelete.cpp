// Deleting textures. Each DAT and TMB is compacted in a single pass into a new file that
// replaces the old one when the edit commits, so a deletion that fails or is killed
// midway leaves every file as it was.
#include "cache/CacheEditor.h"

#include "app/Log.h"
#include "platform/Ticks.h"
#include "raster/RasterFormat.h"

#include <algorithm>

namespace {

struct Range {
    int64_t start;
    int64_t end;
};

// How far an offset moves down when the ranges before it are removed.
int64_t RemovedBefore(const std::vector<Range>& removed, int64_t offset) {
    int64_t total = 0;
    for (const Range& r : removed) {
        if (r.start >= offset)
            break;
        total += std::min(r.end, offset) - r.start;
    }
    return total;
}

// Everything of source outside the removed ranges (sorted, disjoint), into target.
// Without shrinking, the old tail stays behind the moved data, as an in-place move
// would leave it.
void CopyKept(const CCacheFile& source, const std::vector<Range>& removed, bool shrink,
              CCacheFile& target) {
    const int64_t length = source.Length();
    int64_t from = 0;
    for (const Range& r : removed) {
        target.AppendFrom(source, static_cast<uint64_t>(from),
                          static_cast<uint64_t>(r.start - from));
        from = r.end;
    }
    target.AppendFrom(source, static_cast<uint64_t>(from), static_cast<uint64_t>(length - from));
    if (!shrink && target.Length() < length)
        target.AppendFrom(source, static_cast<uint64_t>(target.Length()),
                          static_cast<uint64_t>(length - target.Length()));
}

} // namespace

int CCacheEditor::DeleteTextures(const std::vector<int>& textures, bool withAliases) {
    const size_t count = m_Textures.size();
    std::vector<bool> doomed(count, false);
    // The requested textures, and the aliases of each of them (deleting a texture deletes
    // the aliases that name it, whether they stand before or after it).
    for (int t : textures) {
        if (!IsValidTexture(t))
            continue;
        doomed[static_cast<size_t>(t)] = true;
        for (int a = 0; withAliases && (a = FindNextAlias(a, t)) >= 0; ++a)
            doomed[static_cast<size_t>(a)] = true;
    }
    return RemoveTextures(doomed, true);
}

int CCacheEditor::DeleteForReplacement(const std::vector<int>& textures) {
    std::vector<bool> doomed(m_Textures.size(), false);
    for (int t : textures)
        if (IsValidTexture(t))
            doomed[static_cast<size_t>(t)] = true;
    return RemoveTextures(doomed, true);
}

int CCacheEditor::RemoveTextures(const std::vector<bool>& doomed, bool shrink) {
    const size_t count = m_Textures.size();
    if (std::find(doomed.begin(), doomed.end(), true) == doomed.end())
        return 1;
    LogPrintA("CTextureDatabase: Deleting %d textures in one pass...\n",
              static_cast<int>(std::count(doomed.begin(), doomed.end(), true)));
    const uint32_t start = GetTickCount();

    for (size_t t = 0; t < count; ++t) {
        EnsureRecordLoaded(static_cast<int>(t));
        ResolveAlias(m_Textures[t]);
    }

    // Every DAT: the span of a deleted texture runs from its record to the next record
    // (or the end of the file), as a single deletion measures it. The records must lie in
    // the file in texture order, or spans would cut other textures' bytes: then nothing
    // is changed. A texture whose record is missing has no span.
    PerCache<std::vector<Range>> datRemoved;
    PerCache<std::vector<Range>> tmbRemoved;
    for (CacheId k : kAllCaches) {
        if (!m_pDat[k])
            continue;
        const int64_t length = FileLength(CacheFileKind::kDat, k);
        int64_t previous = -1;
        int previousTexture = -1;
        for (size_t t = 0; t <= count; ++t) {
            if (t < count && m_Textures[t].IsAlias())
                continue;
            const uint32_t entry = t < count && t < m_TocList[k].size() ? m_TocList[k][t]
                                   : t < count                          ? kNoRecord
                                               : static_cast<uint32_t>(length);
            if (t < count && entry == kNoRecord)
                continue;
            const int64_t offset = t < count ? int64_t(entry) : length;
            if (offset > length || offset <= previous)
                return 0;
            if (previousTexture >= 0 && doomed[static_cast<size_t>(previousTexture)]) {
                if (!datRemoved[k].empty() && datRemoved[k].back().end == previous)
                    datRemoved[k].back().end = offset;
                else
                    datRemoved[k].push_back({previous, offset});
            }
            previous = offset;
            previousTexture = static_cast<int>(t);
        }
    }
    for (CacheId k : kAllCaches) {
        if (!m_pTmb[k])
            continue;
        const int64_t length = FileLength(CacheFileKind::kTmb, k);
        for (size_t t = 0; t < count; ++t) {
            const TextureRecord& record = m_Textures[t];
            if (!doomed[t] || record.IsAlias() || record.tmbOffset[k] == -1)
                continue;
            const RasterHeader& h = record.thumbHeader[k];
            const int64_t size = static_cast<int64_t>(
                RasterDataSize(h.width, h.Height(), FormatFromGlCode(h.glFormat), h.HasMips()));
            const int64_t end =
                record.tmbOffset[k] + size +
                (DetectLayout(static_cast<int>(t), k, true) == RecordLayout::kSA ? 16 : 8);
            tmbRemoved[k].push_back({record.tmbOffset[k], std::min(end, length)});
        }
        std::sort(tmbRemoved[k].begin(), tmbRemoved[k].end(),
                  [](const Range& a, const Range& b) { return a.start < b.start; });
        for (size_t i = 1; i < tmbRemoved[k].size(); ++i)
            if (tmbRemoved[k][i].start < tmbRemoved[k][i - 1].end)
                return 0;
    }

    for (size_t t = 0; t < count; ++t)
        if (doomed[t])
            LogPrintA("CTextureDatabase: Goodbye, texture #%d [%s]...\n", static_cast<int>(t),
                      m_Textures[t].name.c_str());

    CEditScope edit(*this);
    for (CacheId k : kAllCaches) {
        if (m_pTmb[k] && !tmbRemoved[k].empty()) {
            std::unique_ptr<CCacheFile> tmb = StageFile(CacheFileKind::kTmb, k);
            CopyKept(*m_pTmb[k], tmbRemoved[k], shrink, *tmb);
            LogPrintA("CTextureDatabase: New TMB file length is %d bytes.\n",
                      static_cast<int>(tmb->Length()));
            InstallStaged(CacheFileKind::kTmb, k, std::move(tmb));
            for (TextureRecord& record : m_Textures)
                if (record.tmbOffset[k] != -1)
                    record.tmbOffset[k] -=
                        static_cast<int32_t>(RemovedBefore(tmbRemoved[k], record.tmbOffset[k]));
        }
        if (!m_pDat[k])
            continue;
        if (!datRemoved[k].empty()) {
            std::unique_ptr<CCacheFile> dat = StageFile(CacheFileKind::kDat, k);
            CopyKept(*m_pDat[k], datRemoved[k], shrink, *dat);
            LogPrintA("CTextureDatabase: New DAT file length is %d bytes.\n",
                      static_cast<int>(dat->Length()));
            InstallStaged(CacheFileKind::kDat, k, std::move(dat));
        }
        std::vector<uint32_t> kept;
        const std::vector<uint32_t>& list = m_TocList[k];
        for (size_t i = 0; i < list.size(); ++i) {
            if (i < count && doomed[i])
                continue;
            uint32_t entry = list[i];
            if (entry != kNoRecord)
                entry -= static_cast<uint32_t>(RemovedBefore(datRemoved[k], entry));
            kept.push_back(entry);
        }
        m_TocList[k] = std::move(kept);
    }

    std::vector<TextureRecord> survivors;
    survivors.reserve(count);
    for (size_t t = 0; t < count; ++t)
        if (!doomed[t])
            survivors.push_back(std::move(m_Textures[t]));
    m_Textures = std::move(survivors);
    for (size_t t = 0; t < m_Textures.size(); ++t) {
        TextureRecord& record = m_Textures[t];
        for (CacheId k : kAllCaches)
            if (m_pDat[k] && t < m_TocList[k].size())
                record.datOffset[k] =
                    m_TocList[k][t] == kNoRecord ? -1 : static_cast<int32_t>(m_TocList[k][t]);
        if (record.IsAlias()) {
            // Found again by name on next use.
            record.originalIndex = -1;
            std::fill(std::begin(record.datOffset), std::end(record.datOffset), -1);
        }
    }

    for (CacheId k : kAllCaches)
        if (m_pDat[k])
            WriteToc(k);
    RebuildTxt();
    FlushTocHeaders();
    LogPrintA("CTextureDatabase: Deleted within %0.3f seconds.\n",
              (GetTickCount() - start) / 1000.0);
    return 1;
}
