// Fonts and drawn text: resolving families and styles through Qt's font
// database, embedding as subsets, extraction, placement, size, colour, and
// bad input. Every result is read back with poppler-utils and qpdf.

#include "pagecheck.h"
#include "pdfengine.h"
#include "testsupport.h"

#include <QFont>
#include <QRawFont>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace pagecheck;

class TestFonts : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString path(const QString& name) const { return dir.filePath(name); }

    // Saves the engine's selected document and checks it structurally.
    QString save(PdfEngine& engine, const QString& name)
    {
        const QString file = path(name);
        if (engine.SaveToFile(file) != 1)
            return QString();
        QString report;
        if (!testsupport::qpdfCheck(file, &report)) {
            qWarning("%s", qPrintable(report));
            return QString();
        }
        return file;
    }

    static const FontRow* findFont(const QList<FontRow>& rows, const QString& nameEnd)
    {
        for (const FontRow& r : rows)
            if (r.name.endsWith(QLatin1Char('+') + nameEnd))
                return &r;
        return nullptr;
    }

    static double darkMeanX(const QImage& img, int top, int bottom)
    {
        double sum = 0;
        int n = 0;
        for (int y = top; y <= bottom; ++y)
            for (int x = 0; x < img.width(); ++x)
                if (isDark(img.pixel(x, y))) {
                    sum += x;
                    ++n;
                }
        return n ? sum / n : -1;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
    }

    void familiesAndStylesResolveAndEmbedAsSubsets_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("postScriptName");
        QTest::addColumn<QString>("type");
        QTest::newRow("regular") << "DejaVu Sans" << "DejaVuSans" << "CID TrueType";
        QTest::newRow("bold") << "DejaVu Sans [Bold]" << "DejaVuSans-Bold" << "CID TrueType";
        QTest::newRow("italic") << "DejaVu Serif [Italic]" << "DejaVuSerif-Italic" << "CID TrueType";
        QTest::newRow("bold italic") << "Liberation Serif [Bold,Italic]" << "LiberationSerif-BoldItalic" << "CID TrueType";
        QTest::newRow("any letter case") << "liberation sans [bold]" << "LiberationSans-Bold" << "CID TrueType";
        // CFF outlines are embedded as OpenType.
        QTest::newRow("cff") << "C059 [Italic]" << "C059-Italic" << "CID Type 0C (OT)";
        // The family's first foundry offers Type 1 faces only: another
        // foundry's OpenType faces are taken.
        QTest::newRow("type1 foundry") << "Nimbus Sans [urw] [Bold]" << "NimbusSans-Bold" << "CID Type 0C (OT)";
    }

    void familiesAndStylesResolveAndEmbedAsSubsets()
    {
        QFETCH(QString, name);
        QFETCH(QString, postScriptName);
        QFETCH(QString, type);
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        const int font = engine.AddTrueTypeFont(name, 0);  // not asked to embed: embedded all the same
        QVERIFY(font > 0);
        QCOMPARE(engine.SelectFont(font), 1);
        engine.SetTextSize(24);
        QCOMPARE(engine.DrawText(72, 700, QStringLiteral("Sphinx of black quartz")), 1);
        const QString file = save(engine, QStringLiteral("style.pdf"));
        QVERIFY(!file.isEmpty());
        const QList<FontRow> rows = pdfFonts(file);
        QCOMPARE(rows.size(), 1);
        const FontRow* row = findFont(rows, postScriptName);
        QVERIFY2(row, qPrintable(rows.value(0).name));
        QCOMPARE(row->type, type);
        QCOMPARE(row->encoding, QStringLiteral("Identity-H"));
        QVERIFY(row->embedded && row->subset && row->unicode);
        QCOMPARE(squeezed(testsupport::pdfText(file)), QStringLiteral("Sphinx of black quartz"));
    }

    void unknownNamesGiveNoFont()
    {
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        for (const QString& name : {QStringLiteral("No Such Family 4711"), QString(), QStringLiteral("   "),
                                    QStringLiteral("[Bold]"), QStringLiteral("DejaVu Sans [Heavy]"),
                                    QStringLiteral("DejaVu"), QStringLiteral("DejaVu Sans [Bold")})
            QVERIFY2(engine.AddTrueTypeFont(name, 1) == 0, qPrintable(name));
        QVERIFY(engine.AddTrueTypeFont(QStringLiteral("DejaVu Sans"), 1) > 0);
    }

    void textRoundTripsThroughExtraction_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << "Liberation Sans" << "Hello, World! 0123456789 ({[]}) @#$%";
        QTest::newRow("latin") << "DejaVu Sans" << QStringLiteral("Grüße aus Köln: ½ € ß æ ø å ç ñ");
        QTest::newRow("greek cyrillic") << "DejaVu Serif" << QStringLiteral("Ελληνικά и русский текст");
        QTest::newRow("outside the bmp") << "DejaVu Sans" << QStringLiteral("smile \U0001F600 and \U0001F601");
        QTest::newRow("cff") << "P052" << QStringLiteral("Œuvre «fin» – “quotes”");
        // Characters the family lacks are drawn from another family.
        QTest::newRow("fallback") << "Liberation Sans" << QStringLiteral("King \u2654 and queen \u2655");
    }

    void textRoundTripsThroughExtraction()
    {
        QFETCH(QString, family);
        QFETCH(QString, text);
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(engine.AddTrueTypeFont(family, 0) > 0);
        engine.SetTextSize(14);
        QCOMPARE(engine.DrawText(40, 400, text), 1);
        const QString file = save(engine, QStringLiteral("roundtrip.pdf"));
        QVERIFY(!file.isEmpty());
        QCOMPARE(squeezed(testsupport::pdfText(file)), text);
        for (const FontRow& row : pdfFonts(file))
            QVERIFY2(row.embedded && row.subset && row.unicode, qPrintable(row.name));
    }

    void oneSubsetPerFontGrowsWithEveryDrawing()
    {
        const QString blank = path(QStringLiteral("blank3.pdf"));
        QVERIFY(writeBlankPdf(blank, 3));
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(engine.LoadFromFile(blank, QString()), 1);
        const int sans = engine.AddTrueTypeFont(QStringLiteral("DejaVu Sans"), 0);
        const int again = engine.AddTrueTypeFont(QStringLiteral("DejaVu Sans"), 1);
        QVERIFY(sans > 0 && again > 0);
        engine.SetTextSize(20);
        QCOMPARE(engine.SelectPage(1), 1);
        engine.SelectFont(sans);
        QCOMPARE(engine.DrawText(50, 700, QStringLiteral("abc")), 1);
        // A save in between, then glyphs the subset did not hold yet.
        QVERIFY(!save(engine, QStringLiteral("between.pdf")).isEmpty());
        QCOMPARE(engine.SelectPage(2), 1);
        engine.SelectFont(again);
        QCOMPARE(engine.DrawText(50, 700, QStringLiteral("xyz \u00e9")), 1);
        QCOMPARE(engine.SelectPage(3), 1);
        QCOMPARE(engine.DrawText(50, 700, QStringLiteral("abc xyz")), 1);
        const QString file = save(engine, QStringLiteral("grown.pdf"));
        QVERIFY(!file.isEmpty());

        QCOMPARE(squeezed(testsupport::pdfText(file, 1)), QStringLiteral("abc"));
        QCOMPARE(squeezed(testsupport::pdfText(file, 2)), QStringLiteral("xyz \u00e9"));
        QCOMPARE(squeezed(testsupport::pdfText(file, 3)), QStringLiteral("abc xyz"));
        // The glyphs of the first page are still in the grown subset.
        QVERIFY(!darkBounds(renderPage(file, 1, 72)).isEmpty());
        for (const FontRow& row : pdfFonts(file))
            QVERIFY(row.name.endsWith(QLatin1String("+DejaVuSans")) && row.embedded && row.subset);

        // One font object and one font program serve every page.
        const QString expanded = path(QStringLiteral("grown-qdf.pdf"));
        QCOMPARE(testsupport::run(QStringLiteral("qpdf"), {QStringLiteral("--qdf"), QStringLiteral("--object-streams=disable"), file, expanded}), 0);
        QFile qdf(expanded);
        QVERIFY(qdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = qdf.readAll();
        QCOMPARE(bytes.count("/Subtype /Type0"), 1);
        QCOMPARE(bytes.count("/FontFile2"), 1);
    }

    void everyDocumentEmbedsItsOwnSubset()
    {
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        const int first = engine.SelectedDocument();
        QVERIFY(engine.AddTrueTypeFont(QStringLiteral("Liberation Serif"), 0) > 0);
        engine.SetTextSize(30);
        QCOMPARE(engine.DrawText(50, 700, QStringLiteral("first")), 1);
        const int second = engine.NewDocument();
        QVERIFY(second > 0 && second != first);
        QCOMPARE(engine.DrawText(50, 700, QStringLiteral("second")), 1);
        QCOMPARE(engine.SelectDocument(first), 1);
        QCOMPARE(engine.DrawText(50, 600, QStringLiteral("again")), 1);
        const QString a = save(engine, QStringLiteral("first.pdf"));
        QCOMPARE(engine.SelectDocument(second), 1);
        const QString b = save(engine, QStringLiteral("second.pdf"));
        QVERIFY(!a.isEmpty() && !b.isEmpty());
        QCOMPARE(squeezed(testsupport::pdfText(a)), QStringLiteral("first again"));
        QCOMPARE(squeezed(testsupport::pdfText(b)), QStringLiteral("second"));
        QCOMPARE(pdfFonts(a).size(), 1);
        QCOMPARE(pdfFonts(b).size(), 1);
        // Each file renders on its own, from its own font program.
        QVERIFY(countPixels(renderPage(a, 1, 72), isDark) > 100);
        QVERIFY(countPixels(renderPage(b, 1, 72), isDark) > 100);
    }

    void placementFollowsUnitsAndOrigin_data()
    {
        QTest::addColumn<int>("units");
        QTest::addColumn<int>("origin");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("xPoints");         // where the text must start
        QTest::addColumn<double>("baselineFromTop");  // and its baseline, in points from the top
        QTest::newRow("points, bottom-left") << 0 << 0 << 100.0 << 500.0 << 100.0 << 292.0;
        QTest::newRow("points, top-left") << 0 << 1 << 100.0 << 500.0 << 100.0 << 500.0;
        QTest::newRow("millimetres, top-left") << 1 << 1 << 50.0 << 100.0 << 141.73 << 283.46;
        QTest::newRow("inches, bottom-left") << 2 << 0 << 1.0 << 9.0 << 72.0 << 144.0;
    }

    void placementFollowsUnitsAndOrigin()
    {
        QFETCH(int, units);
        QFETCH(int, origin);
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, xPoints);
        QFETCH(double, baselineFromTop);
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(engine.AddTrueTypeFont(QStringLiteral("DejaVu Sans"), 0) > 0);
        QCOMPARE(engine.SetMeasurementUnits(units), 1);
        QCOMPARE(engine.SetOrigin(origin), 1);
        QCOMPARE(engine.SetTextSize(40), 1);
        QCOMPARE(engine.DrawText(x, y, QStringLiteral("HHH")), 1);
        const QString file = save(engine, QStringLiteral("place.pdf"));
        QVERIFY(!file.isEmpty());
        const QRect ink = darkBounds(renderPage(file, 1, 72));
        QVERIFY(!ink.isEmpty());
        // "H" starts a little right of its origin and stands on the baseline.
        QVERIFY2(std::abs(ink.left() - xPoints) < 7, qPrintable(QString::number(ink.left())));
        QVERIFY2(std::abs(ink.bottom() + 1 - baselineFromTop) < 2, qPrintable(QString::number(ink.bottom())));
        // Cap height of DejaVu Sans is 0.73 em.
        QVERIFY2(std::abs(ink.height() - 0.73 * 40) < 3, qPrintable(QString::number(ink.height())));
    }

    void textIsUprightOnRotatedPages_data()
    {
        QTest::addColumn<int>("rotate");
        QTest::newRow("90") << 90;
        QTest::newRow("180") << 180;
        QTest::newRow("270") << 270;
    }

    void textIsUprightOnRotatedPages()
    {
        QFETCH(int, rotate);
        const QString blank = path(QStringLiteral("rotated.pdf"));
        QVERIFY(writeBlankPdf(blank, 1, QSizeF(400, 600), rotate));
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(engine.LoadFromFile(blank, QString()), 1);
        QVERIFY(engine.AddTrueTypeFont(QStringLiteral("DejaVu Sans"), 0) > 0);
        engine.SetOrigin(1);
        engine.SetTextSize(30);
        QCOMPARE(engine.DrawText(50, 100, QStringLiteral("HHHHHH")), 1);
        const QString file = save(engine, QStringLiteral("rotated-drawn.pdf"));
        QVERIFY(!file.isEmpty());
        const QImage page = renderPage(file, 1, 72);
        const bool swapped = rotate == 90 || rotate == 270;
        QCOMPARE(page.width(), swapped ? 600 : 400);
        const QRect ink = darkBounds(page);
        QVERIFY(!ink.isEmpty());
        QVERIFY2(ink.width() > 3 * ink.height(), "text runs along the displayed width");
        QVERIFY(std::abs(ink.left() - 50) < 7);
        QVERIFY(std::abs(ink.bottom() + 1 - 100) < 2);
        QCOMPARE(squeezed(testsupport::pdfText(file)), QStringLiteral("HHHHHH"));
    }

    void textHeightIsAscentPlusDescent()
    {
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(engine.AddTrueTypeFont(QStringLiteral("DejaVu Sans"), 0) > 0);
        engine.SetTextSize(10);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(1000);
        const QRawFont raw = QRawFont::fromFont(font);
        const double expected = (raw.ascent() + raw.descent()) / 100.0;  // at 10 points
        QVERIFY(std::abs(engine.GetTextHeight() - expected) < 0.05);
        engine.SetMeasurementUnits(1);
        QVERIFY(std::abs(engine.GetTextHeight() - expected * 25.4 / 72) < 0.02);
        engine.SetTextSize(30);
        QVERIFY(std::abs(engine.GetTextHeight() - 3 * expected * 25.4 / 72) < 0.05);
        // A taller family is taller.
        const int mono = engine.AddTrueTypeFont(QStringLiteral("Liberation Mono"), 0);
        QVERIFY(mono > 0);
        QVERIFY(engine.GetTextHeight() > 0);
    }

    void sizeAndColourShowInTheRendering()
    {
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(engine.AddTrueTypeFont(QStringLiteral("DejaVu Sans"), 0) > 0);
        engine.SetOrigin(1);
        engine.SetTextSize(10);
        engine.SetTextColor(1, 0, 0);
        QCOMPARE(engine.DrawText(50, 100, QStringLiteral("HHHH")), 1);
        engine.SetTextSize(40);
        engine.SetTextColor(0, 0, 1);
        QCOMPARE(engine.DrawText(50, 300, QStringLiteral("HHHH")), 1);
        // Out-of-range components are clamped.
        QCOMPARE(engine.SetTextColor(-3, 7, 0), 1);
        QCOMPARE(engine.DrawText(50, 500, QStringLiteral("HHHH")), 1);
        const QString file = save(engine, QStringLiteral("colour.pdf"));
        QVERIFY(!file.isEmpty());
        const QImage page = renderPage(file, 1, 144);
        const QRect red = inkBounds(page, isReddish);
        const QRect blue = inkBounds(page, isBluish);
        const QRect green = inkBounds(page, isGreenish);
        QVERIFY(!red.isEmpty() && !blue.isEmpty() && !green.isEmpty());
        QVERIFY(red.bottom() < 2 * 110 && blue.top() > 2 * 200 && green.top() > 2 * 400);
        const double ratio = double(blue.height()) / red.height();
        QVERIFY2(ratio > 3.5 && ratio < 4.5, qPrintable(QString::number(ratio)));
    }

    void missingStylesAreSynthesized()
    {
        // This family has one regular face only.
        const QString family = QStringLiteral("DejaVu Math TeX Gyre");
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        const int regular = engine.AddTrueTypeFont(family, 0);
        const int bold = engine.AddTrueTypeFont(family + QStringLiteral(" [Bold]"), 0);
        const int italic = engine.AddTrueTypeFont(family + QStringLiteral(" [Italic]"), 0);
        QVERIFY(regular > 0 && bold > 0 && italic > 0);
        engine.SetOrigin(1);
        engine.SetTextSize(40);
        engine.SelectFont(regular);
        engine.DrawText(50, 100, QStringLiteral("llll"));
        engine.SelectFont(bold);
        engine.DrawText(50, 200, QStringLiteral("llll"));
        engine.SelectFont(italic);
        engine.DrawText(50, 300, QStringLiteral("llll"));
        const QString file = save(engine, QStringLiteral("synthetic.pdf"));
        QVERIFY(!file.isEmpty());
        QCOMPARE(pdfFonts(file).size(), 1);  // one face serves all three
        QCOMPARE(squeezed(testsupport::pdfText(file)), QStringLiteral("llll llll llll"));
        const QImage page = renderPage(file, 1, 72);
        const int regularInk = countPixels(page, isDark, QRect(0, 50, 600, 60));
        const int boldInk = countPixels(page, isDark, QRect(0, 150, 600, 60));
        QVERIFY2(boldInk > regularInk * 1.2, qPrintable(QStringLiteral("%1 %2").arg(boldInk).arg(regularInk)));
        // Slanted: the tops of the strokes lean right of their feet.
        const double uprightLean = darkMeanX(page, 72, 78) - darkMeanX(page, 94, 99);
        const double italicLean = darkMeanX(page, 272, 278) - darkMeanX(page, 294, 299);
        QVERIFY2(italicLean > uprightLean + 3, qPrintable(QStringLiteral("%1 %2").arg(italicLean).arg(uprightLean)));
    }

    void drawingWithoutAFontUsesTheDefaultFamily()
    {
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(engine.GetTextHeight() > 0);
        QCOMPARE(engine.DrawText(72, 72, QStringLiteral("default family")), 1);
        const QString file = save(engine, QStringLiteral("default.pdf"));
        QVERIFY(!file.isEmpty());
        QCOMPARE(squeezed(testsupport::pdfText(file)), QStringLiteral("default family"));
    }

    void badInputFailsAndLeavesTheInstanceUsable()
    {
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        const int font = engine.AddTrueTypeFont(QStringLiteral("DejaVu Sans"), 0);
        QCOMPARE(engine.SelectFont(0), 0);
        QCOMPARE(engine.SelectFont(-1), 0);
        QCOMPARE(engine.SelectFont(font + 1000), 0);
        QCOMPARE(engine.SelectFont(engine.SelectedDocument()), 0);  // an id, but not a font's
        QCOMPARE(engine.SetTextSize(0), 0);
        QCOMPARE(engine.SetTextSize(-12), 0);
        QCOMPARE(engine.SetTextSize(std::nan("")), 0);
        QCOMPARE(engine.SetTextSize(HUGE_VAL), 0);
        QCOMPARE(engine.SetTextSize(1e9), 0);
        QCOMPARE(engine.SetTextColor(std::nan(""), 0, 0), 0);
        QCOMPARE(engine.DrawText(std::nan(""), 10, QStringLiteral("x")), 0);
        QCOMPARE(engine.DrawText(10, HUGE_VAL, QStringLiteral("x")), 0);
        QCOMPARE(engine.SetHTMLNormalFont(QStringLiteral("Default"), 0), 0);
        QCOMPARE(engine.SetHTMLNormalFont(QStringLiteral("Default"), 999999), 0);
        // Nothing to draw, control characters, lone surrogates: no harm.
        QCOMPARE(engine.DrawText(10, 10, QString()), 1);
        QCOMPARE(engine.DrawText(10, 10, QStringLiteral("\x01\x02\r\n")), 1);
        QCOMPARE(engine.DrawText(10, 10, QString(QChar(0xD800)) + QStringLiteral("ok")), 1);
        // Still working, with the size set before the failures.
        QCOMPARE(engine.SetTextSize(20), 1);
        QCOMPARE(engine.DrawText(72, 600, QStringLiteral("still fine")), 1);
        const QString file = save(engine, QStringLiteral("bad.pdf"));
        QVERIFY(!file.isEmpty());
        QVERIFY(testsupport::pdfText(file).contains(QStringLiteral("still fine")));
    }
};

QTEST_MAIN(TestFonts)
#include "tst_fonts.moc"
