// Pages captured out of a document and drawn scaled onto other pages: read
// back with pdftoppm (where it shows), pdftotext (text stays text) and QPDF.

#include "pdfbuild.h"
#include "pdfengine.h"
#include "pdfread.h"
#include "pixels.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

// A page with two coloured blocks and a line of text, none of it symmetric.
const QByteArray kContent = "1 0 0 rg 50 500 200 150 re f 0 0 1 rg 400 100 150 250 re f 0 g BT /F1 36 Tf 72 700 Td (Hello Capture) Tj ET";

// Whether page shows `original` at offset, and nothing but white elsewhere.
bool showsAt(const QImage& page, const QImage& original, QPoint offset)
{
    int bad = 0;
    for (int y = 0; y < original.height(); ++y)
        for (int x = 0; x < original.width(); ++x)
            bad += near(original.pixel(x, y), page.pixel(x + offset.x(), y + offset.y()), 60) ? 0 : 1;
    const QRect drawn = QRect(offset, original.size()).adjusted(-2, -2, 2, 2);
    for (int y = 0; y < page.height(); y += 7)
        for (int x = 0; x < page.width(); x += 7)
            if (!drawn.contains(x, y) && !near(page.pixel(x, y), Qt::white, 10))
                return false;
    return bad < 0.03 * original.width() * original.height();
}

int formCount(const QString& pdf)
{
    return int(streamsOf(*openPdf(pdf), "/Form").size());
}

} // namespace

class TestCapture : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    QString save(PdfEngine& engine, const QString& name)
    {
        return engine.SaveToFile(path(name)) == 1 && qpdfCheck(path(name)) ? path(name) : QString();
    }

