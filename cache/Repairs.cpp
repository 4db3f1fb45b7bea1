// Checking and repairing the TOC and TMB files, writing TOCs, and building an index from
// a DAT. A repair never makes a damaged cache look sound: what it cannot restore it marks
// missing, where the checks keep seeing it.
#include "cache/ByteOrder.h"
#include "cache/CacheEditor.h"

#include "app/Log.h"
#include "gta/BlockCompression.h"
#include "platform/Files.h"
#include "raster/RasterFormat.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace {

constexpr uint16_t kThumbGlFormat = 0x1401; // RGBA 8888
constexpr uint32_t kLargestThumbnail = 256;
constexpr uint8_t kPlaceholderGrey = 0x88;
// A DAT of tiny junk "records" must not become millions of textures: real caches hold
// tens of thousands.
constexpr size_t kMostTexturesFromDat = 1u << 18;

struct Thumbnail {
    uint32_t side = 1;
    std::vector<uint8_t> pixels;
};

// The thumbnails a TMB holds, in order, as far as they are sound.
std::vector<Thumbnail> IntactThumbnails(const CCacheFile& tmb, size_t wanted) {
    std::vector<Thumbnail> kept;
    const std::unique_ptr<CFileView> view = tmb.View();
    const uint8_t* image = view->Data();
    const uint64_t size = view->Size();
    uint64_t offset = 0;
    while (kept.size() < wanted && offset + 8 <= size) {
        const RasterHeader h = DecodeHeader(image + offset);
        if (h.glFormat != kThumbGlFormat || h.HasMips() || h.width != h.Height() || h.width == 0 ||
            h.width > kLargestThumbnail)
            break;
        const uint64_t pixels = uint64_t(h.width) * h.width * 4;
        uint64_t start = offset + 8;
        if (offset + 16 <= size && ReadLe32(image + offset + 8) == pixels + 4 &&
            ReadLe32(image + offset + 12) == 0)
            start = offset + 16;
        if (start + pixels > size)
            break;
        kept.push_back({h.width, std::vector<uint8_t>(image + start, image + start + pixels)});
        offset = start + pixels;
    }
    return kept;
}

} // namespace

bool CCacheEditor::CheckToc(CacheId cache) {
    if (!IsTocOpen(cache) || !IsDatOpen(cache))
        return false;
    if (FileLength(CacheFileKind::kToc, cache) != 4 * static_cast<int64_t>(m_Textures.size()) + 4)
        return false;
    uint8_t word[4];
    return ReadAt(m_pToc[cache].get(), 0, word, 4) &&
           ReadLe32(word) == FileLength(CacheFileKind::kDat, cache);
}

bool CCacheEditor::SoundRecordAt(CacheId cache, uint64_t offset, uint64_t& length) {
    const CCacheFile* dat = m_pDat[cache].get();
    uint8_t head[16] = {};
    if (!dat || !ReadAt(dat, offset, head, 8))
        return false;
    const RasterHeader h = DecodeHeader(head);
    const int format = FormatFromGlCode(h.glFormat);
    const uint64_t size = RasterDataSize(h.width, h.Height(), format, h.HasMips());
    if (format == RASTER_UNKNOWN || size == 0 || size > uint64_t(h.width) * h.Height() * 8)
        return false;
    const bool words = ReadAt(dat, offset + 8, head + 8, 8);
    const uint32_t l = words ? ReadLe32(head + 8) : 0, key = words ? ReadLe32(head + 12) : 0;
    const std::optional<RecordLayout> game = LayoutOfGame(m_nGame);
    const RecordLayout layout =
        game ? *game : LayoutFromWords(size, GTA::BlockSize(format), l, key);
    length = layout == RecordLayout::kSA ? (l != 0 ? uint64_t(l) + 12 : size + 12) : size + 8;
    return offset + length <= static_cast<uint64_t>(dat->Length());
}

