#include "raster/Bitmap32.h"

#include "raster/QtImage.h"

#include <QImage>
#include <cstring>

std::unique_ptr<Bitmap32> Bitmap32::CreateUninitialized(uint32_t width, uint32_t height) {
    if (width == 0 || height == 0)
        return nullptr;
    const uint64_t bytes = static_cast<uint64_t>(width) * height * 4;
    if (bytes > SIZE_MAX / 2)
        return nullptr;
    Storage bits(static_cast<uint8_t*>(LargeBuffer::Allocate(static_cast<size_t>(bytes))));
    if (!bits)
        return nullptr;
    return std::unique_ptr<Bitmap32>(new Bitmap32(width, height, std::move(bits)));
}

std::unique_ptr<Bitmap32> Bitmap32::Create(uint32_t width, uint32_t height) {
    auto bitmap = CreateUninitialized(width, height);
    if (bitmap)
        std::memset(bitmap->Bits(), 0, bitmap->ByteSize());
    return bitmap;
}

std::unique_ptr<Bitmap32> Bitmap32::Clone() const {
    auto copy = CreateUninitialized(m_nWidth, m_nHeight);
    if (copy)
        std::memcpy(copy->Bits(), Bits(), ByteSize());
    return copy;
}

std::unique_ptr<Bitmap32> Bitmap32::Scaled(uint32_t width, uint32_t height) const {
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX)
        return nullptr;
    if (width == m_nWidth && height == m_nHeight)
        return Clone();
    const QImage scaled =
        QtImage::Wrap(*this).scaled(static_cast<int>(width), static_cast<int>(height),
                                    Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return QtImage::ToBitmap(scaled);
}
