#include "pipeline/TXDHelper.h"

#include "app/Log.h"
#include "raster/PluginHost.h"
#include "raster/RasterConvert.h"
#include "raster/RasterFormat.h"
#include "rw/SectionNames.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

template <class T>
std::unique_ptr<RW::ITXD> TryFlavour(const std::string& fileName, int hFile, uint64_t offset) {
    auto txd = std::make_unique<T>();
    try {
        if (hFile == RW::kInvalidHandle)
            txd->Open(fileName, offset, 0, 0);
        else
            txd->Attach(hFile, offset, 0, 0);
        // Attaching reads any RenderWare file; an archive's models are no dictionaries.
        if (txd->Root()->m_nID != RW::SECTION_TEXTURE_DICTIONARY)
            txd->Raise("This is not a valid RW texture dictionary.");
    } catch (...) {
        // The archive's handle is not the stream's to close.
        if (hFile != RW::kInvalidHandle)
            txd->m_hFile = RW::kInvalidHandle;
        throw;
    }
    return txd;
}

std::string Format(const char* format, unsigned value) {
    char text[160];
    snprintf(text, sizeof text, format, value);
    return text;
}

// Position of texel (x, y) of a W-wide 8-bit texture in the PS2's swizzled order.
uint32_t SwizzleIndex(uint32_t x, uint32_t y, uint32_t W) {
    return ((y & ~15u) + 2 * (((y >> 1) & 6) | (y & 1))) * W +
           2 * ((x & ~15u) + 2 * ((((y + 2) & ~3u) + x) & 7)) + ((x >> 2) & 2) + ((y >> 1) & 1);
}

} // namespace

void Unswizzle8(const uint8_t* src, size_t sourceSize, uint8_t* dst, uint32_t W, uint32_t H) {
    for (uint32_t y = 0; y < H; ++y)
        for (uint32_t x = 0; x < W; ++x) {
            size_t i = SwizzleIndex(x, y, W);
            dst[size_t(y) * W + x] = i < sourceSize ? src[i] : 0;
        }
}

void Unswizzle4(const uint8_t* src, size_t sourceSize, uint8_t* dst, uint32_t W, uint32_t H) {
    if (W == 16)
        W = 32;
    size_t k = 0;
    for (uint32_t y = 0; y < H; ++y)
        for (uint32_t x = 0; x < W; ++x, ++k) {
            size_t i = SwizzleIndex(x, y, W);
            uint8_t texel = i / 2 < sourceSize ? (src[i / 2] >> ((i & 1) * 4)) & 0xF : 0;
            uint8_t& out = dst[k / 2];
            out = (k & 1) ? uint8_t((out & 0x0F) | texel << 4) : uint8_t((out & 0xF0) | texel);
        }
}

void ConvertPS2Palette(const uint8_t* src, uint8_t* dst, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        size_t j = i;
        if (n == 256) {
            size_t r = ((i >> 3) & 3) % 3;
            if (r != 0)
                j = i - 16 * r + 24;
        }
        const uint8_t* s = src + i * 4;
        uint8_t* d = dst + j * 4;
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
        // PS2 alpha runs to 128; anything above it would wrap, so it saturates.
        d[3] = s[3] ? uint8_t(std::min(2 * s[3] - 1, 255)) : 0;
    }
}

void CTXDHelper::CloseTXD() {
    if (m_pTXD && m_bAttached)
        m_pTXD->Stream().m_hFile = RW::kInvalidHandle;
    m_pTXD.reset();
    m_bAttached = false;
}

void CTXDHelper::OpenTXD(const std::string& szFileName, int hFile, uint64_t nOffset) {
    CloseTXD();
    m_bAttached = hFile != RW::kInvalidHandle;
    try {
        m_pTXD = TryFlavour<RW::CTXDPC>(szFileName, hFile, nOffset);
        // Attaching checks no platform; without this a PS2 dictionary in an archive
        // would be taken as a PC one and none of its textures could be read.
        if (m_bAttached && !m_pTXD->IsTexturePlatform(1, 0) && !m_pTXD->IsTexturePlatform(8, 0) &&
            !m_pTXD->IsTexturePlatform(9, 0))
            throw RW::CException("This is not a valid PC texture.", nullptr, nullptr);
        return;
    } catch (const RW::CException& e) {
        CloseTXD();
        m_bAttached = hFile != RW::kInvalidHandle;
        LogPrintA("CDlgImportTXD: RW::CTXDPC fault (%s)\n", e.Text().c_str());
    }
    try {
        auto txd = TryFlavour<RW::CTXDMobile>(szFileName, hFile, nOffset);
        m_pTXD = std::move(txd);
        if (!m_pTXD->IsTexturePlatform(9, 0) && !m_pTXD->IsTexturePlatform(12, 0)) {
            CloseTXD();
            m_bAttached = hFile != RW::kInvalidHandle;
            throw RW::CException("This format is unsupported", nullptr, nullptr);
        }
        return;
    } catch (const RW::CException& e) {
        CloseTXD();
        m_bAttached = hFile != RW::kInvalidHandle;
        LogPrintA("CDlgImportTXD: RW::CTXDMobile fault (%s)\n", e.Text().c_str());
    }
    m_pTXD = TryFlavour<RW::CTXDPS2>(szFileName, hFile, nOffset);
    if (m_bAttached && !m_pTXD->IsTexturePlatform(4, 0))
        m_pTXD->Stream().Raise("This is not a PS2 texture.");
}

