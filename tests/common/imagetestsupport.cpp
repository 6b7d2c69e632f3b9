#include "imagetestsupport.h"

#include "pdfengine.h"
#include "testsupport.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QBuffer>
#include <QDebug>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtEndian>

#include <tiffio.h>

#include <cstring>

namespace imagetest {

QString saveChecked(PdfEngine& engine, const QTemporaryDir& dir, const QString& name)
{
    const QString file = dir.filePath(name);
    if (engine.SaveToFile(file) != 1)
        return QString();
    QString report;
    if (!testsupport::qpdfCheck(file, &report)) {
        qWarning() << report;
        return QString();
    }
    return file;
}

void keepWhenAsked(QTemporaryDir& dir)
{
    if (qEnvironmentVariableIsSet("FOLIO_KEEP_TEST_FILES")) {
        dir.setAutoRemove(false);
        qInfo() << "test files in" << dir.path();
    }
}

QList<ListedImage> listImages(const QString& pdf)
{
    QList<ListedImage> result;
    QString out;
    if (testsupport::run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}, &out) != 0)
        return result;
    const QStringList lines = out.split(QLatin1Char('\n'));
    for (int i = 2; i < lines.size(); ++i) {
        const QStringList f = lines.at(i).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (f.size() < 12)
            continue;
        ListedImage img;
        img.page = f.at(0).toInt();
        img.type = f.at(2);
        img.width = f.at(3).toInt();
        img.height = f.at(4).toInt();
        img.color = f.at(5);
        img.components = f.at(6).toInt();
        img.bpc = f.at(7).toInt();
        img.encoding = f.at(8);
        img.object = f.at(10).toInt();
        result << img;
    }
    return result;
}

