// folioforge-cli word-count against the desktop tool: the tool's table on
// stdout, one line per file with --per-file, JSON with --json; inputs that do
// not open are named and counted nowhere.

#include "clisupport.h"
#include "pdf_wordcount.h"
#include "pdfbuild.h"
#include "questions.h"
#include "toolsupport.h"
#include "testsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestWordCountCli : public CliSuite
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(writeTextPdf(path("a.pdf"), {"One two. Three", "Four five"}));
        QVERIFY(writeUnicodePdf(path("b.pdf"), {"Съешь же ещё этих булок. 日本語のテキスト。"}));
        QVERIFY(writeFile(path("damaged.pdf"), "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\ntrailer << /Root 1 0 R >>\n"));
    }

    void tableAsTheDesktopShowsIt()
    {
        PDF_WordCount page(nullptr, toolRecord(9));
        ScriptedQuestions script;
        script.installed();
        QVERIFY(page.run({path("a.pdf"), path("b.pdf")}).isQuiet());
        QStringList table;
        for (const auto& [caption, value] : QList<QPair<const char*, const char*>>{
                 {"Total Words:", "label_Words"}, {"Total Characters:", "label_Characters"}, {"Total Phrases:", "label_Phrases"},
                 {"Number Of Files:", "label_Files"}, {"Total File Size (MB):", "label_fileSize"}, {"Total Pages:", "label_pages"},
                 {"Total Images:", "label_img"}, {"Total Bookmarks:", "label_bookmarks"}})
            table << QString(caption) + "\t" + page.findChild<QLabel*>(value)->text();

        auto r = runCli({"word-count", "a.pdf", "b.pdf"}, dir.path());
        QVERIFY(r.status == 0 && r.err.isEmpty());
        QCOMPARE(r.outLines(), table);

        // One wc-like line per file and a total line.
        r = runCli({"word-count", "--per-file", "a.pdf", "b.pdf"}, dir.path());
        QVERIFY(r.status == 0 && r.outLines().size() == 3);
        const QStringList first = r.outLines()[0].simplified().split(' ');
        const auto& a = page.perFile()[0].tally;
        QCOMPARE(first, QStringList({QString::number(a.words), QString::number(a.characters), QString::number(a.phrases),
                                     "2", "0", "0", QString::number(QFileInfo(path("a.pdf")).size()), path("a.pdf")}));
        QVERIFY(r.outLines()[2].simplified().startsWith(QString::number(page.total().words) + ' '));
        QVERIFY(r.outLines()[2].endsWith(" total"));

        r = runCli({"word-count", "--json", "--per-file", "a.pdf", "b.pdf"}, dir.path());
        QCOMPARE(r.status, 0);
        const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8()).object();
        auto number = [](const QJsonValue& v) { return v.toVariant().toLongLong(); };
        QCOMPARE(number(json["total"]["words"]), page.total().words);
        QCOMPARE(number(json["total"]["characters"]), page.total().characters);
        QCOMPARE(number(json["total"]["files"]), 2);
        QCOMPARE(json["files"].toArray().size(), 2);
        QCOMPARE(json["files"][1]["file"].toString(), path("b.pdf"));
        QCOMPARE(number(json["files"][1]["words"]), page.perFile()[1].tally.words);
    }

    void inputsThatDoNotOpen()
    {
        const auto r = runCli({"word-count", "--per-file", "damaged.pdf", "a.pdf", "gone.pdf"}, dir.path());
        QCOMPARE(r.status, 1);
        QCOMPARE(r.errLines().size(), 2);
        QVERIFY(r.errLines()[0].startsWith("folioforge-cli: damaged.pdf: ") && r.errLines()[1] == "folioforge-cli: gone.pdf: no such file");
        QCOMPARE(r.outLines().size(), 2);  // a.pdf and the total
        QVERIFY(r.outLines()[0].endsWith(path("a.pdf")));
    }
};

QTEST_MAIN(TestWordCountCli)
#include "tst_word_count.moc"
