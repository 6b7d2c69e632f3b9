// The PDF merger end to end on real PDFs, checked with QPDF and Poppler's
// tools: page order and counts, file-name bookmarks, protected sources, the
// same source twice, sources with bookmarks, replacing an existing output,
// an output that is one of the sources, sources that do not open, and the
// runs that must write nothing.

#include "pdf_merger.h"
#include "pdfengine.h"
#include "pdfbuild.h"
#include "pdfread.h"
#include "questions.h"
#include "shellsupport.h"
#include "testsupport.h"

#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

BrandingRecord record(int brand = 1)
{
    CustomFileNames names;
    names.directory = QStringLiteral("/nonexistent");
    return makeBrandingRecord(names, brand, 1, false);
}

// The file's bookmarks as "title@page", after checking that all are top level.
QStringList topLevel(const QString& path)
{
    return outlines(path, WithDepth | WithPage).replaceInStrings(QRegularExpression("^0:"), "");
}

} // namespace

class TestMerger : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString a, b, c; // 3, 2 and 4 pages

    // A source whose page texts are name-1, name-2, ...
    QString source(const QString& name, int pages)
    {
        QStringList texts;
        for (int i = 1; i <= pages; ++i)
            texts << QStringLiteral("%1-%2").arg(name).arg(i);
        const QString path = dir.filePath(name + QStringLiteral(".pdf"));
        if (!writeTextPdf(path, texts))
            qWarning() << "cannot write" << path;
        return path;
    }

    QString output(const QString& name)
    {
        const QString path = dir.filePath(name);
        QFile::remove(path);
        return path;
    }

    static void useFileNames(PDF_Merger& merger, bool on)
    {
        merger.findChild<QRadioButton*>(on ? QStringLiteral("radioButton_2") : QStringLiteral("radioButton"))->setChecked(true);
    }

    // Runs a merge that answers the save question with `out`.
    static void merge(PDF_Merger& merger, ScriptedQuestions& script, const QStringList& sources, const QString& out)
    {
        script.queue(Question::SaveFileName, out);
        merger.Process(sources);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        a = source(QStringLiteral("a"), 3);
        b = source(QStringLiteral("b"), 2);
        c = source(QStringLiteral("c"), 4);
    }

    void bookmarkEntries()
    {
        PDF_Merger::BookmarkMap map;
        FeatureBase::fileList rec;
        rec.inputFile = QStringLiteral("/in/x.pdf");
        PDF_Merger::AddBookmarkEntry(map, rec, 0);
        rec.inputFile = QStringLiteral("/in/y.pdf");
        PDF_Merger::AddBookmarkEntry(map, rec, 0);
        PDF_Merger::AddBookmarkEntry(map, rec, 3);
        QCOMPARE(map.size(), 2);
        QCOMPARE(map.value(1), QStringLiteral("y.pdf"));
        QCOMPARE(map.value(4), QStringLiteral("y.pdf"));
    }

    void mergesInListOrder()
    {
        PDF_Merger merger(nullptr, record());
        ScriptedQuestions script;
        script.installed();
        const QString out = output(QStringLiteral("merged.pdf"));
        merge(merger, script, {a, b, c}, out);
        QVERIFY(testsupport::qpdfCheck(out));
        QCOMPARE(testsupport::qpdfPageCount(out), 9);
        QCOMPARE(pageTexts(out),
                 (QStringList{"a-1", "a-2", "a-3", "b-1", "b-2", "c-1", "c-2", "c-3", "c-4"}));
        QCOMPARE(outlines(out, WithPage), QStringList());
        const auto info = testsupport::pdfInfo(out);
        QCOMPARE(info.value(QStringLiteral("Author")), merger.branding().toolUrl);
        QCOMPARE(info.value(QStringLiteral("Creator")), QStringLiteral("PDF-Merger"));
        QCOMPARE(info.value(QStringLiteral("Encrypted")), QStringLiteral("no"));
        // One question: the output file. Existing sources are opened without asking.
        QCOMPARE(script.asked().size(), 1);
        QCOMPARE(script.asked().first().filter, QStringLiteral("PDF files(*.PDF)"));
        // The engine is left with nothing loaded.
        QCOMPARE(merger.engine->DocumentCount(), 1);
    }

    void fileNameBookmarksInPageOrder()
    {
        PDF_Merger merger(nullptr, record());
        useFileNames(merger, true);
        ScriptedQuestions script;
        script.installed();
        const QString out = output(QStringLiteral("bookmarked.pdf"));
        merge(merger, script, {a, b, c}, out);
        QCOMPARE(testsupport::qpdfPageCount(out), 9);
        QCOMPARE(topLevel(out), (QStringList{"a.pdf@1", "b.pdf@4", "c.pdf@6"}));
        QVERIFY(testsupport::qpdfCheck(out));
    }

    void sameSourceTwice()
    {
        PDF_Merger merger(nullptr, record());
        useFileNames(merger, true);
        ScriptedQuestions script;
        script.installed();
        const QString out = output(QStringLiteral("twice.pdf"));
        merge(merger, script, {b, b}, out);
        QCOMPARE(pageTexts(out), (QStringList{"b-1", "b-2", "b-1", "b-2"}));
        QCOMPARE(topLevel(out), (QStringList{"b.pdf@1", "b.pdf@3"}));
    }

    void sourcesWithTheirOwnBookmarks()
    {
        const QString marked = source(QStringLiteral("marked"), 3);
        QVERIFY(addOutlines(marked, {{0, "One"}, {1, "One.1"}, {1, "One.2"}, {0, "Two"}, {1, "Two.1"},
                                                    {2, "Two.1.1"}, {0, "Three"}, {0, "Four"}, {0, "Five"}}));
        const QString marked2 = source(QStringLiteral("marked2"), 2);
        QVERIFY(addOutlines(marked2, {{0, "Alpha"}, {1, "Alpha.1"}, {0, "Beta"}}));

        PDF_Merger merger(nullptr, record());
        ScriptedQuestions script;
        script.installed();
        const QString plain = output(QStringLiteral("stripped.pdf"));
        merge(merger, script, {marked, a, marked2}, plain);
        QCOMPARE(testsupport::qpdfPageCount(plain), 8);
        QCOMPARE(outlines(plain, WithPage), QStringList());
        QVERIFY(testsupport::qpdfCheck(plain));

        useFileNames(merger, true);
        const QString named = output(QStringLiteral("renamed.pdf"));
        merge(merger, script, {marked, a, marked2}, named);
        QCOMPARE(topLevel(named),
                 (QStringList{"marked.pdf@1", "a.pdf@4", "marked2.pdf@7"}));
        // The sources are untouched.
        QCOMPARE(outlines(marked, WithPage).size(), 9);
    }

    void protectedSource()
    {
        const QString locked = dir.filePath(QStringLiteral("locked.pdf"));
        QVERIFY(encrypt(b, locked, QStringLiteral("open-sesame"), QStringLiteral("owner"), 256));
        PDF_Merger merger(nullptr, record());
        useFileNames(merger, true);
        ScriptedQuestions script;
        script.installed();
        const QString out = output(QStringLiteral("with-locked.pdf"));
        script.queue(Question::SaveFileName, out)
            .queue(Question::Password, QStringLiteral("guess"))
            .queue(Question::Password, QStringLiteral("open-sesame"));
        merger.Process({a, locked, c});
        QCOMPARE(script.count(Question::Password), 2);
        QCOMPARE(pageTexts(out),
                 (QStringList{"a-1", "a-2", "a-3", "b-1", "b-2", "c-1", "c-2", "c-3", "c-4"}));
        QCOMPARE(topLevel(out),
                 (QStringList{"a.pdf@1", "locked.pdf@4", "c.pdf@6"}));
        QCOMPARE(testsupport::pdfInfo(out).value(QStringLiteral("Encrypted")), QStringLiteral("no"));

        // A protected first source: the result is not protected either.
        const QString out2 = output(QStringLiteral("locked-first.pdf"));
        script.queue(Question::SaveFileName, out2).queue(Question::Password, QStringLiteral("open-sesame"));
        merger.Process({locked, a});
        QCOMPARE(testsupport::pdfInfo(out2).value(QStringLiteral("Encrypted")), QStringLiteral("no"));
        QCOMPARE(testsupport::qpdfPageCount(out2), 5);

        // Cancelled: that source is left out, the others keep their order.
        const QString out3 = output(QStringLiteral("without-locked.pdf"));
        script.queue(Question::SaveFileName, out3).queue(Question::Password, QVariant());
        merger.Process({c, locked, a});
        QCOMPARE(pageTexts(out3), (QStringList{"c-1", "c-2", "c-3", "c-4", "a-1", "a-2", "a-3"}));
        QCOMPARE(topLevel(out3), (QStringList{"c.pdf@1", "a.pdf@5"}));

        // Only one source left: a copy of its pages.
        const QString out4 = output(QStringLiteral("only-one.pdf"));
        script.queue(Question::SaveFileName, out4).queue(Question::Password, QVariant());
        merger.Process({locked, b});
        QCOMPARE(pageTexts(out4), (QStringList{"b-1", "b-2"}));
        QVERIFY(script.mismatches().isEmpty() && script.pending() == 0);
    }

    void existingOutputIsReplaced()
    {
        PDF_Merger merger(nullptr, record());
        ScriptedQuestions script;
        script.installed();
        const QString out = output(QStringLiteral("existing.pdf"));
        writeTextPdf(out, {QStringLiteral("old content")});
        merge(merger, script, {c, a}, out);
        QCOMPARE(script.count(Question::FileExists), 0);
        QCOMPARE(pageTexts(out), (QStringList{"c-1", "c-2", "c-3", "c-4", "a-1", "a-2", "a-3"}));
    }

    void outputIsOneOfTheSources()
    {
        const QString x = source(QStringLiteral("x"), 2);
        const QString y = source(QStringLiteral("y"), 1);
        const QString z = source(QStringLiteral("z"), 3);
        PDF_Merger merger(nullptr, record());
        useFileNames(merger, true);
        ScriptedQuestions script;
        script.installed();
        merge(merger, script, {x, y, z}, y);
        QCOMPARE(pageTexts(y), (QStringList{"x-1", "x-2", "y-1", "z-1", "z-2", "z-3"}));
        QCOMPARE(topLevel(y), (QStringList{"x.pdf@1", "y.pdf@3", "z.pdf@4"}));
        QVERIFY(testsupport::qpdfCheck(y));

        // The first source as the output.
        const QString p = source(QStringLiteral("p"), 1);
        const QString q = source(QStringLiteral("q"), 2);
        merge(merger, script, {p, q, p}, p);
        QCOMPARE(pageTexts(p), (QStringList{"p-1", "q-1", "q-2", "p-1"}));
    }

    void sourcesThatDoNotOpenAreSkipped()
    {
        PDF_Merger merger(nullptr, record());
        useFileNames(merger, true);
        ScriptedQuestions script;
        script.installed();
        const QString missing = dir.filePath(QStringLiteral("gone.pdf"));
        const QString out = output(QStringLiteral("skipping.pdf"));
        merge(merger, script, {missing, a, missing, b}, out);
        QCOMPARE(pageTexts(out), (QStringList{"a-1", "a-2", "a-3", "b-1", "b-2"}));
        QCOMPARE(topLevel(out), (QStringList{"a.pdf@1", "b.pdf@4"}));

        // Nothing opens: nothing is written.
        const QString none = output(QStringLiteral("nothing.pdf"));
        merge(merger, script, {missing, missing}, none);
        QVERIFY(!QFileInfo::exists(none));
    }

    void runsThatWriteNothing()
    {
        PDF_Merger merger(nullptr, record());
        ScriptedQuestions script;
        script.installed();
        // Fewer than two sources: nothing is asked.
        merger.Process({});
        merger.Process({a});
        QCOMPARE(script.asked().size(), 0);

        // A cancelled save question ends the run before anything is opened.
        const QString locked = dir.filePath(QStringLiteral("locked-cancel.pdf"));
        QVERIFY(encrypt(a, locked, QStringLiteral("pw"), QStringLiteral("owner"), 256));
        script.queue(Question::SaveFileName, QString());
        merger.Process({locked, b});
        QCOMPARE(script.asked().size(), 1);

        // Every source dropped by its password question: the run ends there.
        const QString out = output(QStringLiteral("all-dropped.pdf"));
        script.queue(Question::SaveFileName, out).queue(Question::Password, QVariant()).queue(Question::Password, QVariant());
        merger.Process({locked, locked});
        QVERIFY(!QFileInfo::exists(out));
        QVERIFY(script.mismatches().isEmpty() && script.pending() == 0);
    }

    void pageWithoutEngineWritesNothing()
    {
        PDF_Merger merger(nullptr, record(2));
        QVERIFY(!merger.hasEngine());
        ScriptedQuestions script;
        script.installed();
        const QString out = output(QStringLiteral("no-engine.pdf"));
        merge(merger, script, {a, b}, out);
        QVERIFY(!QFileInfo::exists(out));
        QCOMPARE(script.count(Question::Password), 0);
    }
};

QTEST_MAIN(TestMerger)
#include "tst_merger.moc"
