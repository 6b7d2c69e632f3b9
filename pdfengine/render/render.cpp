// Rendering pages to image files, and the Poppler views that rendering and
// text read.

#include "render/render.h"

#include "core/instance.h"
#include "core/outputfile.h"
#include "documents/pageranges.h"
#include "images/jpegerrors.h"
#include "images/tiffdevice.h"
#include "render/rasterizer.h"

#include <poppler-document.h>

#include <QFile>
#include <QImage>
#include <QImageWriter>

#include <csetjmp>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace fpe {

RenderCache::~RenderCache() = default;

namespace {

bool sourceStillSame(const Document& doc)
{
    return doc.sourceIdentity.valid() && FileIdentity::of(doc.sourcePath) == doc.sourceIdentity;
}

// The document's cache for its current revision: emptied after a change, or
// when a view reads the source file and the file changed since.
RenderCache& currentCache(Document& doc)
{
    std::shared_ptr<RenderCache>& cache = doc.renderCache;
    if (!cache || cache->revision != doc.revision || (cache->fromSource && !sourceStillSame(doc))) {
        cache = std::make_shared<RenderCache>();
        cache->revision = doc.revision;
    }
    return *cache;
}

// Opens one view of the document: from its source file while the document
// is unchanged and the file still holds the bytes it was loaded from,
// otherwise from its snapshot. Null when Poppler cannot read either.
template <typename View, typename FromFile, typename FromData, typename PageCount>
std::unique_ptr<View> openView(Document& doc, RenderCache& cache, FromFile fromFile, FromData fromData, PageCount pageCount)
{
    const int pages = doc.pageCount();
    if (!doc.modified && !doc.sourcePath.isEmpty() && sourceStillSame(doc)) {
        std::unique_ptr<View> view = fromFile(doc.sourcePath);
        // Checked again once open: the file may have been replaced meanwhile.
        // Both libraries must see the same pages; when they read a damaged
        // file differently, Poppler reads QPDF's view instead.
        if (view && pageCount(*view) == pages && sourceStillSame(doc)) {
            cache.fromSource = true;
            return view;
        }
    }
    if (!cache.data) {
        try {
            cache.data = doc.snapshot();
        } catch (const std::exception&) {
            return nullptr;
        }
    }
    if (!cache.data || cache.data->isEmpty())
        return nullptr;
    std::unique_ptr<View> view = fromData(cache.data);
    return view && pageCount(*view) == pages ? std::move(view) : nullptr;
}

} // namespace

poppler::document* popplerDocument(Document& doc)
{
    RenderCache& cache = currentCache(doc);
    if (!cache.textOpened) {
        cache.textOpened = true;
        auto usable = [](poppler::document* pd) {
            std::unique_ptr<poppler::document> view(pd);
            return view && !view->is_locked() ? std::move(view) : nullptr;
        };
        cache.text = openView<poppler::document>(
            doc, cache,
            [&](const QString& path) {
                return usable(poppler::document::load_from_file(QFile::encodeName(path).toStdString(), doc.password, doc.password));
            },
            [&](const std::shared_ptr<const QByteArray>& data) {
                return usable(poppler::document::load_from_raw_data(data->constData(), data->size(), doc.password, doc.password));
            },
            [](poppler::document& view) { return view.pages(); });
    }
    return cache.text.get();
}

RasterDocument* rasterDocument(Document& doc)
{
    RenderCache& cache = currentCache(doc);
    if (!cache.pagesOpened) {
        cache.pagesOpened = true;
        cache.pages = openView<RasterDocument>(
            doc, cache, [&](const QString& path) { return RasterDocument::fromFile(path, doc.password); },
            [&](const std::shared_ptr<const QByteArray>& data) { return RasterDocument::fromData(data, doc.password); },
            [](RasterDocument& view) { return view.pageCount(); });
    }
    return cache.pages.get();
}

