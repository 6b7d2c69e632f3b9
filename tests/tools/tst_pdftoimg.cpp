// PDF to images on real PDFs: each format against pdftoppm's pixels (the TIFF
// read with libtiff), output names, existing outputs, the TIFF file's name,
// inputs that end the run before any question about the output, failures
// and a stopped run, and no temporary file left behind.

#include "imagefixtures.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "pdftoimg.h"
#include "pixels.h"
#include "questions.h"
#include "testsupport.h"
#include "toolsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestPdfToImg : public ToolSuite
{
    Q_OBJECT

    QString tmp;  // the runs' temporary folder
    std::unique_ptr<PDFtoImg> page;

    // A run with these choices; the folder (or the TIFF file) answered, then
    // an existing file's question when `exists` is given.
    const RunReport& render(const QStringList& inputs, int format, const QString& answer, const QString& dpi = "72",
                            int quality = 80, const QVariant& exists = QVariant())
    {
        page->findChild<QComboBox*>("comboBox")->setCurrentIndex(format);
        page->findChild<QComboBox*>("comboBox_2")->setCurrentText(dpi);
        page->findChild<QSlider*>("horizontalSlider")->setValue(quality);
        script.queue(format == PDFtoImg::Tiff ? Question::SaveFileName : Question::ExistingDirectory, answer);
        if (exists.isValid())
            script.queue(Question::FileExists, exists);
        return page->run(pathsIn(dir, inputs));
    }

    // How far an image is from pdftoppm's rendering of that page: -1 when their sizes differ.
    double distance(const QImage& image, int pageNumber, int dpi)
    {
        return meanChannelDifference(image.convertToFormat(QImage::Format_RGB32), renderPage(path("report.pdf"), pageNumber, dpi));
    }

private slots:
    void initTestCase()
    {
        tmp = ownTemporaryFolder(dir);
        page = std::make_unique<PDFtoImg>(nullptr, toolRecord(7));
        // Portrait, landscape by rotation, and a page cropped to part of its
        // media box; sizes of no whole number of pixels at 96 and 150 dpi.
        QVERIFY(writePdf(path("report.pdf"), {{QRectF(0, 0, 612, 792), 0, QRectF(), "Portrait"},
                                               {QRectF(0, 0, 595, 842), 90, QRectF(), "Rotated"},
                                               {QRectF(0, 0, 595, 842), 0, QRectF(50, 80, 400.3, 500), "Cropped"}}));
        QVERIFY(writeTextPdf(path("scan"), {"one", "two"}));
        QVERIFY(encrypt(path("scan"), path("locked.pdf"), "pw", "owner"));
        QVERIFY(writeFile(path("notes.pdf"), "not a PDF at all"));
        QVERIFY(writePdf(path("nopages.pdf"), std::vector<PageLayout>{}));
    }

    void cleanup()
    {
        QVERIFY2(filesIn(tmp).isEmpty(), "a temporary file was left");
        checkScript();
    }

    void pagesAsPdftoppmDrawsThem_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<QString>("type");
        QTest::addColumn<double>("tolerance");
        QTest::newRow("JPEG") << int(PDFtoImg::Jpeg) << 72 << "jpeg" << 3.0;
        QTest::newRow("BMP") << int(PDFtoImg::Bmp) << 96 << "bmp" << 0.0;
        QTest::newRow("PNG") << int(PDFtoImg::Png) << 150 << "png" << 0.0;
    }

    void pagesAsPdftoppmDrawsThem()
    {
        QFETCH(int, format);
        QFETCH(int, dpi);
        QFETCH(QString, type);
        QFETCH(double, tolerance);
        const QString out = emptyFolder(dir, "pages");
        const int steps = script.progressSteps().size();
        QVERIFY(render({"report.pdf"}, format, out, QString::number(dpi)).isQuiet());
        QCOMPARE(filesIn(out), QStringList({"report Page 1." + type, "report Page 2." + type, "report Page 3." + type}));
        QCOMPARE(script.progressSteps().value(steps), "Rendering report Page 3." + type + " (1 of 3)");  // the last page first
        for (int p = 1; p <= 3; ++p) {
            QByteArray read;
            const QImage image = readImage(QDir(out).filePath(QString("report Page %1.%2").arg(p).arg(type)), &read);
            QCOMPARE(QString(read), type);
            const double d = distance(image, p, dpi);
            QVERIFY2(d >= 0 && d <= tolerance, qPrintable(QString("page %1: %2").arg(p).arg(d)));
        }
    }

    void tiffFile()
    {
        // The name as typed; a name without extension gets ".tiff".
        const QString out = emptyFolder(dir, "tiff");
        QCOMPARE(render({"report.pdf"}, PDFtoImg::Tiff, QDir(out).filePath("all.TIFF")).outputsWritten(), QStringList{QDir(out).filePath("all.TIFF")});
        QCOMPARE(render({"report.pdf"}, PDFtoImg::Tiff, QDir(out).filePath("all")).outputsWritten(), QStringList{QDir(out).filePath("all.tiff")});
        QCOMPARE(script.asked().last().filter, "TIFF File (*.TIFF)");
        const QList<TiffPage> pages = readTiff(QDir(out).filePath("all.tiff"));
        QCOMPARE(pages.size(), 3);
        for (int p = 1; p <= 3; ++p) {
            QCOMPARE(pages[p - 1].xResolution, 72.0);
            QCOMPARE(distance(pages[p - 1].image, p, 72), 0.0);
        }
        // That name with its extension names a file that exists: asked about it.
        QVERIFY(render({"report.pdf"}, PDFtoImg::Tiff, QDir(out).filePath("all"), "72", 80, 2).outputsWritten().isEmpty());
        QCOMPARE(script.asked().last().text, "all.tiff");
        // Never over the PDF being rendered.
        const QByteArray before = readFile(path("report.pdf"));
        QCOMPARE(render({"report.pdf"}, PDFtoImg::Tiff, path("report.pdf")).problemLines(),
                 QStringList{path("report.pdf") + ": not written: it is the PDF being rendered, which is never written over"});
        QCOMPARE(readFile(path("report.pdf")), before);
    }

    void jpegQualityNamesAndExistingFiles()
    {
        auto* combo = page->findChild<QComboBox*>("comboBox");
        const QList<QWidget*> row{page->findChild<QSlider*>("horizontalSlider"), page->findChild<QLabel*>("label_3")};
        for (int format : {int(PDFtoImg::Bmp), int(PDFtoImg::Jpeg)}) {
            combo->setCurrentIndex(format);
            for (QWidget* w : row)
                QCOMPARE(w->isVisibleTo(page.get()), format == PDFtoImg::Jpeg);
        }
        // The quality chosen is the JPEG's: its first luminance quantizer is
        // 255 at 1, 1 at 100. A name without an extension gets one ("scan"
        // gives "scan Page 1.jpeg"); an existing page skipped stays as it was.
        for (int quality : {1, 100}) {
            const QString out = emptyFolder(dir, "quality");
            QVERIFY(writeFile(QDir(out).filePath("scan Page 2.jpeg"), "keep"));
            render({"scan"}, PDFtoImg::Jpeg, out, "72", quality, 2);  // "Skip"
            QCOMPARE(filesIn(out), QStringList({"scan Page 1.jpeg", "scan Page 2.jpeg"}));
            QCOMPARE(readFile(QDir(out).filePath("scan Page 2.jpeg")), QByteArray("keep"));
            const QByteArray jpeg = readFile(QDir(out).filePath("scan Page 1.jpeg"));
            QCOMPARE(int(uchar(jpeg.at(jpeg.indexOf("\xff\xdb") + 5))), quality == 1 ? 255 : 1);
        }
    }

    void inputsThatEndTheRunEarly_data()
    {
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QVariantList>("passwords");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<int>("written");
        QTest::newRow("not a PDF") << QStringList{"notes.pdf"} << QVariantList() << "notes.pdf: not a PDF; left out" << 0;
        QTest::newRow("no pages") << QStringList{"nopages.pdf"} << QVariantList() << "nopages.pdf: has no pages; left out" << 0;
        QTest::newRow("protected, cancelled") << QStringList{"locked.pdf"} << QVariantList{QVariant()} << "locked.pdf: protected: needs a password; left out" << 0;
        QTest::newRow("protected, opened") << QStringList{"locked.pdf"} << QVariantList{"pw"} << "" << 2;
        // Only the first file is rendered: the second is never opened.
        QTest::newRow("two files") << QStringList{"scan", "locked.pdf"} << QVariantList() << "" << 2;
    }

    void inputsThatEndTheRunEarly()
    {
        QFETCH(QStringList, inputs);
        QFETCH(QVariantList, passwords);
        QFETCH(QString, problem);
        QFETCH(int, written);
        for (const QVariant& password : passwords)
            script.queue(Question::Password, password);
        const QStringList paths = pathsIn(dir, inputs);
        if (written)
            script.queue(Question::ExistingDirectory, emptyFolder(dir, "early"));
        const int asked = script.asked().size();
        const RunReport& report = page->run(paths);
        QCOMPARE(script.asked().size() - asked, passwords.size() + (written ? 1 : 0));
        QCOMPARE(report.problemLines(), problem.isEmpty() ? QStringList() : QStringList{path(problem)});
        QCOMPARE(report.outputsWritten().size(), written);
        QCOMPARE(page->engine->DocumentCount(), 1);
    }

    void failuresAndStops()
    {
        // Outputs that cannot be written are reported, and nothing is left.
        const RunReport& failed = render({"report.pdf"}, PDFtoImg::Jpeg, path("no/such/folder"));
        QCOMPARE(failed.problemLines().size(), 3);
        QCOMPARE(failed.problemLines()[0], path("no/such/folder/report Page 3.jpeg: not written: its folder does not exist"));
        // Stopped after the first page: that page is whole, no other is there.
        const QString out = emptyFolder(dir, "stopped");
        script.stopAfter(script.progressSteps().size() + 2);
        QVERIFY(render({"report.pdf"}, PDFtoImg::Png, out).cancelled());
        script.stopAfter(-1);
        QCOMPARE(filesIn(out), QStringList{"report Page 3.png"});
        QCOMPARE(readImage(QDir(out).filePath("report Page 3.png")).size(), QSize(401, 500));
    }
};

QTEST_MAIN(TestPdfToImg)
#include "tst_pdftoimg.moc"
