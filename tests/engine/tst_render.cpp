// Rendering pages to image files, checked against pdftoppm's rendering of the
// same pages: every output format, the page as displayed (CropBox and
// rotation), multi-page TIFF read back with libtiff, refused renders that
// write nothing, and documents whose source file was replaced.

#include "imagefixtures.h"
#include "pdfengine.h"
#include "testsupport.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>

#include <tiffio.h>
#include <unistd.h>

using namespace imagefixtures;

namespace {

// Pages of shapes, colours and text, the second one landscape.
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
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(18);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QPointF(20, 170), QStringLiteral("Page %1 ÄÖ").arg(i + 1));
    }
    return p.end();
}

// pdftoppm's rendering of the page as displayed (its CropBox), cut to the
// given size: pdftoppm rounds a fractional pixel count up, the engine to the
// nearest whole pixel.
QImage popplerRender(const QString& pdf, int page, double dpi, const QSize& size, const QString& password = QString())
{
    QTemporaryDir dir;
    QStringList args{QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), QString::number(page),
                     QStringLiteral("-l"), QString::number(page), QStringLiteral("-singlefile"), QStringLiteral("-cropbox"),
                     QStringLiteral("-x"), QStringLiteral("0"), QStringLiteral("-y"), QStringLiteral("0"),
                     QStringLiteral("-W"), QString::number(size.width()), QStringLiteral("-H"), QString::number(size.height())};
    if (!password.isEmpty())
        args << QStringLiteral("-upw") << password;
    args << pdf << dir.filePath(QStringLiteral("page"));
    if (testsupport::run(QStringLiteral("pdftoppm"), args) != 0)
        return QImage();
    return readImage(dir.filePath(QStringLiteral("page.ppm")));
}

