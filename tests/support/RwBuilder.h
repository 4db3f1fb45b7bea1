#pragma once
// Builds RenderWare files for tests: sections with bodies or children, and texture
// natives of the PC and mobile layouts.
#include <cstdint>
#include <string>
#include <vector>

inline constexpr uint32_t kTestStamp = 0x1803FFFF;

struct RwSection {
    uint32_t id = 0;
    uint32_t version = kTestStamp;
    std::vector<uint8_t> body;       // data sections
    std::vector<RwSection> children; // containers
    int64_t declaredSize = -1;       // >= 0: written instead of the real size

    std::vector<uint8_t> Bytes() const;
    std::string Text() const {
        auto b = Bytes();
        return std::string(b.begin(), b.end());
    }
};

RwSection RwData(uint32_t id, std::vector<uint8_t> body);
RwSection RwNode(uint32_t id, std::vector<RwSection> children);
RwSection RwString(const std::string& text);

void PutU16(std::vector<uint8_t>& b, size_t at, uint16_t v);
void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t v);

struct PcNativeFields {
    uint32_t platform = 9;
    std::string name = "tex";
    std::string mask;
    uint32_t rasterFormat = 0x500; // 8888
    uint32_t d3dFormat = 21;       // at 76: a FourCC or a Direct3D format number
    uint16_t width = 4, height = 4;
    uint8_t depth = 32, mips = 1, flags = 0;
    std::vector<uint8_t> palette;
    std::vector<uint8_t> pixels; // level 0
};
RwSection PcNative(const PcNativeFields& fields);

struct MobileNativeFields {
    uint32_t platform = 12;
    std::string name = "tex";
    uint16_t width = 4, height = 4;
    bool is4444 = false;
    std::vector<uint8_t> raster;
};
RwSection MobileNative(const MobileNativeFields& fields);

// A dictionary: a header with count (and device id), the natives, an empty Extension.
RwSection Dictionary(uint32_t headerWord, std::vector<RwSection> natives);
