#include "cupssupport.h"

#include "testsupport.h"

#include <cups/cups.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

namespace cupstest {

QString printer()
{
    const QString name = qEnvironmentVariable("FOLIO_TEST_PRINTER");
    return name.isEmpty() ? "TestPDF" : name;
}

bool required()
{
    return qEnvironmentVariable("FOLIO_REQUIRE_CUPS") == "1";
}

bool available(QString* why)
{
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, printer().toUtf8().constData(), nullptr);
    if (!dest && why)
        *why = QString("no queue %1 on the scheduler at %2: %3").arg(printer(), cupsServer(), cupsLastErrorString());
    cupsFreeDests(dest ? 1 : 0, dest);
    return dest;
}

int newestJob(const QString& queue)
{
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.toUtf8().constData(), 0, CUPS_WHICHJOBS_ALL);
    int newest = 0;
    for (int i = 0; i < count; ++i)
        newest = std::max(newest, jobs[i].id);
    cupsFreeJobs(count, jobs);
    return newest;
}

QStringList jobTitlesAfter(const QString& queue, int after)
{
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.toUtf8().constData(), 0, CUPS_WHICHJOBS_ALL);
    QStringList titles;
    for (int i = 0; i < count; ++i)
        if (jobs[i].id > after)
            titles << QString::fromUtf8(jobs[i].title);
    cupsFreeJobs(count, jobs);
    return titles;
}

QMap<QString, QString> jobAttributes(int jobId)
{
    QMap<QString, QString> result;
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, qPrintable(QString("ipp://localhost/jobs/%1").arg(jobId)));
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "all");
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
        if (ippGetGroupTag(a) != IPP_TAG_JOB || !ippGetName(a))
            continue;
        // Numbers as numbers (enums too), everything else as CUPS writes it.
        QString value;
        if (ippGetValueTag(a) == IPP_TAG_INTEGER || ippGetValueTag(a) == IPP_TAG_ENUM) {
            for (int i = 0; i < ippGetCount(a); ++i)
                value += (i ? "," : "") + QString::number(ippGetInteger(a, i));
        } else {
            char text[1024] = "";
            ippAttributeString(a, text, sizeof text);
            value = QString::fromUtf8(text);
        }
        result.insert(ippGetName(a), value);
    }
    ippDelete(response);
    return result;
}

int waitForJob(int jobId, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    for (; timer.elapsed() < timeoutMs; QThread::msleep(100))
        if (const int state = jobAttributes(jobId).value("job-state").toInt(); state >= IPP_JSTATE_CANCELED)
            return state;
    return 0;
}

QString cupsPdfOutput(int jobId, int timeoutMs)
{
    const QDir dir(qEnvironmentVariable("FOLIO_CUPS_PDF_OUT"));
    if (qEnvironmentVariable("FOLIO_CUPS_PDF_OUT").isEmpty())
        return QString();
    // cups-pdf names its file after the title and ends it with the job
    // number; it may still be moving the file into place when the job ended.
    QElapsedTimer timer;
    for (timer.start(); timer.elapsed() < timeoutMs; QThread::msleep(100))
        for (const QString& name : dir.entryList({QString("*job_%1.pdf").arg(jobId)}, QDir::Files))
            return dir.filePath(name);
    return QString();
}

bool privateScheduler()
{
    return !qEnvironmentVariable("FOLIO_CUPS_DIR").isEmpty();
}

QString addQueue(const QString& name, const QStringList& lpadminOptions)
{
    // The device of the test queue: cups-pdf with the private scheduler's settings.
    const QString device = "cups-pdf:/" + QFileInfo(qEnvironmentVariable("FOLIO_CUPS_DIR")).fileName();
    QString out, err;
    const int status = testsupport::run("lpadmin", QStringList{"-p", name, "-E", "-v", device, "-P", "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"} + lpadminOptions, &out, &err);
    return status == 0 ? QString() : QString("lpadmin %1: %2%3").arg(name, out, err);
}

void removeQueue(const QString& name)
{
    testsupport::run("lpadmin", {"-x", name});
}

} // namespace cupstest
