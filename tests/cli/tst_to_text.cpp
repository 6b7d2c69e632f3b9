// folioforge-cli to-text against the desktop tool: the same files with the
// same text for the same choices; text on stdout with -o -, in UTF-8 under
// LC_ALL=C as pdftotext gives it.

#include "clisupport.h"
#include "pdf_to_text.h"
#include "pdfbuild.h"
#include "questions.h"
#include "shellsupport.h"
#include "testsupport.h"

#include <QDir>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestToText : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

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

    void sameAsTheDesktopTool_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("defaults") << QStringList() << QStringList{"report.txt", "unicode.txt"};
        QTest::newRow("raw, page by page") << QStringList{"--raw", "--per-page"}
                                           << QStringList{"report Page 1.txt", "report Page 2.txt", "unicode Page 1.txt", "unicode Page 2.txt"};
    }

    void sameAsTheDesktopTool()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, names);
        PDF_To_Text page(nullptr, toolRecord(14));
        page.findChild<QRadioButton*>(options.isEmpty() ? "radioButton_ori_layout" : "radioButton_raw")->setChecked(true);
        page.findChild<QRadioButton*>(options.isEmpty() ? "radioButton_singleFile" : "radioButton_2")->setChecked(true);
        ScriptedQuestions script;
        const QString desktop = path(QTest::currentDataTag() + QString(" desktop")), cli = path(QTest::currentDataTag() + QString(" cli"));
        QVERIFY(QDir().mkpath(desktop));
        script.installed().queue(Question::ExistingDirectory, desktop);
        QVERIFY(page.run({path("report.pdf"), path("unicode.pdf")}).isQuiet());

        const auto r = runCli(QStringList{"to-text", "-o", cli} + options + QStringList{"report.pdf", "unicode.pdf"}, dir.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QString());
        QStringList listed;
        for (const QString& name : names)
            listed << QDir(cli).filePath(name);
        QCOMPARE(r.outLines(), listed);
        QCOMPARE(contents(cli).keys(), names);
        QCOMPARE(contents(cli), contents(desktop));
        QVERIFY(contents(cli).last().contains("Вторая страница"));
    }

    void textOnStdout_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("layout") << "-layout";
        QTest::newRow("raw") << "-raw";
    }

    void textOnStdout()
    {
        QFETCH(QString, mode);
        const QStringList raw = mode == "-raw" ? QStringList{"--raw"} : QStringList();
        const auto r = runCli(QStringList{"to-text", "-o", "-"} + raw + QStringList{"unicode.pdf"}, dir.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QString());
        QCOMPARE(r.out, pdfText(path("unicode.pdf"), 0, {mode}).remove('\f'));
        QVERIFY(r.out.contains("日本語のテキスト"));
        QVERIFY(!QFileInfo::exists(path("-")));
        // One input only; nothing is done otherwise.
        const auto two = runCli({"to-text", "-o", "-", "report.pdf", "unicode.pdf"}, dir.path());
        QVERIFY(two.status == 2 && two.out.isEmpty() && two.err.contains("-o - takes one input file"));
    }
};

QTEST_MAIN(TestToText)
#include "tst_to_text.moc"
