// Changing a cache: appending records, adding, renaming and re-keying textures,
// categories, and deleting textures with their records cut out of every file.
#include "cache/ByteOrder.h"
#include "cache/NameRules.h"
#include "cache/TextureDatabase.h"

#include "app/Log.h"
#include "gta/BlockCompression.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "platform/Ticks.h"
#include "raster/RasterFormat.h"

#include <cstring>

int CTextureDatabase::AppendRecord(int cache, const RasterHeader& header, bool thumbnail,
                                   const uint8_t* data, int layout, bool pack, uint32_t length) {
    if (!Valid(cache))
        return 0;
    FILE* file = DataFile(cache, thumbnail);
    if (!file || fseeko(file, 0, SEEK_END) != 0)
        return 0;
    const int64_t offset = ftello(file);
    std::vector<uint8_t> record(8);
    EncodeHeader(header, record.data());
    if (layout == 2) {
        std::vector<uint8_t> packed;
        uint32_t packedLength = 0;
        if (pack && length > 0) {
            packed.resize(length);
            packedLength = GTA::PackData(data, packed.data(), length, length,
                                         GTA::BlockSize(FormatFromGlCode(header.glFormat)));
        }
        uint8_t word[4];
        if (packedLength > 0) {
            WriteLe32(word, packedLength);
            record.insert(record.end(), word, word + 4);
            record.insert(record.end(), packed.begin(), packed.begin() + packedLength);
        } else {
            WriteLe32(word, length + 4);
            record.insert(record.end(), word, word + 4);
            record.insert(record.end(), 4, 0);
            record.insert(record.end(), data, data + length);
        }
    } else {
        record.insert(record.end(), data, data + length);
    }
    if (fwrite(record.data(), 1, record.size(), file) != record.size())
        return 0;
    fflush(file);
    if (!thumbnail) {
        if (m_pToc[cache] && fseeko(m_pToc[cache], 0, SEEK_END) == 0) {
            uint8_t word[4];
            WriteLe32(word, static_cast<uint32_t>(offset));
            fwrite(word, 1, 4, m_pToc[cache]);
        }
        m_TocList[cache].push_back(static_cast<uint32_t>(offset));
        FlushTocHeaders();
    }
    return 1;
}

int CTextureDatabase::AddTexture(const std::string& name, int width, int height, int category,
                                 int alphamode) {
    if (CheckTextureName(name) != NameProblem::kNone)
        return 0;
    TextureRecord record;
    record.name = name;
    record.width = static_cast<uint16_t>(width);
    record.height = static_cast<uint16_t>(height);
    record.cat = static_cast<uint16_t>(category);
    record.alphamode = static_cast<uint16_t>(alphamode);
    record.camnorm = alphamode != 0 ? 1 : 0;
    m_Textures.push_back(std::move(record));
    RebuildTxt();
    ReloadThumbOffsets();
    return 1;
}

int CTextureDatabase::AddAlias(const std::string& name, const std::string& original) {
    if (CheckTextureName(name) != NameProblem::kNone)
        return 0;
    TextureRecord record;
    record.name = Text::Utf8Truncate(name, kMaxNameLength);
    record.affiliate = Text::Utf8Truncate(original, kMaxNameLength);
    m_Textures.push_back(std::move(record));
    for (int k = 0; k < kCacheCount; ++k) {
        if (!m_pDat[k])
            continue;
        if (m_pToc[k] && fseeko(m_pToc[k], 0, SEEK_END) == 0) {
            const uint8_t none[4] = {0xFF, 0xFF, 0xFF, 0xFF};
            fwrite(none, 1, 4, m_pToc[k]);
            fflush(m_pToc[k]);
        }
        m_TocList[k].push_back(0xFFFFFFFFu);
    }
    RebuildTxt();
    return 1;
}

