// Images found in documents: every kind of image data decoded to the pixels
// it was made from (and to what Poppler's own decoders give), JPEG kept as
// its bytes, distinct images counted, drawings per page listed as pdfimages
// lists them, and damaged data failing cleanly.

#include "imagefixtures.h"
#include "pdfengine.h"
#include "testsupport.h"

#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace imagefixtures;

Q_DECLARE_METATYPE(imagefixtures::PdfImage)

namespace {

constexpr int W = 24;
constexpr int H = 16;

QImage picture(int w, int h, const std::function<QRgb(int, int)>& colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, colour(x, y));
    return image;
}

QRgb gray(int v)
{
    return qRgb(v, v, v);
}

QList<int> samples(int w, int h, int comps, const std::function<int(int, int, int)>& value)
{
    QList<int> out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < comps; ++c)
                out.append(value(x, y, c));
    return out;
}

QByteArray dims(int w = W, int h = H)
{
    return "/Width " + QByteArray::number(w) + " /Height " + QByteArray::number(h) + " ";
}

QByteArray runLength(const QByteArray& data)
{
    QByteArray out;
    for (int i = 0; i < data.size(); i += 100) {
        const QByteArray chunk = data.mid(i, 100);
        out.append(static_cast<char>(chunk.size() - 1));
        out.append(chunk);
    }
    out.append(static_cast<char>(128));
    return out;
}

QImage bilevelImage(const QList<QList<bool>>& black)
{
    return picture(black[0].size(), black.size(), [&](int x, int y) { return black[y][x] ? gray(0) : gray(255); });
}

QList<QList<bool>> cellsToPixels(const QList<QList<bool>>& cells, int cell)
{
    QList<QList<bool>> pixels;
    for (const auto& row : cells)
        for (int r = 0; r < cell; ++r) {
            QList<bool> line;
            for (bool b : row)
                for (int c = 0; c < cell; ++c)
                    line.append(b);
            pixels.append(line);
        }
    return pixels;
}

// Rows of pdfimages -list: page, type, width, height, object id.
struct ListedImage {
    int page;
    QString type;
    int width;
    int height;
    int object;
};

QList<ListedImage> pdfimagesList(const QString& path)
{
    QString out;
    testsupport::run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path}, &out);
    QList<ListedImage> rows;
    for (const QString& line : out.split(QLatin1Char('\n')).mid(2)) {
        const QStringList f = line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (f.size() < 12)
            continue;
        rows.append({f[0].toInt(), f[2], f[3].toInt(), f[4].toInt(), f[10].toInt()});
    }
    return rows;
}

} // namespace

