#include "clisupport.h"

#include "testsupport.h"

#include <QDebug>
#include <QDir>
#include <QProcess>

namespace testsupport {

QString cliProgram()
{
    return QDir(binDir()).filePath("folioforge-cli");
}

CliResult runCli(const QStringList& arguments, const QString& workDir, const QString& program, const QByteArray& input,
                 const QStringList& environment)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "LD_LIBRARY_PATH"})
        env.remove(name);
    env.insert("QT_QPA_PLATFORM", "xcb");
    for (const QString& setting : environment)
        env.insert(setting.section('=', 0, 0), setting.section('=', 1));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(workDir);
    p.start(program, arguments);
    CliResult r;
    if (!p.waitForStarted(10000))
        return r;
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return r;
}

bool wrote(const CliResult& r, const QStringList& outputs)
{
    if (r.status == 0 && r.err.isEmpty() && r.outLines() == outputs)
        return true;
    qWarning().noquote() << "status" << r.status << "stdout:" << r.out << "stderr:" << r.err << "expected:" << outputs;
    return false;
}

} // namespace testsupport
