// Pages captured out of a document and drawn scaled onto other pages: read
// back with pdftoppm (where it shows), pdftotext (text stays text) and QPDF.

#include "folioconstants.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "pdfread.h"
#include "pixels.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;
using namespace folio;

namespace {

// Whether the page shows `original` at offset (within a little), and nothing but white elsewhere.
bool showsAt(const QImage& page, const QImage& original, QPoint offset)
{
    int wrong = 0;
    for (int y = 0; y < original.height(); ++y)
        for (int x = 0; x < original.width(); ++x)
            wrong += near(original.pixel(x, y), page.pixel(offset + QPoint(x, y)), 60) ? 0 : 1;
    const QRect drawn = QRect(offset, original.size()).adjusted(-2, -2, 2, 2);
    for (int y = 0; y < page.height(); y += 7)
        for (int x = 0; x < page.width(); x += 7)
            if (!drawn.contains(x, y) && !near(page.pixel(x, y), Qt::white, 10))
                return false;
    return !page.isNull() && wrong < 0.03 * original.width() * original.height();
}

} // namespace

class TestCapture : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    PdfEngine engine{"FolioPdfEngine"};
    QString source;  // three pages: two coloured blocks and a line of text, none of it symmetric; two blank
    QImage shownAtHalfSize;

    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void initTestCase()
    {
        keepWhenAsked(dir);
        source = path("source.pdf");
        QVERIFY(writePdf(source, {{QRectF(0, 0, 612, 792), 0, {}, "Hello Capture", "1 0 0 rg 50 500 200 150 re f 0 0 1 rg 400 100 150 250 re f"}, {}, {}}));
        shownAtHalfSize = renderPage(source, 1, 36);
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
        const QString cropped = path("crop.pdf");
        QVERIFY(writePdf(cropped, {{QRectF(0, 0, 612, 792), rotate, QRectF(40, 80, 460, 660), "Hello Capture", "1 0 0 rg 50 500 200 150 re f"}}));
        const QImage original = renderPage(cropped, 1, 36);  // what a viewer shows, at half size
        QCOMPARE(original.size(), (rotate % 180 ? QSize(330, 230) : QSize(230, 330)));
        QVERIFY(loadOnly(engine, cropped));
        const int capture = engine.CapturePage(1);
        QCOMPARE(engine.PageCount(), 0);  // left without pages for a moment
        engine.NewDocument();
        engine.SetOrigin(OriginTopLeft);
        QCOMPARE(engine.DrawCapturedPage(capture, 100, 50, original.width(), original.height()), 1);
        engine.SetOrigin(OriginBottomLeft);
        QVERIFY(showsAt(renderPage(saveChecked(engine, path("crop-out.pdf")), 1), original, QPoint(100, 50)));
    }

    void drawnManyTimesStoredOncePerDocument()
    {
        QVERIFY(loadOnly(engine, source));
        const int sourceId = engine.SelectedDocument(), capture = engine.CapturePage(1);
        QCOMPARE(engine.PageCount(), 2);  // the page is out of the document
        for (int p = 1; p <= 2; ++p) {
            QCOMPARE(engine.SelectPage(p), 1);
            QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 200, 260), 1);
            // The lower right quarter of the page (origin at the bottom left).
            QCOMPARE(engine.DrawCapturedPage(capture, 306, 396, 306, 396), 1);
        }
        const QString same = saveChecked(engine, path("same.pdf"));
        QCOMPARE(streamsOf(*openPdf(same), "/Form").size(), size_t(1));
        QCOMPARE(pdfText(same).count("Hello Capture"), 4);
        QVERIFY(showsAt(renderPage(same, 1).copy(306, 396, 306, 396), shownAtHalfSize, QPoint()));

        // Into another document, which keeps it after the source is gone.
        const int other = engine.NewDocument();
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 306, 396), 1);
        QCOMPARE(engine.DrawCapturedPage(capture, 306, 396, 306, 396), 1);
        QCOMPARE(engine.RemoveDocument(sourceId), 1);
        QCOMPARE(engine.SelectDocument(other), 1);
        const QString copied = saveChecked(engine, path("other.pdf"));
        QCOMPARE(streamsOf(*openPdf(copied), "/Form").size(), size_t(1));
        QCOMPARE(pdfText(copied).count("Hello Capture"), 2);
        QVERIFY(showsAt(renderPage(copied, 1).copy(306, 396, 306, 396), shownAtHalfSize, QPoint()));
        // With its document gone, the capture can no longer be drawn.
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 100, 100), 0);
    }

    void badCapturesChangeNothing()
    {
        QVERIFY(loadOnly(engine, source));
        for (int page : {0, 4, -1})
            QCOMPARE(engine.CapturePage(page), 0);
        QCOMPARE(engine.PageCount(), 3);
        QCOMPARE(engine.DrawCapturedPage(0, 0, 792, 100, 100), 0);
        QCOMPARE(engine.DrawCapturedPage(12345, 0, 792, 100, 100), 0);
        const int capture = engine.CapturePage(1);
        for (const QRectF& r : {QRectF(0, 792, 0, 100), QRectF(0, 792, 100, -1), QRectF(qQNaN(), 792, 100, 100)})
            QCOMPARE(engine.DrawCapturedPage(capture, r.x(), r.y(), r.width(), r.height()), 0);
        // Taking the last pages leaves none to draw on, and nothing to save.
        QVERIFY(engine.CapturePage(1) > 0 && engine.CapturePage(1) > 0);
        QCOMPARE(engine.PageCount(), 0);
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 100, 100), 0);
        QCOMPARE(engine.SaveToFile(path("empty.pdf")), 0);
        QVERIFY(!QFile::exists(path("empty.pdf")));
        // The capture still draws elsewhere.
        engine.NewDocument();
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 306, 396), 1);
        QCOMPARE(pdfText(saveChecked(engine, path("bad-out.pdf"))).count("Hello Capture"), 1);
    }

    void capturedPagesLeaveNothingBehind()
    {
        // As the page resizer works: every page captured and drawn onto a
        // new page. Bookmarks, links and fields of the old pages must not keep
        // those pages (and their content) in the saved file.
        auto pdf = makeNumberedPdf(3);
        addOutlines(*pdf, {{0, "One"}, {0, "Two"}, {0, "Three"}});
        addLink(*pdf, 1, 3);
        addTextField(*pdf, 2, "name", "value");
        QVERIFY(writePdf(*pdf, path("marked.pdf")));
        QVERIFY(loadOnly(engine, path("marked.pdf")));
        for (int i = 0; i < 3; ++i) {
            const int capture = engine.CapturePage(1);
            QVERIFY(capture > 0);
            engine.NewPage();
            QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 612, 792), 1);
        }
        const QString out = saveChecked(engine, path("resized.pdf"));
        QCOMPARE(pageTexts(out), QStringList({"Doc page 1", "Doc page 2", "Doc page 3"}));
        const std::shared_ptr<QPDF> saved = openPdf(out);
        size_t pageObjects = 0;
        for (QPDFObjectHandle object : saved->getAllObjects())
            pageObjects += object.isDictionaryOfType("/Page") ? 1 : 0;
        QCOMPARE(pageObjects, size_t(3));
        QCOMPARE(streamsOf(*saved, "/Form").size(), size_t(3));
        QCOMPARE(formFields(out), QStringList());
    }

    void damagedContentIsCapturedAsFarAsItReads()
    {
        // A page of two content streams, the second claiming Flate but
        // holding garbage: what reads of the first is kept.
        auto pdf = makePdf({{QRectF(0, 0, 612, 792), 0, {}, "Still here"}, {}});
        QPDFObjectHandle page = pdf->getAllPages()[0];
        page.addPageContents(pdf->newStream("not deflated at all"), false);
        page.getKey("/Contents").getArrayItem(1).replaceStreamData("not deflated at all", QPDFObjectHandle::newName("/FlateDecode"),
                                                                  QPDFObjectHandle::newNull());
        QVERIFY(writePdf(*pdf, path("damaged.pdf"), true));
        QVERIFY(loadOnly(engine, path("damaged.pdf")));
        const int capture = engine.CapturePage(1);
        QVERIFY(capture > 0);
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 612, 792), 1);
        QCOMPARE(pdfText(saveChecked(engine, path("damaged-out.pdf"))).trimmed(), "Still here");
        engine.NewDocument();
        QCOMPARE(engine.DrawCapturedPage(capture, 0, 792, 612, 792), 1);
        QCOMPARE(pdfText(saveChecked(engine, path("damaged-other.pdf"))).trimmed(), "Still here");
    }
};

QTEST_MAIN(TestCapture)
#include "tst_capture.moc"
