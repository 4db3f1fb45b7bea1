#include "raster/GifWriter.h"

#include <gif_lib.h>
#include <libimagequant.h>
#include <memory>
#include <vector>

namespace {

struct LiqDeleter {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
    void operator()(liq_image* p) const { liq_image_destroy(p); }
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};

} // namespace

bool WriteGif(const Bitmap32& bitmap, const std::string& path) {
    const uint32_t width = bitmap.Width(), height = bitmap.Height();
    if (width == 0 || height == 0 || width > 65535 || height > 65535)
        return false;

    // libimagequant wants R, G, B, A.
    std::vector<uint8_t> rgba(bitmap.ByteSize());
    const uint8_t* src = bitmap.Bits();
    for (size_t i = 0; i < rgba.size(); i += 4) {
        rgba[i] = src[i + 2];
        rgba[i + 1] = src[i + 1];
        rgba[i + 2] = src[i];
        rgba[i + 3] = src[i + 3];
    }

    std::unique_ptr<liq_attr, LiqDeleter> attr(liq_attr_create());
    if (!attr)
        return false;
    std::unique_ptr<liq_image, LiqDeleter> image(liq_image_create_rgba(
        attr.get(), rgba.data(), static_cast<int>(width), static_cast<int>(height), 0));
    if (!image)
        return false;
    liq_result* rawResult = nullptr;
    if (liq_image_quantize(image.get(), attr.get(), &rawResult) != LIQ_OK)
        return false;
    std::unique_ptr<liq_result, LiqDeleter> result(rawResult);
    std::vector<uint8_t> indexes(static_cast<size_t>(width) * height);
    if (liq_write_remapped_image(result.get(), image.get(), indexes.data(), indexes.size()) !=
        LIQ_OK)
        return false;
    const liq_palette* palette = liq_get_palette(result.get());

    // One transparent index stands for every colour that is mostly transparent.
    int transparent = -1;
    std::vector<uint8_t> remap(palette->count);
    for (unsigned i = 0; i < palette->count; ++i) {
        remap[i] = static_cast<uint8_t>(i);
        if (palette->entries[i].a < 128) {
            if (transparent < 0)
                transparent = static_cast<int>(i);
            remap[i] = static_cast<uint8_t>(transparent);
        }
    }
    for (auto& index : indexes)
        index = remap[index];

    int mapSize = 2;
    while (mapSize < static_cast<int>(palette->count))
        mapSize *= 2;
    ColorMapObject* map = GifMakeMapObject(mapSize, nullptr);
    if (!map)
        return false;
    for (unsigned i = 0; i < palette->count; ++i)
        map->Colors[i] = {palette->entries[i].r, palette->entries[i].g, palette->entries[i].b};

    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (!gif) {
        GifFreeMapObject(map);
        return false;
    }
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, static_cast<int>(width), static_cast<int>(height), 8, 0,
                                map) == GIF_OK;
    if (ok && transparent >= 0) {
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
        gcb.TransparentColor = transparent;
        GifByteType extension[4];
        EGifGCBToExtension(&gcb, extension);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, static_cast<int>(width), static_cast<int>(height), false,
                                nullptr) == GIF_OK;
    for (uint32_t y = 0; ok && y < height; ++y)
        ok = EGifPutLine(gif, indexes.data() + static_cast<size_t>(y) * width,
                         static_cast<int>(width)) == GIF_OK;
    ok = (EGifCloseFile(gif, &error) == GIF_OK) && ok;
    GifFreeMapObject(map);
    if (!ok)
        std::remove(path.c_str());
    return ok;
}
