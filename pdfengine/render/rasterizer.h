#pragma once

// Pages drawn by Poppler's Splash rasterizer, the way pdftoppm draws them:
// one drawing device kept for many pages, so that its bitmap and its fonts
// serve page after page. poppler-cpp and Poppler-Qt5 make a new device for
// every page and hand out a fresh (and for poppler-cpp, copied) bitmap each
// time, which at print resolutions costs more in allocation and page faults
// than the drawing itself. Poppler's own API is used here and only here.

#include <QByteArray>
#include <QSizeF>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <string>

class GlobalParamsIniter;
class PDFDoc;
class SplashOutputDev;

namespace fpe {

// A document as Poppler reads it for drawing.
class RasterDocument
{
public:
    // Null when Poppler cannot open it or the password does not open it.
    static std::unique_ptr<RasterDocument> fromFile(const QString& path, const std::string& password);
    // Reads the bytes in place: they are kept alive by the document.
    static std::unique_ptr<RasterDocument> fromData(std::shared_ptr<const QByteArray> data, const std::string& password);
    ~RasterDocument();
    RasterDocument(const RasterDocument&) = delete;
    RasterDocument& operator=(const RasterDocument&) = delete;

    int pageCount() const;
    // The page's CropBox in points, unrotated; empty for a missing page.
    QSizeF cropSize(int page) const;

private:
    friend class Rasterizer;
    RasterDocument();
    std::unique_ptr<GlobalParamsIniter> params;
    std::shared_ptr<const QByteArray> data;  // outlives pdf, which reads it
    std::unique_ptr<PDFDoc> pdf;
    quint64 serial;  // tells documents apart even when one reuses another's address
};

// Pixels of a drawn page, rows top-down, padded to 4 bytes; owned by the
// rasterizer and valid until its next draw.
struct Raster {
    uchar* bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

class Rasterizer
{
public:
    enum Order { Rgb, Bgr };

    Rasterizer();
    ~Rasterizer();
    Rasterizer(const Rasterizer&) = delete;
    Rasterizer& operator=(const Rasterizer&) = delete;

    // Draws a page (1-based) as displayed: its CropBox with its rotation,
    // dpi / 72 pixels per point, anti-aliased, 8 bits per channel in the
    // given order, on white. False when the page does not exist or could not
    // be drawn; the caller checks the size beforehand.
    bool draw(RasterDocument& doc, int page, double dpi, Order order, Raster& out);
    // Lets go of the last page's pixels when they are too many to keep
    // waiting for the next page; call once they are written.
    void trim();

private:
    std::unique_ptr<GlobalParamsIniter> params;  // outlives the device
    std::unique_ptr<SplashOutputDev> device;
    Order deviceOrder = Rgb;
    quint64 startedSerial = 0;  // the document the device's fonts belong to
};

} // namespace fpe
