#pragma once

// Helpers for tests of drawn images and pages: image files of every kind made
// on the spot, PDFs built with QPDF, and independent readings of results
// (pdfimages, pdftoppm).

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QString>
#include <QVector>

#include <cstdint>
#include <vector>

class PdfEngine;
class QTemporaryDir;

namespace imagetest {

// Saves the engine's selected document into dir; returns the file when the
// engine saved it and qpdf --check passes, an empty string otherwise.
QString saveChecked(PdfEngine& engine, const QTemporaryDir& dir, const QString& name);

// With FOLIO_KEEP_TEST_FILES set, the folder stays after the test, for a look.
void keepWhenAsked(QTemporaryDir& dir);

// One line of `pdfimages -list`.
struct ListedImage {
    int page = 0;
    QString type;      // "image", "smask", ...
    int width = 0;
    int height = 0;
    QString color;     // "gray", "rgb", "cmyk", "index"
    int components = 0;
    int bpc = 0;
    QString encoding;  // "jpeg", "image", ...
    int object = 0;
};
QList<ListedImage> listImages(const QString& pdf);

// The page as a viewer shows it (its CropBox), rendered by pdftoppm at the
// given resolution (72: one pixel a point). A null image when rendering failed.
QImage renderPage(const QString& pdf, int page, int dpi = 72);

// Close to the colour, per channel.
bool near(QRgb pixel, QColor expected, int tolerance = 40);

// A JPEG as Qt writes it, with an EXIF block (orientation, and resolution
// when dpi > 0) put in after the start marker.
QByteArray withExif(const QByteArray& jpeg, int orientation, int dpi = 0);
QByteArray jpegBytes(const QImage& image, int quality = 90, bool progressive = false);

// A GIF with the given palette (RGB colours) and one index a pixel, row
// after row; transparent < 0 for none.
QByteArray gifBytes(int width, int height, const QVector<QRgb>& palette, const std::vector<uint8_t>& indices,
                    int transparent = -1, bool interlaced = false);

// A TIFF through libtiff: samples row after row at bits each (16-bit samples
// in machine order), photometric as libtiff names it.
struct TiffSpec {
    int width = 0, height = 0;
    int samples = 1, bits = 8;
    int photometric = 1;        // PHOTOMETRIC_MINISBLACK
    int extraAlpha = 0;         // 0 none, 1 associated, 2 unassociated
    int compression = 1;        // COMPRESSION_NONE
    float dpi = 0;
    std::vector<uint16_t> colormap;  // 3 * 2^bits entries (red..., green..., blue...)
    bool tiled = false;
    int orientation = 1;
};
bool writeTiff(const QString& path, const TiffSpec& spec, const std::vector<uint8_t>& samples);

// Writes bytes to a file; false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);

// A PDF built directly with QPDF: one page per entry, each with its MediaBox,
// optional CropBox and /Rotate, and content in Helvetica (font /F1).
struct PageSpec {
    double width = 612, height = 792;
    double cropLeft = 0, cropBottom = 0, cropRight = 0, cropTop = 0;  // no CropBox when right <= left
    int rotate = 0;
    QByteArray content;
};
bool writePdf(const QString& path, const QList<PageSpec>& pages);

} // namespace imagetest
