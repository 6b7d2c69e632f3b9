#include "help.h"

#include "command.h"

namespace cli {

const char* const program = "folioforge-cli";

namespace {

using Rows = QList<QPair<QString, QString>>;

QString optionSyntax(const QStringList& names, const QString& valueName)
{
    QStringList shown;
    for (const QString& n : names)
        shown << (n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n;
    QString syntax = shown.join(QStringLiteral(", "));
    if (names.size() == 1 && names.first().size() > 1)
        syntax.prepend(QStringLiteral("    "));
    if (!valueName.isEmpty())
        syntax += QLatin1Char(' ') + valueName;
    return syntax;
}

// The width of the first column: the widest entry, up to 30.
int columnWidth(const Rows& rows)
{
    int width = 0;
    for (const auto& row : rows)
        width = qMax(width, int(row.first.size()));
    return qMin(width, 30);
}

// Two columns, the descriptions wrapped at 79 characters.
QString optionTable(const Rows& rows, int width)
{
    const int indent = 2 + width + 2;
    QString text;
    for (const auto& row : rows) {
        QString line = QStringLiteral("  ") + row.first.leftJustified(width);
        if (row.first.size() > width)
            line = QStringLiteral("  ") + row.first + QLatin1Char('\n') + QString(indent, QLatin1Char(' '));
        else
            line += QStringLiteral("  ");
        int column = int(line.size() - line.lastIndexOf(QLatin1Char('\n')) - 1);
        bool first = true;
        for (const QString& word : row.second.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (!first && column + 1 + word.size() > 79) {
                line += QLatin1Char('\n') + QString(indent, QLatin1Char(' '));
                column = indent;
            } else if (!first) {
                line += QLatin1Char(' ');
                ++column;
            }
            line += word;
            column += int(word.size());
            first = false;
        }
        text += line + QLatin1Char('\n');
    }
    return text;
}

Rows commonOptionRows(const Command* command)
{
    Rows rows;
    for (const CommonOption& o : commonOptions(command))
        rows.append({optionSyntax(o.names, o.valueName), o.description});
    return rows;
}

const QString exitStatuses = QStringLiteral(
    "Exit status: 0 when every input was processed and every output written; 1 when\n"
    "an input could not be opened or an output was not written (the others are still\n"
    "done); 2 for a wrong command line (nothing is done).\n");

} // namespace

QString exitStatusText()
{
    return exitStatuses;
}

QString usageLine(const Command& c)
{
    const QString files = c.maximumInputs() == 1 ? QStringLiteral("FILE")
                          : c.minimumInputs > 1  ? QStringLiteral("FILE FILE...")
                                                 : QStringLiteral("FILE...");
    bool fileOrFolder = false;
    for (const Option& o : c.options)
        fileOrFolder = fileOrFolder || o.outputFor.values().contains(Output::File);
    QString output;
    switch (c.output) {
    case Output::File:
        output = QStringLiteral(" -o OUTPUT");
        break;
    case Output::Folder:
        output = fileOrFolder ? QStringLiteral(" -o FOLDER|FILE") : QStringLiteral(" -o FOLDER");
        break;
    case Output::None:
        break;
    }
    return QStringLiteral("%1 %2%3 [OPTIONS] %4").arg(QLatin1String(program), c.name, output, files);
}

QList<CommonOption> programOptions()
{
    return {{{QStringLiteral("help")}, QString(), QStringLiteral("the commands, or one command's options")},
            {{QStringLiteral("version")}, QString(), QStringLiteral("the program's version")},
            {{QStringLiteral("list-tools")}, QString(), QStringLiteral("the family's tools: number, name and icon, one a line")},
            {{QStringLiteral("manual")}, QString(), QStringLiteral("this manual page, as roff")},
            {{QStringLiteral("completion")}, QStringLiteral("bash"), QStringLiteral("the bash completion script")}};
}

namespace {

QString programUsage()
{
    QStringList alone;
    for (const CommonOption& o : programOptions())
        alone << QStringLiteral("--") + o.names.first() + (o.valueName.isEmpty() ? QString() : QLatin1Char(' ') + o.valueName);
    return QStringLiteral("Usage: %1 COMMAND [-o OUTPUT] [OPTIONS] FILE...\n"
                          "       %1 COMMAND --help\n"
                          "       %1 %2\n")
        .arg(QLatin1String(program), alone.join(QStringLiteral(" | ")));
}

} // namespace

QList<CommonOption> commonOptions(const Command* command)
{
    const Output kind = command ? command->output : Output::File;
    const QString output = !command ? QStringLiteral("the output file, or folder for the tools that write one file "
                                                     "per input (required where the command writes files)")
                           : kind == Output::Folder
                               ? QStringLiteral("the folder to write into, made when missing (required)")
                                     + (command->outputMayBeStdout ? QStringLiteral("; - writes to standard output "
                                                                                    "instead (one input)")
                                                                   : QString())
                                                    : QStringLiteral("the file to write (required)");
    const QString ifExists =
        !command ? QStringLiteral("what happens to an output file that exists: rename (the default) writes "
                                  "NAME(1).EXT instead, skip writes nothing, overwrite replaces it; the output "
                                  "file of a single-output tool is replaced unless this option is given")
        : kind == Output::Folder ? QStringLiteral("what happens to an output file that exists: rename (the default) "
                                                  "writes NAME(1).EXT instead, skip leaves it and writes nothing for "
                                                  "that input, overwrite replaces it (never an input)")
                                 : QStringLiteral("what happens when the output file exists: without this option it "
                                                  "is replaced, as the desktop tool does; rename writes NAME(1).EXT "
                                                  "instead, skip writes nothing, overwrite replaces it");
    QList<CommonOption> list;
    if (kind != Output::None)
        list.append({{QStringLiteral("o"), QStringLiteral("output")},
                     kind == Output::Folder ? QStringLiteral("FOLDER") : QStringLiteral("PATH"), output});
    list.append({{QStringLiteral("password")}, QStringLiteral("PASS"), QStringLiteral("the password of every protected input")});
    list.append({{QStringLiteral("password-file")}, QStringLiteral("FILE"),
                 QStringLiteral("read that password from the first line of FILE, or of standard input for \"-\", "
                                "so that it does not show in the list of processes")});
    list.append({{QStringLiteral("password-for")}, QStringLiteral("FILE=PASS"),
                 QStringLiteral("the password of one input; may be repeated; wins over --password")});
    if (kind != Output::None)
        list.append({{QStringLiteral("if-exists")}, QStringLiteral("rename|skip|overwrite"), ifExists});
    list.append({{QStringLiteral("v"), QStringLiteral("verbose")}, QString(),
                 QStringLiteral("print the tools' diagnostic log on stderr")});
    list.append({{QStringLiteral("h"), QStringLiteral("help")}, QString(), QStringLiteral("show this help and exit")});
    list.append({{QStringLiteral("version")}, QString(), QStringLiteral("show the version and exit")});
    return list;
}

QString programHelp()
{
    Rows rows;
    for (const Command& c : commands())
        rows.append({c.name, c.summary});
    const Rows common = commonOptionRows(nullptr);
    return programUsage() +
           QStringLiteral("\nFolioforge's PDF tools from a shell: the same tools as the desktop program, with\n"
                          "errors named on stderr and every file written printed on stdout.\n\nCommands:\n") +
           optionTable(rows, columnWidth(rows)) + QStringLiteral("\nOptions of every command:\n") +
           optionTable(common, columnWidth(common)) + QLatin1Char('\n') + exitStatuses +
           QStringLiteral("\nRun '%1 COMMAND --help' for the options of one command.\n").arg(QLatin1String(program));
}

QString commandHelp(const Command& c)
{
    QString text = QStringLiteral("Usage: ") + usageLine(c) + QStringLiteral("\n\n") + c.summary + QLatin1Char('\n');
    if (!c.details.isEmpty())
        text += QLatin1Char('\n') + c.details + QLatin1Char('\n');
    Rows own;
    for (const Option& o : c.options)
        own.append({optionSyntax({o.name}, o.valueName), o.description});
    const Rows common = commonOptionRows(&c);
    const int width = columnWidth(own + common);
    if (!own.isEmpty())
        text += QStringLiteral("\nOptions of %1:\n").arg(c.name) + optionTable(own, width);
    text += QStringLiteral("\nOptions of every command:\n") + optionTable(common, width);
    if (!c.examples.isEmpty()) {
        text += QStringLiteral("\nExamples:\n");
        for (const QString& e : c.examples)
            text += QStringLiteral("  ") + e + QLatin1Char('\n');
    }
    return text + QLatin1Char('\n') + exitStatuses;
}

void print(FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

void problem(const QString& text)
{
    print(stderr, QStringLiteral("%1: %2").arg(QLatin1String(program), text));
}

int usageError(const QString& message, const Command* command)
{
    problem(message);
    if (command)
        print(stderr, QStringLiteral("Usage: %1\nTry '%2 %3 --help'.")
                          .arg(usageLine(*command), QLatin1String(program), command->name));
    else
        print(stderr, programUsage() + QStringLiteral("Try '%1 --help'.").arg(QLatin1String(program)));
    return Usage;
}

} // namespace cli