int CTextureDatabase::RenameTexture(int texture, const std::string& newName) {
    if (!IsValidTexture(texture))
        return 0;
    // A name the index cannot hold is refused whole, before the duplicate test: cutting it
    // could turn it into another texture's name.
    const std::string& name = newName;
    if (CheckTextureName(name) != NameProblem::kNone || FindTexture(name, false) >= 0)
        return 0;
    const std::string oldName = m_Textures[static_cast<size_t>(texture)].name;
    for (size_t i = 0; i < m_Textures.size(); ++i) {
        TextureRecord& alias = m_Textures[i];
        if (!alias.IsAlias() || alias.affiliate != oldName)
            continue;
        LogPrintA("CTextureDatabase: Changing affiliate for #%d '%s' from '%s' to '%s'...\n",
                  static_cast<int>(i), alias.name.c_str(), oldName.c_str(), name.c_str());
        alias.affiliate = name;
    }
    SetLineName(m_Textures[static_cast<size_t>(texture)], name);
    LogPrintA("CTextureDatabase: Changing texture #%d name from '%s' to '%s'...\n", texture,
              oldName.c_str(), name.c_str());
    RebuildTxt();
    return 1;
}

namespace {

int SetKey(CTextureDatabase& db, TextureRecord* record, uint16_t TextureRecord::*field, int value,
           const char* format) {
    if (!record)
        return 0;
    db.SetLineKey(*record, static_cast<uint16_t>(value), format, record->*field);
    record->*field = static_cast<uint16_t>(value);
    return 1;
}

} // namespace

int CTextureDatabase::SetCategory(int texture, int value) {
    TextureRecord* record =
        IsValidTexture(texture) ? &m_Textures[static_cast<size_t>(texture)] : nullptr;
    if (!SetKey(*this, record, &TextureRecord::cat, value, " cat=%d"))
        return 0;
    RebuildTxt();
    return 1;
}

int CTextureDatabase::SetHasDetail(int texture, int value) {
    TextureRecord* record =
        IsValidTexture(texture) ? &m_Textures[static_cast<size_t>(texture)] : nullptr;
    return SetKey(*this, record, &TextureRecord::hasdetail, value, " hasdetail=%d");
}

int CTextureDatabase::SetCamNorm(int texture, int value) {
    TextureRecord* record =
        IsValidTexture(texture) ? &m_Textures[static_cast<size_t>(texture)] : nullptr;
    return SetKey(*this, record, &TextureRecord::camnorm, value, " camnorm=%d");
}

int CTextureDatabase::SetHasBias(int texture, int value) {
    TextureRecord* record =
        IsValidTexture(texture) ? &m_Textures[static_cast<size_t>(texture)] : nullptr;
    return SetKey(*this, record, &TextureRecord::hasbias, value, " hasbias=%d");
}

int CTextureDatabase::AddCategory(const std::string& name) {
    // A category line holds its name as one word; a second word would be read as an item.
    if (CheckCategoryName(name) != NameProblem::kNone)
        return 0;
    CategoryRecord category;
    category.id = CategoryCount();
    category.name = name;
    m_Categories.push_back(category);
    RebuildTxt();
    return 1;
}

int CTextureDatabase::RenameCategory(int category, const std::string& name) {
    if (category < 0 || category >= CategoryCount())
        return 0;
    CategoryRecord& record = m_Categories[static_cast<size_t>(category)];
    if (name == record.name)
        return 1;
    const NameProblem problem = CheckCategoryName(name);
    if (problem == NameProblem::kEmpty) {
        ReportError(__LINE__, 0, "Empty category name given", true);
        return 0;
    }
    if (problem != NameProblem::kNone)
        return 0;
    record.name = name;
    RebuildTxt();
    return 1;
}

int CTextureDatabase::DeleteCategory(int category) {
    if (category < 0 || category >= CategoryCount())
        return 0;
    for (TextureRecord& record : m_Textures) {
        if (record.cat > category) {
            SetLineKey(record, record.cat - 1u, " cat=%d", record.cat);
            record.cat = static_cast<uint16_t>(record.cat - 1);
        } else if (record.cat == category) {
            SetLineKey(record, 0, " cat=%d", record.cat);
            record.cat = 0;
        }
    }
    m_Categories.erase(m_Categories.begin() + category);
    for (size_t i = 0; i < m_Categories.size(); ++i)
        m_Categories[i].id = static_cast<int32_t>(i);
    RebuildTxt();
    return 1;
}

int CTextureDatabase::CountSiblings(int texture) {
    LogPrintA("CTextureDatabase: Requesting texture #%d siblings count...\n", texture);
    if (!IsValidTexture(texture))
        return 0;
    const std::string& name = m_Textures[static_cast<size_t>(texture)].name;
    int count = 0;
    for (const TextureRecord& record : m_Textures)
        count += record.IsAlias() && record.affiliate == name;
    return count;
}

int CTextureDatabase::DeleteSiblings(int texture) {
    return DeleteSiblingsOf(texture);
}

