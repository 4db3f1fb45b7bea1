#pragma once
// The texture references of a RenderWare model: how many geometries, materials and
// textures it has, each texture's name and mask name, renaming a texture in place (the
// model can then be saved), and collecting every name the model uses.
#include "rw/Stream.h"

#include <functional>
#include <string>

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

    // The name an environment-map material effect carries at byte 60 of the material
    // Extension's first section; empty when the Extension is empty.
    std::string GetMaterialEffectTextureName(uint32_t nGeometry, uint32_t nMaterial);
    // Every texture name (not masks) of every material, then the material's effect
    // texture name when its Extension is large enough to hold one. A model whose counts
    // promise more sections than it has raises CException instead of walking past them.
    void CollectTextureNames(const std::function<void(const std::string&)>& sink);

private:
    // The Struct at a path and its first bytes; raises when it is missing or short.
    const uint8_t* StructAt(std::initializer_list<int> path, uint32_t minimumSize);
    CNode* StringNode(uint32_t nGeometry, uint32_t nMaterial, uint32_t nTexture, uint32_t nString);
};

} // namespace RW
