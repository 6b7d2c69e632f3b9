// Compression of loaded documents, checked with qpdf and Poppler's tools:
// lossless choices shrink files and keep every rendered pixel, stay within 2%
// of qpdf's best settings, keep JPEG data as it was; the lossy font choice
// swaps only fonts that have a standard equivalent and keeps text extractable.

#include "imagefixtures.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "pdfread.h"
#include "pixels.h"
#include "testsupport.h"

#include <QPainter>
#include <QRadialGradient>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

const QString liberation = "/usr/share/fonts/truetype/liberation/";

// A photo-like picture: gradients, shapes and a little sensor noise, different for each seed.
QImage photo(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB888);
    QPainter p(&image);
    QRadialGradient g(width * 0.3, height * 0.4, width * 0.8);
    g.setColorAt(0, QColor::fromHsv((seed * 70) % 360, 200, 255));
    g.setColorAt(1, QColor::fromHsv((seed * 70 + 120) % 360, 255, 90));
    p.fillRect(image.rect(), g);
    p.setPen(QPen(Qt::white, 3));
    for (int i = 0; i < 8; ++i)
        p.drawEllipse(QPointF(width * (i + 1) / 9.0, height / 2.0), 6.0 + i * 2 + seed, 10.0 + i);
    p.end();
    quint32 state = 2166136261u + quint32(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 3; ++x) {
            state = state * 1664525u + 1013904223u;
            image.scanLine(y)[x] = uchar(qBound(0, image.scanLine(y)[x] + int(state >> 29) - 4, 255));
        }
    return image;
}

// Every page of the file as pdftoppm renders it.
QList<QImage> pages(const QString& pdf, int dpi = 40)
{
    QList<QImage> images;
    for (int p = 1; p <= qpdfPageCount(pdf); ++p)
        images << renderPage(pdf, p, dpi);
    return images;
}

// The filters of every stream (object and cross-reference streams aside),
// "Image:" in front for images, ":predicted" after for images with a predictor.
QStringList filters(const QString& pdf)
{
    QStringList out;
    auto q = openPdf(pdf);
    for (QPDFObjectHandle obj : q->getAllObjects()) {
        QPDFObjectHandle dict = obj.isStream() ? obj.getDict() : QPDFObjectHandle::newNull();
        if (!obj.isStream() || dict.getKey("/Type").isNameAndEquals("/ObjStm") || dict.getKey("/Type").isNameAndEquals("/XRef"))
            continue;
        QString line = dict.getKey("/Subtype").isNameAndEquals("/Image") ? "Image:" : "";
        QPDFObjectHandle f = dict.getKey("/Filter");
        for (QPDFObjectHandle name : f.isArray() ? f.getArrayAsVector() : std::vector<QPDFObjectHandle>{f})
            line += name.isName() ? QString::fromStdString(name.getName()) : QString();
        out << line + (dict.getKey("/DecodeParms").isDictionary() && dict.getKey("/DecodeParms").hasKey("/Predictor") ? ":predicted" : "");
    }
    return out;
}

// pdffonts: font name -> whether it is embedded.
QMap<QString, bool> fonts(const QString& pdf)
{
    QMap<QString, bool> result;
    for (const FontRow& row : pdfFonts(pdf))
        result.insert(row.name, row.embedded);
    return result;
}

} // namespace

class TestCompression : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString mixed;  // two pages of uncompressed and weakly filtered content, fonts and images
    QString path(const QString& name) const { return dir.filePath(name); }

    QString qpdfBest(const QString& input)
    {
        const QString output = path("qpdf-best.pdf");
        const int rc = run("qpdf", {"--object-streams=generate", "--compress-streams=y", "--recompress-flate", "--compression-level=9", input, output});
        return rc == 0 || rc == 3 ? output : QString();
    }

