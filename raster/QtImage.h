#pragma once
// Bridges between Bitmap32 and QImage (whose ARGB32 format has the same B, G, R, A bytes
// on little-endian machines).
#include "raster/Bitmap32.h"

#include <QImage>
#include <memory>

namespace QtImage {

// A QImage viewing the bitmap's pixels without copying; valid while the bitmap lives.
QImage Wrap(const Bitmap32& bitmap);
// A new bitmap with the image's pixels as non-premultiplied ARGB32; nullptr for a null image.
std::unique_ptr<Bitmap32> ToBitmap(const QImage& image);

} // namespace QtImage
