#pragma once
// The textures a material names outside its Texture sections: those of its material
// effects (environment map, bump map, second pass) and the San Andreas specular map.
// Both live in plug-in sections of the material's Extension, found by their ids: the
// plug-ins stand in any order (PS2 models put "Right To Render" first).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace RW {

// The texture names a material-effects body carries, in the order stored. The body is
// hostile: whatever does not fit stops the reading, and what was read before it stays.
std::vector<std::string> MaterialEffectTextureNames(const uint8_t* body, size_t size);

// The texture name of a specular-material body; empty when it holds none.
std::string SpecularTextureName(const uint8_t* body, size_t size);

} // namespace RW
