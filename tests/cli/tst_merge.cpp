// folioforge-cli merge against the desktop merger: the same pages, texts,
// page geometry, bookmarks and information for the same choices, read with
// pdfinfo, pdftotext and QPDF. Then what happens to an existing output in
// each --if-exists mode, an output that is one of the inputs, and outputs
// that cannot be written.

#include "clisupport.h"
#include "pdf_merger.h"
#include "pdfbuild.h"
#include "pdfread.h"
#include "questions.h"
#include "shellsupport.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;



namespace {

// Page sizes and rotations as pdfinfo reports them.
QStringList geometry(const QString& path)
{
    QString out;
    testsupport::run("pdfinfo", {"-f", "1", "-l", "9999", path}, &out);
    QStringList lines;
    for (const QString& line : out.split('\n'))
        if (QRegularExpression("^Page +\\d+ (size|rot):").match(line).hasMatch())
            lines << line.simplified();
    return lines;
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestMerge : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString a, b, c;

    QString path(const QString& name) const { return dir.filePath(name); }

    // name.pdf with pages name-1 .. name-n.
    QString source(const QString& name, int pages)
    {
        QStringList texts;
        for (int i = 1; i <= pages; ++i)
            texts << QStringLiteral("%1-%2").arg(name).arg(i);
        const QString file = path(name + ".pdf");
        if (!writeTextPdf(file, texts))
            qWarning() << "cannot write" << file;
        return file;
    }

    // What the desktop merger writes for these sources.
    QString desktopMerge(const QStringList& sources, bool fileNames, const QString& name)
    {
        CustomFileNames names;
        names.directory = dir.path();
        PDF_Merger merger(nullptr, makeBrandingRecord(names, 1, 1, false));
        merger.findChild<QRadioButton*>(fileNames ? "radioButton_2" : "radioButton")->setChecked(true);
        ScriptedQuestions script;
        script.installed().queue(Question::SaveFileName, path(name));
        merger.Process(sources);
        return path(name);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // Pages of several sizes and rotations, sources with bookmarks of their own.
        auto pdfA = makePdf({{QRectF(0, 0, 612, 792), 0, QRectF(), "a-1"},
                                       {QRectF(0, 0, 842, 595), 90, QRectF(), "a-2"},
                                       {QRectF(0, 0, 595, 842), 0, QRectF(50, 50, 400, 600), "a-3"}});
        addOutlines(*pdfA, {{0, "A one"}, {1, "A one.one"}, {0, "A two"}});
        a = path("a.pdf");
        QVERIFY(writePdf(*pdfA, a));
        b = source("b", 2);
        c = source("c", 4);
        QVERIFY(addOutlines(c, {{0, "C"}}));
    }

    void sameAsTheDesktopMerger_data()
    {
        QTest::addColumn<bool>("fileNames");
        QTest::newRow("no bookmarks") << false;
        QTest::newRow("file names as bookmarks") << true;
    }

    void sameAsTheDesktopMerger()
    {
        QFETCH(bool, fileNames);
        const QString tag = fileNames ? "named" : "plain";
        const QString desktop = desktopMerge({a, b, c}, fileNames, "desktop-" + tag + ".pdf");
        QStringList args{"merge", "-o", "cli-" + tag + ".pdf", "a.pdf", "b.pdf", "c.pdf"};
        if (fileNames)
            args << "--bookmarks";
        const auto r = runCli(args, dir.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QString());
        const QString cli = path("cli-" + tag + ".pdf");
        QCOMPARE(r.outLines(), QStringList{cli});

        QVERIFY(testsupport::qpdfCheck(cli));
        QCOMPARE(testsupport::qpdfPageCount(cli), 9);
        QCOMPARE(testsupport::qpdfPageCount(desktop), 9);
        const QStringList texts = pageTexts(cli);
        QCOMPARE(texts, (QStringList{"a-1", "a-2", "a-3", "b-1", "b-2", "c-1", "c-2", "c-3", "c-4"}));
        QCOMPARE(pageTexts(desktop), texts);
        QCOMPARE(geometry(cli), geometry(desktop));
        QCOMPARE(geometry(cli).size(), 18);
        QCOMPARE(outlines(cli), outlines(desktop));
        QCOMPARE(outlines(cli, WithPage),
                 fileNames ? QStringList({"a.pdf@1", "b.pdf@4", "c.pdf@6"}) : QStringList());
        const auto infoCli = testsupport::pdfInfo(cli);
        const auto infoDesktop = testsupport::pdfInfo(desktop);
        for (const char* key : {"Author", "Creator", "Title", "Subject", "Keywords", "Encrypted", "Page size"})
            QCOMPARE(infoCli.value(key), infoDesktop.value(key));
        QCOMPARE(infoCli.value("Creator"), QStringLiteral("PDF-Merger"));
    }

    void existingOutput()
    {
        // Without --if-exists the chosen file is replaced, as the desktop does.
        const QString out = path("existing.pdf");
        QVERIFY(writeTextPdf(out, {"old"}));
        auto r = runCli({"merge", "-o", out, b, a}, dir.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.outLines(), QStringList{out});
        QCOMPARE(pageTexts(out), (QStringList{"b-1", "b-2", "a-1", "a-2", "a-3"}));

        // rename: the next free numbered name; the existing files stay.
        QVERIFY(writeTextPdf(out, {"old"}));
        QVERIFY(writeTextPdf(path("existing(1).pdf"), {"old one"}));
        const QByteArray old = contents(out);
        r = runCli({"merge", "--if-exists", "rename", "-o", out, b, a}, dir.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.outLines(), QStringList{path("existing(2).pdf")});
        QCOMPARE(pageTexts(path("existing(2).pdf")), (QStringList{"b-1", "b-2", "a-1", "a-2", "a-3"}));
        QCOMPARE(contents(out), old);
        QCOMPARE(testsupport::pdfText(path("existing(1).pdf")).trimmed(), QStringLiteral("old one"));

        // skip: nothing written, said on stderr, and that is no failure.
        r = runCli({"merge", "--if-exists", "skip", "-o", "existing.pdf", b, a}, dir.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.errLines(), QStringList{"folioforge-cli: existing.pdf: exists, skipped"});
        QCOMPARE(contents(out), old);
        // ... and a missing output is written as usual.
        r = runCli({"merge", "--if-exists", "skip", "-o", "fresh.pdf", b, a}, dir.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.outLines(), QStringList{path("fresh.pdf")});

        // overwrite: replaced.
        r = runCli({"merge", "--if-exists", "overwrite", "-o", out, c, b}, dir.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.outLines(), QStringList{out});
        QCOMPARE(pageTexts(out), (QStringList{"c-1", "c-2", "c-3", "c-4", "b-1", "b-2"}));
        QVERIFY(!QFileInfo::exists(path("existing(3).pdf")));
    }

    void outputIsOneOfTheInputs()
    {
        // The desktop merger allows it: every input is read before the output is written.
        const QString x = source("x", 2);
        const QString y = source("y", 1);
        const auto r = runCli({"merge", "--bookmarks", "-o", "./y.pdf", "x.pdf", "y.pdf", "x.pdf"}, dir.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.outLines(), QStringList{y});
        QCOMPARE(pageTexts(y), (QStringList{"x-1", "x-2", "y-1", "x-1", "x-2"}));
        QCOMPARE(outlines(y, WithPage), (QStringList{"x.pdf@1", "y.pdf@3", "x.pdf@4"}));
        QCOMPARE(testsupport::qpdfPageCount(x), 2);
    }

    void outputThatCannotBeWritten()
    {
        // Its folder does not exist: said before anything is done.
        auto r = runCli({"merge", "-o", "no/such/folder/m.pdf", "a.pdf", "b.pdf"}, dir.path());
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.errLines().value(0).startsWith("folioforge-cli: no/such/folder/m.pdf: "), qPrintable(r.err));

        // A folder where no file can be made: found out after the run.
        r = runCli({"merge", "-o", "/proc/folioforge-cli-test.pdf", a, b});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.errLines(), QStringList{"folioforge-cli: /proc/folioforge-cli-test.pdf: not written"});
    }
};

QTEST_MAIN(TestMerge)
#include "tst_merge.moc"