private slots:
    void initTestCase()
    {
        keepWhenAsked(dir);
        QVERIFY(writePdf(path("source.pdf"), {{QRectF(0, 0, 612, 792), 0, {}, {}, kContent}, {}, {}}));
    }

    void capturedPageDrawnAtHalfSize()
    {
        PdfEngine engine("FolioPdfEngine");
        QCOMPARE(engine.LoadFromFile(path("source.pdf"), QString()), 1);
        const int capture = engine.CapturePage(1);
        QVERIFY(capture > 0);
        QCOMPARE(engine.PageCount(), 2);  // the page is out of the document
        QCOMPARE(engine.SelectPage(1), 1);
        // The lower right quarter of the page (origin at the bottom left).
        QCOMPARE(engine.DrawCapturedPage(capture, 306, 396, 306, 396), 1);
        const QString out = save(engine, "half.pdf");
        QVERIFY(!out.isEmpty());
        QCOMPARE(qpdfPageCount(out), 2);
        QVERIFY(pdfText(out, 1).contains("Hello Capture"));
        QVERIFY(showsAt(renderPage(out, 1, 72), renderPage(path("source.pdf"), 1, 36), QPoint(306, 396)));
    }

    void visibleAreaWithRotation_data()
    {
        QTest::addColumn<int>("rotate");
        for (int r : {0, 90, 180, 270})
            QTest::addRow("rotate %d", r) << r;
    }

    void visibleAreaWithRotation()
    {
        QFETCH(int, rotate);
        const QString source = path("crop.pdf");
        QVERIFY(writePdf(source, {{QRectF(0, 0, 612, 792), rotate, QRectF(40, 80, 460, 660), {}, kContent}}));
        const QImage original = renderPage(source, 1, 36);  // what a viewer shows, at half size
        QCOMPARE(original.size(), (rotate % 180 ? QSize(330, 230) : QSize(230, 330)));

        PdfEngine engine("FolioPdfEngine");
        QCOMPARE(engine.LoadFromFile(source, QString()), 1);
        const int capture = engine.CapturePage(1);
        QVERIFY(capture > 0);
        QCOMPARE(engine.PageCount(), 0);  // left without pages for a moment
        engine.NewDocument();
        engine.SetOrigin(1);
        QCOMPARE(engine.DrawCapturedPage(capture, 100, 50, original.width(), original.height()), 1);
        QVERIFY(showsAt(renderPage(save(engine, "crop-out.pdf"), 1, 72), original, QPoint(100, 50)));
    }

    void drawnOnRotatedPageInMillimetres()
    {
        // The target is shown 612 wide and 792 high.
        QVERIFY(writePdf(path("onrotated.pdf"), {{QRectF(0, 0, 612, 792), 0, {}, {}, kContent}, {QRectF(0, 0, 792, 612), 90}}));
        PdfEngine engine("FolioPdfEngine");
        QCOMPARE(engine.LoadFromFile(path("onrotated.pdf"), QString()), 1);
        const int capture = engine.CapturePage(1);
        QCOMPARE(engine.SelectPage(1), 1);
        engine.SetOrigin(1);
        engine.SetMeasurementUnits(1);
        const double mm = 25.4 / 72.0;
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 0, 306 * mm, 396 * mm), 1);
        const QImage page = renderPage(save(engine, "onrotated-out.pdf"), 1, 72);
        QCOMPARE(page.size(), QSize(612, 792));
        QVERIFY2(showsAt(page, renderPage(path("source.pdf"), 1, 36), QPoint(0, 0)), "upright in the top left quarter");
    }

    void drawnManyTimesStoredOncePerDocument()
    {
        PdfEngine engine("FolioPdfEngine");
        QCOMPARE(engine.LoadFromFile(path("source.pdf"), QString()), 1);
        const int sourceId = engine.SelectedDocument();
        const int capture = engine.CapturePage(1);
        for (int p = 1; p <= 2; ++p) {
            QCOMPARE(engine.SelectPage(p), 1);
            QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 200, 260), 1);
            QCOMPARE(engine.DrawCapturedPage(capture, 300, 400, 200, 260), 1);
        }
        QCOMPARE(formCount(save(engine, "many-same.pdf")), 1);

        // Into another document, which keeps it after the source is gone.
        const int other = engine.NewDocument();
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 306, 396), 1);
        QCOMPARE(engine.DrawCapturedPage(capture, 306, 396, 306, 396), 1);
        QCOMPARE(engine.RemoveDocument(sourceId), 1);
        QCOMPARE(engine.SelectDocument(other), 1);
        const QString copied = save(engine, "many-other.pdf");
        QCOMPARE(formCount(copied), 1);
        QCOMPARE(pdfText(copied).count("Hello Capture"), 2);
        QVERIFY(showsAt(renderPage(copied, 1, 72).copy(306, 396, 306, 396), renderPage(path("source.pdf"), 1, 36), QPoint()));
        // With its document gone, the capture can no longer be drawn.
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 100, 100), 0);
    }

    void badCapturesChangeNothing()
    {
        PdfEngine engine("FolioPdfEngine");
        QCOMPARE(engine.LoadFromFile(path("source.pdf"), QString()), 1);
        for (int page : {0, 4, -1})
            QCOMPARE(engine.CapturePage(page), 0);
        QCOMPARE(engine.PageCount(), 3);
        QCOMPARE(engine.DrawCapturedPage(0, 0, 792, 100, 100), 0);
        QCOMPARE(engine.DrawCapturedPage(12345, 0, 792, 100, 100), 0);
        const int capture = engine.CapturePage(1);
        QVERIFY(capture > 0);
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 0, 100), 0);
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 100, -1), 0);
        QCOMPARE(engine.DrawCapturedPage(capture, qQNaN(), 792, 100, 100), 0);

        // Taking the last pages leaves none to draw on, and nothing to save.
        QVERIFY(engine.CapturePage(1) > 0);
        const int last = engine.CapturePage(1);
        QVERIFY(last > 0);
        QCOMPARE(engine.PageCount(), 0);
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 100, 100), 0);
        QCOMPARE(engine.SaveToFile(path("empty.pdf")), 0);
        QVERIFY(!QFile::exists(path("empty.pdf")));
        // The captures still draw elsewhere.
        engine.NewDocument();
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 306, 396), 1);
        QCOMPARE(engine.DrawCapturedPage(last, 306, 396, 306, 396), 1);
        QCOMPARE(pdfText(save(engine, "bad-out.pdf")).count("Hello Capture"), 1);
    }

    void damagedContentIsCapturedAsFarAsItReads()
    {
        // A page whose content stream claims Flate but holds garbage.
        auto pdf = makePdf({{}, {}});
        QPDFObjectHandle(pdf->getAllPages()[0]).getKey("/Contents").replaceStreamData(
            "not deflated at all", QPDFObjectHandle::newName("/FlateDecode"), QPDFObjectHandle::newNull());
        QVERIFY(writePdf(*pdf, path("damaged.pdf"), true));
        PdfEngine engine("FolioPdfEngine");
        QCOMPARE(engine.LoadFromFile(path("damaged.pdf"), QString()), 1);
        const int capture = engine.CapturePage(1);
        QVERIFY(capture > 0);
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 306, 396), 1);
        engine.SaveToFile(path("damaged-out.pdf"));  // either works or fails cleanly
        engine.NewDocument();
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 306, 396), 1);
        QVERIFY(!save(engine, "damaged-other.pdf").isEmpty());
    }
};

QTEST_MAIN(TestCapture)
#include "tst_capture.moc"
