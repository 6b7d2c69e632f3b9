// Images read from files and drawn on pages: what lands in the PDF (read back
// with pdfimages and QPDF) and where it shows (rendered with pdftoppm).

#include "imagetestsupport.h"
#include "pdfengine.h"
#include "testsupport.h"

#include <qpdf/QPDF.hh>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include <tiffio.h>

#include <set>

using namespace imagetest;

namespace {

const QString kEngine = QStringLiteral("FolioPdfEngine");

// A picture with four coloured quarters, to see how it is turned.
QImage quarters(int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            img.setPixel(x, y, !bottom ? (right ? qRgb(0, 200, 0) : qRgb(220, 0, 0)) : (right ? qRgb(240, 220, 0) : qRgb(0, 0, 220)));
        }
    return img;
}

// A picture whose every pixel differs from its neighbours.
QImage noise(int width, int height, QImage::Format format)
{
    QImage img(width, height, QImage::Format_RGBA64);
    quint32 seed = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            auto next = [&] { seed = seed * 1103515245u + 12345u; return quint16(seed >> 8); };
            img.setPixelColor(x, y, QColor::fromRgba64(next(), next(), next(), next()));
        }
    return img.convertToFormat(format);
}

// Every image of a PDF as pdfimages -png writes it, in list order.
QList<QImage> extractImages(const QString& pdf)
{
    QTemporaryDir dir;
    QList<QImage> images;
    if (testsupport::run(QStringLiteral("pdfimages"), {QStringLiteral("-png"), pdf, dir.filePath(QStringLiteral("x"))}) != 0)
        return images;
    QStringList names = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
    for (const QString& name : names)
        images << QImage(dir.filePath(name));
    return images;
}

// The raw (still encoded) data of the first picture (not soft mask) of a
// PDF, how many pictures it holds, and the picture's /Mask.
QByteArray firstImageData(const QString& pdf, int* imageCount = nullptr, QByteArray* maskKey = nullptr)
{
    QPDF q;
    q.processFile(QFile::encodeName(pdf).constData());
    std::vector<QPDFObjectHandle> pictures;
    std::set<QPDFObjGen> masks;
    for (QPDFObjectHandle& obj : q.getAllObjects()) {
        if (!obj.isStream() || !obj.getDict().getKey("/Subtype").isNameAndEquals("/Image"))
            continue;
        pictures.push_back(obj);
        if (obj.getDict().getKey("/SMask").isStream())
            masks.insert(obj.getDict().getKey("/SMask").getObjGen());
    }
    QByteArray first;
    int count = 0;
    for (QPDFObjectHandle& obj : pictures) {
        if (masks.count(obj.getObjGen()))
            continue;
        if (count++ == 0) {
            auto data = obj.getRawStreamData();
            first = QByteArray(reinterpret_cast<const char*>(data->getBuffer()), int(data->getSize()));
            if (maskKey)
                *maskKey = QByteArray::fromStdString(obj.getDict().getKey("/Mask").unparse());
        }
    }
    if (imageCount)
        *imageCount = count;
    return first;
}

// The decoded samples of the first picture of a PDF and of its soft mask,
// as QPDF reads them.
QByteArray decodedPicture(const QString& pdf, QByteArray* alpha)
{
    QPDF q;
    q.processFile(QFile::encodeName(pdf).constData());
    auto bytes = [](QPDFObjectHandle stream) {
        auto data = stream.getStreamData(qpdf_dl_generalized);
        return QByteArray(reinterpret_cast<const char*>(data->getBuffer()), int(data->getSize()));
    };
    for (QPDFObjectHandle page : q.getAllPages()) {
        const auto images = page.getPageImages();
        for (auto& item : images) {
            QPDFObjectHandle image = item.second;
            QPDFObjectHandle mask = image.getDict().getKey("/SMask");
            if (alpha && mask.isStream())
                *alpha = bytes(mask);
            return bytes(image);
        }
    }
    return QByteArray();
}

} // namespace

