#pragma once
// Carries textures between the open cache and 32-bit bitmaps: decoding one texture (or
// thumbnail) of one cache at one mip level, and encoding a bitmap into the caches with
// its full mip chain, compressed by the bound codec plug-ins.
#include "cache/TextureDatabase.h"
#include "raster/Bitmap32.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct EncodeSettings;
struct EncodedTexture;
class CEncodeAhead;

struct EncodeRequest {
    const Bitmap32* bitmap = nullptr; // not taken over
    std::string name;
    bool withAlpha = true; // off: every alpha becomes 255
    int category = 0;
    bool uncompressed = false; // store RGBA 8888 instead of the family formats
    int targetCache = -1;      // -1: every present cache (and the index entry)
    int game = 0;              // record layout: 1 VC, 2 SA
    int forcedFamily = -1;     // -1: each cache its own family
};

// Whether a bitmap of this size can be encoded into a cache: each side a power of two (or,
// with the "unc" family forced on every cache, a multiple of 64) and at most 32767.
bool EncodableSize(uint32_t width, uint32_t height, int forcedFamily);

class CCacheHelper {
public:
    explicit CCacheHelper(CTextureDatabase* database = nullptr) : m_pDatabase(database) {}
    virtual ~CCacheHelper() = default;

    void SetDatabase(CTextureDatabase* database) { m_pDatabase = database; }
    CTextureDatabase* Database() const { return m_pDatabase; }

    // A new bitmap of one level of a texture (or its thumbnail); nullptr when the file is
    // closed, the family has no decoder, or the data is damaged (after a message).
    std::unique_ptr<Bitmap32> DecodeCacheTexture(int texture, int cache, uint32_t level,
                                                 bool thumbnail);
    // Appends the texture to the caches and the index; throws CError "Wrong texture
    // dimensions given." before anything is written. Returns 1.
    int EncodeCacheTexture(const EncodeRequest& request);
    // 2 when the cache's records are in the San Andreas layout, 1 for Vice City, 0 when
    // there is nothing to tell by.
    int GuessCacheGame(int cache);
    // The two halves of EncodeCacheTexture: what the encoding takes from the cache and the
    // settings (throws when no cache can take the texture), and storing an encoding.
    EncodeSettings CurrentEncodeSettings(const EncodeRequest& request) const;
    void StoreEncoded(const EncodeRequest& request, const EncodeSettings& settings,
                      const EncodedTexture& encoded);
    // Encodings made ahead on other threads, which EncodeCacheTexture takes when they
    // match its request; null for none.
    void SetEncodeAhead(CEncodeAhead* ahead) { m_pEncodeAhead = ahead; }
    // The thumbnail an import would have written for a texture, made from its level 0
    // (R, G, B, A; side x side); nullopt when it cannot be decoded. For TMB repairs.
    std::optional<std::vector<uint8_t>> MakeThumbnail(int texture, int cache, uint32_t& side);
    ThumbnailMaker Thumbnails() {
        return [this](int texture, int cache, uint32_t& side) {
            return MakeThumbnail(texture, cache, side);
        };
    }

protected:
    CTextureDatabase* m_pDatabase;
    CEncodeAhead* m_pEncodeAhead = nullptr;
};