namespace {

// Draws a page (1-based) of the document as displayed: its CropBox with its
// rotation, dpi / 72 pixels per point, anti-aliased. False when the page
// cannot be drawn or would be too large.
bool renderPage(Instance& instance, Document& doc, int pageNumber, double dpi, Rasterizer::Order order, Raster& out)
{
    if (!std::isfinite(dpi) || dpi <= 0 || !doc.hasPage(pageNumber))
        return false;
    RasterDocument* pages = rasterDocument(doc);
    if (!pages)
        return false;
    const QSizeF box = pages->cropSize(pageNumber);
    const double scale = dpi / 72.0;
    const double w = box.width() * scale;
    const double h = box.height() * scale;
    if (!(w * h <= maxRenderPixels) || w < 0.5 || h < 0.5)
        return false;
    if (!instance.rasterizer)
        instance.rasterizer = std::make_shared<Rasterizer>();
    return instance.rasterizer->draw(*pages, pageNumber, dpi, order, out);
}

int dotsPerMeter(double dpi)
{
    return static_cast<int>(std::lround(qBound(1.0, dpi, 1e6) / 0.0254));
}

void put16(char* p, quint16 v)
{
    p[0] = static_cast<char>(v & 0xff);
    p[1] = static_cast<char>(v >> 8);
}

void put32(char* p, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

// 24-bit BMP, bottom-up, from BGR rows.
bool writeBmp(OutputFile& out, const Raster& image, double dpi)
{
    const int w = image.width, h = image.height;
    const qint64 rowBytes = (static_cast<qint64>(w) * 3 + 3) & ~qint64(3);
    const qint64 pixelBytes = rowBytes * h;
    // Splash pads its rows to 4 bytes, as BMP does.
    if (54 + pixelBytes > 0xffffffffLL || image.stride != rowBytes)
        return false;
    char header[54] = {};
    header[0] = 'B';
    header[1] = 'M';
    put32(header + 2, static_cast<quint32>(54 + pixelBytes));
    put32(header + 10, 54);
    put32(header + 14, 40);
    put32(header + 18, static_cast<quint32>(w));
    put32(header + 22, static_cast<quint32>(h));
    put16(header + 26, 1);
    put16(header + 28, 24);
    put32(header + 34, static_cast<quint32>(pixelBytes));
    put32(header + 38, static_cast<quint32>(dotsPerMeter(dpi)));
    put32(header + 42, static_cast<quint32>(dotsPerMeter(dpi)));
    if (!out.write(header, sizeof header))
        return false;
    // Rows bottom-up, written straight from the rasterizer's pixels.
    std::vector<OutputFile::Piece> rows;
    rows.reserve(static_cast<size_t>(h));
    const size_t padding = static_cast<size_t>(rowBytes) - static_cast<size_t>(w) * 3;
    for (int y = h - 1; y >= 0; --y) {
        uchar* row = image.bits + static_cast<qint64>(y) * image.stride;
        if (padding)
            std::memset(row + static_cast<size_t>(w) * 3, 0, padding);
        rows.push_back({reinterpret_cast<const char*>(row), rowBytes});
    }
    return out.write(rows);
}

bool writeWithQt(OutputFile& out, const Raster& image, double dpi, const char* format, int quality)
{
    // Wraps the rasterizer's pixels without copying them (writable data,
    // one reference: setting the resolution does not detach).
    QImage view(image.bits, image.width, image.height, image.stride, QImage::Format_RGB888);
    view.setDotsPerMeterX(dotsPerMeter(dpi));
    view.setDotsPerMeterY(dotsPerMeter(dpi));
    QImageWriter writer(&out.device(), format);
    if (quality >= 0)
        writer.setQuality(quality);
    return writer.write(view);
}

// A baseline JPEG with libjpeg's defaults, encoded straight from the
// rasterizer's RGB rows (no copy of the page on the way), the resolution in
// its JFIF header: the file pdftoppm writes.
bool writeJpeg(OutputFile& out, const Raster& image, double dpi, int quality)
{
    jpeg_compress_struct info;
    JpegErrors failure;
    info.err = failure.install();
    unsigned char* data = nullptr;
    unsigned long size = 0;
    if (setjmp(failure.escape)) {
        jpeg_destroy_compress(&info);
        std::free(data);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &data, &size);
    info.image_width = static_cast<JDIMENSION>(image.width);
    info.image_height = static_cast<JDIMENSION>(image.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.density_unit = 1;  // dots per inch
    info.X_density = info.Y_density = static_cast<UINT16>(qBound(1L, std::lround(dpi), 65535L));
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = image.bits + static_cast<qint64>(info.next_scanline) * image.stride;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const bool written = out.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    std::free(data);
    return written;
}

// A TIFF with one directory per page: 24-bit RGB, LZW (lossless and read by
// every TIFF reader), resolution tags set.
class TiffPages
{
public:
    explicit TiffPages(OutputFile& out)
        : tif(openTiff(out.device(), "w"))
    {
    }
    ~TiffPages()
    {
        if (tif)
            TIFFClose(tif);
    }
    TiffPages(const TiffPages&) = delete;
    TiffPages& operator=(const TiffPages&) = delete;

    bool isOpen() const { return tif != nullptr; }

    bool add(const Raster& image, double dpi)
    {
        const uint32_t w = static_cast<uint32_t>(image.width), h = static_cast<uint32_t>(image.height);
        const float resolution = static_cast<float>(dpi);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, resolution);
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, resolution);
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(tif, TIFFTAG_PAGENUMBER, static_cast<uint16_t>(pageIndex), static_cast<uint16_t>(0));
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
        for (uint32_t y = 0; y < h; ++y) {
            if (TIFFWriteScanline(tif, image.bits + static_cast<qint64>(y) * image.stride, y, 0) < 0)
                return false;
        }
        ++pageIndex;
        return TIFFWriteDirectory(tif) == 1;
    }

    bool close()
    {
        TIFF* t = tif;
        tif = nullptr;
        if (!t)
            return false;
        const bool flushed = TIFFFlush(t) == 1;
        TIFFClose(t);
        return flushed;
    }

private:
    TIFF* tif;
    int pageIndex = 0;
};

// Once an operation's pages are written, the rasterizer lets go of pixels
// too many to keep.
struct TrimRasterizer {
    Instance& instance;
    ~TrimRasterizer()
    {
        if (instance.rasterizer)
            instance.rasterizer->trim();
    }
};

} // namespace

