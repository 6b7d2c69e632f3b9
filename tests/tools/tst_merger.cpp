// The PDF merger end to end on real PDFs, checked with QPDF and Poppler's
// tools: page order, file-name bookmarks, protected sources, the same source
// twice, sources with bookmarks, replacing an existing output, an output that
// is one of the sources, sources that do not open, runs that write nothing.
// (A protected first source and a single source left: tests/cli/tst_inputs.cpp;
// the output in the middle of the sources: tests/cli/tst_merge.cpp.)

#include "pdf_merger.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "pdfread.h"
#include "questions.h"
#include "testsupport.h"
#include "toolsupport.h"

#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

// The file's bookmarks as "title@page"; any below the top level show their depth.
QStringList topLevel(const QString& path)
{
    return outlines(path, WithDepth | WithPage).replaceInStrings(QRegularExpression("^0:"), "");
}

} // namespace

class TestMerger : public ToolSuite
{
    Q_OBJECT

    PDF_Merger merger{nullptr, toolRecord(1)};

    // name.pdf with pages name-1 .. name-n.
    QString source(const QString& name, int pages)
    {
        return writeTextPdf(path(name + ".pdf"), numberedTexts(name + "-", pages)) ? path(name + ".pdf") : QString();
    }

    // Runs a merge of these files (names in the test folder) that answers the
    // save question with out and the password questions as given.
    const RunReport& merge(const QStringList& names, const QString& out, bool fileNames = true, const QVariantList& passwords = {})
    {
        merger.findChild<QRadioButton*>(fileNames ? "radioButton_2" : "radioButton")->setChecked(true);
        script.queue(Question::SaveFileName, path(out));
        for (const QVariant& password : passwords)
            script.queue(Question::Password, password);
        return merger.run(pathsIn(dir, names));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(!source("a", 3).isEmpty() && !source("b", 2).isEmpty() && !source("c", 4).isEmpty());
        QVERIFY(addOutlines(source("marked", 3), {{0, "One"}, {1, "One.1"}, {1, "One.2"}, {0, "Two"}, {1, "Two.1"}, {2, "Two.1.1"}, {0, "Three"}}));
        QVERIFY(addOutlines(source("marked2", 2), {{0, "Alpha"}, {1, "Alpha.1"}, {0, "Beta"}}));
        QVERIFY(encrypt(path("b.pdf"), path("locked.pdf"), "open-sesame", "owner"));
    }

    void mergesInListOrder_data()
    {
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<bool>("fileNames");
        QTest::addColumn<QVariantList>("passwords");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("bookmarks");
        QTest::addColumn<QStringList>("problems");
        const QStringList abc{"a-1", "a-2", "a-3", "b-1", "b-2", "c-1", "c-2", "c-3", "c-4"};
        QTest::newRow("plain") << QStringList{"a.pdf", "b.pdf", "c.pdf"} << false << QVariantList() << abc << QStringList() << QStringList();
        QTest::newRow("file names as bookmarks") << QStringList{"a.pdf", "b.pdf", "c.pdf"} << true << QVariantList() << abc
                                                 << QStringList{"a.pdf@1", "b.pdf@4", "c.pdf@6"} << QStringList();
        // The sources' own bookmarks go, with file names or without.
        const QStringList marked{"marked-1", "marked-2", "marked-3", "a-1", "a-2", "a-3", "marked2-1", "marked2-2"};
        QTest::newRow("sources with bookmarks") << QStringList{"marked.pdf", "a.pdf", "marked2.pdf"} << false << QVariantList() << marked
                                                << QStringList() << QStringList();
        QTest::newRow("sources with bookmarks, file names") << QStringList{"marked.pdf", "a.pdf", "marked2.pdf"} << true << QVariantList() << marked
                                                            << QStringList{"marked.pdf@1", "a.pdf@4", "marked2.pdf@7"} << QStringList();
        QTest::newRow("a protected source") << QStringList{"a.pdf", "locked.pdf", "c.pdf"} << true << QVariantList{"open-sesame"} << abc
                                            << QStringList{"a.pdf@1", "locked.pdf@4", "c.pdf@6"} << QStringList();
        // Missing, or its password question cancelled: left out, the others
        // keep their order and their bookmarks their pages.
        QTest::newRow("sources left out") << QStringList{"gone.pdf", "c.pdf", "locked.pdf", "gone.pdf", "a.pdf"} << true << QVariantList{QVariant()}
                                          << QStringList{"c-1", "c-2", "c-3", "c-4", "a-1", "a-2", "a-3"} << QStringList{"c.pdf@1", "a.pdf@5"}
                                          << QStringList{"gone.pdf: no such file; left out", "locked.pdf: protected: needs a password; left out",
                                                         "gone.pdf: no such file; left out"};
    }

