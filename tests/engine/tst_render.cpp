// Rendering pages to image files, checked against pdftoppm's rendering of the
// same pages: every output format, the page as displayed (CropBox and
// rotation), multi-page TIFF read back with libtiff, refused renders that
// write nothing, edits and replaced source files, damaged input.

#include "folioconstants.h"
#include "imagefixtures.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "pixels.h"
#include "testsupport.h"

#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

#include <tiffio.h>

using namespace testsupport;
using namespace folio;

namespace {

// Pages of shapes, colours and text; the second one is portrait, the others landscape.
bool writeDrawingPdf(const QString& path, int pages)
{
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setPageSize(QPageSize(QSizeF(300, 200), QPageSize::Point));
    QPainter p;
    if (!p.begin(&writer))
        return false;
    for (int i = 0; i < pages; ++i) {
        if (i > 0) {
            writer.setPageSize(QPageSize(i % 2 ? QSizeF(200, 300) : QSizeF(300, 200), QPageSize::Point));
            writer.newPage();
        }
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(QRectF(10, 10, 80, 50), QColor(200, 30, 30));
        p.setBrush(QColor(30, 90, 220));
        p.setPen(QPen(QColor(20, 140, 20), 3));
        p.drawEllipse(QPointF(140, 90), 45 + i * 5, 30);
        QFont font("DejaVu Sans");
        font.setPixelSize(18);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QPointF(20, 170), QString("Page %1 ÄÖ").arg(i + 1));
    }
    return p.end();
}

// pdftoppm's rendering, cut to the given size: it rounds a fractional pixel
// count up, the engine to the nearest whole pixel.
QImage poppler(const QString& pdf, int page, double dpi, const QSize& size, const QString& password = QString())
{
    return renderPage(pdf, page, dpi, {"-upw", password, "-x", "0", "-y", "0", "-W", QString::number(size.width()), "-H", QString::number(size.height())});
}

// The rendering matches pdftoppm's to the pixel.
bool sameAsPoppler(const QImage& got, const QString& pdf, int page, double dpi)
{
    return !got.isNull() && maxChannelDifference(got, poppler(pdf, page, dpi, got.size())) == 0;
}

} // namespace

