// Compression of loaded documents, checked with qpdf and Poppler's tools:
// lossless choices shrink files and keep every rendered pixel, stay within 2%
// of qpdf's best settings, keep JPEG data as it was; the lossy font choice
// swaps only fonts that have a standard equivalent and keeps text extractable.

#include "pdfbuilder.h"
#include "pdfengine.h"
#include "testsupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QRadialGradient>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;
using pdfbuild::Builder;
using pdfbuild::Filter;

namespace {

const QString liberation = QStringLiteral("/usr/share/fonts/truetype/liberation/");
const QString dejavu = QStringLiteral("/usr/share/fonts/truetype/dejavu/");

// A photo-like picture: gradients and shapes, different for each seed.
QImage picture(int width, int height, int seed)
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
    // A little sensor noise, as photographs have.
    quint32 state = 2166136261u + static_cast<quint32>(seed);
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < width * 3; ++x) {
            state = state * 1664525u + 1013904223u;
            line[x] = static_cast<uchar>(qBound(0, line[x] + static_cast<int>(state >> 29) - 4, 255));
        }
    }
    return image;
}

// Every page of the file rendered by pdftoppm.
QList<QImage> render(const QString& pdf, const QString& workDir, int dpi = 40)
{
    static int n = 0;
    const QString prefix = QDir(workDir).filePath(QStringLiteral("render%1").arg(++n));
    QList<QImage> pages;
    if (run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"), pdf, prefix}) != 0)
        return pages;
    QStringList files = QDir(workDir).entryList({QFileInfo(prefix).fileName() + QStringLiteral("-*.png")}, QDir::Files, QDir::Name);
    for (const QString& f : files)
        pages << QImage(QDir(workDir).filePath(f)).convertToFormat(QImage::Format_RGB32);
    return pages;
}

// qpdf's view of every stream: its dictionary as JSON.
QList<QJsonObject> streamDictionaries(const QString& pdf)
{
    QString out;
    run(QStringLiteral("qpdf"), {QStringLiteral("--json=2"), QStringLiteral("--json-key=qpdf"), pdf}, &out);
    QList<QJsonObject> result;
    const QJsonArray qpdf = QJsonDocument::fromJson(out.toUtf8()).object().value(QStringLiteral("qpdf")).toArray();
    const QJsonObject objects = qpdf.at(1).toObject();
    for (const QJsonValue& v : objects) {
        const QJsonObject stream = v.toObject().value(QStringLiteral("stream")).toObject();
        const QJsonObject dict = stream.value(QStringLiteral("dict")).toObject();
        const QString type = dict.value(QStringLiteral("/Type")).toString();
        if (!stream.isEmpty() && type != QLatin1String("/ObjStm") && type != QLatin1String("/XRef"))
            result << dict;
    }
    return result;
}

QStringList filtersOf(const QJsonObject& dict)
{
    const QJsonValue f = dict.value(QStringLiteral("/Filter"));
    QStringList names;
    if (f.isString())
        names << f.toString();
    for (const QJsonValue& item : f.toArray())
        names << item.toString();
    return names;
}

// pdffonts: font name -> whether it is embedded.
QMap<QString, bool> fonts(const QString& pdf)
{
    QString out;
    run(QStringLiteral("pdffonts"), {pdf}, &out);
    QMap<QString, bool> result;
    const QStringList lines = out.split(QLatin1Char('\n'));
    for (int i = 2; i < lines.size(); ++i) {
        const QStringList cols = lines[i].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (cols.size() >= 7)
            result.insert(cols[0], cols[cols.size() - 5] == QLatin1String("yes"));
    }
    return result;
}

// Dark pixels of a rendered page, and the rectangle they cover.
int inkCount(const QImage& page, QRect* box = nullptr)
{
    int count = 0;
    QRect r;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128) {
                ++count;
                r |= QRect(x, y, 1, 1);
            }
    if (box)
        *box = r;
    return count;
}

} // namespace

