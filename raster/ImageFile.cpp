#include "raster/ImageFile.h"

#include "platform/Files.h"
#include "raster/GifWriter.h"
#include "raster/QtImage.h"

#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <vector>

namespace {

struct Encoder {
    const char* mime;
    const char* qtFormat; // nullptr: written by our own GIF writer
    EncoderClsid clsid;
};

// {557CF40x-1A04-11D3-9A73-0000F81EF32E}, in the byte order of a Windows GUID.
constexpr EncoderClsid GdiplusEncoder(uint8_t last) {
    return EncoderClsid{{last, 0xF4, 0x7C, 0x55, 0x04, 0x1A, 0xD3, 0x11, 0x9A, 0x73, 0x00, 0x00,
                         0xF8, 0x1E, 0xF3, 0x2E}};
}

// The encoders this machine can write, in the order GDI+ lists them.
const std::vector<Encoder>& Encoders() {
    static const std::vector<Encoder> encoders = [] {
        const Encoder all[] = {
            {"image/bmp", "bmp", GdiplusEncoder(0x00)},
            {"image/jpeg", "jpeg", GdiplusEncoder(0x01)},
            {"image/gif", nullptr, GdiplusEncoder(0x02)},
            {"image/tiff", "tiff", GdiplusEncoder(0x05)},
            {"image/png", "png", GdiplusEncoder(0x06)},
        };
        const auto formats = QImageWriter::supportedImageFormats();
        std::vector<Encoder> available;
        for (const Encoder& e : all)
            if (!e.qtFormat || formats.contains(e.qtFormat))
                available.push_back(e);
        return available;
    }();
    return encoders;
}

// Reads straight into a new bitmap's memory where the file's pixels come as 32-bit (A)RGB,
// the bitmap's own byte order: the picture is then neither allocated nor copied a second
// time. Any other format is read as Qt likes and converted.
std::unique_ptr<Bitmap32> Read(QImageReader& reader) {
    const QSize size = reader.size();
    const QImage::Format format = reader.imageFormat();
    // Qt's own limit on a picture's memory still holds: a hostile header may claim any size.
    const qint64 limit = qint64(QImageReader::allocationLimit()) << 20;
    const bool allowed = limit == 0 || qint64(size.width()) * size.height() * 4 <= limit;
    if ((format == QImage::Format_ARGB32 || format == QImage::Format_RGB32) && !size.isEmpty() &&
        allowed) {
        auto bitmap =
            Bitmap32::CreateUninitialized(uint32_t(size.width()), uint32_t(size.height()));
        if (!bitmap)
            return nullptr;
        QImage target(bitmap->Bits(), size.width(), size.height(), int(bitmap->Stride()), format);
        if (!reader.read(&target))
            return nullptr;
        // A reader that chose another size or format has put the pixels elsewhere.
        if (target.constBits() == bitmap->Bits() && target.format() == format &&
            target.size() == size)
            return bitmap;
        return QtImage::ToBitmap(target);
    }
    return QtImage::ToBitmap(reader.read());
}

} // namespace

std::unique_ptr<Bitmap32> LoadBitmapFromFile(const std::string& path) {
    const QString file = QString::fromStdString(path);
    // Reading by the format the suffix names spares loading and asking every image
    // plug-in first; a file whose suffix is wrong is still read by its content.
    const QByteArray suffix = QFileInfo(file).suffix().toLower().toLatin1();
    if (!suffix.isEmpty()) {
        QImageReader named(file, suffix);
        named.setAutoDetectImageFormat(false);
        named.setAutoTransform(false);
        if (named.canRead())
            if (auto bitmap = Read(named))
                return bitmap;
    }
    QImageReader reader(file);
    reader.setAutoTransform(false);
    return Read(reader);
}

int FindEncoderByMime(const std::string& mime, EncoderClsid* clsid) {
    const auto& encoders = Encoders();
    for (size_t i = 0; i < encoders.size(); ++i) {
        if (mime == encoders[i].mime) {
            if (clsid)
                *clsid = encoders[i].clsid;
            return static_cast<int>(i);
        }
    }
    return -1;
}

int EncoderForExtension(const std::string& extension, EncoderClsid* clsid) {
    std::string ext = extension;
    if (ext == "jpg")
        ext = "jpeg";
    else if (ext == "tif")
        ext = "tiff";
    return FindEncoderByMime("image/" + ext, clsid);
}

bool SaveBitmapToFile(const Bitmap32& bitmap, const std::string& path, const EncoderClsid& clsid) {
    for (const Encoder& e : Encoders()) {
        if (!(e.clsid == clsid))
            continue;
        if (!e.qtFormat)
            return WriteGif(bitmap, path);
        QImageWriter writer(QString::fromStdString(path), e.qtFormat);
        return writer.write(QtImage::Wrap(bitmap));
    }
    return false;
}

bool SaveBitmapByExtension(const Bitmap32& bitmap, const std::string& path) {
    const std::string name = Files::FileNameOf(path);
    const size_t dot = name.rfind('.');
    const std::string ext = dot == std::string::npos ? "png" : name.substr(dot + 1);
    EncoderClsid clsid;
    if (EncoderForExtension(ext, &clsid) < 0)
        return false;
    return SaveBitmapToFile(bitmap, path, clsid);
}