std::vector<uint32_t> CCacheEditor::WalkDat(CacheId cache, bool& complete) {
    std::vector<uint32_t> offsets(m_Textures.size(), kNoRecord);
    const uint64_t end =
        static_cast<uint64_t>(std::max<int64_t>(FileLength(CacheFileKind::kDat, cache), 0));
    uint64_t offset = 0, length = 0;
    complete = true;
    for (size_t i = 0; i < m_Textures.size(); ++i) {
        if (m_Textures[i].IsAlias())
            continue;
        if (!complete || offset >= kNoRecord || !SoundRecordAt(cache, offset, length)) {
            complete = false;
            continue;
        }
        offsets[i] = static_cast<uint32_t>(offset);
        offset += length;
    }
    complete = complete && offset == end;
    return offsets;
}

std::vector<int> CCacheEditor::DamagedRecords(CacheId cache) {
    std::vector<int> damaged;
    if (!IsDatOpen(cache))
        return damaged;
    struct Span {
        uint64_t start, end;
        int texture;
    };
    std::vector<Span> spans;
    const std::vector<uint32_t>& list = m_TocList[cache];
    for (size_t i = 0; i < m_Textures.size(); ++i) {
        if (m_Textures[i].IsAlias())
            continue;
        const uint32_t offset = i < list.size() ? list[i] : kNoRecord;
        uint64_t length = 0;
        if (offset == kNoRecord || !SoundRecordAt(cache, offset, length))
            damaged.push_back(static_cast<int>(i));
        else
            spans.push_back({offset, offset + length, static_cast<int>(i)});
    }
    // Two textures sharing bytes show each other's pictures, or parts of them.
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.start < b.start; });
    // Each span against the one reaching furthest so far: a long record can cover several.
    size_t furthest = 0;
    for (size_t i = 1; i < spans.size(); ++i) {
        if (spans[i].start < spans[furthest].end) {
            damaged.push_back(spans[furthest].texture);
            damaged.push_back(spans[i].texture);
        }
        if (spans[i].end > spans[furthest].end)
            furthest = i;
    }
    std::sort(damaged.begin(), damaged.end());
    damaged.erase(std::unique(damaged.begin(), damaged.end()), damaged.end());
    return damaged;
}

int CCacheEditor::FixToc(CacheId cache) {
    if (!IsDatOpen(cache))
        return 0;
    CEditScope edit(*this);
    LoadOffsets(cache, false); // the TOC as it is (or the walk, without one)
    const size_t count = m_Textures.size();
    const bool tocFits =
        IsTocOpen(cache) && FileLength(CacheFileKind::kToc, cache) == int64_t(4 * count + 4);
    bool walkComplete = false;
    const std::vector<uint32_t> walked = WalkDat(cache, walkComplete);
    // The walk's places are trusted where it ran to the end of the DAT, or where it agrees
    // with every sound entry of the TOC; otherwise a record it misses shifts all after it.
    std::vector<bool> listedSound(count, false);
    bool walkAgrees = true;
    for (size_t i = 0; i < count; ++i) {
        if (m_Textures[i].IsAlias())
            continue;
        const uint32_t listed = i < m_TocList[cache].size() ? m_TocList[cache][i] : kNoRecord;
        uint64_t length = 0;
        listedSound[i] = listed != kNoRecord && SoundRecordAt(cache, listed, length);
        if (listedSound[i] && walked[i] != kNoRecord && walked[i] != listed)
            walkAgrees = false;
    }
    const bool trustWalk = walkComplete || walkAgrees;
    std::vector<uint32_t> entries(count, kNoRecord);
    std::set<uint32_t> used;
    int missing = 0;
    for (size_t i = 0; i < count; ++i) {
        if (m_Textures[i].IsAlias())
            continue;
        // A TOC of the right length was written for this index: its sound entries stand.
        // One of another length was not; a DAT walked cleanly to its end then knows better.
        const uint32_t listed = i < m_TocList[cache].size() ? m_TocList[cache][i] : kNoRecord;
        const uint32_t fromToc = listedSound[i] ? listed : kNoRecord;
        const uint32_t fromWalk = trustWalk ? walked[i] : kNoRecord;
        const bool tocFirst = tocFits || !walkComplete;
        // Two textures never share a record: the second would show the first's picture.
        uint32_t entry = kNoRecord;
        for (const uint32_t candidate :
             {tocFirst ? fromToc : fromWalk, tocFirst ? fromWalk : fromToc})
            if (entry == kNoRecord && candidate != kNoRecord && !used.count(candidate))
                entry = candidate;
        if (entry != kNoRecord)
            used.insert(entry);
        entries[i] = entry;
        missing += entry == kNoRecord;
    }
    WriteTocFile(cache, entries);
    return missing;
}

