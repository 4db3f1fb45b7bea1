#pragma once
// The program's icon: a texture and its two smaller mip levels on a dark rounded tile, each
// level's texels the averages of the larger one's. One list of shapes gives the PNG files
// of every size, the SVG file and the window's icon, so they never disagree.
#include <QIcon>
#include <QImage>
#include <QRectF>
#include <QRgb>
#include <string>
#include <vector>

namespace AppIcon {

// The drawing's own units: a square of this side, scaled to each size.
inline constexpr int kCanvas = 256;
// The sizes desktops ask for (the hicolor theme's usual set).
inline constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

struct Shape {
    QRectF rect;       // in canvas units
    double radius = 0; // of rounded corners
    QRgb fill = 0;     // opaque colour; 0 for none
    QRgb stroke = 0;   // outline colour, when strokeWidth > 0
    double strokeWidth = 0;
    bool smooth = true; // false for texels, which must meet without seams
};

// The shapes in drawing order.
const std::vector<Shape>& Shapes();

// The icon at size x size pixels, transparent around the tile.
QImage Render(int size);
// The icon as an SVG document.
std::string Svg();
// Every size of the icon, for the window.
QIcon Icon();

} // namespace AppIcon
