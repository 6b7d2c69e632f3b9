#include "imagefixtures.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QBuffer>
#include <QImageReader>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <openjpeg.h>
#include <tiffio.h>

namespace imagefixtures {

QByteArray flate(const QByteArray& data)
{
    // qCompress gives zlib data behind a four-byte length.
    return qCompress(data, 9).mid(4);
}

QByteArray packSamples(const QList<int>& samples, int width, int componentsPerPixel, int bitsPerComponent)
{
    const int perRow = width * componentsPerPixel;
    const int rows = samples.size() / perRow;
    QByteArray out;
    for (int y = 0; y < rows; ++y) {
        if (bitsPerComponent == 16) {
            for (int i = 0; i < perRow; ++i) {
                const int v = samples[y * perRow + i];
                out.append(static_cast<char>(v >> 8));
                out.append(static_cast<char>(v & 0xff));
            }
            continue;
        }
        if (bitsPerComponent == 8) {
            for (int i = 0; i < perRow; ++i)
                out.append(static_cast<char>(samples[y * perRow + i]));
            continue;
        }
        QByteArray row((perRow * bitsPerComponent + 7) / 8, '\0');
        for (int i = 0; i < perRow; ++i) {
            const int bit = i * bitsPerComponent;
            const int shift = 8 - bitsPerComponent - bit % 8;
            row[bit / 8] = static_cast<char>(row[bit / 8] | (samples[y * perRow + i] << shift));
        }
        out.append(row);
    }
    return out;
}

bool writeImagePdf(const QString& path, const QList<PdfImage>& images, const QList<PdfPage>& pages)
{
    try {
        QPDF pdf;
        pdf.emptyPDF();
        QList<QPDFObjectHandle> xobjects;
        for (const PdfImage& image : images) {
            QPDFObjectHandle stream = pdf.newStream(image.data.toStdString());
            QPDFObjectHandle dict = QPDFObjectHandle::parse("<< /Type /XObject /Subtype /Image " + image.dict.toStdString() + " >>");
            if (!image.jbig2Globals.isEmpty()) {
                QPDFObjectHandle parms = dict.hasKey("/DecodeParms") ? dict.getKey("/DecodeParms") : QPDFObjectHandle::newDictionary();
                parms.replaceKey("/JBIG2Globals", pdf.newStream(image.jbig2Globals.toStdString()));
                dict.replaceKey("/DecodeParms", parms);
            }
            for (const std::string& key : dict.getKeys())
                stream.getDict().replaceKey(key, dict.getKey(key));
            xobjects.append(stream);
        }
        QPDFPageDocumentHelper helper(pdf);
        for (const PdfPage& p : pages) {
            QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
            QPDFObjectHandle xdict = QPDFObjectHandle::newDictionary();
            std::string content;
            int slot = 0;
            auto place = [&](int index, QPDFObjectHandle target, std::string& out) {
                const std::string name = "/Im" + std::to_string(index);
                target.replaceKey(name, xobjects.at(index));
                const int x = 20 + (slot % 4) * 140, y = 600 - (slot / 4) * 140;
                ++slot;
                out += "q 120 0 0 120 " + std::to_string(x) + " " + std::to_string(y) + " cm " + name + " Do Q\n";
            };
            for (int index : p.draws)
                place(index, xdict, content);
            if (!p.formDraws.isEmpty()) {
                QPDFObjectHandle formX = QPDFObjectHandle::newDictionary();
                std::string formContent;
                for (int index : p.formDraws)
                    place(index, formX, formContent);
                QPDFObjectHandle form = pdf.newStream(formContent);
                form.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
                form.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
                form.getDict().replaceKey("/BBox", QPDFObjectHandle::parse("[0 0 612 792]"));
                QPDFObjectHandle formRes = QPDFObjectHandle::newDictionary();
                formRes.replaceKey("/XObject", formX);
                form.getDict().replaceKey("/Resources", formRes);
                xdict.replaceKey("/Fm0", form);
                content += "/Fm0 Do\n";
            }
            content += p.extraContent.toStdString();
            resources.replaceKey("/XObject", xdict);
            QPDFObjectHandle page = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 612 792] >>"));
            page.replaceKey("/Resources", resources);
            page.replaceKey("/Contents", pdf.newStream(content));
            if (!p.annotationDraws.isEmpty()) {
                QPDFObjectHandle apX = QPDFObjectHandle::newDictionary();
                std::string apContent;
                slot = 0;
                for (int index : p.annotationDraws)
                    place(index, apX, apContent);
                QPDFObjectHandle ap = pdf.newStream(apContent);
                ap.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
                ap.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
                ap.getDict().replaceKey("/BBox", QPDFObjectHandle::parse("[0 0 612 792]"));
                QPDFObjectHandle apRes = QPDFObjectHandle::newDictionary();
                apRes.replaceKey("/XObject", apX);
                ap.getDict().replaceKey("/Resources", apRes);
                QPDFObjectHandle annot = pdf.makeIndirectObject(QPDFObjectHandle::parse(
                    "<< /Type /Annot /Subtype /Stamp /Rect [0 0 612 792] /F 4 >>"));
                QPDFObjectHandle apDict = QPDFObjectHandle::newDictionary();
                apDict.replaceKey("/N", ap);
                annot.replaceKey("/AP", apDict);
                page.replaceKey("/Annots", QPDFObjectHandle::newArray({annot}));
            }
            helper.addPage(QPDFPageObjectHelper(page), false);
        }
        // QPDFWriter keeps the name, not a copy.
        const QByteArray fileName = QFile::encodeName(path);
        QPDFWriter writer(pdf, fileName.constData());
        writer.write();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool writeImagePdf(const QString& path, const QList<PdfImage>& images)
{
    PdfPage page;
    for (int i = 0; i < images.size(); ++i)
        page.draws.append(i);
    return writeImagePdf(path, images, {page});
}

QByteArray jpegFromImage(const QImage& image, int quality)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", quality);
    return out;
}

QByteArray cmykJpeg(int width, int height, const QByteArray& cmyk, int quality)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, JCS_CMYK);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<char*>(cmyk.constData()) + cinfo.next_scanline * width * 4);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    QByteArray out(reinterpret_cast<const char*>(buffer), static_cast<int>(size));
    jpeg_destroy_compress(&cinfo);
    free(buffer);
    return out;
}

