#pragma once

// Running the built command-line companion as a user's shell would.

#include <QString>
#include <QStringList>

namespace clisupport {

struct Result
{
    int status = -1; // exit status; -1 when it did not run or crashed
    QString out;
    QString err;

    QStringList outLines() const;
    QStringList errLines() const;
};

// build/bin/folioforge-cli.
QString program();

// Runs folioforge-cli in workDir (the test's current folder when empty) with
// no display at all: DISPLAY and WAYLAND_DISPLAY unset, and QT_QPA_PLATFORM
// naming a platform that would need one. LD_LIBRARY_PATH is unset too: the
// program finds its engine beside itself.
Result run(const QStringList& arguments, const QString& workDir = QString());
// The same for a copy of the program elsewhere.
Result runProgram(const QString& program, const QStringList& arguments, const QString& workDir = QString());

} // namespace clisupport
