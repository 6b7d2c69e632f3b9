// The batch printer printing for real on the private CUPS scheduler of the
// test command: printers and papers come from CUPS; the form's settings reach
// each job as standard IPP attributes and cups-pdf prints every page; a
// queue that refuses jobs, inputs that do not open, and a run without
// printer or paper are reported; the run goes on. (Every other setting:
// tests/cli/tst_print.cpp, against lp.)

#include "cupssupport.h"
#include "pdf_batch_print.h"
#include "pdfbuild.h"
#include "questions.h"
#include "testsupport.h"
#include "toolsupport.h"
#include "tooltable.h"

#include <cups/cups.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace testsupport;

namespace {

// Queues of this test alone: suites print side by side on one scheduler.
const QString letterQueue = QString("FolioLetter%1").arg(QCoreApplication::applicationPid());
const QString refusingQueue = QString("FolioRefusing%1").arg(QCoreApplication::applicationPid());

} // namespace

class TestBatchPrint : public ToolSuite
{
    Q_OBJECT

    std::unique_ptr<PDF_Batch_print> page;

    QComboBox* combo(const char* name) { return page->findChild<QComboBox*>(name); }

    // A fresh page prints the files (names in the test folder) on the queue.
    const RunReport& print(const QString& queue, const QStringList& names, bool freshPage = true)
    {
        if (freshPage)
            page = std::make_unique<PDF_Batch_print>(nullptr, toolRecord(int(Tool::BatchPrint)));
        combo("comboBox_printer")->setCurrentText(queue);
        return page->run(pathsIn(dir, names));
    }

    void cancelJobs()
    {
        for (const auto& job : page->jobs())
            cupsCancelJob2(CUPS_HTTP_DEFAULT, qPrintable(job.queue), job.id, 1);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(writeTextPdf(path("three.pdf"), {"Alpha page", "Bravo page", "Charlie page"}));
        QVERIFY(writeTextPdf(path("one.pdf"), {"Solo page"}));
        QVERIFY(encrypt(path("one.pdf"), path("locked.pdf"), "pw", "owner"));
        QVERIFY(writeFile(path("notes.pdf"), "not a PDF"));
        if (cupstest::available(nullptr) && cupstest::privateScheduler()) {
            // A queue on Letter paper, and one that takes no jobs.
            QCOMPARE(cupstest::addQueue(letterQueue, {"-o", "PageSize=Letter"}), QString());
            QCOMPARE(cupstest::addQueue(refusingQueue), QString());
            QCOMPARE(run("cupsreject", {refusingQueue}), 0);
        }
    }

    void cleanupTestCase()
    {
        page.reset();
        if (cupstest::privateScheduler()) {
            cupstest::removeQueue(letterQueue);
            cupstest::removeQueue(refusingQueue);
        }
    }

    void formAsItStartsPrintsEveryPage()
    {
        PRIVATE_CUPS_OR_SKIP();
        const int before = cupstest::newestJob(cupstest::printer());
        QVERIFY(!print(QString(), {"three.pdf", "one.pdf"}).hasProblems());
        // The default printer (lpstat names it) with the paper its PPD prefers.
        QString out;
        QCOMPARE(run("lpstat", {"-d"}, &out), 0);
        QCOMPARE(out.trimmed().section(": ", 1), combo("comboBox_printer")->currentText());
        // One job a file, with the id CUPS gave it, titled with the file's path.
        const auto jobs = page->jobs();
        QCOMPARE(jobs.size(), 2);
        QVERIFY(jobs[0].id > before && jobs[1].id > jobs[0].id);
        for (const auto& [job, pages] : QList<QPair<PDF_Batch_print::Job, int>>{{jobs[0], 3}, {jobs[1], 1}}) {
            const auto attributes = cupstest::jobAttributes(job.id);
            QCOMPARE(attributes.value("job-name"), job.input);
            for (const char* e : {"media=iso_a4_210x297mm", "orientation-requested=3", "print-scaling=fit", "copies=1", "print-quality=4",
                                  "print-color-mode=color", "sides=one-sided", "media-type=stationery"})
                QCOMPARE(QString(e).section('=', 0, 0) + "=" + attributes.value(QString(e).section('=', 0, 0)), QString(e));
            QCOMPARE(cupstest::waitForJob(job.id), int(IPP_JSTATE_COMPLETED));
            QCOMPARE(qpdfPageCount(cupstest::cupsPdfOutput(job.id)), pages);
        }
        // Another printer brings its own paper sizes and default.
        combo("comboBox_printer")->setCurrentText(letterQueue);
        QCOMPARE(combo("comboBox_paper")->currentText(), "US Letter");
        QVERIFY(combo("comboBox_paper")->findText("A5") >= 0);
    }

