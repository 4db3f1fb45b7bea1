#include "pipeline/ModelTextures.h"

#include "app/Log.h"
#include "cache/TextureDatabase.h"
#include "rw/SectionNames.h"

#include <set>

void CModelTextures::Open(const std::string& path) {
    m_Kind = Kind::kNone;
    m_Names.clear();
    m_Dictionary.CloseTXD();
    m_pModel = std::make_unique<RW::CSimpleDFF>();
    m_pModel->Open(path, 0, 0, 0);
    const uint32_t root = m_pModel->Root()->m_nID;
    if (root == RW::SECTION_TEXTURE_DICTIONARY) {
        // Read again as a dictionary, of whichever platform it was made for.
        m_pModel.reset();
        m_Dictionary.OpenTXD(path);
        m_Kind = Kind::kDictionary;
    } else if (root == RW::SECTION_CLUMP) {
        m_Kind = Kind::kModel;
    }
    CollectNames();
}

RW::CStream* CModelTextures::Stream() {
    if (m_pModel)
        return m_pModel.get();
    return m_Dictionary.TXD() ? &m_Dictionary.TXD()->Stream() : nullptr;
}

void CModelTextures::CollectNames() {
    m_Names.clear();
    std::set<std::string> seen;
    const auto add = [&](const std::string& name) {
        if (!name.empty() && seen.insert(name).second)
            m_Names.push_back(name);
    };
    if (m_Kind == Kind::kModel) {
        m_pModel->CollectTextureNames(add);
    } else if (m_Kind == Kind::kDictionary) {
        RW::ITXD* txd = m_Dictionary.TXD();
        for (uint32_t i = 0; i < txd->GetTextureCount(); ++i)
            add(txd->GetTextureName(i, false));
    }
}

int CModelTextures::Rename(const std::string& oldName, const std::string& newName) {
    if (m_Kind != Kind::kModel || newName.empty() || oldName == newName)
        return 0;
    RW::CSimpleDFF& dff = *m_pModel;
    // Walking the names first checks the counts against the sections that are there.
    CollectNames();
    int renamed = 0;
    const uint32_t geometries = dff.GetGeometryCount();
    LogPrintA("CDlgDFFCheck:  - Geometry count: %d\n", static_cast<int>(geometries));
    for (uint32_t g = 0; g < geometries; ++g) {
        const uint32_t materials = dff.GetMaterialCount(g);
        LogPrintA("CDlgDFFCheck:    - Geometry %d material count: %d\n", static_cast<int>(g),
                  static_cast<int>(materials));
        for (uint32_t m = 0; m < materials; ++m) {
            const uint32_t textures = dff.GetMaterialTextureCount(g, m);
            LogPrintA("CDlgDFFCheck:    - Geometry %d material %d texture count: %d\n",
                      static_cast<int>(g), static_cast<int>(m), static_cast<int>(textures));
            for (uint32_t t = 0; t < textures; ++t) {
                if (dff.GetTextureName(g, m, t, 0) != oldName)
                    continue;
                LogPrintA("CDlgDFFCheck:    - Renaming texture (geometry %d material %d texture "
                          "%d)...\n",
                          static_cast<int>(g), static_cast<int>(m), static_cast<int>(t));
                renamed += dff.SetTextureName(newName, g, m, t, 0);
            }
        }
    }
    CollectNames();
    return renamed;
}

std::string CModelTextures::PlainText() {
    if (m_Kind != Kind::kModel)
        return std::string();
    RW::CSimpleDFF& dff = *m_pModel;
    CollectNames();
    std::string text;
    if (dff.GetGeometryCount() == 0)
        return text;
    for (uint32_t m = 0; m < dff.GetMaterialCount(0); ++m)
        if (dff.GetMaterialTextureCount(0, m) > 0)
            text += dff.GetTextureName(0, m, 0, 0) + "\n";
    return text;
}

void CModelTextures::Save(const std::string& path) {
    if (m_Kind != Kind::kModel)
        throw RW::CException("Only a model can be saved.", nullptr, nullptr);
    LogPrintA("CDlgDFFCheck: trying to save model...\n");
    if (!m_pModel->Save(path))
        throw RW::CException("Unknown save error", nullptr, nullptr);
}

NameInCache FindNameInCache(const CTextureDatabase* db, const std::string& name) {
    if (!db)
        return {};
    const int texture = db->FindTexture(name, true);
    return {texture >= 0 ? NameInCache::kFound : NameInCache::kNotFound, texture};
}
