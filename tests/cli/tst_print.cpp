// folioforge-cli print on the private CUPS scheduler of the test command:
// the same jobs, attribute for attribute, as the desktop batch printer and
// lp make with the same settings, the queue's and the user's own defaults
// included; each job on stdout as QUEUE-JOBID FILE; --list-printers; wrong
// command lines print nothing.

#include "clisupport.h"
#include "cupssupport.h"
#include "pdf_batch_print.h"
#include "pdfbuild.h"
#include "testsupport.h"
#include "tooltable.h"

#include <cups/cups.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

const QString queue = QString("FolioDefaults%1").arg(QCoreApplication::applicationPid());

// The job's attributes that say how it prints (those of this one job left out).
QMap<QString, QString> printingAttributes(int job)
{
    static const QRegularExpression own("^(job-(id|uri|uuid|name|state.*|k-octets|impressions.*|media-sheets.*|more-info|"
                                        "originating-host-name|printer-up-time|printer-state.*|media-progress)|"
                                        "(date-)?time-at-.*|document-.*|number-of-documents)$");
    auto attributes = cupstest::jobAttributes(job);
    for (const QString& key : attributes.keys())
        if (own.match(key).hasMatch())
            attributes.remove(key);
    return attributes;
}

} // namespace

class TestPrint : public CliSuite
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The user's own printer options (HOME/.cups/lpoptions), for this process and the commands it runs.
        QVERIFY(QDir(dir.path()).mkpath("home/.cups"));
        qputenv("HOME", QFile::encodeName(path("home")));
        QVERIFY(writeTextPdf(path("three.pdf"), {"Alpha page", "Bravo page", "Charlie page"}));
        QVERIFY(writeTextPdf(path("one.pdf"), {"Solo page"}));
        if (cupstest::available(nullptr) && cupstest::privateScheduler()) {
            // Two pages a sheet from the queue, odd pages only from the user's options.
            QCOMPARE(cupstest::addQueue(queue, {"-o", "number-up-default=2"}), QString());
            QVERIFY(writeFile(path("home/.cups/lpoptions"), QString("Dest %1 page-set=odd collate=false\n").arg(queue).toUtf8()));
        }
    }

    void cleanupTestCase()
    {
        if (cupstest::privateScheduler())
            cupstest::removeQueue(queue);
    }

    void sameJobsAsTheDesktopAndLp()
    {
        PRIVATE_CUPS_OR_SKIP();
        const auto r = runCli({"print", "--printer", queue, "--paper", "A5", "--orientation", "landscape", "--scaling", "shrink", "--copies", "2",
                               "--quality", "draft", "--mono", "--duplex", "short", "--media", "transparency", "three.pdf", "one.pdf"},
                              dir.path(), cliProgram(), {}, {"HOME=" + path("home")});
        QVERIFY2(r.status == 0 && r.err.isEmpty(), qPrintable(r.err));
        const int first = r.outLines().value(0).section(' ', 0, 0).section('-', -1).toInt(), job = r.outLines().value(1).section(' ', 0, 0).section('-', -1).toInt();
        QCOMPARE(r.outLines(), QStringList({QString("%1-%2 %3").arg(queue).arg(first).arg(path("three.pdf")), QString("%1-%2 %3").arg(queue).arg(job).arg(path("one.pdf"))}));
        QCOMPARE(job, cupstest::newestJob(queue));

        // The desktop tool with the same choices, and lp with the attributes they stand for.
        PDF_Batch_print desktop(nullptr, makeBrandingRecord(CustomFileNames(), 1, int(Tool::BatchPrint), false));
        for (const auto& [combo, item] : QList<QPair<QString, QString>>{{"comboBox_printer", queue}, {"comboBox_paper", "A5"}, {"comboBox_Scaling", "Shrink Large Pages"},
                                                                       {"comboBox_copies", "2"}, {"comboBox_Quality", "Draft"}, {"comboBox_Duplex", "Horizontal Duplex"}})
            desktop.findChild<QComboBox*>(combo)->setCurrentText(item);
        for (const char* button : {"radioButton_Landscape", "radioButton_Monochrome", "radioButton_transparency"})
            desktop.findChild<QAbstractButton*>(button)->setChecked(true);
        QVERIFY(!desktop.run({path("one.pdf")}).hasProblems());
        QStringList lp{"-d", queue};
        for (const char* key : {"media", "orientation-requested", "print-scaling", "copies", "print-quality", "print-color-mode", "sides", "media-type"})
            lp << "-o" << QString("%1=%2").arg(key, cupstest::jobAttributes(job).value(key));
        QString lpOut;
        QCOMPARE(run("lp", lp << path("one.pdf"), &lpOut), 0);
        const int lpJob = lpOut.section(queue + "-", 1).section(' ', 0, 0).toInt();

        const auto cli = printingAttributes(job);
        QCOMPARE(cli, printingAttributes(desktop.jobs().value(0).id));
        QCOMPARE(cli, printingAttributes(lpJob));
        for (const char* e : {"media=iso_a5_148x210mm", "orientation-requested=4", "print-scaling=auto-fit", "copies=2", "print-quality=3",
                              "print-color-mode=monochrome", "sides=two-sided-short-edge", "media-type=transparency", "number-up=2", "page-set=odd", "collate=false"})
            QCOMPARE(QString(e).section('=', 0, 0) + "=" + cli.value(QString(e).section('=', 0, 0)), QString(e));
        for (int id : {first, job, desktop.jobs().value(0).id, lpJob})
            cupsCancelJob2(CUPS_HTTP_DEFAULT, nullptr, id, 1);
    }

    void defaultPrinterAndTheList()
    {
        PRIVATE_CUPS_OR_SKIP();
        // Without --printer the default printer prints, every page, on its default paper.
        auto r = runCli({"print", "three.pdf"}, dir.path());
        const int job = r.out.section(' ', 0, 0).section('-', -1).toInt();
        QCOMPARE(r.outLines(), QStringList{QString("%1-%2 %3").arg(cupstest::printer()).arg(job).arg(path("three.pdf"))});
        QCOMPARE(cupstest::jobAttributes(job).value("media"), "iso_a4_210x297mm");
        QCOMPARE(cupstest::waitForJob(job), int(IPP_JSTATE_COMPLETED));
        QCOMPARE(qpdfPageCount(cupstest::cupsPdfOutput(job)), 3);

        r = runCli({"print", "--list-printers"}, dir.path());
        const QStringList lines = r.outLines().mid(r.outLines().indexOf(cupstest::printer() + " (default)"));
        QVERIFY2(r.status == 0 && lines.contains("  A4 (default)") && lines.contains("  US Letter") && r.outLines().contains(queue), qPrintable(r.out));
        // No scheduler at all: nothing to list, nor to print on.
        const QStringList nowhere{"CUPS_SERVER=" + path("nobody.sock")};
        r = runCli({"print", "--list-printers"}, dir.path(), cliProgram(), {}, nowhere);
        QVERIFY(r.status == 1 && r.out.isEmpty() && r.err.contains("no printer is set up"));
        r = runCli({"print", "one.pdf"}, dir.path(), cliProgram(), {}, nowhere);
        QCOMPARE(r.errLines(), QStringList{"folioforge-cli: one.pdf: not printed: no printer is chosen"});
    }

    void usageErrorsPrintNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown printer") << QStringList{"--printer", "NoSuchQueue"} << "--printer NoSuchQueue: must be one of: ";
        QTest::newRow("unknown paper") << QStringList{"--paper", "Foolscap"} << "--paper Foolscap: must be one of: ";
        QTest::newRow("no copies") << QStringList{"--copies", "0"} << "--copies 0: must be a whole number from 1 to 9999";
        QTest::newRow("too many copies") << QStringList{"--copies", "10000"} << "from 1 to 9999";
    }

    void usageErrorsPrintNothing()
    {
        CUPS_OR_SKIP();
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const int before = cupstest::newestJob(cupstest::printer());
        const auto r = runCli(QStringList{"print"} + args + QStringList{"one.pdf"}, dir.path());
        QVERIFY(r.status == 2 && r.out.isEmpty());
        QVERIFY2(r.errLines().value(0).contains(message), qPrintable(r.err));
        QVERIFY(!cupstest::jobTitlesAfter(cupstest::printer(), before).contains(path("one.pdf")));
    }
};

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
