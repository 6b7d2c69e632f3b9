// The tool base: output folder and names, numbered names, the save-file
// question, paper sizes, pre-processing with scripted answers, and the engine
// routines (documents, document information, bookmarks).

#include "featurebase.h"
#include "logformat.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "enginecore.h"
#include "pdfread.h"
#include "questions.h"
#include "testsupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

// The base with its protected routines reachable.
class Page : public FeatureBase
{
public:
    explicit Page(int brand = 1, int tool = 1)
        : FeatureBase(nullptr, record(brand, tool))
    {
    }
    using FeatureBase::DiscardDocuments;
    using FeatureBase::RemoveOutlines;

    static BrandingRecord record(int brand, int tool)
    {
        CustomFileNames names;
        names.directory = "/nonexistent";
        return makeBrandingRecord(names, brand, tool, false);
    }
};

// "id:output file name" of each record.
QStringList outputs(const QList<FeatureBase::fileList>& list)
{
    QStringList out;
    for (const auto& rec : list)
        out << QString("%1:%2").arg(rec.id).arg(QFileInfo(rec.outputFile).fileName());
    return out;
}

} // namespace

class TestFeatureBase : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    ScriptedQuestions script;

    QString pdf(const QString& name, int pages = 1)
    {
        QStringList texts;
        for (int i = 1; i <= pages; ++i)
            texts << QString("%1 page %2").arg(name).arg(i);
        return writeTextPdf(dir.filePath(name), texts) ? dir.filePath(name) : QString();
    }

    QString subdir(const QString& name)
    {
        QDir(dir.path()).mkpath(name);
        return dir.filePath(name);
    }

