// The tool base: output folder and names, file-name rules, the save-file
// question, paper sizes, pre-processing with scripted answers, the run
// skeleton and its report, progress and cancel, page lists that fill in the
// background, and the engine routines (documents, information, bookmarks).

#include "createfeature.h"
#include "featurebase.h"
#include "folioconstants.h"
#include "pagethumbnails.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "enginecore.h"
#include "pdfread.h"
#include "questions.h"
#include "testsupport.h"
#include "toolsupport.h"
#include "tooltable.h"

#include <QDir>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

// The base with its protected routines reachable.
class Page : public FeatureBase
{
public:
    explicit Page(int brand = 1, int tool = 1)
        : FeatureBase(nullptr, toolRecord(tool, brand))
    {
    }
    using FeatureBase::DiscardDocuments;
    using FeatureBase::PlaceOutputFile;
    using FeatureBase::RemoveOutlines;
};

// The pattern of a tool that writes one output per input: each input copied
// into the chosen folder through the run skeleton.
class Copier : public Page
{
public:
    void Process(QStringList paths) override
    {
        files = Show_SaveToFolder(ToFileList(paths));
        if (files.isEmpty() || files.first().outputFile.isEmpty())
            return;
        files = PreProcess(files, false);
        ForEachRecord(files, "Copying", [this](fileList& rec) {
            if (LoadInput(rec))
                SaveOutput(rec.outputFile);
            DiscardDocuments();
        });
    }
};

// "outcome path reason" of each entry of a report, paths by file name.
QStringList entries(const RunReport& report)
{
    const char* outcomes[] = {"processed", "left out", "written", "skipped", "failed"};
    QStringList lines;
    for (const auto& e : report.entries())
        lines << QString("%1 %2 %3").arg(outcomes[int(e.outcome)], QFileInfo(e.path).fileName(), e.reason).trimmed();
    return lines;
}

// "id:output file name" of each record.
QStringList outputs(const QList<FeatureBase::fileList>& list)
{
    QStringList out;
    for (const auto& rec : list)
        out << QString("%1:%2").arg(rec.id).arg(QFileInfo(rec.outputFile).fileName());
    return out;
}

} // namespace

class TestFeatureBase : public ToolSuite
{
    Q_OBJECT

    QString pdf(const QString& name, int pages = 1)
    {
        return writeTextPdf(dir.filePath(name), numberedTexts(name + " page ", pages)) ? dir.filePath(name) : QString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(pdf("plain.pdf") != QString());
        QVERIFY(encrypt(pdf("source.pdf"), dir.filePath("locked.pdf"), "s3cret", "owner"));
        QVERIFY(encrypt(dir.filePath("plain.pdf"), dir.filePath("locked2.pdf"), "other", "owner"));
    }

