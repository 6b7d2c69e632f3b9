#include "render/rasterizer.h"

#include <Error.h>
#include <GlobalParams.h>
#include <PDFDoc.h>
#include <SplashOutputDev.h>
#include <Stream.h>
#include <goo/GooString.h>
#include <splash/SplashBitmap.h>

#include <QFile>

#include <atomic>
#include <cmath>
#include <cstdlib>

namespace fpe {

namespace {

// Poppler's messages about damaged files are of no use to the library's callers.
void ignoreMessage(ErrorCategory, Goffset, const char*) {}

std::unique_ptr<GlobalParamsIniter> useGlobalParams()
{
    return std::make_unique<GlobalParamsIniter>(ignoreMessage);
}

// The bitmap of a page up to this size (A3 at 300 dpi, 4 bytes a pixel with
// Splash's alpha plane) stays allocated for the next page; larger ones are
// freed after each render rather than held by an idle instance.
constexpr double keptPixels = 20e6;

quint64 nextSerial()
{
    static std::atomic<quint64> last{0};
    return ++last;
}

} // namespace

RasterDocument::RasterDocument()
    : params(useGlobalParams())
    , serial(nextSerial())
{
}

RasterDocument::~RasterDocument() = default;

std::unique_ptr<RasterDocument> RasterDocument::fromFile(const QString& path, const std::string& password)
{
    std::unique_ptr<RasterDocument> doc(new RasterDocument);
    doc->pdf = std::make_unique<PDFDoc>(std::make_unique<GooString>(QFile::encodeName(path).toStdString()),
                                        GooString(password), GooString(password));
    // Not ok also when the password does not open the document.
    return doc->pdf->isOk() ? std::move(doc) : nullptr;
}

std::unique_ptr<RasterDocument> RasterDocument::fromData(std::shared_ptr<const QByteArray> data, const std::string& password)
{
    if (!data || data->isEmpty())
        return nullptr;
    std::unique_ptr<RasterDocument> doc(new RasterDocument);
    doc->data = std::move(data);
    // The PDFDoc owns the stream; the stream reads the bytes in place.
    doc->pdf = std::make_unique<PDFDoc>(new MemStream(doc->data->constData(), 0, doc->data->size(), Object(objNull)),
                                        GooString(password), GooString(password));
    return doc->pdf->isOk() ? std::move(doc) : nullptr;
}

int RasterDocument::pageCount() const
{
    return pdf->getNumPages();
}

QSizeF RasterDocument::cropSize(int page) const
{
    if (page < 1 || page > pdf->getNumPages())
        return QSizeF();
    return QSizeF(std::fabs(pdf->getPageCropWidth(page)), std::fabs(pdf->getPageCropHeight(page)));
}

Rasterizer::Rasterizer()
    : params(useGlobalParams())
{
}

Rasterizer::~Rasterizer() = default;

bool Rasterizer::draw(RasterDocument& doc, int page, double dpi, Order order, Raster& out)
{
    out = Raster();
    const QSizeF crop = doc.cropSize(page);
    if (crop.isEmpty() || !std::isfinite(dpi) || dpi <= 0)
        return false;
    if (!device || deviceOrder != order) {
        // White paper, rows padded to 4 bytes, top-down; anti-aliased text
        // and shapes, FreeType without hinting: pdftoppm's defaults.
        SplashColor white;
        white[0] = white[1] = white[2] = 255;
        device = std::make_unique<SplashOutputDev>(order == Bgr ? splashModeBGR8 : splashModeRGB8, 4, false, white, true);
        device->setFontAntialias(true);
        device->setVectorAntialias(true);
        device->setFreeTypeHinting(false, false);
        deviceOrder = order;
        startedSerial = 0;
    }
    // Fonts and Type 3 glyphs cached by the device belong to one document.
    if (startedSerial != doc.serial) {
        device->startDoc(doc.pdf.get());
        startedSerial = doc.serial;
    }
    // The CropBox, rotated as the page says, in whole pixels rounded up: a
    // slice of exactly that size, as pdftoppm draws it, so that both give
    // pages of the same size. No copy of the cross-reference table, as only
    // this thread reads this document.
    const bool sideways = doc.pdf->getPageRotate(page) % 180 != 0;
    // A size that is whole but for rounding noise (792 pt at 300 dpi) stays whole.
    const double scale = dpi / 72.0;
    auto pixels = [](double size) { return static_cast<int>(std::ceil(size - 1e-6)); };
    const int width = pixels((sideways ? crop.height() : crop.width()) * scale);
    const int height = pixels((sideways ? crop.width() : crop.height()) * scale);
    doc.pdf->displayPageSlice(device.get(), page, dpi, dpi, 0, false, false, false, 0, 0, width, height, nullptr, nullptr,
                              nullptr, nullptr, false);
    SplashBitmap* bitmap = device->getBitmap();
    if (!bitmap || !bitmap->getDataPtr() || bitmap->getRowSize() <= 0)
        return false;
    // Splash falls back to a 1 x 1 bitmap when it cannot allocate the page's.
    if (bitmap->getWidth() != width || bitmap->getHeight() != height)
        return false;
    out.bits = bitmap->getDataPtr();
    out.width = bitmap->getWidth();
    out.height = bitmap->getHeight();
    out.stride = bitmap->getRowSize();
    return true;
}

void Rasterizer::trim()
{
    SplashBitmap* bitmap = device ? device->getBitmap() : nullptr;
    if (bitmap && static_cast<double>(bitmap->getWidth()) * bitmap->getHeight() > keptPixels) {
        device.reset();
        startedSerial = 0;
    }
}

} // namespace fpe
