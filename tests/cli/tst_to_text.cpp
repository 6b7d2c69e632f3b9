// folioforge-cli to-text against the desktop tool: the same files with the
// same text for the same choices; text on stdout with -o - (the pages of a
// page-by-page run one after the other), in UTF-8 under LC_ALL=C as
// pdftotext gives it.

#include "clisupport.h"
#include "pdf_to_text.h"
#include "pdfbuild.h"
#include "questions.h"
#include "toolsupport.h"
#include "testsupport.h"

#include <QDir>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestToText : public CliSuite
{
    Q_OBJECT

    // name -> content of every file of a folder.
    static QMap<QString, QByteArray> contents(const QString& folder)
    {
        QMap<QString, QByteArray> files;
        for (const QString& name : QDir(folder).entryList(QDir::Files))
            files.insert(name, readFile(QDir(folder).filePath(name)));
        return files;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(writeTextPdf(path("report.pdf"), {"Alpha one", "Beta two"}));
        QVERIFY(writeUnicodePdf(path("unicode.pdf"), {"Съешь же ещё этих мягких французских булок.\n日本語のテキスト。", "Вторая страница"}));
        // The C locale cannot encode either script: the text must not pass through it.
        qputenv("LC_ALL", "C");
    }

    void sameAsTheDesktopTool()
    {
        PDF_To_Text page(nullptr, toolRecord(14));
        page.findChild<QRadioButton*>("radioButton_raw")->setChecked(true);
        page.findChild<QRadioButton*>("radioButton_2")->setChecked(true);
        ScriptedQuestions script;
        QVERIFY(runInFolder(page, script.installed(), {path("report.pdf"), path("unicode.pdf")}, path("desktop")).isQuiet());

        const auto r = runCli({"to-text", "--raw", "--per-page", "-o", "cli", "report.pdf", "unicode.pdf"}, dir.path());
        const QStringList names{"report Page 1.txt", "report Page 2.txt", "unicode Page 1.txt", "unicode Page 2.txt"};
        QVERIFY(wrote(r, QStringList(names).replaceInStrings(QRegularExpression("^"), path("cli/"))));
        QCOMPARE(contents(path("cli")).keys(), names);
        QCOMPARE(contents(path("cli")), contents(path("desktop")));
    }

    void textOnStdout()
    {
        for (const QString& mode : {"-layout", "-raw"}) {
            const auto r = runCli({"to-text", "-o", "-", mode == "-raw" ? "--raw" : "--per-page", "unicode.pdf"}, dir.path());
            QVERIFY(r.status == 0 && r.err.isEmpty());
            QCOMPARE(r.out, pdfText(path("unicode.pdf"), 0, {mode}).remove('\f'));
            QVERIFY(r.out.contains("日本語のテキスト") && r.out.contains("Вторая страница"));
        }
        QVERIFY(!QFileInfo::exists(path("-")));
        // One input only; nothing is done otherwise.
        const auto two = runCli({"to-text", "-o", "-", "report.pdf", "unicode.pdf"}, dir.path());
        QVERIFY(two.status == 2 && two.out.isEmpty() && two.err.contains("-o - takes one input file"));
    }
};

QTEST_MAIN(TestToText)
#include "tst_to_text.moc"