    void outputFolderNames()
    {
        // Three or more inputs of one name get name, name(1), name(2): never two equal outputs.
        Page page;
        const QString out = emptyFolder(dir, "out");
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

    // The cases the tools' own output names do not reach (numbered names
    // without extension: outputFolderNames; suffixes after a dotted folder:
    // tst_splitter).
    void fileNames_data()
    {
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("expected");
        using namespace filenames;
        QTest::newRow("numbered, two dots") << numbered("/out/a.b.pdf", 1) << "/out/a.b(1).pdf";
        QTest::newRow("numbered, no folder") << numbered("x.pdf", 2) << "x(2).pdf";
        QTest::newRow("suffix, hidden name") << withSuffix("/a/.notes", " Odd") << "/a/.notes Odd";
        QTest::newRow("extension added") << withExtension("/a.b/scan", "png") << "/a.b/scan.png";
        QTest::newRow("folder") << folderOf("/a/b/c.pdf") << "/a/b";
        QTest::newRow("no folder") << folderOf("c.pdf") << "";
    }

    void fileNames()
    {
        QFETCH(QString, result);
        QTEST(result, "expected");
    }

    void paperSizesAndTheSaveQuestion()
    {
        QCOMPARE(papersizes::millimetres("Tabloid?"), QSizeF(210, 297));  // unknown: A4
        QCOMPARE(papersizes::find("b5extra"), "B5Extra");
        QCOMPARE(papersizes::find("B6"), QString());

        Page page(1, 7);
        script.queue(Question::SaveFileName, "/tmp/x.tiff").queue(Question::SaveFileName, QString());
        page.AskSaveFileName();
        QVERIFY(page.skipCollisionCheck);
        QCOMPARE(page.saveFileName, "/tmp/x.tiff");
        QCOMPARE(script.asked().last().parent, static_cast<QWidget*>(&page));
        page.AskSaveFileName();  // cancelled
        QVERIFY(page.saveFileName.isEmpty());
    }

    void existingOutputs()
    {
        Page page;
        const QString out = emptyFolder(dir, "collide");
        for (const char* name : {"a.pdf", "b.pdf", "c.pdf", "d.pdf", "x.pdf", "x(1).pdf", "x(2).pdf"})
            QVERIFY(writeFile(QDir(out).filePath(name), "x"));
        QStringList inputs;
        for (const char* name : {"a.pdf", "b.pdf", "c.pdf", "d.pdf", "x.pdf", "new.pdf"})
            inputs << pdf(name);
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
            rec.outputFile = QDir(out).filePath(filenames::fileNameOf(rec.inputFile));
        QCOMPARE(page.PreProcess(list, false).size(), list.size());

        // Renaming avoids the outputs other records claim, written or not.
        page.skipCollisionCheck = false;
        list = page.ToFileList({"/in/1", "/in/2"});
        list[0].outputFile = QDir(out).filePath("a.pdf");
        list[1].outputFile = QDir(out).filePath("a(1).pdf");
        script.queue(Question::FileExists, 0);
        QCOMPARE(outputs(page.PreProcess(list, false, FeatureBase::Inputs::OutputsOnly)), QStringList({"0:a(2).pdf", "1:a(1).pdf"}));
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

    void inputsThatCannotOpen()
    {
        // Missing, damaged, not a PDF: left out at once with the reason, no password asked.
        Page page;
        const QString text = dir.filePath("notes.txt"), damaged = dir.filePath("damaged.pdf"), plain = dir.filePath("plain.pdf");
        QVERIFY(writeFile(text, "not a pdf") && writeFile(damaged, "%PDF-1.7\n" + QByteArray(3000, '#') + "\n%%EOF\n"));
        const int before = script.count(Question::Password);
        const auto& report = page.run({});  // a fresh report
        QCOMPARE(outputs(page.PreProcess(page.ToFileList({text, dir.filePath("missing.pdf"), damaged, dir.path(), plain}), false)), QStringList{"4:"});
        QCOMPARE(script.count(Question::Password), before);
        QCOMPARE(entries(report), QStringList({"left out notes.txt not a PDF", "left out missing.pdf no such file",
                                                "left out damaged.pdf damaged beyond repair", "left out " + QFileInfo(dir.path()).fileName() + " is a folder, not a file"}));
        // Records that only carry output names are never opened.
        QCOMPARE(page.PreProcess(page.ToFileList({text, dir.filePath("missing.pdf")}), true, FeatureBase::Inputs::OutputsOnly).size(), 2);
        // A wrong password: asked until given up, then named.
        ScriptedQuestions fixed;
        fixed.installed().fallback(Question::Password, "nope");
        page.run({});
        QVERIFY(page.PreProcess(page.ToFileList({dir.filePath("locked.pdf")}), false).isEmpty());
        QCOMPARE(fixed.count(Question::Password), 2);
        QCOMPARE(entries(page.lastReport()), QStringList{"left out locked.pdf protected: wrong password"});
    }

    void runSkeletonReports_data()
    {
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("stopAfter");  // progress steps before "stop"; -1 never
        QTest::addColumn<QStringList>("report");
        QTest::newRow("everything written") << QStringList{"plain.pdf", "source.pdf"} << "copies" << -1
                                            << QStringList{"processed plain.pdf", "written plain.pdf", "processed source.pdf", "written source.pdf"};
        QTest::newRow("an input that does not open") << QStringList{"plain.pdf", "gone.pdf"} << "copies2" << -1
                                                     << QStringList{"left out gone.pdf no such file", "processed plain.pdf", "written plain.pdf"};
        QTest::newRow("a folder that cannot be written") << QStringList{"plain.pdf"} << "/proc/none" << -1
                                                         << QStringList{"processed plain.pdf", "failed plain.pdf its folder does not exist"};
        QTest::newRow("stopped after the first") << QStringList{"plain.pdf", "source.pdf"} << "copies3" << 2
                                                 << QStringList{"processed plain.pdf", "written plain.pdf"};
    }

    void runSkeletonReports()
    {
        QFETCH(QStringList, inputs);
        QFETCH(QString, folder);
        QFETCH(int, stopAfter);
        Copier copier;
        ScriptedQuestions own;
        own.installed().queue(Question::ExistingDirectory, folder.startsWith('/') ? folder : emptyFolder(dir, folder)).stopAfter(stopAfter);
        for (QString& input : inputs)
            input = dir.filePath(input);
        const RunReport& report = copier.run(inputs);
        QTEST(entries(report), "report");
        QCOMPARE(report.cancelled(), stopAfter > 0);
        QCOMPARE(report.isQuiet(), !report.hasProblems() && stopAfter < 0);
        // Every output complete, with the tool's stamp.
        for (const QString& written : report.outputsWritten()) {
            QCOMPARE(qpdfPageCount(written), 1);
            QCOMPARE(pdfInfo(written).value("Author"), copier.branding().toolUrl);
            QCOMPARE(pdfInfo(written).value("Creator"), "PDF-Merger");
        }
        // One step per record, labelled with its file.
        QVERIFY(own.progressSteps().value(0).startsWith("Copying " + QFileInfo(inputs.value(0)).fileName()));
    }

    void filesMadeElsewhereArePutInPlace()
    {
        Page page;
        const QString made = dir.filePath("made.bin"), target = emptyFolder(dir, "placed") + "/out.bin";
        QVERIFY(writeFile(target, "old") && writeFile(made, "new bytes"));
        QVERIFY(page.PlaceOutputFile(made, target));
        QCOMPARE(readFile(target), QByteArray("new bytes"));
        QVERIFY(!QFileInfo::exists(made));
        // Nothing made, or nowhere to put it: reported, the old file untouched.
        QVERIFY(!page.PlaceOutputFile(made, target));
        QVERIFY(writeFile(made, "x") && !page.PlaceOutputFile(made, dir.filePath("no/such/out.bin")));
        QCOMPARE(readFile(target), QByteArray("new bytes"));
        QCOMPARE(QDir(QFileInfo(target).path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.bin"});
        QCOMPARE(entries(page.lastReport()).mid(1), QStringList({"failed out.bin nothing was made to write", "failed out.bin its folder does not exist"}));
    }

    void aToolWithoutItsPageIsRefused()
    {
        BrandingRecord record = toolRecord(2);
        ToolRow lacking = *record.row;
        lacking.create = nullptr;
        record.row = &lacking;
        QString missing;
        QVERIFY(!createFeature(record, nullptr, &missing));
        QCOMPARE(missing, "PDF Splitter");
        // Records that name no tool of the family get the merger.
        std::unique_ptr<FeatureBase> other(createFeature(toolRecord(1, 2)));
        QCOMPARE(other->metaObject()->className(), "PDF_Merger");
    }

    void pageListFillsInTheBackground()
    {
        Page page;
        const QString file = dir.filePath("thumbs.pdf");
        QVERIFY(writeNumberedPdf(file, 40));
        QCOMPARE(page.engine->LoadFromFile(file, QString()), 1);
        QListWidget list;
        QList<int> drawn;
        PageThumbnails thumbnails(&list, &page, [&](int p) {
            drawn << p;
            QTemporaryDir temp;
            page.engine->RenderPageToFile(20, p, folio::RenderPng, temp.filePath("p.png"));
            return QPixmap(temp.filePath("p.png"));
        });
        thumbnails.fill(40);
        // The items are there at once; their pictures come while the event loop turns.
        QCOMPARE(list.count(), 40);
        QCOMPARE(list.item(39)->text(), "Page 40");
        QVERIFY(drawn.size() < 40 && thumbnails.busy());
        delete list.takeItem(0);
        thumbnails.renumber();
        QCOMPARE(list.item(0)->text(), "Page 1");
        QTRY_VERIFY(!thumbnails.busy());
        QCOMPARE(drawn.size(), 39);
        QCOMPARE(drawn.last(), 39);
        QCOMPARE(list.item(38)->icon().pixmap(400, 400).size(), QSize(170, 220));  // drawn, not the blank sheet
        page.DiscardDocuments();
    }

    void pageWithoutEngine()
    {
        // Brand 2 has no engine: nothing can be opened, so nothing is asked, and no routine reaches an engine.
        Page page(2, 1);
        QVERIFY(!page.hasEngine() && (!page.engine->engineCore() || page.engine->engineCore()->instance() == 0));
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