private slots:
    void initTestCase()
    {
        script.installed();
        QVERIFY(pdf("plain.pdf") != QString());
        QVERIFY(encrypt(pdf("source.pdf"), dir.filePath("locked.pdf"), "s3cret", "owner"));
        QVERIFY(encrypt(dir.filePath("plain.pdf"), dir.filePath("locked2.pdf"), "other", "owner"));
    }

    void init()
    {
        QVERIFY(script.mismatches().isEmpty() && script.pending() == 0);
    }

    void outputFolderNames()
    {
        // Three or more inputs of one name get name, name(1), name(2): never two equal outputs.
        Page page;
        const QString out = subdir("out");
        const QStringList inputs = {"/a/report.pdf", "/b/report.pdf", "/c/memo.pdf", "/d/report.pdf", "/e/report(1).pdf", "/f/README", "/g/README"};
        script.queue(Question::ExistingDirectory, out).queue(Question::ExistingDirectory, QString());
        page.skipCollisionCheck = true;
        const auto list = page.Show_SaveToFolder(page.ToFileList(inputs));
        QVERIFY(!page.skipCollisionCheck);
        QCOMPARE(outputs(list), QStringList({"0:report.pdf", "1:report(1).pdf", "2:memo.pdf", "3:report(2).pdf", "4:report(1)(1).pdf",
                                             "5:README", "6:README(1)"}));
        QCOMPARE(QFileInfo(list[3].outputFile).absolutePath(), out);
        QVERIFY(script.asked().last().parent == nullptr);
        // Cancelled: the records keep their (empty) outputs.
        QVERIFY(page.Show_SaveToFolder(page.ToFileList(inputs)).first().outputFile.isEmpty());
    }

    void logLinesNameTheirSource()
    {
        installLogFormat();
        static QStringList lines;
        auto previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            lines << qFormatLogMessage(type, context, message);
        });
        Page page;
        script.queue(Question::ExistingDirectory, dir.path());
        page.Show_SaveToFolder(page.ToFileList({"/a/same.pdf", "/b/same.pdf"}));
        qInstallMessageHandler(previous);
        // The numbered name, quoted, with the file, line and function that wrote it.
        const QStringList hits = lines.filter("\"same(1).pdf\"");
        QCOMPARE(hits.size(), 1);
        QVERIFY2(hits[0].contains(QRegularExpression("featurebase\\.cpp:\\d+ .*Show_SaveToFolder")), qPrintable(hits[0]));
    }

    void namesPaperAndTheSaveQuestion()
    {
        QCOMPARE(FeatureBase::NumberedFileName("/out/report.pdf", 3), "/out/report(3).pdf");
        QCOMPARE(FeatureBase::NumberedFileName("/out/a.b.pdf", 1), "/out/a.b(1).pdf");
        QCOMPARE(FeatureBase::NumberedFileName("/out/notes", 12), "/out/notes(12)");
        QCOMPARE(FeatureBase::NumberedFileName("x.pdf", 2), "x(2).pdf");
        QCOMPARE(FeatureBase::FileNameOf("/a/b/c.pdf"), "c.pdf");
        QCOMPARE(FeatureBase::FolderOf("/a/b/c.pdf"), "/a/b");
        QCOMPARE(FeatureBase::PaperSizeTable().keys(), QStringList({"A0", "A1", "A2", "A3", "A4", "A5", "A6", "A7", "B0", "B1", "B2", "B3", "B4", "B5",
                                                                    "B5Extra", "Executive", "Ledger", "Legal", "Letter", "Postcard", "Statement"}));
        QCOMPARE(FeatureBase::PaperSizeMillimetres("Letter"), QSizeF(215.9, 279.4));
        QCOMPARE(FeatureBase::PaperSizeMillimetres("Tabloid?"), QSizeF(210, 297));  // unknown: A4

        Page page(1, 7);
        script.queue(Question::SaveFileName, "/tmp/x.tiff").queue(Question::SaveFileName, QString());
        page.AskSaveFileName();
        QVERIFY(page.skipCollisionCheck);
        QCOMPARE(page.saveFileName, "/tmp/x.tiff");
        QCOMPARE(script.asked().last().filter, "TIFF File (*.TIFF)");
        QCOMPARE(script.asked().last().parent, static_cast<QWidget*>(&page));
        page.AskSaveFileName();  // cancelled
        QVERIFY(page.saveFileName.isEmpty());
    }

    void existingOutputs()
    {
        Page page;
        const QString out = subdir("collide");
        for (const char* name : {"a.pdf", "b.pdf", "c.pdf", "d.pdf", "x.pdf", "x(1).pdf", "x(2).pdf"})
            QVERIFY(writeFile(QDir(out).filePath(name), "x"));
        // Missing inputs: no password test, only the output questions.
        const QStringList inputs = {"/in/a.pdf", "/in/b.pdf", "/in/c.pdf", "/in/d.pdf", "/in/x.pdf", "/in/new.pdf"};
        script.queue(Question::ExistingDirectory, out)
            .queue(Question::FileExists, 1)   // a: override
            .queue(Question::FileExists, 2)   // b: skip
            .queue(Question::FileExists, -1)  // c: closed, as override
            .queue(Question::FileExists, 2)   // d: skip
            .queue(Question::FileExists, 0);  // x: rename past x(1), x(2)
        const int before = script.asked().size();
        auto list = page.PreProcess(page.Show_SaveToFolder(page.ToFileList(inputs)), false);
        QCOMPARE(outputs(list), QStringList({"0:a.pdf", "2:c.pdf", "4:x(3).pdf", "5:new.pdf"}));
        QCOMPARE(script.asked().size() - before, 6);
        QCOMPARE(script.asked()[before + 1].text, "a.pdf");
        for (const auto& rec : list)
            QVERIFY(!rec.marked);

        // With the save-file question's flag set, nothing is asked.
        page.skipCollisionCheck = true;
        for (auto& rec : list)
            rec.outputFile = QDir(out).filePath(FeatureBase::FileNameOf(rec.inputFile));
        QCOMPARE(page.PreProcess(list, false).size(), list.size());

        // Renaming avoids the outputs other records claim, written or not.
        page.skipCollisionCheck = false;
        list = page.ToFileList({"/in/1", "/in/2"});
        list[0].outputFile = QDir(out).filePath("a.pdf");
        list[1].outputFile = QDir(out).filePath("a(1).pdf");
        script.queue(Question::FileExists, 0);
        QCOMPARE(outputs(page.PreProcess(list, false)), QStringList({"0:a(2).pdf", "1:a(1).pdf"}));
        QCOMPARE(script.asked().size() - before, 7);
    }

    void protectedInputs()
    {
        Page page;
        QVERIFY(page.hasEngine());
        const QString plain = dir.filePath("plain.pdf"), locked = dir.filePath("locked.pdf");
        // Typed right on the second try: the record keeps the password.
        script.queue(Question::Password, "wrong").queue(Question::Password, "s3cret");
        auto list = page.PreProcess(page.ToFileList({plain, locked, plain}), false);
        QCOMPARE(outputs(list), QStringList({"0:", "1:", "2:"}));
        QVERIFY(list[0].password.isEmpty() && list[1].password == "s3cret");
        QCOMPARE(script.asked().last().text, locked);
        QCOMPARE(script.asked().last().parent, static_cast<QWidget*>(&page));
        // Cancel drops only that file; the others keep their order and ids.
        script.queue(Question::Password, QVariant()).queue(Question::Password, "other");
        list = page.PreProcess(page.ToFileList({plain, locked, dir.filePath("locked2.pdf"), plain}), false);
        QCOMPARE(outputs(list), QStringList({"0:", "2:", "3:"}));
        QCOMPARE(list[1].password, "other");
    }

    void whichInputsAreOpened()
    {
        Page page;
        const QString missing = dir.filePath("missing.pdf"), text = dir.filePath("notes.txt");
        QVERIFY(writeFile(text, "not a pdf"));
        const int before = script.count(Question::Password);
        // Without check a missing input is not opened; a damaged one is, and no answer drops it.
        QCOMPARE(page.PreProcess(page.ToFileList({missing}), false).size(), 1);
        QCOMPARE(outputs(page.PreProcess(page.ToFileList({text, missing}), false)), QStringList{"1:"});
        QCOMPARE(script.count(Question::Password) - before, 1);
        // With check every input is opened; records that only carry output names never are.
        QVERIFY(page.PreProcess(page.ToFileList({missing}), true).isEmpty());
        QCOMPARE(page.PreProcess(page.ToFileList({text, missing}), true, FeatureBase::Inputs::OutputsOnly).size(), 2);
        QCOMPARE(script.count(Question::Password) - before, 2);
        // A fixed scripted password is offered once per file, then given up.
        ScriptedQuestions fixed;
        fixed.installed().fallback(Question::Password, "nope");
        QVERIFY(page.PreProcess(page.ToFileList({text}), false).isEmpty());
        QCOMPARE(fixed.count(Question::Password), 2);
    }

    void pageWithoutEngine()
    {
        // Brand 2 has no engine: nothing can be opened, so nothing is asked, and no routine reaches an engine.
        Page page(2, 1);
        QVERIFY(!page.hasEngine() && page.engine);
        QVERIFY(!page.engine->engineCore() || page.engine->engineCore()->instance() == 0);
        const int before = script.asked().size();
        QCOMPARE(page.PreProcess(page.ToFileList({dir.filePath("locked.pdf"), dir.filePath("none.pdf")}), true).size(), 2);
        QCOMPARE(script.asked().size(), before);
        page.RemoveAllDocuments();
        page.StampDocumentInformation();
        page.StripOutlines(dir.filePath("locked.pdf"));
        QCOMPARE(page.engine->DocumentCount(), 0);
    }

    void removeAllDocuments()
    {
        Page page;
        PdfEngine* e = page.engine;
        const QString a = pdf("ra.pdf"), b = pdf("rb.pdf");
        // Two documents: the older goes, the loaded file stays selected.
        QCOMPARE(e->LoadFromFile(a, QString()), 1);
        const int loaded = e->SelectedDocument();
        page.RemoveAllDocuments();
        QCOMPARE(e->DocumentCount(), 1);
        QCOMPARE(e->GetDocumentID(1), loaded);
        QCOMPARE(e->SelectedDocument(), loaded);
        // Three documents: the two oldest go, whichever is selected.
        QCOMPARE(e->LoadFromFile(b, QString()), 1);
        const int newest = e->NewDocument();
        QCOMPARE(e->SelectDocument(loaded), 1);
        page.RemoveAllDocuments();
        QCOMPARE(e->DocumentCount(), 1);
        QCOMPARE(e->GetDocumentID(1), newest);
        // Discarding removes every one.
        e->LoadFromFile(a, QString());
        page.DiscardDocuments();
        QCOMPARE(e->DocumentCount(), 1);
        QVERIFY(e->GetDocumentID(1) != newest);
    }

    void documentInformationStamp()
    {
        Page page(1, 4);
        PdfEngine* e = page.engine;
        QCOMPARE(e->LoadFromFile(pdf("info.pdf", 2), QString()), 1);
        e->SetInformation(2, "Old title");
        e->SetInformation(6, "Kept producer");
        page.StampDocumentInformation();
        QCOMPARE(e->SaveToFile(dir.filePath("stamped.pdf")), 1);
        const auto info = pdfInfo(dir.filePath("stamped.pdf"));
        QCOMPARE(info.value("Author"), page.branding().toolUrl);
        QCOMPARE(info.value("Creator"), "PDF-Page-Resizer");
        QCOMPARE(info.value("Title"), QString());
        QCOMPARE(info.value("Producer"), "Kept producer");
        page.DiscardDocuments();
    }

    void stripOutlinesLeavesNone()
    {
        Page page;
        PdfEngine* e = page.engine;
        const QString file = pdf("marked.pdf", 3);
        Outline items;  // nine chapters of two sections each
        for (int i = 1; i <= 9; ++i)
            items.insert(items.end(), {{0, QString("Chapter %1").arg(i)}, {1, QString("Section %1.1").arg(i)}, {1, QString("Section %1.2").arg(i)}});
        QVERIFY(addOutlines(file, items));
        QCOMPARE(e->LoadFromFile(file, QString()), 1);
        QCOMPARE(e->OutlineCount(), 27);
        page.StripOutlines(file);
        QCOMPARE(outlines(file), QStringList());
        QVERIFY(qpdfCheck(file));
        QCOMPARE(qpdfPageCount(file), 3);
        QCOMPARE(pdfInfo(file).value("Creator"), "PDF-Merger");
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
