// BMP files as image XObject data: checked here, decoded by Qt's reader
// (which is silent), stored losslessly.

#include "images/rasterimage.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cstring>

namespace fpe {

namespace {

bool storeQImage(QImage img, FileImage& image)
{
    if (img.isNull() || decodedSize(img.width(), img.height(), 4, 8) == 0)
        return false;
    Raster r;
    if (img.format() == QImage::Format_Mono || img.format() == QImage::Format_MonoLSB)
        img = img.convertToFormat(QImage::Format_Indexed8);
    const QVector<QRgb> table = img.colorTable();
    const bool paletteOpaque = std::all_of(table.begin(), table.end(), [](QRgb c) { return qAlpha(c) == 255; });
    if (img.format() == QImage::Format_Indexed8 && !table.isEmpty() && paletteOpaque) {
        std::string palette;
        for (QRgb c : table) {
            palette += char(qRed(c));
            palette += char(qGreen(c));
            palette += char(qBlue(c));
        }
        std::vector<uint8_t> indices(size_t(img.width()) * size_t(img.height()));
        for (int y = 0; y < img.height(); ++y) {
            const uchar* line = img.constScanLine(y);
            for (int x = 0; x < img.width(); ++x)
                indices[size_t(y) * size_t(img.width()) + size_t(x)] = std::min<int>(line[x], table.size() - 1);
        }
        r = indexedRaster(img.width(), img.height(), indices.data(), palette);
    } else {
        img = img.convertToFormat(QImage::Format_RGBA8888);
        if (img.isNull())
            return false;
        std::vector<uint8_t> rgba(size_t(img.width()) * size_t(img.height()) * 4);
        for (int y = 0; y < img.height(); ++y)
            std::memcpy(&rgba[size_t(y) * size_t(img.width()) * 4], img.constScanLine(y), size_t(img.width()) * 4);
        r = rasterFromRgba(img.width(), img.height(), rgba.data());
    }
    return storeRaster(r, image);
}

QImage decodeWithQt(const QByteArray& bytes, const char* format)
{
    QBuffer device;
    device.setData(bytes);
    device.open(QIODevice::ReadOnly);
    QImageReader reader(&device, format);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (size.isValid() && decodedSize(size.width(), size.height(), 4, 8) == 0)
        return QImage();
    QImage img;
    if (!reader.read(&img))
        return QImage();
    return img;
}

} // namespace

bool readBmpImage(const QByteArray& bytes, FileImage& image)
{
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
    const size_t n = static_cast<size_t>(bytes.size());
    if (n < 26)
        return false;
    const size_t dataOffset = le32(p + 10);
    const size_t headerSize = le32(p + 14);
    long long width = 0, height = 0;
    int bpp = 0;
    uint32_t compression = 0;
    if (headerSize == 12) {
        width = le16(p + 18);
        height = le16(p + 20);
        bpp = le16(p + 24);
    } else if (headerSize >= 40 && n >= 54) {
        width = static_cast<int32_t>(le32(p + 18));
        height = static_cast<int32_t>(le32(p + 22));
        bpp = le16(p + 28);
        compression = le32(p + 30);
        image.horizontalDpi = dpiFromPerMetre(static_cast<int32_t>(le32(p + 38)));
        image.verticalDpi = dpiFromPerMetre(static_cast<int32_t>(le32(p + 42)));
    } else {
        return false;
    }
    height = std::llabs(height);
    if (width <= 0 || height <= 0 || bpp <= 0 || bpp > 32 || decodedSize(width, height, 4, 8) == 0)
        return false;
    // Uncompressed pixel rows must all be there.
    if (compression == 0 || compression == 3 || compression == 6) {
        const unsigned long long stride = ((static_cast<unsigned long long>(width) * bpp + 31) / 32) * 4;
        if (dataOffset > n || stride * static_cast<unsigned long long>(height) > n - dataOffset)
            return false;
    }
    const QImage img = decodeWithQt(bytes, "bmp");
    if (img.width() != width || img.height() != height)
        return false;
    return storeQImage(img, image);
}

} // namespace fpe
