#include "app/Log.h"
#include "platform/Text.h"
#include "rw/SectionNames.h"
#include "rw/TextureDictionary.h"

#include <cstring>

namespace RW {

uint32_t ReadLE32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t ReadLE16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

std::string FieldName(const uint8_t* field, size_t fieldSize) {
    const char* text = reinterpret_cast<const char*>(field);
    return Text::Latin1ToUtf8(std::string_view(text, strnlen(text, fieldSize)));
}

CNode* CTXDCommon::NativeChild(uint32_t dwID, uint32_t child) {
    if (dwID >= GetTextureCount() || dwID >= INT32_MAX ||
        !NodeExists({static_cast<int>(dwID) + 1, static_cast<int>(child)}))
        Raise("Texture not exists.");
    CNode* native = m_pRoot->Child(dwID + 1);
    if (native->m_nID != SECTION_TEXTURE_NATIVE)
        Raise("Texture not exists.");
    return native->Child(child);
}

const uint8_t* CTXDCommon::NativeData(uint32_t dwID, uint32_t child, size_t& size) {
    CNode* node = NativeChild(dwID, child);
    if (!node->m_ppSections.empty())
        Raise("Texture not exists.");
    const uint8_t* data = node->GetData(m_hFile);
    if (!data)
        Raise("Section data reading failed.");
    size = node->m_nSize;
    return data;
}

void CTXDCommon::OpenDictionary(const std::string& szFileName, uint64_t nOffset, uint32_t nRootID,
                                uint32_t dwFlags) {
    CStream::Open(szFileName, nOffset, nRootID, dwFlags);
    // Anything else (a model, say) has no textures to offer, however its header reads.
    if (!m_pRoot || m_pRoot->m_nID != SECTION_TEXTURE_DICTIONARY)
        Raise("This is not a valid RW texture dictionary.");
}

bool CTXDCommon::IsTexturePlatform(uint32_t nPlatform, uint32_t dwID) {
    uint32_t count = GetTextureCount();
    if (count == 0)
        return true;
    if (dwID >= count)
        Raise("Unknown texture ID");
    size_t size = 0;
    const uint8_t* data = NativeData(dwID, 0, size);
    if (nPlatform == 4)
        return size >= 3 && std::memcmp(data, "PS2", 3) == 0;
    return size >= 4 && ReadLE32(data) == nPlatform;
}

void CTXDCommon::Create(uint32_t nVersion) {
    m_pRoot = std::make_unique<CNode>(SECTION_TEXTURE_DICTIONARY, 28, nVersion);
    auto header = std::make_unique<CNode>(SECTION_STRUCT, 4, nVersion);
    const uint8_t zero[4] = {};
    header->SetData(4, zero);
    m_pRoot->AddChild(header.release());
    auto extension = std::make_unique<CNode>(SECTION_EXTENSION, 0, nVersion);
    extension->m_bCached = true;
    m_pRoot->AddChild(extension.release());
}

uint32_t CTXDCommon::GetTextureCount() {
    if (!m_pRoot || m_pRoot->ChildCount() == 0)
        return 0;
    CNode* header = m_pRoot->Child(0);
    const uint8_t* data = header->GetData(m_hFile);
    if (!data) {
        StreamErrorBox("Section 0 data reading failed.", "S:\\dev\\include\\RW\\CTXDCommon", 132);
        return 0;
    }
    if (CountIsWord())
        return header->m_nSize >= 2 ? ReadLE16(data) : (header->m_nSize ? data[0] : 0);
    return header->m_nSize >= 4 ? ReadLE32(data) : 0;
}

int CTXDCommon::SetTextureCount(uint32_t nCount) {
    if (!m_pRoot || m_pRoot->ChildCount() == 0)
        return 0;
    CNode* header = m_pRoot->Child(0);
    if (!header->m_bCached || header->m_pData.size() < 4)
        return 0;
    uint8_t* p = header->m_pData.data();
    p[0] = uint8_t(nCount);
    p[1] = uint8_t(nCount >> 8);
    // The PC and PS2 headers keep their device id in the upper half.
    if (!CountIsWord()) {
        p[2] = uint8_t(nCount >> 16);
        p[3] = uint8_t(nCount >> 24);
    }
    return 1;
}

uint32_t CTXDCommon::GetTexturePlatform(uint32_t dwID) {
    CNode* node = NativeChild(dwID, 0);
    const uint8_t* data = GetSectionData(node);
    if (!data)
        Raise("Section data reading failed.");
    if (node->m_nSize >= 3 && std::memcmp(data, "PS2", 3) == 0)
        return 4;
    return node->m_nSize >= 4 ? ReadLE32(data) : 0;
}

const char* CTXDCommon::GetTextureFormatName(uint32_t dwID) {
    uint32_t compression = GetTextureCompression(dwID);
    uint32_t format = GetTextureRasterFormat(dwID, true);
    LogPrintA("RW::CTXDCommon: Texture #%03d compression is 0x%X, raster format 0x%0X\n",
              static_cast<int>(dwID), compression, format);
    switch (compression) {
    case TXD_COMPRESSION_NONE:
        switch (format) {
        case 0x100:
            return "16 bpp 1555";
        case 0x200:
            return "16 bpp 565";
        case 0x300:
            return "16 bpp 4444";
        }
        switch (GetTextureDepth(dwID)) {
        case 4:
            return "4 bpp";
        case 8:
            return "8 bpp";
        case 24:
            return "24 bpp";
        case 32:
            return "32 bpp";
        }
        return "Unknown UNC";
    case TXD_COMPRESSION_PS2_SWIZZLED:
        switch (GetTextureDepth(dwID)) {
        case 4:
            return "PAL4, swizzled";
        case 8:
            return "PAL8, swizzled";
        }
        return nullptr;
    case TXD_COMPRESSION_DXT1:
        return "DXT1";
    case TXD_COMPRESSION_DXT3:
        return "DXT3";
    case TXD_COMPRESSION_DXT5:
        return "DXT5";
    default:
        return "Unknown";
    }
}

} // namespace RW
