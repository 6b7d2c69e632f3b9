// folioforge-cli to-images (against the desktop: tst_desktop): its defaults, the
// TIFF file named with -o; what the command line refuses, and an input that
// does not open.

#include "clisupport.h"
#include "imagefixtures.h"
#include "pdfbuild.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestToImages : public CliSuite
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(writeTextPdf(path("doc.pdf"), {"one", "two"})); }

    void commandLines_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");  // the first line on stdout, or else on stderr
        // The form as it opens: JPEG at 300 dpi, the last page named first.
        QTest::newRow("no options") << QStringList{"-o", "plain", "doc.pdf"} << 0 << "plain/doc Page 2.jpeg";
        // -o names the TIFF file; a name without extension gets ".tiff".
        QTest::newRow("tiff") << QStringList{"--format", "tiff", "--dpi", "72", "-o", "pages", "doc.pdf"} << 0 << "pages.tiff";
        QTest::newRow("tiff over its input") << QStringList{"--format", "tiff", "-o", "doc.pdf", "doc.pdf"} << 2
                                             << "folioforge-cli: to-images: --output doc.pdf is one of the inputs; to-images never writes over its inputs";
        QTest::newRow("resolution") << QStringList{"--dpi", "100", "-o", "none", "doc.pdf"} << 2 << "folioforge-cli: to-images: --dpi 100: must be one of: 72, 96, 150, 300, 400, 600";
        QTest::newRow("two inputs") << QStringList{"-o", "none", "doc.pdf", "doc.pdf"} << 2 << "folioforge-cli: to-images: takes one input file";
        QTest::newRow("not a PDF") << QStringList{"-o", "none", "bad.pdf"} << 1 << "folioforge-cli: bad.pdf: not a PDF";
    }

    void commandLines()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, said);
        QVERIFY(writeFile(path("bad.pdf"), "no PDF"));
        QDir(path("none")).removeRecursively();
        const auto r = runCli(QStringList{"to-images"} + arguments, dir.path());
        QTEST(r.status, "status");
        QCOMPARE(r.status == 0 ? r.outLines().value(0) : r.errLines().value(0), r.status == 0 ? path(said) : said);
        QVERIFY(QDir(path("none")).isEmpty());
        QCOMPARE(qpdfPageCount(path("doc.pdf")), 2);
        if (said.endsWith(".tiff"))
            QCOMPARE(readTiff(path(said)).size(), 2);
        else if (r.status == 0)
            QCOMPARE(readImage(path(said)).size(), QSize(2550, 3300));
    }
};

QTEST_MAIN(TestToImages)
#include "tst_toimages.moc"
