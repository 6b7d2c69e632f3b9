// folioforge-cli extract-images (against the desktop: tst_desktop): PDFs
// without images, which are no failure, and one that does not open, which is.

#include "clisupport.h"
#include "pdfbuild.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestExtractImages : public CliSuite
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(qRgb(200, 40, 90));
        Builder b;
        b.addPage(Builder::draw(b.image(picture, {Filter::DCT}), 0, 0, 40, 30) + Builder::draw(b.image(picture, {Filter::Flate}), 50, 0, 40, 30));
        QVERIFY(b.write(path("pics.pdf")));
        QVERIFY(writeTextPdf(path("text.pdf"), {"words only"}));
    }

    void withoutImagesAndBadInputs()
    {
        // No images: said on stderr, and no failure.
        auto r = runCli({"extract-images", "-o", "none", "text.pdf"}, dir.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.errLines(), QStringList{"folioforge-cli: " + path("text.pdf") + ": has no images"});
        QVERIFY(QDir(path("none")).isEmpty());
        // An input that does not open fails the run; the others are saved.
        QVERIFY(writeFile(path("bad.pdf"), "no PDF"));
        r = runCli({"extract-images", "-o", "some", "bad.pdf", "pics.pdf"}, dir.path());
        QCOMPARE(r.status, 1);
        QCOMPARE(r.errLines(), QStringList{"folioforge-cli: bad.pdf: not a PDF"});
        QCOMPARE(r.outLines(), QStringList({path("some/pics_image_0.png"), path("some/pics_image_1.png")}));
    }
};

QTEST_MAIN(TestExtractImages)
#include "tst_extractimages.moc"
