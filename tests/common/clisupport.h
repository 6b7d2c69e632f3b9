#pragma once

// Running the built command-line companion as a user's shell would.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace testsupport {

struct CliResult {
    int status = -1;  // exit status; -1 when it did not run or crashed
    QString out, err;
    QStringList outLines() const { return out.split('\n', Qt::SkipEmptyParts); }
    QStringList errLines() const { return err.split('\n', Qt::SkipEmptyParts); }
};

// build/bin/folioforge-cli.
QString cliProgram();

// Runs folioforge-cli (or a copy of it) in workDir with no display at all:
// DISPLAY and WAYLAND_DISPLAY unset, QT_QPA_PLATFORM naming a platform that
// would need one, and no LD_LIBRARY_PATH: it finds its engine beside itself.
// `input` is what it reads on stdin; `environment` holds NAME=value settings
// on top of this process's own.
CliResult runCli(const QStringList& arguments, const QString& workDir = QString(), const QString& program = cliProgram(),
                 const QByteArray& input = QByteArray(), const QStringList& environment = {});

// The frame of a command-line suite: the folder it runs in.
class CliSuite : public QObject
{
    Q_OBJECT

protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
};

// The run succeeded quietly and named exactly these outputs on stdout; says
// what differs otherwise.
bool wrote(const CliResult& r, const QStringList& outputs);

} // namespace testsupport
