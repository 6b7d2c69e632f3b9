#include "testsupport.h"

#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>

namespace testsupport {

QString binDir()
{
    return QStringLiteral(FOLIO_BIN_DIR);
}

bool writeTextPdf(const QString& path, const QStringList& pageTexts, const QSizeF& pageSizePoints)
{
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(pageSizePoints, QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(36);
    painter.setFont(font);
    for (int i = 0; i < pageTexts.size(); ++i) {
        if (i > 0)
            writer.newPage();
        painter.drawText(QRectF(36, 36, pageSizePoints.width() - 72, pageSizePoints.height() - 72),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, pageTexts.at(i));
    }
    return painter.end();
}

int run(const QString& program, const QStringList& args, QString* out, QString* err, int timeoutMs)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return -1;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput());
    if (err)
        *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool qpdfCheck(const QString& path, QString* report)
{
    QString out, err;
    const int rc = run(QStringLiteral("qpdf"), {QStringLiteral("--check"), path}, &out, &err);
    if (report)
        *report = out + err;
    return rc == 0 || rc == 3;
}

QMap<QString, QString> pdfInfo(const QString& path, const QString& password)
{
    QMap<QString, QString> info;
    QStringList args;
    if (!password.isEmpty())
        args << QStringLiteral("-upw") << password;
    args << QStringLiteral("-enc") << QStringLiteral("UTF-8") << path;
    QString out;
    if (run(QStringLiteral("pdfinfo"), args, &out) != 0)
        return info;
    for (const QString& line : out.split(QLatin1Char('\n'))) {
        const int colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        info.insert(line.left(colon), line.mid(colon + 1).trimmed());
    }
    return info;
}

QString pdfText(const QString& path, int page, const QStringList& extraArgs)
{
    QStringList args = extraArgs;
    args << QStringLiteral("-enc") << QStringLiteral("UTF-8");
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
    args << path << QStringLiteral("-");
    QString out;
    run(QStringLiteral("pdftotext"), args, &out);
    return out;
}

int qpdfPageCount(const QString& path, const QString& password)
{
    QStringList args;
    if (!password.isEmpty())
        args << (QStringLiteral("--password=") + password);
    args << QStringLiteral("--show-npages") << path;
    QString out;
    const int rc = run(QStringLiteral("qpdf"), args, &out);
    if (rc != 0 && rc != 3)
        return -1;
    bool ok = false;
    const int n = out.trimmed().toInt(&ok);
    return ok ? n : -1;
}

} // namespace testsupport