namespace {

QByteArray packBits(const QList<QList<bool>>& black)
{
    QByteArray out;
    for (const QList<bool>& row : black) {
        QByteArray bytes((row.size() + 7) / 8, '\0');
        for (int x = 0; x < row.size(); ++x)
            if (row[x])
                bytes[x / 8] = static_cast<char>(bytes[x / 8] | (0x80 >> (x % 8)));
        out.append(bytes);
    }
    return out;
}

} // namespace

QByteArray ccittFax(const QList<QList<bool>>& black, int k)
{
    const int height = black.size(), width = black.isEmpty() ? 0 : black[0].size();
    QTemporaryFile file;
    if (!file.open())
        return QByteArray();
    file.close();
    TIFFSetWarningHandler(nullptr);
    TIFF* tif = TIFFOpen(file.fileName().toLocal8Bit().constData(), "w");
    if (!tif)
        return QByteArray();
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, k < 0 ? COMPRESSION_CCITTFAX4 : COMPRESSION_CCITTFAX3);
    if (k >= 0)
        TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, 0);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
    const QByteArray bits = packBits(black);
    const int stride = (width + 7) / 8;
    for (int y = 0; y < height; ++y)
        TIFFWriteScanline(tif, const_cast<char*>(bits.constData()) + y * stride, static_cast<uint32_t>(y), 0);
    TIFFClose(tif);
    tif = TIFFOpen(file.fileName().toLocal8Bit().constData(), "r");
    if (!tif)
        return QByteArray();
    uint64_t* counts = nullptr;
    TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts);
    QByteArray raw(counts ? static_cast<int>(counts[0]) : 0, '\0');
    if (!raw.isEmpty())
        TIFFReadRawStrip(tif, 0, raw.data(), raw.size());
    TIFFClose(tif);
    return raw;
}

