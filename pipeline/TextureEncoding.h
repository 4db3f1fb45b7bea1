#pragma once
// The encoding half of an import: one texture's mip chain converted and compressed for
// every wanted cache, with its thumbnail, made without touching the cache. Several can be
// made at once on different threads when the bound plug-ins allow it.
#include "cache/TextureDatabase.h"
#include "pipeline/CacheHelper.h"
#include "platform/LargeBuffer.h"

#include <cstdint>
#include <optional>
#include <vector>

// Sized for the worst case and left uninitialised: only what a coder wrote is kept.
using EncodeBuffer = LargeBytes;

// What an encoding takes from the open cache and the settings; read on the cache's thread.
struct EncodeSettings {
    bool wanted[kCacheCount] = {};    // the caches that receive the texture
    uint32_t flags[kCacheCount] = {}; // compress flags per cache (quality, dithering, alpha)
    int thumbSize = 8;
    bool operator==(const EncodeSettings&) const = default;
};

struct EncodedTexture {
    // Each buffer holds exactly the bytes of its chain once the encoding is done.
    EncodeBuffer chain16, chain32; // the "unc" chain and the RGBA 8888 one
    size_t size16 = 0, size32 = 0;
    EncodeBuffer output[kCacheCount]; // compressed chains
    size_t outputSize[kCacheCount] = {};
    std::optional<CodecFamily> usedFamily[kCacheCount]; // none: the 16-bit chain is stored
    std::vector<uint8_t> thumbnail;                     // R, G, B, A; thumbSide x thumbSide
    uint32_t thumbSide = 0;
};

// Encodes the request's bitmap; uses the plug-in bindings but neither the cache nor the
// settings. Throws CError when a level cannot be made or a plug-in overruns its buffer.
EncodedTexture EncodeTexture(const EncodeRequest& request, const EncodeSettings& settings);

// Whether every bound compress entry point may be entered from several threads at once.
bool CompressorsThreadSafe();