QImage renderPage(const QString& pdf, int page, int dpi)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("page"));
    const QStringList args{QStringLiteral("-png"), QStringLiteral("-cropbox"), QStringLiteral("-r"), QString::number(dpi),
                           QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page),
                           QStringLiteral("-singlefile"), pdf, base};
    if (testsupport::run(QStringLiteral("pdftoppm"), args) != 0)
        return QImage();
    return QImage(base + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

bool near(QRgb pixel, QColor expected, int tolerance)
{
    return std::abs(qRed(pixel) - expected.red()) <= tolerance && std::abs(qGreen(pixel) - expected.green()) <= tolerance
        && std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

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

QByteArray withExif(const QByteArray& jpeg, int orientation, int dpi)
{
    // Big-endian TIFF structure: IFD0 with Orientation, XResolution,
    // YResolution and ResolutionUnit; the rationals follow the IFD.
    QByteArray tiff;
    auto u16 = [&](int v) { tiff.append(char(v >> 8)).append(char(v & 0xFF)); };
    auto u32 = [&](quint32 v) { u16(int(v >> 16)); u16(int(v & 0xFFFF)); };
    const int entries = dpi > 0 ? 4 : 1;
    tiff.append("MM");
    u16(42);
    u32(8);
    u16(entries);
    const quint32 rationals = 8 + 2 + quint32(entries) * 12 + 4;
    u16(0x0112); u16(3); u32(1); u16(orientation); u16(0);
    if (dpi > 0) {
        u16(0x011A); u16(5); u32(1); u32(rationals);
        u16(0x011B); u16(5); u32(1); u32(rationals + 8);
        u16(0x0128); u16(3); u32(1); u16(2); u16(0);
    }
    u32(0);
    if (dpi > 0) {
        u32(quint32(dpi)); u32(1);
        u32(quint32(dpi)); u32(1);
    }
    QByteArray app1 = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment;
    segment.append(char(0xFF)).append(char(0xE1));
    const int length = app1.size() + 2;
    segment.append(char(length >> 8)).append(char(length & 0xFF));
    segment += app1;
    return jpeg.left(2) + segment + jpeg.mid(2);
}

QByteArray gifBytes(int width, int height, const QVector<QRgb>& palette, const std::vector<uint8_t>& indices,
                    int transparent, bool interlaced)
{
    QByteArray g("GIF89a");
    auto u16 = [&](int v) { g.append(char(v & 0xFF)).append(char(v >> 8)); };
    int bits = 1;
    while ((1 << bits) < palette.size())
        ++bits;
    u16(width);
    u16(height);
    g.append(char(0x80 | (bits - 1)));
    g.append(char(0));
    g.append(char(0));
    for (int i = 0; i < (1 << bits); ++i) {
        const QRgb c = i < palette.size() ? palette.at(i) : 0;
        g.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
    }
    if (transparent >= 0) {
        g.append(char(0x21)).append(char(0xF9)).append(char(4)).append(char(1));
        u16(0);
        g.append(char(transparent)).append(char(0));
    }
    g.append(char(0x2C));
    u16(0);
    u16(0);
    u16(width);
    u16(height);
    g.append(char(interlaced ? 0x40 : 0));

    // LZW with 8-bit literals only: a clear code every 250 codes keeps the
    // code width at 9 bits.
    std::vector<uint8_t> rowsInOrder;
    if (interlaced) {
        static const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = start[pass]; y < height; y += step[pass])
                rowsInOrder.insert(rowsInOrder.end(), indices.begin() + y * width, indices.begin() + (y + 1) * width);
    } else {
        rowsInOrder = indices;
    }
    QByteArray codes;
    quint32 buffer = 0;
    int count = 0;
    auto put = [&](int code) {
        buffer |= quint32(code) << count;
        count += 9;
        while (count >= 8) {
            codes.append(char(buffer & 0xFF));
            buffer >>= 8;
            count -= 8;
        }
    };
    for (size_t i = 0; i < rowsInOrder.size(); ++i) {
        if (i % 250 == 0)
            put(256);
        put(rowsInOrder[i]);
    }
    put(257);
    if (count > 0)
        codes.append(char(buffer & 0xFF));
    g.append(char(8));
    for (int pos = 0; pos < codes.size(); pos += 255) {
        const QByteArray block = codes.mid(pos, 255);
        g.append(char(block.size()));
        g += block;
    }
    g.append(char(0));
    g.append(char(0x3B));
    return g;
}

bool writeTiff(const QString& path, const TiffSpec& s, const std::vector<uint8_t>& samples)
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
        uint16_t type = s.extraAlpha == 1 ? EXTRASAMPLE_ASSOCALPHA : EXTRASAMPLE_UNASSALPHA;
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
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
        const size_t pixelBytes = size_t(s.samples * s.bits / 8);
        std::vector<uint8_t> tile(16 * 16 * pixelBytes);
        for (int ty = 0; ty < s.height && ok; ty += 16)
            for (int tx = 0; tx < s.width && ok; tx += 16) {
                std::fill(tile.begin(), tile.end(), 0);
                for (int y = 0; y < 16 && ty + y < s.height; ++y)
                    for (int x = 0; x < 16 && tx + x < s.width; ++x)
                        std::memcpy(&tile[(size_t(y) * 16 + size_t(x)) * pixelBytes],
                                    &samples[size_t(ty + y) * rowBytes + size_t(tx + x) * pixelBytes], pixelBytes);
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

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

bool writePdf(const QString& path, const QList<PageSpec>& pages)
{
    try {
        QPDF pdf;
        pdf.emptyPDF();
        QPDFObjectHandle font = pdf.makeIndirectObject(
            QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
        QPDFPageDocumentHelper helper(pdf);
        for (const PageSpec& s : pages) {
            QPDFObjectHandle page = QPDFObjectHandle::newDictionary();
            page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
            page.replaceKey("/MediaBox", QPDFObjectHandle::newFromRectangle(QPDFObjectHandle::Rectangle(0, 0, s.width, s.height)));
            if (s.cropRight > s.cropLeft)
                page.replaceKey("/CropBox", QPDFObjectHandle::newFromRectangle(
                    QPDFObjectHandle::Rectangle(s.cropLeft, s.cropBottom, s.cropRight, s.cropTop)));
            if (s.rotate)
                page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(s.rotate));
            QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
            QPDFObjectHandle fonts = QPDFObjectHandle::newDictionary();
            fonts.replaceKey("/F1", font);
            resources.replaceKey("/Font", fonts);
            page.replaceKey("/Resources", resources);
            page.replaceKey("/Contents", pdf.newStream(s.content.toStdString()));
            helper.addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
        }
        const QByteArray name = QFile::encodeName(path);  // QPDFWriter keeps the pointer
        QPDFWriter writer(pdf, name.constData());
        writer.write();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace imagetest
