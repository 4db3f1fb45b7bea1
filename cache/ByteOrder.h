#pragma once
// Little-endian words of the cache files.
#include "cache/TextureRecord.h"

#include <cstdint>

inline uint16_t ReadLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline uint32_t ReadLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

inline void WriteLe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void WriteLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline RasterHeader DecodeHeader(const uint8_t* p) {
    return RasterHeader{ReadLe16(p), ReadLe16(p + 2), ReadLe16(p + 4), ReadLe16(p + 6)};
}

inline void EncodeHeader(const RasterHeader& h, uint8_t* p) {
    WriteLe16(p, h.tag);
    WriteLe16(p + 2, h.glFormat);
    WriteLe16(p + 4, h.width);
    WriteLe16(p + 6, h.heightAndMips);
}
