// The program's icon: the pictures of every size and the SVG come from the same shapes.
#include "app/AppIcon.h"

#include <QXmlStreamReader>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

bool Near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= 8 && std::abs(qGreen(a) - qGreen(b)) <= 8 &&
           std::abs(qBlue(a) - qBlue(b)) <= 8 && qAlpha(a) == 255;
}

} // namespace

TEST(AppIcon, EverySizeShowsTheShapesWhereTheyLieOnATransparentGround) {
    const auto& shapes = AppIcon::Shapes();
    ASSERT_GT(shapes.size(), 2u);
    for (const int size : AppIcon::kSizes) {
        const QImage image = AppIcon::Render(size);
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size;
        EXPECT_EQ(qAlpha(image.pixel(size - 1, size - 1)), 0) << size;
        // The first texel of the largest level, at its centre.
        const AppIcon::Shape& texel = shapes[1];
        const QPointF centre = texel.rect.center() * size / AppIcon::kCanvas;
        EXPECT_TRUE(Near(image.pixel(centre.toPoint()), texel.fill))
            << size << ": " << std::hex << image.pixel(centre.toPoint());
    }
}

TEST(AppIcon, TheSvgIsWellFormedAndHoldsEveryShapeInsideItsView) {
    QXmlStreamReader xml(QByteArray::fromStdString(AppIcon::Svg()));
    size_t rects = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"svg") {
            EXPECT_EQ(xml.attributes().value("viewBox"), u"0 0 256 256");
        }
        if (xml.name() != u"rect")
            continue;
        ++rects;
        const auto at = [&](const char* name) { return xml.attributes().value(name).toDouble(); };
        EXPECT_GE(at("x"), 0);
        EXPECT_LE(at("x") + at("width"), AppIcon::kCanvas);
        EXPECT_LE(at("y") + at("height"), AppIcon::kCanvas);
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(rects, AppIcon::Shapes().size());
}
