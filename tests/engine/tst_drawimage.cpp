// Images read from files and drawn on pages: what lands in the PDF (read back
// with pdfimages and QPDF) and where it shows (rendered with pdftoppm).

#include "folioconstants.h"
#include "imagefixtures.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "pdfread.h"
#include "pixels.h"
#include "testsupport.h"

#include <QBuffer>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include <tiffio.h>
#include <zlib.h>

using namespace testsupport;
using namespace folio;

namespace {

// A picture with four coloured quarters, to see how it is turned.
QImage quarters(int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.setPixel(x, y, y < height / 2 ? (x < width / 2 ? qRgb(220, 0, 0) : qRgb(0, 200, 0))
                                              : (x < width / 2 ? qRgb(0, 0, 220) : qRgb(240, 220, 0)));
    return img;
}

// A picture whose every pixel differs from its neighbours.
QImage noise(int width, int height, QImage::Format format)
{
    QImage img(width, height, QImage::Format_RGBA64);
    quint32 seed = 12345;
    auto next = [&] { return quint16((seed = seed * 1103515245u + 12345u) >> 8); };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.setPixelColor(x, y, QColor::fromRgba64(next(), next(), next(), next()));
    return img.convertToFormat(format);
}

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A complete one-bit grey PNG of that size, every pixel black: a few MB
// that decode to width * height / 8 bytes.
QByteArray blackPng(quint32 width, quint32 height)
{
    auto chunk = [](const QByteArray& type, const QByteArray& data) {
        QByteArray c;
        QDataStream(&c, QIODevice::WriteOnly) << quint32(data.size());
        c += type + data;
        const uLong crc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(c.constData() + 4), uInt(c.size() - 4));
        QByteArray tail;
        QDataStream(&tail, QIODevice::WriteOnly) << quint32(crc);
        return c + tail;
    };
    QByteArray header;
    QDataStream(&header, QIODevice::WriteOnly) << width << height << quint8(1) << quint8(0) << quint8(0) << quint8(0) << quint8(0);
    QByteArray idat;
    z_stream z{};
    deflateInit(&z, 1);
    const QByteArray row((width + 7) / 8 + 1, '\0');  // filter byte, then pixels
    char out[1 << 16];
    for (quint32 y = 0; y <= height; ++y) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.constData()));
        z.avail_in = y < height ? uInt(row.size()) : 0;
        do {
            z.next_out = reinterpret_cast<Bytef*>(out);
            z.avail_out = sizeof out;
            deflate(&z, y < height ? Z_NO_FLUSH : Z_FINISH);
            idat.append(out, int(sizeof out - z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", idat) + chunk("IEND", QByteArray());
}

} // namespace

class TestDrawImage : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    // Loads a one-page PDF shown width x height points, with that rotation
    // and content, and selects its page.
    void loadPage(PdfEngine& engine, double width, double height, int rotate = 0, const QByteArray& content = {})
    {
        const QRectF box = rotate % 180 ? QRectF(0, 0, height, width) : QRectF(0, 0, width, height);
        QVERIFY(writePdf(path("page.pdf"), {{box, rotate, {}, {}, content}}));
        QCOMPARE(engine.LoadFromFile(path("page.pdf"), QString()), 1);
        QCOMPARE(engine.SelectPage(1), 1);
    }


    // Draws the image file over a whole new page and saves it.
    QString drawAlone(const QString& imageFile)
    {
        PdfEngine engine("FolioPdfEngine");
        if (engine.AddImageFromFile(imageFile, 6) <= 0)
            return QString();
        engine.NewDocument();
        return engine.DrawImage(0, 792, 612, 792) == 1 ? saveChecked(engine, path("alone.pdf")) : QString();
    }

    // Draws the image file over a page of its own size (top-left origin) and renders it.
    QImage drawnAtItsSize(const QString& imageFile, int scale = 1)
    {
        PdfEngine engine("FolioPdfEngine");
        if (engine.AddImageFromFile(imageFile, 6) <= 0)
            return QImage();
        const int w = engine.ImageWidth() * scale, h = engine.ImageHeight() * scale;
        loadPage(engine, w, h);
        engine.SetOrigin(OriginTopLeft);
        return engine.DrawImage(0, 0, w, h) == 1 ? renderPage(saveChecked(engine, path("sized.pdf")), 1) : QImage();
    }

private slots:
    void initTestCase()
    {
        keepWhenAsked(dir);
    }

    void jpegKeptByteForByte_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("color");
        QTest::newRow("baseline rgb") << "rgb" << "rgb";
        QTest::newRow("progressive rgb") << "progressive" << "rgb";
        QTest::newRow("gray") << "gray" << "gray";
        QTest::newRow("cmyk, Adobe inverted") << "cmyk" << "cmyk";
        QTest::newRow("trailing bytes after the end") << "trailer" << "rgb";
    }

    void jpegKeptByteForByte()
    {
        QFETCH(QString, kind);
        QFETCH(QString, color);
        const QImage picture = quarters(64, 48);
        QByteArray jpeg = jpegBytes(kind == "gray" ? picture.convertToFormat(QImage::Format_Grayscale8) : picture, 92, kind == "progressive");
        if (kind == "cmyk") {
            // Adobe's CMYK JPEG stores inverted ink amounts: red, green, blue and white for "no black".
            QByteArray inverted;
            for (int y = 0; y < 48; ++y)
                for (int x = 0; x < 64; ++x)
                    inverted.append(char(qRed(picture.pixel(x, y)))).append(char(qGreen(picture.pixel(x, y))))
                        .append(char(qBlue(picture.pixel(x, y)))).append(char(255));
            jpeg = cmykJpeg(64, 48, inverted, 92);
        }
        QVERIFY(writeFile(path("image.jpg"), kind == "trailer" ? jpeg + QByteArray(5000, 'v') : jpeg));

        PdfEngine engine("FolioPdfEngine");
        QVERIFY(engine.AddImageFromFile(path("image.jpg"), 6) > 0);
        loadPage(engine, 640, 480);
        QCOMPARE(engine.DrawImage(0, 480, 640, 480), 1);
        const QString pdf = saveChecked(engine, path("jpeg.pdf"));
        const QList<ListedImage> listed = listImages(pdf);
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed[0].encoding, "jpeg");
        QCOMPARE(listed[0].color, color);
        QCOMPARE(streamData(streamsOf(*openPdf(pdf), "/Image").at(0)), jpeg);

        // The colours come out right, Adobe's inverted CMYK included.
        const QImage page = renderPage(pdf, 1);
        if (color == "gray") {
            QVERIFY(qGray(page.pixel(160, 120)) < qGray(page.pixel(480, 360)));
        } else {
            QVERIFY2(near(page.pixel(160, 120), QColor(220, 0, 0), 60), "top-left quarter is red");
            QVERIFY2(near(page.pixel(480, 360), QColor(240, 220, 0), 60), "bottom-right quarter is yellow");
        }
    }

    void orientationShowsAsAViewerDoes_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<bool>("tiff");  // the TIFF tag, not EXIF
        for (int o = 1; o <= 8; ++o) {
            QTest::addRow("exif orientation %d", o) << o << false;
            QTest::addRow("tiff orientation %d", o) << o << true;
        }
    }

    void orientationShowsAsAViewerDoes()
    {
        QFETCH(int, orientation);
        QFETCH(bool, tiff);
        const QImage picture = quarters(80, 40).convertToFormat(QImage::Format_RGB888);
        QVERIFY(writeFile(path("exif.jpg"), withExif(jpegBytes(picture, 95), orientation)));
        // Qt's reader applies the orientation as viewers do: that is the picture expected.
        QImageReader reader(path("exif.jpg"));
        reader.setAutoTransform(true);
        const QImage shown = reader.read();
        if (tiff) {  // TIFF's tag has EXIF's values
            TiffLayout layout;
            layout.width = 80, layout.height = 40, layout.samples = 3, layout.photometric = PHOTOMETRIC_RGB, layout.orientation = orientation;
            std::vector<uint8_t> samples;
            for (int y = 0; y < 40; ++y)
                samples.insert(samples.end(), picture.constScanLine(y), picture.constScanLine(y) + 80 * 3);
            QVERIFY(writeTiff(path("turned.tif"), layout, samples));
        }
        const QImage page = drawnAtItsSize(path(tiff ? "turned.tif" : "exif.jpg"), 5);
        QCOMPARE(page.size(), shown.size() * 5);
        for (double fx : {0.25, 0.75})
            for (double fy : {0.25, 0.75})
                QVERIFY2(near(page.pixel(int(fx * page.width()), int(fy * page.height())),
                              QColor(shown.pixel(int(fx * shown.width()), int(fy * shown.height()))), 60),
                         qPrintable(QString("quarter %1,%2").arg(fx).arg(fy)));
    }

    void resolutionsFromTheFile()
    {
        PdfEngine engine("FolioPdfEngine");
        QImage img = quarters(40, 20);
        img.setDotsPerMeterX(11811);  // 300 dpi
        img.setDotsPerMeterY(5906);   // 150 dpi
        QByteArray jpeg = jpegBytes(img, 80);
        QVERIFY(jpeg.mid(6, 5) == QByteArray("JFIF\0", 5));
        QByteArray noDensity = jpeg;
        noDensity[6 + 7] = 0;  // JFIF units 0: no density
        struct Case {
            QByteArray bytes;
            int type, width, x, y;
        };
        const Case cases[] = {
            {encoded(img, "PNG"), ImagePng, 40, 300, 150},
            {encoded(img, "BMP"), ImageBmp, 40, 300, 150},
            {jpeg, ImageJpeg, 40, 300, 150},
            {withExif(jpeg, 6), ImageJpeg, 20, 150, 300},  // a quarter turn swaps them with width and height
            {withExif(noDensity, 1, 240), ImageJpeg, 40, 240, 240},  // EXIF's when JFIF has none
            {noDensity, ImageJpeg, 40, 0, 0},
            {gifBytes(2, 1, {qRgb(0, 0, 0), qRgb(255, 255, 255)}, {0, 1}), ImageGif, 2, 0, 0},
        };
        for (const Case& c : cases) {
            QVERIFY(writeFile(path("dpi.img"), c.bytes));
            QVERIFY(engine.AddImageFromFile(path("dpi.img"), 6) > 0);
            QCOMPARE(engine.ImageType(), c.type);
            QCOMPARE(engine.ImageWidth(), c.width);
            QCOMPARE(engine.ImageHorizontalResolution(), c.x);
            QCOMPARE(engine.ImageVerticalResolution(), c.y);
        }
    }

    void losslessKinds_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<int>("qtFormat");  // negative: palette with alpha
        QTest::addColumn<QString>("color");
        QTest::addColumn<int>("bpc");
        QTest::addColumn<bool>("softMask");
        QTest::newRow("png gray 8") << QByteArray("png") << int(QImage::Format_Grayscale8) << "gray" << 8 << false;
        QTest::newRow("png gray 16") << QByteArray("png") << int(QImage::Format_Grayscale16) << "gray" << 16 << false;
        QTest::newRow("png rgb 8") << QByteArray("png") << int(QImage::Format_RGB888) << "rgb" << 8 << false;
        QTest::newRow("png rgb 16") << QByteArray("png") << int(QImage::Format_RGBX64) << "rgb" << 16 << false;
        QTest::newRow("png rgba 8") << QByteArray("png") << int(QImage::Format_ARGB32) << "rgb" << 8 << true;
        QTest::newRow("png rgba 16") << QByteArray("png") << int(QImage::Format_RGBA64) << "rgb" << 16 << true;
        QTest::newRow("png palette") << QByteArray("png") << int(QImage::Format_Indexed8) << "index" << 8 << false;
        QTest::newRow("png palette with alpha") << QByteArray("png") << -int(QImage::Format_Indexed8) << "index" << 8 << true;
        QTest::newRow("png 1 bit") << QByteArray("png") << int(QImage::Format_Mono) << "index" << 1 << false;
        QTest::newRow("bmp 24 bit") << QByteArray("bmp") << int(QImage::Format_RGB32) << "rgb" << 8 << false;
        QTest::newRow("bmp 8 bit palette") << QByteArray("bmp") << int(QImage::Format_Indexed8) << "index" << 8 << false;
        QTest::newRow("bmp 1 bit") << QByteArray("bmp") << int(QImage::Format_Mono) << "index" << 1 << false;
    }

    void losslessKinds()
    {
        QFETCH(QByteArray, format);
        QFETCH(int, qtFormat);
        QFETCH(QString, color);
        QFETCH(int, bpc);
        QFETCH(bool, softMask);
        QImage img;
        if (std::abs(qtFormat) == QImage::Format_Indexed8) {
            img = QImage(37, 23, QImage::Format_Indexed8);
            QVector<QRgb> table;
            for (int i = 0; i < 40; ++i)
                table << qRgba(i * 6, 255 - i * 6, i * 3, qtFormat < 0 ? i * 6 : 255);
            img.setColorTable(table);
            for (int y = 0; y < 23; ++y)
                for (int x = 0; x < 37; ++x)
                    img.setPixel(x, y, uint((x * 7 + y * 3) % 40));
        } else {
            img = noise(37, 23, qtFormat == QImage::Format_Mono ? QImage::Format_RGB32 : QImage::Format(qtFormat));
            if (qtFormat == QImage::Format_Mono)
                img = img.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
        }
        const QString file = path("lossless." + format);
        QVERIFY(img.save(file, format));
        const QString pdf = drawAlone(file);
        const QList<ListedImage> listed = listImages(pdf);
        QCOMPARE(listed.size(), softMask ? 2 : 1);
        QCOMPARE(listed[0].color, color);
        QCOMPARE(listed[0].bpc, bpc);
        QCOMPARE(listed[0].width, 37);
        if (softMask)
            QVERIFY(listed[1].type == "smask" && listed[1].bpc == (bpc == 16 ? 16 : 8));

        // Every sample is the file's: 16-bit ones read back by QPDF (pdfimages writes 8 bits).
        const QImage want = QImage(file).convertToFormat(QImage::Format_RGBA64);
        auto q = openPdf(pdf);
        // The picture is the image with the soft mask, not the mask.
        std::vector<QPDFObjectHandle> images = streamsOf(*q, "/Image");
        QPDFObjectHandle picture = images.at(images.at(0).getDict().hasKey("/SMask") ? 0 : images.size() - 1);
        const QByteArray samples = streamData(picture, true);
        const QByteArray alpha = softMask ? streamData(picture.getDict().getKey("/SMask"), true) : QByteArray();
        const QList<QImage> extracted = bpc == 16 ? QList<QImage>() : extractImages(pdf);
        const int channels = color == "gray" ? 1 : 3;
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x) {
                const QRgba64 w = want.pixelColor(x, y).rgba64();
                QList<int> got, expected{w.red(), w.green(), w.blue(), w.alpha()};
                if (bpc == 16) {
                    auto sample = [](const QByteArray& data, int i) { return (quint8(data[2 * i]) << 8) | quint8(data[2 * i + 1]); };
                    for (int c = 0; c < 3; ++c)
                        got << sample(samples, (y * 37 + x) * channels + (channels == 1 ? 0 : c));
                    got << (softMask ? sample(alpha, y * 37 + x) : 0xFFFF);
                } else {
                    const QRgb p = extracted[0].pixel(x, y);
                    got << qRed(p) * 257 << qGreen(p) * 257 << qBlue(p) * 257 << (softMask ? qGray(extracted[1].pixel(x, y)) * 257 : 0xFFFF);
                }
                QVERIFY2(got == expected, qPrintable(QString("sample at %1,%2").arg(x).arg(y)));
            }
        if (bpc == 16)
            QVERIFY(pdfInfo(pdf).value("PDF version").toDouble() >= 1.5);
    }

    void gifKeepsItsPaletteAndTransparency_data()
    {
        QTest::addColumn<bool>("interlaced");
        QTest::newRow("plain") << false;
        QTest::newRow("interlaced") << true;
    }

    void gifKeepsItsPaletteAndTransparency()
    {
        QFETCH(bool, interlaced);
        const int w = 300, h = 20;  // long enough for several LZW clear codes
        std::vector<uint8_t> indices(size_t(w * h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                indices[size_t(y * w + x)] = uint8_t(x < 100 ? 0 : x < 200 ? 1 : (y < 10 ? 2 : 3));
        QVERIFY(writeFile(path("pic.gif"), gifBytes(w, h, {qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(0, 160, 0), qRgb(1, 2, 3)}, indices, 3, interlaced)));
        const QImage page = drawnAtItsSize(path("pic.gif"));
        QCOMPARE(page.size(), QSize(w, h));
        QCOMPARE(listImages(path("sized.pdf")).value(0).color, "index");
        auto q = openPdf(path("sized.pdf"));
        QCOMPARE(streamsOf(*q, "/Image").at(0).getDict().getKey("/Mask").unparse(), "[ 3 3 ]");
        QVERIFY(near(page.pixel(50, 5), Qt::red, 10));
        QVERIFY(near(page.pixel(150, 15), Qt::blue, 10));
        QVERIFY(near(page.pixel(250, 5), QColor(0, 160, 0), 10));
        QVERIFY2(near(page.pixel(250, 15), Qt::white, 10), "the transparent index shows the page");
    }

    void tiffFirstPage_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("color");
        QTest::addColumn<int>("bpc");
        QTest::addColumn<bool>("softMask");
        QTest::newRow("gray 8 deflate") << 0 << "gray" << 8 << false;
        QTest::newRow("rgb 16") << 1 << "rgb" << 16 << false;
        QTest::newRow("cmyk") << 2 << "cmyk" << 8 << false;
        QTest::newRow("palette 4 bit lzw") << 3 << "index" << 4 << false;
        QTest::newRow("min-is-white 1 bit") << 4 << "gray" << 1 << false;
        QTest::newRow("rgba") << 5 << "rgb" << 8 << true;
        // Read through libtiff's RGBA interface; its few colours make it indexed.
        QTest::newRow("tiled") << 6 << "index" << 8 << false;
    }

    void tiffFirstPage()
    {
        QFETCH(int, kind);
        QFETCH(QString, color);
        QFETCH(int, bpc);
        QFETCH(bool, softMask);
        TiffLayout tiff;
        tiff.width = 21;
        tiff.height = 11;
        tiff.dpi = 200;
        const int bytesPerRow[] = {21, 21 * 6, 21 * 4, 11, 3, 21 * 4, 21 * 3};
        std::vector<uint8_t> samples(size_t(11 * bytesPerRow[kind]));
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = uint8_t((i * 37 + i / 7) & 0xFF);
        switch (kind) {
        case 0: tiff.compression = COMPRESSION_ADOBE_DEFLATE; break;
        case 1: tiff.samples = 3, tiff.bits = 16, tiff.photometric = PHOTOMETRIC_RGB; break;
        case 2: tiff.samples = 4, tiff.photometric = PHOTOMETRIC_SEPARATED; break;
        case 3:
            tiff.bits = 4, tiff.photometric = PHOTOMETRIC_PALETTE, tiff.compression = COMPRESSION_LZW;
            for (int i = 0; i < 48; ++i)
                tiff.colormap.push_back(uint16_t(i < 16 ? i * 4000 : i < 32 ? 65535 - (i - 16) * 4000 : (i - 32) * 2000));
            break;
        case 4:
            tiff.bits = 1, tiff.photometric = PHOTOMETRIC_MINISWHITE, tiff.compression = COMPRESSION_CCITTFAX4;
            for (int y = 0; y < 11; ++y)
                samples[size_t(y * 3 + 2)] &= 0xF8;  // 21 pixels: the last 3 bits of a row are padding
            break;
        case 5: tiff.samples = 4, tiff.photometric = PHOTOMETRIC_RGB, tiff.extraAlpha = 2; break;
        case 6: tiff.samples = 3, tiff.photometric = PHOTOMETRIC_RGB, tiff.tiled = true; break;
        }
        QVERIFY(writeTiff(path("image.tif"), tiff, samples));

        PdfEngine engine("FolioPdfEngine");
        QVERIFY(engine.AddImageFromFile(path("image.tif"), 6) > 0);
        QCOMPARE(engine.ImageType(), int(ImageTiff));
        QCOMPARE(engine.ImageWidth(), 21);
        QCOMPARE(engine.ImageHeight(), 11);
        QCOMPARE(engine.ImageHorizontalResolution(), 200);
        engine.NewDocument();
        QCOMPARE(engine.DrawImage(0, 792, 612, 792), 1);
        const QString pdf = saveChecked(engine, path("tiff.pdf"));
        const QList<ListedImage> listed = listImages(pdf);
        QCOMPARE(listed.size(), softMask ? 2 : 1);
        QCOMPARE(listed[0].color, color);
        QCOMPARE(listed[0].bpc, bpc);

        if (kind <= 4) {
            // The samples, decoded by QPDF, are the file's where the layout is the file's own.
            QByteArray expected(reinterpret_cast<const char*>(samples.data()), int(samples.size()));
            for (int i = 0; tiff.bits == 16 && i + 1 < expected.size(); i += 2)
                std::swap(expected.data()[i], expected.data()[i + 1]);
            auto q = openPdf(pdf);
            QCOMPARE(streamData(streamsOf(*q, "/Image").at(0), true), expected);
        } else {
            const QList<QImage> extracted = extractImages(pdf);
            QCOMPARE(extracted.size(), listed.size());
            for (int y = 0; y < 11; ++y)
                for (int x = 0; x < 21; ++x) {
                    const uint8_t* px = &samples[size_t(y * 21 + x) * size_t(tiff.samples)];
                    QCOMPARE(extracted[0].pixel(x, y) & 0xFFFFFF, qRgb(px[0], px[1], px[2]) & 0xFFFFFF);
                    if (softMask)
                        QCOMPARE(qGray(extracted[1].pixel(x, y)), int(px[3]));
                }
        }
    }

    void unreadableFilesAddNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray jpeg = jpegBytes(noise(64, 64, QImage::Format_RGB32), 90);
        const QByteArray png = encoded(noise(64, 64, QImage::Format_RGB888), "PNG");
        const QByteArray bmp = encoded(noise(64, 64, QImage::Format_RGB32), "BMP");
        const QByteArray gif = gifBytes(64, 64, {qRgb(0, 0, 0), qRgb(255, 255, 255)}, std::vector<uint8_t>(64 * 64, 1));
        QByteArray badCrc = png, hugeBmp = bmp, arithmetic = jpeg;
        badCrc[40] = char(badCrc[40] ^ 0x55);
        hugeBmp.replace(18, 8, QByteArray::fromHex("40420f0040420f00"));  // a million squared
        arithmetic[arithmetic.indexOf("\xFF\xC0") + 1] = char(0xC9);  // a frame kind PDF readers do not all show
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("jpeg magic only") << QByteArray("\xFF\xD8\xFF\xE0", 4);
        QTest::newRow("truncated jpeg") << jpeg.left(jpeg.size() / 2);
        QTest::newRow("jpeg without frame") << (jpeg.left(2) + QByteArray("\xFF\xD9", 2));
        QTest::newRow("arithmetic-coded jpeg") << arithmetic;
        QTest::newRow("truncated png") << png.left(png.size() - 30);
        QTest::newRow("png with a bad checksum") << badCrc;
        QTest::newRow("truncated gif") << gif.left(gif.size() / 2);
        QTest::newRow("gif without picture") << gif.left(13 + 6) + QByteArray(";");
        QTest::newRow("truncated bmp") << bmp.left(bmp.size() - 100);
        QTest::newRow("bmp of a million squared") << hugeBmp;
        QTest::newRow("png of 100,000 squared, stored as it is") << blackPng(100000, 100000);
        QTest::newRow("tiff header only") << QByteArray("II*\0\x08\0\0\0", 8);
    }

    void unreadableFilesAddNothing()
    {
        QFETCH(QByteArray, bytes);
        PdfEngine engine("FolioPdfEngine");
        QVERIFY(quarters(10, 10).save(path("good.png")));
        const int good = engine.AddImageFromFile(path("good.png"), 6);
        QVERIFY(good > 0);
        QVERIFY(writeFile(path("bad.img"), bytes));
        QCOMPARE(engine.AddImageFromFile(path("bad.img"), 6), 0);
        // The earlier image stays selected and usable.
        QCOMPARE(engine.ImageWidth(), 10);
        QCOMPARE(engine.DrawImage(0, 792, 100, 100), 1);
        QVERIFY(engine.AddImageFromFile(path("good.png"), 6) > good);
    }

    void badArgumentsChangeNothing()
    {
        PdfEngine engine("FolioPdfEngine");
        for (const QString& file : {QString(), path("nowhere.jpg"), dir.path()})
            QCOMPARE(engine.AddImageFromFile(file, 6), 0);
        QCOMPARE(engine.ImageWidth(), 0);
        QCOMPARE(engine.DrawImage(0, 0, 10, 10), 0);  // nothing selected
        QVERIFY(quarters(10, 10).save(path("rect.png")));
        QVERIFY(engine.AddImageFromFile(path("rect.png"), 6) > 0);
        QCOMPARE(engine.DrawImage(0, 100, 0, 10), 0);
        QCOMPARE(engine.DrawImage(0, 100, 10, -5), 0);
        QCOMPARE(engine.DrawImage(qQNaN(), 100, 10, 10), 0);
        QCOMPARE(engine.DrawImage(0, 100, qInf(), 10), 0);
        QCOMPARE(engine.DrawImage(0, 100, 10, 10), 1);
    }

    void placedInCurrentUnitsAndOrigin_data()
    {
        QTest::addColumn<int>("origin");
        QTest::addColumn<int>("units");
        QTest::addColumn<int>("rotate");
        QTest::addColumn<QByteArray>("content");  // the page's own
        for (int rotate : {0, 90, 180, 270}) {
            QTest::addRow("bottom-left points rotate %d", rotate) << int(OriginBottomLeft) << int(Points) << rotate << QByteArray();
            QTest::addRow("top-left mm rotate %d", rotate) << int(OriginTopLeft) << int(Millimetres) << rotate << QByteArray();
        }
        // Content that moves and scales the coordinate system and never
        // restores it; then with saves left open, also among Q that is no
        // operator: in a name, strings, a comment, inline image data.
        const QByteArray square = "2 0 0 2 50 50 cm 0 0 1 rg 0 0 10 10 re f";
        QTest::newRow("unrestored") << int(OriginTopLeft) << int(Points) << 0 << square;
        QTest::newRow("open saves") << int(OriginTopLeft) << int(Points) << 0 << "q q " + square;
        QTest::newRow("open saves among look-alikes")
            << int(OriginTopLeft) << int(Points) << 0
            << QByteArray("2 0 0 2 50 50 cm q q /Q BMC EMC /Span << /Alt (Q \\) (Q\\\\) Q) /X <51> >> BDC EMC % Q Q\n"
                          "BI /W 3 /H 1 /CS /G /BPC 8 ID Q Q EI 0 0 1 rg 0 0 10 10 re f");
    }

    void placedInCurrentUnitsAndOrigin()
    {
        QFETCH(int, origin);
        QFETCH(int, units);
        QFETCH(int, rotate);
        QFETCH(QByteArray, content);
        QVERIFY(quarters(40, 20).save(path("placed.png")));
        PdfEngine engine("FolioPdfEngine");
        QVERIFY(engine.AddImageFromFile(path("placed.png"), 6) > 0);
        loadPage(engine, 300, 200, rotate, content);
        engine.SetOrigin(origin);
        engine.SetMeasurementUnits(units);
        // The picture's rectangle on the displayed page: x 40..200, y 30..110 from the top (points).
        const double k = units == Millimetres ? 25.4 / 72.0 : 1.0;
        QCOMPARE(engine.DrawImage(40 * k, (origin == OriginTopLeft ? 30 : 170) * k, 160 * k, 80 * k), 1);
        const QImage page = renderPage(saveChecked(engine, path("placed.pdf")), 1);
        QCOMPARE(page.size(), QSize(300, 200));
        QVERIFY(near(page.pixel(80, 50), QColor(220, 0, 0)));     // top-left quarter
        QVERIFY(near(page.pixel(160, 50), QColor(0, 200, 0)));    // top-right
        QVERIFY(near(page.pixel(80, 90), QColor(0, 0, 220)));     // bottom-left
        QVERIFY(near(page.pixel(160, 90), QColor(240, 220, 0)));  // bottom-right
        // The page's own square, when it has one, stays below the picture at x 50..70, y 130..150.
        if (!content.isEmpty())
            QVERIFY(near(page.pixel(60, 140), Qt::blue, 10));
        const QRect allowed(39, 29, 162, content.isEmpty() ? 82 : 122);
        QVERIFY2(allowed.contains(inkBounds(page, isInk)), "nothing outside the rectangle");
    }

    void storedOncePerDocument()
    {
        QVERIFY(writeFile(path("once.jpg"), jpegBytes(noise(200, 100, QImage::Format_RGB32), 90)));
        QVERIFY(noise(50, 50, QImage::Format_ARGB32).save(path("once.png")));
        QVERIFY(writePdf(path("three.pdf"), {{}, {}, {}}));
        PdfEngine engine("FolioPdfEngine");
        const int jpg = engine.AddImageFromFile(path("once.jpg"), 6);
        const int png = engine.AddImageFromFile(path("once.png"), 6);
        for (int d = 0; d < 2; ++d) {
            QCOMPARE(engine.LoadFromFile(path("three.pdf"), QString()), 1);
            for (int p = 1; p <= 3; ++p) {
                QCOMPARE(engine.SelectPage(p), 1);
                for (int image : {jpg, png}) {
                    QCOMPARE(engine.SelectImage(image), 1);
                    QCOMPARE(engine.DrawImage(10 * p, 700, 200, 100), 1);
                    QCOMPARE(engine.DrawImage(10 * p, 400, 200, 100), 1);
                }
            }
            const QString pdf = saveChecked(engine, path(QString("once%1.pdf").arg(d)));
            // Every use is listed (per page twice the JPEG, the PNG and its mask), from three objects.
            const QList<ListedImage> listed = listImages(pdf);
            QCOMPARE(listed.size(), 3 * 2 * 3);
            QSet<int> objects;
            for (const ListedImage& l : listed)
                objects.insert(l.object);
            QCOMPARE(objects.size(), 2);
            QCOMPARE(streamsOf(*openPdf(pdf), "/Image").size(), size_t(3));
        }
    }

    void drawnAgainAfterItsDocumentsAreGone()
    {
        QVERIFY(quarters(20, 20).save(path("again.png")));
        PdfEngine engine("FolioPdfEngine");
        QVERIFY(engine.AddImageFromFile(path("again.png"), 6) > 0);
        QCOMPARE(engine.DrawImage(0, 792, 100, 100), 1);
        QCOMPARE(engine.RemoveDocument(engine.SelectedDocument()), 1);
        QCOMPARE(engine.DrawImage(0, 792, 100, 100), 1);
        QVERIFY(near(renderPage(saveChecked(engine, path("again.pdf")), 1).pixel(25, 25), QColor(220, 0, 0)));
        // Once the file holds another picture, the old one cannot come back.
        QCOMPARE(engine.RemoveDocument(engine.SelectedDocument()), 1);
        QVERIFY(quarters(30, 30).save(path("again.png")));
        QCOMPARE(engine.DrawImage(0, 792, 100, 100), 0);
    }
};

QTEST_MAIN(TestDrawImage)
#include "tst_drawimage.moc"
