// Deleting many textures at once. Deleting them one by one moves the tail of every DAT
// and TMB once per texture; here each file is compacted in a single pass, with exactly
// the result of the one-by-one deletions in index order.
#include "cache/TextureDatabase.h"

#include "app/Log.h"
#include "platform/Files.h"
#include "platform/Ticks.h"
#include "raster/RasterFormat.h"

#include <algorithm>
#include <unistd.h>

namespace {

struct Range {
    int64_t start;
    int64_t end;
};

// Keeps everything of a file outside the removed ranges (sorted, disjoint), moving it
// down in large chunks, then cuts the file. False when a read or write fails.
bool Compact(FILE* file, const std::vector<Range>& removed, int64_t length) {
    if (removed.empty())
        return true;
    if (fflush(file) != 0)
        return false;
    const int fd = fileno(file);
    std::vector<uint8_t> buffer(4 << 20);
    int64_t writeAt = removed.front().start;
    for (size_t i = 0; i < removed.size(); ++i) {
        const int64_t keepFrom = removed[i].end;
        const int64_t keepTo = i + 1 < removed.size() ? removed[i + 1].start : length;
        for (int64_t at = keepFrom; at < keepTo;) {
            const size_t want = static_cast<size_t>(std::min<int64_t>(buffer.size(), keepTo - at));
            const ssize_t got = pread(fd, buffer.data(), want, at);
            if (got <= 0)
                return false;
            if (pwrite(fd, buffer.data(), static_cast<size_t>(got), writeAt) != got)
                return false;
            at += got;
            writeAt += got;
        }
    }
    // The stream's own position and buffer are stale now; the next access seeks anyway.
    return ftruncate(fd, writeAt) == 0 && fseeko(file, 0, SEEK_SET) == 0;
}

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

} // namespace

int CTextureDatabase::DeleteTextures(const std::vector<int>& textures) {
    const size_t count = m_Textures.size();
    std::vector<bool> doomed(count, false);
    std::vector<bool> requested(count, false);
    for (int t : textures)
        if (IsValidTexture(t))
            requested[static_cast<size_t>(t)] = true;
    // The requested textures, and the aliases of each of them (deleting a texture deletes
    // the aliases that name it, whether they stand before or after it).
    for (size_t t = 0; t < count; ++t) {
        if (!requested[t])
            continue;
        doomed[t] = true;
        for (int a = 0; (a = FindNextAlias(a, static_cast<int>(t))) >= 0; ++a)
            doomed[static_cast<size_t>(a)] = true;
    }
    if (std::find(doomed.begin(), doomed.end(), true) == doomed.end())
        return 1;
    LogPrintA("CTextureDatabase: Deleting %d textures in one pass...\n",
              static_cast<int>(std::count(doomed.begin(), doomed.end(), true)));
    const uint32_t start = GetTickCount();

    for (size_t t = 0; t < count; ++t) {
        EnsureRecordLoaded(static_cast<int>(t));
        ResolveAlias(m_Textures[t]);
    }

    // Every DAT: the span of a deleted texture runs from its record to the next ordinary
    // texture's record (or the end of the file), as a single deletion measures it. The
    // records must be in texture order, or spans would overlap; then nothing is changed.
    std::vector<Range> datRemoved[kCacheCount];
    std::vector<Range> tmbRemoved[kCacheCount];
    for (int k = 0; k < kCacheCount; ++k) {
        if (!m_pDat[k])
            continue;
        const int64_t length = FileLength(0, k);
        int64_t previous = -1;
        int previousTexture = -1;
        for (size_t t = 0; t <= count; ++t) {
            if (t < count && m_Textures[t].IsAlias())
                continue;
            const int64_t offset = t < count ? GetTocOffset(k, static_cast<int>(t)) : length;
            if (offset < 0 || offset > length || offset <= previous)
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
    for (int k = 0; k < kCacheCount; ++k) {
        if (!m_pTmb[k])
            continue;
        const int64_t length = FileLength(2, k);
        for (size_t t = 0; t < count; ++t) {
            const TextureRecord& record = m_Textures[t];
            if (!doomed[t] || record.IsAlias() || record.tmbOffset[k] == -1)
                continue;
            const RasterHeader& h = record.thumbHeader[k];
            const int64_t size = static_cast<int64_t>(
                RasterDataSize(h.width, h.Height(), FormatFromGlCode(h.glFormat), h.HasMips()));
            const int64_t end = record.tmbOffset[k] + size +
                                (DetectLayout(static_cast<int>(t), k, true) == 2 ? 16 : 8);
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

    for (int k = 0; k < kCacheCount; ++k) {
        if (m_pTmb[k]) {
            if (!Compact(m_pTmb[k], tmbRemoved[k], FileLength(2, k)))
                ReportError(__LINE__, 1, "Unable to reduce TMB size", false);
            for (TextureRecord& record : m_Textures)
                if (record.tmbOffset[k] != -1)
                    record.tmbOffset[k] -=
                        static_cast<int32_t>(RemovedBefore(tmbRemoved[k], record.tmbOffset[k]));
        }
        if (!m_pDat[k])
            continue;
        if (!Compact(m_pDat[k], datRemoved[k], FileLength(0, k)))
            ReportError(__LINE__, 1, "Unable to reduce DAT size", false);
        std::vector<uint32_t> kept;
        const std::vector<uint32_t>& list = m_TocList[k];
        for (size_t i = 0; i < list.size(); ++i) {
            if (i < count && doomed[i])
                continue;
            uint32_t entry = list[i];
            if (entry != 0xFFFFFFFFu)
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
        for (int k = 0; k < kCacheCount; ++k)
            record.datOffset[k] = t < m_TocList[k].size() && m_pDat[k]
                                      ? static_cast<int32_t>(m_TocList[k][t])
                                      : record.datOffset[k];
        if (record.IsAlias()) {
            // Found again by name on next use.
            record.originalIndex = -1;
            std::fill(std::begin(record.datOffset), std::end(record.datOffset), -1);
        }
    }

    for (int k = 0; k < kCacheCount; ++k)
        if (m_pDat[k])
            WriteToc(k);
    RebuildTxt();
    FlushTocHeaders();
    LogPrintA("CTextureDatabase: Deleted within %0.3f seconds.\n",
              (GetTickCount() - start) / 1000.0);
    return 1;
}
