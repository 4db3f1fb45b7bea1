// Lookups in the index model, and the problems it reports as data.
#include "cache/TextureIndex.h"

#include "app/Log.h"
#include "platform/Text.h"

#include <cstdio>

void CTextureIndex::ReportError(int sourceLine, uint32_t value, const std::string& message,
                                bool warningOnly) {
    char details[256];
    std::snprintf(details, sizeof details, "\n\n File: %s\n Line: %d\n Value: %u [0x%x]\n\n",
                  "TextureDatabase.cpp", sourceLine, value, value);
    const std::string text = "A fuckin' error occurred:\n\n" + message + details +
                             "Please check latest program version on it's homepage.";
    LogPrintA("ERROR: %s\n", message.c_str());
    // The cache only says what went wrong; whoever drives it decides how to show it.
    if (!warningOnly)
        throw CError(text);
    if (m_WarningSink)
        m_WarningSink(text);
    else
        m_Warnings.push_back(text);
}

void CTextureIndex::SetWarningSink(WarningSink sink) {
    m_WarningSink = std::move(sink);
    if (m_WarningSink)
        for (const std::string& text : TakeWarnings())
            m_WarningSink(text);
}

int CTextureIndex::FindTexture(const std::string& name, bool caseSensitive) const {
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

int CTextureIndex::FindTextureContaining(int start, const std::string& text) const {
    const std::string needle = Text::AsciiLower(text);
    for (int i = start < 0 ? 0 : start; i < TextureCount(); ++i)
        if (Text::AsciiLower(m_Textures[static_cast<size_t>(i)].name).find(needle) !=
            std::string::npos)
            return i;
    return -1;
}

int CTextureIndex::FindNextAlias(int start, int texture) const {
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

std::string CTextureIndex::GetTextureName(int texture) const {
    return IsValidTexture(texture) ? m_Textures[static_cast<size_t>(texture)].name : std::string();
}

std::string CTextureIndex::GetCategoryName(int category) const {
    if (category < 0 || category >= CategoryCount())
        return {};
    return m_Categories[static_cast<size_t>(category)].name;
}

bool CTextureIndex::IsAlias(int texture) const {
    return IsValidTexture(texture) && m_Textures[static_cast<size_t>(texture)].IsAlias();
}

bool CTextureIndex::IsValidTexture(int texture) const {
    return texture >= 0 && texture < TextureCount();
}

int CTextureIndex::GetTextureCamNorm(int texture) const {
    return IsValidTexture(texture) ? m_Textures[static_cast<size_t>(texture)].camnorm : -1;
}

int CTextureIndex::GetTextureHasBias(int texture) const {
    return IsValidTexture(texture) ? m_Textures[static_cast<size_t>(texture)].hasbias : -1;
}

int CTextureIndex::OrdinaryCount() const {
    int ordinary = 0;
    for (const TextureRecord& record : m_Textures)
        ordinary += !record.IsAlias();
    return ordinary;
}
