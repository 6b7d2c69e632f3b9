// Reading image files into image XObject data, each format recognised by its
// content, not by its name, and read by its own reader (jpeg.cpp, png.cpp,
// gif.cpp, bmp.cpp, tiff.cpp).

#include "images/images.h"
#include "images/rasterimage.h"

#include <QFile>

#include <cstring>

namespace fpe {

std::shared_ptr<FileImage> readImageFile(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return nullptr;
    auto image = std::make_shared<FileImage>();
    image->path = path;
    image->identity = FileIdentity::of(path);
    if (!image->identity.valid() || image->identity.size > static_cast<qint64>(kMaxDecodedBytes))
        return nullptr;
    const QByteArray bytes = file.readAll();
    if (bytes.size() != image->identity.size)
        return nullptr;

    const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
    const size_t n = static_cast<size_t>(bytes.size());
    auto starts = [&](const char* magic, size_t length) { return n >= length && std::memcmp(p, magic, length) == 0; };
    bool ok = false;
    try {
        if (starts("\xFF\xD8\xFF", 3)) {
            image->type = folio::ImageJpeg;
            ok = readJpegImage(bytes, *image);
        } else if (starts("\x89PNG\r\n\x1A\n", 8)) {
            image->type = folio::ImagePng;
            ok = readPngImage(bytes, *image);
        } else if (starts("GIF87a", 6) || starts("GIF89a", 6)) {
            image->type = folio::ImageGif;
            ok = readGifImage(bytes, *image);
        } else if (starts("BM", 2)) {
            image->type = folio::ImageBmp;
            ok = readBmpImage(bytes, *image);
        } else if (starts("II*\0", 4) || starts("MM\0*", 4) || starts("II+\0", 4) || starts("MM\0+", 4)) {
            image->type = folio::ImageTiff;
            ok = readTiffImage(bytes, *image);
        }
    } catch (const std::exception&) {
        ok = false;  // out of memory, mostly
    }
    if (!ok || !image->image.data || image->image.width <= 0 || image->image.height <= 0)
        return nullptr;
    return image;
}

} // namespace fpe
