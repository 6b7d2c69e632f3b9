#pragma once

// folioforge-cli's texts: the help of the program and of each command, usage
// lines, and the lines it writes on stdout and stderr.

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdio>

namespace cli {

struct Command;

extern const char* const program;

// Exit statuses.
enum Status {
    Success = 0, // every input processed, every output written
    Failed = 1,  // some input or output failed; the others were still done
    Usage = 2,   // the command line was wrong; nothing was done
};

// The options every command has (those of a command without output file lack -o
// and --if-exists); a null command gives the program's own list.
struct CommonOption
{
    QStringList names;
    QString valueName;
    QString description;
};
QList<CommonOption> commonOptions(const Command* command);
// The program's own options, given instead of a command (--help, --version,
// --list-tools, --manual, --completion bash).
QList<CommonOption> programOptions();

QString programHelp();
QString commandHelp(const Command& command);
QString usageLine(const Command& command);
// What the exit statuses mean, as --help says it.
QString exitStatusText();

// The manual page (troff) and the bash completion, made from the same
// command table as the help, so that the three never tell different stories.
QString manualPage();
QString bashCompletion();

// One line on stdout or stderr, in the locale's encoding.
void print(FILE* stream, const QString& text);
// "folioforge-cli: text" on stderr.
void problem(const QString& text);
// Names the mistake and the usage on stderr; returns Usage.
int usageError(const QString& message, const Command* command);

} // namespace cli
