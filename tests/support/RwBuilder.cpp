#include "support/RwBuilder.h"

#include <algorithm>
#include <cstring>

void PutU16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

std::vector<uint8_t> RwSection::Bytes() const {
    std::vector<uint8_t> inner = body;
    for (const RwSection& child : children) {
        auto c = child.Bytes();
        inner.insert(inner.end(), c.begin(), c.end());
    }
    std::vector<uint8_t> out(12);
    PutU32(out, 0, id);
    PutU32(out, 4, declaredSize >= 0 ? uint32_t(declaredSize) : uint32_t(inner.size()));
    PutU32(out, 8, version);
    out.insert(out.end(), inner.begin(), inner.end());
    return out;
}

RwSection RwData(uint32_t id, std::vector<uint8_t> body) {
    RwSection s;
    s.id = id;
    s.body = std::move(body);
    return s;
}

RwSection RwNode(uint32_t id, std::vector<RwSection> children) {
    RwSection s;
    s.id = id;
    s.children = std::move(children);
    return s;
}

RwSection RwString(const std::string& text) {
    std::vector<uint8_t> body((text.size() + 4) & ~size_t(3), 0);
    std::copy(text.begin(), text.end(), body.begin());
    return RwData(0x02, body);
}

RwSection PcNative(const PcNativeSpec& spec) {
    std::vector<uint8_t> b(88, 0);
    PutU32(b, 0, spec.platform);
    std::memcpy(&b[8], spec.name.data(), std::min<size_t>(spec.name.size(), 31));
    std::memcpy(&b[40], spec.mask.data(), std::min<size_t>(spec.mask.size(), 31));
    PutU32(b, 72, spec.rasterFormat);
    PutU32(b, 76, spec.d3dFormat);
    PutU16(b, 80, spec.width);
    PutU16(b, 82, spec.height);
    b[84] = spec.depth;
    b[85] = spec.mips;
    b[86] = 4;
    b[87] = spec.flags;
    b.insert(b.end(), spec.palette.begin(), spec.palette.end());
    size_t at = b.size();
    b.resize(at + 4);
    PutU32(b, at, uint32_t(spec.pixels.size()));
    b.insert(b.end(), spec.pixels.begin(), spec.pixels.end());
    return RwNode(0x15, {RwData(0x01, b), RwNode(0x03, {})});
}

RwSection MobileNative(const MobileNativeSpec& spec) {
    std::vector<uint8_t> b(116, 0);
    PutU32(b, 0, spec.platform);
    std::memcpy(&b[32], spec.name.data(), std::min<size_t>(spec.name.size(), 31));
    b[98] = spec.is4444 ? 1 : 0;
    PutU16(b, 100, spec.width);
    PutU16(b, 102, spec.height);
    b.insert(b.end(), spec.raster.begin(), spec.raster.end());
    return RwNode(0x15, {RwData(0x01, b), RwNode(0x03, {})});
}

RwSection Dictionary(uint32_t headerWord, std::vector<RwSection> natives) {
    std::vector<uint8_t> header(4);
    PutU32(header, 0, headerWord);
    RwSection root = RwNode(0x16, {RwData(0x01, header)});
    for (auto& native : natives)
        root.children.push_back(std::move(native));
    root.children.push_back(RwNode(0x03, {}));
    return root;
}
