// Images to PDF on real image files, checked with Poppler's tools and QPDF:
// page sizes from pixels and recorded resolution, JPEG bytes kept, alpha kept
// as a soft mask, file-name bookmarks on the real pages when an image is left
// out, no password questions for images, an output that is one of the
// images, runs that write nothing. (A single image: tests/cli/tst_imagestopdf.cpp.)

#include "imagefixtures.h"
#include "imgtopdf.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "pdfread.h"
#include "pixels.h"
#include "questions.h"
#include "testsupport.h"
#include "toolsupport.h"

#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

// A picture of one colour at that resolution (0: the writer's default).
QImage picture(int width, int height, QColor colour, int dpi = 0)
{
    QImage image(width, height, colour.alpha() < 255 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(colour);
    if (dpi > 0) {
        image.setDotsPerMeterX(qRound(dpi / 0.0254));
        image.setDotsPerMeterY(qRound(dpi / 0.0254));
    }
    return image;
}

} // namespace

class TestImgToPdf : public ToolSuite
{
    Q_OBJECT

    ImgToPDF page{nullptr, toolRecord(5)};

    const RunReport& convert(const QStringList& names, const QString& out, bool bookmarks = false)
    {
        page.findChild<QRadioButton*>(bookmarks ? "radioButton_2" : "radioButton")->setChecked(true);
        script.queue(Question::SaveFileName, path(out));
        return page.run(pathsIn(dir, names));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(writeFile(path("photo.jpg"), jpegBytes(picture(1200, 600, Qt::red, 300))));
        QVERIFY(writeFile(path("turned.jpg"), withExif(jpegBytes(picture(400, 200, Qt::blue, 200)), 6)));
        QVERIFY(picture(300, 150, Qt::green, 150).save(path("plain.png")));
        QVERIFY(picture(192, 96, Qt::darkCyan, 96).save(path("screen.bmp")));
        QVERIFY(writeFile(path("nodpi.gif"), gifBytes(2, 1, {qRgb(0, 0, 0), qRgb(255, 255, 255)}, {0, 1})));
        QVERIFY(picture(200, 100, QColor(255, 0, 0, 0), 72).save(path("clear.png")));
        QVERIFY(writeFile(path("broken.png"), "\x89PNG\r\n\x1a\nthe rest is missing"));
        QVERIFY(writeTextPdf(path("doc.pdf"), {"a PDF"}));
        QVERIFY(encrypt(path("doc.pdf"), path("locked.png"), "pw", "owner"));
    }

    void pagesAsLargeAsTheirImages()
    {
        // An existing output is replaced without a question.
        QVERIFY(writeTextPdf(path("all.pdf"), {"old"}));
        const int asked = script.asked().size();
        const RunReport& report = convert({"photo.jpg", "turned.jpg", "plain.png", "screen.bmp", "nodpi.gif"}, "all.pdf");
        QVERIFY(report.isQuiet());
        QCOMPARE(script.asked().size() - asked, 1);
        QVERIFY(qpdfCheck(path("all.pdf")));
        // 300, 200 (turned a quarter by EXIF), 150 and 96 pixels an inch; none recorded counts as 72.
        QCOMPARE(pageBoxes(path("all.pdf")), QStringList({"0: 0.00 0.00 288.00 144.00", "0: 0.00 0.00 72.00 144.00", "0: 0.00 0.00 144.00 72.00",
                                                         "0: 0.00 0.00 144.00 72.00", "0: 0.00 0.00 2.00 1.00"}));
        QCOMPARE(pdfInfo(path("all.pdf")).value("Creator"), "Images-to-PDF");
        // Each image covers its page.
        const QImage first = renderPage(path("all.pdf"), 1, 72);
        QCOMPARE(countPixels(first, isReddish), first.width() * first.height());
        const QImage second = renderPage(path("all.pdf"), 2, 72);
        QCOMPARE(countPixels(second, isBluish), second.width() * second.height());
        QCOMPARE(page.engine->DocumentCount(), 1);
    }

    void jpegBytesAndAlphaKept()
    {
        convert({"photo.jpg", "clear.png"}, "kept.pdf");
        QTemporaryDir out;
        QCOMPARE(run("pdfimages", {"-j", "-f", "1", "-l", "1", path("kept.pdf"), out.filePath("x")}), 0);
        QCOMPARE(readFile(out.filePath("x-000.jpg")), readFile(path("photo.jpg")));
        const QList<ListedImage> listed = listImages(path("kept.pdf"));
        QCOMPARE(listed.size(), 3);
        QCOMPARE(listed[0].encoding, "jpeg");
        QCOMPARE(listed[2].type, "smask");
        // A fully clear picture shows the white page through it.
        QCOMPARE(countPixels(renderPage(path("kept.pdf"), 2, 72), isInk), 0);
    }

    void unreadableImagesAreLeftOut()
    {
        // Neither drawn as the image before them nor as a blank page; the
        // bookmarks point at the pages that are there. A PDF is no image,
        // protected or not, and asks no password.
        const RunReport& report =
            convert({"broken.png", "photo.jpg", "gone.jpg", "locked.png", "plain.png", "doc.pdf"}, "some.pdf", true);
        QCOMPARE(script.count(Question::Password), 0);
        QCOMPARE(report.problemLines(), QStringList({path("broken.png") + ": not an image that can be read; left out",
                                                     path("gone.jpg") + ": no such file; left out",
                                                     path("locked.png") + ": not an image that can be read; left out",
                                                     path("doc.pdf") + ": not an image that can be read; left out"}));
        QCOMPARE(report.outputsWritten(), QStringList{path("some.pdf")});
        QCOMPARE(pageBoxes(path("some.pdf")), QStringList({"0: 0.00 0.00 288.00 144.00", "0: 0.00 0.00 144.00 72.00"}));
        QCOMPARE(outlines(path("some.pdf"), WithPage), QStringList({"photo.jpg@1", "plain.png@2"}));
        QVERIFY(countPixels(renderPage(path("some.pdf"), 2, 72), isGreenish) > 0);
        // Nothing that reads: nothing is written.
        convert({"broken.png", "gone.jpg"}, "none.pdf");
        QVERIFY(!QFileInfo::exists(path("none.pdf")));
    }

    void runsThatWriteNothing()
    {
        // The output may not be one of the images: said, and the image stays.
        const QByteArray before = readFile(path("plain.png"));
        const RunReport& report = convert({"photo.jpg", "plain.png"}, "plain.png");
        QVERIFY(report.refused().contains(path("plain.png")));
        QCOMPARE(readFile(path("plain.png")), before);
        // No images, or a cancelled save question.
        const int asked = script.asked().size();
        page.run({});
        QCOMPARE(script.asked().size(), asked);
        script.queue(Question::SaveFileName, QString());
        QVERIFY(page.run({path("photo.jpg")}).isQuiet());
        // Stopped by the user: nothing is written.
        script.stopAfter(script.progressSteps().size() + 1);
        QVERIFY(convert({"photo.jpg", "plain.png"}, "stopped.pdf").cancelled());
        script.stopAfter(-1);
        QVERIFY(!QFileInfo::exists(path("stopped.pdf")));
    }
};

QTEST_MAIN(TestImgToPdf)
#include "tst_imgtopdf.moc"