namespace {

void put32(QByteArray& out, quint32 v)
{
    for (int s = 24; s >= 0; s -= 8)
        out.append(static_cast<char>((v >> s) & 0xff));
}

void put16(QByteArray& out, quint16 v)
{
    out.append(static_cast<char>(v >> 8));
    out.append(static_cast<char>(v & 0xff));
}

// A segment header and its data (page association in one byte).
QByteArray segment(quint32 number, int type, int page, const QList<quint8>& referred, const QByteArray& data)
{
    QByteArray out;
    put32(out, number);
    out.append(static_cast<char>(type));
    out.append(static_cast<char>(referred.size() << 5));
    for (quint8 r : referred)
        out.append(static_cast<char>(r));
    out.append(static_cast<char>(page));
    put32(out, static_cast<quint32>(data.size()));
    out.append(data);
    return out;
}

QByteArray pageInformation(int width, int height)
{
    QByteArray d;
    put32(d, static_cast<quint32>(width));
    put32(d, static_cast<quint32>(height));
    put32(d, 0);
    put32(d, 0);
    d.append('\0');  // flags: default pixel 0, OR
    put16(d, 0);     // not striped
    return d;
}

QByteArray regionInformation(int width, int height)
{
    QByteArray d;
    put32(d, static_cast<quint32>(width));
    put32(d, static_cast<quint32>(height));
    put32(d, 0);
    put32(d, 0);
    d.append('\0');
    return d;
}

} // namespace

QByteArray jbig2Generic(const QList<QList<bool>>& black)
{
    const int height = black.size(), width = black.isEmpty() ? 0 : black[0].size();
    QByteArray region = regionInformation(width, height);
    region.append('\x01');  // MMR
    region.append(ccittFax(black, -1));
    QByteArray out = segment(0, 48, 1, {}, pageInformation(width, height));
    out.append(segment(1, 39, 1, {}, region));
    out.append(segment(2, 49, 1, {}, QByteArray()));
    return out;
}

Jbig2WithGlobals jbig2Halftone(const QList<QList<bool>>& cells, int cell)
{
    const int gridH = cells.size(), gridW = cells.isEmpty() ? 0 : cells[0].size();
    // The collective bitmap of the two patterns: a white cell, then a black one.
    QList<QList<bool>> patterns;
    for (int y = 0; y < cell; ++y) {
        QList<bool> row;
        for (int x = 0; x < 2 * cell; ++x)
            row.append(x >= cell);
        patterns.append(row);
    }
    QByteArray dictionary;
    dictionary.append('\x01');  // HDMMR
    dictionary.append(static_cast<char>(cell));
    dictionary.append(static_cast<char>(cell));
    put32(dictionary, 1);  // GRAYMAX: two patterns
    dictionary.append(ccittFax(patterns, -1));

    QByteArray region = regionInformation(gridW * cell, gridH * cell);
    region.append('\x01');  // HMMR, OR, default pixel 0
    put32(region, static_cast<quint32>(gridW));
    put32(region, static_cast<quint32>(gridH));
    put32(region, 0);
    put32(region, 0);
    put16(region, static_cast<quint16>(cell * 256));
    put16(region, 0);
    region.append(ccittFax(cells, -1));  // the one bit plane of pattern numbers

    Jbig2WithGlobals out;
    out.globals = segment(0, 16, 0, {}, dictionary);
    out.page = segment(1, 48, 1, {}, pageInformation(gridW * cell, gridH * cell));
    out.page.append(segment(2, 23, 1, {0}, region));
    out.page.append(segment(3, 49, 1, {}, QByteArray()));
    return out;
}

namespace {

struct MemoryStream {
    QByteArray data;
    qint64 pos = 0;
};

OPJ_SIZE_T opjWrite(void* buffer, OPJ_SIZE_T size, void* user)
{
    auto* m = static_cast<MemoryStream*>(user);
    const qint64 end = m->pos + static_cast<qint64>(size);
    if (end > m->data.size())
        m->data.resize(static_cast<int>(end));
    std::memcpy(m->data.data() + m->pos, buffer, size);
    m->pos = end;
    return size;
}

OPJ_OFF_T opjSkip(OPJ_OFF_T n, void* user)
{
    auto* m = static_cast<MemoryStream*>(user);
    m->pos += n;
    if (m->pos > m->data.size())
        m->data.resize(static_cast<int>(m->pos));
    return n;
}

OPJ_BOOL opjSeek(OPJ_OFF_T n, void* user)
{
    auto* m = static_cast<MemoryStream*>(user);
    m->pos = n;
    if (m->pos > m->data.size())
        m->data.resize(static_cast<int>(m->pos));
    return OPJ_TRUE;
}

} // namespace