    void mergesInListOrder()
    {
        QFETCH(QStringList, sources);
        QFETCH(bool, fileNames);
        QFETCH(QVariantList, passwords);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, bookmarks);
        QFETCH(QStringList, problems);
        // An existing output is replaced without a question.
        QVERIFY(writeTextPdf(path("merged.pdf"), {"old content"}));
        const int asked = script.asked().size();
        const RunReport& report = merge(sources, "merged.pdf", fileNames, passwords);
        QCOMPARE(report.problemLines(), problems.replaceInStrings(QRegularExpression("^"), dir.path() + "/"));
        QVERIFY(qpdfCheck(path("merged.pdf")));
        QCOMPARE(pageTexts(path("merged.pdf")), texts);
        QCOMPARE(topLevel(path("merged.pdf")), bookmarks);
        const auto info = pdfInfo(path("merged.pdf"));
        QCOMPARE(info.value("Author"), merger.branding().toolUrl);
        QCOMPARE(info.value("Creator"), "PDF-Merger");
        QCOMPARE(info.value("Encrypted"), "no");
        // The output file is asked for first; sources are opened without
        // asking but for their passwords.
        QCOMPARE(script.asked().size() - asked, 1 + passwords.size());
        QCOMPARE(script.asked().value(asked).filter, "PDF files(*.PDF)");
        QCOMPARE(merger.engine->DocumentCount(), 1);  // nothing left loaded
        QCOMPARE(outlines(path("marked.pdf")).size(), 7);  // the sources are untouched
    }

    void outputIsOneOfTheSources()
    {
        // No source is overwritten before it has been read: the first one as
        // the output, and twice among the sources.
        QVERIFY(!source("p", 1).isEmpty() && !source("q", 2).isEmpty());
        merge({"p.pdf", "q.pdf", "p.pdf"}, "p.pdf");
        QVERIFY(qpdfCheck(path("p.pdf")));
        QCOMPARE(pageTexts(path("p.pdf")), QStringList({"p-1", "q-1", "q-2", "p-1"}));
        QCOMPARE(topLevel(path("p.pdf")), QStringList({"p.pdf@1", "q.pdf@2", "p.pdf@4"}));
    }

    void runsThatWriteNothing()
    {
        // Fewer than two sources: nothing is asked.
        const int asked = script.asked().size();
        merger.Process({});
        merger.Process({path("a.pdf")});
        QCOMPARE(script.asked().size(), asked);
        // A cancelled save question ends the run before anything is opened.
        script.queue(Question::SaveFileName, QString());
        merger.Process({path("locked.pdf"), path("b.pdf")});
        QCOMPARE(script.asked().size(), asked + 1);
        // Every source missing or dropped by its password question: the run ends there.
        merge({"gone.pdf", "locked.pdf", "locked.pdf"}, "all-dropped.pdf", true, {QVariant(), QVariant()});
        QVERIFY(!QFileInfo::exists(path("all-dropped.pdf")));
        // Stopped by the user: nothing is written, and the report says why.
        script.stopAfter(script.progressSteps().size() + 2);
        QVERIFY(merge({"a.pdf", "b.pdf", "c.pdf"}, "stopped.pdf").cancelled());
        script.stopAfter(-1);
        QVERIFY(!QFileInfo::exists(path("stopped.pdf")));
        // A page without an engine writes nothing and asks no password.
        PDF_Merger noEngine(nullptr, toolRecord(1, 2));
        QVERIFY(!noEngine.hasEngine());
        ScriptedQuestions own;
        own.installed().queue(Question::SaveFileName, path("no-engine.pdf"));
        noEngine.Process({path("locked.pdf"), path("b.pdf")});
        QVERIFY(!QFileInfo::exists(path("no-engine.pdf")));
        QCOMPARE(own.count(Question::Password), 0);
    }
};

QTEST_MAIN(TestMerger)
#include "tst_merger.moc"
