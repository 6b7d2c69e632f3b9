#include "imagefixtures.h"

#include "testsupport.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>

#include <cmath>
#include <cstring>

#include <jpeglib.h>
#include <openjpeg.h>
#include <tiffio.h>

namespace testsupport {

QByteArray jpegBytes(const QImage& image, int quality, bool progressive)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

bool writePhotoAndLogo(const QString& photoPath, const QString& logoPath)
{
    QImage photo(640, 480, QImage::Format_RGB32);
    photo.fill(QColor(200, 120, 40));
    photo.setDotsPerMeterX(5906);  // 150 dpi
    photo.setDotsPerMeterY(5906);
    if (!writeFile(photoPath, jpegBytes(photo)))
        return false;
    QImage logo(120, 60, QImage::Format_ARGB32);
    logo.fill(QColor(0, 0, 255, 128));
    return logo.save(logoPath);
}

QByteArray withExif(const QByteArray& jpeg, int orientation, int dpi)
{
    // Big-endian TIFF structure: IFD0 with Orientation and, with dpi, the
    // resolutions (their rationals follow the IFD) and their unit.
    QByteArray tiff("MM");
    auto u16 = [&](int v) { tiff.append(char(v >> 8)).append(char(v & 0xFF)); };
    auto u32 = [&](quint32 v) { u16(int(v >> 16)), u16(int(v & 0xFFFF)); };
    const int entries = dpi > 0 ? 4 : 1;
    u16(42), u32(8), u16(entries);
    const quint32 rationals = 8 + 2 + quint32(entries) * 12 + 4;
    u16(0x0112), u16(3), u32(1), u16(orientation), u16(0);
    if (dpi > 0) {
        u16(0x011A), u16(5), u32(1), u32(rationals);
        u16(0x011B), u16(5), u32(1), u32(rationals + 8);
        u16(0x0128), u16(3), u32(1), u16(2), u16(0);
    }
    u32(0);
    if (dpi > 0)
        u32(quint32(dpi)), u32(1), u32(quint32(dpi)), u32(1);
    const QByteArray app1 = QByteArray("Exif\0\0", 6) + tiff;
    const int length = app1.size() + 2;
    return jpeg.left(2) + "\xFF\xE1" + char(length >> 8) + char(length & 0xFF) + app1 + jpeg.mid(2);
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
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<char*>(cmyk.constData()) + cinfo.next_scanline * width * 4);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    const QByteArray out(reinterpret_cast<const char*>(buffer), int(size));
    jpeg_destroy_compress(&cinfo);
    free(buffer);
    return out;
}

QByteArray gifBytes(int width, int height, const QVector<QRgb>& palette, const std::vector<uint8_t>& indices,
                    int transparent, bool interlaced)
{
    QByteArray g("GIF89a");
    auto u16 = [&](int v) { g.append(char(v & 0xFF)).append(char(v >> 8)); };
    int bits = 1;
    while ((1 << bits) < palette.size())
        ++bits;
    u16(width), u16(height);
    g.append(char(0x80 | (bits - 1))).append(2, '\0');
    for (int i = 0; i < (1 << bits); ++i) {
        const QRgb c = palette.value(i);
        g.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
    }
    if (transparent >= 0)
        g.append("\x21\xF9\x04\x01\0\0", 6).append(char(transparent)).append('\0');
    g.append(char(0x2C)), u16(0), u16(0), u16(width), u16(height);
    g.append(char(interlaced ? 0x40 : 0));

    std::vector<uint8_t> rows = indices;
    if (interlaced) {
        rows.clear();
        static const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = start[pass]; y < height; y += step[pass])
                rows.insert(rows.end(), indices.begin() + y * width, indices.begin() + (y + 1) * width);
    }
    // LZW with literals only: a clear code every 250 codes keeps them 9 bits wide.
    QByteArray codes;
    quint32 buffer = 0;
    int count = 0;
    auto put = [&](int code) {
        for (buffer |= quint32(code) << count, count += 9; count >= 8; buffer >>= 8, count -= 8)
            codes.append(char(buffer & 0xFF));
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i % 250 == 0)
            put(256);
        put(rows[i]);
    }
    put(257);
    if (count > 0)
        codes.append(char(buffer & 0xFF));
    g.append(char(8));
    for (int pos = 0; pos < codes.size(); pos += 255)
        g.append(char(codes.mid(pos, 255).size())).append(codes.mid(pos, 255));
    return g.append('\0').append(';');
}