    void copiesStayWithinRange()
    {
        page = std::make_unique<PDF_Batch_print>(nullptr, toolRecord(int(Tool::BatchPrint)));
        QLineEdit* edit = combo("comboBox_copies")->lineEdit();
        for (const auto& [typed, copies] : QList<QPair<QString, int>>{{"12", 12}, {"12345", 1234}, {"0", 1}, {"many", 1}}) {
            edit->clear();
            QTest::keyClicks(edit, typed);
            QCOMPARE(page->Copies(), copies);
        }
    }

    void problemsAreReportedAndTheRunGoesOn()
    {
        PRIVATE_CUPS_OR_SKIP();
        // A queue that refuses jobs: each file is tried and named.
        const RunReport& refused = print(refusingQueue, {"one.pdf", "three.pdf"});
        QCOMPARE(refused.problemLines().size(), 2);
        QVERIFY2(refused.problemLines().value(1).startsWith(path("three.pdf") + ": not printed: ") &&
                     refused.problemLines().value(1).contains("not accepting jobs"), qPrintable(refused.problemLines().join('\n')));
        QVERIFY(page->jobs().isEmpty() && cupstest::newestJob(refusingQueue) == 0);
        // Inputs that do not open are left out; the others print, each under its own title.
        script.queue(Question::Password, "pw").queue(Question::Password, QVariant());
        const RunReport& mixed = print(cupstest::printer(), {"notes.pdf", "locked.pdf", "gone.pdf", "locked.pdf", "one.pdf"});
        QCOMPARE(mixed.problemLines(), QStringList({path("notes.pdf") + ": not a PDF; left out", path("gone.pdf") + ": no such file; left out",
                                                     path("locked.pdf") + ": protected: needs a password; left out"}));
        QCOMPARE(page->jobs().size(), 2);
        QCOMPARE(cupstest::jobAttributes(page->jobs()[0].id).value("job-name"), path("locked.pdf"));
        QCOMPARE(cupstest::jobAttributes(page->jobs()[1].id).value("job-name"), path("one.pdf"));
        cancelJobs();
    }

    void noPrinterOrNoPaper()
    {
        CUPS_OR_SKIP();
        // No paper chosen: the printer's own default paper.
        page = std::make_unique<PDF_Batch_print>(nullptr, toolRecord(int(Tool::BatchPrint)));
        combo("comboBox_printer")->setCurrentText(cupstest::printer());
        combo("comboBox_paper")->setCurrentIndex(-1);
        QVERIFY(!print(cupstest::printer(), {"one.pdf"}, false).hasProblems());
        QCOMPARE(page->jobs().size(), 1);
        QCOMPARE(cupstest::jobAttributes(page->jobs().value(0).id).value("media"), QString());
        cancelJobs();
        // No printer: the run stops before anything is asked or printed.
        combo("comboBox_printer")->setCurrentIndex(-1);
        QCOMPARE(combo("comboBox_paper")->count(), 0);
        const int before = cupstest::newestJob(cupstest::printer()), asked = script.asked().size();
        QCOMPARE(page->run({path("locked.pdf"), path("one.pdf")}).problemLines(),
                 QStringList({path("locked.pdf") + ": not printed: no printer is chosen; left out", path("one.pdf") + ": not printed: no printer is chosen; left out"}));
        QCOMPARE(script.asked().size(), asked);
        QVERIFY(!cupstest::jobTitlesAfter(cupstest::printer(), before).contains(path("one.pdf")));
    }
};

QTEST_MAIN(TestBatchPrint)
#include "tst_batchprint.moc"
