#include "app/Log.h"
#include "platform/Text.h"
#include "rw/TextureDictionary.h"

#include <algorithm>
#include <cstring>

namespace RW {

namespace {

constexpr size_t kPcHeaderSize = 88;

constexpr uint32_t FourCC(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
           uint32_t(uint8_t(d)) << 24;
}

} // namespace

uint32_t LayoutCode(uint32_t rasterFormat) {
    switch (rasterFormat & 0xF00) {
    case 0x100:
        return 0x1555;
    case 0x200:
        return 0x565;
    case 0x300:
        return 0x4444;
    case 0x400:
        return 0x8;
    case 0x500:
        return 0x8888;
    case 0x600:
        return 0x888;
    case 0xA00:
        return 0x555;
    default:
        return 0;
    }
}

int CTXDPC::Open(const std::string& szFileName, uint64_t nOffset, uint32_t nRootID,
                 uint32_t dwFlags) {
    OpenDictionary(szFileName, nOffset, nRootID, dwFlags);
    if (!IsTexturePlatform(1, 0) && !IsTexturePlatform(8, 0) && !IsTexturePlatform(9, 0))
        Raise("This is not a valid PC texture.");
    return 1;
}

CTXDPC::Native CTXDPC::ReadNative(uint32_t dwID, bool headerOnly) {
    Native n;
    n.data = NativeData(dwID, 0, n.size);
    if (n.size < kPcHeaderSize)
        Raise("Texture native is damaged: its header is cut short.");
    if (headerOnly)
        return n;
    const uint8_t* d = n.data;
    uint32_t format = ReadLE32(d + 72);
    // The palette is there when the raster format says so; its length is what fits
    // (PAL4 natives are seen with 32 and with 16 entries).
    size_t candidates[2] = {0, 0};
    size_t candidateCount = 1;
    if (format & 0x2000) {
        candidates[0] = 256 * 4;
    } else if (format & 0x4000) {
        candidates[0] = 32 * 4;
        candidates[1] = 16 * 4;
        candidateCount = 2;
    }
    uint64_t expected = uint64_t(ReadLE16(d + 80)) * ReadLE16(d + 82) * d[84] / 8;
    int exact = -1, fitting = -1, roomy = -1;
    for (size_t i = 0; i < candidateCount && exact < 0; ++i) {
        size_t palette = candidates[i];
        if (kPcHeaderSize + palette + 4 > n.size)
            continue;
        uint32_t level = ReadLE32(d + kPcHeaderSize + palette);
        bool fits = level <= n.size - kPcHeaderSize - palette - 4;
        if (roomy < 0)
            roomy = int(i);
        if (fits && fitting < 0)
            fitting = int(i);
        if (fits && level == expected)
            exact = int(i);
    }
    int chosen = exact >= 0 ? exact : fitting >= 0 ? fitting : roomy;
    if (chosen < 0)
        Raise("Texture native is damaged: its palette does not fit.");
    n.paletteBytes = candidates[chosen];
    n.rasterOffset = kPcHeaderSize + n.paletteBytes + 4;
    uint32_t level = ReadLE32(d + kPcHeaderSize + n.paletteBytes);
    n.rasterSize = std::min<size_t>(level, n.size - n.rasterOffset);
    return n;
}

uint32_t CTXDPC::GetTextureWidth(uint32_t dwID) {
    return ReadLE16(ReadNative(dwID, true).data + 80);
}

uint32_t CTXDPC::GetTextureHeight(uint32_t dwID) {
    return ReadLE16(ReadNative(dwID, true).data + 82);
}

std::string CTXDPC::GetTextureName(uint32_t dwID, bool bAlpha) {
    LogPrintA("RW::CTXDPC: GetTextureName dwID = %d, bAlpha = %d\n", static_cast<int>(dwID),
              bAlpha ? 1 : 0);
    if (dwID >= GetTextureCount())
        return {};
    return FieldName(ReadNative(dwID, true).data + (bAlpha ? 40 : 8), 32);
}

uint32_t CTXDPC::GetTextureDepth(uint32_t dwID) {
    return ReadNative(dwID, true).data[84];
}

uint32_t CTXDPC::GetTextureCompression(uint32_t dwID) {
    const uint8_t* d = ReadNative(dwID, true).data;
    uint32_t platform = ReadLE32(d);
    uint32_t b = d[87];
    if (platform == 9) {
        // Direct3D 9 names its format at 76: a FourCC for the compressed ones, else a
        // Direct3D format number. Byte 87 is a flag set (1 alpha, 8 compressed).
        switch (ReadLE32(d + 76)) {
        case FourCC('D', 'X', 'T', '1'):
            return TXD_COMPRESSION_DXT1;
        case FourCC('D', 'X', 'T', '2'):
        case FourCC('D', 'X', 'T', '3'):
            return TXD_COMPRESSION_DXT3;
        case FourCC('D', 'X', 'T', '4'):
        case FourCC('D', 'X', 'T', '5'):
            return TXD_COMPRESSION_DXT5;
        }
        return (b & 8) ? b : TXD_COMPRESSION_NONE;
    }
    if (platform == 8) {
        switch (b) {
        case 0:
            return TXD_COMPRESSION_NONE;
        case 1:
            return TXD_COMPRESSION_DXT1;
        case 2:
        case 3:
            return TXD_COMPRESSION_DXT3;
        case 4:
        case 5:
            return TXD_COMPRESSION_DXT5;
        }
    }
    return b;
}

uint32_t CTXDPC::GetTextureMipCount(uint32_t dwID) {
    return ReadNative(dwID, true).data[85];
}

uint32_t CTXDPC::GetTextureRasterFormat(uint32_t dwID, bool bRaw) {
    uint32_t format = ReadLE32(ReadNative(dwID, true).data + 72);
    return bRaw ? (format & 0xF00) : LayoutCode(format);
}

void CTXDPC::FreeTextureData(uint32_t dwID) {
    NativeChild(dwID, 0)->FreeCache();
}

int CTXDPC::SetTextureName(uint32_t dwID, const std::string& szName, bool bAlpha) {
    std::string narrow = Text::Utf8ToLatin1(szName);
    if (narrow.size() >= 32)
        Raise("Name length cannot exceed 31 character.");
    ReadNative(dwID, true);
    CNode* node = NativeChild(dwID, 0);
    uint8_t* field = node->m_pData.data() + (bAlpha ? 40 : 8);
    std::memset(field, 0, 32);
    std::memcpy(field, narrow.data(), narrow.size());
    return 1;
}

const uint8_t* CTXDPC::GetTextureRaster(uint32_t dwID, uint32_t nLevel) {
    if (nLevel != 0)
        return nullptr; // only level 0 is located
    Native n = ReadNative(dwID);
    return n.data + n.rasterOffset;
}

size_t CTXDPC::GetTextureRasterSize(uint32_t dwID, uint32_t nLevel) {
    return nLevel == 0 ? ReadNative(dwID).rasterSize : 0;
}

const uint8_t* CTXDPC::GetTexturePalette(uint32_t dwID) {
    Native n = ReadNative(dwID);
    return n.paletteBytes ? n.data + kPcHeaderSize : nullptr;
}

size_t CTXDPC::GetTexturePaletteEntries(uint32_t dwID) {
    return ReadNative(dwID).paletteBytes / 4;
}

bool CTXDPC::TextureHasAlpha(uint32_t dwID) {
    const uint8_t* d = ReadNative(dwID, true).data;
    uint32_t compression = GetTextureCompression(dwID);
    uint32_t layout = GetTextureRasterFormat(dwID, false);
    uint32_t depth = d[84];
    if (compression == TXD_COMPRESSION_NONE) {
        if (depth == 24 || (depth == 16 && (layout == 0x565 || layout == 0x555)))
            return false;
        if (layout == 0x888) // X8R8G8B8 and 888 palettes: the fourth byte is not alpha
            return false;
    }
    if (compression == TXD_COMPRESSION_DXT3 || compression == TXD_COMPRESSION_DXT5)
        return true;
    if (ReadLE32(d) == 9 && (d[87] & 1))
        return true;
    return !FieldName(d + 40, 32).empty();
}

} // namespace RW
