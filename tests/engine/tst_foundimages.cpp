// Images found in documents: every kind of image data decoded to the pixels
// it was made from (and to what Poppler's own decoders give), JPEG kept as
// its bytes, distinct images counted, drawings per page listed as pdfimages
// lists them, and damaged data failing cleanly.

#include "folioconstants.h"
#include "imagefixtures.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "pixels.h"
#include "testsupport.h"

#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#include <sys/resource.h>

using namespace testsupport;
using namespace folio;

namespace {

constexpr int W = 24, H = 16;

// The process's peak resident memory so far.
long peakMemoryKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// An image XObject: dictionary entries (PDF syntax), stored data, JBIG2 globals.
struct PdfImage {
    QByteArray dict, data, globals;
};

QByteArray dims(int w = W, int h = H)
{
    return "/Width " + QByteArray::number(w) + " /Height " + QByteArray::number(h) + " ";
}

QImage picture(int w, int h, const std::function<QRgb(int, int)>& colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, colour(x, y));
    return image;
}

QImage bilevelImage(const Bilevel& black, int cell = 1)
{
    return picture(black[0].size() * cell, black.size() * cell, [&](int x, int y) { return black[y / cell][x / cell] ? qRgb(0, 0, 0) : qRgb(255, 255, 255); });
}

// Samples value(x, y, component) packed into PDF image rows of that bit depth.
QByteArray samples(int comps, int bits, const std::function<int(int, int, int)>& value, int w = W, int h = H)
{
    QByteArray out;
    for (int y = 0; y < h; ++y) {
        QByteArray row((w * comps * bits + 7) / 8, '\0');
        for (int i = 0; i < w * comps; ++i) {
            const int v = value(i / comps, y, i % comps);
            if (bits == 16)
                row[2 * i] = char(v >> 8), row[2 * i + 1] = char(v);
            else
                row[i * bits / 8] = char(row[i * bits / 8] | v << (8 - bits - i * bits % 8));
        }
        out += row;
    }
    return out;
}

// A PDF with a page for each image, drawing it once.
bool writeImagePdf(const QString& path, const QList<PdfImage>& images)
{
    Builder b;
    for (const PdfImage& image : images)
        b.addPage(Builder::draw(b.image(image.dict, image.data, image.globals), 20, 600, 120, 120));
    return b.write(path);
}

} // namespace

Q_DECLARE_METATYPE(PdfImage)

class TestFoundImages : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    PdfEngine engine{"FolioPdfEngine"};

    QString path(const QString& name) const { return dir.filePath(name); }

    // Loads the file as the only document and finds its images.
    void load(const QString& pdf, int images)
    {
        QVERIFY(loadOnly(engine, pdf));
        QCOMPARE(engine.FindImages(), images);
    }

