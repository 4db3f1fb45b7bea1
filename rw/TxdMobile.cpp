#include "app/Log.h"
#include "rw/SectionNames.h"
#include "rw/TextureDictionary.h"

namespace RW {

namespace {
constexpr size_t kMobileHeaderSize = 116;
}

int CTXDMobile::Open(const std::string& szFileName, uint64_t nOffset, uint32_t nRootID,
                     uint32_t dwFlags) {
    OpenDictionary(szFileName, nOffset, nRootID, dwFlags);
    if (!IsTexturePlatform(10, 0) && !IsTexturePlatform(11, 0) && !IsTexturePlatform(12, 0))
        Raise("This is not a valid Mobile texture.");
    return 1;
}

// The mobile editions write the sizes of their dictionary and native sections wrongly,
// so the tree is read by counts: the dictionary's header gives the number of sections
// that follow it, a native has two. Sizes are then recomputed from the children.
void CTXDMobile::ReadSectionBody(CNode* pNode, CNode* pParent, uint32_t nIndex) {
    if (!IsContainer(pNode, pParent, nIndex)) {
        LogPrintA("RW::CTXDMobile: \t - reading section Data (%d bytes)...\n",
                  static_cast<int>(pNode->m_nSize));
        if (pNode->m_nOffset + pNode->m_nSize > m_nFileLength)
            Raise("Section runs past the end of the file.", pNode);
        if (pNode->m_nSize <= m_nCacheLimit && !pNode->GetData(m_hFile))
            Raise("Stream reading error.", pNode);
        return;
    }
    LogPrintA("RW::CTXDMobile: \t - reading subStructures...\n");
    uint64_t position = pNode->m_nOffset;
    uint32_t counter = 0;
    auto readChild = [&] {
        LogPrintA("RW::CTXDMobile: readin' texture %d section\n", static_cast<int>(counter++));
        position = ReadChild(pNode, position, m_nFileLength);
    };
    if (pNode->m_nID == SECTION_TEXTURE_DICTIONARY || pNode->m_nID == SECTION_TEXTURE_NATIVE) {
        uint64_t children = 2;
        if (pNode->m_nID == SECTION_TEXTURE_DICTIONARY) {
            readChild();
            CNode* header = pNode->Child(0);
            const uint8_t* data = header->GetData(m_hFile);
            if (!data || header->m_nSize < 4)
                Raise("Stream reading error.", pNode);
            children = uint64_t(ReadLE32(data)) + 1;
        }
        // Every section takes at least 12 bytes, so a count the file cannot hold ends
        // in a read error well before its end.
        for (uint64_t i = 0; i < children; ++i)
            readChild();
    } else {
        uint64_t end = pNode->m_nOffset + pNode->m_nSize;
        while (position < end)
            readChild();
        if (position != end)
            Raise("Stream reading error.", pNode);
    }
    uint64_t size = position - pNode->m_nOffset;
    if (size > UINT32_MAX)
        Raise("Stream reading error.", pNode);
    pNode->m_nSize = static_cast<uint32_t>(size);
}

const uint8_t* CTXDMobile::MobileStruct(uint32_t dwID, size_t& size) {
    const uint8_t* data = NativeData(dwID, 0, size);
    if (size < kMobileHeaderSize)
        Raise("Texture native is damaged: its header is cut short.");
    return data;
}

uint32_t CTXDMobile::GetTextureWidth(uint32_t dwID) {
    size_t size = 0;
    return ReadLE16(MobileStruct(dwID, size) + 100);
}

uint32_t CTXDMobile::GetTextureHeight(uint32_t dwID) {
    size_t size = 0;
    return ReadLE16(MobileStruct(dwID, size) + 102);
}

std::string CTXDMobile::GetTextureName(uint32_t dwID, bool bAlpha) {
    LogPrintA("CTXDMobile: get texture name ID=%d \n", static_cast<int>(dwID));
    size_t size = 0;
    return FieldName(MobileStruct(dwID, size) + (bAlpha ? 64 : 32), 32);
}

uint32_t CTXDMobile::GetTextureDepth(uint32_t dwID) {
    size_t size = 0;
    MobileStruct(dwID, size);
    return 16;
}

uint32_t CTXDMobile::GetTextureCompression(uint32_t dwID) {
    size_t size = 0;
    MobileStruct(dwID, size);
    // The first texture's platform speaks for the whole dictionary.
    switch (ReadLE32(MobileStruct(0, size))) {
    case 9:
        return TXD_COMPRESSION_DXT1;
    case 10:
        return TXD_COMPRESSION_PVRTC4;
    case 11:
        return TXD_COMPRESSION_MOBILE_OTHER;
    default:
        return TXD_COMPRESSION_NONE;
    }
}

uint32_t CTXDMobile::GetTextureMipCount(uint32_t dwID) {
    size_t size = 0;
    MobileStruct(dwID, size);
    return 1;
}

uint32_t CTXDMobile::GetTextureRasterFormat(uint32_t dwID, bool bRaw) {
    size_t size = 0;
    bool is4444 = MobileStruct(dwID, size)[98] != 0;
    if (bRaw)
        return is4444 ? 0x300 : 0x200;
    return is4444 ? 0x4444 : 0x565;
}

int CTXDMobile::SetTextureName(uint32_t, const std::string&, bool) {
    return 0;
}

const uint8_t* CTXDMobile::GetTextureRaster(uint32_t dwID, uint32_t nLevel) {
    size_t size = 0;
    const uint8_t* data = MobileStruct(dwID, size);
    return nLevel == 0 ? data + kMobileHeaderSize : nullptr;
}

size_t CTXDMobile::GetTextureRasterSize(uint32_t dwID, uint32_t nLevel) {
    size_t size = 0;
    MobileStruct(dwID, size);
    return nLevel == 0 ? size - kMobileHeaderSize : 0;
}

const uint8_t* CTXDMobile::GetTexturePalette(uint32_t) {
    return nullptr;
}
size_t CTXDMobile::GetTexturePaletteEntries(uint32_t) {
    return 0;
}

bool CTXDMobile::TextureHasAlpha(uint32_t dwID) {
    return GetTextureRasterFormat(dwID, false) == 0x4444;
}

} // namespace RW
