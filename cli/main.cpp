// folioforge-cli: the desktop program's tools, driven from a shell.

#include "logformat.h"
#include "runner.h"

#include <QApplication>
#include <QLocale>

#include <cstring>

namespace {

bool verbose = false;
QtMessageHandler defaultHandler = nullptr;

// The tools' diagnostic log, and the toolkit's chatter about running without
// a display, would bury the lines a user must read: both only with --verbose.
void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (verbose || type == QtCriticalMsg || type == QtFatalMsg)
        defaultHandler(type, context, message);
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
        verbose = verbose || !std::strcmp(argv[i], "-v") || !std::strcmp(argv[i], "--verbose");
    }
    installLogFormat();
    defaultHandler = qInstallMessageHandler(messageHandler);

    // No window is ever shown: the offscreen platform needs no display. The
    // toolkit sees no arguments, so that none of ours is taken for one of its
    // own (-style, -platform, -reverse ...).
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName(QStringLiteral("folioforge-cli"));
    QApplication::setApplicationVersion(QStringLiteral(FOLIO_VERSION));
    // Scripts write numbers with a decimal point whatever the shell's locale:
    // the forms' number entries read them so.
    QLocale::setDefault(QLocale::c());
    return cli::run(arguments);
}
