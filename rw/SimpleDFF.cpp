#include "rw/SimpleDFF.h"

#include "app/Log.h"
#include "platform/Text.h"
#include "rw/MaterialExtension.h"
#include "rw/SectionNames.h"
#include "rw/TextureDictionary.h"

#include <cstring>
#include <vector>

namespace RW {

namespace {
int I(uint32_t value) {
    return value < INT32_MAX ? static_cast<int>(value) : -1;
}
} // namespace

const uint8_t* CSimpleDFF::StructAt(std::initializer_list<int> path, uint32_t minimumSize) {
    CNode* node = GetNode(path);
    if (!node)
        Raise(m_szLastError.empty() ? "Wrong section ID." : m_szLastError);
    const uint8_t* data = node->GetData(m_hFile);
    if (!data || node->m_nSize < minimumSize || !node->m_ppSections.empty())
        Raise("The model's structure is damaged.");
    return data;
}

uint32_t CSimpleDFF::GetGeometryCount() {
    return ReadLE32(StructAt({2, 0}, 4));
}

uint32_t CSimpleDFF::GetMaterialCount(uint32_t nGeometry) {
    return ReadLE32(StructAt({2, I(nGeometry + 1), 1, 0}, 4));
}

uint32_t CSimpleDFF::GetMaterialTextureCount(uint32_t nGeometry, uint32_t nMaterial) {
    return ReadLE32(StructAt({2, I(nGeometry + 1), 1, I(nMaterial + 1), 0}, 16) + 12);
}

bool CSimpleDFF::TextureExists(uint32_t nGeometry, uint32_t nMaterial, uint32_t nTexture) {
    return NodeExists({2, I(nGeometry + 1), 1, I(nMaterial + 1), I(nTexture + 1)});
}

CNode* CSimpleDFF::StringNode(uint32_t nGeometry, uint32_t nMaterial, uint32_t nTexture,
                              uint32_t nString) {
    CNode* texture = GetNode({2, I(nGeometry + 1), 1, I(nMaterial + 1), I(nTexture + 1)});
    if (!texture)
        return nullptr;
    CNode* string = texture->Child(nString + 1);
    if (!string || !string->m_ppSections.empty()) {
        texture->NodeErrorBox("Node have no requested child!", 83);
        return nullptr;
    }
    return string;
}

std::string CSimpleDFF::GetTextureName(uint32_t nGeometry, uint32_t nMaterial, uint32_t nTexture,
                                       uint32_t nString) {
    CNode* string = StringNode(nGeometry, nMaterial, nTexture, nString);
    const uint8_t* data = string ? string->GetData(m_hFile) : nullptr;
    return data ? FieldName(data, string->m_nSize) : std::string();
}

int CSimpleDFF::SetTextureName(const std::string& szName, uint32_t nGeometry, uint32_t nMaterial,
                               uint32_t nTexture, uint32_t nString) {
    CNode* string = StringNode(nGeometry, nMaterial, nTexture, nString);
    if (!string)
        return 0;
    string->FreeCache();
    std::string narrow = Text::Utf8ToLatin1(szName);
    // The characters, a terminator, and zeros up to a multiple of 4.
    std::vector<uint8_t> body((narrow.size() + 1 + 3) & ~size_t(3), 0);
    std::memcpy(body.data(), narrow.data(), narrow.size());
    string->SetData(static_cast<int64_t>(body.size()), body.data());
    return 1;
}

std::vector<std::string> CSimpleDFF::GetMaterialExtensionTextureNames(uint32_t nGeometry,
                                                                     uint32_t nMaterial) {
    std::vector<std::string> names;
    uint32_t textures = GetMaterialTextureCount(nGeometry, nMaterial);
    std::initializer_list<int> path = {2, I(nGeometry + 1), 1, I(nMaterial + 1), I(textures + 1)};
    if (!NodeExists(path))
        return names;
    CNode* extension = GetNode(path);
    for (uint32_t i = 0; i < extension->ChildCount(); ++i) {
        CNode* plugin = extension->Child(i);
        if (!plugin->m_ppSections.empty())
            continue;
        if (plugin->m_nID != SECTION_MATERIAL_EFFECTS && plugin->m_nID != SECTION_SPECULAR_MATERIAL)
            continue;
        const uint8_t* data = plugin->GetData(m_hFile);
        if (!data)
            continue;
        if (plugin->m_nID == SECTION_MATERIAL_EFFECTS)
            for (std::string& name : MaterialEffectTextureNames(data, plugin->m_nSize))
                names.push_back(std::move(name));
        else
            names.push_back(SpecularTextureName(data, plugin->m_nSize));
    }
    // A slot or a specular map without a texture names nothing.
    std::erase(names, std::string());
    return names;
}

std::string CSimpleDFF::GetMaterialEffectTextureName(uint32_t nGeometry, uint32_t nMaterial) {
    uint32_t textures = GetMaterialTextureCount(nGeometry, nMaterial);
    std::initializer_list<int> path = {2, I(nGeometry + 1), 1, I(nMaterial + 1), I(textures + 1)};
    if (!NodeExists(path))
        return {};
    CNode* extension = GetNode(path);
    for (uint32_t i = 0; i < extension->ChildCount(); ++i) {
        CNode* plugin = extension->Child(i);
        if (plugin->m_nID != SECTION_MATERIAL_EFFECTS || !plugin->m_ppSections.empty())
            continue;
        const uint8_t* data = plugin->GetData(m_hFile);
        std::vector<std::string> names = MaterialEffectTextureNames(data, data ? plugin->m_nSize : 0);
        return names.empty() ? std::string() : names.front();
    }
    return {};
}

void CSimpleDFF::CollectTextureNames(const std::function<void(const std::string&)>& sink) {
    CNode* root = m_pRoot.get();
    if (!root)
        Raise("RW Stream is not opened.");
    // Counts are checked against the sections present before anything walks them: a
    // model that lies about them would otherwise be walked past its end.
    auto children = [&](std::initializer_list<int> path) -> uint32_t {
        if (!NodeExists(path))
            Raise("The model's structure is damaged.");
        CNode* node = root;
        for (int index : path)
            node = node->Child(static_cast<uint32_t>(index));
        return node->ChildCount();
    };
    uint32_t geometries = GetGeometryCount();
    if (geometries >= children({2}))
        Raise("The model lists more geometries than it holds.");
    for (uint32_t g = 0; g < geometries; ++g) {
        uint32_t materials = GetMaterialCount(g);
        if (materials >= children({2, I(g + 1), 1}))
            Raise("The model lists more materials than it holds.");
        for (uint32_t m = 0; m < materials; ++m) {
            uint32_t textures = GetMaterialTextureCount(g, m);
            if (textures >= children({2, I(g + 1), 1, I(m + 1)}))
                Raise("The model lists more textures than it holds.");
            for (uint32_t t = 0; t < textures; ++t)
                sink(GetTextureName(g, m, t, 0));
            for (const std::string& name : GetMaterialExtensionTextureNames(g, m))
                sink(name);
        }
    }
}

} // namespace RW
