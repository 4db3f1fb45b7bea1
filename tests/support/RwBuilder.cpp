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

RwSection PcNative(const PcNativeFields& fields) {
    std::vector<uint8_t> b(88, 0);
    PutU32(b, 0, fields.platform);
    std::memcpy(&b[8], fields.name.data(), std::min<size_t>(fields.name.size(), 31));
    std::memcpy(&b[40], fields.mask.data(), std::min<size_t>(fields.mask.size(), 31));
    PutU32(b, 72, fields.rasterFormat);
    PutU32(b, 76, fields.d3dFormat);
    PutU16(b, 80, fields.width);
    PutU16(b, 82, fields.height);
    b[84] = fields.depth;
    b[85] = fields.mips;
    b[86] = 4;
    b[87] = fields.flags;
    b.insert(b.end(), fields.palette.begin(), fields.palette.end());
    size_t at = b.size();
    b.resize(at + 4);
    PutU32(b, at, uint32_t(fields.pixels.size()));
    b.insert(b.end(), fields.pixels.begin(), fields.pixels.end());
    return RwNode(0x15, {RwData(0x01, b), RwNode(0x03, {})});
}

RwSection MobileNative(const MobileNativeFields& fields) {
    std::vector<uint8_t> b(116, 0);
    PutU32(b, 0, fields.platform);
    std::memcpy(&b[32], fields.name.data(), std::min<size_t>(fields.name.size(), 31));
    b[98] = fields.is4444 ? 1 : 0;
    PutU16(b, 100, fields.width);
    PutU16(b, 102, fields.height);
    b.insert(b.end(), fields.raster.begin(), fields.raster.end());
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
