#include "samples/generator/Pictures.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace Pictures {

namespace {

void Put(Bitmap32& b, uint32_t x, uint32_t y, uint32_t bgra) {
    if (x < b.Width() && y < b.Height())
        std::memcpy(b.Pixel(x, y), &bgra, 4);
}

uint32_t Bgra(int b, int g, int r, int a) {
    const auto c = [](int v) { return uint32_t(v < 0 ? 0 : v > 255 ? 255 : v); };
    return c(b) | c(g) << 8 | c(r) << 16 | c(a) << 24;
}

uint32_t Mix(uint32_t from, uint32_t to, double t) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const double a = (from >> shift) & 0xFF, b = (to >> shift) & 0xFF;
        out |= uint32_t(std::lround(a + (b - a) * t)) << shift;
    }
    return out;
}

// 5x7 glyphs, one byte per row, bit 4 the leftmost column.
struct Glyph {
    char c;
    uint8_t rows[7];
};
const Glyph kFont[] = {
    {'A', {14, 17, 17, 31, 17, 17, 17}}, {'B', {30, 17, 17, 30, 17, 17, 30}},
    {'C', {14, 17, 16, 16, 16, 17, 14}}, {'D', {30, 17, 17, 17, 17, 17, 30}},
    {'E', {31, 16, 16, 30, 16, 16, 31}}, {'F', {31, 16, 16, 30, 16, 16, 16}},
    {'G', {14, 17, 16, 23, 17, 17, 15}}, {'H', {17, 17, 17, 31, 17, 17, 17}},
    {'I', {14, 4, 4, 4, 4, 4, 14}},      {'K', {17, 18, 20, 24, 20, 18, 17}},
    {'L', {16, 16, 16, 16, 16, 16, 31}}, {'M', {17, 27, 21, 21, 17, 17, 17}},
    {'N', {17, 25, 21, 19, 17, 17, 17}}, {'O', {14, 17, 17, 17, 17, 17, 14}},
    {'P', {30, 17, 17, 30, 16, 16, 16}}, {'R', {30, 17, 17, 30, 20, 18, 17}},
    {'S', {15, 16, 16, 14, 1, 1, 30}},   {'T', {31, 4, 4, 4, 4, 4, 4}},
    {'U', {17, 17, 17, 17, 17, 17, 14}}, {'V', {17, 17, 17, 17, 17, 10, 4}},
    {'W', {17, 17, 17, 21, 21, 21, 10}}, {'X', {17, 17, 10, 4, 10, 17, 17}},
    {'Y', {17, 17, 10, 4, 4, 4, 4}},     {'0', {14, 17, 19, 21, 25, 17, 14}},
    {'1', {4, 12, 4, 4, 4, 4, 14}},      {'2', {14, 17, 1, 2, 4, 8, 31}},
    {'3', {31, 2, 4, 2, 1, 17, 14}},     {'4', {2, 6, 10, 18, 31, 2, 2}},
    {'5', {31, 16, 30, 1, 1, 17, 14}},   {'6', {6, 8, 16, 30, 17, 17, 14}},
    {'7', {31, 1, 2, 4, 8, 8, 8}},       {'8', {14, 17, 17, 14, 17, 17, 14}},
    {'9', {14, 17, 17, 15, 1, 2, 12}},   {'-', {0, 0, 0, 31, 0, 0, 0}},
    {'!', {4, 4, 4, 4, 4, 0, 4}},        {'+', {0, 4, 4, 31, 4, 4, 0}},
};

const Glyph* Find(char c) {
    for (const Glyph& g : kFont)
        if (g.c == c)
            return &g;
    return nullptr;
}

} // namespace

void DrawText(Bitmap32& bitmap, int x, int y, int scale, const std::string& text, uint32_t bgra) {
    for (char c : text) {
        if (const Glyph* g = Find(c >= 'a' && c <= 'z' ? char(c - 32) : c))
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (g->rows[row] & (16 >> col))
                        for (int sy = 0; sy < scale; ++sy)
                            for (int sx = 0; sx < scale; ++sx)
                                Put(bitmap, uint32_t(x + col * scale + sx),
                                    uint32_t(y + row * scale + sy), bgra);
        x += 6 * scale;
    }
}

std::unique_ptr<Bitmap32> Checker(uint32_t size, uint32_t cell, uint32_t a, uint32_t b) {
    auto bitmap = Bitmap32::Create(size, size);
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x)
            Put(*bitmap, x, y, ((x / cell + y / cell) & 1) ? b : a);
    return bitmap;
}

