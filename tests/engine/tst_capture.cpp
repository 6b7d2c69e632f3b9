// Pages captured out of a document and drawn scaled onto other pages: read
// back with pdftoppm (where it shows), pdftotext (text stays text) and QPDF.

#include "imagetestsupport.h"
#include "pdfengine.h"
#include "testsupport.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace imagetest;

namespace {

const QString kEngine = QStringLiteral("FolioPdfEngine");

// A page with two coloured blocks and a line of text, none of it symmetric.
const QByteArray kContent =
    "1 0 0 rg 50 500 200 150 re f 0 0 1 rg 400 100 150 250 re f "
    "0 g BT /F1 36 Tf 72 700 Td (Hello Capture) Tj ET";

// Share of pixels of b (at offset) that differ from a by more than a little.
double mismatch(const QImage& a, const QImage& b, QPoint offset = QPoint())
{
    int bad = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!near(a.pixel(x, y), QColor(b.pixel(x + offset.x(), y + offset.y())), 60))
                ++bad;
    return double(bad) / (a.width() * a.height());
}

// How many form XObjects the file holds.
int formCount(const QString& pdf)
{
    QPDF q;
    q.processFile(QFile::encodeName(pdf).constData());
    int n = 0;
    for (QPDFObjectHandle& obj : q.getAllObjects())
        if (obj.isStream() && obj.getDict().getKey("/Subtype").isNameAndEquals("/Form"))
            ++n;
    return n;
}

bool whiteOutside(const QImage& page, const QRect& drawn)
{
    for (int y = 0; y < page.height(); y += 7)
        for (int x = 0; x < page.width(); x += 7)
            if (!drawn.adjusted(-2, -2, 2, 2).contains(x, y) && !near(page.pixel(x, y), Qt::white, 10))
                return false;
    return true;
}

} // namespace