void CCacheEditor::StageToc(CacheId cache, const std::vector<uint32_t>& entries) {
    std::vector<uint8_t> toc(4 + 4 * entries.size());
    WriteLe32(toc.data(),
              static_cast<uint32_t>(std::max<int64_t>(FileLength(CacheFileKind::kDat, cache), 0)));
    for (size_t i = 0; i < entries.size(); ++i)
        WriteLe32(toc.data() + 4 + 4 * i, entries[i]);
    std::unique_ptr<CCacheFile> file = StageFile(CacheFileKind::kToc, cache);
    file->Append(toc.data(), toc.size());
    InstallStaged(CacheFileKind::kToc, cache, std::move(file));
}

void CCacheEditor::WriteTocFile(CacheId cache, const std::vector<uint32_t>& entries) {
    StageToc(cache, entries);
    m_TocList[cache] = entries;
    // Headers are read again from the new offsets on first use (an empty primary header
    // makes EnsureRecordLoaded read them all); aliases are resolved again.
    for (size_t i = 0; i < m_Textures.size() && i < entries.size(); ++i) {
        TextureRecord& record = m_Textures[i];
        record.textureHeader[cache] = RasterHeader{};
        if (m_PrimaryCache)
            record.textureHeader[*m_PrimaryCache] = RasterHeader{};
        if (record.IsAlias())
            std::fill(std::begin(record.datOffset), std::end(record.datOffset), -1);
        else
            record.datOffset[cache] = static_cast<int32_t>(entries[i]);
    }
}

int CCacheEditor::WriteToc(CacheId cache) {
    CEditScope edit(*this);
    const std::vector<uint32_t>& list = m_TocList[cache];
    std::vector<uint32_t> entries(std::min(list.size(), m_Textures.size()));
    for (size_t i = 0; i < entries.size(); ++i)
        entries[i] = m_Textures[i].IsAlias() ? kNoRecord : list[i];
    // The in-memory records keep their offsets and headers: nothing moved.
    StageToc(cache, entries);
    return 1;
}

void CCacheEditor::FlushTocHeaders() {
    // Only the words that differ are written, so a flush of a sound cache changes nothing.
    std::vector<CacheId> stale;
    for (CacheId k : kAllCaches) {
        if (!m_pDat[k] || !m_pToc[k])
            continue;
        uint8_t word[4] = {};
        if (!m_pToc[k]->ReadAt(0, word, 4) ||
            ReadLe32(word) != static_cast<uint32_t>(FileLength(CacheFileKind::kDat, k)))
            stale.push_back(k);
    }
    if (stale.empty())
        return;
    CEditScope edit(*this);
    for (CacheId k : stale) {
        uint8_t word[4];
        WriteLe32(word, static_cast<uint32_t>(FileLength(CacheFileKind::kDat, k)));
        m_pToc[k]->WriteAt(0, word, 4);
    }
}

int CCacheEditor::Flush() {
    try {
        CEditScope edit(*this);
        FlushTocHeaders();
        RebuildTxt();
    } catch (const CWriteError&) {
        throw; // its own text names the file and the reason
    } catch (const CBusyError&) {
        throw;
    } catch (const CError& e) {
        ReportError(__LINE__, static_cast<uint32_t>(-1), e.what(), false);
    }
    return 1;
}

