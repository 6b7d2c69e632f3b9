// The tool base: records, output folder and names, numbered names, the
// save-file question, paper sizes, pre-processing with scripted answers, and
// the engine routines (documents, document information, bookmarks).

#include "featurebase.h"
#include "logformat.h"
#include "pdfengine.h"
#include "enginecore.h"
#include "pdfbuild.h"
#include "pdfread.h"
#include "questions.h"
#include "shellsupport.h"
#include "testsupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

#include <memory>

namespace {

BrandingRecord brandRecord(int brand, int tool)
{
    CustomFileNames names;
    names.directory = QStringLiteral("/nonexistent");
    return makeBrandingRecord(names, brand, tool, false);
}

// The base with its protected routines reachable.
class Page : public FeatureBase
{
public:
    explicit Page(int brand = 1, int tool = 1)
        : FeatureBase(nullptr, brandRecord(brand, tool))
    {
    }
    using FeatureBase::DiscardDocuments;
    using FeatureBase::RemoveOutlines;
};

QStringList outputNames(const QList<FeatureBase::fileList>& list)
{
    QStringList names;
    for (const auto& rec : list)
        names << QFileInfo(rec.outputFile).fileName();
    return names;
}

QList<int> ids(const QList<FeatureBase::fileList>& list)
{
    QList<int> out;
    for (const auto& rec : list)
        out << rec.id;
    return out;
}

void touch(const QString& path, const QByteArray& content = "x")
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

} // namespace