const char* CTXDHelper::FlavourName() const {
    if (dynamic_cast<RW::CTXDMobile*>(m_pTXD.get()))
        return "Mobile";
    if (dynamic_cast<RW::CTXDPC*>(m_pTXD.get()))
        return "PC";
    if (dynamic_cast<RW::CTXDPS2*>(m_pTXD.get()))
        return "PS2";
    return "";
}

namespace {

[[noreturn]] void Fail(RW::ITXD* txd, const std::string& text) {
    txd->Stream().Raise(text);
}

// The decompress entry point of a family, or a clear refusal when none is bound.
TessarineDecompress Decoder(RW::ITXD* txd, CodecFamily family) {
    TessarineDecompress decompress = Plugins().decompress[family];
    if (!decompress)
        Fail(txd, std::string("No codec plug-in decodes ") + FamilyName(family) + " textures.");
    return decompress;
}

bool LayoutHasAlpha(uint32_t layout) {
    return !(layout == 0x888 || layout == 0x565 || layout == 0x555 || layout == 0x8);
}

} // namespace

std::unique_ptr<Bitmap32> CTXDHelper::DecodeTexture(uint32_t dwID) {
    RW::ITXD* txd = m_pTXD.get();
    if (!txd)
        return nullptr;
    uint32_t d = txd->GetTextureDepth(dwID);
    uint32_t w = txd->GetTextureWidth(dwID);
    uint32_t h = txd->GetTextureHeight(dwID);
    const uint8_t* raster = txd->GetTextureRaster(dwID, 0);
    size_t rasterSize = txd->GetTextureRasterSize(dwID, 0);
    uint32_t layout = txd->GetTextureRasterFormat(dwID, false);
    const uint8_t* palette = txd->GetTexturePalette(dwID);
    size_t paletteEntries = palette ? txd->GetTexturePaletteEntries(dwID) : 0;
    uint32_t compression = txd->GetTextureCompression(dwID);
    bool ps2 = txd->IsTexturePlatform(4, 0);
    if (!raster || w == 0 || h == 0)
        return nullptr;

    bool swap = false;
    bool decoded = false;
    const uint8_t* pixels = raster;
    size_t pixelsSize = rasterSize;
    std::vector<uint8_t> buffer;
    std::vector<uint8_t> ownPalette;

    auto decompress = [&](CodecFamily family, int format, int32_t param, int32_t variant) {
        // The whole level must be there before a codec reads it; block codecs read whole
        // 4 x 4 blocks, also at the edges of sizes that are no multiple of 4.
        uint64_t needed = RasterDataSize(w, h, static_cast<RasterFormat>(format), false);
        if (format != RASTER_PVRTC2 && format != RASTER_PVRTC4)
            needed = std::max<uint64_t>(needed, uint64_t((w + 3) / 4) * ((h + 3) / 4) *
                                                    (format == RASTER_DXT5 ? 16 : 8));
        if (rasterSize < needed)
            Fail(txd, Format("The texture's raster is cut short (%u bytes missing).",
                             static_cast<unsigned>(needed - rasterSize)));
        TessarineDecompress decoder = Decoder(txd, family);
        buffer.assign(size_t(w) * h * 4, 0);
        decoder(raster, buffer.data(), static_cast<int32_t>(w), static_cast<int32_t>(h), param,
                variant);
        pixels = buffer.data();
        pixelsSize = buffer.size();
        d = 32;
        layout = 0x8888;
        swap = true;
        decoded = true;
    };

    switch (compression) {
    case RW::TXD_COMPRESSION_DXT1:
        decompress(CodecFamily::kDxt, RASTER_DXT1, 0, TESSARINE_TXD_DXT1_VARIANT);
        break;
    case RW::TXD_COMPRESSION_DXT3:
        // DXT3 blocks are as large as DXT5 ones.
        decompress(CodecFamily::kDxt, RASTER_DXT5, 0, TESSARINE_TXD_DXT3_VARIANT);
        break;
    case RW::TXD_COMPRESSION_DXT5:
        decompress(CodecFamily::kDxt, RASTER_DXT5, 0, TESSARINE_DXT5_VARIANT);
        break;
    case RW::TXD_COMPRESSION_ETC1:
        decompress(CodecFamily::kEtc1, RASTER_ETC1, 0, 0);
        break;
    case RW::TXD_COMPRESSION_PVRTC2:
        decompress(CodecFamily::kPvrtc, RASTER_PVRTC2, 2, 0);
        break;
    case RW::TXD_COMPRESSION_PVRTC4:
        decompress(CodecFamily::kPvrtc, RASTER_PVRTC4, 4, 0);
        break;
    case RW::TXD_COMPRESSION_PS2_SWIZZLED: {
        // Only PS2 palettized texels are swizzled; the same code from a PC native is a
        // compression byte this program does not know.
        if (!ps2 || (d != 4 && d != 8))
            Fail(txd, Format("The texture's compression 0x%X is not supported.", compression));
        uint32_t W = (d == 4 && w <= 32) ? 32 : w;
        // The swizzled level covers the whole working grid; a block shorter than that
        // is damaged, and its sizes must not decide an allocation.
        uint64_t needed = uint64_t(W) * h * d / 8;
        if (rasterSize < needed)
            Fail(txd, Format("The texture's raster is cut short (%u bytes missing).",
                             static_cast<unsigned>(needed - rasterSize)));
        buffer.assign(size_t(W) * h * 4, 0);
        if (d == 8)
            Unswizzle8(raster, rasterSize, buffer.data(), W, h);
        else if (d == 4)
            Unswizzle4(raster, rasterSize, buffer.data(), W, h);
        if (d == 4 && w < 32 && size_t(w) * h >= 2) {
            size_t s = 0;
            for (size_t t = 0; t < size_t(w) * h / 2; ++t) {
                buffer[t] = buffer[s];
                ++s;
                if (s % 16 >= w / 2)
                    s += (32 - w) / 2;
            }
        }
        pixels = buffer.data();
        pixelsSize = buffer.size();
        break;
    }
    case RW::TXD_COMPRESSION_NONE:
    case RW::TXD_COMPRESSION_MOBILE_OTHER:
        swap = d <= 8;
        break;
    default:
        Fail(txd, Format("The texture's compression 0x%X is not supported.", compression));
    }

    if (palette && d <= 8) {
        if (ps2) {
            // PS2 palettes are stored for the GS whether or not the texels are swizzled.
            size_t n = std::min(paletteEntries, size_t(1) << d);
            ownPalette.assign(n * 4, 0);
            ConvertPS2Palette(palette, ownPalette.data(), n);
            swap = false;
        } else {
            ownPalette.assign(palette, palette + paletteEntries * 4);
        }
        // A raster format without alpha leaves junk in the palette's fourth bytes.
        if (layout == 0x888)
            for (size_t i = 0; i < ownPalette.size(); i += 4)
                ownPalette[i + 3] = 255;
        palette = ownPalette.data();
        paletteEntries = ownPalette.size() / 4;
        if (d == 8 && layout != 0x888 && layout != 0x8888)
            layout = 0x8888;
    }
    if (ps2 && d == 32)
        swap = true;

    // Other depths have no pixels to read: refused before a bitmap of the stated size is
    // made for them.
    if (d != 4 && d != 8 && d != 16 && d != 24 && d != 32)
        Fail(txd, Format("The texture's depth of %u bits is not supported.", d));
    uint16_t convertLayout = static_cast<uint16_t>(layout == 0x555 ? 0x1555 : layout);
    auto bitmap =
        GdiplusConvert(0, pixels, w, h, static_cast<int>(d), convertLayout, swap,
                       d <= 8 ? palette : nullptr, d <= 8 ? paletteEntries : 0, pixelsSize);
    if (bitmap && !decoded && !LayoutHasAlpha(layout)) {
        uint8_t* p = bitmap->Bits();
        for (size_t i = 0, n = size_t(bitmap->Width()) * bitmap->Height(); i < n; ++i)
            p[i * 4 + 3] = 255;
    }
    return bitmap;
}

