#pragma once
// Display names of RenderWare section ids and platform ids, used in every log line and
// tree view that shows a section.
#include <cstdint>

namespace RW {

enum : uint32_t {
    SECTION_STRUCT = 0x01,
    SECTION_STRING = 0x02,
    SECTION_EXTENSION = 0x03,
    SECTION_TEXTURE = 0x06,
    SECTION_MATERIAL = 0x07,
    SECTION_MATERIAL_LIST = 0x08,
    SECTION_FRAME_LIST = 0x0E,
    SECTION_GEOMETRY = 0x0F,
    SECTION_CLUMP = 0x10,
    SECTION_ATOMIC = 0x14,
    SECTION_TEXTURE_NATIVE = 0x15,
    SECTION_TEXTURE_DICTIONARY = 0x16,
    SECTION_GEOMETRY_LIST = 0x1A,
    SECTION_MATERIAL_EFFECTS = 0x0120,
    SECTION_SPECULAR_MATERIAL = 0x0253F2F6,
};

} // namespace RW

// The section's name, or nullptr for an id without one.
const char* RW_GET_SECTION_NAME(uint32_t id);
// The platform's name, or nullptr for an unknown platform id.
const char* RW_GET_PLATFORM_NAME(uint32_t platform);
// Never null: the name or "Unknown", for log lines.
const char* RW_SECTION_NAME_OR_UNKNOWN(uint32_t id);