QSize readImageSize(const QString& path, const QByteArray& format)
{
    if (format == "tiff") {
        const QList<TiffPage> pages = readTiff(path);
        return pages.isEmpty() ? QSize() : pages[0].image.size();
    }
    return readImage(path).size();
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestRender : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    PdfEngine* engine = nullptr;
    QString drawing;  // three pages

    QString path(const QString& name) { return dir.filePath(name); }

    void clearEngine()
    {
        while (engine->DocumentCount() > 1)
            engine->RemoveDocument(engine->GetDocumentID(1));
        engine->RemoveDocument(engine->GetDocumentID(1));
    }

    void load(const QString& pdf, const QString& password = QString())
    {
        clearEngine();
        QCOMPARE(engine->LoadFromFile(pdf, password), 1);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        engine = new PdfEngine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(engine->LibraryLoaded());
        drawing = path(QStringLiteral("drawing.pdf"));
        QVERIFY(writeDrawingPdf(drawing, 3));
    }

    void cleanupTestCase()
    {
        delete engine;
        const QStringList left = QDir(dir.path()).entryList(QDir::Hidden | QDir::Files).filter(QRegularExpression(QStringLiteral("^\\.")));
        QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char(' '))));
    }

    void rendersQuietly()
    {
        // First in this process to reach Poppler: nothing that Poppler says
        // about a damaged file may reach stderr.
        QPDF q;
        q.emptyPDF();
        QPDFObjectHandle page = q.makeIndirectObject(
            QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 100 100] /Resources << /Font << /F1 42 >> >> >>"));
        page.replaceKey("/Contents", q.newStream("1 0 0 rg 10 10 50 50 re f BADOP BT /F1 12 Tf (x) Tj ET /Missing Do"));
        QPDFPageDocumentHelper(q).addPage(QPDFPageObjectHelper(page), false);
        QPDFWriter w(q);
        w.setOutputMemory();
        w.write();
        std::shared_ptr<Buffer> buffer(w.getBufferSharedPointer());
        QByteArray bytes(reinterpret_cast<const char*>(buffer->getBuffer()), static_cast<int>(buffer->getSize()));
        bytes.replace("xref", "xxxx");
        const QString pdf = path(QStringLiteral("noisy.pdf"));
        QVERIFY(writeBytes(pdf, bytes));

        QTemporaryFile captured;
        QVERIFY(captured.open());
        fflush(stderr);
        const int saved = ::dup(2);
        ::dup2(captured.handle(), 2);
        load(pdf);
        const int bmp = engine->RenderPageToFile(72, 1, 0, path(QStringLiteral("noisy.bmp")));
        const int tiff = engine->RenderAsMultipageTIFFToFile(72, QStringLiteral("1"), 0, 0, path(QStringLiteral("noisy.tif")));
        fflush(stderr);
        ::dup2(saved, 2);
        ::close(saved);
        QCOMPARE(bmp, 1);
        QCOMPARE(tiff, 1);
        QCOMPARE(QColor(readImage(path(QStringLiteral("noisy.bmp"))).pixel(20, 80)), QColor(255, 0, 0));
        captured.seek(0);
        QCOMPARE(QString::fromLocal8Bit(captured.readAll()), QString());
    }

    void rendersAsPdftoppm_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<int>("page");
        QTest::addColumn<double>("dpi");
        QTest::newRow("bmp") << 0 << QByteArray("bmp") << 1 << 72.0;
        QTest::newRow("bmp, odd width") << 0 << QByteArray("bmp") << 2 << 97.0;
        QTest::newRow("png") << 5 << QByteArray("png") << 2 << 150.0;
        QTest::newRow("jpeg") << 1 << QByteArray("jpeg") << 3 << 100.0;
        QTest::newRow("tiff") << 7 << QByteArray("tiff") << 3 << 60.0;
    }

    void rendersAsPdftoppm()
    {
        QFETCH(int, option);
        QFETCH(QByteArray, format);
        QFETCH(int, page);
        QFETCH(double, dpi);
        load(drawing);
        // The preview renders to a name without extension: the option decides the format.
        const QString out = path(QStringLiteral("render-") + QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_')));
        QCOMPARE(engine->RenderPageToFile(dpi, page, option, out), 1);
        const QImage expected = popplerRender(drawing, page, dpi, readImageSize(out, format));
        QVERIFY(!expected.isNull());
        QImage got;
        if (format == "tiff") {
            const QList<TiffPage> pages = readTiff(out);
            QCOMPARE(pages.size(), 1);
            QCOMPARE(pages[0].samplesPerPixel, 3);
            QCOMPARE(pages[0].bitsPerSample, 8);
            got = pages[0].image;
        } else {
            QByteArray readFormat;
            got = readImage(out, &readFormat);
            QCOMPARE(readFormat, format);
        }
        // dpi / 72 pixels per point.
        const QSize points = page == 2 ? QSize(200, 300) : QSize(300, 200);
        QCOMPARE(got.size(), QSize(qRound(points.width() * dpi / 72), qRound(points.height() * dpi / 72)));
        if (format == "jpeg") {
            QVERIFY(meanChannelDifference(got, expected) < 2.0);
        } else {
            QCOMPARE(maxChannelDifference(got, expected), 0);
        }
        if (format == "bmp") {
            // 24 bits per pixel.
            const QByteArray bytes = fileBytes(out);
            QCOMPARE(static_cast<int>(static_cast<uchar>(bytes.at(28))), 24);
        }
        // Anti-aliased: the ellipse's edge has colours between its fill and the page.
        QSet<QRgb> colours;
        const QImage rgb = got.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); ++y)
            for (int x = 0; x < rgb.width(); ++x)
                colours.insert(rgb.pixel(x, y));
        QVERIFY(colours.size() > 20);
    }

    void pageZeroIsTheFirstPage()
    {
        load(drawing);
        const QString zero = path(QStringLiteral("page-zero.png")), one = path(QStringLiteral("page-one.png"));
        QCOMPARE(engine->RenderPageToFile(50, 0, 5, zero), 1);
        QCOMPARE(engine->RenderPageToFile(50, 1, 5, one), 1);
        QCOMPARE(maxChannelDifference(readImage(zero), readImage(one)), 0);
    }

    void refusedRendersWriteNothing_data()
    {
        QTest::addColumn<double>("dpi");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("option");
        QTest::newRow("page past the end") << 72.0 << 4 << 5;
        QTest::newRow("negative page") << 72.0 << -1 << 5;
        QTest::newRow("unknown option") << 72.0 << 1 << 3;
        QTest::newRow("zero dpi") << 0.0 << 1 << 0;
        QTest::newRow("negative dpi") << -72.0 << 1 << 0;
        QTest::newRow("nan dpi") << qQNaN() << 1 << 0;
        QTest::newRow("infinite dpi") << qInf() << 1 << 0;
        // 300 x 200 pt at 8000 dpi: over 400 million pixels.
        QTest::newRow("too many pixels") << 8000.0 << 1 << 0;
    }

    void refusedRendersWriteNothing()
    {
        QFETCH(double, dpi);
        QFETCH(int, page);
        QFETCH(int, option);
        load(drawing);
        const QString fresh = path(QStringLiteral("refused-new.png"));
        const QString existing = path(QStringLiteral("refused-existing.png"));
        QVERIFY(writeBytes(existing, "earlier contents"));
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(engine->RenderPageToFile(dpi, page, option, fresh), 0);
        QCOMPARE(engine->RenderPageToFile(dpi, page, option, existing), 0);
        QVERIFY(timer.elapsed() < 5000);  // refused before any pixel is drawn
        QVERIFY(!QFile::exists(fresh));
        QCOMPARE(fileBytes(existing), QByteArray("earlier contents"));
    }

    void unwritablePlacesFail()
    {
        load(drawing);
        QCOMPARE(engine->RenderPageToFile(72, 1, 5, path(QStringLiteral("missing/folder/x.png"))), 0);
        QCOMPARE(engine->RenderPageToFile(72, 1, 5, dir.path()), 0);
        QCOMPARE(engine->RenderPageToFile(72, 1, 5, QString()), 0);
        QCOMPARE(engine->RenderAsMultipageTIFFToFile(72, QStringLiteral("1"), 0, 0, path(QStringLiteral("missing/x.tif"))), 0);
    }

    void pageAsDisplayed_data()
    {
        QTest::addColumn<int>("rotate");
        QTest::addColumn<QSize>("size");
        // Where the red corner square (the CropBox's bottom-left) shows up.
        QTest::addColumn<QPoint>("red");
        QTest::newRow("upright") << 0 << QSize(300, 200) << QPoint(10, 190);
        QTest::newRow("90") << 90 << QSize(200, 300) << QPoint(10, 10);
        QTest::newRow("180") << 180 << QSize(300, 200) << QPoint(290, 10);
        QTest::newRow("270") << 270 << QSize(200, 300) << QPoint(190, 290);
    }

    void pageAsDisplayed()
    {
        QFETCH(int, rotate);
        QFETCH(QSize, size);
        QFETCH(QPoint, red);
        // MediaBox 400 x 300, CropBox 300 x 200 inside it; a red square at the
        // CropBox's bottom-left corner, a blue one at its top-right, and grey
        // outside the CropBox that must not show.
        const QString pdf = path(QStringLiteral("crop-%1.pdf").arg(rotate));
        {
            QPDF q;
            q.emptyPDF();
            QPDFObjectHandle page = q.makeIndirectObject(QPDFObjectHandle::parse(
                "<< /Type /Page /MediaBox [0 0 400 300] /CropBox [50 40 350 240] /Resources << >> /Rotate "
                + std::to_string(rotate) + " >>"));
            page.replaceKey("/Contents", q.newStream("0.5 g 0 0 400 300 re f 1 g 50 40 300 200 re f "
                                                     "1 0 0 rg 50 40 30 30 re f 0 0 1 rg 320 210 30 30 re f"));
            QPDFPageDocumentHelper(q).addPage(QPDFPageObjectHelper(page), false);
            // QPDFWriter keeps the name, not a copy.
            const QByteArray fileName = QFile::encodeName(pdf);
            QPDFWriter w(q, fileName.constData());
            w.write();
        }
        load(pdf);
        const QString out = path(QStringLiteral("crop-%1.bmp").arg(rotate));
        QCOMPARE(engine->RenderPageToFile(72, 1, 0, out), 1);
        const QImage got = readImage(out);
        QCOMPARE(got.size(), size);
        QCOMPARE(QColor(got.pixel(red)), QColor(255, 0, 0));
        QCOMPARE(QColor(got.pixel(size.width() - 1 - red.x(), size.height() - 1 - red.y())), QColor(0, 0, 255));
        QCOMPARE(maxChannelDifference(got, popplerRender(pdf, 1, 72, got.size())), 0);
    }

    void multipageTiff()
    {
        load(drawing);
        const QString out = path(QStringLiteral("pages.tiff"));
        QCOMPARE(engine->RenderAsMultipageTIFFToFile(60, QStringLiteral("1-3"), 0, 0, out), 1);
        const QList<TiffPage> pages = readTiff(out);
        QCOMPARE(pages.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(pages[i].samplesPerPixel, 3);
            QCOMPARE(pages[i].bitsPerSample, 8);
            QCOMPARE(pages[i].photometric, int(PHOTOMETRIC_RGB));
            QVERIFY(pages[i].compression == COMPRESSION_LZW || pages[i].compression == COMPRESSION_ADOBE_DEFLATE);
            QCOMPARE(pages[i].xResolution, 60.0);
            QCOMPARE(pages[i].yResolution, 60.0);
            QCOMPARE(pages[i].resolutionUnit, int(RESUNIT_INCH));
            QCOMPARE(maxChannelDifference(pages[i].image, popplerRender(drawing, i + 1, 60, pages[i].image.size())), 0);
        }
        // Lossless compression really compresses these mostly white pages.
        QVERIFY(QFileInfo(out).size() < 3 * 250 * 250 * 3 / 2);

        // Pages in the order listed, pages that do not exist passed over.
        QCOMPARE(engine->RenderAsMultipageTIFFToFile(30, QStringLiteral("3, 1, 9-12"), 0, 0, out), 1);
        const QList<TiffPage> picked = readTiff(out);
        QCOMPARE(picked.size(), 2);
        QCOMPARE(maxChannelDifference(picked[0].image, popplerRender(drawing, 3, 30, picked[0].image.size())), 0);
        QCOMPARE(maxChannelDifference(picked[1].image, popplerRender(drawing, 1, 30, picked[1].image.size())), 0);

        // Nothing to render: nothing written, the earlier file kept.
        const QByteArray before = fileBytes(out);
        QCOMPARE(engine->RenderAsMultipageTIFFToFile(30, QStringLiteral("7-9"), 0, 0, out), 0);
        QCOMPARE(engine->RenderAsMultipageTIFFToFile(30, QStringLiteral("pages"), 0, 0, out), 0);
        QCOMPARE(engine->RenderAsMultipageTIFFToFile(0, QStringLiteral("1"), 0, 0, out), 0);
        // One page too large fails the whole file.
        QCOMPARE(engine->RenderAsMultipageTIFFToFile(8000, QStringLiteral("1-3"), 0, 0, out), 0);
        QCOMPARE(fileBytes(out), before);
    }

    void newDocumentRendersItsBlankPage()
    {
        clearEngine();
        engine->NewDocument();
        const QString out = path(QStringLiteral("blank.png"));
        QCOMPARE(engine->RenderPageToFile(36, 1, 5, out), 1);
        const QImage got = readImage(out);
        QCOMPARE(got.size(), QSize(306, 396));
        QImage white(got.size(), QImage::Format_RGB32);
        white.fill(Qt::white);
        QCOMPARE(maxChannelDifference(got, white), 0);
    }

    void editsAreRenderedAndRead()
    {
        // Rendering and text see the document as edited so far, after every change.
        load(drawing);
        const QString out = path(QStringLiteral("edited.bmp"));
        QCOMPARE(engine->RenderPageToFile(40, 1, 0, out), 1);
        QCOMPARE(engine->RotatePage(90), 1);
        const QString rotated = path(QStringLiteral("rotated.pdf"));
        QCOMPARE(testsupport::run(QStringLiteral("qpdf"), {QStringLiteral("--rotate=+90:1"), drawing, rotated}), 0);
        QCOMPARE(engine->RenderPageToFile(40, 1, 0, out), 1);
        QImage got = readImage(out);
        QCOMPARE(got.size(), QSize(111, 167));
        QCOMPARE(maxChannelDifference(got, popplerRender(rotated, 1, 40, got.size())), 0);

        QVERIFY(engine->DeletePages(1, 1) > 0);
        QCOMPARE(engine->PageCount(), 2);
        QCOMPARE(engine->RenderPageToFile(40, 1, 0, out), 1);
        got = readImage(out);
        QCOMPARE(maxChannelDifference(got, popplerRender(drawing, 2, 40, got.size())), 0);
        QVERIFY(engine->SelectPage(1));
        QVERIFY(engine->GetPageText(0).contains(QStringLiteral("Page 2")));
        QCOMPARE(engine->RenderPageToFile(40, 3, 0, out), 0);

        // As the image tool renders one page: a new document, the page copied
        // in, the blank first page deleted.
        const int source = engine->SelectedDocument();
        const int single = engine->NewDocument();
        QVERIFY(engine->CopyPageRanges(source, QStringLiteral("2-2")) > 0);
        QVERIFY(engine->DeletePages(1, 1) > 0);
        QCOMPARE(engine->PageCount(), 1);
        QCOMPARE(engine->RenderPageToFile(40, 1, 0, out), 1);
        got = readImage(out);
        QCOMPARE(maxChannelDifference(got, popplerRender(drawing, 3, 40, got.size())), 0);
        QVERIFY(engine->SelectPage(1));
        QVERIFY(engine->GetPageText(7).contains(QStringLiteral("Page 3")));
        QCOMPARE(engine->RemoveDocument(single), 1);
    }

    void documentsTakeTurns()
    {
        // One instance draws pages of several documents, in several formats,
        // in turn: each page shows its own document's text in its own fonts,
        // also when a document takes the place of one that was removed.
        const QString alpha = path(QStringLiteral("turn-alpha.pdf")), bravo = path(QStringLiteral("turn-bravo.pdf"));
        QVERIFY(testsupport::writeTextPdf(alpha, {QStringLiteral("ALPHA one")}));
        QVERIFY(testsupport::writeTextPdf(bravo, {QStringLiteral("bravo TWO")}));
        clearEngine();
        QCOMPARE(engine->LoadFromFile(alpha, QString()), 1);
        const int first = engine->SelectedDocument();
        QCOMPARE(engine->LoadFromFile(bravo, QString()), 1);
        const int second = engine->SelectedDocument();
        struct Turn {
            int document;
            QString pdf;
            int option;
        };
        const QList<Turn> turns{{first, alpha, 0}, {second, bravo, 0}, {first, alpha, 5}, {second, bravo, 7}, {second, bravo, 0}};
        for (const Turn& turn : turns) {
            QVERIFY(engine->SelectDocument(turn.document));
            const QString out = path(QStringLiteral("turn.%1").arg(turn.option));
            QCOMPARE(engine->RenderPageToFile(45, 1, turn.option, out), 1);
            const QImage got = turn.option == 7 ? readTiff(out).value(0).image : readImage(out);
            QCOMPARE(maxChannelDifference(got, popplerRender(turn.pdf, 1, 45, got.size())), 0);
        }
        QCOMPARE(engine->RemoveDocument(first), 1);
        QCOMPARE(engine->LoadFromFile(alpha, QString()), 1);
        const QString out = path(QStringLiteral("turn-again.bmp"));
        QCOMPARE(engine->RenderPageToFile(45, 1, 0, out), 1);
        QCOMPARE(maxChannelDifference(readImage(out), popplerRender(alpha, 1, 45, readImage(out).size())), 0);
    }

    void largeRenderThenSmall()
    {
        // Pixels of a large page are let go of after it; the next page draws as usual.
        load(drawing);
        const QString large = path(QStringLiteral("large.jpg")), small = path(QStringLiteral("small.bmp"));
        QCOMPARE(engine->RenderPageToFile(1400, 1, 1, large), 1);
        QCOMPARE(readImage(large).size(), QSize(5833, 3889));
        QCOMPARE(engine->RenderPageToFile(50, 2, 0, small), 1);
        QCOMPARE(maxChannelDifference(readImage(small), popplerRender(drawing, 2, 50, readImage(small).size())), 0);
    }

    void replacedSourceFileIsNotRendered()
    {
        // The program saves over files it has loaded and reopens them; a
        // document always renders as it was loaded.
        const QString alpha = path(QStringLiteral("alpha.pdf")), bravo = path(QStringLiteral("bravo.pdf"));
        const QString shared = path(QStringLiteral("shared.pdf"));
        QVERIFY(testsupport::writeTextPdf(alpha, {QStringLiteral("ALPHA")}));
        QVERIFY(testsupport::writeTextPdf(bravo, {QStringLiteral("BRAVO"), QStringLiteral("SECOND")}));
        QVERIFY(QFile::copy(alpha, shared));
        load(shared);
        const QString before = path(QStringLiteral("before.bmp"));
        QCOMPARE(engine->RenderPageToFile(30, 1, 0, before), 1);

        QSaveFile replace(shared);
        QVERIFY(replace.open(QIODevice::WriteOnly));
        replace.write(fileBytes(bravo));
        QVERIFY(replace.commit());

        const QString after = path(QStringLiteral("after.bmp"));
        QCOMPARE(engine->RenderPageToFile(30, 1, 0, after), 1);
        const QImage alphaPage = popplerRender(alpha, 1, 30, readImage(before).size());
        QCOMPARE(maxChannelDifference(readImage(before), alphaPage), 0);
        QCOMPARE(maxChannelDifference(readImage(after), alphaPage), 0);
        QVERIFY(maxChannelDifference(readImage(after), popplerRender(bravo, 1, 30, alphaPage.size())) > 0);
        QVERIFY(engine->SelectPage(1));
        QCOMPARE(engine->GetPageText(0).trimmed(), QStringLiteral("ALPHA"));

        // Loaded again, the file's new contents count.
        load(shared);
        QCOMPARE(engine->PageCount(), 2);
        QCOMPARE(engine->RenderPageToFile(30, 1, 0, after), 1);
        QCOMPARE(maxChannelDifference(readImage(after), popplerRender(bravo, 1, 30, alphaPage.size())), 0);
    }

    void encryptedFilesRender_data()
    {
        QTest::addColumn<QStringList>("encryption");
        QTest::addColumn<QString>("password");
        QTest::newRow("aes-256, user password") << QStringList{QStringLiteral("user"), QStringLiteral("owner"), QStringLiteral("256")} << QStringLiteral("user");
        QTest::newRow("aes-256, owner password") << QStringList{QStringLiteral("user"), QStringLiteral("owner"), QStringLiteral("256")} << QStringLiteral("owner");
        QTest::newRow("aes-128") << QStringList{QStringLiteral("user"), QStringLiteral("owner"), QStringLiteral("128"), QStringLiteral("--use-aes=y")} << QStringLiteral("user");
        QTest::newRow("rc4, empty user password") << QStringList{QString(), QStringLiteral("owner"), QStringLiteral("128"), QStringLiteral("--use-aes=n")} << QString();
    }

    void encryptedFilesRender()
    {
        QFETCH(QStringList, encryption);
        QFETCH(QString, password);
        const QString pdf = path(QStringLiteral("encrypted-%1.pdf").arg(QString::fromLatin1(QTest::currentDataTag()).remove(QRegularExpression(QStringLiteral("\\W")))));
        QStringList args{QStringLiteral("--allow-weak-crypto"), QStringLiteral("--encrypt")};
        args << encryption << QStringLiteral("--") << drawing << pdf;
        QCOMPARE(testsupport::run(QStringLiteral("qpdf"), args), 0);
        load(pdf, password);
        const QString out = path(QStringLiteral("encrypted.png"));
        QCOMPARE(engine->RenderPageToFile(40, 2, 5, out), 1);
        const QImage got = readImage(out);
        QCOMPARE(maxChannelDifference(got, popplerRender(drawing, 2, 40, got.size())), 0);
        QVERIFY(engine->SelectPage(1));
        QVERIFY(engine->GetPageText(0).contains(QStringLiteral("Page 1")));
    }

    void damagedFilesNeverCrash()
    {
        const QByteArray good = fileBytes(drawing);
        QList<QByteArray> inputs;
        inputs << good.left(good.size() / 2) << good.left(good.size() - 40);
        QByteArray scrambled = good;
        for (int i = good.size() / 3; i < scrambled.size(); i += 97)
            scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5a);
        inputs << scrambled;
        QByteArray noXref = good;
        noXref.replace("xref", "xxxx");
        inputs << noXref;
        inputs << QByteArray("not a pdf at all") << QByteArray();
        for (int i = 0; i < inputs.size(); ++i) {
            const QString pdf = path(QStringLiteral("damaged-%1.pdf").arg(i));
            QVERIFY(writeBytes(pdf, inputs[i]));
            clearEngine();
            if (engine->LoadFromFile(pdf, QString()) != 1)
                continue;
            const QString out = path(QStringLiteral("damaged-%1.png").arg(i));
            for (int page = 1; page <= engine->PageCount(); ++page) {
                if (engine->RenderPageToFile(36, page, 5, out) == 1)
                    QVERIFY(!readImage(out).isNull());
                engine->SelectPage(page);
                engine->GetPageText(7);
            }
            engine->RenderAsMultipageTIFFToFile(20, QStringLiteral("1-9"), 0, 0, path(QStringLiteral("damaged.tif")));
        }
        QCOMPARE(engine->DocumentCount(), 1);
    }
};

QTEST_MAIN(TestRender)
#include "tst_render.moc"
