// Rebuilding one cache of a texture cache from nothing, and turning duplicates into
// aliases. Both build their files beside the old ones inside one edit, so the old files
// stand until everything is written.
#include "cache/ByteOrder.h"
#include "cache/CacheEditor.h"

#include "app/Log.h"
#include "platform/Text.h"

#include <stdexcept>
#include <unordered_map>

namespace {

constexpr uint16_t kThumbGlFormat = 0x1401; // RGBA 8888
constexpr uint8_t kPlaceholderGrey = 0x88;

} // namespace

void CCacheEditor::BeginCacheRebuild(CacheId cache) {
    if (!InEdit())
        throw std::logic_error("a cache is rebuilt outside an edit");
    for (CacheFileKind kind : kDataFileKinds)
        InstallStaged(kind, cache, StageFile(kind, cache));
    // The head of a TOC is the DAT's length, written when the rebuild is finished.
    const uint8_t head[4] = {};
    m_pToc[cache]->Append(head, sizeof head);
    m_TocList[cache].clear();
}

void CCacheEditor::AppendMissingTexture(CacheId cache, RecordLayout layout) {
    AppendNoRecord(cache);
    const RasterHeader header{0, kThumbGlFormat, 1, 1};
    const uint8_t grey[4] = {kPlaceholderGrey, kPlaceholderGrey, kPlaceholderGrey,
                             kPlaceholderGrey};
    AppendRecord(cache, header, true, grey, layout, false, sizeof grey);
}

void CCacheEditor::FinishCacheRebuild(CacheId cache) {
    if (!m_PrimaryCache || Slot(cache) < Slot(*m_PrimaryCache))
        m_PrimaryCache = cache;
    FlushTocHeaders();
    LoadOffsets(cache, false);
    for (size_t t = 0; t < m_Textures.size(); ++t) {
        TextureRecord& record = m_Textures[t];
        if (record.IsAlias()) {
            // Found again by name on next use, with the new offsets.
            record.originalIndex = -1;
            std::fill(std::begin(record.datOffset), std::end(record.datOffset), -1);
            continue;
        }
        record.textureHeader[cache] = record.datOffset[cache] == -1
                                          ? RasterHeader{}
                                          : ReadRasterHeader(static_cast<int>(t), cache);
    }
    LoadOffsets(cache, true);
}

int CCacheEditor::MakeAliases(const std::vector<std::pair<int, int>>& duplicates) {
    if (duplicates.empty())
        return 1;
    const size_t count = m_Textures.size();
    std::vector<bool> doomed(count, false);
    for (const auto& [duplicate, original] : duplicates) {
        if (!IsValidTexture(duplicate) || !IsValidTexture(original) || IsAlias(duplicate) ||
            IsAlias(original) || duplicate == original || doomed[size_t(duplicate)])
            throw std::invalid_argument("a duplicate pair names an alias or a texture twice");
        doomed[size_t(duplicate)] = true;
    }
    for (const auto& pair : duplicates)
        if (doomed[size_t(pair.second)])
            throw std::invalid_argument("an original is itself a duplicate");

    // Aliases are found by the name they point at. A duplicate's own aliases follow it to
    // its original: left pointing at its name they would find the new alias of that name,
    // and an alias of an alias shows nothing.
    const std::vector<TextureRecord> before = m_Textures;
    std::unordered_map<std::string, std::vector<size_t>> byAffiliate;
    for (size_t t = 0; t < count; ++t)
        if (m_Textures[t].IsAlias())
            byAffiliate[m_Textures[t].affiliate].push_back(t);
    std::vector<TextureRecord> appended;
    constexpr size_t kAppended = size_t(1) << 62; // marks an alias made here
    for (const auto& [duplicate, original] : duplicates) {
        const std::string& name = m_Textures[size_t(duplicate)].name;
        const std::string& target = m_Textures[size_t(original)].name;
        LogPrintA("CTextureDatabase: Making alias \"%s\" for #%d...\n", name.c_str(), original);
        if (name != target) {
            if (auto found = byAffiliate.find(name); found != byAffiliate.end()) {
                std::vector<size_t> moved = std::move(found->second);
                byAffiliate.erase(found);
                for (size_t ref : moved)
                    (ref >= kAppended ? appended[ref - kAppended] : m_Textures[ref]).affiliate =
                        Text::Utf8Truncate(target, kMaxNameLength);
                auto& into = byAffiliate[target];
                into.insert(into.end(), moved.begin(), moved.end());
            }
        }
        TextureRecord alias;
        alias.name = Text::Utf8Truncate(name, kMaxNameLength);
        alias.affiliate = Text::Utf8Truncate(target, kMaxNameLength);
        appended.push_back(std::move(alias));
        byAffiliate[target].push_back(kAppended + appended.size() - 1);
    }

    CEditScope edit(*this);
    if (!RemoveTextures(doomed, true)) {
        m_Textures = before;
        return 0;
    }
    std::vector<uint8_t> none(4 * appended.size(), 0xFF);
    for (TextureRecord& alias : appended)
        m_Textures.push_back(std::move(alias));
    for (CacheId k : kAllCaches) {
        if (!m_pDat[k])
            continue;
        if (m_pToc[k])
            m_pToc[k]->Append(none.data(), none.size());
        m_TocList[k].insert(m_TocList[k].end(), duplicates.size(), kNoRecord);
    }
    RebuildTxt();
    return 1;
}