private slots:
    void initTestCase()
    {
        keepWhenAsked(dir);
        // Content unfiltered and ASCIIHex, a form, two embedded fonts (one
        // unfiltered, one ASCIIHex) and images stored raw, LZW, RunLength,
        // ASCIIHex, fast Flate, ASCIIHex over JPEG and plain JPEG.
        Builder b;
        const std::string sans = b.trueTypeFont(liberation + "LiberationSans-Regular.ttf", "ArialMT");
        const std::string other = b.trueTypeFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "DejaVuSans", Filter::ASCIIHex);
        QByteArray page1, page2, formContent;
        const Filter weak[] = {Filter::None, Filter::LZW, Filter::RunLength, Filter::ASCIIHex, Filter::FastFlate};
        for (int i = 0; i < 5; ++i)
            page1 += Builder::draw(b.image(photo(160, 120, i), {weak[i]}), 40 + (i % 3) * 180, 420 + (i / 3) * 140, 160, 120);
        page2 += Builder::draw(b.image(photo(200, 150, 7), {Filter::ASCIIHex, Filter::DCT}), 50, 500, 200, 150);
        page2 += Builder::draw(b.image(photo(200, 150, 8), {Filter::DCT}), 300, 500, 200, 150);
        for (int line = 0; line < 12; ++line)
            formContent += Builder::text(sans, 11, 10, 180 - line * 14, "Form line " + QByteArray::number(line) + ": the quick brown fox jumps over the lazy dog");
        page1 += Builder::text(sans, 28, 40, 360, "Compression test page one") + "q 1 0 0 1 40 100 cm " + b.form(formContent, Filter::None, 400, 200).c_str() + " Do Q\n";
        for (int line = 0; line < 30; ++line)
            page2 += Builder::text(line % 2 ? other : sans, 12, 50, 450 - line * 14, "Line " + QByteArray::number(line) + " of page two, with some repeated words words words");
        b.addPage(page1);
        b.addPage(page2, Filter::ASCIIHex);
        mixed = path("mixed.pdf");
        QVERIFY(b.write(mixed));
        QVERIFY2(qpdfCheck(mixed), "the test input itself must be sound");
    }

    void losslessChoicesShrinkAndKeepEveryPixel()
    {
        const QString output = path("mixed-compressed.pdf");
        PdfEngine engine("FolioPdfEngine");
        QCOMPARE(engine.LoadFromFile(mixed, QString()), 1);
        QCOMPARE(engine.CompressFonts(1), 1);
        QCOMPARE(engine.CompressImages(1), 1);
        QCOMPARE(engine.CompressContent(), 1);
        QCOMPARE(engine.SaveToFile(output), 1);
        QString report;
        QVERIFY2(qpdfCheck(output, &report), qPrintable(report));

        const qint64 before = QFileInfo(mixed).size(), after = QFileInfo(output).size(), best = QFileInfo(qpdfBest(mixed)).size();
        QVERIFY2(after < before / 2, qPrintable(QString("%1 -> %2 bytes").arg(before).arg(after)));
        QVERIFY2(after <= best * 1.02, qPrintable(QString("engine %1, qpdf %2 bytes").arg(after).arg(best)));
        QCOMPARE(pages(output), pages(mixed));
        QCOMPARE(pdfText(output), pdfText(mixed));
        QCOMPARE(fonts(output), (QMap<QString, bool>{{"ArialMT", true}, {"DejaVuSans", true}}));

        // Only Flate and JPEG are left; the ASCII layer over the JPEG is gone;
        // raw pixels got PNG prediction.
        for (const QString& f : filters(output))
            QVERIFY2(QRegularExpression("^(Image:)?(/FlateDecode(:predicted)?|/DCTDecode)?$").match(f).hasMatch(), qPrintable(f));
        QCOMPARE(filters(output).count("Image:/DCTDecode"), 2);
        QVERIFY(filters(output).count("Image:/FlateDecode:predicted") >= 3);
        // JPEG data is kept byte for byte.
        QCOMPARE(run("pdfimages", {"-j", "-f", "2", output, path("extracted")}), 0);
        QCOMPARE(readFile(path("extracted-001.jpg")), jpegBytes(photo(200, 150, 8).convertToFormat(QImage::Format_RGB888), 90));
    }

    void onlyWhatIsAskedChanges()
    {
        // No compression asked: the same pixels, and a plain save keeps the
        // stacked ASCII layer (the writer cannot undo it); images alone lose it.
        PdfEngine engine("FolioPdfEngine");
        QCOMPARE(engine.LoadFromFile(mixed, QString()), 1);
        QCOMPARE(engine.CompressFonts(0), 1);
        QCOMPARE(engine.CompressImages(0), 1);
        QCOMPARE(engine.SaveToFile(path("plain.pdf")), 1);
        QCOMPARE(filters(path("plain.pdf")).count("Image:/ASCIIHexDecode/DCTDecode"), 1);
        QCOMPARE(engine.CompressImages(1), 1);
        QCOMPARE(engine.SaveToFile(path("images-only.pdf")), 1);
        QCOMPARE(filters(path("images-only.pdf")).count("Image:/ASCIIHexDecode/DCTDecode"), 0);
        QVERIFY(QFileInfo(path("images-only.pdf")).size() < QFileInfo(path("plain.pdf")).size());
        QCOMPARE(pages(path("images-only.pdf")), pages(mixed));

        // Unknown option values change nothing; a new instance's blank document compresses.
        PdfEngine fresh("FolioPdfEngine");
        QCOMPARE(fresh.CompressFonts(2), 0);
        QCOMPARE(fresh.CompressImages(-1), 0);
        QCOMPARE(fresh.ReplaceFonts(1), 0);
        for (int result : {fresh.CompressFonts(1), fresh.CompressImages(1), fresh.CompressContent(), fresh.ReplaceFonts(0)})
            QCOMPARE(result, 1);
    }

    void undecodableAndHugeStreamsAreLeftAsTheyWere()
    {
        // Garbage under /FlateDecode and a corrupt LZW stream (codes clear,
        // 'A', 'B', then 400, which no table holds yet) beside a good image;
        // on a second page content that decodes to 300 MB (of spaces, then a
        // square), too much to hold while rewriting it.
        Builder b;
        QByteArray garbage;
        for (int i = 0; i < 4000; ++i)
            garbage += char((i * 7919 + 13) % 251);
        const QByteArray lzwData = QByteArray::fromHex("80104859021c04") + "folio-lzw-corruption-marker-0123456789";
        const QByteArray dict = "/Width 64 /Height 48 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter ";
        b.addPage(Builder::draw(b.image(photo(64, 48, 1), {}), 10, 10, 64, 48) + Builder::draw(b.image(dict + "/FlateDecode", garbage), 100, 10, 64, 48) +
                  Builder::draw(b.image(dict + "/LZWDecode", lzwData), 200, 10, 64, 48));
        b.addPage(QByteArray(300 << 20, ' ') + "0 0 1 rg 10 10 50 50 re f", Filter::FastFlate);
        QVERIFY(b.write(path("damaged.pdf")));
        const QByteArray huge = streamData(QPDFObjectHandle(openPdf(path("damaged.pdf"))->getAllPages()[1]).getKey("/Contents"));
        PdfEngine engine("FolioPdfEngine");
        QCOMPARE(engine.LoadFromFile(path("damaged.pdf"), QString()), 1);
        QCOMPARE(engine.CompressImages(1), 1);
        QCOMPARE(engine.CompressContent(), 1);
        QCOMPARE(engine.SaveToFile(path("damaged-compressed.pdf")), 1);
        const QByteArray bytes = readFile(path("damaged-compressed.pdf"));
        QVERIFY2(bytes.contains(garbage) && bytes.contains(lzwData) && bytes.contains(huge), "such streams are kept byte for byte");
        QVERIFY(qpdfCheck(path("damaged-compressed.pdf")));
    }

    void replaceFontsSwapsOnlyStandardEquivalents()
    {
        Builder b;
        const QString nimbus = "/usr/share/fonts/type1/urw-base35/NimbusSans-Regular.t1";
        const QList<QPair<std::string, QByteArray>> lines{
            {b.trueTypeFont(liberation + "LiberationSans-Regular.ttf", "ABCDEF+ArialMT"), "Arial text"},
            {b.trueTypeFont(liberation + "LiberationSerif-Bold.ttf", "TimesNewRomanPS-BoldMT"), "Times bold"},
            {b.trueTypeFont(liberation + "LiberationMono-Italic.ttf", "CourierNewPS-ItalicMT"), "Courier italic"},
            {b.trueTypeFont(liberation + "LiberationSans-Bold.ttf", "LiberationSans-Bold"), "Liberation bold"},
            {b.type1Font(nimbus, "QWERTY+NimbusSans-Regular", "<< /Differences [39 /quoteright] >>"), "Nimbus type one"},
            // These stay embedded: the program's own encoding, another design,
            // codes that are glyph numbers, a glyph the standard font lacks.
            {b.type1Font(nimbus, "NimbusSans-Regular", std::string()), "Nimbus builtin"},
            {b.trueTypeFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "DejaVuSans"), "DejaVu text"},
            {b.trueTypeFont(liberation + "LiberationSansNarrow-Regular.ttf", "ArialNarrow"), "Narrow text"},
            {b.trueTypeFont(liberation + "LiberationSans-Italic.ttf", "Arial-ItalicMT", Filter::None, false), "Symbolic codes"},
            {b.type1Font(nimbus, "Helvetica-Bold", "<< /BaseEncoding /WinAnsiEncoding /Differences [65 /uni0416] >>"), "Odd glyph"},
        };
        QByteArray content;
        for (int i = 0; i < lines.size(); ++i)
            content += Builder::text(lines[i].first, 20, 40, 740 - i * 40, lines[i].second + " Hamburgefonstiv 0123");
        b.addPage(content);
        QVERIFY(b.write(path("fonts.pdf")));
        QCOMPARE(fonts(path("fonts.pdf")).size(), lines.size());

        PdfEngine engine("FolioPdfEngine");
        QCOMPARE(engine.LoadFromFile(path("fonts.pdf"), QString()), 1);
        QCOMPARE(engine.ReplaceFonts(0), 1);
        QCOMPARE(engine.CompressContent(), 1);
        const QString output = path("fonts-replaced.pdf");
        QCOMPARE(engine.SaveToFile(output), 1);
        QVERIFY(qpdfCheck(output));
        QVERIFY(QFileInfo(output).size() < QFileInfo(path("fonts.pdf")).size() / 2);
        QStringList after;
        for (const FontRow& row : pdfFonts(output))
            after << row.name + (row.embedded ? " embedded" : "");
        after.sort();
        after.removeDuplicates();
        // The font with a glyph Helvetica-Bold lacks kept its program under its name.
        QCOMPARE(after, QStringList({"Arial-ItalicMT embedded", "ArialNarrow embedded", "Courier-Oblique", "DejaVuSans embedded",
                                     "Helvetica", "Helvetica-Bold", "Helvetica-Bold embedded", "NimbusSans-Regular embedded", "Times-Bold"}));

        // Every line still reads the same and still shows ink where it was.
        QCOMPARE(pdfText(output), pdfText(path("fonts.pdf")));
        const QImage original = renderPage(path("fonts.pdf"), 1, 60), replaced = renderPage(output, 1, 60);
        for (int i = 0; i < lines.size(); ++i) {
            const QRect band(0, (792 - 740 + i * 40 - 22) * 60 / 72, original.width(), 40 * 60 / 72);
            const QRect boxA = inkBounds(original, isDark, band), boxB = inkBounds(replaced, isDark, band);
            const int a = countPixels(original, isDark, band), b = countPixels(replaced, isDark, band);
            QVERIFY2(a > 100 && b > a * 0.6 && b < a * 1.5, qPrintable(QString("line %1: ink %2 -> %3").arg(i).arg(a).arg(b)));
            QVERIFY2(qAbs(boxA.left() - boxB.left()) <= 3 && qAbs(boxA.right() - boxB.right()) <= 12, qPrintable(QString("line %1 moved").arg(i)));
        }
    }
};

QTEST_MAIN(TestCompression)
#include "tst_compression.moc"