int CCacheEditor::RebuildTmb(CacheId cache, RecordLayout layout,
                             const ThumbnailMaker& makeThumbnail) {
    CEditScope edit(*this);
    const std::vector<Thumbnail> kept =
        m_pTmb[cache] ? IntactThumbnails(*m_pTmb[cache], size_t(OrdinaryCount()))
                      : std::vector<Thumbnail>{};
    std::vector<uint8_t> out;
    size_t ordinary = 0;
    for (int i = 0; i < TextureCount(); ++i) {
        EnsureRecordLoaded(i);
        TextureRecord& record = m_Textures[static_cast<size_t>(i)];
        ResolveAlias(record);
        if (record.IsAlias())
            continue;
        Thumbnail thumb;
        if (ordinary < kept.size()) {
            thumb = kept[ordinary];
        } else if (auto made = makeThumbnail ? makeThumbnail(i, cache, thumb.side) : std::nullopt;
                   made && made->size() == size_t(thumb.side) * thumb.side * 4) {
            thumb.pixels = std::move(*made);
        } else {
            thumb.side = 1;
            thumb.pixels.assign(4, kPlaceholderGrey);
        }
        ++ordinary;
        RasterHeader header{0, kThumbGlFormat, static_cast<uint16_t>(thumb.side),
                            static_cast<uint16_t>(thumb.side)};
        if (m_PrimaryCache)
            header.tag = record.textureHeader[*m_PrimaryCache].tag;
        uint8_t bytes[16];
        EncodeHeader(header, bytes);
        size_t length = 8;
        if (layout == RecordLayout::kSA) {
            WriteLe32(bytes + 8, static_cast<uint32_t>(thumb.pixels.size() + 4));
            WriteLe32(bytes + 12, 0);
            length = 16;
        }
        out.insert(out.end(), bytes, bytes + length);
        out.insert(out.end(), thumb.pixels.begin(), thumb.pixels.end());
    }
    std::unique_ptr<CCacheFile> file = StageFile(CacheFileKind::kTmb, cache);
    file->Append(out.data(), out.size());
    InstallStaged(CacheFileKind::kTmb, cache, std::move(file));
    return 1;
}

int CCacheEditor::RebuildFromDat() {
    m_RepairNotes.clear();
    if (!m_PrimaryCache || FileLength(CacheFileKind::kDat, *m_PrimaryCache) < 8)
        return 0;
    const CacheId row = *m_PrimaryCache;
    CEditScope edit(*this);
    const uint64_t datLength = static_cast<uint64_t>(FileLength(CacheFileKind::kDat, row));
    m_Textures.clear();
    for (auto& list : m_TocList)
        list.clear();
    if (m_Categories.empty()) {
        CategoryRecord category;
        category.name = "Default";
        m_Categories.push_back(category);
    }
    uint64_t offset = 0, length = 0;
    while (offset < datLength && offset < kNoRecord) {
        if (m_Textures.size() >= kMostTexturesFromDat) {
            m_RepairNotes.push_back("More records than any cache holds: the index stops after " +
                                    std::to_string(kMostTexturesFromDat) + " of them.");
            break;
        }
        if (!SoundRecordAt(row, offset, length)) {
            // A header without a raster is not a record: the data ends in junk here, and
            // reading on would make one "texture" of every 8 bytes of it.
            if (m_Textures.empty())
                ReportError(__LINE__, static_cast<uint32_t>(offset),
                            "fatal error: texture size = 0 on offset given", false);
            m_RepairNotes.push_back(std::to_string(datLength - offset) + " bytes at the end of " +
                                    Files::FileNameOf(FilePath(CacheFileKind::kDat, row)) +
                                    " are no record and belong to no texture.");
            break;
        }
        TextureRecord record;
        char name[32];
        std::snprintf(name, sizeof name, "_0x%08x", static_cast<unsigned>(offset));
        record.name = name;
        m_Textures.push_back(record);
        m_TocList[row].push_back(static_cast<uint32_t>(offset));
        const int index = TextureCount() - 1;
        EnsureRecordLoaded(index);
        TextureRecord& added = m_Textures.back();
        added.width = added.textureHeader[row].width;
        added.height = added.textureHeader[row].Height();
        offset += length;
    }
    RebuildTxt();
    WriteToc(row);
    // The other caches hold the same textures in the same order when they are sound; a
    // TOC written for the lost index would map them to the wrong textures.
    for (CacheId k : kAllCaches) {
        if (k == row || !m_pDat[k])
            continue;
        bool complete = false;
        std::vector<uint32_t> entries = WalkDat(k, complete);
        if (!complete) {
            entries.assign(m_Textures.size(), kNoRecord);
            m_RepairNotes.push_back(std::string("The ") + CacheName(k) +
                                    " cache does not hold the same records as the " +
                                    CacheName(row) + " cache: its textures are marked missing.");
        }
        WriteTocFile(k, entries);
    }
    return 1;
}
