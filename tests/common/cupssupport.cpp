#include "cupssupport.h"

#include <cups/cups.h>

#include <QDir>
#include <QElapsedTimer>
#include <QThread>

namespace cupstest {

QString printer()
{
    const QString name = qEnvironmentVariable("FOLIO_TEST_PRINTER");
    return name.isEmpty() ? QStringLiteral("TestPDF") : name;
}

bool required()
{
    return qEnvironmentVariable("FOLIO_REQUIRE_CUPS") == QLatin1String("1");
}

bool available(QString* why)
{
    const QByteArray queue = printer().toUtf8();
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.constData(), nullptr);
    if (!dest) {
        if (why)
            *why = QStringLiteral("no queue %1 on the scheduler at %2: %3")
                       .arg(printer(), QString::fromUtf8(cupsServer()), QString::fromUtf8(cupsLastErrorString()));
        return false;
    }
    cupsFreeDests(1, dest);
    return true;
}

int newestJob(const QString& queue)
{
    cups_job_t* jobs = nullptr;
    const QByteArray name = queue.toUtf8();
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, name.constData(), 0, CUPS_WHICHJOBS_ALL);
    int newest = 0;
    for (int i = 0; i < count; ++i)
        newest = std::max(newest, jobs[i].id);
    cupsFreeJobs(count, jobs);
    return newest;
}

QMap<QString, QStringList> jobAttributes(int jobId)
{
    QMap<QString, QStringList> result;
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const QByteArray uri = QByteArrayLiteral("ipp://localhost/jobs/") + QByteArray::number(jobId);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "all");
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    if (!response)
        return result;
    for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
        if (ippGetGroupTag(a) != IPP_TAG_JOB || !ippGetName(a))
            continue;
        QStringList values;
        for (int i = 0; i < ippGetCount(a); ++i) {
            const ipp_tag_t tag = ippGetValueTag(a);
            if (tag == IPP_TAG_INTEGER || tag == IPP_TAG_ENUM)
                values << QString::number(ippGetInteger(a, i));
            else if (tag == IPP_TAG_BOOLEAN)
                values << QString::fromLatin1(ippGetBoolean(a, i) ? "true" : "false");
            else if (const char* s = ippGetString(a, i, nullptr))
                values << QString::fromUtf8(s);
            else {
                char buffer[1024];
                ippAttributeString(a, buffer, sizeof buffer);
                values << QString::fromUtf8(buffer);
            }
        }
        result.insert(QString::fromUtf8(ippGetName(a)), values);
    }
    ippDelete(response);
    return result;
}

int waitForJob(int jobId, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        const QStringList state = jobAttributes(jobId).value(QStringLiteral("job-state"));
        const int s = state.isEmpty() ? 0 : state.first().toInt();
        if (s >= IPP_JSTATE_CANCELED)
            return s;
        QThread::msleep(100);
    }
    return 0;
}

QString cupsPdfOutput(int jobId, int timeoutMs)
{
    const QString dir = qEnvironmentVariable("FOLIO_CUPS_PDF_OUT");
    if (dir.isEmpty())
        return QString();
    // cups-pdf names its file after the title and ends it with the job number;
    // it may still be moving the file into place when the job has ended.
    const QString suffix = QStringLiteral("job_%1.pdf").arg(jobId);
    QElapsedTimer timer;
    timer.start();
    do {
        for (const QString& name : QDir(dir).entryList({QStringLiteral("*.pdf")}, QDir::Files))
            if (name.endsWith(suffix))
                return QDir(dir).filePath(name);
        QThread::msleep(100);
    } while (timer.elapsed() < timeoutMs);
    return QString();
}

} // namespace cupstest