int Instance::RenderPageToFile(double DPI, int Page, int Options, const QString& FileName)
{
    // The format in the low byte; a JPEG's quality (1-100, 90 when none is
    // given) may ride in the byte above it.
    const int format = Options & 0xff;
    const int quality = Options >> 8;
    if (format != folio::RenderBmp && format != folio::RenderJpeg && format != folio::RenderPng && format != folio::RenderTiff)
        return 0;
    if (quality < 0 || quality > 100 || (quality != 0 && format != folio::RenderJpeg))
        return 0;
    Document& doc = selectedDoc();
    const int pageNumber = Page == 0 ? 1 : Page;
    if (!doc.hasPage(pageNumber))
        return 0;
    // A target that cannot be written fails before the page is drawn.
    OutputFile out(FileName);
    if (!out.isOpen())
        return 0;
    TrimRasterizer trim{*this};
    Raster image;
    if (!renderPage(*this, doc, pageNumber, DPI, format == folio::RenderBmp ? Rasterizer::Bgr : Rasterizer::Rgb, image))
        return 0;
    bool written = false;
    switch (format) {
    case folio::RenderBmp:
        written = writeBmp(out, image, DPI);
        break;
    case folio::RenderJpeg:
        written = writeJpeg(out, image, DPI, quality == 0 ? 90 : quality);
        break;
    case folio::RenderPng:
        written = writeWithQt(out, image, DPI, "png", -1);
        break;
    case folio::RenderTiff: {
        TiffPages tiff(out);
        written = tiff.isOpen() && tiff.add(image, DPI) && tiff.close();
        break;
    }
    }
    return written && out.commit() ? 1 : 0;
}

int Instance::RenderAsMultipageTIFFToFile(double DPI, const QString& PageRanges, int, int, const QString& FileName)
{
    // Every image and output option gives the same file: RGB, lossless.
    Document& doc = selectedDoc();
    if (FileName.isEmpty() || !std::isfinite(DPI) || DPI <= 0)
        return 0;
    const std::vector<int> pages = parsePageRanges(PageRanges, doc.pageCount());
    if (pages.empty())
        return 0;
    OutputFile out(FileName);
    if (!out.isOpen())
        return 0;
    TiffPages tiff(out);
    if (!tiff.isOpen())
        return 0;
    TrimRasterizer trim{*this};
    for (int index : pages) {
        Raster image;
        if (!renderPage(*this, doc, index + 1, DPI, Rasterizer::Rgb, image) || !tiff.add(image, DPI))
            return 0;
    }
    return tiff.close() && out.commit() ? 1 : 0;
}

} // namespace fpe
