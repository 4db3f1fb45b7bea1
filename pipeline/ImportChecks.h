#pragma once
// Why a picture cannot become a texture of a cache, asked before anything is decoded or
// changed, so that every importer names the same reason.
#include <cstdint>
#include <string>

class CTextureDatabase;

// Empty when a texture of this name and size can be stored in the category; else the
// reason ("its size 100 x 64 is not a power of two", or the name's problem).
std::string ImportRefusal(CTextureDatabase& db, const std::string& name, uint32_t width,
                          uint32_t height, int category);