QByteArray jpeg2000(const QImage& source, bool grayscale, bool jp2Container)
{
    const QImage image = source.convertToFormat(grayscale ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    const int n = grayscale ? 1 : 3;
    opj_image_cmptparm_t params[3];
    std::memset(params, 0, sizeof params);
    for (int i = 0; i < n; ++i) {
        params[i].dx = params[i].dy = 1;
        params[i].w = static_cast<OPJ_UINT32>(image.width());
        params[i].h = static_cast<OPJ_UINT32>(image.height());
        params[i].prec = 8;
        params[i].sgnd = 0;
    }
    opj_image_t* img = opj_image_create(static_cast<OPJ_UINT32>(n), params, grayscale ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB);
    img->x0 = img->y0 = 0;
    img->x1 = static_cast<OPJ_UINT32>(image.width());
    img->y1 = static_cast<OPJ_UINT32>(image.height());
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            for (int c = 0; c < n; ++c)
                img->comps[c].data[y * image.width() + x] = row[x * n + c];
    }
    opj_cparameters_t cp;
    opj_set_default_encoder_parameters(&cp);
    cp.tcp_numlayers = 1;
    cp.tcp_rates[0] = 0;  // lossless
    cp.cp_disto_alloc = 1;
    cp.numresolution = 3;  // small test images allow few wavelet levels
    opj_codec_t* codec = opj_create_compress(jp2Container ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    MemoryStream sink;
    opj_stream_t* stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE);
    opj_stream_set_user_data(stream, &sink, nullptr);
    opj_stream_set_write_function(stream, opjWrite);
    opj_stream_set_skip_function(stream, opjSkip);
    opj_stream_set_seek_function(stream, opjSeek);
    const bool ok = opj_setup_encoder(codec, &cp, img) && opj_start_compress(codec, img, stream)
        && opj_encode(codec, stream) && opj_end_compress(codec, stream);
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(img);
    return ok ? sink.data : QByteArray();
}

QList<QList<bool>> bilevelPicture(int width, int height)
{
    QList<QList<bool>> rows;
    const double cx = width / 2.0, cy = height / 2.0, r = std::min(width, height) * 0.35;
    for (int y = 0; y < height; ++y) {
        QList<bool> row;
        for (int x = 0; x < width; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            row.append(std::fabs(d - r) < 2.5 || x == y);
        }
        rows.append(row);
    }
    return rows;
}

int maxChannelDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return -1;
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const QRgb* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            worst = std::max({worst, std::abs(qRed(p[col]) - qRed(q[col])), std::abs(qGreen(p[col]) - qGreen(q[col])),
                              std::abs(qBlue(p[col]) - qBlue(q[col]))});
        }
    }
    return worst;
}

double meanChannelDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return -1;
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const QRgb* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            sum += std::abs(qRed(p[col]) - qRed(q[col])) + std::abs(qGreen(p[col]) - qGreen(q[col]))
                + std::abs(qBlue(p[col]) - qBlue(q[col]));
    }
    return x.width() * x.height() ? sum / (3.0 * x.width() * x.height()) : 0;
}

QList<TiffPage> readTiff(const QString& path)
{
    QList<TiffPage> pages;
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
    TIFF* tif = TIFFOpen(path.toLocal8Bit().constData(), "r");
    if (!tif)
        return pages;
    do {
        TiffPage page;
        uint32_t w = 0, h = 0;
        uint16_t spp = 0, bps = 0, compression = 0, photometric = 0, unit = 0;
        float xres = 0, yres = 0;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
        TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
        TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bps);
        TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
        TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
        TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres);
        TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres);
        TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
        page.samplesPerPixel = spp;
        page.bitsPerSample = bps;
        page.compression = compression;
        page.photometric = photometric;
        page.xResolution = xres;
        page.yResolution = yres;
        page.resolutionUnit = unit;
        QImage image(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGB32);
        std::vector<uint32_t> raster(static_cast<size_t>(w) * h);
        if (!image.isNull() && TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 0)) {
            for (uint32_t y = 0; y < h; ++y) {
                QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
                for (uint32_t x = 0; x < w; ++x) {
                    const uint32_t p = raster[y * w + x];
                    out[x] = qRgb(TIFFGetR(p), TIFFGetG(p), TIFFGetB(p));
                }
            }
            page.image = image;
        }
        pages.append(page);
    } while (TIFFReadDirectory(tif));
    TIFFClose(tif);
    return pages;
}

QImage readImage(const QString& path, QByteArray* format)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    if (format)
        *format = reader.format();
    return reader.read();
}

} // namespace imagefixtures