int CTextureDatabase::DeleteSiblingsOf(int& texture) {
    if (!IsValidTexture(texture))
        return 0;
    int result = 1;
    for (int alias; (alias = FindNextAlias(0, texture)) >= 0;) {
        if (!DeleteTexture(alias, 0, true)) {
            result = 0;
            break; // the same alias would be found again
        }
        if (alias < texture)
            --texture;
    }
    return result;
}

uint32_t CTextureDatabase::StoredLength(int texture, int cache, bool follow) {
    if (!IsDatOpen(cache))
        return 0;
    if (!IsValidTexture(texture))
        ReportError(__LINE__, static_cast<uint32_t>(texture),
                    "Requested texture [value] does not exists", false);
    EnsureRecordLoaded(texture);
    TextureRecord* record = &m_Textures[static_cast<size_t>(texture)];
    ResolveAlias(*record);
    if (record->IsAlias()) {
        if (!follow || !IsValidTexture(record->originalIndex))
            return 0;
        texture = record->originalIndex;
    }
    const int64_t datLength = FileLength(0, cache);
    int64_t end = datLength;
    for (int next = texture + 1; next < TextureCount(); ++next) {
        if (m_Textures[static_cast<size_t>(next)].IsAlias())
            continue;
        end = GetTocOffset(cache, next);
        break;
    }
    const uint32_t length = static_cast<uint32_t>(end - GetTocOffset(cache, texture));
    if (length > 0xF0000000u)
        ReportError(__LINE__, length, "Wrong texture size given [value].", true);
    return length;
}

namespace {

// Moves everything behind [start, start + count) down over it, in chunks; the length of
// the file stays. Returns false when a read or write fails.
bool MoveTailDown(FILE* file, int64_t start, int64_t count, int64_t length, size_t chunk) {
    std::vector<uint8_t> buffer(chunk, 0);
    int64_t readAt = start + count, writeAt = start;
    while (readAt < length) {
        const size_t want = static_cast<size_t>(std::min<int64_t>(chunk, length - readAt));
        if (fseeko(file, readAt, SEEK_SET) != 0)
            return false;
        const size_t got = fread(buffer.data(), 1, want, file);
        if (got == 0)
            return false;
        if (fseeko(file, writeAt, SEEK_SET) != 0 || fwrite(buffer.data(), 1, got, file) != got)
            return false;
        readAt += static_cast<int64_t>(got);
        writeAt += static_cast<int64_t>(got);
    }
    return fflush(file) == 0;
}

} // namespace

int fdelete_part(FILE* file, int64_t start, int64_t count) {
    const uint32_t ticks = GetTickCount();
    const int64_t length = Files::FileSize(file);
    bool ok = true;
    if (start >= 0 && count > 0 && start + count < length)
        ok = MoveTailDown(file, start, count, length, 8192);
    LogPrintA("fdelete_part: shit took %0.4f sec for removing %d from %d.\n",
              (GetTickCount() - ticks) / 1000.0, static_cast<int>(count), static_cast<int>(length));
    return ok ? 1 : 0;
}

std::string FormatFileSize(uint64_t n) {
    char text[64];
    if (n < 1024)
        std::snprintf(text, sizeof text, "%0.0f b", static_cast<double>(n));
    else if (n < 1048576)
        std::snprintf(text, sizeof text, "%0.2f KB", n / 1024.0);
    else if (n < 1073741824)
        std::snprintf(text, sizeof text, "%0.2f MB", n / 1048576.0);
    else
        std::snprintf(text, sizeof text, "%0.2f GB", n / 1073741824.0);
    return text;
}

void CTextureDatabase::RemoveThumb(int texture, bool shrink) {
    const TextureRecord& record = m_Textures[static_cast<size_t>(texture)];
    for (int k = 0; k < kCacheCount; ++k) {
        if (!m_pTmb[k])
            continue;
        const RasterHeader& h = record.thumbHeader[k];
        const uint64_t size =
            RasterDataSize(h.width, h.Height(), FormatFromGlCode(h.glFormat), h.HasMips());
        const int layout = DetectLayout(texture, k, true);
        const int32_t offset = record.tmbOffset[k];
        if (!record.IsAlias() && offset != -1) {
            const int64_t length = FileLength(2, k);
            const int64_t recordLength = static_cast<int64_t>(size) + (layout == 2 ? 16 : 8);
            fdelete_part(m_pTmb[k], offset, recordLength);
            if (shrink) {
                const int64_t newLength = std::max<int64_t>(length - recordLength, offset);
                LogPrintA("CTextureDatabase: New TMB file length is %d bytes.\n",
                          static_cast<int>(newLength));
                if (!Files::TruncateFile(m_pTmb[k], newLength))
                    ReportError(__LINE__, 1, "Unable to reduce TMB size", false);
            }
            for (TextureRecord& other : m_Textures)
                if (other.tmbOffset[k] != -1 && other.tmbOffset[k] > offset)
                    other.tmbOffset[k] -= static_cast<int32_t>(recordLength);
        }
        fflush(m_pTmb[k]);
    }
}

