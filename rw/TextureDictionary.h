#pragma once
// Texture dictionaries: a count and one "Texture Native" section per texture, laid out
// for the platform the file was made for. ITXD lists the textures and hands out each
// one's name, size, format, palette and level-0 pixels; the PC, PS2 and mobile classes
// read their own layouts. Nothing here writes a dictionary back.
//
// Every pointer handed out comes with the number of bytes readable behind it
// (GetTextureRasterSize, GetTexturePaletteEntries): a damaged dictionary gives short
// counts, never a read past its sections.
#include "rw/Stream.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace RW {

// Compression codes handed to callers.
enum : uint32_t {
    TXD_COMPRESSION_NONE = 0,
    TXD_COMPRESSION_PS2_SWIZZLED = 2,
    TXD_COMPRESSION_DXT1 = 4,
    TXD_COMPRESSION_DXT3 = 16, // DXT2 too: the same blocks, alpha premultiplied
    TXD_COMPRESSION_DXT5 = 32, // DXT4 too
    TXD_COMPRESSION_ETC1 = 0x100,
    TXD_COMPRESSION_PVRTC2 = 0x200,
    TXD_COMPRESSION_PVRTC4 = 0x400,
    TXD_COMPRESSION_MOBILE_OTHER = 0x800,
};

class ITXD {
public:
    virtual ~ITXD() = default;
    virtual bool IsTexturePlatform(uint32_t nPlatform, uint32_t dwID) = 0;
    virtual int Open(const std::string& szFileName, uint64_t nOffset, uint32_t nRootID,
                     uint32_t dwFlags) = 0;
    virtual void Create(uint32_t nVersion) = 0;
    virtual uint32_t GetTextureCount() = 0;
    virtual uint32_t GetTextureWidth(uint32_t dwID) = 0;
    virtual uint32_t GetTextureHeight(uint32_t dwID) = 0;
    // UTF-8 (the 8-bit names are Latin-1).
    virtual std::string GetTextureName(uint32_t dwID, bool bAlpha) = 0;
    virtual uint32_t GetTextureDepth(uint32_t dwID) = 0;
    virtual uint32_t GetTextureCompression(uint32_t dwID) = 0;
    virtual const char* GetTextureFormatName(uint32_t dwID) = 0;
    virtual uint32_t GetTextureMipCount(uint32_t dwID) = 0;
    virtual uint32_t GetTextureRasterFormat(uint32_t dwID, bool bRaw) = 0;
    virtual void FreeTextureData(uint32_t dwID) = 0;
    virtual int SetTextureName(uint32_t dwID, const std::string& szName, bool bAlpha) = 0;
    virtual const uint8_t* GetTextureRaster(uint32_t dwID, uint32_t nLevel) = 0;
    virtual const uint8_t* GetTexturePalette(uint32_t dwID) = 0;
    virtual bool TextureHasAlpha(uint32_t dwID) = 0;
    virtual int SetTextureCount(uint32_t nCount) = 0;
    virtual uint32_t GetTexturePlatform(uint32_t dwID) = 0;

    // Bytes readable at GetTextureRaster (dwID, nLevel); 0 when there is none.
    virtual size_t GetTextureRasterSize(uint32_t dwID, uint32_t nLevel) = 0;
    // Entries (4 bytes each) readable at GetTexturePalette; 0 without a palette.
    virtual size_t GetTexturePaletteEntries(uint32_t dwID) = 0;
    virtual CStream& Stream() = 0;
};

class CTXDCommon : public ITXD, public CStream {
public:
    bool IsTexturePlatform(uint32_t nPlatform, uint32_t dwID) override;
    void Create(uint32_t nVersion) override;
    uint32_t GetTextureCount() override;
    const char* GetTextureFormatName(uint32_t dwID) override;
    int SetTextureCount(uint32_t nCount) override;
    uint32_t GetTexturePlatform(uint32_t dwID) override;
    CStream& Stream() override { return *this; }

protected:
    // Child `child` of texture dwID's native section; raises "Texture not exists." when
    // the texture or the child is not there.
    CNode* NativeChild(uint32_t dwID, uint32_t child);
    // The body of that child, its size in `size`; raises when it cannot be read.
    const uint8_t* NativeData(uint32_t dwID, uint32_t child, size_t& size);
    // Opens through the stream and checks the root is a dictionary.
    void OpenDictionary(const std::string& szFileName, uint64_t nOffset, uint32_t nRootID,
                        uint32_t dwFlags);
    // PC and PS2 headers hold a 16-bit count and a 16-bit device id; mobile a 32-bit count.
    virtual bool CountIsWord() const { return false; }
};