std::unique_ptr<Bitmap32> Gradient(uint32_t width, uint32_t height, uint32_t from, uint32_t to,
                                   bool diagonal) {
    auto bitmap = Bitmap32::Create(width, height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const double t = diagonal ? (double(x) / width + double(y) / height) / 2
                                      : double(y) / std::max(height - 1, 1u);
            Put(*bitmap, x, y, Mix(from, to, t));
        }
    return bitmap;
}

std::unique_ptr<Bitmap32> Plasma(uint32_t size, uint32_t seed) {
    std::mt19937 random(seed);
    double phase[6];
    for (double& p : phase)
        p = (random() % 1000) / 159.0;
    auto bitmap = Bitmap32::Create(size, size);
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            const double u = 6.283 * x / size, v = 6.283 * y / size;
            const double r = std::sin(u * 2 + phase[0]) + std::sin(v * 3 + phase[1]);
            const double g = std::sin(u * 3 + v + phase[2]) + std::cos(v * 2 + phase[3]);
            const double b = std::sin(u + v * 2 + phase[4]) + std::sin(u * 4 + phase[5]);
            Put(*bitmap, x, y, Bgra(int(128 + 60 * b), int(128 + 60 * g), int(128 + 60 * r), 255));
        }
    return bitmap;
}

std::unique_ptr<Bitmap32> Rings(uint32_t size, bool transparentOutside) {
    auto bitmap = Bitmap32::Create(size, size);
    const double c = (size - 1) / 2.0;
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            const double d = std::hypot(x - c, y - c) / c;
            const int ring = int(d * 8);
            const int alpha =
                transparentOutside ? int(std::clamp(1.0 - (d - 0.8) * 5, 0.0, 1.0) * 255) : 255;
            Put(*bitmap, x, y, ring % 2 ? Bgra(40, 200, 255, alpha) : Bgra(200, 60, 30, alpha));
        }
    return bitmap;
}

std::unique_ptr<Bitmap32> Bricks(uint32_t size) {
    auto bitmap = Bitmap32::Create(size, size);
    const uint32_t bh = size / 8, bw = size / 4;
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            const uint32_t row = y / bh, shifted = x + (row % 2) * bw / 2;
            const bool mortar = y % bh < 2 || shifted % bw < 2;
            const int shade = int((row * 37 + shifted / bw * 53) % 40);
            Put(*bitmap, x, y,
                mortar ? Bgra(180, 190, 200, 255) : Bgra(40 + shade, 60, 150 + shade, 255));
        }
    return bitmap;
}

std::unique_ptr<Bitmap32> Label(uint32_t width, uint32_t height, const std::string& text,
                                uint32_t background) {
    auto bitmap = Bitmap32::Create(width, height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            Put(*bitmap, x, y, background);
    const int scale = std::max(1, int(width / (6 * std::max<size_t>(text.size(), 1) + 2)));
    const int textHeight = 7 * scale;
    DrawText(*bitmap, scale, (int(height) - textHeight) / 2, scale, text, 0xFFFFFFFFu);
    return bitmap;
}

std::unique_ptr<Bitmap32> RadarTile(uint32_t size, int tileX, int tileY, int tilesPerRow) {
    auto bitmap = Bitmap32::Create(size, size);
    const double world = double(size) * tilesPerRow;
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            const double wx = tileX * double(size) + x, wy = tileY * double(size) + y;
            const double u = wx / world, v = wy / world;
            // An island: land where the smooth height is above the sea.
            const double height = 1.0 - 2.2 * std::hypot(u - 0.5, v - 0.5) +
                                  0.15 * std::sin(u * 19) * std::cos(v * 23);
            uint32_t colour;
            if (height < 0)
                colour = Bgra(150, 90, 40, 255);
            else if (height < 0.06)
                colour = Bgra(120, 200, 220, 255);
            else
                colour = Bgra(60, int(140 + 60 * height), 70, 255);
            const bool road = height > 0.06 && (int(wx) % 256 < 5 || int(wy) % 192 < 5);
            Put(*bitmap, x, y, road ? Bgra(90, 90, 90, 255) : colour);
        }
    DrawText(*bitmap, 4, 4, 2, std::to_string(tileY * tilesPerRow + tileX), 0xFFFFFFFFu);
    return bitmap;
}

} // namespace Pictures
