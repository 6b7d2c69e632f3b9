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
// Every job attribute CUPS holds for the job, its values joined with ",".
QMap<QString, QString> jobAttributes(int jobId);
// Waits until the job has ended; its job-state (9 completed, 7 canceled, 8 aborted), 0 when it did not end in time.
int waitForJob(int jobId, int timeoutMs = 60000);
// The PDF that cups-pdf wrote for the job where the private scheduler of
// scripts/cups-test-env runs ($FOLIO_CUPS_PDF_OUT); empty otherwise.
QString cupsPdfOutput(int jobId, int timeoutMs = 20000);

} // namespace cupstest

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