class TestRender : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    PdfEngine engine{"FolioPdfEngine"};
    QString drawing;  // three pages

    QString path(const QString& name) { return dir.filePath(name); }

    // Renders a page of the selected document to BMP and reads it back.
    QImage rendered(int page, double dpi)
    {
        const QString out = path("rendered.bmp");
        return engine.RenderPageToFile(dpi, page, RenderBmp, out) == 1 ? readImage(out) : QImage();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(engine.LibraryLoaded());
        drawing = path("drawing.pdf");
        QVERIFY(writeDrawingPdf(drawing, 3));
    }

    void cleanupTestCase()
    {
        // Every file went through a temporary file beside its target; none is left.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Hidden | QDir::Files).filter(QRegularExpression("^\\.")), QStringList());
    }

    void rendersQuietly()
    {
        // First in this process to reach Poppler: nothing that Poppler says
        // about a damaged file may reach stderr.
        const QString pdf = path("noisy.pdf");
        QVERIFY(writePdf(pdf, {{QRectF(0, 0, 100, 100), 0, QRectF(), QString(),
                                "1 0 0 rg 10 10 50 50 re f BADOP BT /F9 12 Tf (x) Tj ET /Missing Do"}}));
        QByteArray bytes = readFile(pdf);
        bytes.replace("xref", "xxxx");
        QVERIFY(writeFile(pdf, bytes));

        bool loaded = false;
        int bmp = 0, tiff = 0;
        const QString said = stderrDuring([&] {
            loaded = loadOnly(engine, pdf);
            bmp = engine.RenderPageToFile(72, 1, RenderBmp, path("noisy.bmp"));
            tiff = engine.RenderAsMultipageTIFFToFile(72, "1", 0, 0, path("noisy.tif"));
        });
        QVERIFY(loaded);
        QCOMPARE(bmp, 1);
        QCOMPARE(tiff, 1);
        QCOMPARE(QColor(readImage(path("noisy.bmp")).pixel(20, 80)), QColor(255, 0, 0));
        QCOMPARE(said, QString());
    }

    void rendersAsPdftoppm_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<int>("page");
        QTest::addColumn<double>("dpi");
        QTest::newRow("bmp") << int(RenderBmp) << QByteArray("bmp") << 1 << 72.0;
        QTest::newRow("bmp, odd width") << int(RenderBmp) << QByteArray("bmp") << 2 << 97.0;
        QTest::newRow("png") << int(RenderPng) << QByteArray("png") << 2 << 150.0;
        QTest::newRow("png, page 0 is page 1") << int(RenderPng) << QByteArray("png") << 0 << 50.0;
        QTest::newRow("jpeg") << int(RenderJpeg) << QByteArray("jpeg") << 3 << 100.0;
        QTest::newRow("jpeg, quality 95") << RenderJpegAtQuality(95) << QByteArray("jpeg") << 1 << 80.0;
        QTest::newRow("tiff") << int(RenderTiff) << QByteArray("tiff") << 3 << 60.0;
    }

    void rendersAsPdftoppm()
    {
        QFETCH(int, option);
        QFETCH(QByteArray, format);
        QFETCH(int, page);
        QFETCH(double, dpi);
        QVERIFY(loadOnly(engine, drawing));
        // The preview renders to a name without extension: the option decides the format.
        const QString out = path("render");
        QCOMPARE(engine.RenderPageToFile(dpi, page, option, out), 1);
        QByteArray readFormat;
        QImage got = readImage(out, &readFormat);
        if (format == "tiff") {
            const QList<TiffPage> pages = readTiff(out);
            QCOMPARE(pages.size(), 1);
            QCOMPARE(pages[0].samplesPerPixel * pages[0].bitsPerSample, 24);
            got = pages[0].image;
        } else {
            QCOMPARE(readFormat, format);
        }
        // dpi / 72 pixels per point, whole pixels rounded up as pdftoppm does.
        const QSize points = page == 2 ? QSize(200, 300) : QSize(300, 200);
        QCOMPARE(got.size(), QSize(int(std::ceil(points.width() * dpi / 72)), int(std::ceil(points.height() * dpi / 72))));
        if (format == "jpeg")
            QVERIFY(meanChannelDifference(got, poppler(drawing, page, dpi, got.size())) < 3.0);
        else
            QVERIFY(sameAsPoppler(got, drawing, qMax(page, 1), dpi));
        if (format == "bmp")
            QCOMPARE(int(uchar(readFile(out).at(28))), 24);  // bits per pixel
    }

    void refusedRendersWriteNothing_data()
    {
        QTest::addColumn<double>("dpi");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("option");
        QTest::newRow("page past the end") << 72.0 << 4 << int(RenderPng);
        QTest::newRow("negative page") << 72.0 << -1 << int(RenderPng);
        QTest::newRow("unknown option") << 72.0 << 1 << 3;
        QTest::newRow("JPEG quality over 100") << 72.0 << 1 << RenderJpegAtQuality(101);
        QTest::newRow("quality of a PNG") << 72.0 << 1 << (RenderPng | 50 << 8);
        QTest::newRow("zero dpi") << 0.0 << 1 << int(RenderBmp);
        QTest::newRow("nan dpi") << qQNaN() << 1 << int(RenderBmp);
        QTest::newRow("infinite dpi") << qInf() << 1 << int(RenderBmp);
        QTest::newRow("too many pixels") << 8000.0 << 1 << int(RenderBmp);  // 300 x 200 pt: over 400 million
    }

    void refusedRendersWriteNothing()
    {
        QFETCH(double, dpi);
        QFETCH(int, page);
        QFETCH(int, option);
        QVERIFY(loadOnly(engine, drawing));
        QVERIFY(writeFile(path("existing.png"), "earlier contents"));
        QCOMPARE(engine.RenderPageToFile(dpi, page, option, path("fresh.png")), 0);
        QCOMPARE(engine.RenderPageToFile(dpi, page, option, path("existing.png")), 0);
        QVERIFY(!QFile::exists(path("fresh.png")));
        QCOMPARE(readFile(path("existing.png")), "earlier contents");
    }

    void unwritablePlacesFail()
    {
        QVERIFY(loadOnly(engine, drawing));
        for (const QString& target : {path("missing/folder/x.png"), dir.path(), QString()})
            QCOMPARE(engine.RenderPageToFile(72, 1, RenderPng, target), 0);
        QCOMPARE(engine.RenderAsMultipageTIFFToFile(72, "1", 0, 0, path("missing/x.tif")), 0);
    }

    void pageAsDisplayed_data()
    {
        QTest::addColumn<int>("rotate");
        QTest::addColumn<QPoint>("red");  // where the red square at the CropBox's bottom-left shows up
        QTest::newRow("upright") << 0 << QPoint(10, 190);
        QTest::newRow("90") << 90 << QPoint(10, 10);
        QTest::newRow("180") << 180 << QPoint(290, 10);
        QTest::newRow("270") << 270 << QPoint(190, 290);
    }

    void pageAsDisplayed()
    {
        QFETCH(int, rotate);
        QFETCH(QPoint, red);
        // MediaBox 400 x 300 with a 300 x 200 CropBox; a red square at the
        // CropBox's bottom-left corner, a blue one at its top-right, grey
        // outside it that must not show.
        const QString pdf = path("crop.pdf");
        QVERIFY(writePdf(pdf, {{QRectF(0, 0, 400, 300), rotate, QRectF(50, 40, 300, 200), QString(),
                                "0.5 g 0 0 400 300 re f 1 g 50 40 300 200 re f 1 0 0 rg 50 40 30 30 re f 0 0 1 rg 320 210 30 30 re f"}}));
        QVERIFY(loadOnly(engine, pdf));
        const QImage got = rendered(1, 72);
        const QSize size = rotate % 180 ? QSize(200, 300) : QSize(300, 200);
        QCOMPARE(got.size(), size);
        QCOMPARE(QColor(got.pixel(red)), QColor(255, 0, 0));
        QCOMPARE(QColor(got.pixel(size.width() - 1 - red.x(), size.height() - 1 - red.y())), QColor(0, 0, 255));
        QVERIFY(sameAsPoppler(got, pdf, 1, 72));
    }

    void multipageTiff()
    {
        QVERIFY(loadOnly(engine, drawing));
        const QString out = path("pages.tiff");
        QCOMPARE(engine.RenderAsMultipageTIFFToFile(60, "1-3", 0, 0, out), 1);
        QList<TiffPage> pages = readTiff(out);
        QCOMPARE(pages.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(pages[i].samplesPerPixel * pages[i].bitsPerSample, 24);
            QCOMPARE(pages[i].photometric, int(PHOTOMETRIC_RGB));
            QVERIFY(pages[i].compression == COMPRESSION_LZW || pages[i].compression == COMPRESSION_ADOBE_DEFLATE);
            QCOMPARE(pages[i].xResolution, 60.0);
            QCOMPARE(pages[i].yResolution, 60.0);
            QCOMPARE(pages[i].resolutionUnit, int(RESUNIT_INCH));
            QVERIFY(sameAsPoppler(pages[i].image, drawing, i + 1, 60));
        }
        // Lossless compression really compresses these mostly white pages.
        QVERIFY(QFileInfo(out).size() < 3 * 250 * 250 * 3 / 2);

        // Pages in the order listed, pages that do not exist passed over.
        QCOMPARE(engine.RenderAsMultipageTIFFToFile(30, "3, 1, 9-12", 0, 0, out), 1);
        pages = readTiff(out);
        QCOMPARE(pages.size(), 2);
        QVERIFY(sameAsPoppler(pages[0].image, drawing, 3, 30));
        QVERIFY(sameAsPoppler(pages[1].image, drawing, 1, 30));

        // Nothing to render, or one page too large: nothing written, the earlier file kept.
        const QByteArray before = readFile(out);
        QCOMPARE(engine.RenderAsMultipageTIFFToFile(30, "7-9", 0, 0, out), 0);
        QCOMPARE(engine.RenderAsMultipageTIFFToFile(30, "pages", 0, 0, out), 0);
        QCOMPARE(engine.RenderAsMultipageTIFFToFile(0, "1", 0, 0, out), 0);
        QCOMPARE(engine.RenderAsMultipageTIFFToFile(8000, "1-3", 0, 0, out), 0);
        QCOMPARE(readFile(out), before);
    }

    void editsAreRenderedAndRead()
    {
        // Rendering and text see the document as edited so far, after every change.
        QVERIFY(loadOnly(engine, drawing));
        QVERIFY(rendered(1, 40).width() > 0);
        QCOMPARE(engine.RotatePage(90), 1);
        QCOMPARE(run("qpdf", {"--rotate=+90:1", drawing, path("rotated.pdf")}), 0);
        QCOMPARE(rendered(1, 40).size(), QSize(112, 167));
        QVERIFY(sameAsPoppler(rendered(1, 40), path("rotated.pdf"), 1, 40));
        QVERIFY(engine.DeletePages(1, 1) > 0);
        QVERIFY(sameAsPoppler(rendered(1, 40), drawing, 2, 40));
        QVERIFY(engine.GetPageText(0).contains("Page 2"));
        QCOMPARE(engine.RenderPageToFile(40, 3, RenderBmp, path("gone.bmp")), 0);

        // As the image tool renders one page: a new document (its blank page
        // renders white), the page copied in, the blank first page deleted.
        const int source = engine.SelectedDocument();
        engine.NewDocument();
        const QImage blank = rendered(1, 36);
        QCOMPARE(blank.size(), QSize(306, 396));
        QCOMPARE(countPixels(blank, [](QRgb p) { return p != qRgb(255, 255, 255); }), 0);
        QVERIFY(engine.CopyPageRanges(source, "2-2") > 0);
        QVERIFY(engine.DeletePages(1, 1) > 0);
        QVERIFY(sameAsPoppler(rendered(1, 40), drawing, 3, 40));
        QVERIFY(engine.GetPageText(7).contains("Page 3"));
    }

    void documentsTakeTurns()
    {
        // One instance draws pages of several documents, in several formats,
        // in turn: each page shows its own document's text in its own fonts,
        // also when a document takes the place of one that was removed.
        const QString alpha = path("turn-alpha.pdf"), bravo = path("turn-bravo.pdf");
        QVERIFY(writeTextPdf(alpha, {"ALPHA one"}) && writeTextPdf(bravo, {"bravo TWO"}));
        QVERIFY(loadOnly(engine, alpha));
        const int first = engine.SelectedDocument();
        QCOMPARE(engine.LoadFromFile(bravo, QString()), 1);
        const int second = engine.SelectedDocument();
        const struct {
            int document;
            QString pdf;
            int option;
        } turns[] = {{first, alpha, RenderBmp}, {second, bravo, RenderBmp}, {first, alpha, RenderPng}, {second, bravo, RenderTiff}, {second, bravo, RenderBmp}};
        for (const auto& turn : turns) {
            QVERIFY(engine.SelectDocument(turn.document));
            const QString out = path(QString("turn.%1").arg(turn.option));
            QCOMPARE(engine.RenderPageToFile(45, 1, turn.option, out), 1);
            QVERIFY(sameAsPoppler(turn.option == RenderTiff ? readTiff(out).value(0).image : readImage(out), turn.pdf, 1, 45));
        }
        QCOMPARE(engine.RemoveDocument(first), 1);
        QCOMPARE(engine.LoadFromFile(alpha, QString()), 1);
        QVERIFY(sameAsPoppler(rendered(1, 45), alpha, 1, 45));
    }

    void largeRenderThenSmall()
    {
        // Pixels of a large page are let go of after it; the next page draws as usual.
        QVERIFY(loadOnly(engine, drawing));
        const QString large = path("large.jpg");
        QCOMPARE(engine.RenderPageToFile(1400, 1, RenderJpeg, large), 1);
        QCOMPARE(readImage(large).size(), QSize(5834, 3889));
        QVERIFY(sameAsPoppler(rendered(2, 50), drawing, 2, 50));
    }

    void replacedSourceFileIsNotRendered()
    {
        // The program saves over files it has loaded and reopens them; a
        // document always renders as it was loaded.
        const QString alpha = path("alpha.pdf"), bravo = path("bravo.pdf"), shared = path("shared.pdf");
        QVERIFY(writeTextPdf(alpha, {"ALPHA"}) && writeTextPdf(bravo, {"BRAVO", "SECOND"}) && writeTextPdf(shared, {"ALPHA"}));
        QVERIFY(loadOnly(engine, shared));
        QVERIFY(sameAsPoppler(rendered(1, 30), alpha, 1, 30));
        QSaveFile replace(shared);
        QVERIFY(replace.open(QIODevice::WriteOnly));
        replace.write(readFile(bravo));
        QVERIFY(replace.commit());
        QVERIFY(sameAsPoppler(rendered(1, 30), alpha, 1, 30));
        QCOMPARE(engine.GetPageText(0).trimmed(), "ALPHA");
        // Loaded again, the file's new contents count.
        QVERIFY(loadOnly(engine, shared));
        QCOMPARE(engine.PageCount(), 2);
        QVERIFY(sameAsPoppler(rendered(1, 30), bravo, 1, 30));
    }

    void damagedFilesNeverCrash()
    {
        const QByteArray good = readFile(drawing);
        QByteArray scrambled = good, noXref = good;
        for (int i = good.size() / 3; i < scrambled.size(); i += 97)
            scrambled[i] = char(scrambled[i] ^ 0x5a);
        noXref.replace("xref", "xxxx");
        for (const QByteArray& bytes : {good.left(good.size() / 2), good.left(good.size() - 40), scrambled, noXref}) {
            QVERIFY(writeFile(path("damaged.pdf"), bytes));
            QVERIFY(loadOnly(engine, drawing));
            if (engine.LoadFromFile(path("damaged.pdf"), QString()) != 1)
                continue;
            for (int page = 1; page <= engine.PageCount(); ++page) {
                if (engine.RenderPageToFile(36, page, RenderPng, path("damaged.png")) == 1)
                    QVERIFY(!readImage(path("damaged.png")).isNull());
                engine.SelectPage(page);
                engine.GetPageText(7);
            }
            engine.RenderAsMultipageTIFFToFile(20, "1-9", 0, 0, path("damaged.tif"));
        }
    }
};

QTEST_MAIN(TestRender)
#include "tst_render.moc"
