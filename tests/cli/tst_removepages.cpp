// folioforge-cli remove-pages (against the desktop: tst_desktop): --pages,
// an output that is the input, and the command lines it refuses with nothing
// written.

#include "clisupport.h"
#include "pdfbuild.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestRemovePages : public CliSuite
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(writeTextPdf(path("doc.pdf"), numberedTexts("p", 8)) && writeTextPdf(path("one.pdf"), {"p1"}));
        QVERIFY(writeFile(path("damaged.pdf"), "%PDF-1.7\nnothing else"));
    }

    // What the command line alone has: --pages, an output that is the input
    // (replaced once, complete), and what it refuses with nothing written.
    void commandLines_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("result");  // the pages left, or the first line on stderr
        QTest::newRow("pages and ranges") << QStringList{"--pages", "2,7,5-7"} << 0 << QStringList{"p1", "p3", "p4", "p8"};
        QTest::newRow("first and last") << QStringList{"--remove", "first-last"} << 0 << QStringList{"p2", "p3", "p4", "p5", "p6", "p7"};
        QTest::newRow("nothing asked") << QStringList{} << 0 << QStringList{"p1", "p2", "p3", "p4", "p5", "p6", "p7", "p8"};
        QTest::newRow("past the end") << QStringList{"--pages", "3,9"} << 2 << QStringList{"remove-pages: --pages 3,9: there is no page 9: the file has 8 pages"};
        QTest::newRow("every page") << QStringList{"--pages", "1-8"} << 2 << QStringList{"remove-pages: --pages 1-8: would remove every page: a document keeps at least one page"};
        QTest::newRow("not a list") << QStringList{"--pages", "2-"} << 2 << QStringList{"remove-pages: --pages 2-: must be page numbers and ranges such as 2,5-7"};
        QTest::newRow("no such choice") << QStringList{"--remove", "middle"} << 2 << QStringList{"remove-pages: --remove middle: must be one of odd|even|first|last|first-last"};
        QTest::newRow("both") << QStringList{"--remove", "odd", "--pages", "2"} << 2 << QStringList{"remove-pages: --remove and --pages cannot be given together"};
    }

    void commandLines()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QStringList, result);
        QFile::remove(path("own.pdf"));
        QVERIFY(QFile::copy(path("doc.pdf"), path("own.pdf")));
        const auto r = runCli(QStringList{"remove-pages", "-o", "own.pdf"} + args + QStringList{"own.pdf"}, dir.path());
        QCOMPARE(r.status, status);
        if (status == 0)
            QCOMPARE(pageTexts(path("own.pdf")), result);
        else
            QVERIFY2(r.out.isEmpty() && pageTexts(path("own.pdf")).size() == 8 && r.errLines().value(0) == "folioforge-cli: " + result.first(), qPrintable(r.err));
    }

    void filesThatCannotBeDone()
    {
        // The only page is never replaced by a blank one; a damaged file is named.
        auto r = runCli({"remove-pages", "-o", "refused.pdf", "--remove", "odd", "one.pdf"}, dir.path());
        QVERIFY(r.status == 2 && r.err.startsWith("folioforge-cli: remove-pages: --remove odd: Nothing was removed: a document keeps at least one page."));
        r = runCli({"remove-pages", "-o", "refused.pdf", "--pages", "2", "damaged.pdf"}, dir.path());
        QVERIFY(r.status == 1 && r.errLines() == QStringList{"folioforge-cli: damaged.pdf: damaged beyond repair"});
        QVERIFY(!QFileInfo::exists(path("refused.pdf")));
    }
};

QTEST_MAIN(TestRemovePages)
#include "tst_removepages.moc"