private slots:
    void cleanupTestCase()
    {
        // Every save went through a temporary file beside its target; none is left.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Hidden | QDir::Files).filter(QRegularExpression("^\\.")), QStringList());
    }

    void decodesEveryKind_data()
    {
        QTest::addColumn<PdfImage>("image");
        QTest::addColumn<QImage>("expected");
        QTest::addColumn<int>("tolerance");
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("format");  // as saved
        QTest::addColumn<bool>("popplerAgrees");  // pdfimages -png gives the same pixels
        QTest::addColumn<bool>("encrypted");      // read from a protected copy with its password

        const auto g8 = [](int x, int y, int) { return (x * 10 + y * 3) % 256; };
        const QImage grayPicture = picture(W, H, [&](int x, int y) { return qRgb(g8(x, y, 0), g8(x, y, 0), g8(x, y, 0)); });
        QTest::newRow("gray 8 flate") << PdfImage{dims() + "/ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode", flate(samples(1, 8, g8))}
                                      << grayPicture << 0 << int(ImagePng) << QByteArray("png") << true << false;
        for (int bits : {1, 2, 4}) {
            const auto v = [bits](int x, int y, int) { return (x + 2 * y) % (1 << bits); };
            QTest::addRow("gray %d bits", bits)
                << PdfImage{dims() + "/ColorSpace /DeviceGray /BitsPerComponent " + QByteArray::number(bits), samples(1, bits, v)}
                << picture(W, H, [&](int x, int y) { const int g = v(x, y, 0) * 255 / ((1 << bits) - 1); return qRgb(g, g, g); })
                << 0 << int(ImagePng) << QByteArray("png") << true << false;
        }
        const auto g16 = [](int x, int y, int) { return x * 2700 + y * 97; };
        QTest::newRow("gray 16 bits") << PdfImage{dims() + "/ColorSpace /DeviceGray /BitsPerComponent 16", samples(1, 16, g16)}
                                      << picture(W, H, [&](int x, int y) { const int g = g16(x, y, 0) >> 8; return qRgb(g, g, g); })
                                      << 1 << int(ImagePng) << QByteArray("png") << true << false;

        const auto rgb = [](int x, int y, int c) { return c == 0 ? x * 10 : c == 1 ? y * 15 : (x * y) % 256; };
        const QImage rgbPicture = picture(W, H, [&](int x, int y) { return qRgb(rgb(x, y, 0), rgb(x, y, 1), rgb(x, y, 2)); });
        const QByteArray rgbRows = samples(3, 8, rgb);
        QByteArray predicted;
        for (int y = 0; y < H; ++y)
            predicted.append('\0').append(rgbRows.mid(y * W * 3, W * 3));
        QTest::newRow("rgb flate png predictor")
            << PdfImage{dims() + "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode "
                                 "/DecodeParms << /Predictor 15 /Colors 3 /Columns 24 /BitsPerComponent 8 >>", flate(predicted)}
            << rgbPicture << 0 << int(ImagePng) << QByteArray("png") << true << false;
        QTest::newRow("rgb hex and flate") << PdfImage{dims() + "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter [/AHx /Fl]", flate(rgbRows).toHex() + ">"}
                                           << rgbPicture << 0 << int(ImagePng) << QByteArray("png") << true << false;
        // LZW and RunLength are read by the same filter chain as compression reads them (tst_compression).
        QTest::newRow("rgb inverted by decode")
            << PdfImage{dims() + "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Decode [1 0 1 0 1 0]", rgbRows}
            << picture(W, H, [&](int x, int y) { return qRgb(255 - rgb(x, y, 0), 255 - rgb(x, y, 1), 255 - rgb(x, y, 2)); })
            << 0 << int(ImagePng) << QByteArray("png") << true << false;
        const auto rgb16 = [](int x, int y, int c) { return c == 0 ? x * 2800 : c == 1 ? y * 4300 : 40000; };
        QTest::newRow("rgb 16 bits") << PdfImage{dims() + "/ColorSpace /DeviceRGB /BitsPerComponent 16", samples(3, 16, rgb16)}
                                     << picture(W, H, [&](int x, int y) { return qRgb(rgb16(x, y, 0) >> 8, rgb16(x, y, 1) >> 8, 40000 >> 8); })
                                     << 1 << int(ImagePng) << QByteArray("png") << true << false;

        const auto cmyk = [](int x, int y, int c) { return c == 0 ? x * 10 : c == 1 ? y * 15 : c == 2 ? 0 : 40; };
        const QImage cmykPicture = picture(W, H, [&](int x, int y) {
            const double k = 1 - cmyk(x, y, 3) / 255.0;
            return qRgb(qRound(255 * (1 - cmyk(x, y, 0) / 255.0) * k), qRound(255 * (1 - cmyk(x, y, 1) / 255.0) * k), qRound(255 * k));
        });
        QTest::newRow("cmyk 8") << PdfImage{dims() + "/ColorSpace /DeviceCMYK /BitsPerComponent 8 /Filter /FlateDecode", flate(samples(4, 8, cmyk))}
                                << cmykPicture << 1 << int(ImagePng) << QByteArray("png") << false << false;

        const auto index4 = [](int x, int y, int) { return (x / 6 + y / 4) % 4; };
        const QRgb palette[4] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)};
        QTest::newRow("indexed rgb 8 bits")
            << PdfImage{dims() + "/ColorSpace [/Indexed /DeviceRGB 3 <ff000000ff000000ffffff00>] /BitsPerComponent 8", samples(1, 8, index4)}
            << picture(W, H, [&](int x, int y) { return palette[index4(x, y, 0)]; }) << 0 << int(ImagePng) << QByteArray("png") << true << false;
        QTest::newRow("indexed gray 2 bits")
            << PdfImage{dims() + "/ColorSpace [/Indexed /DeviceGray 3 <00559fff>] /BitsPerComponent 2", samples(1, 2, index4)}
            << picture(W, H, [&](int x, int y) { const int g[4] = {0, 0x55, 0x9f, 0xff}; return qRgb(g[index4(x, y, 0)], g[index4(x, y, 0)], g[index4(x, y, 0)]); })
            << 0 << int(ImagePng) << QByteArray("png") << true << false;
        QTest::newRow("indexed cmyk 1 bit")
            << PdfImage{dims() + "/ColorSpace [/Indexed /DeviceCMYK 1 <00000000ff000000>] /BitsPerComponent 1", samples(1, 1, [](int x, int, int) { return x % 2; })}
            << picture(W, H, [](int x, int) { return x % 2 ? qRgb(0, 255, 255) : qRgb(255, 255, 255); }) << 0 << int(ImagePng) << QByteArray("png") << false << false;

        const Bilevel bilevel = bilevelPicture(64, 48);
        const QByteArray oneBit = samples(1, 1, [&](int x, int y, int) { return bilevel[y][x] ? 1 : 0; }, 64, 48);
        QTest::newRow("stencil mask painting ones") << PdfImage{dims(64, 48) + "/ImageMask true /Decode [1 0]", oneBit}
                                                    << bilevelImage(bilevel) << 0 << int(ImagePng) << QByteArray("png") << false << false;
        const QByteArray ccitt = dims(64, 48) + "/ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /CCITTFaxDecode ";
        // Data given to a decoder, or kept as it is, is decrypted first.
        QTest::newRow("ccitt group 4, protected file")
            << PdfImage{ccitt + "/DecodeParms << /K -1 /Columns 64 /Rows 48 >>", ccittFax(bilevel, -1)}
            << bilevelImage(bilevel) << 0 << int(ImageTiff) << QByteArray("png") << true << true;
        QTest::newRow("ccitt group 4 black is 1")
            << PdfImage{ccitt + "/Decode [1 0] /DecodeParms << /K -1 /Columns 64 /Rows 48 /BlackIs1 true >>", ccittFax(bilevel, -1)}
            << bilevelImage(bilevel) << 0 << int(ImageTiff) << QByteArray("png") << true << false;
        QTest::newRow("ccitt group 3") << PdfImage{ccitt + "/DecodeParms << /K 0 /Columns 64 /Rows 48 /EndOfLine true >>", ccittFax(bilevel, 0)}
                                       << bilevelImage(bilevel) << 0 << int(ImageTiff) << QByteArray("png") << true << false;
        const QByteArray jbig2 = dims(64, 48) + "/ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /JBIG2Decode";
        QTest::newRow("jbig2 generic region") << PdfImage{jbig2, jbig2Generic(bilevel)} << bilevelImage(bilevel) << 0 << int(ImageJbig2) << QByteArray("png") << true << false;
        const Bilevel cells = bilevelPicture(16, 12);
        const Jbig2WithGlobals halftone = jbig2Halftone(cells, 4);
        QTest::newRow("jbig2 with globals") << PdfImage{jbig2, halftone.page, halftone.globals} << bilevelImage(cells, 4) << 0 << int(ImageJbig2) << QByteArray("png") << true << false;

        QTest::newRow("jpeg 2000 rgb") << PdfImage{dims() + "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /JPXDecode", jpeg2000(rgbPicture, false)}
                                       << rgbPicture << 0 << int(ImageJpeg2000) << QByteArray("png") << true << false;
        QTest::newRow("jpeg 2000 gray codestream, own colour space")
            << PdfImage{dims() + "/Filter /JPXDecode", jpeg2000(grayPicture, true, false)} << grayPicture << 0 << int(ImageJpeg2000) << QByteArray("png") << true << false;

        // JPEG is saved as its bytes. CMYK JPEG data in Adobe's convention
        // (which image readers follow) is inverted, and a PDF says so with an
        // inverting /Decode; plain CMYK data comes out as PNG.
        const QImage smooth = picture(W, H, [](int x, int y) { return qRgb(x * 10, y * 15, 128); });
        QTest::newRow("jpeg rgb, protected file")
            << PdfImage{dims() + "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode", jpegBytes(smooth, 95)}
            << smooth << 24 << int(ImageJpeg) << QByteArray("jpeg") << false << true;
        const QByteArray inks = samples(4, 8, cmyk), inverted = samples(4, 8, [&](int x, int y, int c) { return 255 - cmyk(x, y, c); });
        QTest::newRow("cmyk jpeg, Adobe inverted")
            << PdfImage{dims() + "/ColorSpace /DeviceCMYK /BitsPerComponent 8 /Filter /DCTDecode /Decode [1 0 1 0 1 0 1 0]", cmykJpeg(W, H, inverted)}
            << cmykPicture << 24 << int(ImageJpeg) << QByteArray("jpeg") << false << false;
        QTest::newRow("cmyk jpeg, plain") << PdfImage{dims() + "/ColorSpace /DeviceCMYK /BitsPerComponent 8 /Filter /DCTDecode", cmykJpeg(W, H, inks)}
                                          << cmykPicture << 24 << int(ImageJpeg) << QByteArray("png") << false << false;
    }

    void decodesEveryKind()
    {
        QFETCH(PdfImage, image);
        QFETCH(QImage, expected);
        QFETCH(int, tolerance);
        QFETCH(int, type);
        QFETCH(QByteArray, format);
        QFETCH(bool, popplerAgrees);
        QFETCH(bool, encrypted);
        const QString pdf = path("kind.pdf");
        QVERIFY(writeImagePdf(pdf, {image}));
        const QList<ListedImage> listed = listImages(pdf);
        QCOMPARE(listed.size(), 1);

        if (encrypted)
            QVERIFY(encrypt(pdf, path("locked.pdf"), "user", "owner"));
        QVERIFY(loadOnly(engine, encrypted ? path("locked.pdf") : pdf, encrypted ? "user" : QString()));
        QCOMPARE(engine.FindImages(), 1);
        QVERIFY(engine.SelectImage(engine.GetImageID(1)));
        QCOMPARE(engine.ImageWidth(), listed[0].width);
        QCOMPARE(engine.ImageHeight(), listed[0].height);
        QCOMPARE(engine.ImageType(), type);

        // Saved like the image extractor does: a name without extension.
        const QString out = path("saved");
        QCOMPARE(engine.SaveImageToFile(out), 1);
        QByteArray readFormat;
        const QImage got = readImage(out, &readFormat);
        QCOMPARE(readFormat, format);
        const int difference = maxChannelDifference(got, expected);
        QVERIFY2(difference >= 0 && difference <= tolerance, qPrintable(QString("difference %1").arg(difference)));
        if (format == "jpeg")
            QCOMPARE(readFile(out), image.data);
        // A name that asks for a JPEG gets one, of the same picture.
        QCOMPARE(engine.SaveImageToFile(out + ".jpg"), 1);
        QCOMPARE(readImage(out + ".jpg", &readFormat).size(), got.size());
        QCOMPARE(readFormat, QByteArray("jpeg"));
        if (image.dict.contains("/BitsPerComponent 16"))  // sixteen-bit samples keep their precision
            QVERIFY(got.format() == QImage::Format_Grayscale16 || got.format() == QImage::Format_RGBX64 || got.format() == QImage::Format_RGBA64);
        const QList<QImage> poppler = popplerAgrees ? extractImages(pdf) : QList<QImage>();
        if (popplerAgrees)
            QVERIFY(poppler.size() == 1 && maxChannelDifference(got, poppler[0]) <= qMax(tolerance, 1));
    }

    void findsDistinctImagesOnPagesFormsAndAnnotations()
    {
        // Image 0 drawn twice on page 1 and again on page 2; 1 inside a form
        // on page 1, with an inline image; 2 in an annotation's appearance and
        // 3 drawn on page 2.
        Builder b;
        std::string images[4];
        for (int i = 0; i < 4; ++i)
            images[i] = b.image(dims(4, 4) + "/ColorSpace /DeviceGray /BitsPerComponent 8", QByteArray(16, char(10 + 70 * i)));
        const std::string form = b.form(Builder::draw(images[1], 10, 10, 100, 100));
        b.addPage(Builder::draw(images[0], 0, 0, 50, 50) + Builder::draw(images[0], 60, 0, 50, 50) + Builder::draw(form, 0, 0, 1, 1) +
                  "q 10 0 0 10 300 300 cm BI /W 2 /H 2 /CS /G /BPC 8 ID \x10\x20\x30\x40 EI Q\n");
        const std::string stamp = b.form(Builder::draw(images[2], 10, 10, 100, 100));
        b.addPage(Builder::draw(images[0], 0, 0, 50, 50) + Builder::draw(images[3], 60, 0, 50, 50), Filter::None, 612, 792, stamp);
        QVERIFY(b.write(path("distinct.pdf")));

        QSet<int> objects;
        QMap<int, int> perPage;
        for (const ListedImage& l : listImages(path("distinct.pdf"))) {
            if (l.object > 0)
                objects.insert(l.object);
            ++perPage[l.page];
        }
        QCOMPARE(objects.size(), 4);
        QCOMPARE(perPage, (QMap<int, int>{{1, 4}, {2, 3}}));

        load(path("distinct.pdf"), 4);
        QList<int> ids;
        for (int i = 1; i <= 4; ++i)
            ids.append(engine.GetImageID(i));
        QCOMPARE(QSet<int>(ids.begin(), ids.end()).size(), 4);
        QCOMPARE(engine.GetImageID(0), 0);
        QCOMPARE(engine.GetImageID(5), 0);
        // Found again, the same images keep their ids.
        QCOMPARE(engine.FindImages(), 4);
        for (int i = 1; i <= 4; ++i)
            QCOMPARE(engine.GetImageID(i), ids[i - 1]);
        // Drawings per page, as pdfimages lists them: repeated draws, forms,
        // inline images and annotation appearances all count.
        for (int page = 1; page <= 2; ++page) {
            QVERIFY(engine.SelectPage(page));
            QCOMPARE(engine.GetImageListCount(engine.GetPageImageList(0)), perPage.value(page));
        }
    }

    void listsAndImagesGoWithTheirDocument()
    {
        QVERIFY(writeImagePdf(path("lifetime.pdf"), {{dims(2, 2) + "/ColorSpace /DeviceGray /BitsPerComponent 8", QByteArray(4, 'x')}}));
        load(path("lifetime.pdf"), 1);
        const int doc = engine.SelectedDocument();
        const int image = engine.GetImageID(1);
        const int list = engine.GetPageImageList(0);
        QCOMPARE(engine.GetImageListCount(list), 1);
        // Another document does not see them through its own lists.
        engine.NewDocument();
        QVERIFY(engine.GetPageImageList(0) > 0);
        QCOMPARE(engine.GetImageListCount(list), 1);
        QCOMPARE(engine.RemoveDocument(doc), 1);
        QCOMPARE(engine.GetImageListCount(list), 0);
        QCOMPARE(engine.SelectImage(image), 0);
        QCOMPARE(engine.SaveImageToFile(path("gone")), 0);
        QCOMPARE(engine.GetImageListCount(-1), 0);
        // Nothing selected, or nowhere to write: nothing saved.
        QVERIFY(loadOnly(engine, path("lifetime.pdf")));
        QCOMPARE(engine.SaveImageToFile(path("nothing-selected")), 0);
        QCOMPARE(engine.FindImages(), 1);
        QVERIFY(engine.SelectImage(engine.GetImageID(1)));
        for (const QString& target : {path("no/such/folder/x.png"), dir.path(), QString()})
            QCOMPARE(engine.SaveImageToFile(target), 0);
    }

    void damagedImagesFailCleanly_data()
    {
        QTest::addColumn<PdfImage>("image");
        const Bilevel bilevel = bilevelPicture(64, 48);
        const QByteArray gray = dims(64, 48) + "/ColorSpace /DeviceGray /BitsPerComponent 1 ";
        const QByteArray rgb = dims() + "/ColorSpace /DeviceRGB /BitsPerComponent 8 ";
        QTest::newRow("truncated ccitt") << PdfImage{gray + "/Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 64 >>", ccittFax(bilevel, -1).left(20)};
        QTest::newRow("noise as ccitt") << PdfImage{gray + "/Filter /CCITTFaxDecode /DecodeParms << /K 1 /Columns 64 >>", QByteArray(300, '\xa5')};
        QTest::newRow("truncated jbig2") << PdfImage{gray + "/Filter /JBIG2Decode", jbig2Generic(bilevel).left(40)};
        QTest::newRow("jbig2 page of four billion rows")
            << PdfImage{gray + "/Filter /JBIG2Decode", QByteArray::fromHex("00000000300100000000130000004000fffffffe0000000000000000000000")};
        // GRAYMAX 0xdadada: fourteen million 4 x 4 patterns for a 64 x 48 image.
        QTest::newRow("jbig2 dictionary of millions of patterns")
            << PdfImage{gray + "/Filter /JBIG2Decode",
                        QByteArray::fromHex("0000000130000100000013000000400000003000000000000000000000000000000021720000100000039000000400000003"
                                            "000000000000000000001000000100000000c00000000000000000400000026a8c0b650eedfa24ef4fbf6b62bdab5001"
                                            "0010000000331000100000000"),
                        QByteArray::fromHex("000000001000000000000c01040400dada") + QByteArray(58, '\xda') + QByteArray::fromHex("00000136ff001001")};
        QTest::newRow("truncated jpeg 2000") << PdfImage{dims() + "/Filter /JPXDecode", jpeg2000(QImage(W, H, QImage::Format_RGB32), false).left(60)};
        QTest::newRow("noise as jpeg 2000") << PdfImage{dims() + "/Filter /JPXDecode", QByteArray(500, '\x4f')};
        QTest::newRow("truncated jpeg") << PdfImage{rgb + "/Filter /DCTDecode", jpegBytes(QImage(W, H, QImage::Format_RGB32)).left(100)};
        QTest::newRow("broken flate") << PdfImage{rgb + "/Filter /FlateDecode", QByteArray("x\x9c garbage")};
        QTest::newRow("unknown filter") << PdfImage{rgb + "/Filter /NoSuchDecode", QByteArray(100, 'a')};
        QTest::newRow("no colour space") << PdfImage{dims() + "/BitsPerComponent 8", QByteArray(100, 'a')};
        QTest::newRow("odd bit depth") << PdfImage{dims() + "/ColorSpace /DeviceGray /BitsPerComponent 7", QByteArray(400, 'a')};
        QTest::newRow("huge dimensions") << PdfImage{"/Width 1000000 /Height 1000000 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode",
                                                     flate(QByteArray(1 << 20, '\0'))};
        QTest::newRow("negative dimensions") << PdfImage{"/Width -5 /Height 3 /ColorSpace /DeviceGray /BitsPerComponent 8", QByteArray(15, 'a')};
        QTest::newRow("short data") << PdfImage{rgb, QByteArray(10, 'a')};
        QTest::newRow("indexed without table") << PdfImage{dims() + "/ColorSpace [/Indexed /DeviceRGB 300] /BitsPerComponent 8", QByteArray(400, 'a')};
        QTest::newRow("colour space loop") << PdfImage{dims() + "/ColorSpace [/Indexed [/Indexed /DeviceRGB 1 <00>] 1 <00>] /BitsPerComponent 8", QByteArray(400, 'a')};
    }

    void damagedImagesFailCleanly()
    {
        QFETCH(PdfImage, image);
        QVERIFY(writeImagePdf(path("damaged.pdf"), {image}));
        load(path("damaged.pdf"), 1);
        QVERIFY(engine.SelectImage(engine.GetImageID(1)));
        // Either a readable image or no change at all.
        QVERIFY(writeFile(path("damaged-out"), "earlier"));
        const long peakBefore = peakMemoryKiB();
        const int saved = engine.SaveImageToFile(path("damaged-out"));
        // A few kilobytes of damaged data never take memory by the gigabyte.
        QVERIFY2(peakMemoryKiB() - peakBefore < 400 * 1024, "decoding raised the peak memory by more than 400 MB");
        if (saved == 1)
            QVERIFY(!readImage(path("damaged-out")).isNull());
        else
            QCOMPARE(readFile(path("damaged-out")), "earlier");
        QCOMPARE(engine.PageCount(), 1);  // the instance stays usable
    }

    void mutatedImageDataNeverCrashes()
    {
        // Every decoder fed damaged copies of valid data: bytes flipped, data
        // cut short, global segments damaged too.
        const Bilevel bilevel = bilevelPicture(64, 48);
        const QImage colours = picture(W, H, [](int x, int y) { return qRgb(x * 10, y * 15, 90); });
        const Jbig2WithGlobals halftone = jbig2Halftone(bilevelPicture(16, 12), 4);
        const QByteArray gray = dims(64, 48) + "/ColorSpace /DeviceGray /BitsPerComponent 1 ";
        const QList<PdfImage> originals{
            {gray + "/Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 64 /Rows 48 >>", ccittFax(bilevel, -1)},
            {gray + "/Filter /CCITTFaxDecode /DecodeParms << /K 0 /Columns 64 /EndOfLine true >>", ccittFax(bilevel, 0)},
            {gray + "/Filter /JBIG2Decode", jbig2Generic(bilevel)},
            {gray + "/Filter /JBIG2Decode", halftone.page, halftone.globals},
            {dims() + "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /JPXDecode", jpeg2000(colours, false)},
            {dims() + "/Filter /JPXDecode", jpeg2000(colours, true, false)},
            {dims() + "/ColorSpace /DeviceCMYK /BitsPerComponent 8 /Filter /DCTDecode", cmykJpeg(W, H, QByteArray(W * H * 4, '\x37'))},
            {dims() + "/ColorSpace [/Indexed /DeviceRGB 3 <ff000000ff000000ffffff00>] /BitsPerComponent 4 /Filter /FlateDecode",
             flate(QByteArray(W * H / 2, '\x12'))},
            {dims() + "/ColorSpace /DeviceRGB /BitsPerComponent 16 /Filter /FlateDecode "
                      "/DecodeParms << /Predictor 15 /Colors 3 /Columns 24 /BitsPerComponent 16 >>",
             flate(QByteArray((W * 6 + 1) * H, '\x02'))},
        };
        QRandomGenerator rng(20261206);
        auto damage = [&](QByteArray data) {
            if (data.isEmpty() || rng.bounded(3) == 0)
                return data.left(int(rng.bounded(data.size() + 1)));
            for (int i = 1 + int(rng.bounded(8)); i > 0; --i)
                data[int(rng.bounded(data.size()))] = char(rng.bounded(256));
            return data;
        };
        QList<PdfImage> damaged;
        for (int round = 0; round < 25; ++round)
            for (PdfImage copy : originals) {
                copy.data = damage(copy.data);
                if (!copy.globals.isEmpty() && rng.bounded(2))
                    copy.globals = damage(copy.globals);
                damaged.append(copy);
            }
        QVERIFY(writeImagePdf(path("mutated.pdf"), damaged));
        load(path("mutated.pdf"), damaged.size());
        int written = 0;
        for (int i = 1; i <= damaged.size(); ++i) {
            QVERIFY(engine.SelectImage(engine.GetImageID(i)));
            if (engine.SaveImageToFile(path("mutated-out")) == 1) {
                ++written;
                QVERIFY(!readImage(path("mutated-out")).isNull());
            }
        }
        QVERIFY(written > 0);
    }
};

QTEST_MAIN(TestFoundImages)
#include "tst_foundimages.moc"
