// folioforge-cli split (against the desktop: tst_desktop): --pages in its
// forms, and the command lines it refuses.

#include "clisupport.h"
#include "testsupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestSplit : public CliSuite
{
    Q_OBJECT

    // "file name=page texts" of each file of a folder.
    QStringList folder(const QString& name)
    {
        QStringList lines;
        for (const QFileInfo& f : QDir(path(name)).entryInfoList(QDir::Files, QDir::Name))
            lines << f.fileName() + "=" + pageTexts(f.filePath()).join(' ');
        return lines;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(writeTextPdf(path("doc.pdf"), numberedTexts("p", 10)));
    }

    // What the command line alone has: --pages in its forms, and what it refuses with nothing written.
    void commandLines_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("result");  // the files written, or the first line on stderr
        QTest::newRow("one page") << QStringList{"--pages", "3"} << 0 << QStringList{"doc Page 3.pdf=p3"};
        QTest::newRow("to z") << QStringList{"--pages", "9-z"} << 0 << QStringList{"doc Page 10.pdf=p10", "doc Page 9.pdf=p9"};
        QTest::newRow("to the end") << QStringList{"--pages", "9-"} << 0 << QStringList{"doc Page 10.pdf=p10", "doc Page 9.pdf=p9"};
        QTest::newRow("page 0") << QStringList{"--pages", "0-3"} << 2 << QStringList{"split: --pages 0-3: pages are counted from 1"};
        QTest::newRow("backwards") << QStringList{"--pages", "5-2"} << 2 << QStringList{"split: --pages 5-2: the first page comes after the last"};
        QTest::newRow("no range") << QStringList{"--pages", "odd"} << 2 << QStringList{"split: --pages odd: must be A-B, A, A-z or A- (pages from 1)"};
        QTest::newRow("both methods") << QStringList{"--every", "2", "--odd-even"} << 2 << QStringList{"split: --every and --odd-even cannot be given together"};
        QTest::newRow("two inputs") << QStringList{"doc.pdf"} << 2 << QStringList{"split: takes one input file"};
        QTest::newRow("every 0") << QStringList{"--every", "0"} << 2 << QStringList{"split: \"Split By Every\" takes a number of pages from 1 on"};
        QTest::newRow("past the end") << QStringList{"--pages", "11-z"} << 1 << QStringList{"doc.pdf: not split: no page from 11 on (it has 10 pages)"};
    }

    void commandLines()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QStringList, result);
        QDir(path("out")).removeRecursively();
        const auto r = runCli(QStringList{"split", "-o", "out"} + args + QStringList{"doc.pdf"}, dir.path());
        QCOMPARE(r.status, status);
        if (status == 0)
            QCOMPARE(folder("out"), result);
        else
            QVERIFY2(r.out.isEmpty() && folder("out").isEmpty() && r.errLines().value(0) == "folioforge-cli: " + result.first(), qPrintable(r.err));
    }
};

QTEST_MAIN(TestSplit)
#include "tst_split.moc"
