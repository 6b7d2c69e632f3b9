// PDF to text on real PDFs, read back beside pdftotext: layout and raw text,
// whole files and page by page, Cyrillic and Japanese in UTF-8 whatever the
// locale, output names (the extension rule, repeated names, existing files),
// inputs that do not open, outputs that cannot be written, and runs that have
// nothing to write.

#include "folioconstants.h"
#include "pdf_to_text.h"
#include "pdfbuild.h"
#include "questions.h"
#include "shellsupport.h"
#include "testsupport.h"
#include "toolsupport.h"

#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

using namespace testsupport;

namespace {

// pdftotext's text of the file, or of one page, without its form feeds.
QString popplerText(const QString& pdf, bool raw, int page = 0)
{
    return pdfText(pdf, page, {raw ? "-raw" : "-layout"}).remove('\f');
}

} // namespace

class TestPdfToText : public ToolSuite
{
    Q_OBJECT

    PDF_To_Text page{nullptr, toolRecord(14)};

    // Existing outputs are answered with `existing`, in order.
    const RunReport& extract(const QStringList& names, const QString& out, bool raw = false, bool perPage = false,
                             const QList<int>& existing = {})
    {
        page.findChild<QRadioButton*>(raw ? "radioButton_raw" : "radioButton_ori_layout")->setChecked(true);
        page.findChild<QRadioButton*>(perPage ? "radioButton_2" : "radioButton_singleFile")->setChecked(true);
        script.queue(Question::ExistingDirectory, out);
        for (int answer : existing)
            script.queue(Question::FileExists, answer);
        return page.run(pathsIn(dir, names));
    }

private slots:
    void initTestCase()
    {
        // A locale whose code page has neither Cyrillic nor Japanese: the text must not pass through it.
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
        QVERIFY(writeTextPdf(path("report.pdf"), {"Alpha one", "Beta two", "Gamma three"}));
        QVERIFY(QDir(dir.path()).mkdir("sub") && writeTextPdf(path("sub/report.pdf"), {"Other report"}));
        QVERIFY(QFile::copy(path("report.pdf"), path("manual")) && QFile::copy(path("report.pdf"), path("upper.PDF")));
        // Cyrillic and Japanese, in columns that the layout keeps.
        QVERIFY(writeUnicodePdf(path("unicode.pdf"), {"Съешь же ещё этих мягких французских булок.\n日本語のテキスト、縦に並ぶ。",
                                                      "Вторая страница     二ページ目"}));
        QVERIFY(encrypt(path("report.pdf"), path("locked.pdf"), "sesame", "owner"));
        QVERIFY(writeFile(path("damaged.pdf"), "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\ntrailer << /Root 1 0 R >>\n"));
    }

    void textAsPdftotextGivesIt_data()
    {
        QTest::addColumn<QString>("pdf");
        QTest::addColumn<bool>("raw");
        QTest::addColumn<bool>("perPage");
        QTest::addColumn<QStringList>("names");
        const QStringList pages{"report Page 1.txt", "report Page 2.txt", "report Page 3.txt"};
        QTest::newRow("layout") << "report.pdf" << false << false << QStringList{"report.txt"};
        QTest::newRow("raw, page by page") << "report.pdf" << true << true << pages;
        QTest::newRow("non-Latin, layout") << "unicode.pdf" << false << false << QStringList{"unicode.txt"};
        QTest::newRow("non-Latin, raw, page by page") << "unicode.pdf" << true << true
                                                      << QStringList{"unicode Page 1.txt", "unicode Page 2.txt"};
    }

