// Changing a cache: appending records, adding, renaming and re-keying textures,
// categories, and deleting textures with their records cut out of every file.
#include "cache/ByteOrder.h"
#include "cache/CacheEditor.h"
#include "cache/NameRules.h"

#include "app/Log.h"
#include "gta/BlockCompression.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "platform/Ticks.h"
#include "raster/RasterFormat.h"

#include <cstring>

int CCacheEditor::AppendRecord(CacheId cache, const RasterHeader& header, bool thumbnail,
                               const uint8_t* data, RecordLayout layout, bool pack,
                               uint32_t length) {
    CCacheFile* file = DataFile(cache, thumbnail);
    if (!file)
        return 0;
    std::vector<uint8_t> record(8);
    EncodeHeader(header, record.data());
    if (layout == RecordLayout::kSA) {
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
    // A TOC entry is 32 bits, and its all-ones value means "no record".
    if (static_cast<uint64_t>(file->Length()) + record.size() >= kNoRecord)
        throw CError("'" + Files::FileNameOf(file->Path()) +
                     "' would grow past 4 GB, more than its table of contents can address.");
    CEditScope edit(*this);
    const uint64_t offset = file->Append(record.data(), record.size());
    if (!thumbnail) {
        if (m_pToc[cache]) {
            uint8_t word[4];
            WriteLe32(word, static_cast<uint32_t>(offset));
            m_pToc[cache]->Append(word, 4);
        }
        m_TocList[cache].push_back(static_cast<uint32_t>(offset));
        FlushTocHeaders();
    }
    return 1;
}

int CCacheEditor::AddTexture(const std::string& name, int width, int height, int category,
                             int alphamode) {
    if (CheckTextureName(name) != NameProblem::kNone)
        return 0;
    CEditScope edit(*this);
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

int CCacheEditor::AddAlias(const std::string& name, const std::string& original) {
    if (CheckTextureName(name) != NameProblem::kNone)
        return 0;
    CEditScope edit(*this);
    PushAlias(Text::Utf8Truncate(name, kMaxNameLength),
              Text::Utf8Truncate(original, kMaxNameLength));
    RebuildTxt();
    return 1;
}

void CCacheEditor::PushAlias(const std::string& name, const std::string& original) {
    TextureRecord record;
    record.name = name;
    record.affiliate = original;
    m_Textures.push_back(std::move(record));
    for (CacheId k : kAllCaches) {
        if (!m_pDat[k])
            continue;
        if (m_pToc[k]) {
            uint8_t none[4];
            WriteLe32(none, kNoRecord);
            m_pToc[k]->Append(none, 4);
        }
        m_TocList[k].push_back(kNoRecord);
    }
}

int CCacheEditor::AppendNoRecord(CacheId cache) {
    if (!m_pDat[cache])
        return 0;
    CEditScope edit(*this);
    if (m_pToc[cache]) {
        uint8_t none[4];
        WriteLe32(none, kNoRecord);
        m_pToc[cache]->Append(none, 4);
    }
    m_TocList[cache].push_back(kNoRecord);
    return 1;
}

int CCacheEditor::RenameTexture(int texture, const std::string& newName) {
    if (!IsValidTexture(texture))
        return 0;
    // A name the index cannot hold is refused whole, before the duplicate test: cutting it
    // could turn it into another texture's name.
    const std::string& name = newName;
    if (CheckTextureName(name) != NameProblem::kNone || FindTexture(name, false) >= 0)
        return 0;
    CEditScope edit(*this);
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

int SetKey(CTextureIndex& db, TextureRecord* record, uint16_t TextureRecord::*field, int value,
           const char* format) {
    if (!record)
        return 0;
    db.SetLineKey(*record, static_cast<uint16_t>(value), format, record->*field);
    record->*field = static_cast<uint16_t>(value);
    return 1;
}

} // namespace

int CCacheEditor::SetCategory(int texture, int value) {
    CEditScope edit(*this);
    TextureRecord* record =
        IsValidTexture(texture) ? &m_Textures[static_cast<size_t>(texture)] : nullptr;
    if (!SetKey(*this, record, &TextureRecord::cat, value, " cat=%d"))
        return 0;
    RebuildTxt();
    return 1;
}

int CCacheEditor::SetHasDetail(int texture, int value) {
    TextureRecord* record =
        IsValidTexture(texture) ? &m_Textures[static_cast<size_t>(texture)] : nullptr;
    return SetKey(*this, record, &TextureRecord::hasdetail, value, " hasdetail=%d");
}

int CCacheEditor::SetCamNorm(int texture, int value) {
    TextureRecord* record =
        IsValidTexture(texture) ? &m_Textures[static_cast<size_t>(texture)] : nullptr;
    return SetKey(*this, record, &TextureRecord::camnorm, value, " camnorm=%d");
}

int CCacheEditor::SetHasBias(int texture, int value) {
    TextureRecord* record =
        IsValidTexture(texture) ? &m_Textures[static_cast<size_t>(texture)] : nullptr;
    return SetKey(*this, record, &TextureRecord::hasbias, value, " hasbias=%d");
}

int CCacheEditor::AddCategory(const std::string& name) {
    // A category line holds its name as one word; a second word would be read as an item.
    if (CheckCategoryName(name) != NameProblem::kNone)
        return 0;
    CEditScope edit(*this);
    CategoryRecord category;
    category.id = CategoryCount();
    category.name = name;
    m_Categories.push_back(category);
    RebuildTxt();
    return 1;
}

int CCacheEditor::RenameCategory(int category, const std::string& name) {
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
    CEditScope edit(*this);
    record.name = name;
    RebuildTxt();
    return 1;
}

int CCacheEditor::DeleteCategory(int category) {
    if (category < 0 || category >= CategoryCount())
        return 0;
    CEditScope edit(*this);
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

int CCacheEditor::CountSiblings(int texture) {
    LogPrintA("CTextureDatabase: Requesting texture #%d siblings count...\n", texture);
    if (!IsValidTexture(texture))
        return 0;
    const std::string& name = m_Textures[static_cast<size_t>(texture)].name;
    int count = 0;
    for (const TextureRecord& record : m_Textures)
        count += record.IsAlias() && record.affiliate == name;
    return count;
}

int CCacheEditor::DeleteSiblings(int texture) {
    if (!IsValidTexture(texture))
        return 0;
    std::vector<bool> doomed(m_Textures.size(), false);
    for (int a = 0; (a = FindNextAlias(a, texture)) >= 0; ++a)
        doomed[static_cast<size_t>(a)] = true;
    return RemoveTextures(doomed, true);
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

int CCacheEditor::DeleteTexture(int texture, int newOriginal, bool shrink) {
    if (!IsValidTexture(texture))
        return 0;
    LogPrintA("CTextureDatabase: Goodbye, texture #%d [%s]...\n", texture,
              m_Textures[static_cast<size_t>(texture)].name.c_str());
    // Without a new original its aliases go with it; with one they stay and find the
    // texture that takes its name by that name.
    std::vector<bool> doomed(m_Textures.size(), false);
    doomed[static_cast<size_t>(texture)] = true;
    if (newOriginal == -1)
        for (int a = 0; (a = FindNextAlias(a, texture)) >= 0; ++a)
            doomed[static_cast<size_t>(a)] = true;
    return RemoveTextures(doomed, shrink);
}