bool writeTiff(const QString& path, const TiffLayout& s, const std::vector<uint8_t>& samples)
{
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tif)
        return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, s.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, s.height);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, s.samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, s.bits);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, s.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, s.compression);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, s.orientation);
    if (s.extraAlpha) {
        const uint16_t type = s.extraAlpha == 1 ? EXTRASAMPLE_ASSOCALPHA : EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &type);
    }
    if (s.dpi > 0) {
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, s.dpi);
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, s.dpi);
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    }
    if (!s.colormap.empty()) {
        const size_t n = s.colormap.size() / 3;
        TIFFSetField(tif, TIFFTAG_COLORMAP, s.colormap.data(), s.colormap.data() + n, s.colormap.data() + 2 * n);
    }
    const size_t rowBytes = (size_t(s.width) * s.samples * s.bits + 7) / 8;
    bool ok = true;
    if (s.tiled) {
        // 16 x 16 tiles of whole bytes per pixel.
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
        const size_t pixel = size_t(s.samples * s.bits / 8);
        std::vector<uint8_t> tile(16 * 16 * pixel);
        for (int ty = 0; ty < s.height && ok; ty += 16)
            for (int tx = 0; tx < s.width && ok; tx += 16) {
                std::fill(tile.begin(), tile.end(), 0);
                for (int y = 0; y < 16 && ty + y < s.height; ++y)
                    for (int x = 0; x < 16 && tx + x < s.width; ++x)
                        std::memcpy(&tile[(size_t(y) * 16 + size_t(x)) * pixel],
                                    &samples[size_t(ty + y) * rowBytes + size_t(tx + x) * pixel], pixel);
                ok = TIFFWriteTile(tif, tile.data(), uint32_t(tx), uint32_t(ty), 0, 0) >= 0;
            }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 8);
        std::vector<uint8_t> row(rowBytes);
        for (int y = 0; y < s.height && ok; ++y) {
            std::memcpy(row.data(), &samples[size_t(y) * rowBytes], rowBytes);
            ok = TIFFWriteScanline(tif, row.data(), uint32_t(y), 0) >= 0;
        }
    }
    TIFFClose(tif);
    return ok;
}

QList<TiffPage> readTiff(const QString& path)
{
    QList<TiffPage> pages;
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
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
        page = {QImage(int(w), int(h), QImage::Format_RGB32), spp, bps, compression, photometric, xres, yres, unit};
        std::vector<uint32_t> raster(size_t(w) * h);
        if (page.image.isNull() || !TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 0))
            page.image = QImage();
        for (uint32_t i = 0; !page.image.isNull() && i < raster.size(); ++i)
            page.image.setPixel(int(i % w), int(i / w), qRgb(TIFFGetR(raster[i]), TIFFGetG(raster[i]), TIFFGetB(raster[i])));
        pages.append(page);
    } while (TIFFReadDirectory(tif));
    TIFFClose(tif);
    return pages;
}

Bilevel bilevelPicture(int width, int height)
{
    Bilevel rows;
    const double cx = width / 2.0, cy = height / 2.0, r = std::min(width, height) * 0.35;
    for (int y = 0; y < height; ++y) {
        QList<bool> row;
        for (int x = 0; x < width; ++x)
            row.append(std::fabs(std::hypot(x + 0.5 - cx, y + 0.5 - cy) - r) < 2.5 || x == y);
        rows.append(row);
    }
    return rows;
}

QByteArray flate(const QByteArray& data)
{
    return qCompress(data, 9).mid(4);  // zlib data behind Qt's four-byte length
}

// The one strip of a single-strip TIFF that libtiff writes of these rows,
// as stored: its coders make CCITT and LZW data as PDF reads them.
static QByteArray tiffStrip(const QByteArray& rows, int width, int height, int bits, int compression)
{
    QTemporaryDir dir;
    const QByteArray name = QFile::encodeName(dir.filePath("strip.tif"));
    TIFFSetWarningHandler(nullptr);
    TIFF* tif = TIFFOpen(name.constData(), "w");
    if (!tif)
        return QByteArray();
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, bits == 1 ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
    const int stride = (width * bits + 7) / 8;
    for (int y = 0; y < height; ++y)
        TIFFWriteScanline(tif, const_cast<char*>(rows.constData()) + y * stride, uint32_t(y), 0);
    TIFFClose(tif);
    tif = TIFFOpen(name.constData(), "r");
    uint64_t* counts = nullptr;
    if (!tif || !TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts))
        return QByteArray();
    QByteArray raw(int(counts[0]), '\0');
    TIFFReadRawStrip(tif, 0, raw.data(), raw.size());
    TIFFClose(tif);
    return raw;
}

QByteArray ccittFax(const Bilevel& black, int k)
{
    QByteArray bits;
    for (const QList<bool>& row : black) {
        QByteArray bytes((row.size() + 7) / 8, '\0');
        for (int x = 0; x < row.size(); ++x)
            bytes[x / 8] = char(bytes[x / 8] | (row[x] ? 0x80 >> (x % 8) : 0));
        bits += bytes;
    }
    return tiffStrip(bits, black.value(0).size(), black.size(), 1, k < 0 ? COMPRESSION_CCITTFAX4 : COMPRESSION_CCITTFAX3);
}

