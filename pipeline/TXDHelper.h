#pragma once
// Opening a texture dictionary of whichever flavour fits, and turning its textures into
// 32-bit bitmaps: PS2 swizzling undone, compressed rasters decoded by the bound codec
// plug-ins. Shared by the dictionary dialogs and the command-line tool; no widgets.
#include "raster/Bitmap32.h"
#include "rw/TextureDictionary.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// How a dictionary texture is described to the main window for storing or showing.
struct TextureImportRequest {
    std::string name; // at most 127 characters
    int withAlpha = 0;
    int sourceDepth = 0;
    int sourceWidth = 0;
    int sourceHeight = 0;
    const uint8_t* sourceRaster = nullptr;
    int category = -1;
    std::string affiliateName; // an alias's target
    int noRefresh = 0;         // batch: the tree is refreshed once at the end
    int uncompressed = 0;
    int targetCache = 0;
    int targetGiven = 0;
    // A texture of exactly this name is replaced in one edit: the new one is encoded
    // before the old one goes, so a failure leaves the old texture as it was.
    int replace = 0;
    int stored = 0; // set by the receiver: 1 when the texture (or alias) was stored
};

class CTXDHelper {
public:
    CTXDHelper() = default;
    virtual ~CTXDHelper() { CloseTXD(); }
    CTXDHelper(const CTXDHelper&) = delete;
    CTXDHelper& operator=(const CTXDHelper&) = delete;

    // Opens szFileName (hFile -1) or the dictionary at nOffset of an open archive,
    // trying the PC, mobile and PS2 readers in turn; raises RW::CException when none
    // fits. An archive's handle stays open whatever happens.
    void OpenTXD(const std::string& szFileName, int hFile = -1, uint64_t nOffset = 0);
    void CloseTXD();
    RW::ITXD* TXD() const { return m_pTXD.get(); }
    // "PC", "Mobile" or "PS2"; empty when none is open.
    const char* FlavourName() const;

    // Level 0 of texture dwID as a new bitmap, or nullptr when it has no raster. Raises
    // RW::CException for damaged data and for a compression no bound plug-in decodes.
    std::unique_ptr<Bitmap32> DecodeTexture(uint32_t dwID);
    // The description the dictionary dialogs send for importing texture dwID. It is
    // imported with alpha when the dictionary says so, when its raster's layout carries
    // alpha (a palette of 8888 entries, say) or, given its decoded pixels, when one of
    // them is not opaque: an opaque import would lose the transparency for good.
    TextureImportRequest FillImportRequest(uint32_t dwID, int category,
                                           const Bitmap32* decoded = nullptr);

protected:
    std::unique_ptr<RW::ITXD> m_pTXD;
    bool m_bAttached = false;
};

// Whether any pixel of the bitmap is not fully opaque.
bool HasTransparentPixel(const Bitmap32& bitmap);

// PS2 swizzled 8-bit texels into row order (W × H bytes at dst). Source texels beyond
// sourceSize read as 0.
void Unswizzle8(const uint8_t* src, size_t sourceSize, uint8_t* dst, uint32_t W, uint32_t H);
// The same for 4-bit texels (two per byte, low nibble first); a width of 16 is taken as
// 32, so dst must hold max(W, 32) × H / 2 bytes then.
void Unswizzle4(const uint8_t* src, size_t sourceSize, uint8_t* dst, uint32_t W, uint32_t H);
// A PS2 palette of n entries (R, G, B, A with alpha 0 to 128) into B, G, R, A with alpha
// 0 to 255, 256-entry palettes reordered.
void ConvertPS2Palette(const uint8_t* src, uint8_t* dst, size_t n);
