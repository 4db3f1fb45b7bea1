#include "cache/TextureDatabase.h"

#include "app/Log.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"

#include <cstdio>

CTextureDatabase::CTextureDatabase(const std::string& path, int game) {
    LogPrint(L"CTextureDatabase: __________FUCK__________\n");
    LogPrint(L"CTextureDatabase: Initialization...\n");
    InitState(game);
    m_strPath = path;
    Open(path);
}

CTextureDatabase::CTextureDatabase(int game) {
    LogPrint(L"CTextureDatabase: Initialization...\n");
    InitState(game);
}

CTextureDatabase::~CTextureDatabase() {
    LogPrint(L"CTextureDatabase: Destroying object...\n");
    // An edit still open here was left by an exception that never reached its scope.
    AbortEdit();
    CloseDataFiles();
}

void CTextureDatabase::InitState(int game) {
    CloseDataFiles();
    m_nPrimaryCache = -1;
    m_nGame = game;
}

void CTextureDatabase::ReportError(int sourceLine, uint32_t value, const std::string& message,
                                   bool warningOnly) {
    char details[256];
    std::snprintf(details, sizeof details, "\n\n File: %s\n Line: %d\n Value: %u [0x%x]\n\n",
                  "TextureDatabase.cpp", sourceLine, value, value);
    const std::string text = "A fuckin' error occurred:\n\n" + message + details +
                             "Please check latest program version on it's homepage.";
    LogPrintA("ERROR: %s\n", message.c_str());
    AfxMessageBox(text, MB_OK | (warningOnly ? MB_ICONEXCLAMATION : MB_ICONHAND));
    if (!warningOnly)
        throw CError(text);
}

int CTextureDatabase::ResolveAlias(TextureRecord& record) {
    if (!record.IsAlias())
        return 1;
    // Resolved already: the alias carries its original's offsets. Without any DAT open
    // there are no offsets to tell by, and the original's index says it instead.
    if (m_nPrimaryCache >= 0 ? record.datOffset[m_nPrimaryCache] != -1 : record.originalIndex != -1)
        return 1;
    const int original = FindTexture(record.affiliate, true);
    // An alias of an alias (or of itself) has no data to stand for: resolving it would
    // chase names in a circle.
    if (original < 0 || m_Textures[static_cast<size_t>(original)].IsAlias()) {
        LogPrint(L"CTextureDatabase: Texture affiliate was not found!\n");
        return 0;
    }
    EnsureRecordLoaded(original);
    const TextureRecord& source = m_Textures[static_cast<size_t>(original)];
    for (int k = 0; k < kCacheCount; ++k) {
        record.datOffset[k] = source.datOffset[k];
        record.tmbOffset[k] = source.tmbOffset[k];
        record.textureHeader[k] = source.textureHeader[k];
        record.thumbHeader[k] = source.thumbHeader[k];
    }
    record.width = source.width;
    record.height = source.height;
    record.cat = source.cat;
    record.alphamode = source.alphamode;
    record.format = source.format;
    record.hasdetail = source.hasdetail;
    record.originalIndex = original;
    return 1;
}

int CTextureDatabase::FindTexture(const std::string& name, bool caseSensitive) const {
    if (caseSensitive) {
        for (size_t i = 0; i < m_Textures.size(); ++i)
            if (m_Textures[i].name == name)
                return static_cast<int>(i);
        return -1;
    }
    for (size_t i = 0; i < m_Textures.size(); ++i)
        if (Text::EqualsNoCase(m_Textures[i].name, name))
            return static_cast<int>(i);
    return -1;
}

int CTextureDatabase::FindTextureContaining(int start, const std::string& text) const {
    const std::string needle = Text::AsciiLower(text);
    for (int i = start < 0 ? 0 : start; i < TextureCount(); ++i)
        if (Text::AsciiLower(m_Textures[static_cast<size_t>(i)].name).find(needle) !=
            std::string::npos)
            return i;
    return -1;
}

int CTextureDatabase::FindNextAlias(int start, int texture) const {
    if (!IsValidTexture(texture))
        return -1;
    // Only aliases: a texture with an empty name must not count every ordinary texture
    // (whose affiliate is empty) as its sibling.
    const std::string& name = m_Textures[static_cast<size_t>(texture)].name;
    for (int i = start < 0 ? 0 : start; i < TextureCount(); ++i) {
        const TextureRecord& record = m_Textures[static_cast<size_t>(i)];
        if (record.IsAlias() && record.affiliate == name)
            return i;
    }
    return -1;
}

std::string CTextureDatabase::GetTextureName(int texture) const {
    return IsValidTexture(texture) ? m_Textures[static_cast<size_t>(texture)].name : std::string();
}

std::string CTextureDatabase::GetCategoryName(int category) const {
    if (category < 0 || category >= CategoryCount())
        return {};
    return m_Categories[static_cast<size_t>(category)].name;
}

bool CTextureDatabase::IsAlias(int texture) const {
    return IsValidTexture(texture) && m_Textures[static_cast<size_t>(texture)].IsAlias();
}

bool CTextureDatabase::IsValidTexture(int texture) const {
    return texture >= 0 && texture < TextureCount();
}

TextureRecord* CTextureDatabase::ResolvedRecord(int texture) {
    if (!IsValidTexture(texture))
        return nullptr;
    TextureRecord& record = m_Textures[static_cast<size_t>(texture)];
    ResolveAlias(record);
    return &record;
}

int CTextureDatabase::GetOriginalIndex(int texture) {
    const TextureRecord* record = ResolvedRecord(texture);
    return record ? record->originalIndex : -1;
}

int CTextureDatabase::GetTextureCategory(int texture) {
    const TextureRecord* record = ResolvedRecord(texture);
    return record ? record->cat : -1;
}

int CTextureDatabase::GetTextureHasDetail(int texture) {
    const TextureRecord* record = ResolvedRecord(texture);
    return record ? record->hasdetail : -1;
}

int CTextureDatabase::GetTextureCamNorm(int texture) const {
    return IsValidTexture(texture) ? m_Textures[static_cast<size_t>(texture)].camnorm : -1;
}

int CTextureDatabase::GetTextureHasBias(int texture) const {
    return IsValidTexture(texture) ? m_Textures[static_cast<size_t>(texture)].hasbias : -1;
}

TextureRecord* CTextureDatabase::GetTexture(int texture) {
    if (!IsValidTexture(texture))
        return nullptr;
    EnsureRecordLoaded(texture);
    TextureRecord& record = m_Textures[static_cast<size_t>(texture)];
    ResolveAlias(record);
    return &record;
}