class CTXDPC : public CTXDCommon {
public:
    int Open(const std::string& szFileName, uint64_t nOffset, uint32_t nRootID,
             uint32_t dwFlags) override;
    uint32_t GetTextureWidth(uint32_t dwID) override;
    uint32_t GetTextureHeight(uint32_t dwID) override;
    std::string GetTextureName(uint32_t dwID, bool bAlpha) override;
    uint32_t GetTextureDepth(uint32_t dwID) override;
    uint32_t GetTextureCompression(uint32_t dwID) override;
    uint32_t GetTextureMipCount(uint32_t dwID) override;
    uint32_t GetTextureRasterFormat(uint32_t dwID, bool bRaw) override;
    void FreeTextureData(uint32_t dwID) override;
    int SetTextureName(uint32_t dwID, const std::string& szName, bool bAlpha) override;
    const uint8_t* GetTextureRaster(uint32_t dwID, uint32_t nLevel) override;
    const uint8_t* GetTexturePalette(uint32_t dwID) override;
    bool TextureHasAlpha(uint32_t dwID) override;
    size_t GetTextureRasterSize(uint32_t dwID, uint32_t nLevel) override;
    size_t GetTexturePaletteEntries(uint32_t dwID) override;

protected:
    struct Native {
        const uint8_t* data = nullptr;
        size_t size = 0;
        size_t paletteBytes = 0;
        size_t rasterOffset = 0; // level 0 pixels
        size_t rasterSize = 0;   // readable bytes of level 0
    };
    // The native's Struct with its palette and level 0 located; headerOnly skips them.
    Native ReadNative(uint32_t dwID, bool headerOnly = false);
    bool CountIsWord() const override { return true; }
};

class CTXDPS2 : public CTXDCommon {
public:
    int Open(const std::string& szFileName, uint64_t nOffset, uint32_t nRootID,
             uint32_t dwFlags) override;
    uint32_t GetTextureWidth(uint32_t dwID) override;
    uint32_t GetTextureHeight(uint32_t dwID) override;
    std::string GetTextureName(uint32_t dwID, bool bAlpha) override;
    uint32_t GetTextureDepth(uint32_t dwID) override;
    uint32_t GetTextureCompression(uint32_t dwID) override;
    uint32_t GetTextureMipCount(uint32_t dwID) override;
    uint32_t GetTextureRasterFormat(uint32_t dwID, bool bRaw) override;
    void FreeTextureData(uint32_t dwID) override;
    int SetTextureName(uint32_t dwID, const std::string& szName, bool bAlpha) override;
    const uint8_t* GetTextureRaster(uint32_t dwID, uint32_t nLevel) override;
    const uint8_t* GetTexturePalette(uint32_t dwID) override;
    bool TextureHasAlpha(uint32_t dwID) override;
    size_t GetTextureRasterSize(uint32_t dwID, uint32_t nLevel) override;
    size_t GetTexturePaletteEntries(uint32_t dwID) override;

    bool IsSwizzled(uint32_t dwID);

protected:
    bool CountIsWord() const override { return true; }

private:
    uint32_t HeaderWord(uint32_t dwID, size_t offset);
    // The raster data block (native child 3, child 1).
    const uint8_t* Block(uint32_t dwID, size_t& size);
    // Offset of level nLevel in the block; SIZE_MAX when it lies outside.
    size_t LevelOffset(uint32_t dwID, uint32_t nLevel);
    size_t PaletteOffset(uint32_t dwID);
};

class CTXDMobile : public CTXDPC {
public:
    int Open(const std::string& szFileName, uint64_t nOffset, uint32_t nRootID,
             uint32_t dwFlags) override;
    void ReadSectionBody(CNode* pNode, CNode* pParent, uint32_t nIndex) override;
    uint32_t GetTextureWidth(uint32_t dwID) override;
    uint32_t GetTextureHeight(uint32_t dwID) override;
    std::string GetTextureName(uint32_t dwID, bool bAlpha) override;
    uint32_t GetTextureDepth(uint32_t dwID) override;
    uint32_t GetTextureCompression(uint32_t dwID) override;
    uint32_t GetTextureMipCount(uint32_t dwID) override;
    uint32_t GetTextureRasterFormat(uint32_t dwID, bool bRaw) override;
    int SetTextureName(uint32_t dwID, const std::string& szName, bool bAlpha) override;
    const uint8_t* GetTextureRaster(uint32_t dwID, uint32_t nLevel) override;
    const uint8_t* GetTexturePalette(uint32_t dwID) override;
    bool TextureHasAlpha(uint32_t dwID) override;
    size_t GetTextureRasterSize(uint32_t dwID, uint32_t nLevel) override;
    size_t GetTexturePaletteEntries(uint32_t dwID) override;

protected:
    bool CountIsWord() const override { return false; }

private:
    const uint8_t* MobileStruct(uint32_t dwID, size_t& size);
};

// Helpers shared by the dictionary readers.
// The channel layout code of a raster format's bits 8 to 11 (0 for any other layout).
uint32_t LayoutCode(uint32_t rasterFormat);
uint32_t ReadLE32(const uint8_t* p);
uint16_t ReadLE16(const uint8_t* p);
// A zero-terminated 8-bit name in a fixed field, as UTF-8; never reads past the field.
std::string FieldName(const uint8_t* field, size_t fieldSize);

} // namespace RW
