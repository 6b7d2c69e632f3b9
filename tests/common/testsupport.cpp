#include "testsupport.h"

#include "pdfengine.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

namespace testsupport {

QString binDir()
{
    return QStringLiteral(FOLIO_BIN_DIR);
}

int run(const QString& program, const QStringList& args, QString* out, QString* err)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return -1;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (out) {
        const QByteArray bytes = p.readAllStandardOutput();
        *out = QString::fromUtf8(bytes.constData(), bytes.size());  // NUL characters too
    }
    if (err)
        *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

bool qpdfCheck(const QString& path, QString* report)
{
    QString out, err;
    const int rc = run("qpdf", {"--check", path}, &out, &err);
    if (report)
        *report = out + err;
    return rc == 0 || rc == 3;
}

int qpdfPageCount(const QString& path, const QString& password)
{
    QString out;
    const int rc = run("qpdf", {"--password=" + password, "--show-npages", path}, &out);
    bool ok = false;
    const int n = out.trimmed().toInt(&ok);
    return (rc == 0 || rc == 3) && ok ? n : -1;
}

QMap<QString, QString> pdfInfo(const QString& path, const QString& password, const QStringList& extraArgs)
{
    QMap<QString, QString> info;
    QString out;
    if (run("pdfinfo", extraArgs + QStringList{"-upw", password, "-enc", "UTF-8", path}, &out) != 0)
        return info;
    for (const QString& line : out.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon > 0)
            info.insert(line.left(colon).simplified(), line.mid(colon + 1).trimmed());
    }
    return info;
}

QString pdfText(const QString& path, int page, const QStringList& extraArgs)
{
    QStringList args = extraArgs + QStringList{"-enc", "UTF-8"};
    if (page > 0)
        args << "-f" << QString::number(page) << "-l" << QString::number(page);
    QString out;
    run("pdftotext", args << path << "-", &out);
    return out;
}

QStringList pageBoxes(const QString& path, const QString& password)
{
    const auto info = pdfInfo(path, password, {"-box", "-f", "1", "-l", "99999"});
    QStringList lines;
    for (int p = 1; p <= info.value("Pages").toInt(); ++p)
        lines << info.value(QString("Page %1 rot").arg(p)) + ": " + info.value(QString("Page %1 CropBox").arg(p)).simplified();
    return lines;
}

QList<QPair<QString, QRectF>> wordBoxes(const QString& path, int page)
{
    static const QRegularExpression word(
        "<word xMin=\"([-0-9.]+)\" yMin=\"([-0-9.]+)\" xMax=\"([-0-9.]+)\" yMax=\"([-0-9.]+)\">([^<]*)</word>");
    QList<QPair<QString, QRectF>> words;
    auto it = word.globalMatch(pdfText(path, page, {"-bbox"}));
    while (it.hasNext()) {
        const auto m = it.next();
        words.append({m.captured(5), QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                            QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))});
    }
    return words;
}

QStringList pageTexts(const QString& path)
{
    QStringList texts;
    const int n = qpdfPageCount(path);
    for (int p = 1; p <= n; ++p)
        texts << squeezed(pdfText(path, p));
    return texts;
}

QString squeezed(const QString& text)
{
    return text.simplified();
}

QString solid(const QString& text)
{
    static const QRegularExpression space("\\s+");
    return QString(text).remove(space);
}

QList<FontRow> pdfFonts(const QString& pdf, const QStringList& extraArgs)
{
    QList<FontRow> rows;
    QString out;
    const QStringList lines = run("pdffonts", extraArgs + QStringList{pdf}, &out) == 0 ? out.split('\n') : QStringList();
    if (lines.size() < 2)
        return rows;
    // Columns are as wide as the dashes of the second line.
    QList<QPair<int, int>> columns;
    for (auto it = QRegularExpression("-+").globalMatch(lines[1]); it.hasNext();) {
        const auto m = it.next();
        columns.append({m.capturedStart(), m.capturedLength()});
    }
    if (columns.size() < 6)
        return rows;
    for (const QString& line : lines.mid(2)) {
        auto field = [&](int c) { return line.mid(columns[c].first, columns[c].second).trimmed(); };
        if (!line.trimmed().isEmpty())
            rows.append({field(0), field(1), field(2), field(3) == "yes", field(4) == "yes", field(5) == "yes"});
    }
    return rows;
}

QList<ListedImage> listImages(const QString& pdf)
{
    QList<ListedImage> result;
    QString out;
    run("pdfimages", {"-list", pdf}, &out);
    for (const QString& line : out.split('\n').mid(2)) {
        const QStringList f = line.split(' ', Qt::SkipEmptyParts);
        if (f.size() >= 14)
            result.append({f[0].toInt(), f[2], f[3].toInt(), f[4].toInt(), f[5], f[7].toInt(), f[8], f[10].toInt(),
                           f[12].toInt(), f[13].toInt()});
    }
    return result;
}

QList<QImage> extractImages(const QString& pdf)
{
    QTemporaryDir dir;
    QList<QImage> images;
    if (run("pdfimages", {"-png", pdf, dir.filePath("x")}) == 0)
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files, QDir::Name))
            images << QImage(dir.filePath(name));
    return images;
}

QString saveChecked(PdfEngine& engine, const QString& file)
{
    QString report;
    if (engine.SaveToFile(file) != 1 || !qpdfCheck(file, &report)) {
        qWarning().noquote() << "not saved, or qpdf --check fails:" << file << report;
        return QString();
    }
    return file;
}

bool loadOnly(PdfEngine& engine, const QString& file, const QString& password)
{
    while (engine.DocumentCount() > 1)
        engine.RemoveDocument(engine.GetDocumentID(1));
    const int before = engine.GetDocumentID(1);
    return engine.LoadFromFile(file, password) == 1 && engine.RemoveDocument(before) == 1;
}

QString stderrDuring(const std::function<void()>& work)
{
    QTemporaryFile captured;
    if (!captured.open())
        return "stderr could not be caught";
    fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(captured.handle(), 2);
    work();
    fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    captured.seek(0);
    return QString::fromLocal8Bit(captured.readAll());
}

void keepWhenAsked(QTemporaryDir& dir)
{
    if (qEnvironmentVariableIsSet("FOLIO_KEEP_TEST_FILES")) {
        dir.setAutoRemove(false);
        qInfo() << "test files in" << dir.path();
    }
}

QString emptyFolder(const QTemporaryDir& dir, const QString& name)
{
    QDir(dir.filePath(name)).removeRecursively();
    QDir(dir.path()).mkpath(name);
    return dir.filePath(name);
}

QString ownTemporaryFolder(const QTemporaryDir& dir)
{
    const QString folder = emptyFolder(dir, QStringLiteral("tmp"));
    qputenv("TMPDIR", QFile::encodeName(folder));
    return folder;
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

QStringList pathsIn(const QTemporaryDir& dir, const QStringList& names)
{
    QStringList paths;
    for (const QString& name : names)
        paths << dir.filePath(name);
    return paths;
}

QStringList numberedTexts(const QString& prefix, int n)
{
    QStringList texts;
    for (int i = 1; i <= n; ++i)
        texts << prefix + QString::number(i);
    return texts;
}

} // namespace testsupport
