#include "raster/QtImage.h"

#include <QtEndian>
#include <cstring>

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "Bitmap32 relies on ARGB32 being B, G, R, A");

namespace QtImage {

QImage Wrap(const Bitmap32& bitmap) {
    return QImage(bitmap.Bits(), static_cast<int>(bitmap.Width()),
                  static_cast<int>(bitmap.Height()), static_cast<qsizetype>(bitmap.Stride()),
                  QImage::Format_ARGB32);
}

std::unique_ptr<Bitmap32> ToBitmap(const QImage& image) {
    if (image.isNull())
        return nullptr;
    // RGB32 is ARGB32 with every alpha 0xff already (an opaque PNG reads so): copied as it is
    // rather than converted into a third copy of the picture first.
    const bool direct =
        image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32;
    const QImage argb = direct ? image : image.convertToFormat(QImage::Format_ARGB32);
    auto bitmap = Bitmap32::CreateUninitialized(static_cast<uint32_t>(argb.width()),
                                                static_cast<uint32_t>(argb.height()));
    if (!bitmap)
        return nullptr;
    for (uint32_t y = 0; y < bitmap->Height(); ++y)
        std::memcpy(bitmap->Pixel(0, y), argb.constScanLine(static_cast<int>(y)), bitmap->Stride());
    return bitmap;
}

} // namespace QtImage