QByteArray lzw(const QByteArray& data)
{
    return tiffStrip(data, data.size(), 1, 8, COMPRESSION_LZW);
}

// JBIG2 pieces: numbers big-endian; a segment header (page association in
// one byte) and its data; page and region information.
static void put32(QByteArray& out, quint32 v)
{
    for (int s = 24; s >= 0; s -= 8)
        out.append(char((v >> s) & 0xff));
}

static void put16(QByteArray& out, quint16 v)
{
    out.append(char(v >> 8)).append(char(v & 0xff));
}

static QByteArray segment(quint32 number, int type, int page, const QList<quint8>& referred, const QByteArray& data)
{
    QByteArray out;
    put32(out, number);
    out.append(char(type)).append(char(referred.size() << 5));
    for (quint8 r : referred)
        out.append(char(r));
    out.append(char(page));
    put32(out, quint32(data.size()));
    return out + data;
}

static QByteArray regionInformation(int width, int height, bool page)
{
    QByteArray d;
    put32(d, quint32(width)), put32(d, quint32(height)), put32(d, 0), put32(d, 0);
    d.append('\0');  // flags: default pixel 0, OR
    if (page)
        put16(d, 0);  // not striped
    return d;
}

QByteArray jbig2Generic(const Bilevel& black)
{
    const int height = black.size(), width = black.value(0).size();
    const QByteArray region = regionInformation(width, height, false) + '\x01' + ccittFax(black, -1);  // MMR
    return segment(0, 48, 1, {}, regionInformation(width, height, true)) + segment(1, 39, 1, {}, region)
        + segment(2, 49, 1, {}, QByteArray());
}

Jbig2WithGlobals jbig2Halftone(const Bilevel& cells, int cell)
{
    const int gridH = cells.size(), gridW = cells.value(0).size();
    // The collective bitmap of the two patterns: a white cell, then a black one.
    Bilevel patterns;
    for (int y = 0; y < cell; ++y) {
        patterns.append(QList<bool>());
        for (int x = 0; x < 2 * cell; ++x)
            patterns.last().append(x >= cell);
    }
    QByteArray dictionary("\x01", 1);  // HDMMR
    dictionary.append(char(cell)).append(char(cell));
    put32(dictionary, 1);  // GRAYMAX: two patterns
    dictionary.append(ccittFax(patterns, -1));

    QByteArray region = regionInformation(gridW * cell, gridH * cell, false) + '\x01';  // HMMR, OR, default pixel 0
    put32(region, quint32(gridW)), put32(region, quint32(gridH)), put32(region, 0), put32(region, 0);
    put16(region, quint16(cell * 256)), put16(region, 0);
    region.append(ccittFax(cells, -1));  // the one bit plane of pattern numbers

    return {segment(1, 48, 1, {}, regionInformation(gridW * cell, gridH * cell, true)) + segment(2, 23, 1, {0}, region)
                + segment(3, 49, 1, {}, QByteArray()),
            segment(0, 16, 0, {}, dictionary)};
}

QByteArray jpeg2000(const QImage& source, bool grayscale, bool jp2Container)
{
    const QImage image = source.convertToFormat(grayscale ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    const int n = grayscale ? 1 : 3, w = image.width(), h = image.height();
    opj_image_cmptparm_t params[3];
    std::memset(params, 0, sizeof params);
    for (auto& p : params)
        p.dx = p.dy = 1, p.w = OPJ_UINT32(w), p.h = OPJ_UINT32(h), p.prec = 8;
    opj_image_t* img = opj_image_create(OPJ_UINT32(n), params, grayscale ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB);
    img->x1 = OPJ_UINT32(w), img->y1 = OPJ_UINT32(h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * n; ++x)
            img->comps[x % n].data[y * w + x / n] = image.constScanLine(y)[x];
    opj_cparameters_t cp;
    opj_set_default_encoder_parameters(&cp);
    cp.tcp_numlayers = 1;
    cp.tcp_rates[0] = 0;  // lossless
    cp.cp_disto_alloc = 1;
    cp.numresolution = 3;  // small test images allow few wavelet levels
    QTemporaryDir dir;
    const QString file = dir.filePath("image.jp2");
    opj_codec_t* codec = opj_create_compress(jp2Container ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    opj_stream_t* stream = opj_stream_create_default_file_stream(QFile::encodeName(file).constData(), OPJ_FALSE);
    const bool ok = opj_setup_encoder(codec, &cp, img) && opj_start_compress(codec, img, stream) && opj_encode(codec, stream)
        && opj_end_compress(codec, stream);
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(img);
    return ok ? readFile(file) : QByteArray();
}

QImage readImage(const QString& path, QByteArray* format)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    if (format)
        *format = reader.format();
    return reader.read();
}

} // namespace testsupport
