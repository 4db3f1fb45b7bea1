#pragma once
// Pictures drawn by the sample generator itself: patterns, gradients, text in a small
// built-in pixel font, and transparency. Nothing is read from elsewhere.
#include "raster/Bitmap32.h"

#include <memory>
#include <string>

namespace Pictures {

std::unique_ptr<Bitmap32> Checker(uint32_t size, uint32_t cell, uint32_t bgraA, uint32_t bgraB);
std::unique_ptr<Bitmap32> Gradient(uint32_t width, uint32_t height, uint32_t bgraFrom,
                                   uint32_t bgraTo, bool diagonal);
std::unique_ptr<Bitmap32> Plasma(uint32_t size, uint32_t seed);
std::unique_ptr<Bitmap32> Rings(uint32_t size, bool transparentOutside);
std::unique_ptr<Bitmap32> Bricks(uint32_t size);
// A label in the pixel font, white on a transparent or coloured background.
std::unique_ptr<Bitmap32> Label(uint32_t width, uint32_t height, const std::string& text,
                                uint32_t bgraBackground);
// Draws text into a bitmap at (x, y) with integer scale.
void DrawText(Bitmap32& bitmap, int x, int y, int scale, const std::string& text, uint32_t bgra);
// One tile of a generated map: land, water and roads that continue across tiles.
std::unique_ptr<Bitmap32> RadarTile(uint32_t size, int tileX, int tileY, int tilesPerRow);

} // namespace Pictures
