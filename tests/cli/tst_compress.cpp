// folioforge-cli compress against the desktop compressor: the same output for
// the same choices. Then what only the command line does: each output with
// its sizes and the total on stdout (--quiet: the outputs alone), a
// protected input opened with --password, inputs that do not open.

#include "clisupport.h"
#include "pdf_compressor.h"
#include "pdfbuild.h"
#include "questions.h"
#include "testsupport.h"
#include "toolsupport.h"
#include "tooltable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestCompress : public CliSuite
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Page content stored without any filter; a copy qpdf made as small as it can; a protected one.
        QVERIFY(writePdf(*makeNumberedPdf(6, "Loose"), path("loose.pdf"), true));
        QCOMPARE(run("qpdf", {"--object-streams=generate", "--compression-level=9", path("loose.pdf"), path("tight.pdf")}), 0);
        QVERIFY(encrypt(path("loose.pdf"), path("locked.pdf"), "pw", "owner"));
        QVERIFY(writeFile(path("damaged.pdf"), "%PDF-1.7\n" + QByteArray(2000, '#') + "\n%%EOF\n"));
    }

    void sameAsTheDesktop()
    {
        PDF_Compressor desktop(nullptr, toolRecord(int(Tool::Compressor)));
        desktop.findChild<QComboBox*>("comboBox")->setCurrentIndex(2);
        desktop.findChild<QComboBox*>("comboBox_2")->setCurrentIndex(0);
        desktop.findChild<QCheckBox*>("checkBox")->setChecked(false);
        ScriptedQuestions script;
        runInFolder(desktop, script.installed(), {path("loose.pdf")}, path("desktop"));

        const auto r = runCli({"compress", "--fonts", "lossy", "--images", "none", "--no-content", "-o", "cli", "loose.pdf"}, dir.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QString());
        const QString cli = path("cli/loose.pdf");
        const qint64 before = QFileInfo(path("loose.pdf")).size(), after = QFileInfo(cli).size();
        QCOMPARE(after, QFileInfo(path("desktop/loose.pdf")).size());
        QCOMPARE(pageTexts(cli), pageTexts(path("loose.pdf")));
        // Each output with its sizes, then the total as the window's summary gives it.
        QCOMPARE(r.outLines(), QStringList({QString("%1: %2 -> %3 bytes, %4% smaller").arg(cli).arg(before).arg(after).arg((before - after) * 100.0 / before, 0, 'f', 1),
                                            desktop.lastReport().notes().value(0)}));
    }

    void quietAndNothingGained()
    {
        const QStringList none{"--fonts", "none", "--images", "none", "--no-content"};
        auto r = runCli(QStringList{"compress", "--quiet", "-o", "quiet", "tight.pdf", "loose.pdf"} + none, dir.path());
        QVERIFY(r.status == 0 && r.err.isEmpty());
        QCOMPARE(r.outLines(), QStringList({path("quiet/tight.pdf"), path("quiet/loose.pdf")}));
        QCOMPARE(readFile(path("quiet/tight.pdf")), readFile(path("tight.pdf")));
        r = runCli(QStringList{"compress", "-o", "loud", "tight.pdf"} + none, dir.path());
        QCOMPARE(r.outLines(), QStringList({QString("%1: %2 bytes, nothing gained; written as it was").arg(path("loud/tight.pdf")).arg(QFileInfo(path("tight.pdf")).size()),
                                            QString("Nothing was saved: %1 before and after.").arg(QLocale().formattedDataSize(QFileInfo(path("tight.pdf")).size(), 1, QLocale::DataSizeTraditionalFormat))}));
    }

    void protectedAndFailingInputs()
    {
        const auto r = runCli({"compress", "--password", "pw", "-o", "mixed", "damaged.pdf", "locked.pdf", "missing.pdf"}, dir.path());
        QCOMPARE(r.status, 1);
        QCOMPARE(r.errLines(), QStringList({"folioforge-cli: damaged.pdf: damaged beyond repair", "folioforge-cli: missing.pdf: no such file"}));
        QVERIFY(r.outLines().value(0).startsWith(path("mixed/locked.pdf") + ": "));
        QCOMPARE(QDir(path("mixed")).entryList(QDir::Files | QDir::Hidden), QStringList{"locked.pdf"});
        QCOMPARE(run("qpdf", {"--check", "--password=pw", path("mixed/locked.pdf")}), 0);
        QCOMPARE(run("qpdf", {"--requires-password", path("mixed/locked.pdf")}), 0);
    }
};

QTEST_MAIN(TestCompress)
#include "tst_compress.moc"
