// The PDF splitter on real PDFs, read back with pdftotext and qpdf: page by
// page, by every N pages and odd/even, within ranges; output names;
// protected inputs; forms that ask for nothing possible and inputs that do not
// open; existing outputs; a run stopped half way.

#include "folioconstants.h"
#include "pdf_splitter.h"
#include "pdfengine.h"
#include "pdfbuild.h"
#include "questions.h"
#include "testsupport.h"
#include "toolsupport.h"

#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestSplitter : public ToolSuite
{
    Q_OBJECT

    PDF_Splitter splitter{nullptr, toolRecord(2)};

    // name.pdf with pages p1 .. pn.
    QString source(const QString& name, int pages)
    {
        return writeTextPdf(path(name), numberedTexts("p", pages)) ? path(name) : QString();
    }

    // The form as a user leaves it: range "A B" (empty for All Pages) and
    // method "page", "every N" or "oddeven".
    void setForm(const QString& range, const QString& method)
    {
        splitter.findChild<QRadioButton*>(range.isEmpty() ? "radioButton" : "radioButton_2")->setChecked(true);
        splitter.findChild<QLineEdit*>("lineEdit_2")->setText(range.section(' ', 0, 0));
        splitter.findChild<QLineEdit*>("lineEdit_3")->setText(range.section(' ', 1));
        const QString kind = method.section(' ', 0, 0);
        splitter.findChild<QRadioButton*>(kind == "every" ? "radioButton_Every" : kind == "oddeven" ? "radioButton_OddEven" : "radioButton_PageByPage")->setChecked(true);
        splitter.findChild<QLineEdit*>("lineEdit")->setText(method.section(' ', 1));
    }

    // "file name=page texts" of every output written, in the order written.
    static QStringList written(const RunReport& report)
    {
        QStringList lines;
        for (const QString& out : report.outputsWritten())
            lines << QFileInfo(out).fileName() + "=" + pageTexts(out).join(' ');
        return lines;
    }

    bool checked(const char* name) { return splitter.findChild<QRadioButton*>(name)->isChecked(); }

private slots:
    void initTestCase()
    {
        for (int pages : {1, 5, 6, 7, 10})
            QVERIFY(!source(QString("doc%1.pdf").arg(pages), pages).isEmpty());
        QVERIFY(encrypt(path("doc5.pdf"), path("locked.pdf"), "pw", "owner"));
        QVERIFY(writeFile(path("damaged.pdf"), "%PDF-1.7\n1 0 obj << /Type /Catalog >>\nnothing else"));
        QVERIFY(writeFile(path("notes.txt"), "not a PDF"));
        QVERIFY(QDir(dir.path()).mkpath("in.dir") && !source("in.dir/report", 2).isEmpty() && !source("v1.2 notes.pdf", 2).isEmpty());
    }

    void splits_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("range");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QStringList>("outputs");  // in the order written
        QTest::newRow("every 3 of 7") << "doc7.pdf" << "" << "every 3" << QStringList{"doc7 Page 7-7.pdf=p7", "doc7 Page 4-6.pdf=p4 p5 p6", "doc7 Page 1-3.pdf=p1 p2 p3"};
        QTest::newRow("every 3 of 6: no empty rest") << "doc6.pdf" << "" << "every 3" << QStringList{"doc6 Page 4-6.pdf=p4 p5 p6", "doc6 Page 1-3.pdf=p1 p2 p3"};
        QTest::newRow("page by page, 2 to 4") << "doc10.pdf" << "2 4" << "page" << QStringList{"doc10 Page 4.pdf=p4", "doc10 Page 3.pdf=p3", "doc10 Page 2.pdf=p2"};
        QTest::newRow("odd/even of 5") << "doc5.pdf" << "" << "oddeven" << QStringList{"doc5 Even.pdf=p2 p4", "doc5 Odd.pdf=p1 p3 p5"};
        QTest::newRow("odd/even of 1: no even file") << "doc1.pdf" << "" << "oddeven" << QStringList{"doc1 Odd.pdf=p1"};
        QTest::newRow("odd/even, 2 to 4") << "doc10.pdf" << "2 4" << "oddeven" << QStringList{"doc10 Even.pdf=p2 p4", "doc10 Odd.pdf=p3"};
        // The rest of "every" ends where the range ends and starts after the last full part in it.
        QTest::newRow("every 3, 5 to 6") << "doc10.pdf" << "5 6" << "every 3" << QStringList{"doc10 Page 5-6.pdf=p5 p6"};
        QTest::newRow("every 4, 3 to 8") << "doc10.pdf" << "3 8" << "every 4" << QStringList{"doc10 Page 7-8.pdf=p7 p8", "doc10 Page 3-6.pdf=p3 p4 p5 p6"};
        QTest::newRow("every 3, 2 to past the end") << "doc7.pdf" << "2 99" << "every 3" << QStringList{"doc7 Page 5-7.pdf=p5 p6 p7", "doc7 Page 2-4.pdf=p2 p3 p4"};
        QTest::newRow("every 1 of 1") << "doc1.pdf" << "" << "every 1" << QStringList{"doc1 Page 1-1.pdf=p1"};
        // The suffix goes before the file name's extension, whatever dots the path has.
        QTest::newRow("no extension") << "in.dir/report" << "" << "page" << QStringList{"report Page 2=p2", "report Page 1=p1"};
        QTest::newRow("dots in the name") << "v1.2 notes.pdf" << "" << "page" << QStringList{"v1.2 notes Page 2.pdf=p2", "v1.2 notes Page 1.pdf=p1"};
        // Opened with its password, written without one.
        QTest::newRow("protected") << "locked.pdf" << "" << "oddeven" << QStringList{"locked Even.pdf=p2 p4", "locked Odd.pdf=p1 p3 p5"};
    }

    void splits()
    {
        QFETCH(QString, input);
        QFETCH(QString, range);
        QFETCH(QString, method);
        QFETCH(QStringList, outputs);
        setForm(range, method);
        if (input == "locked.pdf")
            script.queue(Question::Password, "pw");
        script.queue(Question::ExistingDirectory, emptyFolder(dir, "out"));
        const RunReport& report = splitter.run({path(input), path("doc5.pdf")});  // only the first is split
        QVERIFY2(report.isQuiet(), qPrintable(report.summary()));
        QCOMPARE(written(report), outputs);
        QCOMPARE(QDir(path("out")).entryList(QDir::Files).size(), outputs.size());
        const QString first = report.outputsWritten().first();
        QVERIFY(qpdfCheck(first));
        const auto info = pdfInfo(first);
        QCOMPARE(info.value("Creator"), "PDF-Splitter");
        QCOMPARE(info.value("Encrypted"), "no");
        QCOMPARE(splitter.engine->DocumentCount(), 1);  // nothing left loaded
    }

    // A form that asks for nothing possible, or a first input that does not
    // open: nothing asked, nothing written, and never the next file instead.
    void nothingToSplit_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("range");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("nowChecked");
        QTest::addColumn<QString>("problem");
        const QString badRange = "\"From Page\" and \"To\" take page numbers";
        QTest::newRow("5 to 2") << "doc10.pdf" << "5 2" << "page" << "radioButton" << badRange;
        QTest::newRow("0 to 3") << "doc10.pdf" << "0 3" << "page" << "radioButton" << badRange;
        QTest::newRow("-1 to 3") << "doc10.pdf" << "-1 3" << "page" << "radioButton" << badRange;
        QTest::newRow("every 0") << "doc10.pdf" << "" << "every 0" << "radioButton_PageByPage" << "\"Split By Every\" takes";
        QTest::newRow("every -2") << "doc10.pdf" << "" << "every -2" << "radioButton_PageByPage" << "\"Split By Every\" takes";
        QTest::newRow("past the last page") << "doc10.pdf" << "11 20" << "page" << "radioButton_2" << path("doc10.pdf: not split: no page from 11 on (it has 10 pages); left out");
        QTest::newRow("missing") << "gone.pdf" << "" << "page" << "radioButton" << path("gone.pdf: no such file; left out");
        QTest::newRow("damaged") << "damaged.pdf" << "" << "page" << "radioButton" << path("damaged.pdf: damaged beyond repair; left out");
        QTest::newRow("no PDF") << "notes.txt" << "" << "page" << "radioButton" << path("notes.txt: not a PDF; left out");
        QTest::newRow("protected, cancelled") << "locked.pdf" << "" << "page" << "radioButton" << path("locked.pdf: protected: needs a password; left out");
    }

    void nothingToSplit()
    {
        QFETCH(QString, input);
        QFETCH(QString, range);
        QFETCH(QString, method);
        QFETCH(QString, nowChecked);
        QFETCH(QString, problem);
        setForm(range, method);
        const int asked = script.asked().size();
        const RunReport& report = splitter.run({path(input), path("doc5.pdf")});
        QCOMPARE(script.asked().size() - asked, input == "locked.pdf" ? 1 : 0);  // its password; never the folder
        QVERIFY(report.outputsWritten().isEmpty());
        // Refused before anything is asked, or the input left out.
        if (report.refused().isEmpty())
            QCOMPARE(report.problemLines(), QStringList{problem});
        else
            QVERIFY2(report.refused().contains(problem), qPrintable(report.refused()));
        QVERIFY(checked(qPrintable(nowChecked)));
        if (nowChecked != "radioButton_2") {  // what the form was set back to works
            script.queue(Question::ExistingDirectory, emptyFolder(dir, "again"));
            QCOMPARE(splitter.run({path("doc10.pdf")}).outputsWritten().size(), 10);
        }
    }

    void skippedEvenFile()
    {
        // The odd pages go to the odd file all the same.
        setForm("", "oddeven");
        QVERIFY(writeTextPdf(emptyFolder(dir, "exist") + "/doc5 Even.pdf", {"old"}));
        script.queue(Question::ExistingDirectory, path("exist")).queue(Question::FileExists, int(folio::FileExistsSkip));
        const RunReport& report = splitter.run({path("doc5.pdf")});
        QCOMPARE(written(report), QStringList{"doc5 Odd.pdf=p1 p3 p5"});
        QCOMPARE(pageTexts(path("exist/doc5 Even.pdf")), QStringList{"old"});
    }

    void stoppedHalfWay()
    {
        setForm("", "page");
        script.queue(Question::ExistingDirectory, emptyFolder(dir, "stopped")).stopAfter(script.progressSteps().size() + 4);
        const RunReport& report = splitter.run({path("doc10.pdf")});
        script.stopAfter(-1);
        QVERIFY(report.cancelled());
        QCOMPARE(QDir(path("stopped")).entryList(QDir::Files), QStringList({"doc10 Page 10.pdf", "doc10 Page 8.pdf", "doc10 Page 9.pdf"}));
        for (const QString& out : report.outputsWritten())
            QVERIFY(qpdfCheck(out));
    }
};

QTEST_MAIN(TestSplitter)
#include "tst_splitter.moc"
