#pragma once

// Test inputs with images of every kind a PDF can hold, made here from
// pixels the tests choose: compressed with zlib, libjpeg (CMYK JPEG),
// libtiff (CCITT fax), OpenJPEG (JPEG 2000) and a small JBIG2 writer of our
// own, then put into PDFs with QPDF.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

namespace imagefixtures {

// One image XObject: its dictionary entries besides /Type, /Subtype and
// /Length (PDF syntax), its stored data, and optional JBIG2 global data.
struct PdfImage {
    QByteArray dict;
    QByteArray data;
    QByteArray jbig2Globals;
};

// Content drawn on a page: image XObjects by index into the file's images
// (each may be drawn several times), and extra content stream text that is
// appended as it is (e.g. an inline image).
struct PdfPage {
    QList<int> draws;
    QByteArray extraContent;
    QList<int> formDraws;        // images drawn inside a form XObject the page draws
    QList<int> annotationDraws;  // images drawn by an annotation's appearance
};

// Writes a PDF with the given images and pages (612 x 792 pt).
bool writeImagePdf(const QString& path, const QList<PdfImage>& images, const QList<PdfPage>& pages);
// One page drawing each image once.
bool writeImagePdf(const QString& path, const QList<PdfImage>& images);

// zlib data for /FlateDecode.
QByteArray flate(const QByteArray& data);

// Packs samples (one per byte, or big-endian 16-bit pairs for 16 bits) given
// row by row into PDF image rows of the given bit depth.
QByteArray packSamples(const QList<int>& samples, int width, int componentsPerPixel, int bitsPerComponent);

// JPEG data: gray or RGB through Qt; CMYK through libjpeg, which stores the
// CMYK values as given (with Adobe's marker).
QByteArray jpegFromImage(const QImage& image, int quality = 95);
QByteArray cmykJpeg(int width, int height, const QByteArray& cmyk, int quality = 95);

// CCITT fax data of a one-bit image (black = true), through libtiff:
// group 4 when k < 0, group 3 one-dimensional when k == 0.
QByteArray ccittFax(const QList<QList<bool>>& black, int k);

// JBIG2 data (embedded stream) of a one-bit image: one page with an MMR
// generic region.
QByteArray jbig2Generic(const QList<QList<bool>>& black);
// The same picture as a halftone region whose patterns (a white and a black
// cell of cell x cell pixels) live in a global pattern dictionary; the
// picture's size must be a multiple of cell.
struct Jbig2WithGlobals {
    QByteArray page;
    QByteArray globals;
};
Jbig2WithGlobals jbig2Halftone(const QList<QList<bool>>& cells, int cell);

// Lossless JPEG 2000 data (JP2 file format, or a raw codestream) of a gray
// or RGB image.
QByteArray jpeg2000(const QImage& image, bool grayscale, bool jp2Container = true);

// A test picture of one-bit cells: a ring and a diagonal.
QList<QList<bool>> bilevelPicture(int width, int height);

// The largest difference of any colour channel between two images of the
// same size (compared as 8-bit RGB), or -1 when their sizes differ.
int maxChannelDifference(const QImage& a, const QImage& b);
// The mean absolute channel difference, or -1 when their sizes differ.
double meanChannelDifference(const QImage& a, const QImage& b);

// The pages of a TIFF file read with libtiff, and how each is stored.
struct TiffPage {
    QImage image;
    int samplesPerPixel = 0;
    int bitsPerSample = 0;
    int compression = 0;
    int photometric = 0;
    double xResolution = 0;
    double yResolution = 0;
    int resolutionUnit = 0;
};
QList<TiffPage> readTiff(const QString& path);

// Reads an image file, its format found from its content.
QImage readImage(const QString& path, QByteArray* format = nullptr);

} // namespace imagefixtures
