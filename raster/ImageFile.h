#pragma once
// Image files: loading PNG, BMP, GIF, JPEG and TIFF into a Bitmap32, and saving a bitmap
// with an encoder chosen by MIME type or file extension.
#include "raster/Bitmap32.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

// The 16-byte class identifier of an image encoder (the GDI+ encoder CLSIDs are kept, so
// an identifier stored anywhere keeps meaning the same encoder).
struct EncoderClsid {
    std::array<uint8_t, 16> bytes{};
    bool operator==(const EncoderClsid&) const = default;
};

// nullptr when the file cannot be read or decoded.
std::unique_ptr<Bitmap32> LoadBitmapFromFile(const std::string& path);

// Index of the encoder whose MIME type equals mime exactly (case-sensitive), copying its
// identifier to clsid; -1 (clsid untouched) when there is none.
int FindEncoderByMime(const std::string& mime, EncoderClsid* clsid);
// The same for a file extension without the dot, compared as given: "jpg" means
// image/jpeg and "tif" image/tiff; "JPG" finds nothing.
int EncoderForExtension(const std::string& extension, EncoderClsid* clsid);

// Writes the bitmap with the encoder; false when the encoder is unknown or writing fails.
bool SaveBitmapToFile(const Bitmap32& bitmap, const std::string& path, const EncoderClsid& clsid);
// Saves by the extension of path ("png" when it has none); false when no encoder matches.
bool SaveBitmapByExtension(const Bitmap32& bitmap, const std::string& path);
