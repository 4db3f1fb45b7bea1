#include "app/AppIcon.h"

#include <QPainter>
#include <QPixmap>
#include <cstdio>

namespace AppIcon {

namespace {

// The tile behind the texture.
constexpr QRectF kTile(8, 8, 240, 240);
constexpr double kTileRadius = 48;
constexpr QRgb kTileColour = 0xFF24303A;
constexpr QRgb kOutlineColour = 0xFFE8EEF2;
constexpr double kOutlineWidth = 4;

// The largest level has 4 x 4 texels; the levels stand side by side on one base line,
// centred on the tile.
constexpr int kLevels = 3;
constexpr int kTexelsAcross = 4;
constexpr double kLargestSide = 112;
constexpr double kGap = 10;
constexpr double kBaseLine = 184;

// Colours of the texture's four corners: top left, top right, bottom left, bottom right.
constexpr QRgb kCorners[4] = {0xFF1FB5A8, 0xFFF2C14E, 0xFF3A6EA5, 0xFFE4572E};

int Lerp(int a, int b, double t) {
    return static_cast<int>(a + (b - a) * t + 0.5);
}

// The texture is a bilinear blend of its corners, so a texel of a smaller level, the
// average of the texels it covers, is the blend at its own centre.
QRgb Blend(double x, double y) {
    auto channel = [&](int (*part)(QRgb)) {
        const int top = Lerp(part(kCorners[0]), part(kCorners[1]), x);
        const int bottom = Lerp(part(kCorners[2]), part(kCorners[3]), x);
        return Lerp(top, bottom, y);
    };
    return qRgb(channel(qRed), channel(qGreen), channel(qBlue));
}

void AddLevel(std::vector<Shape>& shapes, double left, double side, int texels) {
    const double top = kBaseLine - side;
    const double texel = side / texels;
    for (int row = 0; row < texels; ++row)
        for (int column = 0; column < texels; ++column) {
            Shape s;
            s.rect = QRectF(left + column * texel, top + row * texel, texel, texel);
            s.fill = Blend((column + 0.5) / texels, (row + 0.5) / texels);
            s.smooth = false;
            shapes.push_back(s);
        }
    Shape outline;
    outline.rect = QRectF(left, top, side, side);
    outline.stroke = kOutlineColour;
    outline.strokeWidth = kOutlineWidth;
    shapes.push_back(outline);
}

std::vector<Shape> Draw() {
    std::vector<Shape> shapes;
    Shape tile;
    tile.rect = kTile;
    tile.radius = kTileRadius;
    tile.fill = kTileColour;
    shapes.push_back(tile);

    double width = 0;
    for (int level = 0; level < kLevels; ++level)
        width += kLargestSide / (1 << level) + (level ? kGap : 0);
    double left = kTile.center().x() - width / 2;
    for (int level = 0; level < kLevels; ++level) {
        const double side = kLargestSide / (1 << level);
        AddLevel(shapes, left, side, kTexelsAcross >> level);
        left += side + kGap;
    }
    return shapes;
}

std::string Colour(QRgb colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", qRed(colour), qGreen(colour), qBlue(colour));
    return text;
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

} // namespace

const std::vector<Shape>& Shapes() {
    static const std::vector<Shape> shapes = Draw();
    return shapes;
}

QImage Render(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.scale(static_cast<double>(size) / kCanvas, static_cast<double>(size) / kCanvas);
    for (const Shape& s : Shapes()) {
        painter.setRenderHint(QPainter::Antialiasing, s.smooth);
        painter.setBrush(s.fill ? QBrush(QColor::fromRgba(s.fill)) : QBrush(Qt::NoBrush));
        painter.setPen(s.strokeWidth > 0 ? QPen(QColor::fromRgba(s.stroke), s.strokeWidth)
                                         : QPen(Qt::NoPen));
        if (s.radius > 0)
            painter.drawRoundedRect(s.rect, s.radius, s.radius);
        else
            painter.drawRect(s.rect);
    }
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

std::string Svg() {
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      Number(kCanvas) + "\" height=\"" + Number(kCanvas) + "\" viewBox=\"0 0 " +
                      Number(kCanvas) + " " + Number(kCanvas) + "\">\n";
    for (const Shape& s : Shapes()) {
        svg += "  <rect x=\"" + Number(s.rect.x()) + "\" y=\"" + Number(s.rect.y()) +
               "\" width=\"" + Number(s.rect.width()) + "\" height=\"" + Number(s.rect.height()) +
               "\"";
        if (s.radius > 0)
            svg += " rx=\"" + Number(s.radius) + "\"";
        svg += " fill=\"" + (s.fill ? Colour(s.fill) : std::string("none")) + "\"";
        if (s.strokeWidth > 0)
            svg += " stroke=\"" + Colour(s.stroke) + "\" stroke-width=\"" + Number(s.strokeWidth) +
                   "\"";
        if (!s.smooth)
            svg += " shape-rendering=\"crispEdges\"";
        svg += "/>\n";
    }
    return svg + "</svg>\n";
}

QIcon Icon() {
    QIcon icon;
    for (const int size : kSizes)
        icon.addPixmap(QPixmap::fromImage(Render(size)));
    return icon;
}

} // namespace AppIcon
