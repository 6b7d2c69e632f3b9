#pragma once

// Image data of every kind the tests need, made from pixels they choose:
// JPEG (with EXIF; CMYK through libjpeg), GIF, TIFF through libtiff (whose
// CCITT and LZW coders also make PDF stream data), JBIG2 of our own, JPEG 2000
// through OpenJPEG; and TIFF files read back with libtiff.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QVector>

#include <cstdint>
#include <vector>

namespace testsupport {

QByteArray jpegBytes(const QImage& image, int quality = 90, bool progressive = false);
// The JPEG with an EXIF block (orientation; resolution when dpi > 0) after its start marker.
QByteArray withExif(const QByteArray& jpeg, int orientation, int dpi = 0);
// The images-to-PDF pair: a 640x480 150 dpi JPEG photo and a half-transparent PNG logo.
bool writePhotoAndLogo(const QString& photoPath, const QString& logoPath);
// A CMYK JPEG through libjpeg: the values as given, with Adobe's marker.
QByteArray cmykJpeg(int width, int height, const QByteArray& cmyk, int quality = 95);

// A GIF with that palette and one index a pixel, row after row; transparent < 0 for none.
QByteArray gifBytes(int width, int height, const QVector<QRgb>& palette, const std::vector<uint8_t>& indices,
                    int transparent = -1, bool interlaced = false);

// A TIFF through libtiff: samples row after row at bits each (16-bit samples
// in machine order), tags as libtiff names them.
struct TiffLayout {
    int width = 0, height = 0;
    int samples = 1, bits = 8;
    int photometric = 1;  // PHOTOMETRIC_MINISBLACK
    int extraAlpha = 0;   // 0 none, 1 associated, 2 unassociated
    int compression = 1;  // COMPRESSION_NONE
    float dpi = 0;
    std::vector<uint16_t> colormap;  // red..., green..., blue...
    bool tiled = false;
    int orientation = 1;
};
bool writeTiff(const QString& path, const TiffLayout& layout, const std::vector<uint8_t>& samples);

// The pages of a TIFF file as libtiff reads them, and how each is stored.
struct TiffPage {
    QImage image;
    int samplesPerPixel = 0, bitsPerSample = 0, compression = 0, photometric = 0;
    double xResolution = 0, yResolution = 0;
    int resolutionUnit = 0;
};
QList<TiffPage> readTiff(const QString& path);

// A one-bit picture, rows of black (true) pixels; the test picture is a ring and a diagonal.
using Bilevel = QList<QList<bool>>;
Bilevel bilevelPicture(int width, int height);

// Data for PDF streams: zlib; CCITT fax (group 4 when k < 0, group 3
// one-dimensional when k == 0) and LZW (EarlyChange 1) through libtiff.
QByteArray flate(const QByteArray& data);
QByteArray ccittFax(const Bilevel& black, int k);
QByteArray lzw(const QByteArray& data);

// JBIG2 (embedded stream): one page with an MMR generic region; or a
// halftone region whose two patterns (a white and a black cell of cell x cell
// pixels) are global data.
QByteArray jbig2Generic(const Bilevel& black);
struct Jbig2WithGlobals {
    QByteArray page, globals;
};
Jbig2WithGlobals jbig2Halftone(const Bilevel& cells, int cell);

// Lossless JPEG 2000 of a gray or RGB image: a JP2 file or a raw codestream.
QByteArray jpeg2000(const QImage& image, bool grayscale, bool jp2Container = true);

// Reads an image file, its format found from its content.
QImage readImage(const QString& path, QByteArray* format = nullptr);

} // namespace testsupport
