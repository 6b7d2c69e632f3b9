#pragma once

// Printing tests talk to a real CUPS scheduler (scripts/cups-test-env starts a
// private one with a cups-pdf queue) and read jobs back through IPP.

#include <QMap>
#include <QString>
#include <QStringList>
#include <QtTest>

namespace cupstest {

// The queue the tests print on: $FOLIO_TEST_PRINTER, else "TestPDF".
QString printer();
// A scheduler answers and knows the queue; otherwise why not.
bool available(QString* why);
// FOLIO_REQUIRE_CUPS=1: a missing scheduler fails the tests instead of skipping them.
bool required();
// The highest job id the scheduler has for the queue (finished jobs too); 0 when none.
int newestJob(const QString& queue);
// The titles of the queue's jobs newer than `after`: tests print side by side
// on one scheduler, so "no new job" means none of the test's own titles.
QStringList jobTitlesAfter(const QString& queue, int after);
// Every job attribute CUPS holds for the job, its values joined with ",".
QMap<QString, QString> jobAttributes(int jobId);
// Waits until the job has ended; its job-state (9 completed, 7 canceled, 8 aborted), 0 when it did not end in time.
int waitForJob(int jobId, int timeoutMs = 60000);
// The PDF that cups-pdf wrote for the job where the private scheduler of
// scripts/cups-test-env runs ($FOLIO_CUPS_PDF_OUT); empty otherwise.
QString cupsPdfOutput(int jobId, int timeoutMs = 20000);

// The private scheduler of scripts/cups-test-env runs ($FOLIO_CUPS_DIR): queues may be added to it.
bool privateScheduler();
// Adds a cups-pdf queue of that name to the private scheduler, printing where
// the test queue prints, with more lpadmin options (-o name-default=value);
// what went wrong, or empty.
QString addQueue(const QString& name, const QStringList& lpadminOptions = {});
void removeQueue(const QString& name);

} // namespace cupstest

// Skips the test unless the private scheduler runs (queues are added to it);
// where CUPS is required it fails instead.
#define PRIVATE_CUPS_OR_SKIP()                                                                                          \
    do {                                                                                                                \
        CUPS_OR_SKIP();                                                                                                 \
        if (!cupstest::privateScheduler()) {                                                                            \
            if (cupstest::required())                                                                                   \
                QFAIL("CUPS is required with the private scheduler of scripts/cups-test-env");                          \
            QSKIP("adds queues: only on the private scheduler of scripts/cups-test-env");                              \
        }                                                                                                               \
    } while (0)

// Skips the test where no scheduler runs, unless CUPS is required.
#define CUPS_OR_SKIP()                                                                                                  \
    do {                                                                                                                \
        QString cupsWhy;                                                                                                \
        if (!cupstest::available(&cupsWhy)) {                                                                           \
            if (cupstest::required())                                                                                   \
                QFAIL(qPrintable("CUPS is required: " + cupsWhy));                                                      \
            QSKIP(qPrintable("no CUPS to print on (" + cupsWhy + "); run scripts/cups-test-env start"));                \
        }                                                                                                               \
    } while (0)