int CTextureDatabase::DeleteTexture(int texture, int newOriginal, bool shrink) {
    if (!IsValidTexture(texture))
        return 0;
    LogPrintA("CTextureDatabase: Goodbye, texture #%d [%s]...\n", texture,
              m_Textures[static_cast<size_t>(texture)].name.c_str());
    if (newOriginal == -1 && !DeleteSiblingsOf(texture)) {
        ReportError(__LINE__, static_cast<uint32_t>(texture),
                    "Not all siblings was safely removed.", true);
        return 0;
    }
    EnsureRecordLoaded(texture);
    ResolveAlias(m_Textures[static_cast<size_t>(texture)]);
    const bool alias = m_Textures[static_cast<size_t>(texture)].IsAlias();

    // A record that is not where the texture order puts it would be cut wrongly and take
    // its neighbours' bytes with it: such a deletion is refused before anything changes.
    if (!alias) {
        for (int k = 0; k < kCacheCount; ++k) {
            if (!m_pDat[k])
                continue;
            const int64_t offset = GetTocOffset(k, texture);
            const int64_t length = StoredLength(texture, k, true);
            if (offset < 0 || length > 0xF0000000u || offset + length > FileLength(0, k))
                return 0;
        }
    }

    RemoveThumb(texture, shrink);

    for (int k = 0; k < kCacheCount; ++k) {
        if (!m_pDat[k])
            continue;
        const uint32_t length = StoredLength(texture, k, true);
        const int32_t offset = GetTocOffset(k, texture);
        if (!alias) {
            const int64_t datLength = FileLength(0, k);
            fdelete_part(m_pDat[k], offset, length);
            if (shrink) {
                LogPrintA("CTextureDatabase: New DAT file length is %d bytes.\n",
                          static_cast<int>(datLength - length));
                if (!Files::TruncateFile(m_pDat[k], datLength - length))
                    ReportError(__LINE__, 1, "Unable to reduce DAT size", false);
            }
            std::vector<uint32_t>& list = m_TocList[k];
            for (size_t i = 0; i < list.size(); ++i) {
                if (list[i] == 0xFFFFFFFFu || list[i] <= static_cast<uint32_t>(offset))
                    continue;
                list[i] -= length;
                if (i < m_Textures.size())
                    m_Textures[i].datOffset[k] = static_cast<int32_t>(list[i]);
            }
        }
        if (static_cast<size_t>(texture) < m_TocList[k].size())
            m_TocList[k].erase(m_TocList[k].begin() + texture);
        fflush(m_pDat[k]);
    }

    for (int a = 0; a < TextureCount(); ++a) {
        TextureRecord& other = m_Textures[static_cast<size_t>(a)];
        if (!other.IsAlias() || a == texture)
            continue;
        if (GetOriginalIndex(a) == texture) {
            other.originalIndex = newOriginal;
            std::fill(std::begin(other.datOffset), std::end(other.datOffset), -1);
            if (newOriginal == -1)
                ReportError(__LINE__, static_cast<uint32_t>(a),
                            "Damn! This texture should be already deleted, but it's still alive.",
                            false);
        } else if (other.originalIndex > texture) {
            --other.originalIndex;
            std::fill(std::begin(other.datOffset), std::end(other.datOffset), -1);
        }
        LogPrintA("CTextureDatabase: texture #%d new affiliate is #%d\n", a, other.originalIndex);
    }

    m_Textures.erase(m_Textures.begin() + texture);
    for (int k = 0; k < kCacheCount; ++k)
        if (m_pDat[k])
            WriteToc(k);
    RebuildTxt();
    FlushTocHeaders();
    return 1;
}