class TestCapture : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    QString save(PdfEngine& engine, const QString& name) { return saveChecked(engine, dir, name); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        keepWhenAsked(dir);
    }

    void capturedPageDrawnAtHalfSize()
    {
        PageSpec content;
        content.content = kContent;
        const QString source = path(QStringLiteral("half.pdf"));
        QVERIFY(writePdf(source, {content, PageSpec()}));

        PdfEngine engine(kEngine);
        QCOMPARE(engine.LoadFromFile(source, QString()), 1);
        const int capture = engine.CapturePage(1);
        QVERIFY(capture > 0);
        QCOMPARE(engine.PageCount(), 1);  // the page is out of the document
        QCOMPARE(engine.SelectPage(1), 1);
        // The lower right quarter of the page (origin at the bottom left).
        QCOMPARE(engine.DrawCapturedPage(capture, 306, 396, 306, 396), 1);
        const QString out = save(engine, QStringLiteral("half-out.pdf"));
        QVERIFY(!out.isEmpty());
        QCOMPARE(testsupport::qpdfPageCount(out), 1);
        QVERIFY(testsupport::pdfText(out).contains(QStringLiteral("Hello Capture")));

        const QImage original = renderPage(source, 1, 36);
        const QImage page = renderPage(out, 1, 72);
        QCOMPARE(original.size(), QSize(306, 396));
        QVERIFY2(mismatch(original, page, QPoint(306, 396)) < 0.02, "the quarter shows the page at half size");
        QVERIFY(whiteOutside(page, QRect(306, 396, 306, 396)));
    }

    void visibleAreaWithRotation_data()
    {
        QTest::addColumn<int>("rotate");
        for (int r : {0, 90, 180, 270})
            QTest::newRow(qPrintable(QStringLiteral("rotate %1").arg(r))) << r;
    }

    void visibleAreaWithRotation()
    {
        QFETCH(int, rotate);
        PageSpec spec;
        spec.content = kContent;
        spec.cropLeft = 40;
        spec.cropBottom = 80;
        spec.cropRight = 500;
        spec.cropTop = 740;
        spec.rotate = rotate;
        const QString source = path(QStringLiteral("crop%1.pdf").arg(rotate));
        QVERIFY(writePdf(source, {spec}));
        const QImage original = renderPage(source, 1, 36);  // what a viewer shows, at half size
        const QSize shown = original.size();
        QCOMPARE(shown, (rotate % 180 ? QSize(330, 230) : QSize(230, 330)));

        PdfEngine engine(kEngine);
        QCOMPARE(engine.LoadFromFile(source, QString()), 1);
        const int capture = engine.CapturePage(1);
        QVERIFY(capture > 0);
        QCOMPARE(engine.PageCount(), 0);  // left without pages for a moment
        engine.NewDocument();
        engine.SetOrigin(1);
        QCOMPARE(engine.DrawCapturedPage(capture, 100, 50, shown.width(), shown.height()), 1);
        const QString out = save(engine, QStringLiteral("crop-out%1.pdf").arg(rotate));
        QVERIFY(!out.isEmpty());
        const QImage page = renderPage(out, 1, 36 * 2);
        QVERIFY2(mismatch(original, page, QPoint(100, 50)) < 0.03, "drawn as a viewer shows it, cropped and turned");
        QVERIFY(whiteOutside(page, QRect(QPoint(100, 50), shown)));
    }

    void drawnOnRotatedPageInMillimetres()
    {
        PageSpec spec;
        spec.content = kContent;
        const QString source = path(QStringLiteral("onrotated.pdf"));
        PageSpec target;
        target.width = 792;
        target.height = 612;
        target.rotate = 90;  // shown 612 wide, 792 high
        QVERIFY(writePdf(source, {spec, target}));
        PdfEngine engine(kEngine);
        QCOMPARE(engine.LoadFromFile(source, QString()), 1);
        const int capture = engine.CapturePage(1);
        QVERIFY(capture > 0);
        QCOMPARE(engine.SelectPage(1), 1);
        engine.SetOrigin(1);
        engine.SetMeasurementUnits(1);
        const double mm = 25.4 / 72.0;
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 0, 306 * mm, 396 * mm), 1);
        const QString out = save(engine, QStringLiteral("onrotated-out.pdf"));
        const QImage page = renderPage(out, 1, 72);
        QCOMPARE(page.size(), QSize(612, 792));
        QVERIFY2(mismatch(renderPage(source, 1, 36), page, QPoint(0, 0)) < 0.02, "upright in the top left quarter");
        QVERIFY(whiteOutside(page, QRect(0, 0, 306, 396)));
    }

    void drawnManyTimesStoredOncePerDocument()
    {
        PageSpec spec;
        spec.content = kContent;
        const QString source = path(QStringLiteral("many.pdf"));
        QVERIFY(writePdf(source, {spec, PageSpec(), PageSpec()}));
        PdfEngine engine(kEngine);
        QCOMPARE(engine.LoadFromFile(source, QString()), 1);
        const int sourceId = engine.SelectedDocument();
        const int capture = engine.CapturePage(1);
        QVERIFY(capture > 0);
        for (int p = 1; p <= 2; ++p) {
            QCOMPARE(engine.SelectPage(p), 1);
            QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 200, 260), 1);
            QCOMPARE(engine.DrawCapturedPage(capture, 300, 400, 200, 260), 1);
        }
        const QString same = save(engine, QStringLiteral("many-same.pdf"));
        QVERIFY(!same.isEmpty());
        QCOMPARE(formCount(same), 1);

        // Into another document, which keeps it after the source is gone.
        const int other = engine.NewDocument();
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 306, 396), 1);
        QCOMPARE(engine.DrawCapturedPage(capture, 306, 396, 306, 396), 1);
        QCOMPARE(engine.RemoveDocument(sourceId), 1);
        QCOMPARE(engine.SelectDocument(other), 1);
        const QString copied = save(engine, QStringLiteral("many-other.pdf"));
        QVERIFY(!copied.isEmpty());
        QCOMPARE(formCount(copied), 1);
        QCOMPARE(testsupport::pdfText(copied).count(QStringLiteral("Hello Capture")), 2);
        const QImage page = renderPage(copied, 1, 72);
        QVERIFY2(mismatch(renderPage(source, 1, 36), page, QPoint(306, 396)) < 0.02, "the copy shows the page");

        // With its document gone, the capture can no longer be drawn.
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 100, 100), 0);
    }

    void badCapturesChangeNothing()
    {
        PageSpec spec;
        spec.content = kContent;
        const QString source = path(QStringLiteral("bad.pdf"));
        QVERIFY(writePdf(source, {spec, spec}));
        PdfEngine engine(kEngine);
        QCOMPARE(engine.LoadFromFile(source, QString()), 1);
        QCOMPARE(engine.CapturePage(0), 0);
        QCOMPARE(engine.CapturePage(3), 0);
        QCOMPARE(engine.CapturePage(-1), 0);
        QCOMPARE(engine.PageCount(), 2);
        QCOMPARE(engine.DrawCapturedPage(0, 0, 792, 100, 100), 0);
        QCOMPARE(engine.DrawCapturedPage(12345, 0, 792, 100, 100), 0);

        const int capture = engine.CapturePage(2);
        QVERIFY(capture > 0);
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 0, 100), 0);
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 100, -1), 0);
        QCOMPARE(engine.DrawCapturedPage(capture, qQNaN(), 792, 100, 100), 0);

        // Taking the last page leaves none to draw on, and nothing to save.
        const int last = engine.CapturePage(1);
        QVERIFY(last > 0);
        QCOMPARE(engine.PageCount(), 0);
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 100, 100), 0);
        QCOMPARE(engine.SaveToFile(path(QStringLiteral("empty.pdf"))), 0);
        QVERIFY(!QFile::exists(path(QStringLiteral("empty.pdf"))));

        // Both captures still draw elsewhere.
        engine.NewDocument();
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 306, 396), 1);
        QCOMPARE(engine.DrawCapturedPage(last, 306, 396, 306, 396), 1);
        const QString out = save(engine, QStringLiteral("bad-out.pdf"));
        QVERIFY(!out.isEmpty());
        QCOMPARE(testsupport::pdfText(out).count(QStringLiteral("Hello Capture")), 2);
    }

    void damagedContentIsCapturedAsFarAsItReads()
    {
        // A page whose content stream claims Flate but holds garbage.
        const QString source = path(QStringLiteral("damaged.pdf"));
        QVERIFY(writePdf(source, {PageSpec(), PageSpec()}));
        {
            QPDF q;
            q.processFile(QFile::encodeName(source).constData());
            QPDFObjectHandle page = q.getAllPages().at(0);
            QPDFObjectHandle contents = page.getKey("/Contents");
            contents.replaceStreamData("not deflated at all", QPDFObjectHandle::newName("/FlateDecode"),
                                       QPDFObjectHandle::newNull());
            const QByteArray name = QFile::encodeName(path(QStringLiteral("damaged2.pdf")));
            QPDFWriter w(q, name.constData());
            w.setCompressStreams(false);
            w.setDecodeLevel(qpdf_dl_none);
            w.write();
        }
        PdfEngine engine(kEngine);
        QCOMPARE(engine.LoadFromFile(path(QStringLiteral("damaged2.pdf")), QString()), 1);
        const int capture = engine.CapturePage(1);
        QVERIFY(capture > 0);
        QCOMPARE(engine.SelectPage(1), 1);
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 306, 396), 1);
        // Saving either works or fails cleanly; the instance stays usable.
        engine.SaveToFile(path(QStringLiteral("damaged-out.pdf")));
        QCOMPARE(engine.NewDocument() > 0, true);
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 306, 396), 1);
        QVERIFY(!save(engine, QStringLiteral("damaged-other.pdf")).isEmpty());
    }
};

QTEST_MAIN(TestCapture)
#include "tst_capture.moc"
