#include "app/Log.h"
#include "rw/TextureDictionary.h"

#include <cstring>

namespace RW {

namespace {

constexpr size_t kRasterHeaderSize = 56;
constexpr size_t kTransferHeaderSize = 80;

bool HasTransferHeaders(const uint8_t* block, size_t size) {
    return size >= 8 && (ReadLE32(block) == 3 || ReadLE32(block + 4) == 0x10000000);
}

} // namespace

int CTXDPS2::Open(const std::string& szFileName, uint64_t nOffset, uint32_t nRootID,
                  uint32_t dwFlags) {
    OpenDictionary(szFileName, nOffset, nRootID, dwFlags);
    if (!IsTexturePlatform(4, 0))
        Raise("This is not a PS2 texture.");
    return 1;
}

uint32_t CTXDPS2::HeaderWord(uint32_t dwID, size_t offset) {
    CNode* raster = NativeChild(dwID, 3);
    if (raster->ChildCount() < 2)
        Raise("Texture not exists.");
    CNode* header = raster->Child(0);
    const uint8_t* data = header->GetData(m_hFile);
    if (!data)
        Raise("Section data reading failed.");
    if (header->m_nSize < kRasterHeaderSize)
        Raise("Texture native is damaged: its raster header is cut short.");
    uint32_t value = ReadLE32(data + offset);
    // Sizes beyond these cannot describe a PS2 texture; they would only overflow sums.
    if ((offset == 0 || offset == 4) && value > 0x10000)
        Raise("Texture native is damaged: its size is out of range.");
    if (offset == 8 && value > 32)
        Raise("Texture native is damaged: its depth is out of range.");
    return value;
}

const uint8_t* CTXDPS2::Block(uint32_t dwID, size_t& size) {
    CNode* raster = NativeChild(dwID, 3);
    if (raster->ChildCount() < 2 || raster->Child(1)->ChildCount() != 0)
        Raise("Texture not exists.");
    CNode* block = raster->Child(1);
    const uint8_t* data = block->GetData(m_hFile);
    if (!data)
        Raise("Section data reading failed.");
    size = block->m_nSize;
    return data;
}

uint32_t CTXDPS2::GetTextureWidth(uint32_t dwID) {
    return HeaderWord(dwID, 0);
}
uint32_t CTXDPS2::GetTextureHeight(uint32_t dwID) {
    return HeaderWord(dwID, 4);
}
uint32_t CTXDPS2::GetTextureDepth(uint32_t dwID) {
    return HeaderWord(dwID, 8);
}

std::string CTXDPS2::GetTextureName(uint32_t dwID, bool bAlpha) {
    if (dwID >= GetTextureCount())
        return {};
    size_t size = 0;
    const uint8_t* data = NativeData(dwID, bAlpha ? 2 : 1, size);
    return FieldName(data, size);
}

bool CTXDPS2::IsSwizzled(uint32_t dwID) {
    uint32_t format = HeaderWord(dwID, 12);
    uint32_t depth = GetTextureDepth(dwID);
    uint32_t storage = format & 0xF0000;
    if (storage == 0)
        return false;
    if (storage == 0x10000)
        return true;
    if (storage == 0x20000 && (depth == 4 || depth == 8))
        return HeaderWord(dwID, 52) == (depth == 4 ? 176u : 1104u);
    size_t size = 0;
    const uint8_t* block = Block(dwID, size);
    if (size < 40)
        return false;
    return 2 * uint64_t(ReadLE32(block + 32)) == GetTextureWidth(dwID) &&
           2 * uint64_t(ReadLE32(block + 36)) == GetTextureHeight(dwID);
}

uint32_t CTXDPS2::GetTextureCompression(uint32_t dwID) {
    return IsSwizzled(dwID) ? TXD_COMPRESSION_PS2_SWIZZLED : TXD_COMPRESSION_NONE;
}

uint32_t CTXDPS2::GetTextureRasterFormat(uint32_t dwID, bool) {
    return LayoutCode(HeaderWord(dwID, 12));
}

uint32_t CTXDPS2::GetTextureMipCount(uint32_t dwID) {
    if (!IsTexturePlatform(4, dwID))
        return 0;
    uint64_t depth = GetTextureDepth(dwID);
    uint64_t pixels = depth * GetTextureWidth(dwID) * GetTextureHeight(dwID);
    size_t blockSize = 0;
    Block(dwID, blockSize);
    uint64_t sum = (depth <= 15 ? (uint64_t(4) << depth) + 80 : 0) + pixels / 8 + 80;
    if (depth == 4 && IsSwizzled(dwID))
        sum += 32;
    uint32_t count = 1;
    for (uint32_t shift = 5; sum < blockSize; shift += 2) {
        ++count;
        sum += (shift < 64 ? pixels >> shift : 0) + 80;
    }
    return count;
}

void CTXDPS2::FreeTextureData(uint32_t dwID) {
    CNode* raster = NativeChild(dwID, 3);
    if (raster->ChildCount() >= 2)
        RemoveCache(raster->Child(1));
}

int CTXDPS2::SetTextureName(uint32_t, const std::string&, bool) {
    return 0;
}

size_t CTXDPS2::LevelOffset(uint32_t dwID, uint32_t nLevel) {
    size_t size = 0;
    const uint8_t* block = Block(dwID, size);
    CNode* node = NativeChild(dwID, 3)->Child(1);
    LogPrintA("RW::CTXDPS2: reading texture raster from offset %d...\n",
              static_cast<int>(node->m_nOffset + kTransferHeaderSize));
    if (!HasTransferHeaders(block, size))
        return 0;
    uint64_t pixels =
        uint64_t(GetTextureDepth(dwID)) * GetTextureWidth(dwID) * GetTextureHeight(dwID);
    uint64_t position = kTransferHeaderSize;
    for (uint32_t i = 0; i < nLevel && position <= size; ++i) {
        uint32_t shift = 2 * i + 3;
        position += (shift < 64 ? pixels >> shift : 0) + kTransferHeaderSize;
    }
    return position <= size ? static_cast<size_t>(position) : SIZE_MAX;
}

const uint8_t* CTXDPS2::GetTextureRaster(uint32_t dwID, uint32_t nLevel) {
    size_t offset = LevelOffset(dwID, nLevel);
    if (offset == SIZE_MAX)
        return nullptr;
    size_t size = 0;
    return Block(dwID, size) + offset;
}

size_t CTXDPS2::GetTextureRasterSize(uint32_t dwID, uint32_t nLevel) {
    size_t offset = LevelOffset(dwID, nLevel);
    size_t size = 0;
    Block(dwID, size);
    return offset == SIZE_MAX ? 0 : size - offset;
}

size_t CTXDPS2::PaletteOffset(uint32_t dwID) {
    uint32_t depth = GetTextureDepth(dwID);
    if (depth != 4 && depth != 8)
        return SIZE_MAX;
    size_t size = 0;
    Block(dwID, size);
    size_t bytes = size_t(4) << depth;
    if (depth == 4 && IsSwizzled(dwID))
        bytes += 32;
    if (bytes > size)
        return SIZE_MAX;
    size_t offset = size - bytes;
    LogPrintA("RW::CTXDPS2: Reading palette from 0x%X with offset 0x%X...\n",
              static_cast<unsigned>(NativeChild(dwID, 3)->Child(1)->m_nOffset),
              static_cast<unsigned>(offset));
    return offset;
}

const uint8_t* CTXDPS2::GetTexturePalette(uint32_t dwID) {
    size_t offset = PaletteOffset(dwID);
    if (offset == SIZE_MAX)
        return nullptr;
    size_t size = 0;
    return Block(dwID, size) + offset;
}

size_t CTXDPS2::GetTexturePaletteEntries(uint32_t dwID) {
    return PaletteOffset(dwID) == SIZE_MAX ? 0 : size_t(1) << GetTextureDepth(dwID);
}

bool CTXDPS2::TextureHasAlpha(uint32_t dwID) {
    return !GetTextureName(dwID, true).empty();
}

} // namespace RW
