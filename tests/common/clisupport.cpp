#include "clisupport.h"

#include "testsupport.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

namespace clisupport {

namespace {

QStringList lines(const QString& text)
{
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

QStringList Result::outLines() const
{
    return lines(out);
}

QStringList Result::errLines() const
{
    return lines(err);
}

QString program()
{
    return QDir(testsupport::binDir()).filePath(QStringLiteral("folioforge-cli"));
}

Result run(const QStringList& arguments, const QString& workDir)
{
    return runProgram(program(), arguments, workDir);
}

Result runProgram(const QString& program, const QStringList& arguments, const QString& workDir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("LD_LIBRARY_PATH"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QProcess p;
    p.setProcessEnvironment(env);
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(program, arguments);
    Result r;
    if (!p.waitForStarted(10000))
        return r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    if (p.exitStatus() == QProcess::NormalExit)
        r.status = p.exitCode();
    return r;
}

} // namespace clisupport
