#include "rw/SectionNames.h"

#include <iterator>

namespace {

const char* const kCoreNames[] = {"N/A",
                                  "Struct",
                                  "String",
                                  "Extension",
                                  nullptr,
                                  "Camera",
                                  "Texture",
                                  "Material",
                                  "Material List",
                                  "Atomic Section",
                                  "Plane Section",
                                  "World",
                                  "Spline",
                                  "Matrix",
                                  "Frame List",
                                  "Geometry",
                                  "Clump",
                                  nullptr,
                                  "Light",
                                  "Unicode String",
                                  "Atomic",
                                  "Texture Native",
                                  "Texture Dictionary",
                                  "Animation Database",
                                  "Image",
                                  "Skin Animation",
                                  "Geometry List",
                                  "Anim Animation",
                                  "Team",
                                  "Crowd",
                                  "Delta Morph Animation",
                                  "Right To Render",
                                  "MultiTexture Effect Native",
                                  "MultiTexture Effect Dictionary",
                                  "Team Dictionary",
                                  "Platform Independent Texture Dictionary",
                                  "Table of Contents",
                                  "Particle Standard Global Data",
                                  "AltPipe",
                                  "Platform Independent Peds",
                                  "Patch Mesh",
                                  "Chunk Group Start",
                                  "Chunk Group End",
                                  "UV Animation Dictionary",
                                  "Coll Tree"};

const char* const kPluginNames[] = {"Metrics PLG",
                                    "Spline PLG",
                                    "Stereo PLG",
                                    "VRML PLG",
                                    "Morph PLG",
                                    "PVS PLG",
                                    "Memory Leak PLG",
                                    "Animation PLG",
                                    "Gloss PLG",
                                    "Logo PLG",
                                    "Memory Info PLG",
                                    "Random PLG",
                                    "PNG Image PLG",
                                    "Bone PLG",
                                    "VRML Anim PLG",
                                    "Sky Mipmap Val",
                                    "MRM PLG",
                                    "LOD Atomic PLG",
                                    "ME PLG",
                                    "Lightmap PLG",
                                    "Refine PLG",
                                    "Skin PLG",
                                    "Label PLG",
                                    "Particles PLG",
                                    "GeomTX PLG",
                                    "Synth Core PLG",
                                    "STQPP PLG",
                                    "Part PP PLG",
                                    "Collision PLG",
                                    "HAnim PLG",
                                    "User Data PLG",
                                    "Material Effects PLG",
                                    "Particle System PLG",
                                    "Delta Morph PLG",
                                    "Patch PLG",
                                    "Team PLG",
                                    "Crowd PP PLG",
                                    "Mip Split PLG",
                                    "Anisotrophy PLG",
                                    nullptr,
                                    "GCN Material PLG",
                                    "Geometric PVS PLG",
                                    "XBOX Material PLG",
                                    "Multi Texture PLG",
                                    "Chain PLG",
                                    "Toon PLG",
                                    "PTank PLG"};

const char* const kRockstarNames[] = {"Atomic Visibility Distance",
                                      "Clump Visibility Distance",
                                      "Frame Visibility Distance",
                                      "Pipeline Set",
                                      nullptr,
                                      "TexDictionary Link",
                                      "Specular Material",
                                      nullptr,
                                      "2DFX",
                                      "Night Vertex Colors",
                                      "Collision Model",
                                      "GTA HAnim",
                                      "Reflection Material",
                                      "Mesh Extension",
                                      "Frame"};

const char* const kPlatformNames[] = {"N/A",           "DirectX 7", "OpenGL",   "Mac OS",
                                      "PlayStation 2", "X-BOX",     "GameCube", "Software Render",
                                      "DirectX 8",     "DirectX 9", "Mobile"};

template <size_t N> const char* FromTable(const char* const (&table)[N], uint32_t index) {
    return index < N ? table[index] : nullptr;
}

} // namespace

const char* RW_GET_SECTION_NAME(uint32_t id) {
    if (id <= 0x2C)
        return FromTable(kCoreNames, id);
    if (id >= 0x0101 && id <= 0x012F)
        return FromTable(kPluginNames, id - 0x0101);
    if (id == 0x050E)
        return "Bin Mesh PLG";
    if (id == 0x0510)
        return "Native Data PLG";
    if (id >= 0x0253F2F0 && id <= 0x0253F2FE)
        return FromTable(kRockstarNames, id - 0x0253F2F0);
    if (id == 0xF21E)
        return "ZModeler Lock";
    return nullptr;
}

const char* RW_GET_PLATFORM_NAME(uint32_t platform) {
    return FromTable(kPlatformNames, platform);
}

const char* RW_SECTION_NAME_OR_UNKNOWN(uint32_t id) {
    const char* name = RW_GET_SECTION_NAME(id);
    return name ? name : "Unknown";
}

static_assert(std::size(kCoreNames) == 0x2D);
static_assert(std::size(kPluginNames) == 0x12F - 0x101 + 1);
static_assert(std::size(kRockstarNames) == 0x0253F2FE - 0x0253F2F0 + 1);
