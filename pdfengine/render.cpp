// Rendering pages to image files, and the Poppler view that rendering and
// text share.

#include "render.h"

#include "instance.h"
#include "outputfile.h"
#include "pageranges.h"
#include "tiffdevice.h"

#include <poppler-document.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include <QFile>
#include <QImage>
#include <QImageWriter>

#include <cmath>
#include <cstring>

namespace fpe {

RenderCache::~RenderCache() = default;

namespace {

bool sourceStillSame(const Document& doc)
{
    return doc.sourceIdentity.valid() && FileIdentity::of(doc.sourcePath) == doc.sourceIdentity;
}

// The document's source file, while the document is unchanged and the file
// still holds the bytes it was loaded from.
std::unique_ptr<poppler::document> openSource(const Document& doc)
{
    if (doc.modified || doc.sourcePath.isEmpty() || !sourceStillSame(doc))
        return nullptr;
    std::unique_ptr<poppler::document> pd(poppler::document::load_from_file(
        QFile::encodeName(doc.sourcePath).toStdString(), doc.password, doc.password));
    // Checked again once open: the file may have been replaced meanwhile.
    if (!pd || pd->is_locked() || !sourceStillSame(doc))
        return nullptr;
    return pd;
}

} // namespace

poppler::document* popplerDocument(Document& doc)
{
    std::shared_ptr<RenderCache>& cache = doc.renderCache;
    if (cache && cache->revision == doc.revision && cache->poppler
        && (!cache->fromSource || sourceStillSame(doc)))
        return cache->poppler.get();

    auto fresh = std::make_shared<RenderCache>();
    fresh->revision = doc.revision;
    const int pages = doc.pageCount();
    fresh->poppler = openSource(doc);
    // Both libraries must see the same pages; when they read a damaged file
    // differently, Poppler reads QPDF's view instead.
    if (fresh->poppler && fresh->poppler->pages() == pages) {
        fresh->fromSource = true;
    } else {
        fresh->poppler.reset();
        try {
            fresh->data = doc.snapshot();
        } catch (const std::exception&) {
            fresh->data.reset();
        }
        if (!fresh->data || fresh->data->isEmpty())
            return nullptr;
        fresh->poppler.reset(poppler::document::load_from_raw_data(fresh->data->constData(), fresh->data->size()));
        if (!fresh->poppler || fresh->poppler->is_locked() || fresh->poppler->pages() != pages) {
            cache.reset();
            return nullptr;
        }
    }
    cache = fresh;
    return cache->poppler.get();
}

namespace {

// Renders a page (1-based) of the document as displayed: its CropBox with
// its rotation, dpi / 72 pixels per point, anti-aliased. An invalid image
// when the page cannot be rendered or would be too large.
poppler::image renderPage(Document& doc, int pageNumber, double dpi, poppler::image::format_enum format)
{
    if (!std::isfinite(dpi) || dpi <= 0 || !doc.hasPage(pageNumber))
        return poppler::image();
    poppler::document* pd = popplerDocument(doc);
    if (!pd)
        return poppler::image();
    std::unique_ptr<poppler::page> page(pd->create_page(pageNumber - 1));
    if (!page)
        return poppler::image();
    const poppler::rectf box = page->page_rect(poppler::crop_box);
    const double scale = dpi / 72.0;
    const double w = std::fabs(box.width()) * scale;
    const double h = std::fabs(box.height()) * scale;
    if (!(w * h <= maxRenderPixels) || w < 0.5 || h < 0.5)
        return poppler::image();
    poppler::page_renderer renderer;
    renderer.set_render_hints(poppler::page_renderer::antialiasing | poppler::page_renderer::text_antialiasing);
    renderer.set_image_format(format);
    poppler::image image = renderer.render_page(page.get(), dpi, dpi);
    if (!image.is_valid() || image.width() <= 0 || image.height() <= 0)
        return poppler::image();
    return image;
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
bool writeBmp(OutputFile& out, poppler::image& image, double dpi)
{
    const int w = image.width(), h = image.height();
    const qint64 rowBytes = (static_cast<qint64>(w) * 3 + 3) & ~qint64(3);
    const qint64 pixelBytes = rowBytes * h;
    if (54 + pixelBytes > 0xffffffffLL)
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
    // Rows bottom-up, written straight from Poppler's pixels when its rows
    // are padded as BMP's are.
    const int stride = image.bytes_per_row();
    const char* data = image.const_data();
    std::vector<OutputFile::Piece> rows;
    QByteArray padded;
    if (stride != rowBytes) {
        padded.fill('\0', static_cast<int>(pixelBytes));
        for (int y = 0; y < h; ++y)
            std::memcpy(padded.data() + (h - 1 - y) * rowBytes, data + static_cast<qint64>(y) * stride,
                        static_cast<size_t>(w) * 3);
        rows.push_back({padded.constData(), pixelBytes});
    } else {
        rows.reserve(static_cast<size_t>(h));
        const size_t padding = static_cast<size_t>(rowBytes) - static_cast<size_t>(w) * 3;
        for (int y = h - 1; y >= 0; --y) {
            char* row = image.data() + static_cast<qint64>(y) * stride;
            if (padding)
                std::memset(row + static_cast<size_t>(w) * 3, 0, padding);
            rows.push_back({row, rowBytes});
        }
    }
    if (!out.write(rows))
        return false;
    return true;
}

bool writeWithQt(OutputFile& out, poppler::image& image, double dpi, const char* format, int quality)
{
    // Wraps Poppler's pixels without copying them.
    QImage view(reinterpret_cast<uchar*>(image.data()), image.width(), image.height(), image.bytes_per_row(),
                 QImage::Format_RGB888);
    view.setDotsPerMeterX(dotsPerMeter(dpi));
    view.setDotsPerMeterY(dotsPerMeter(dpi));
    QImageWriter writer(&out.device(), format);
    if (quality >= 0)
        writer.setQuality(quality);
    return writer.write(view);
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

    bool add(const poppler::image& image, double dpi)
    {
        const uint32_t w = static_cast<uint32_t>(image.width()), h = static_cast<uint32_t>(image.height());
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
        const int stride = image.bytes_per_row();
        const char* data = image.const_data();
        for (uint32_t y = 0; y < h; ++y) {
            if (TIFFWriteScanline(tif, const_cast<char*>(data + static_cast<qint64>(y) * stride), y, 0) < 0)
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

enum RenderFormat { RenderBmp = 0, RenderJpeg = 1, RenderPng = 5, RenderTiff = 7 };

} // namespace

int Instance::RenderPageToFile(double DPI, int Page, int Options, const QString& FileName)
{
    if (Options != RenderBmp && Options != RenderJpeg && Options != RenderPng && Options != RenderTiff)
        return 0;
    Document& doc = selectedDoc();
    const int pageNumber = Page == 0 ? 1 : Page;
    if (!doc.hasPage(pageNumber) || FileName.isEmpty())
        return 0;
    poppler::image image = renderPage(doc, pageNumber, DPI,
                                      Options == RenderBmp ? poppler::image::format_bgr24 : poppler::image::format_rgb24);
    if (!image.is_valid())
        return 0;
    OutputFile out(FileName);
    if (!out.isOpen())
        return 0;
    bool written = false;
    switch (Options) {
    case RenderBmp:
        written = writeBmp(out, image, DPI);
        break;
    case RenderJpeg:
        written = writeWithQt(out, image, DPI, "jpeg", 90);
        break;
    case RenderPng:
        written = writeWithQt(out, image, DPI, "png", -1);
        break;
    case RenderTiff: {
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
    for (int index : pages) {
        const poppler::image image = renderPage(doc, index + 1, DPI, poppler::image::format_rgb24);
        if (!image.is_valid() || !tiff.add(image, DPI))
            return 0;
    }
    return tiff.close() && out.commit() ? 1 : 0;
}

} // namespace fpe
