// folioforge-cli merge (against the desktop: tst_desktop): what happens to an
// existing output in each --if-exists mode, an output that is one of the
// inputs, and outputs that cannot be written.

#include "clisupport.h"
#include "pdfbuild.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestMerge : public CliSuite
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(writeTextPdf(path("a.pdf"), {"a-1", "a-2", "a-3"}) && writeTextPdf(path("b.pdf"), {"b-1", "b-2"}));
    }

    void existingOutput()
    {
        const QString out = path("existing.pdf");
        const QStringList ba{"b-1", "b-2", "a-1", "a-2", "a-3"};
        // Without --if-exists the chosen file is replaced, as the desktop does.
        QVERIFY(writeTextPdf(out, {"old"}));
        auto r = runCli({"merge", "-o", out, "b.pdf", "a.pdf"}, dir.path());
        QVERIFY(r.status == 0 && r.outLines() == QStringList{out});
        QCOMPARE(pageTexts(out), ba);

        // rename: the next free numbered name; the existing files stay.
        QVERIFY(writeTextPdf(out, {"old"}) && writeTextPdf(path("existing(1).pdf"), {"old one"}));
        r = runCli({"merge", "--if-exists", "rename", "-o", out, "b.pdf", "a.pdf"}, dir.path());
        QVERIFY(r.status == 0 && r.outLines() == QStringList{path("existing(2).pdf")});
        QCOMPARE(pageTexts(path("existing(2).pdf")), ba);
        QCOMPARE(pageTexts(out), QStringList{"old"});
        QCOMPARE(pageTexts(path("existing(1).pdf")), QStringList{"old one"});

        // skip: nothing written, said on stderr, and that is no failure; a missing output is written as usual.
        r = runCli({"merge", "--if-exists", "skip", "-o", "existing.pdf", "b.pdf", "a.pdf"}, dir.path());
        QVERIFY(r.status == 0 && r.out.isEmpty());
        QCOMPARE(r.errLines(), QStringList{"folioforge-cli: existing.pdf: exists, skipped"});
        QCOMPARE(pageTexts(out), QStringList{"old"});
        r = runCli({"merge", "--if-exists", "skip", "-o", "fresh.pdf", "b.pdf", "a.pdf"}, dir.path());
        QVERIFY(r.status == 0 && r.outLines() == QStringList{path("fresh.pdf")});

        // overwrite: replaced.
        r = runCli({"merge", "--if-exists", "overwrite", "-o", out, "b.pdf", "a.pdf"}, dir.path());
        QVERIFY(r.status == 0 && r.outLines() == QStringList{out});
        QCOMPARE(pageTexts(out), ba);
        QVERIFY(!QFileInfo::exists(path("existing(3).pdf")));
    }

    void outputIsOneOfTheInputs()
    {
        // The desktop merger allows it: every input is read before the output is written.
        QVERIFY(writeTextPdf(path("x.pdf"), {"x-1", "x-2"}) && writeTextPdf(path("y.pdf"), {"y-1"}));
        const auto r = runCli({"merge", "--bookmarks", "-o", "./y.pdf", "x.pdf", "y.pdf", "x.pdf"}, dir.path());
        QVERIFY(r.status == 0 && r.outLines() == QStringList{path("y.pdf")});
        QCOMPARE(pageTexts(path("y.pdf")), QStringList({"x-1", "x-2", "y-1", "x-1", "x-2"}));
    }

    void outputThatCannotBeWritten()
    {
        // Its folder does not exist: said before anything is done.
        auto r = runCli({"merge", "-o", "no/such/folder/m.pdf", "a.pdf", "b.pdf"}, dir.path());
        QVERIFY(r.status == 1 && r.out.isEmpty());
        QVERIFY2(r.errLines().value(0).startsWith("folioforge-cli: no/such/folder/m.pdf: "), qPrintable(r.err));
        // A folder where no file can be made: found out after the run.
        r = runCli({"merge", "-o", "/proc/folioforge-cli-test.pdf", "a.pdf", "b.pdf"}, dir.path());
        QVERIFY(r.status == 1 && r.out.isEmpty());
        QCOMPARE(r.errLines(), QStringList{"folioforge-cli: /proc/folioforge-cli-test.pdf: not written: it could not be saved"});
    }
};

QTEST_MAIN(TestMerge)
#include "tst_merge.moc"