class TestFeatureBase : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString pdf(const QString& name, int pages = 1)
    {
        QStringList texts;
        for (int i = 0; i < pages; ++i)
            texts << QStringLiteral("%1 page %2").arg(name).arg(i + 1);
        const QString path = dir.filePath(name);
        if (!QFileInfo::exists(path))
            writeTextPdf(path, texts);
        return path;
    }

    QString subdir(const QString& name)
    {
        QDir(dir.path()).mkpath(name);
        return dir.filePath(name);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
    }

    void records()
    {
        Page page;
        QVERIFY(page.ToFileList({}).isEmpty());
        const auto list = page.ToFileList({QStringLiteral("/a/x.pdf"), QStringLiteral("/b/y.pdf")});
        QCOMPARE(list.size(), 2);
        QCOMPARE(list.at(1).id, 1);
        QCOMPARE(list.at(1).inputFile, QStringLiteral("/b/y.pdf"));
        QVERIFY(list.at(1).outputFile.isEmpty() && list.at(1).password.isEmpty() && list.at(1).extra.isEmpty());
        QVERIFY(!list.at(1).marked);
    }

    void outputFolderNames()
    {
        Page page;
        ScriptedQuestions script;
        script.installed();
        const QString out = subdir(QStringLiteral("out"));
        const QStringList inputs = {
            QStringLiteral("/a/report.pdf"), QStringLiteral("/b/report.pdf"), QStringLiteral("/c/memo.pdf"),
            QStringLiteral("/d/report.pdf"), QStringLiteral("/e/report(1).pdf"), QStringLiteral("/f/README"),
            QStringLiteral("/g/README"),
        };
        script.queue(Question::ExistingDirectory, out);
        page.skipCollisionCheck = true;
        const auto list = page.Show_SaveToFolder(page.ToFileList(inputs));
        QVERIFY(!page.skipCollisionCheck);
        QCOMPARE(outputNames(list),
                 (QStringList{QStringLiteral("report.pdf"), QStringLiteral("report(1).pdf"), QStringLiteral("memo.pdf"),
                              QStringLiteral("report(2).pdf"), QStringLiteral("report(1)(1).pdf"), QStringLiteral("README"),
                              QStringLiteral("README(1)")}));
        for (const auto& rec : list)
            QCOMPARE(QFileInfo(rec.outputFile).absolutePath(), out);
        QVERIFY(script.asked().first().parent == nullptr);

        // Cancelled: the records keep their (empty) outputs.
        script.queue(Question::ExistingDirectory, QString());
        const auto cancelled = page.Show_SaveToFolder(page.ToFileList(inputs));
        QVERIFY(cancelled.first().outputFile.isEmpty());
    }

    void logLinesNameTheirSource()
    {
        installLogFormat();
        static QStringList lines;
        auto previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            lines << qFormatLogMessage(type, context, message);
        });
        Page page;
        ScriptedQuestions script;
        script.installed();
        script.queue(Question::ExistingDirectory, dir.path());
        page.Show_SaveToFolder(page.ToFileList({QStringLiteral("/a/same.pdf"), QStringLiteral("/b/same.pdf")}));
        qInstallMessageHandler(previous);
        // The numbered name, quoted, with the file, line and function that wrote it.
        const QStringList hits = lines.filter(QStringLiteral("\"same(1).pdf\""));
        QCOMPARE(hits.size(), 1);
        QVERIFY2(hits.first().contains(QRegularExpression(QStringLiteral("featurebase\\.cpp:\\d+ .*Show_SaveToFolder"))),
                 qPrintable(hits.first()));
    }

    void numberedNames()
    {
        QCOMPARE(FeatureBase::NumberedFileName(QStringLiteral("/out/report.pdf"), 3), QStringLiteral("/out/report(3).pdf"));
        QCOMPARE(FeatureBase::NumberedFileName(QStringLiteral("/out/a.b.pdf"), 1), QStringLiteral("/out/a.b(1).pdf"));
        QCOMPARE(FeatureBase::NumberedFileName(QStringLiteral("/out/notes"), 12), QStringLiteral("/out/notes(12)"));
        QCOMPARE(FeatureBase::NumberedFileName(QStringLiteral("x.pdf"), 2), QStringLiteral("x(2).pdf"));
        QCOMPARE(FeatureBase::FileNameOf(QStringLiteral("/a/b/c.pdf")), QStringLiteral("c.pdf"));
        QCOMPARE(FeatureBase::FileNameOf(QStringLiteral("c.pdf")), QStringLiteral("c.pdf"));
        QCOMPARE(FeatureBase::FolderOf(QStringLiteral("/a/b/c.pdf")), QStringLiteral("/a/b"));
    }

    void saveFileQuestion()
    {
        Page page(1, 7);
        ScriptedQuestions script;
        script.installed();
        script.queue(Question::SaveFileName, QStringLiteral("/tmp/x.tiff"));
        page.AskSaveFileName();
        QVERIFY(page.skipCollisionCheck);
        QCOMPARE(page.saveFileName, QStringLiteral("/tmp/x.tiff"));
        QCOMPARE(script.asked().first().filter, QStringLiteral("TIFF File (*.TIFF)"));
        QCOMPARE(script.asked().first().parent, static_cast<QWidget*>(&page));
        page.AskSaveFileName(); // cancelled
        QVERIFY(page.saveFileName.isEmpty());
    }

    void fitRatio()
    {
        QCOMPARE(FeatureBase::FitRatio(612.0, 792.0, 600.0, 400.0), 1.98);
        QCOMPARE(FeatureBase::FitRatio(792.0, 612.0, 600.0, 400.0), 1.53);
        QCOMPARE(FeatureBase::FitRatio(210, 297, 215, 279), 297.0 / 279.0);
        QCOMPARE(FeatureBase::FitRatio(100, 100, 200, 400), 0.5);
    }

    void paperSizes()
    {
        const auto table = FeatureBase::PaperSizeTable();
        QCOMPARE(table.size(), 21);
        QCOMPARE(table.keys(),
                 (QStringList{"A0", "A1", "A2", "A3", "A4", "A5", "A6", "A7", "B0", "B1", "B2", "B3", "B4", "B5",
                              "B5Extra", "Executive", "Ledger", "Legal", "Letter", "Postcard", "Statement"}));
        QCOMPARE(FeatureBase::PaperSizeMillimetres(QStringLiteral("Letter")), QSizeF(215.9, 279.4));
        QCOMPARE(FeatureBase::PaperSizeMillimetres(QStringLiteral("Tabloid?")), QSizeF(210, 297)); // unknown: A4
    }

    void existingOutputs()
    {
        Page page;
        ScriptedQuestions script;
        script.installed();
        const QString out = subdir(QStringLiteral("collide"));
        for (const char* name : {"a.pdf", "b.pdf", "c.pdf", "d.pdf", "x.pdf", "x(1).pdf", "x(2).pdf"})
            touch(QDir(out).filePath(QLatin1String(name)));
        // Missing inputs: no password test, only the output questions.
        const QStringList inputs = {QStringLiteral("/in/a.pdf"), QStringLiteral("/in/b.pdf"), QStringLiteral("/in/c.pdf"),
                                    QStringLiteral("/in/d.pdf"), QStringLiteral("/in/x.pdf"), QStringLiteral("/in/new.pdf")};
        script.queue(Question::ExistingDirectory, out)
            .queue(Question::FileExists, 1)   // a: override
            .queue(Question::FileExists, 2)   // b: skip
            .queue(Question::FileExists, -1)  // c: closed, as override
            .queue(Question::FileExists, 2)   // d: skip
            .queue(Question::FileExists, 0);  // x: rename past x(1), x(2)
        auto list = page.PreProcess(page.Show_SaveToFolder(page.ToFileList(inputs)), false);
        QCOMPARE(ids(list), (QList<int>{0, 2, 4, 5}));
        QCOMPARE(outputNames(list), (QStringList{"a.pdf", "c.pdf", "x(3).pdf", "new.pdf"}));
        QCOMPARE(script.count(Question::FileExists), 5);
        QCOMPARE(script.asked().at(1).text, QStringLiteral("a.pdf"));
        QCOMPARE(script.count(Question::Password), 0);
        QVERIFY(script.mismatches().isEmpty() && script.pending() == 0);
        for (const auto& rec : list)
            QVERIFY(!rec.marked);

        // With the save-file question's flag set, nothing is asked.
        page.skipCollisionCheck = true;
        QList<FeatureBase::fileList> again = page.ToFileList(inputs);
        for (auto& rec : again)
            rec.outputFile = QDir(out).filePath(FeatureBase::FileNameOf(rec.inputFile));
        QCOMPARE(page.PreProcess(again, false).size(), inputs.size());
        QCOMPARE(script.count(Question::FileExists), 5);
    }

    void renameAvoidsOtherRecordsOutputs()
    {
        Page page;
        ScriptedQuestions script;
        script.installed();
        const QString out = subdir(QStringLiteral("claimed"));
        touch(QDir(out).filePath(QStringLiteral("r.pdf")));
        QList<FeatureBase::fileList> list = page.ToFileList({QStringLiteral("/in/1"), QStringLiteral("/in/2")});
        list[0].outputFile = QDir(out).filePath(QStringLiteral("r.pdf"));
        list[1].outputFile = QDir(out).filePath(QStringLiteral("r(1).pdf")); // not written yet
        script.queue(Question::FileExists, 0);
        list = page.PreProcess(list, false);
        QCOMPARE(outputNames(list), (QStringList{"r(2).pdf", "r(1).pdf"}));
    }

    void protectedInputs()
    {
        Page page;
        QVERIFY(page.hasEngine());
        ScriptedQuestions script;
        script.installed();
        const QString plain = pdf(QStringLiteral("plain.pdf"));
        const QString locked = dir.filePath(QStringLiteral("locked.pdf"));
        const QString locked2 = dir.filePath(QStringLiteral("locked2.pdf"));
        QVERIFY(encrypt(pdf(QStringLiteral("source.pdf")), locked, QStringLiteral("s3cret"), QStringLiteral("owner"), 256));
        QVERIFY(encrypt(plain, locked2, QStringLiteral("other"), QStringLiteral("owner"), 256));

        // Typed right on the second try: the record keeps the password.
        script.queue(Question::Password, QStringLiteral("wrong")).queue(Question::Password, QStringLiteral("s3cret"));
        auto list = page.PreProcess(page.ToFileList({plain, locked, plain}), false);
        QCOMPARE(ids(list), (QList<int>{0, 1, 2}));
        QCOMPARE(list.at(1).password, QStringLiteral("s3cret"));
        QVERIFY(list.at(0).password.isEmpty());
        QCOMPARE(script.count(Question::Password), 2);
        QCOMPARE(script.asked().at(0).text, locked);
        QCOMPARE(script.asked().at(0).parent, static_cast<QWidget*>(&page));

        // Cancel drops only that file; the others keep their order and ids.
        script.queue(Question::Password, QVariant()).queue(Question::Password, QStringLiteral("other"));
        list = page.PreProcess(page.ToFileList({plain, locked, locked2, plain}), false);
        QCOMPARE(ids(list), (QList<int>{0, 2, 3}));
        QCOMPARE(list.at(1).password, QStringLiteral("other"));
        QVERIFY(script.mismatches().isEmpty() && script.pending() == 0);
    }

    void testOpeningRules()
    {
        Page page;
        ScriptedQuestions script;
        script.installed();
        const QString missing = dir.filePath(QStringLiteral("missing.pdf"));
        const QString text = dir.filePath(QStringLiteral("notes.txt"));
        touch(text, "not a pdf");

        // Without check a missing input is not opened; a damaged one is.
        auto list = page.PreProcess(page.ToFileList({missing}), false);
        QCOMPARE(list.size(), 1);
        QCOMPARE(script.count(Question::Password), 0);
        list = page.PreProcess(page.ToFileList({text, missing}), false);
        QCOMPARE(ids(list), QList<int>{1}); // no answer = cancel
        QCOMPARE(script.count(Question::Password), 1);

        // With check every input is opened.
        list = page.PreProcess(page.ToFileList({missing}), true);
        QVERIFY(list.isEmpty());
        QCOMPARE(script.count(Question::Password), 2);

        // Records that only carry output names are never opened.
        list = page.PreProcess(page.ToFileList({text, missing}), true, FeatureBase::Inputs::OutputsOnly);
        QCOMPARE(list.size(), 2);
        QCOMPARE(script.count(Question::Password), 2);

        // A fixed scripted password is offered once per file, then given up.
        script.fallback(Question::Password, QStringLiteral("nope"));
        list = page.PreProcess(page.ToFileList({text}), false);
        QVERIFY(list.isEmpty());
        QCOMPARE(script.count(Question::Password), 4);
    }

    void pageWithoutEngine()
    {
        Page page(2, 1);
        QVERIFY(!page.hasEngine());
        QVERIFY(page.engine);
        QVERIFY(!page.engine->engineCore() || page.engine->engineCore()->instance() == 0);
        ScriptedQuestions script;
        script.installed();
        const QString locked = dir.filePath(QStringLiteral("nolib.pdf"));
        QVERIFY(encrypt(pdf(QStringLiteral("nolibsrc.pdf")), locked, QStringLiteral("pw"), QStringLiteral("owner"), 256));
        // Nothing can be opened, so nothing is asked.
        const auto list = page.PreProcess(page.ToFileList({locked, dir.filePath(QStringLiteral("none.pdf"))}), true);
        QCOMPARE(list.size(), 2);
        QCOMPARE(script.asked().size(), 0);
        page.RemoveAllDocuments();
        page.StampDocumentInformation();
        page.StripOutlines(locked);
        QCOMPARE(page.engine->DocumentCount(), 0);
    }

    void removeAllDocuments()
    {
        Page page;
        PdfEngine* e = page.engine;
        page.DiscardDocuments();
        QCOMPARE(e->DocumentCount(), 1);
        const QString a = pdf(QStringLiteral("ra.pdf")), b = pdf(QStringLiteral("rb.pdf"));

        // Two documents: the older goes, the loaded file stays selected.
        QCOMPARE(e->LoadFromFile(a, QString()), 1);
        const int loaded = e->SelectedDocument();
        page.RemoveAllDocuments();
        QCOMPARE(e->DocumentCount(), 1);
        QCOMPARE(e->GetDocumentID(1), loaded);
        QCOMPARE(e->SelectedDocument(), loaded);

        // Three documents: the two oldest go.
        QCOMPARE(e->LoadFromFile(b, QString()), 1);
        e->NewDocument();
        const int newest = e->SelectedDocument();
        QCOMPARE(e->DocumentCount(), 3);
        page.RemoveAllDocuments();
        QCOMPARE(e->DocumentCount(), 1);
        QCOMPARE(e->GetDocumentID(1), newest);

        // Discarding removes every one.
        e->LoadFromFile(a, QString());
        e->LoadFromFile(b, QString());
        page.DiscardDocuments();
        QCOMPARE(e->DocumentCount(), 1);
        QVERIFY(e->GetDocumentID(1) != newest);
    }

    void documentInformationStamp()
    {
        Page page(1, 4);
        PdfEngine* e = page.engine;
        page.DiscardDocuments();
        QCOMPARE(e->LoadFromFile(pdf(QStringLiteral("info.pdf"), 2), QString()), 1);
        e->SetInformation(2, QStringLiteral("Old title"));
        e->SetInformation(6, QStringLiteral("Kept producer"));
        page.StampDocumentInformation();
        const QString out = dir.filePath(QStringLiteral("stamped.pdf"));
        QCOMPARE(e->SaveToFile(out), 1);
        const auto info = testsupport::pdfInfo(out);
        QCOMPARE(info.value(QStringLiteral("Author")), page.branding().toolUrl);
        QCOMPARE(info.value(QStringLiteral("Creator")), QStringLiteral("PDF-Page-Resizer"));
        QCOMPARE(info.value(QStringLiteral("Title")), QString());
        QCOMPARE(info.value(QStringLiteral("Producer")), QStringLiteral("Kept producer"));
        QCOMPARE(info.value(QStringLiteral("Pages")), QStringLiteral("2"));
        page.DiscardDocuments();
    }

    void stripOutlinesLeavesNone()
    {
        Page page;
        PdfEngine* e = page.engine;
        const QString file = dir.filePath(QStringLiteral("marked.pdf"));
        writeTextPdf(file, {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
        // Nine chapters of two sections each.
        std::vector<std::pair<int, QString>> items;
        for (int i = 1; i <= 9; ++i) {
            items.emplace_back(0, QStringLiteral("Chapter %1").arg(i));
            items.emplace_back(1, QStringLiteral("Section %1.1").arg(i));
            items.emplace_back(1, QStringLiteral("Section %1.2").arg(i));
        }
        QVERIFY(addOutlines(file, items));
        QCOMPARE(outlines(file, WithPage).size(), 27);

        page.DiscardDocuments();
        QCOMPARE(e->LoadFromFile(file, QString()), 1);
        QCOMPARE(e->OutlineCount(), 27);
        page.StripOutlines(file);
        QCOMPARE(outlines(file, WithPage), QStringList());
        QVERIFY(testsupport::qpdfCheck(file));
        QCOMPARE(testsupport::qpdfPageCount(file), 3);
        QCOMPARE(testsupport::pdfInfo(file).value(QStringLiteral("Creator")), QStringLiteral("PDF-Merger"));

        // In memory: every bookmark of the selected document goes.
        QVERIFY(addOutlines(file, items));
        page.DiscardDocuments();
        QCOMPARE(e->LoadFromFile(file, QString()), 1);
        page.RemoveOutlines();
        QCOMPARE(e->OutlineCount(), 0);
        page.DiscardDocuments();
    }
};

QTEST_MAIN(TestFeatureBase)
#include "tst_featurebase.moc"
