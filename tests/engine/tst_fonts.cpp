// Fonts and drawn text: resolving families and styles through fontconfig,
// embedding as subsets, extraction, placement, size, colour, and bad input.
// Every result is read back with poppler-utils and qpdf.

#include "folioconstants.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "pixels.h"
#include "testsupport.h"

#include <QFont>
#include <QRawFont>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace testsupport;
using namespace folio;

namespace {

// Mean x of the dark pixels in rows top..bottom.
double darkMeanX(const QImage& img, int top, int bottom)
{
    double sum = 0;
    int n = 0;
    for (int y = top; y <= bottom; ++y)
        for (int x = 0; x < img.width(); ++x)
            if (isDark(img.pixel(x, y)))
                sum += x, ++n;
    return n ? sum / n : -1;
}

} // namespace

class TestFonts : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }


    // Every font of the file embedded as a subset with a Unicode map.
    static bool allSubsets(const QString& file)
    {
        const QList<FontRow> rows = pdfFonts(file);
        return !rows.isEmpty() && std::all_of(rows.begin(), rows.end(), [](const FontRow& r) { return r.embedded && r.subset && r.unicode; });
    }

private slots:
    void familiesAndTextRoundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("postScriptName");
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("fonts");
        QTest::newRow("regular, latin") << "DejaVu Sans" << "Grüße aus Köln: ½ € ß æ ø å ç ñ" << "DejaVuSans" << "CID TrueType" << 1;
        QTest::newRow("bold italic, ascii") << "Liberation Serif [Bold,Italic]" << "Hello, World! 0123456789 ({[]}) @#$%"
                                            << "LiberationSerif-BoldItalic" << "CID TrueType" << 1;
        QTest::newRow("any letter case, greek cyrillic") << "liberation sans [bold]" << "Ελληνικά и русский текст" << "LiberationSans-Bold"
                                                         << "CID TrueType" << 1;
        QTest::newRow("outside the bmp") << "DejaVu Sans" << "smile \U0001F600 and \U0001F601" << "DejaVuSans" << "CID TrueType" << 1;
        // CFF outlines are embedded as OpenType.
        QTest::newRow("cff") << "C059 [Italic]" << "Œuvre «fin» – “quotes”" << "C059-Italic" << "CID Type 0C (OT)" << 1;
        // The family's first foundry offers Type 1 faces only: another foundry's OpenType faces are taken.
        QTest::newRow("type1 foundry") << "Nimbus Sans [urw] [Bold]" << "Sphinx of black quartz" << "NimbusSans-Bold" << "CID Type 0C (OT)" << 1;
        // Characters the family lacks are drawn from another family.
        QTest::newRow("fallback") << "Liberation Sans" << "King \u2654 and queen \u2655" << "LiberationSans" << "CID TrueType" << 2;
    }

    void familiesAndTextRoundTrip()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, postScriptName);
        PdfEngine engine("FolioPdfEngine");
        QVERIFY(engine.AddTrueTypeFont(name, 0) > 0);  // selected; not asked to embed: embedded all the same
        engine.SetTextSize(14);
        QCOMPARE(engine.DrawText(40, 400, text), 1);
        const QString file = saveChecked(engine, path("roundtrip.pdf"));
        const QList<FontRow> rows = pdfFonts(file);
        QTEST(int(rows.size()), "fonts");
        QVERIFY2(rows[0].name.endsWith('+' + postScriptName), qPrintable(rows[0].name));
        QTEST(rows[0].type, "type");
        QCOMPARE(rows[0].encoding, "Identity-H");
        QVERIFY(allSubsets(file));
        QCOMPARE(squeezed(pdfText(file)), text);
    }

    void oneSubsetPerFontGrowsWithEveryDrawing()
    {
        QVERIFY(writePdf(path("blank3.pdf"), {{}, {}, {}}));
        PdfEngine engine("FolioPdfEngine");
        QCOMPARE(engine.LoadFromFile(path("blank3.pdf"), QString()), 1);
        const int sans = engine.AddTrueTypeFont("DejaVu Sans", 0), again = engine.AddTrueTypeFont("DejaVu Sans", 1);
        QVERIFY(sans > 0 && again > 0);
        engine.SetTextSize(20);
        QCOMPARE(engine.DrawText(50, 700, "abc"), 1);
        // A save in between, then glyphs the subset did not hold yet.
        QVERIFY(!saveChecked(engine, path("between.pdf")).isEmpty());
        QCOMPARE(engine.SelectPage(2), 1);
        engine.SelectFont(again);
        QCOMPARE(engine.DrawText(50, 700, "xyz \u00e9"), 1);
        QCOMPARE(engine.SelectPage(3), 1);
        QCOMPARE(engine.DrawText(50, 700, "abc xyz"), 1);
        const QString file = saveChecked(engine, path("grown.pdf"));
        QCOMPARE(pageTexts(file), QStringList({"abc", "xyz \u00e9", "abc xyz"}));
        // The glyphs of the first page are still in the grown subset.
        QVERIFY(!inkBounds(renderPage(file, 1)).isEmpty());
        // One font object and one font program serve every page.
        QString qdf;
        QCOMPARE(run("qpdf", {"--qdf", "--object-streams=disable", file, "-"}, &qdf), 0);
        QCOMPARE(qdf.count("/Subtype /Type0"), 1);
        QCOMPARE(qdf.count("/FontFile2"), 1);
    }

    void everyDocumentEmbedsItsOwnSubset()
    {
        PdfEngine engine("FolioPdfEngine");
        const int first = engine.SelectedDocument();
        QVERIFY(engine.AddTrueTypeFont("Liberation Serif", 0) > 0);
        engine.SetTextSize(30);
        QCOMPARE(engine.DrawText(50, 700, "first"), 1);
        const int second = engine.NewDocument();
        QCOMPARE(engine.DrawText(50, 700, "second"), 1);
        QCOMPARE(engine.SelectDocument(first), 1);
        QCOMPARE(engine.DrawText(50, 600, "again"), 1);
        const QString a = saveChecked(engine, path("first.pdf"));
        QCOMPARE(engine.SelectDocument(second), 1);
        const QString b = saveChecked(engine, path("second.pdf"));
        QCOMPARE(squeezed(pdfText(a)), "first again");
        QCOMPARE(squeezed(pdfText(b)), "second");
        // Each file renders on its own, from its own font program.
        for (const QString& file : {a, b})
            QVERIFY(pdfFonts(file).size() == 1 && countPixels(renderPage(file, 1), isDark) > 100);
    }

    void placementFollowsUnitsOriginAndRotation_data()
    {
        QTest::addColumn<int>("units");
        QTest::addColumn<int>("origin");
        QTest::addColumn<int>("rotate");
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<QPointF>("expected");  // where the text starts, baseline from the top, in points
        QTest::newRow("points, bottom-left") << int(Points) << int(OriginBottomLeft) << 0 << QPointF(100, 500) << QPointF(100, 292);
        QTest::newRow("points, top-left") << int(Points) << int(OriginTopLeft) << 0 << QPointF(100, 500) << QPointF(100, 500);
        QTest::newRow("millimetres, top-left") << int(Millimetres) << int(OriginTopLeft) << 0 << QPointF(50, 100) << QPointF(141.73, 283.46);
        QTest::newRow("inches, bottom-left") << int(Inches) << int(OriginBottomLeft) << 0 << QPointF(1, 9) << QPointF(72, 144);
        // Turned pages shown 612 x 792 as well: the text stands upright on the page as displayed.
        for (int r : {90, 180, 270})
            QTest::addRow("turned %d", r) << int(Points) << int(OriginTopLeft) << r << QPointF(50, 100) << QPointF(50, 100);
    }

    void placementFollowsUnitsOriginAndRotation()
    {
        QFETCH(int, units);
        QFETCH(int, origin);
        QFETCH(int, rotate);
        QFETCH(QPointF, at);
        QFETCH(QPointF, expected);
        QVERIFY(writePdf(path("page.pdf"), {{rotate % 180 ? QRectF(0, 0, 792, 612) : QRectF(0, 0, 612, 792), rotate}}));
        PdfEngine engine("FolioPdfEngine");
        QCOMPARE(engine.LoadFromFile(path("page.pdf"), QString()), 1);
        QVERIFY(engine.AddTrueTypeFont("DejaVu Sans", 0) > 0);
        QCOMPARE(engine.SetMeasurementUnits(units), 1);
        QCOMPARE(engine.SetOrigin(origin), 1);
        QCOMPARE(engine.SetTextSize(40), 1);
        QCOMPARE(engine.DrawText(at.x(), at.y(), "HHHHHH"), 1);
        const QString file = saveChecked(engine, path("place.pdf"));
        const QImage page = renderPage(file, 1);
        QCOMPARE(page.size(), QSize(612, 792));
        const QRect ink = inkBounds(page);
        // "H" starts a little right of its origin, stands on the baseline, and is 0.73 em high; the line runs across.
        QVERIFY2(std::abs(ink.left() - expected.x()) < 7, qPrintable(QString::number(ink.left())));
        QVERIFY2(std::abs(ink.bottom() + 1 - expected.y()) < 2, qPrintable(QString::number(ink.bottom())));
        QVERIFY2(std::abs(ink.height() - 0.73 * 40) < 3, qPrintable(QString::number(ink.height())));
        QVERIFY(ink.width() > 3 * ink.height());
        QCOMPARE(squeezed(pdfText(file)), "HHHHHH");
    }

    void textHeightIsAscentPlusDescent()
    {
        PdfEngine engine("FolioPdfEngine");
        QVERIFY(engine.GetTextHeight() > 0);  // the default family before any font is added
        QVERIFY(engine.AddTrueTypeFont("DejaVu Sans", 0) > 0);
        engine.SetTextSize(10);
        QFont font("DejaVu Sans");
        font.setPixelSize(1000);
        const QRawFont raw = QRawFont::fromFont(font);
        const double expected = (raw.ascent() + raw.descent()) / 100.0;  // at 10 points
        QVERIFY(std::abs(engine.GetTextHeight() - expected) < 0.05);
        engine.SetMeasurementUnits(Millimetres);
        QVERIFY(std::abs(engine.GetTextHeight() - expected * 25.4 / 72) < 0.02);
        engine.SetTextSize(30);
        QVERIFY(std::abs(engine.GetTextHeight() - 3 * expected * 25.4 / 72) < 0.05);
    }

    void sizeAndColourShowInTheRendering()
    {
        PdfEngine engine("FolioPdfEngine");
        QVERIFY(engine.AddTrueTypeFont("DejaVu Sans", 0) > 0);
        engine.SetOrigin(OriginTopLeft);
        engine.SetTextSize(10);
        engine.SetTextColor(1, 0, 0);
        QCOMPARE(engine.DrawText(50, 100, "HHHH"), 1);
        engine.SetTextSize(40);
        engine.SetTextColor(0, 0, 1);
        QCOMPARE(engine.DrawText(50, 300, "HHHH"), 1);
        QCOMPARE(engine.SetTextColor(-3, 7, 0), 1);  // out-of-range components are clamped
        QCOMPARE(engine.DrawText(50, 500, "HHHH"), 1);
        const QImage page = renderPage(saveChecked(engine, path("colour.pdf")), 1, 144);
        const QRect red = inkBounds(page, isReddish), blue = inkBounds(page, isBluish), green = inkBounds(page, isGreenish);
        QVERIFY(!red.isEmpty() && !blue.isEmpty() && !green.isEmpty());
        QVERIFY(red.bottom() < 2 * 110 && blue.top() > 2 * 200 && green.top() > 2 * 400);
        const double ratio = double(blue.height()) / red.height();
        QVERIFY2(ratio > 3.5 && ratio < 4.5, qPrintable(QString::number(ratio)));
    }

    void missingStylesAreSynthesized()
    {
        // This family has one regular face only.
        const QString family = "DejaVu Math TeX Gyre";
        PdfEngine engine("FolioPdfEngine");
        engine.SetOrigin(OriginTopLeft);
        engine.SetTextSize(40);
        const QStringList styles{"", " [Bold]", " [Italic]"};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(engine.SelectFont(engine.AddTrueTypeFont(family + styles[i], 0)), 1);
            QCOMPARE(engine.DrawText(50, 100 * (i + 1), "llll"), 1);
        }
        const QString file = saveChecked(engine, path("synthetic.pdf"));
        QCOMPARE(pdfFonts(file).size(), 1);  // one face serves all three
        QCOMPARE(squeezed(pdfText(file)), "llll llll llll");
        const QImage page = renderPage(file, 1);
        const int regularInk = countPixels(page, isDark, QRect(0, 50, 600, 60)), boldInk = countPixels(page, isDark, QRect(0, 150, 600, 60));
        QVERIFY2(boldInk > regularInk * 1.2, qPrintable(QString("%1 %2").arg(boldInk).arg(regularInk)));
        // Slanted: the tops of the strokes lean right of their feet.
        const double uprightLean = darkMeanX(page, 72, 78) - darkMeanX(page, 94, 99);
        const double italicLean = darkMeanX(page, 272, 278) - darkMeanX(page, 294, 299);
        QVERIFY2(italicLean > uprightLean + 3, qPrintable(QString("%1 %2").arg(italicLean).arg(uprightLean)));
    }

    void badInputFailsAndLeavesTheInstanceUsable()
    {
        PdfEngine engine("FolioPdfEngine");
        for (const char* name : {"No Such Family 4711", "", "   ", "[Bold]", "DejaVu Sans [Heavy]", "DejaVu", "DejaVu Sans [Bold"})
            QVERIFY2(engine.AddTrueTypeFont(name, 1) == 0, name);
        const int font = engine.AddTrueTypeFont("DejaVu Sans", 0);
        QVERIFY(font > 0);
        for (int id : {0, -1, font + 1000, engine.SelectedDocument()})  // the last an id, but not a font's
            QCOMPARE(engine.SelectFont(id), 0);
        for (double size : {0.0, -12.0, std::nan(""), HUGE_VAL, 1e9})
            QCOMPARE(engine.SetTextSize(size), 0);
        QCOMPARE(engine.SetTextColor(std::nan(""), 0, 0), 0);
        QCOMPARE(engine.DrawText(std::nan(""), 10, "x"), 0);
        QCOMPARE(engine.DrawText(10, HUGE_VAL, "x"), 0);
        QCOMPARE(engine.SetHTMLNormalFont("Default", 0), 0);
        QCOMPARE(engine.SetHTMLNormalFont("Default", 999999), 0);
        // Nothing to draw, control characters, lone surrogates: no harm.
        QCOMPARE(engine.DrawText(10, 10, QString()), 1);
        QCOMPARE(engine.DrawText(10, 10, "\x01\x02\r\n"), 1);
        QCOMPARE(engine.DrawText(10, 10, QString(QChar(0xD800)) + "ok"), 1);
        // Still working; without a font chosen, in the default family.
        PdfEngine fresh("FolioPdfEngine");
        for (PdfEngine* e : {&engine, &fresh}) {
            QCOMPARE(e->SetTextSize(20), 1);
            QCOMPARE(e->DrawText(72, 600, "still fine"), 1);
            QVERIFY(pdfText(saveChecked(*e, path("bad.pdf"))).contains("still fine"));
        }
    }
};

QTEST_MAIN(TestFonts)
#include "tst_fonts.moc"