class TestCompression : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QByteArray jpegBytes;  // the one JPEG of the mixed document, as made

    QString path(const QString& name) const { return dir.filePath(name); }

    // Two pages with uncompressed and weakly filtered content, a form, two
    // embedded fonts (one unfiltered, one ASCII85) and images stored raw,
    // LZW, RunLength, ASCIIHex, fast Flate, ASCII85 over JPEG and plain JPEG.
    QString mixedDocument()
    {
        const QString file = path(QStringLiteral("mixed.pdf"));
        if (QFile::exists(file))
            return file;
        Builder b;
        const std::string sans = b.trueTypeFont(liberation + QStringLiteral("LiberationSans-Regular.ttf"), "ArialMT");
        const std::string other = b.trueTypeFont(dejavu + QStringLiteral("DejaVuSans.ttf"), "DejaVuSans", Filter::ASCII85);
        QByteArray page1, page2;
        const Filter filters[] = {Filter::None, Filter::LZW, Filter::RunLength, Filter::ASCIIHex, Filter::FastFlate};
        for (int i = 0; i < 5; ++i) {
            const std::string im = b.image(picture(160, 120, i), filters[i]);
            page1 += QByteArray("q 160 0 0 120 ") + QByteArray::number(40 + (i % 3) * 180) + ' ' +
                     QByteArray::number(420 + (i / 3) * 140) + " cm " + im.c_str() + " Do Q\n";
        }
        const std::string stacked = b.image(picture(200, 150, 7), {Filter::ASCII85, Filter::DCT});
        const std::string jpeg = b.image(picture(200, 150, 8), Filter::DCT);
        page2 += QByteArray("q 200 0 0 150 50 500 cm ") + stacked.c_str() + " Do Q\n";
        page2 += QByteArray("q 200 0 0 150 300 500 cm ") + jpeg.c_str() + " Do Q\n";
        QByteArray formContent;
        for (int line = 0; line < 12; ++line)
            formContent += Builder::text(sans, 11, 10, 180 - line * 14, "Form line " + QByteArray::number(line) +
                                                                             ": the quick brown fox jumps over the lazy dog");
        const std::string form = b.form(formContent, Filter::None, 400, 200);
        page1 += Builder::text(sans, 28, 40, 360, "Compression test page one");
        page1 += QByteArray("q 1 0 0 1 40 100 cm ") + form.c_str() + " Do Q\n";
        for (int line = 0; line < 30; ++line)
            page2 += Builder::text(line % 2 ? other : sans, 12, 50, 450 - line * 14,
                                   "Line " + QByteArray::number(line) + " of page two, with some repeated words words words");
        b.addPage(page1, Filter::None);
        b.addPage(page2, Filter::ASCIIHex);
        if (!b.write(file))
            return QString();
        // The JPEG of the last image, as stored: pdfimages must give these bytes back.
        QBuffer buffer(&jpegBytes);
        buffer.open(QIODevice::WriteOnly);
        picture(200, 150, 8).save(&buffer, "JPEG", 90);
        return file;
    }

    QString qpdfBest(const QString& input, const QString& output)
    {
        const int rc = run(QStringLiteral("qpdf"), {QStringLiteral("--object-streams=generate"), QStringLiteral("--compress-streams=y"),
                                                    QStringLiteral("--recompress-flate"), QStringLiteral("--compression-level=9"),
                                                    input, output});
        return rc == 0 || rc == 3 ? output : QString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        if (qEnvironmentVariableIsSet("FOLIO_KEEP_TEST_FILES"))
            dir.setAutoRemove(false);
        QVERIFY2(QFile::exists(liberation + QStringLiteral("LiberationSans-Regular.ttf")), "fonts-liberation is needed");
        QVERIFY(!mixedDocument().isEmpty());
        QVERIFY2(qpdfCheck(mixedDocument()), "the test input itself must be sound");
    }

    void losslessChoicesShrinkAndKeepEveryPixel()
    {
        const QString input = mixedDocument();
        const QString output = path(QStringLiteral("mixed-compressed.pdf"));
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(engine.LoadFromFile(input, QString()), 1);
        QCOMPARE(engine.CompressFonts(1), 1);
        QCOMPARE(engine.CompressImages(1), 1);
        QCOMPARE(engine.CompressContent(), 1);
        QCOMPARE(engine.SaveToFile(output), 1);

        QString report;
        QVERIFY2(qpdfCheck(output, &report), qPrintable(report));
        const qint64 before = QFileInfo(input).size(), after = QFileInfo(output).size();
        QVERIFY2(after < before / 2, qPrintable(QStringLiteral("%1 -> %2 bytes").arg(before).arg(after)));

        const QString reference = qpdfBest(input, path(QStringLiteral("mixed-qpdf.pdf")));
        QVERIFY(!reference.isEmpty());
        const qint64 qpdfSize = QFileInfo(reference).size();
        QVERIFY2(after <= qpdfSize * 1.02, qPrintable(QStringLiteral("engine %1, qpdf %2 bytes").arg(after).arg(qpdfSize)));

        const QList<QImage> original = render(input, dir.path()), compressed = render(output, dir.path());
        QCOMPARE(compressed.size(), 2);
        QCOMPARE(original.size(), 2);
        for (int i = 0; i < 2; ++i)
            QVERIFY2(original[i] == compressed[i], qPrintable(QStringLiteral("page %1 renders differently").arg(i + 1)));
        QCOMPARE(pdfText(output), pdfText(input));
        const QMap<QString, bool> embedded = fonts(output);
        QCOMPARE(embedded.value(QStringLiteral("ArialMT")), true);
        QCOMPARE(embedded.value(QStringLiteral("DejaVuSans")), true);

        // Only Flate and JPEG are left; the ASCII layer over the JPEG is gone.
        int jpegs = 0;
        for (const QJsonObject& d : streamDictionaries(output)) {
            const QStringList f = filtersOf(d);
            QVERIFY2(f.isEmpty() || f == QStringList{"/FlateDecode"} || f == QStringList{"/DCTDecode"}, qPrintable(f.join(',')));
            jpegs += f == QStringList{"/DCTDecode"};
        }
        QCOMPARE(jpegs, 2);
        // JPEG data is kept byte for byte.
        const QString prefix = path(QStringLiteral("extracted"));
        QCOMPARE(run(QStringLiteral("pdfimages"), {QStringLiteral("-j"), QStringLiteral("-f"), QStringLiteral("2"), output, prefix}), 0);
        bool found = false;
        for (const QString& f : QDir(dir.path()).entryList({QStringLiteral("extracted-*.jpg")})) {
            QFile jpg(dir.filePath(f));
            QVERIFY(jpg.open(QIODevice::ReadOnly));
            found = found || jpg.readAll() == jpegBytes;
        }
        QVERIFY2(found, "the JPEG's bytes changed");
    }

    void imagesGetPredictorsAndLoseStackedFilters()
    {
        // Only the images: raw pixels get PNG prediction, the JPEG loses its
        // ASCII85 layer; a plain save keeps that layer (the writer cannot undo it).
        const QString input = mixedDocument();
        const QString imagesOnly = path(QStringLiteral("images-only.pdf")), plain = path(QStringLiteral("plain.pdf"));
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(engine.LoadFromFile(input, QString()), 1);
        QCOMPARE(engine.SaveToFile(plain), 1);
        QCOMPARE(engine.CompressImages(1), 1);
        QCOMPARE(engine.SaveToFile(imagesOnly), 1);

        auto count = [](const QString& file, const QStringList& filters, bool predicted) {
            int n = 0;
            for (const QJsonObject& d : streamDictionaries(file))
                if (d.value(QStringLiteral("/Subtype")).toString() == QLatin1String("/Image") && filtersOf(d) == filters &&
                    d.value(QStringLiteral("/DecodeParms")).toObject().contains(QStringLiteral("/Predictor")) == predicted)
                    ++n;
            return n;
        };
        QCOMPARE(count(plain, {"/ASCII85Decode", "/DCTDecode"}, false), 1);
        QCOMPARE(count(imagesOnly, {"/ASCII85Decode", "/DCTDecode"}, false), 0);
        QVERIFY(count(imagesOnly, {"/FlateDecode"}, true) >= 3);
        QVERIFY(QFileInfo(imagesOnly).size() < QFileInfo(plain).size());
        QCOMPARE(render(imagesOnly, dir.path()), render(input, dir.path()));
    }

    void encryptedDocumentStaysEncrypted()
    {
        const QString locked = path(QStringLiteral("locked.pdf")), output = path(QStringLiteral("locked-compressed.pdf"));
        QCOMPARE(run(QStringLiteral("qpdf"), {QStringLiteral("--encrypt"), QStringLiteral("user"), QStringLiteral("owner"),
                                              QStringLiteral("256"), QStringLiteral("--"), mixedDocument(), locked}),
                 0);
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(engine.LoadFromFile(locked, QStringLiteral("user")), 1);
        engine.CompressFonts(1);
        engine.CompressImages(1);
        engine.CompressContent();
        QCOMPARE(engine.SaveToFile(output), 1);
        QCOMPARE(pdfInfo(output, QStringLiteral("user")).value(QStringLiteral("Encrypted")).left(3), QStringLiteral("yes"));
        QVERIFY(QFileInfo(output).size() < QFileInfo(locked).size());
        QCOMPARE(pdfText(output, 0, {QStringLiteral("-upw"), QStringLiteral("user")}), pdfText(mixedDocument()));
    }

    void damagedStreamsAreLeftAsTheyWere()
    {
        // Garbage under /FlateDecode and a corrupt LZW stream beside a good image.
        Builder b;
        const std::string good = b.image(picture(64, 48, 1), Filter::None);
        const std::string broken = b.image(picture(64, 48, 2), Filter::None);
        const std::string cut = b.image(picture(64, 48, 3), Filter::None);
        QByteArray garbage;
        for (int i = 0; i < 4000; ++i)
            garbage += static_cast<char>((i * 7919 + 13) % 251);
        // Codes clear, 'A', 'B', then 400, which no table holds yet.
        const QByteArray lzw = QByteArray::fromHex("80104859021c04") + "folio-lzw-corruption-marker-0123456789";
        b.addPage(QByteArray("q 64 0 0 48 10 10 cm ") + good.c_str() + " Do Q q 64 0 0 48 100 10 cm " + broken.c_str() +
                  " Do Q q 64 0 0 48 200 10 cm " + cut.c_str() + " Do Q");
        QVERIFY(b.replaceImageData(broken, garbage, "/FlateDecode"));
        QVERIFY(b.replaceImageData(cut, lzw, "/LZWDecode"));
        const QString input = path(QStringLiteral("damaged.pdf")), output = path(QStringLiteral("damaged-compressed.pdf"));
        QVERIFY(b.write(input));

        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(engine.LoadFromFile(input, QString()), 1);
        QCOMPARE(engine.CompressImages(1), 1);
        QCOMPARE(engine.CompressContent(), 1);
        QCOMPARE(engine.SaveToFile(output), 1);
        QFile saved(output);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray bytes = saved.readAll();
        QVERIFY2(bytes.contains(garbage), "the undecodable stream must be kept byte for byte");
        QVERIFY2(bytes.contains(lzw), "the corrupt LZW stream must be kept byte for byte");
        QCOMPARE(qpdfPageCount(output), 1);
    }

    void replaceFontsSwapsOnlyStandardEquivalents()
    {
        Builder b;
        const QString nimbus = QStringLiteral("/usr/share/fonts/type1/urw-base35/NimbusSans-Regular.t1");
        struct Case {
            std::string font;
            const char* sample;
        };
        QList<Case> cases;
        cases.append({b.trueTypeFont(liberation + QStringLiteral("LiberationSans-Regular.ttf"), "ABCDEF+ArialMT"), "Arial text"});
        cases.append({b.trueTypeFont(liberation + QStringLiteral("LiberationSerif-Bold.ttf"), "TimesNewRomanPS-BoldMT"), "Times bold"});
        cases.append({b.trueTypeFont(liberation + QStringLiteral("LiberationMono-Italic.ttf"), "CourierNewPS-ItalicMT"), "Courier italic"});
        cases.append({b.trueTypeFont(liberation + QStringLiteral("LiberationSans-Bold.ttf"), "LiberationSans-Bold"), "Liberation bold"});
        cases.append({b.type1Font(nimbus, "QWERTY+NimbusSans-Regular", "<< /Differences [39 /quoteright] >>"), "Nimbus type one"});
        cases.append({b.type1Font(nimbus, "NimbusSans-Regular", std::string()), "Nimbus builtin"});
        // These stay embedded: another design, codes that are glyph numbers,
        // a glyph the standard font lacks.
        cases.append({b.trueTypeFont(dejavu + QStringLiteral("DejaVuSans.ttf"), "DejaVuSans"), "DejaVu text"});
        cases.append({b.trueTypeFont(liberation + QStringLiteral("LiberationSansNarrow-Regular.ttf"), "ArialNarrow"), "Narrow text"});
        cases.append({b.trueTypeFont(liberation + QStringLiteral("LiberationSans-Italic.ttf"), "Arial-ItalicMT", Filter::None, false),
                      "Symbolic codes"});
        cases.append({b.type1Font(nimbus, "Helvetica-Bold", "<< /BaseEncoding /WinAnsiEncoding /Differences [65 /uni0416] >>"),
                      "Odd glyph"});
        QByteArray content;
        for (int i = 0; i < cases.size(); ++i)
            content += Builder::text(cases[i].font, 20, 40, 740 - i * 40, QByteArray(cases[i].sample) + " Hamburgefonstiv 0123");
        b.addPage(content);
        const QString input = path(QStringLiteral("fonts.pdf")), output = path(QStringLiteral("fonts-replaced.pdf"));
        QVERIFY(b.write(input));
        QVERIFY(qpdfCheck(input));
        QCOMPARE(fonts(input).size(), cases.size());

        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(engine.LoadFromFile(input, QString()), 1);
        QCOMPARE(engine.ReplaceFonts(0), 1);
        QCOMPARE(engine.CompressContent(), 1);
        QCOMPARE(engine.SaveToFile(output), 1);
        QString report;
        QVERIFY2(qpdfCheck(output, &report), qPrintable(report));

        const QMap<QString, bool> after = fonts(output);
        const QMap<QString, bool> expected = {
            {"Helvetica", false},        {"Times-Bold", false},          {"Courier-Oblique", false},
            {"Helvetica-Bold", false},   {"DejaVuSans", true},           {"ArialNarrow", true},
            {"Arial-ItalicMT", true},
        };
        for (auto it = expected.begin(); it != expected.end(); ++it) {
            QVERIFY2(after.contains(it.key()), qPrintable(it.key()));
            QCOMPARE(after.value(it.key()), it.value());
        }
        // The font with a glyph Helvetica-Bold lacks kept its program under its name.
        int embeddedHelveticaBold = 0;
        QString out;
        run(QStringLiteral("pdffonts"), {output}, &out);
        for (const QString& line : out.split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1String("Helvetica-Bold ")) && line.contains(QLatin1String(" yes ")))
                ++embeddedHelveticaBold;
        QCOMPARE(embeddedHelveticaBold, 1);
        QVERIFY(QFileInfo(output).size() < QFileInfo(input).size() / 2);

        // Every line still reads the same and still shows ink where it was.
        QCOMPARE(pdfText(output), pdfText(input));
        const QList<QImage> original = render(input, dir.path(), 60), replaced = render(output, dir.path(), 60);
        QCOMPARE(replaced.size(), 1);
        const int lineHeight = 40 * 60 / 72;
        for (int i = 0; i < cases.size(); ++i) {
            const QRect band(0, (792 - 740 + i * 40 - 22) * 60 / 72, original[0].width(), lineHeight);
            QRect boxA, boxB;
            const int a = inkCount(original[0].copy(band), &boxA), b = inkCount(replaced[0].copy(band), &boxB);
            QVERIFY2(a > 100 && b > a * 0.6 && b < a * 1.5, qPrintable(QStringLiteral("line %1: ink %2 -> %3").arg(i).arg(a).arg(b)));
            QVERIFY2(qAbs(boxA.left() - boxB.left()) <= 3 && qAbs(boxA.right() - boxB.right()) <= 12,
                     qPrintable(QStringLiteral("line %1 moved").arg(i)));
        }
    }

    void refusedOptionsAndEmptyDocuments()
    {
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        // The blank document of a new instance compresses without trouble.
        QCOMPARE(engine.CompressFonts(1), 1);
        QCOMPARE(engine.CompressImages(1), 1);
        QCOMPARE(engine.CompressContent(), 1);
        QCOMPARE(engine.ReplaceFonts(0), 1);
        // Unknown option values change nothing.
        QCOMPARE(engine.CompressFonts(2), 0);
        QCOMPARE(engine.CompressImages(-1), 0);
        QCOMPARE(engine.ReplaceFonts(1), 0);
        // No compression asked: the same pixels, no weak filter undone.
        QCOMPARE(engine.LoadFromFile(mixedDocument(), QString()), 1);
        QCOMPARE(engine.CompressFonts(0), 1);
        QCOMPARE(engine.CompressImages(0), 1);
        const QString output = path(QStringLiteral("untouched.pdf"));
        QCOMPARE(engine.SaveToFile(output), 1);
        int stacked = 0;
        for (const QJsonObject& d : streamDictionaries(output))
            stacked += filtersOf(d) == QStringList{"/ASCII85Decode", "/DCTDecode"};
        QCOMPARE(stacked, 1);
    }
};

QTEST_MAIN(TestCompression)
#include "tst_compression.moc"
