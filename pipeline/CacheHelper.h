#pragma once
// Carries textures between the open cache and 32-bit bitmaps: decoding one texture (or
// thumbnail) of one cache at one mip level, and encoding a bitmap into the caches with
// its full mip chain, compressed by the bound codec plug-ins.
#include "cache/TextureDatabase.h"
#include "raster/Bitmap32.h"
#include "raster/PluginHost.h"

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
    bool uncompressed = false;               // store RGBA 8888 instead of the family formats
    std::optional<CacheId> targetCache;      // none: every present cache (and the index entry)
    int game = 0;                            // record layout: 1 VC, 2 SA
    std::optional<CodecFamily> forcedFamily; // none: each cache its own family
    // The thumbnail goes to the target cache's thumbnail file only (a cache being rebuilt;
    // the other caches already have theirs).
    bool thumbnailOfTargetOnly = false;
};

// Whether a bitmap of this size can be encoded into a cache: each side a power of two (or,
// with the "unc" family forced on every cache, a multiple of 64) and at most 32767.
bool EncodableSize(uint32_t width, uint32_t height, std::optional<CodecFamily> forcedFamily);

// The codec family whose formats a cache stores.
constexpr CodecFamily FamilyOf(CacheId cache) {
    return kAllFamilies[Slot(cache)];
}

// One level of a texture (or its thumbnail) as read from its cache, ready to be decoded
// away from the cache (on any thread).
struct RawTexture {
    std::vector<uint8_t> raster; // every level, unpacked
    RasterHeader header;
    uint16_t channelLayout = 0; // of the texture's own format
    uint32_t level = 0;
    bool thumbnail = false;
};

class CCacheHelper {
public:
    explicit CCacheHelper(CTextureDatabase* database = nullptr) : m_pDatabase(database) {}
    virtual ~CCacheHelper() = default;

    void SetDatabase(CTextureDatabase* database) { m_pDatabase = database; }
    CTextureDatabase* Database() const { return m_pDatabase; }

    // A new bitmap of one level of a texture (or its thumbnail); nullptr when the file is
    // closed, the family has no decoder, or the data is damaged: DecodeError then says
    // why (empty when there was nothing to decode).
    std::unique_ptr<Bitmap32> DecodeCacheTexture(int texture, CacheId cache, uint32_t level,
                                                 bool thumbnail);
    struct DecodeProblem {
        std::string text;
        bool severe = false; // the data is damaged or memory ran out, not just missing
    };
    const DecodeProblem& DecodeError() const { return m_DecodeError; }
    // The reading half of DecodeCacheTexture, which must run where the cache is used;
    // nullopt (DecodeError says why) when there is nothing to decode.
    std::optional<RawTexture> ReadRawTexture(int texture, CacheId cache, uint32_t level,
                                             bool thumbnail);
    // Appends the texture to the caches and the index; throws CError "Wrong texture
    // dimensions given." before anything is written. Returns 1.
    int EncodeCacheTexture(const EncodeRequest& request);
    // 2 when the cache's records are in the San Andreas layout, 1 for Vice City, 0 when
    // there is nothing to tell by. Without a cache, the first one with a DAT.
    int GuessCacheGame(std::optional<CacheId> cache = std::nullopt);
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
    std::optional<std::vector<uint8_t>> MakeThumbnail(int texture, CacheId cache, uint32_t& side);
    ThumbnailMaker Thumbnails() {
        return [this](int texture, CacheId cache, uint32_t& side) {
            return MakeThumbnail(texture, cache, side);
        };
    }

protected:
    CTextureDatabase* m_pDatabase;
    CEncodeAhead* m_pEncodeAhead = nullptr;

private:
    DecodeProblem m_DecodeError;
};

// The decoding half of DecodeCacheTexture: safe on any thread and on several at once
// (calls into a plug-in that does not say it may be entered twice go one at a time).
std::unique_ptr<Bitmap32> DecodeRawTexture(const RawTexture& raw,
                                           CCacheHelper::DecodeProblem& problem);