    void textAsPdftotextGivesIt()
    {
        QFETCH(QString, pdf);
        QFETCH(bool, raw);
        QFETCH(bool, perPage);
        QFETCH(QStringList, names);
        const QString out = emptyFolder(dir, "out");
        const RunReport& report = extract({pdf}, out, raw, perPage);
        QVERIFY(report.isQuiet());
        QCOMPARE(filesIn(out), names);
        for (int i = 0; i < names.size(); ++i) {
            const QByteArray bytes = readFile(QDir(out).filePath(names[i]));
            QCOMPARE(QString::fromUtf8(bytes), popplerText(path(pdf), raw, perPage ? i + 1 : 0));
            QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));  // no byte-order mark
        }
        QVERIFY(readFile(QDir(out).filePath(names[0])).contains(pdf == "report.pdf" ? "Alpha" : "Съешь"));
    }

    void outputNames()
    {
        // The real suffix is replaced, whatever its case or length; a name
        // without one gets .txt; repeated names are numbered.
        const QString out = emptyFolder(dir, "names");
        extract({"report.pdf", "manual", "upper.PDF", "sub/report.pdf"}, out);
        QCOMPARE(filesIn(out), QStringList({"manual.txt", "report(1).txt", "report.txt", "upper.txt"}));
        QCOMPARE(readFile(out + "/report(1).txt").simplified(), QByteArray("Other report"));
        // Existing files: Skip keeps one, Rename writes beside the other.
        QVERIFY(writeFile(out + "/report.txt", "kept") && writeFile(out + "/manual.txt", "kept too"));
        const RunReport& report = extract({"report.pdf", "manual"}, out, false, false, {folio::FileExistsSkip, folio::FileExistsRename});
        QCOMPARE(report.problemLines(), QStringList{QDir::toNativeSeparators(out + "/report.txt") + ": exists, skipped"});
        QCOMPARE(readFile(out + "/report.txt"), QByteArray("kept"));
        QCOMPARE(readFile(out + "/manual.txt"), QByteArray("kept too"));
        QCOMPARE(QString::fromUtf8(readFile(out + "/manual(1).txt")), popplerText(path("manual"), false));
    }

    void inputsThatDoNotOpen()
    {
        const QString out = emptyFolder(dir, "bad");
        // The right password opens it; a cancelled one leaves the input out.
        // (Every kind of input that does not open: tst_featurebase.)
        script.queue(Question::Password, "sesame").queue(Question::Password, QVariant());
        const RunReport& report = extract({"locked.pdf", "damaged.pdf", "locked.pdf", "sub/report.pdf"}, out);
        QCOMPARE(filesIn(out), QStringList({"locked.txt", "report.txt"}));
        QCOMPARE(QString::fromUtf8(readFile(out + "/locked.txt")), popplerText(path("report.pdf"), false));
        QCOMPARE(report.problemLines(), QStringList({path("damaged.pdf") + ": damaged beyond repair; left out",
                                                     path("locked.pdf") + ": protected: needs a password; left out"}));
        // Outputs that cannot be written: named, none half written.
        const RunReport& failed = extract({"report.pdf", "unicode.pdf"}, "/proc");
        QVERIFY(failed.outputsWritten().isEmpty() && failed.problemLines().size() == 2);
        QVERIFY2(failed.problemLines().value(0).startsWith("/proc/report.txt: not written: "), qPrintable(failed.summary()));
    }

    void runsWithNothingToWrite()
    {
        // No input, none that opens, or stopped while reading: nothing is asked, nothing written.
        ScriptedQuestions own;
        own.installed().stopAfter(2);
        QVERIFY(page.run({path("report.pdf"), path("unicode.pdf")}).cancelled());
        own.stopAfter(-1);
        QVERIFY(page.run({}).isQuiet());
        QVERIFY(page.run({path("damaged.pdf"), path("gone.pdf")}).hasProblems());
        QCOMPARE(own.asked().size(), 0);
        // A cancelled folder question writes nothing either.
        QVERIFY(page.run({path("report.pdf")}).isQuiet() && page.lastReport().outputsWritten().isEmpty());
        QCOMPARE(own.count(Question::ExistingDirectory), 1);
        // "Process" on the page asks the window for a run.
        page.findChild<QPushButton*>("pushButton_Default")->click();
        QVERIFY(page.processRequest);
    }
};

QTEST_MAIN(TestPdfToText)
#include "tst_pdf_to_text.moc"