class TestDrawImage : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    // Loads a one-page PDF of the given displayed size (points) built with
    // QPDF, and selects its page.
    void loadPage(PdfEngine& engine, double width, double height, int rotate = 0, const QByteArray& content = {})
    {
        PageSpec page;
        const bool turned = rotate == 90 || rotate == 270;
        page.width = turned ? height : width;
        page.height = turned ? width : height;
        page.rotate = rotate;
        page.content = content;
        const QString file = path(QStringLiteral("page%1.pdf").arg(counter++));
        QVERIFY(writePdf(file, {page}));
        QCOMPARE(engine.LoadFromFile(file, QString()), 1);
        QCOMPARE(engine.SelectPage(1), 1);
    }

    QString save(PdfEngine& engine, const QString& name) { return saveChecked(engine, dir, name); }

    // Draws the image file over a whole new page and saves it.
    QString drawAlone(const QString& imageFile, int* id = nullptr)
    {
        PdfEngine engine(kEngine);
        const int image = engine.AddImageFromFile(imageFile, 6);
        if (id)
            *id = image;
        if (image <= 0)
            return QString();
        engine.NewDocument();
        if (engine.DrawImage(0, 792, 612, 792) != 1)
            return QString();
        return save(engine, QFileInfo(imageFile).fileName() + QStringLiteral(".pdf"));
    }

    int counter = 0;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        keepWhenAsked(dir);
    }

    // --- JPEG: kept byte for byte ------------------------------------------

    void jpegKeptAsItIs_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("color");
        QTest::newRow("baseline rgb") << "rgb" << "rgb";
        QTest::newRow("progressive rgb") << "progressive" << "rgb";
        QTest::newRow("gray") << "gray" << "gray";
        QTest::newRow("cmyk") << "cmyk" << "cmyk";
    }

    void jpegKeptAsItIs()
    {
        QFETCH(QString, kind);
        QFETCH(QString, color);
        const QString file = path(kind + QStringLiteral(".jpg"));
        const QImage picture = quarters(64, 48);
        if (kind == QLatin1String("cmyk")) {
            const QString png = path(QStringLiteral("cmyk-source.png"));
            QVERIFY(picture.save(png));
            QCOMPARE(testsupport::run(QStringLiteral("convert"), {png, QStringLiteral("-colorspace"), QStringLiteral("CMYK"), file}), 0);
        } else {
            const QImage source = kind == QLatin1String("gray") ? picture.convertToFormat(QImage::Format_Grayscale8) : picture;
            QVERIFY(writeFile(file, jpegBytes(source, 92, kind == QLatin1String("progressive"))));
        }

        PdfEngine engine(kEngine);
        const int id = engine.AddImageFromFile(file, 6);
        QVERIFY(id > 0);
        QCOMPARE(engine.ImageWidth(), 64);
        QCOMPARE(engine.ImageHeight(), 48);
        QCOMPARE(engine.ImageType(), 1);
        loadPage(engine, 640, 480);
        QCOMPARE(engine.DrawImage(0, 480, 640, 480), 1);
        const QString pdf = save(engine, kind + QStringLiteral(".pdf"));
        QVERIFY(!pdf.isEmpty());

        const QList<ListedImage> listed = listImages(pdf);
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed[0].encoding, QStringLiteral("jpeg"));
        QCOMPARE(listed[0].color, color);
        QCOMPARE(listed[0].width, 64);

        QFile original(file);
        QVERIFY(original.open(QIODevice::ReadOnly));
        QCOMPARE(firstImageData(pdf), original.readAll());

        // The colours come out right, Adobe's inverted CMYK included.
        const QImage page = renderPage(pdf, 1);
        QVERIFY(!page.isNull());
        if (color != QLatin1String("gray")) {
            QVERIFY2(near(page.pixel(160, 120), QColor(220, 0, 0), 60), "top-left quarter is red");
            QVERIFY2(near(page.pixel(480, 360), QColor(240, 220, 0), 60), "bottom-right quarter is yellow");
        } else {
            QVERIFY(qGray(page.pixel(160, 120)) < qGray(page.pixel(480, 360)));
        }
    }

    void jpegExtractedByPdfimagesIsTheFile()
    {
        const QString file = path(QStringLiteral("extract.jpg"));
        QVERIFY(writeFile(file, jpegBytes(quarters(30, 20), 80)));
        const QString pdf = drawAlone(file);
        QVERIFY(!pdf.isEmpty());
        QTemporaryDir out;
        QCOMPARE(testsupport::run(QStringLiteral("pdfimages"), {QStringLiteral("-all"), pdf, out.filePath(QStringLiteral("x"))}), 0);
        QFile extracted(out.filePath(QStringLiteral("x-000.jpg")));
        QVERIFY(extracted.open(QIODevice::ReadOnly));
        QFile original(file);
        QVERIFY(original.open(QIODevice::ReadOnly));
        QCOMPARE(extracted.readAll(), original.readAll());
    }

    void jpegTrailerAfterEndIsLeftOut()
    {
        const QByteArray jpeg = jpegBytes(quarters(16, 16), 80);
        const QString file = path(QStringLiteral("trailer.jpg"));
        QVERIFY(writeFile(file, jpeg + QByteArray(5000, 'v')));
        const QString pdf = drawAlone(file);
        QVERIFY(!pdf.isEmpty());
        QCOMPARE(firstImageData(pdf), jpeg);
    }

    // --- EXIF orientation ----------------------------------------------------

    void exifOrientationShowsAsAViewerDoes_data()
    {
        QTest::addColumn<int>("orientation");
        for (int o = 1; o <= 8; ++o)
            QTest::newRow(qPrintable(QStringLiteral("orientation %1").arg(o))) << o;
    }

    void exifOrientationShowsAsAViewerDoes()
    {
        QFETCH(int, orientation);
        const QString file = path(QStringLiteral("exif%1.jpg").arg(orientation));
        QVERIFY(writeFile(file, withExif(jpegBytes(quarters(80, 40), 95), orientation)));
        // Qt's reader applies the orientation as viewers do: that is the
        // picture expected on the page.
        QImageReader reader(file);
        reader.setAutoTransform(true);
        const QImage shown = reader.read();
        QVERIFY(!shown.isNull());

        PdfEngine engine(kEngine);
        QVERIFY(engine.AddImageFromFile(file, 6) > 0);
        QCOMPARE(engine.ImageWidth(), shown.width());
        QCOMPARE(engine.ImageHeight(), shown.height());
        const int w = shown.width() * 5, h = shown.height() * 5;
        loadPage(engine, w, h);
        engine.SetOrigin(1);
        QCOMPARE(engine.DrawImage(0, 0, w, h), 1);
        const QString pdf = save(engine, QStringLiteral("exif%1.pdf").arg(orientation));
        QVERIFY(!pdf.isEmpty());
        const QImage page = renderPage(pdf, 1);
        QCOMPARE(page.size(), QSize(w, h));
        for (double fx : {0.25, 0.75})
            for (double fy : {0.25, 0.75}) {
                const QRgb expected = shown.pixel(int(fx * shown.width()), int(fy * shown.height()));
                QVERIFY2(near(page.pixel(int(fx * w), int(fy * h)), QColor(expected), 60),
                         qPrintable(QStringLiteral("quarter %1,%2").arg(fx).arg(fy)));
            }
    }

    // --- resolutions ---------------------------------------------------------

    void resolutionsFromTheFile()
    {
        PdfEngine engine(kEngine);
        QImage img = quarters(40, 20);
        img.setDotsPerMeterX(11811);  // 300 dpi
        img.setDotsPerMeterY(5906);   // 150 dpi

        const QString png = path(QStringLiteral("dpi.png"));
        QVERIFY(img.save(png));
        QVERIFY(engine.AddImageFromFile(png, 6) > 0);
        QCOMPARE(engine.ImageHorizontalResolution(), 300);
        QCOMPARE(engine.ImageVerticalResolution(), 150);
        QCOMPARE(engine.ImageType(), 2);

        const QString bmp = path(QStringLiteral("dpi.bmp"));
        QVERIFY(img.save(bmp));
        QVERIFY(engine.AddImageFromFile(bmp, 6) > 0);
        QCOMPARE(engine.ImageHorizontalResolution(), 300);
        QCOMPARE(engine.ImageVerticalResolution(), 150);
        QCOMPARE(engine.ImageType(), 3);

        // JFIF density in dots per inch.
        const QString jpg = path(QStringLiteral("dpi.jpg"));
        QByteArray jpeg = jpegBytes(img, 80);
        QVERIFY(jpeg.mid(6, 5) == QByteArray("JFIF\0", 5));
        QVERIFY(writeFile(jpg, jpeg));
        QVERIFY(engine.AddImageFromFile(jpg, 6) > 0);
        QCOMPARE(engine.ImageHorizontalResolution(), 300);
        QCOMPARE(engine.ImageVerticalResolution(), 150);

        // A quarter turn swaps them along with width and height.
        const QString turned = path(QStringLiteral("dpi-turned.jpg"));
        QVERIFY(writeFile(turned, withExif(jpeg, 6)));
        QVERIFY(engine.AddImageFromFile(turned, 6) > 0);
        QCOMPARE(engine.ImageWidth(), 20);
        QCOMPARE(engine.ImageHeight(), 40);
        QCOMPARE(engine.ImageHorizontalResolution(), 150);
        QCOMPARE(engine.ImageVerticalResolution(), 300);

        // No JFIF density (units 0): EXIF's resolution counts; without it, 0.
        jpeg[6 + 7] = 0;
        const QString exifOnly = path(QStringLiteral("dpi-exif.jpg"));
        QVERIFY(writeFile(exifOnly, withExif(jpeg, 1, 240)));
        QVERIFY(engine.AddImageFromFile(exifOnly, 6) > 0);
        QCOMPARE(engine.ImageHorizontalResolution(), 240);
        const QString none = path(QStringLiteral("dpi-none.jpg"));
        QVERIFY(writeFile(none, jpeg));
        QVERIFY(engine.AddImageFromFile(none, 6) > 0);
        QCOMPARE(engine.ImageHorizontalResolution(), 0);
        QCOMPARE(engine.ImageVerticalResolution(), 0);

        const QString gif = path(QStringLiteral("dpi.gif"));
        QVERIFY(writeFile(gif, gifBytes(2, 1, {qRgb(0, 0, 0), qRgb(255, 255, 255)}, {0, 1})));
        QVERIFY(engine.AddImageFromFile(gif, 6) > 0);
        QCOMPARE(engine.ImageHorizontalResolution(), 0);
        QCOMPARE(engine.ImageType(), 4);
    }

    // --- lossless kinds ------------------------------------------------------

    void pngStoredLosslessly_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("color");
        QTest::addColumn<int>("bpc");
        QTest::addColumn<bool>("softMask");
        QTest::newRow("gray 8") << int(QImage::Format_Grayscale8) << "gray" << 8 << false;
        QTest::newRow("gray 16") << int(QImage::Format_Grayscale16) << "gray" << 16 << false;
        QTest::newRow("rgb 8") << int(QImage::Format_RGB888) << "rgb" << 8 << false;
        QTest::newRow("rgb 16") << int(QImage::Format_RGBX64) << "rgb" << 16 << false;
        QTest::newRow("rgba 8") << int(QImage::Format_ARGB32) << "rgb" << 8 << true;
        QTest::newRow("rgba 16") << int(QImage::Format_RGBA64) << "rgb" << 16 << true;
        QTest::newRow("palette") << int(QImage::Format_Indexed8) << "index" << 8 << false;
        QTest::newRow("palette with alpha") << -int(QImage::Format_Indexed8) << "index" << 8 << true;
        QTest::newRow("1 bit") << int(QImage::Format_Mono) << "index" << 1 << false;
    }

    void pngStoredLosslessly()
    {
        QFETCH(int, format);
        QFETCH(QString, color);
        QFETCH(int, bpc);
        QFETCH(bool, softMask);
        QImage img;
        if (format == int(QImage::Format_Indexed8) || format == -int(QImage::Format_Indexed8)) {
            img = QImage(37, 23, QImage::Format_Indexed8);
            QVector<QRgb> table;
            for (int i = 0; i < 40; ++i)
                table << (format < 0 ? qRgba(i * 6, 255 - i * 6, i * 3, i * 6) : qRgb(i * 6, 255 - i * 6, i * 3));
            img.setColorTable(table);
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    img.setPixel(x, y, uint((x * 7 + y * 3) % 40));
        } else if (format == int(QImage::Format_Mono)) {
            img = noise(37, 23, QImage::Format_RGB32).convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
        } else {
            img = noise(37, 23, QImage::Format(format));
        }
        const QString file = path(QStringLiteral("lossless-%1.png").arg(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_')));
        QVERIFY(img.save(file));
        const QImage source(file);

        int id = 0;
        const QString pdf = drawAlone(file, &id);
        QVERIFY(id > 0);
        QVERIFY(!pdf.isEmpty());
        const QList<ListedImage> listed = listImages(pdf);
        QCOMPARE(listed.size(), softMask ? 2 : 1);
        QCOMPARE(listed[0].color, color);
        QCOMPARE(listed[0].bpc, bpc);
        QCOMPARE(listed[0].width, 37);
        if (softMask) {
            QCOMPARE(listed[1].type, QStringLiteral("smask"));
            QCOMPARE(listed[1].bpc, bpc == 16 ? 16 : 8);
        }
        if (bpc == 16)
            QVERIFY(testsupport::pdfInfo(pdf).value(QStringLiteral("PDF version")).toDouble() >= 1.5);

        const QImage want = source.convertToFormat(bpc == 16 ? QImage::Format_RGBA64 : QImage::Format_ARGB32);
        if (bpc == 16) {
            // 16-bit samples, read back by QPDF (pdfimages writes 8 bits).
            QByteArray alpha;
            const QByteArray samples = decodedPicture(pdf, &alpha);
            const int channels = color == QLatin1String("gray") ? 1 : 3;
            QCOMPARE(samples.size(), 37 * 23 * channels * 2);
            auto sample = [](const QByteArray& data, int index) {
                return quint16((quint8(data[2 * index]) << 8) | quint8(data[2 * index + 1]));
            };
            for (int y = 0; y < want.height(); ++y)
                for (int x = 0; x < want.width(); ++x) {
                    const QRgba64 w = want.pixelColor(x, y).rgba64();
                    const int i = (y * 37 + x) * channels;
                    const bool same = channels == 1 ? sample(samples, i) == w.red()
                        : sample(samples, i) == w.red() && sample(samples, i + 1) == w.green() && sample(samples, i + 2) == w.blue();
                    QVERIFY2(same, qPrintable(QStringLiteral("colour at %1,%2").arg(x).arg(y)));
                    if (softMask)
                        QVERIFY2(sample(alpha, y * 37 + x) == w.alpha(), qPrintable(QStringLiteral("alpha at %1,%2").arg(x).arg(y)));
                }
            return;
        }
        const QList<QImage> extracted = extractImages(pdf);
        QCOMPARE(extracted.size(), listed.size());
        const QImage got = extracted[0].convertToFormat(QImage::Format_RGB32);
        QCOMPARE(got.size(), want.size());
        for (int y = 0; y < want.height(); ++y)
            for (int x = 0; x < want.width(); ++x) {
                QVERIFY2((got.pixel(x, y) & 0xFFFFFF) == (want.pixel(x, y) & 0xFFFFFF),
                         qPrintable(QStringLiteral("colour at %1,%2").arg(x).arg(y)));
                if (softMask)
                    QVERIFY2(qGray(extracted[1].pixel(x, y)) == qAlpha(want.pixel(x, y)),
                             qPrintable(QStringLiteral("alpha at %1,%2").arg(x).arg(y)));
            }
    }

    void interlacedPngIsDecoded()
    {
        const QString plain = path(QStringLiteral("plain.png"));
        const QString interlaced = path(QStringLiteral("interlaced.png"));
        QVERIFY(noise(33, 17, QImage::Format_RGB888).save(plain));
        QCOMPARE(testsupport::run(QStringLiteral("convert"), {plain, QStringLiteral("-interlace"), QStringLiteral("PNG"), interlaced}), 0);
        const QString pdf = drawAlone(interlaced);
        QVERIFY(!pdf.isEmpty());
        const QList<QImage> extracted = extractImages(pdf);
        QCOMPARE(extracted.size(), 1);
        QCOMPARE(extracted[0].convertToFormat(QImage::Format_RGB32), QImage(plain).convertToFormat(QImage::Format_RGB32));
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
        const QVector<QRgb> palette{qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(0, 160, 0), qRgb(1, 2, 3)};
        std::vector<uint8_t> indices(size_t(w * h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                indices[size_t(y * w + x)] = uint8_t(x < 100 ? 0 : x < 200 ? 1 : (y < 10 ? 2 : 3));
        const QString file = path(QStringLiteral("pic%1.gif").arg(interlaced));
        QVERIFY(writeFile(file, gifBytes(w, h, palette, indices, 3, interlaced)));

        PdfEngine engine(kEngine);
        QVERIFY(engine.AddImageFromFile(file, 6) > 0);
        QCOMPARE(engine.ImageWidth(), w);
        QCOMPARE(engine.ImageHeight(), h);
        loadPage(engine, w, h);
        engine.SetOrigin(1);
        QCOMPARE(engine.DrawImage(0, 0, w, h), 1);
        const QString pdf = save(engine, QStringLiteral("gif%1.pdf").arg(interlaced));
        QVERIFY(!pdf.isEmpty());
        QCOMPARE(listImages(pdf).value(0).color, QStringLiteral("index"));
        QByteArray mask;
        firstImageData(pdf, nullptr, &mask);
        QCOMPARE(mask, QByteArray("[ 3 3 ]"));

        const QImage page = renderPage(pdf, 1);
        QVERIFY(near(page.pixel(50, 5), Qt::red, 10));
        QVERIFY(near(page.pixel(150, 15), Qt::blue, 10));
        QVERIFY(near(page.pixel(250, 5), QColor(0, 160, 0), 10));
        QVERIFY2(near(page.pixel(250, 15), Qt::white, 10), "the transparent index shows the page");
    }

    void bmpOfEveryDepth_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("color");
        QTest::newRow("24 bit") << int(QImage::Format_RGB32) << "rgb";
        QTest::newRow("8 bit palette") << int(QImage::Format_Indexed8) << "index";
        QTest::newRow("1 bit") << int(QImage::Format_Mono) << "index";
    }

    void bmpOfEveryDepth()
    {
        QFETCH(int, format);
        QFETCH(QString, color);
        const QImage img = noise(29, 13, QImage::Format_RGB32).convertToFormat(QImage::Format(format));
        const QString file = path(QStringLiteral("depth%1.bmp").arg(format));
        QVERIFY(img.save(file, "BMP"));
        const QString pdf = drawAlone(file);
        QVERIFY(!pdf.isEmpty());
        QCOMPARE(listImages(pdf).value(0).color, color);
        const QList<QImage> extracted = extractImages(pdf);
        QCOMPARE(extracted.size(), 1);
        QCOMPARE(extracted[0].convertToFormat(QImage::Format_RGB32), QImage(file).convertToFormat(QImage::Format_RGB32));
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
        TiffSpec spec;
        spec.width = 21;
        spec.height = 11;
        spec.dpi = 200;
        std::vector<uint8_t> samples;
        auto fill = [&](size_t n) {
            samples.resize(n);
            for (size_t i = 0; i < n; ++i)
                samples[i] = uint8_t((i * 37 + i / 7) & 0xFF);
        };
        switch (kind) {
        case 0: spec.compression = COMPRESSION_ADOBE_DEFLATE; fill(21 * 11); break;
        case 1: spec.samples = 3; spec.bits = 16; spec.photometric = PHOTOMETRIC_RGB; fill(21 * 11 * 6); break;
        case 2: spec.samples = 4; spec.photometric = PHOTOMETRIC_SEPARATED; fill(21 * 11 * 4); break;
        case 3:
            spec.bits = 4;
            spec.photometric = PHOTOMETRIC_PALETTE;
            spec.compression = COMPRESSION_LZW;
            for (int i = 0; i < 16; ++i)
                spec.colormap.push_back(uint16_t(i * 4000));
            for (int i = 0; i < 16; ++i)
                spec.colormap.push_back(uint16_t(65535 - i * 4000));
            for (int i = 0; i < 16; ++i)
                spec.colormap.push_back(uint16_t(i * 2000));
            fill(11 * 11);
            break;
        case 4:
            spec.bits = 1;
            spec.photometric = PHOTOMETRIC_MINISWHITE;
            spec.compression = COMPRESSION_CCITTFAX4;
            fill(11 * 3);
            for (int y = 0; y < 11; ++y)
                samples[size_t(y * 3 + 2)] &= 0xF8;  // 21 pixels: the last 3 bits of a row are padding
            break;
        case 5: spec.samples = 4; spec.photometric = PHOTOMETRIC_RGB; spec.extraAlpha = 2; fill(21 * 11 * 4); break;
        case 6: spec.samples = 3; spec.photometric = PHOTOMETRIC_RGB; spec.tiled = true; fill(21 * 11 * 3); break;
        default: break;
        }
        const QString file = path(QStringLiteral("kind%1.tif").arg(kind));
        QVERIFY(writeTiff(file, spec, samples));

        PdfEngine engine(kEngine);
        QVERIFY(engine.AddImageFromFile(file, 6) > 0);
        QCOMPARE(engine.ImageType(), 5);
        QCOMPARE(engine.ImageWidth(), 21);
        QCOMPARE(engine.ImageHeight(), 11);
        QCOMPARE(engine.ImageHorizontalResolution(), 200);
        engine.NewDocument();
        QCOMPARE(engine.DrawImage(0, 792, 612, 792), 1);
        const QString pdf = save(engine, QStringLiteral("tiff%1.pdf").arg(kind));
        QVERIFY(!pdf.isEmpty());
        const QList<ListedImage> listed = listImages(pdf);
        QCOMPARE(listed.size(), softMask ? 2 : 1);
        QCOMPARE(listed[0].color, color);
        QCOMPARE(listed[0].bpc, bpc);

        // The samples, decoded by QPDF, are the file's (checked where the
        // layout is the file's own).
        if (kind <= 4) {
            QPDF q;
            q.processFile(QFile::encodeName(pdf).constData());
            for (QPDFObjectHandle& obj : q.getAllObjects()) {
                if (!obj.isStream() || !obj.getDict().getKey("/Subtype").isNameAndEquals("/Image"))
                    continue;
                auto data = obj.getStreamData(qpdf_dl_generalized);
                QByteArray decoded(reinterpret_cast<const char*>(data->getBuffer()), int(data->getSize()));
                QByteArray expected(reinterpret_cast<const char*>(samples.data()), int(samples.size()));
                if (spec.bits == 16)
                    for (int i = 0; i + 1 < expected.size(); i += 2)
                        std::swap(expected.data()[i], expected.data()[i + 1]);
                QCOMPARE(decoded, expected);
            }
        } else {
            const QList<QImage> extracted = extractImages(pdf);
            QCOMPARE(extracted.size(), listed.size());
            for (int y = 0; y < 11; ++y)
                for (int x = 0; x < 21; ++x) {
                    const uint8_t* px = &samples[size_t(y * 21 + x) * size_t(spec.samples)];
                    QCOMPARE(extracted[0].pixel(x, y) & 0xFFFFFF, qRgb(px[0], px[1], px[2]) & 0xFFFFFF);
                    if (softMask)
                        QCOMPARE(qGray(extracted[1].pixel(x, y)), int(px[3]));
                }
        }
    }

    void tiffOrientationTagIsHonoured()
    {
        const QImage picture = quarters(40, 20).convertToFormat(QImage::Format_RGB888);
        std::vector<uint8_t> samples;
        for (int y = 0; y < picture.height(); ++y)
            samples.insert(samples.end(), picture.constScanLine(y), picture.constScanLine(y) + 40 * 3);
        TiffSpec spec;
        spec.width = 40;
        spec.height = 20;
        spec.samples = 3;
        spec.photometric = PHOTOMETRIC_RGB;
        spec.orientation = 6;
        const QString file = path(QStringLiteral("turned.tif"));
        QVERIFY(writeTiff(file, spec, samples));
        PdfEngine engine(kEngine);
        QVERIFY(engine.AddImageFromFile(file, 6) > 0);
        QCOMPARE(engine.ImageWidth(), 20);
        QCOMPARE(engine.ImageHeight(), 40);
        loadPage(engine, 200, 400);
        engine.SetOrigin(1);
        QCOMPARE(engine.DrawImage(0, 0, 200, 400), 1);
        const QString pdf = save(engine, QStringLiteral("turned-tiff.pdf"));
        const QImage page = renderPage(pdf, 1);
        // Turned a quarter clockwise: the red top-left quarter is now top right.
        QVERIFY(near(page.pixel(150, 100), QColor(220, 0, 0), 40));
        QVERIFY(near(page.pixel(50, 100), QColor(0, 0, 220), 40));
    }

    // --- bad input -----------------------------------------------------------

    void unreadableFilesAddNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray jpeg = jpegBytes(noise(64, 64, QImage::Format_RGB32), 90);
        QByteArray png;
        {
            QBuffer b(&png);
            b.open(QIODevice::WriteOnly);
            noise(64, 64, QImage::Format_RGB888).save(&b, "PNG");
        }
        QByteArray bmp;
        {
            QBuffer b(&bmp);
            b.open(QIODevice::WriteOnly);
            noise(64, 64, QImage::Format_RGB32).save(&b, "BMP");
        }
        std::vector<uint8_t> indices(64 * 64, 1);
        const QByteArray gif = gifBytes(64, 64, {qRgb(0, 0, 0), qRgb(255, 255, 255)}, indices);
        QByteArray badCrc = png;
        badCrc[40] = char(badCrc[40] ^ 0x55);
        QByteArray hugeBmp = bmp;
        hugeBmp[18] = char(0x40); hugeBmp[19] = char(0x42); hugeBmp[20] = char(0x0F);
        hugeBmp[22] = char(0x40); hugeBmp[23] = char(0x42); hugeBmp[24] = char(0x0F);

        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("just some words\n");
        QTest::newRow("pdf") << QByteArray("%PDF-1.4\n%%EOF\n");
        QTest::newRow("jpeg magic only") << QByteArray("\xFF\xD8\xFF\xE0", 4);
        QTest::newRow("truncated jpeg") << jpeg.left(jpeg.size() / 2);
        QTest::newRow("jpeg without frame") << (jpeg.left(2) + QByteArray("\xFF\xD9", 2));
        QByteArray arithmetic = jpeg;  // a frame kind PDF readers do not all show
        arithmetic[arithmetic.indexOf("\xFF\xC0") + 1] = char(0xC9);
        QTest::newRow("arithmetic-coded jpeg") << arithmetic;
        QTest::newRow("truncated png") << png.left(png.size() - 30);
        QTest::newRow("png with a bad checksum") << badCrc;
        QTest::newRow("truncated gif") << gif.left(gif.size() / 2);
        QTest::newRow("gif without picture") << gif.left(13 + 6) + QByteArray(";");
        QTest::newRow("truncated bmp") << bmp.left(bmp.size() - 100);
        QTest::newRow("bmp of a million squared") << hugeBmp;
        QTest::newRow("tiff header only") << QByteArray("II*\0\x08\0\0\0", 8);
        QTest::newRow("random after png magic") << (png.left(8) + QByteArray(200, '\x17'));
    }

    void unreadableFilesAddNothing()
    {
        QFETCH(QByteArray, bytes);
        PdfEngine engine(kEngine);
        const QString good = path(QStringLiteral("good.png"));
        QVERIFY(quarters(10, 10).save(good));
        const int goodId = engine.AddImageFromFile(good, 6);
        QVERIFY(goodId > 0);

        const QString file = path(QStringLiteral("bad-%1.img").arg(QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'))));
        QVERIFY(writeFile(file, bytes));
        QCOMPARE(engine.AddImageFromFile(file, 6), 0);
        // The earlier image stays selected and usable.
        QCOMPARE(engine.ImageWidth(), 10);
        QCOMPARE(engine.DrawImage(0, 792, 100, 100), 1);
        QVERIFY(engine.AddImageFromFile(good, 6) > goodId);
    }

    void missingFilesAndFoldersAddNothing()
    {
        PdfEngine engine(kEngine);
        QCOMPARE(engine.AddImageFromFile(QString(), 6), 0);
        QCOMPARE(engine.AddImageFromFile(path(QStringLiteral("nowhere.jpg")), 6), 0);
        QCOMPARE(engine.AddImageFromFile(dir.path(), 6), 0);
        QCOMPARE(engine.ImageWidth(), 0);
        QCOMPARE(engine.DrawImage(0, 0, 10, 10), 0);  // nothing selected
    }

    void drawRejectsEmptyRectangles()
    {
        PdfEngine engine(kEngine);
        const QString good = path(QStringLiteral("rect.png"));
        QVERIFY(quarters(10, 10).save(good));
        QVERIFY(engine.AddImageFromFile(good, 6) > 0);
        QCOMPARE(engine.DrawImage(0, 100, 0, 10), 0);
        QCOMPARE(engine.DrawImage(0, 100, 10, -5), 0);
        QCOMPARE(engine.DrawImage(qQNaN(), 100, 10, 10), 0);
        QCOMPARE(engine.DrawImage(0, 100, qInf(), 10), 0);
        QCOMPARE(engine.DrawImage(0, 100, 10, 10), 1);
    }

    // --- placement -----------------------------------------------------------

    void placedInCurrentUnitsAndOrigin_data()
    {
        QTest::addColumn<int>("origin");
        QTest::addColumn<int>("units");
        QTest::addColumn<int>("rotate");
        for (int rotate : {0, 90, 180, 270}) {
            QTest::newRow(qPrintable(QStringLiteral("bottom-left points rotate %1").arg(rotate))) << 0 << 0 << rotate;
            QTest::newRow(qPrintable(QStringLiteral("top-left mm rotate %1").arg(rotate))) << 1 << 1 << rotate;
        }
    }

    void placedInCurrentUnitsAndOrigin()
    {
        QFETCH(int, origin);
        QFETCH(int, units);
        QFETCH(int, rotate);
        const QString file = path(QStringLiteral("placed.png"));
        QVERIFY(quarters(40, 20).save(file));
        PdfEngine engine(kEngine);
        QVERIFY(engine.AddImageFromFile(file, 6) > 0);
        loadPage(engine, 300, 200, rotate);
        engine.SetOrigin(origin);
        engine.SetMeasurementUnits(units);
        // The picture's rectangle on the displayed page: x 40..200, y 30..110
        // from the top (points).
        const double k = units == 1 ? 25.4 / 72.0 : 1.0;
        const double top = origin == 1 ? 30 : 200 - 30;
        QCOMPARE(engine.DrawImage(40 * k, top * k, 160 * k, 80 * k), 1);
        const QString pdf = save(engine, QStringLiteral("placed-%1-%2-%3.pdf").arg(origin).arg(units).arg(rotate));
        QVERIFY(!pdf.isEmpty());
        const QImage page = renderPage(pdf, 1);
        QCOMPARE(page.size(), QSize(300, 200));
        QVERIFY(near(page.pixel(80, 50), QColor(220, 0, 0)));      // top-left quarter
        QVERIFY(near(page.pixel(160, 50), QColor(0, 200, 0)));     // top-right
        QVERIFY(near(page.pixel(80, 90), QColor(0, 0, 220)));      // bottom-left
        QVERIFY(near(page.pixel(160, 90), QColor(240, 220, 0)));   // bottom-right
        for (QPoint outside : {QPoint(35, 70), QPoint(205, 70), QPoint(120, 25), QPoint(120, 115)})
            QVERIFY2(near(page.pixel(outside), Qt::white, 10), "nothing outside the rectangle");
    }

    void existingGraphicsStateDoesNotLeak_data()
    {
        QTest::addColumn<QByteArray>("content");
        // Content that moves and scales the coordinate system and never restores it.
        QTest::newRow("unrestored") << QByteArray("2 0 0 2 50 50 cm 0 0 1 rg 0 0 10 10 re f");
        // The same inside saves that are never closed.
        QTest::newRow("open saves") << QByteArray("q q 2 0 0 2 50 50 cm 0 0 1 rg 0 0 10 10 re f");
    }

    void existingGraphicsStateDoesNotLeak()
    {
        QFETCH(QByteArray, content);
        const QString file = path(QStringLiteral("leak.png"));
        QImage red(4, 4, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(file));
        PdfEngine engine(kEngine);
        QVERIFY(engine.AddImageFromFile(file, 6) > 0);
        loadPage(engine, 200, 200, 0, content.constData());
        engine.SetOrigin(1);
        QCOMPARE(engine.DrawImage(150, 150, 50, 50), 1);
        const QString pdf = save(engine, QStringLiteral("leak.pdf"));
        const QImage page = renderPage(pdf, 1);
        QVERIFY(near(page.pixel(175, 175), Qt::red, 10));
        QVERIFY(near(page.pixel(60, 140), Qt::blue, 10));   // the page's own square is still there
        QVERIFY(near(page.pixel(140, 140), Qt::white, 10));
    }

    // --- stored once ---------------------------------------------------------

    void storedOncePerDocument()
    {
        const QString file = path(QStringLiteral("once.jpg"));
        QVERIFY(writeFile(file, jpegBytes(noise(200, 100, QImage::Format_RGB32), 90)));
        const QString alpha = path(QStringLiteral("once.png"));
        QVERIFY(noise(50, 50, QImage::Format_ARGB32).save(alpha));
        PageSpec blank;
        const QString three = path(QStringLiteral("three.pdf"));
        QVERIFY(writePdf(three, {blank, blank, blank}));

        PdfEngine engine(kEngine);
        const int jpg = engine.AddImageFromFile(file, 6);
        const int png = engine.AddImageFromFile(alpha, 6);
        QString outputs[2];
        for (int d = 0; d < 2; ++d) {
            QCOMPARE(engine.LoadFromFile(three, QString()), 1);
            for (int p = 1; p <= 3; ++p) {
                QCOMPARE(engine.SelectPage(p), 1);
                for (int image : {jpg, png}) {
                    QCOMPARE(engine.SelectImage(image), 1);
                    QCOMPARE(engine.DrawImage(10 * p, 700, 200, 100), 1);
                    QCOMPARE(engine.DrawImage(10 * p, 400, 200, 100), 1);
                }
            }
            outputs[d] = save(engine, QStringLiteral("once%1.pdf").arg(d));
            QVERIFY(!outputs[d].isEmpty());
        }
        for (const QString& pdf : outputs) {
            const QList<ListedImage> listed = listImages(pdf);
            QCOMPARE(listed.size(), 3 * 2 * 3);  // every use is listed: per page twice the JPEG, the PNG and its mask
            QSet<int> objects;
            for (const ListedImage& l : listed)
                objects.insert(l.object);
            QCOMPARE(objects.size(), 2);
            int pictures = 0;
            firstImageData(pdf, &pictures);
            QCOMPARE(pictures, 2);  // and the PNG's one soft mask
        }
    }

    void drawnAgainAfterItsDocumentsAreGone()
    {
        const QString file = path(QStringLiteral("again.png"));
        QVERIFY(quarters(20, 20).save(file));
        PdfEngine engine(kEngine);
        QVERIFY(engine.AddImageFromFile(file, 6) > 0);
        const int first = engine.NewDocument();
        QCOMPARE(engine.DrawImage(0, 792, 100, 100), 1);
        QCOMPARE(engine.RemoveDocument(first), 1);
        engine.NewDocument();
        QCOMPARE(engine.DrawImage(0, 792, 100, 100), 1);
        const QString pdf = save(engine, QStringLiteral("again.pdf"));
        QVERIFY(near(renderPage(pdf, 1).pixel(25, 25), QColor(220, 0, 0)));

        // Once the file holds another picture, the old one cannot come back.
        const int second = engine.SelectedDocument();
        QCOMPARE(engine.RemoveDocument(second), 1);
        QVERIFY(quarters(30, 30).save(file));
        engine.NewDocument();
        QCOMPARE(engine.DrawImage(0, 792, 100, 100), 0);
    }
};

QTEST_MAIN(TestDrawImage)
#include "tst_drawimage.moc"