class TestFoundImages : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    PdfEngine* engine = nullptr;
    int fileCounter = 0;

    QString newPath(const QString& stem)
    {
        return dir.filePath(QStringLiteral("%1-%2").arg(stem).arg(++fileCounter));
    }

    void clearEngine()
    {
        while (engine->DocumentCount() > 1)
            engine->RemoveDocument(engine->GetDocumentID(1));
        engine->RemoveDocument(engine->GetDocumentID(1));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        engine = new PdfEngine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(engine->LibraryLoaded());
    }

    void cleanupTestCase()
    {
        delete engine;
        // Every save went through a temporary file beside its target; none is left.
        const QStringList left = QDir(dir.path()).entryList(QDir::Hidden | QDir::Files).filter(QRegularExpression(QStringLiteral("^\\.")));
        QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char(' '))));
    }

    void decodesEveryKind_data()
    {
        QTest::addColumn<PdfImage>("image");
        QTest::addColumn<QImage>("expected");
        QTest::addColumn<int>("tolerance");
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<bool>("popplerAgrees");  // pdfimages -png gives the same pixels

        const auto g8 = [](int x, int y, int) { return (x * 10 + y * 3) % 256; };
        QTest::newRow("gray 8 flate") << PdfImage{dims() + "/ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode",
                                                  flate(packSamples(samples(W, H, 1, g8), W, 1, 8)), {}}
                                      << picture(W, H, [&](int x, int y) { return gray(g8(x, y, 0)); }) << 0 << 2
                                      << QByteArray("png") << true;
        for (int bits : {1, 2, 4}) {
            const int levels = 1 << bits;
            const auto v = [levels](int x, int y, int) { return (x + 2 * y) % levels; };
            QTest::addRow("gray %d bits", bits)
                << PdfImage{dims() + "/ColorSpace /DeviceGray /BitsPerComponent " + QByteArray::number(bits),
                            packSamples(samples(W, H, 1, v), W, 1, bits), {}}
                << picture(W, H, [&](int x, int y) { return gray(v(x, y, 0) * 255 / (levels - 1)); }) << 0 << 2
                << QByteArray("png") << true;
        }
        const auto g16 = [](int x, int y, int) { return x * 2700 + y * 97; };
        QTest::newRow("gray 16 bits") << PdfImage{dims() + "/ColorSpace /DeviceGray /BitsPerComponent 16",
                                                  packSamples(samples(W, H, 1, g16), W, 1, 16), {}}
                                      << picture(W, H, [&](int x, int y) { return gray(g16(x, y, 0) >> 8); }) << 1 << 2
                                      << QByteArray("png") << true;

        const auto rgb = [](int x, int y, int c) { return c == 0 ? x * 10 : c == 1 ? y * 15 : (x * y) % 256; };
        const QImage rgbPicture = picture(W, H, [&](int x, int y) { return qRgb(rgb(x, y, 0), rgb(x, y, 1), rgb(x, y, 2)); });
        QByteArray predicted;
        const QByteArray rgbRows = packSamples(samples(W, H, 3, rgb), W, 3, 8);
        for (int y = 0; y < H; ++y)
            predicted.append('\0').append(rgbRows.mid(y * W * 3, W * 3));
        QTest::newRow("rgb 8 flate png predictor")
            << PdfImage{dims() + "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode "
                                 "/DecodeParms << /Predictor 15 /Colors 3 /Columns 24 /BitsPerComponent 8 >>",
                        flate(predicted), {}}
            << rgbPicture << 0 << 2 << QByteArray("png") << true;
        QTest::newRow("rgb hex and flate") << PdfImage{dims() + "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter [/AHx /Fl]",
                                                       flate(rgbRows).toHex() + ">", {}}
                                           << rgbPicture << 0 << 2 << QByteArray("png") << true;
        QTest::newRow("rgb run length") << PdfImage{dims() + "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /RunLengthDecode",
                                                    runLength(rgbRows), {}}
                                        << rgbPicture << 0 << 2 << QByteArray("png") << true;
        QTest::newRow("rgb inverted by decode")
            << PdfImage{dims() + "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Decode [1 0 1 0 1 0]", rgbRows, {}}
            << picture(W, H, [&](int x, int y) { return qRgb(255 - rgb(x, y, 0), 255 - rgb(x, y, 1), 255 - rgb(x, y, 2)); })
            << 0 << 2 << QByteArray("png") << true;
        const auto rgb16 = [](int x, int y, int c) { return c == 0 ? x * 2800 : c == 1 ? y * 4300 : 40000; };
        QTest::newRow("rgb 16 bits") << PdfImage{dims() + "/ColorSpace /DeviceRGB /BitsPerComponent 16",
                                                 packSamples(samples(W, H, 3, rgb16), W, 3, 16), {}}
                                     << picture(W, H, [&](int x, int y) { return qRgb(rgb16(x, y, 0) >> 8, rgb16(x, y, 1) >> 8, 40000 >> 8); })
                                     << 1 << 2 << QByteArray("png") << true;

        const auto cmyk = [](int x, int y, int c) { return c == 0 ? x * 10 : c == 1 ? y * 15 : c == 2 ? 0 : 40; };
        const auto cmykRgb = [&](int x, int y) {
            const double k = 1 - cmyk(x, y, 3) / 255.0;
            return qRgb(qRound(255 * (1 - cmyk(x, y, 0) / 255.0) * k), qRound(255 * (1 - cmyk(x, y, 1) / 255.0) * k),
                        qRound(255 * k));
        };
        QTest::newRow("cmyk 8") << PdfImage{dims() + "/ColorSpace /DeviceCMYK /BitsPerComponent 8 /Filter /FlateDecode",
                                            flate(packSamples(samples(W, H, 4, cmyk), W, 4, 8)), {}}
                                << picture(W, H, cmykRgb) << 1 << 2 << QByteArray("png") << false;

        const auto index4 = [](int x, int y, int) { return (x / 6 + y / 4) % 4; };
        const QRgb palette[4] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)};
        QTest::newRow("indexed rgb 8 bits")
            << PdfImage{dims() + "/ColorSpace [/Indexed /DeviceRGB 3 <ff000000ff000000ffffff00>] /BitsPerComponent 8",
                        packSamples(samples(W, H, 1, index4), W, 1, 8), {}}
            << picture(W, H, [&](int x, int y) { return palette[index4(x, y, 0)]; }) << 0 << 2 << QByteArray("png") << true;
        QTest::newRow("indexed gray 2 bits")
            << PdfImage{dims() + "/ColorSpace [/Indexed /DeviceGray 3 <00559fff>] /BitsPerComponent 2",
                        packSamples(samples(W, H, 1, index4), W, 1, 2), {}}
            << picture(W, H, [&](int x, int y) { const int g[4] = {0, 0x55, 0x9f, 0xff}; return gray(g[index4(x, y, 0)]); })
            << 0 << 2 << QByteArray("png") << true;
        QTest::newRow("indexed cmyk 1 bit")
            << PdfImage{dims() + "/ColorSpace [/Indexed /DeviceCMYK 1 <00000000ff000000>] /BitsPerComponent 1",
                        packSamples(samples(W, H, 1, [](int x, int, int) { return x % 2; }), W, 1, 1), {}}
            << picture(W, H, [](int x, int) { return x % 2 ? qRgb(0, 255, 255) : qRgb(255, 255, 255); }) << 0 << 2
            << QByteArray("png") << false;

        const QList<QList<bool>> bilevel = bilevelPicture(64, 48);
        QList<int> bits;
        for (const auto& row : bilevel)
            for (bool b : row)
                bits.append(b ? 1 : 0);
        QTest::newRow("stencil mask painting ones")
            << PdfImage{dims(64, 48) + "/ImageMask true /Decode [1 0]", packSamples(bits, 64, 1, 1), {}}
            << bilevelImage(bilevel) << 0 << 2 << QByteArray("png") << false;

        const QByteArray ccittDict = dims(64, 48) + "/ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /CCITTFaxDecode ";
        QTest::newRow("ccitt group 4") << PdfImage{ccittDict + "/DecodeParms << /K -1 /Columns 64 /Rows 48 >>", ccittFax(bilevel, -1), {}}
                                       << bilevelImage(bilevel) << 0 << 5 << QByteArray("png") << true;
        QTest::newRow("ccitt group 4 black is 1")
            << PdfImage{ccittDict + "/Decode [1 0] /DecodeParms << /K -1 /Columns 64 /Rows 48 /BlackIs1 true >>", ccittFax(bilevel, -1), {}}
            << bilevelImage(bilevel) << 0 << 5 << QByteArray("png") << true;
        QTest::newRow("ccitt group 3") << PdfImage{ccittDict + "/DecodeParms << /K 0 /Columns 64 /Rows 48 /EndOfLine true >>", ccittFax(bilevel, 0), {}}
                                       << bilevelImage(bilevel) << 0 << 5 << QByteArray("png") << true;

        QTest::newRow("jbig2 generic region")
            << PdfImage{dims(64, 48) + "/ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /JBIG2Decode", jbig2Generic(bilevel), {}}
            << bilevelImage(bilevel) << 0 << 7 << QByteArray("png") << true;
        const QList<QList<bool>> cells = bilevelPicture(16, 12);
        const Jbig2WithGlobals halftone = jbig2Halftone(cells, 4);
        QTest::newRow("jbig2 with globals")
            << PdfImage{dims(64, 48) + "/ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /JBIG2Decode", halftone.page, halftone.globals}
            << bilevelImage(cellsToPixels(cells, 4)) << 0 << 7 << QByteArray("png") << true;

        QTest::newRow("jpeg 2000 rgb") << PdfImage{dims() + "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /JPXDecode",
                                                   jpeg2000(rgbPicture, false), {}}
                                       << rgbPicture << 0 << 6 << QByteArray("png") << true;
        const QImage grayPicture = picture(W, H, [&](int x, int y) { return gray(g8(x, y, 0)); });
        QTest::newRow("jpeg 2000 gray codestream, own colour space")
            << PdfImage{dims() + "/Filter /JPXDecode", jpeg2000(grayPicture, true, false), {}}
            << grayPicture << 0 << 6 << QByteArray("png") << true;

        const QImage smooth = picture(W, H, [](int x, int y) { return qRgb(x * 10, y * 15, 128); });
        QTest::newRow("jpeg rgb") << PdfImage{dims() + "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode",
                                              jpegFromImage(smooth), {}}
                                  << smooth << 24 << 1 << QByteArray("jpeg") << false;

        // CMYK JPEG data is stored as ink amounts; Adobe's convention (which
        // image readers follow) stores them inverted, and a PDF then says so
        // with an inverting /Decode.
        QByteArray inverted, direct;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                for (int c = 0; c < 4; ++c) {
                    inverted.append(static_cast<char>(255 - cmyk(x, y, c)));
                    direct.append(static_cast<char>(cmyk(x, y, c)));
                }
        QTest::newRow("cmyk jpeg, Adobe inverted")
            << PdfImage{dims() + "/ColorSpace /DeviceCMYK /BitsPerComponent 8 /Filter /DCTDecode /Decode [1 0 1 0 1 0 1 0]",
                        cmykJpeg(W, H, inverted), {}}
            << picture(W, H, cmykRgb) << 24 << 1 << QByteArray("jpeg") << false;
        QTest::newRow("cmyk jpeg, plain")
            << PdfImage{dims() + "/ColorSpace /DeviceCMYK /BitsPerComponent 8 /Filter /DCTDecode", cmykJpeg(W, H, direct), {}}
            << picture(W, H, cmykRgb) << 24 << 1 << QByteArray("png") << false;
    }

    void decodesEveryKind()
    {
        QFETCH(PdfImage, image);
        QFETCH(QImage, expected);
        QFETCH(int, tolerance);
        QFETCH(int, type);
        QFETCH(QByteArray, format);
        QFETCH(bool, popplerAgrees);

        const QString pdf = newPath(QStringLiteral("kind")) + QStringLiteral(".pdf");
        QVERIFY(writeImagePdf(pdf, {image}));
        const QList<ListedImage> listed = pdfimagesList(pdf);
        QCOMPARE(listed.size(), 1);

        clearEngine();
        QCOMPARE(engine->LoadFromFile(pdf, QString()), 1);
        QCOMPARE(engine->FindImages(), 1);
        QVERIFY(engine->SelectImage(engine->GetImageID(1)));
        QCOMPARE(engine->ImageWidth(), listed[0].width);
        QCOMPARE(engine->ImageHeight(), listed[0].height);
        QCOMPARE(engine->ImageType(), type);

        // Saved like the image extractor does: a name without extension.
        const QString out = newPath(QStringLiteral("saved"));
        QCOMPARE(engine->SaveImageToFile(out), 1);
        QByteArray readFormat;
        const QImage got = readImage(out, &readFormat);
        QCOMPARE(readFormat, format);
        QVERIFY(!got.isNull());
        const int difference = maxChannelDifference(got, expected);
        QVERIFY2(difference >= 0 && difference <= tolerance, qPrintable(QStringLiteral("difference %1").arg(difference)));
        if (format == "jpeg") {
            QFile saved(out);
            QVERIFY(saved.open(QIODevice::ReadOnly));
            QCOMPARE(saved.readAll(), image.data);
        }
        if (image.dict.contains("/BitsPerComponent 16")) {
            // Sixteen-bit samples keep their precision.
            QVERIFY(got.format() == QImage::Format_Grayscale16 || got.format() == QImage::Format_RGBX64
                    || got.format() == QImage::Format_RGBA64);
        }
        if (popplerAgrees) {
            const QString prefix = newPath(QStringLiteral("poppler"));
            QCOMPARE(testsupport::run(QStringLiteral("pdfimages"), {QStringLiteral("-png"), pdf, prefix}), 0);
            const QImage poppler = readImage(prefix + QStringLiteral("-000.png"));
            QFile::remove(prefix + QStringLiteral("-000.png"));
            const int popplerDifference = maxChannelDifference(got, poppler);
            QVERIFY2(popplerDifference >= 0 && popplerDifference <= qMax(tolerance, 1),
                     qPrintable(QStringLiteral("difference from pdfimages %1").arg(popplerDifference)));
        }
    }

    void findsDistinctImagesOnPagesFormsAndAnnotations()
    {
        const auto plain = [](int shade) {
            return PdfImage{dims(4, 4) + "/ColorSpace /DeviceGray /BitsPerComponent 8", QByteArray(16, static_cast<char>(shade)), {}};
        };
        // Image 0 drawn twice on page 1 and again on page 2; 1 inside a form;
        // 2 in an annotation's appearance; 3 never drawn but listed on page 2.
        PdfPage first;
        first.draws = {0, 0};
        first.formDraws = {1};
        first.extraContent = "q 10 0 0 10 300 300 cm BI /W 2 /H 2 /CS /G /BPC 8 ID \x10\x20\x30\x40 EI Q\n";
        PdfPage second;
        second.draws = {0, 3};
        second.annotationDraws = {2};
        const QString pdf = newPath(QStringLiteral("distinct")) + QStringLiteral(".pdf");
        QVERIFY(writeImagePdf(pdf, {plain(10), plain(80), plain(160), plain(240)}, {first, second}));

        const QList<ListedImage> listed = pdfimagesList(pdf);
        QSet<int> objects;
        QMap<int, int> perPage;
        for (const ListedImage& l : listed) {
            if (l.object > 0)
                objects.insert(l.object);
            ++perPage[l.page];
        }

        clearEngine();
        QCOMPARE(engine->LoadFromFile(pdf, QString()), 1);
        QCOMPARE(engine->FindImages(), objects.size());
        QCOMPARE(engine->FindImages(), 4);
        QList<int> ids;
        for (int i = 1; i <= 4; ++i)
            ids.append(engine->GetImageID(i));
        QCOMPARE(QSet<int>(ids.begin(), ids.end()).size(), 4);
        QCOMPARE(engine->GetImageID(0), 0);
        QCOMPARE(engine->GetImageID(5), 0);
        // Found again, the same images keep their ids.
        QCOMPARE(engine->FindImages(), 4);
        for (int i = 1; i <= 4; ++i)
            QCOMPARE(engine->GetImageID(i), ids[i - 1]);

        // Drawings per page, as pdfimages lists them: repeated draws, forms,
        // inline images and annotation appearances all count.
        for (int page = 1; page <= 2; ++page) {
            QVERIFY(engine->SelectPage(page));
            const int list = engine->GetPageImageList(0);
            QVERIFY(list > 0);
            QCOMPARE(engine->GetImageListCount(list), perPage.value(page));
        }
        QCOMPARE(perPage.value(1), 4);
        QCOMPARE(perPage.value(2), 3);
    }

    void imagesOfEncryptedFiles()
    {
        // The image extractor opens protected files with their password and
        // does not decrypt them first.
        const QList<QList<bool>> bilevel = bilevelPicture(64, 48);
        const QString plain = newPath(QStringLiteral("plain")) + QStringLiteral(".pdf");
        const QString locked = newPath(QStringLiteral("locked")) + QStringLiteral(".pdf");
        QVERIFY(writeImagePdf(plain, {PdfImage{dims(64, 48) + "/ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /CCITTFaxDecode "
                                                               "/DecodeParms << /K -1 /Columns 64 >>",
                                               ccittFax(bilevel, -1), {}},
                                      PdfImage{dims() + "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode",
                                               jpegFromImage(picture(W, H, [](int x, int) { return qRgb(x * 10, 0, 0); })), {}}}));
        QCOMPARE(testsupport::run(QStringLiteral("qpdf"), {QStringLiteral("--encrypt"), QStringLiteral("user"), QStringLiteral("owner"),
                                                          QStringLiteral("256"), QStringLiteral("--"), plain, locked}),
                 0);
        clearEngine();
        QCOMPARE(engine->LoadFromFile(locked, QStringLiteral("user")), 1);
        QCOMPARE(engine->FindImages(), 2);
        QVERIFY(engine->SelectImage(engine->GetImageID(1)));
        const QString first = newPath(QStringLiteral("locked-out"));
        QCOMPARE(engine->SaveImageToFile(first), 1);
        QCOMPARE(maxChannelDifference(readImage(first), bilevelImage(bilevel)), 0);
        QVERIFY(engine->SelectImage(engine->GetImageID(2)));
        const QString second = newPath(QStringLiteral("locked-out"));
        QCOMPARE(engine->SaveImageToFile(second), 1);
        QFile jpeg(second);
        QVERIFY(jpeg.open(QIODevice::ReadOnly));
        QVERIFY(jpeg.readAll().startsWith("\xff\xd8"));
    }

    void listsAndImagesGoWithTheirDocument()
    {
        const QString pdf = newPath(QStringLiteral("lifetime")) + QStringLiteral(".pdf");
        QVERIFY(writeImagePdf(pdf, {PdfImage{dims(2, 2) + "/ColorSpace /DeviceGray /BitsPerComponent 8", QByteArray(4, 'x'), {}}}));
        clearEngine();
        QCOMPARE(engine->LoadFromFile(pdf, QString()), 1);
        const int doc = engine->SelectedDocument();
        QCOMPARE(engine->FindImages(), 1);
        const int image = engine->GetImageID(1);
        const int list = engine->GetPageImageList(0);
        QCOMPARE(engine->GetImageListCount(list), 1);
        // Another document does not see them through its own lists.
        engine->NewDocument();
        QCOMPARE(engine->GetPageImageList(0) > 0, true);
        QCOMPARE(engine->GetImageListCount(list), 1);
        QCOMPARE(engine->RemoveDocument(doc), 1);
        QCOMPARE(engine->GetImageListCount(list), 0);
        QCOMPARE(engine->SelectImage(image), 0);
        QCOMPARE(engine->SaveImageToFile(newPath(QStringLiteral("gone"))), 0);
        QCOMPARE(engine->GetImageListCount(-1), 0);
    }

    void damagedImagesFailCleanly_data()
    {
        QTest::addColumn<PdfImage>("image");
        const QList<QList<bool>> bilevel = bilevelPicture(64, 48);
        const QByteArray gray = dims(64, 48) + "/ColorSpace /DeviceGray /BitsPerComponent 1 ";
        QTest::newRow("truncated ccitt") << PdfImage{gray + "/Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 64 >>", ccittFax(bilevel, -1).left(20), {}};
        QTest::newRow("noise as ccitt") << PdfImage{gray + "/Filter /CCITTFaxDecode /DecodeParms << /K 1 /Columns 64 >>", QByteArray(300, '\xa5'), {}};
        QTest::newRow("truncated jbig2") << PdfImage{gray + "/Filter /JBIG2Decode", jbig2Generic(bilevel).left(40), {}};
        QTest::newRow("jbig2 page of four billion rows")
            << PdfImage{gray + "/Filter /JBIG2Decode", QByteArray::fromHex("00000000300100000000130000004000fffffffe0000000000000000000000"), {}};
        QTest::newRow("truncated jpeg 2000") << PdfImage{dims(24, 16) + "/Filter /JPXDecode", jpeg2000(QImage(24, 16, QImage::Format_RGB32), false).left(60), {}};
        QTest::newRow("noise as jpeg 2000") << PdfImage{dims(24, 16) + "/Filter /JPXDecode", QByteArray(500, '\x4f'), {}};
        QTest::newRow("truncated jpeg") << PdfImage{dims(24, 16) + "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode",
                                                    jpegFromImage(QImage(24, 16, QImage::Format_RGB32)).left(100), {}};
        QTest::newRow("broken flate") << PdfImage{dims(24, 16) + "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode", QByteArray("x\x9c garbage"), {}};
        QTest::newRow("unknown filter") << PdfImage{dims(24, 16) + "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /NoSuchDecode", QByteArray(100, 'a'), {}};
        QTest::newRow("no colour space") << PdfImage{dims(24, 16) + "/BitsPerComponent 8", QByteArray(100, 'a'), {}};
        QTest::newRow("odd bit depth") << PdfImage{dims(24, 16) + "/ColorSpace /DeviceGray /BitsPerComponent 7", QByteArray(400, 'a'), {}};
        QTest::newRow("huge dimensions") << PdfImage{"/Width 1000000 /Height 1000000 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode",
                                                     flate(QByteArray(1 << 20, '\0')), {}};
        QTest::newRow("negative dimensions") << PdfImage{"/Width -5 /Height 3 /ColorSpace /DeviceGray /BitsPerComponent 8", QByteArray(15, 'a'), {}};
        QTest::newRow("short data") << PdfImage{dims(24, 16) + "/ColorSpace /DeviceRGB /BitsPerComponent 8", QByteArray(10, 'a'), {}};
        QTest::newRow("indexed without table") << PdfImage{dims(24, 16) + "/ColorSpace [/Indexed /DeviceRGB 300] /BitsPerComponent 8", QByteArray(400, 'a'), {}};
        QTest::newRow("colour space loop") << PdfImage{dims(24, 16) + "/ColorSpace [/Indexed [/Indexed /DeviceRGB 1 <00>] 1 <00>] /BitsPerComponent 8", QByteArray(400, 'a'), {}};
    }

    void damagedImagesFailCleanly()
    {
        QFETCH(PdfImage, image);
        const QString pdf = newPath(QStringLiteral("damaged")) + QStringLiteral(".pdf");
        QVERIFY(writeImagePdf(pdf, {image}));
        clearEngine();
        QCOMPARE(engine->LoadFromFile(pdf, QString()), 1);
        QCOMPARE(engine->FindImages(), 1);
        QVERIFY(engine->SelectImage(engine->GetImageID(1)));
        const QString out = newPath(QStringLiteral("damaged-out"));
        QFile earlier(out);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier");
        earlier.close();
        // Either a readable image or no change at all.
        if (engine->SaveImageToFile(out) == 1) {
            QVERIFY(!readImage(out).isNull());
        } else {
            QFile f(out);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), QByteArray("earlier"));
        }
        // The instance stays usable.
        QCOMPARE(engine->PageCount(), 1);
    }

    void mutatedImageDataNeverCrashes()
    {
        // Every decoder fed damaged copies of valid data: bytes flipped,
        // data cut short, global segments damaged too.
        const QList<QList<bool>> bilevel = bilevelPicture(64, 48);
        const QImage colours = picture(W, H, [](int x, int y) { return qRgb(x * 10, y * 15, 90); });
        const Jbig2WithGlobals halftone = jbig2Halftone(bilevelPicture(16, 12), 4);
        QByteArray cmyk;
        for (int i = 0; i < W * H * 4; ++i)
            cmyk.append(static_cast<char>(i * 7));
        const QByteArray gray = dims(64, 48) + "/ColorSpace /DeviceGray /BitsPerComponent 1 ";
        const QList<PdfImage> originals{
            {gray + "/Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 64 /Rows 48 >>", ccittFax(bilevel, -1), {}},
            {gray + "/Filter /CCITTFaxDecode /DecodeParms << /K 0 /Columns 64 /EndOfLine true >>", ccittFax(bilevel, 0), {}},
            {gray + "/Filter /JBIG2Decode", jbig2Generic(bilevel), {}},
            {gray + "/Filter /JBIG2Decode", halftone.page, halftone.globals},
            {dims() + "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /JPXDecode", jpeg2000(colours, false), {}},
            {dims() + "/Filter /JPXDecode", jpeg2000(colours, true, false), {}},
            {dims() + "/ColorSpace /DeviceCMYK /BitsPerComponent 8 /Filter /DCTDecode", cmykJpeg(W, H, cmyk), {}},
            {dims() + "/ColorSpace [/Indexed /DeviceRGB 3 <ff000000ff000000ffffff00>] /BitsPerComponent 4 /Filter /FlateDecode",
             flate(QByteArray(W * H / 2, '\x12')), {}},
            {dims() + "/ColorSpace /DeviceRGB /BitsPerComponent 16 /Filter /FlateDecode "
                      "/DecodeParms << /Predictor 15 /Colors 3 /Columns 24 /BitsPerComponent 16 >>",
             flate(QByteArray((W * 6 + 1) * H, '\x02')), {}},
        };
        QRandomGenerator rng(20261206);
        auto damage = [&](QByteArray data) {
            if (data.isEmpty())
                return data;
            if (rng.bounded(3) == 0)
                return data.left(static_cast<int>(rng.bounded(data.size())));
            const int flips = 1 + static_cast<int>(rng.bounded(8));
            for (int i = 0; i < flips; ++i)
                data[static_cast<int>(rng.bounded(data.size()))] = static_cast<char>(rng.bounded(256));
            return data;
        };
        QList<PdfImage> damaged;
        QList<PdfPage> pages;
        for (int round = 0; round < 25; ++round) {
            for (const PdfImage& original : originals) {
                PdfImage copy = original;
                copy.data = damage(copy.data);
                if (!copy.jbig2Globals.isEmpty() && rng.bounded(2))
                    copy.jbig2Globals = damage(copy.jbig2Globals);
                PdfPage page;
                page.draws = {static_cast<int>(damaged.size())};
                pages.append(page);
                damaged.append(copy);
            }
        }
        const QString pdf = newPath(QStringLiteral("mutated")) + QStringLiteral(".pdf");
        QVERIFY(writeImagePdf(pdf, damaged, pages));
        clearEngine();
        QCOMPARE(engine->LoadFromFile(pdf, QString()), 1);
        const int found = engine->FindImages();
        QCOMPARE(found, damaged.size());
        const QString out = newPath(QStringLiteral("mutated-out"));
        int written = 0;
        for (int i = 1; i <= found; ++i) {
            QVERIFY(engine->SelectImage(engine->GetImageID(i)));
            if (engine->SaveImageToFile(out) == 1) {
                ++written;
                QVERIFY(!readImage(out).isNull());
            }
        }
        QVERIFY(written > 0);
    }

    void savingNeedsAPlaceToWrite()
    {
        const QString pdf = newPath(QStringLiteral("place")) + QStringLiteral(".pdf");
        QVERIFY(writeImagePdf(pdf, {PdfImage{dims(2, 2) + "/ColorSpace /DeviceGray /BitsPerComponent 8", QByteArray(4, 'x'), {}}}));
        clearEngine();
        QCOMPARE(engine->LoadFromFile(pdf, QString()), 1);
        QCOMPARE(engine->SaveImageToFile(newPath(QStringLiteral("nothing-selected"))), 0);
        QCOMPARE(engine->FindImages(), 1);
        QVERIFY(engine->SelectImage(engine->GetImageID(1)));
        QCOMPARE(engine->SaveImageToFile(dir.filePath(QStringLiteral("no/such/folder/x.png"))), 0);
        QCOMPARE(engine->SaveImageToFile(dir.path()), 0);
        QCOMPARE(engine->SaveImageToFile(QString()), 0);
    }
};

QTEST_MAIN(TestFoundImages)
#include "tst_foundimages.moc"
