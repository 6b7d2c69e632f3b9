// folioforge-cli images-to-pdf (against the desktop: tst_desktop): an image
// that does not read is named on stderr with exit status 1, an output that is
// one of the images is a usage error, and one image is enough.

#include "clisupport.h"
#include "imagefixtures.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestImagesToPdfCli : public CliSuite
{
    Q_OBJECT

private slots:
    void whatOnlyTheCommandLineDoes()
    {
        QVERIFY(writePhotoAndLogo(path("photo.jpg"), path("logo.png")));
        QVERIFY(writeFile(path("broken.jpg"), "\xff\xd8\xff but nothing more"));
        // One image is enough.
        auto r = runCli({"images-to-pdf", "-o", "one.pdf", "logo.png"}, dir.path());
        QVERIFY(r.status == 0 && r.outLines() == QStringList{path("one.pdf")});
        QCOMPARE(qpdfPageCount(path("one.pdf")), 1);
        // An image that does not read is named, the others are written.
        r = runCli({"images-to-pdf", "-o", "most.pdf", "broken.jpg", "photo.jpg"}, dir.path());
        QCOMPARE(r.status, 1);
        QCOMPARE(r.errLines(), QStringList{"folioforge-cli: broken.jpg: not an image that can be read"});
        QCOMPARE(r.outLines(), QStringList{path("most.pdf")});
        QCOMPARE(qpdfPageCount(path("most.pdf")), 1);
        // The output may not be one of the images.
        const QByteArray before = readFile(path("logo.png"));
        r = runCli({"images-to-pdf", "-o", "./logo.png", "photo.jpg", "logo.png"}, dir.path());
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains("is one of the inputs"), qPrintable(r.err));
        QCOMPARE(readFile(path("logo.png")), before);
    }
};

QTEST_MAIN(TestImagesToPdfCli)
#include "tst_imagestopdf.moc"
