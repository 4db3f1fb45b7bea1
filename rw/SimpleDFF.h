#pragma once
// The texture references of a RenderWare model: how many geometries, materials and
// textures it has, each texture's name and mask name, renaming a texture in place (the
// model can then be saved), and collecting every name the model uses.
#include "rw/Stream.h"

#include <functional>
#include <string>
#include <vector>

namespace RW {

class CDFFCommon : public CStream {};

class CSimpleDFF : public CDFFCommon {
public:
    virtual uint32_t GetGeometryCount();
    virtual uint32_t GetMaterialCount(uint32_t nGeometry);
    virtual uint32_t GetMaterialTextureCount(uint32_t nGeometry, uint32_t nMaterial);
    virtual bool TextureExists(uint32_t nGeometry, uint32_t nMaterial, uint32_t nTexture);
    // nString 0: the texture name, 1: the mask name. UTF-8.
    virtual std::string GetTextureName(uint32_t nGeometry, uint32_t nMaterial, uint32_t nTexture,
                                       uint32_t nString);
    virtual int SetTextureName(const std::string& szName, uint32_t nGeometry, uint32_t nMaterial,
                               uint32_t nTexture, uint32_t nString);

    // The first texture the material's effects name (its environment map, usually);
    // empty when it has none. The effects section is found by its id wherever it stands
    // in the material's Extension.
    std::string GetMaterialEffectTextureName(uint32_t nGeometry, uint32_t nMaterial);
    // Every texture the material's Extension names: those of its effects and its
    // specular map. Empty names are left out.
    std::vector<std::string> GetMaterialExtensionTextureNames(uint32_t nGeometry, uint32_t nMaterial);
    // Every texture name (not masks) of every material, then the textures its Extension
    // names (effects and specular map): a model uses all of them. A model whose counts
    // promise more sections than it has raises CException instead of walking past them.
    void CollectTextureNames(const std::function<void(const std::string&)>& sink);

private:
    // The Struct at a path and its first bytes; raises when it is missing or short.
    const uint8_t* StructAt(std::initializer_list<int> path, uint32_t minimumSize);
    CNode* StringNode(uint32_t nGeometry, uint32_t nMaterial, uint32_t nTexture, uint32_t nString);
};

} // namespace RW
