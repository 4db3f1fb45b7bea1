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
    const QImage argb = image.format() == QImage::Format_ARGB32
                            ? image
                            : image.convertToFormat(QImage::Format_ARGB32);
    auto bitmap = Bitmap32::CreateUninitialized(static_cast<uint32_t>(argb.width()),
                                                static_cast<uint32_t>(argb.height()));
    if (!bitmap)
        return nullptr;
    for (uint32_t y = 0; y < bitmap->Height(); ++y)
        std::memcpy(bitmap->Pixel(0, y), argb.constScanLine(static_cast<int>(y)), bitmap->Stride());
    return bitmap;
}

} // namespace QtImage