bool HasTransparentPixel(const Bitmap32& bitmap) {
    const uint8_t* p = bitmap.Bits();
    for (size_t i = 0, n = size_t(bitmap.Width()) * bitmap.Height(); i < n; ++i)
        if (p[i * 4 + 3] != 255)
            return true;
    return false;
}

TextureImportRequest CTXDHelper::FillImportRequest(uint32_t dwID, int category,
                                                   const Bitmap32* decoded) {
    RW::ITXD* txd = m_pTXD.get();
    TextureImportRequest request;
    request.name = txd->GetTextureName(dwID, false);
    uint32_t depth = txd->GetTextureDepth(dwID);
    const bool alpha = depth == 32 || txd->TextureHasAlpha(dwID) ||
                       LayoutHasAlpha(txd->GetTextureRasterFormat(dwID, false)) ||
                       (decoded && HasTransparentPixel(*decoded));
    request.withAlpha = alpha ? 1 : 0;
    request.sourceDepth = static_cast<int>(depth);
    request.sourceWidth = static_cast<int>(txd->GetTextureWidth(dwID));
    request.sourceHeight = static_cast<int>(txd->GetTextureHeight(dwID));
    request.sourceRaster = txd->GetTextureRaster(dwID, 0);
    request.category = category;
    request.noRefresh = 1;
    request.uncompressed = depth == 32 ? 1 : 0;
    return request;
}
