// folioforge-cli's manual page and bash completion, written from the command
// table, as --help is.

#include "command.h"
#include "help.h"

#include <QTextStream>

namespace cli {

namespace {

// Text as troff prints it: backslashes and leading dots escaped, dashes as
// minus signs, so that options can be copied from the page.
QString roff(QString text)
{
    text.replace(QLatin1Char('\\'), QStringLiteral("\\e"));
    text.replace(QLatin1Char('-'), QStringLiteral("\\-"));
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.startsWith(QLatin1Char('.')) || line.startsWith(QLatin1Char('\'')))
            line.prepend(QStringLiteral("\\&"));
    return lines.join(QLatin1Char('\n'));
}

QString optionHead(const QStringList& names, const QString& valueName)
{
    QStringList shown;
    for (const QString& n : names)
        shown << QStringLiteral("\\fB%1%2\\fR").arg(n.size() == 1 ? QStringLiteral("\\-") : QStringLiteral("\\-\\-"), roff(n));
    QString head = shown.join(QStringLiteral(", "));
    if (!valueName.isEmpty())
        head += QStringLiteral(" \\fI%1\\fR").arg(roff(valueName));
    return head;
}

// Paragraphs of help text: blank lines part them, single line ends join.
QString paragraphs(const QString& text)
{
    QStringList out;
    for (const QString& paragraph : text.split(QStringLiteral("\n\n"), Qt::SkipEmptyParts))
        out << roff(QString(paragraph).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    return out.join(QStringLiteral("\n.PP\n"));
}

} // namespace

QString manualPage()
{
    QStringList alone;
    for (const CommonOption& o : programOptions())
        alone << optionHead(o.names, o.valueName);
    QString page;
    QTextStream t(&page);
    t << ".TH FOLIOFORGE\\-CLI 1 \"\" \"folioforge\\-cli " << FOLIO_VERSION << "\" \"User Commands\"\n"
      << ".SH NAME\nfolioforge\\-cli \\- Folioforge's PDF tools from a shell\n"
      << ".SH SYNOPSIS\n.B folioforge\\-cli\n.I COMMAND\n[\\fB\\-o\\fR \\fIOUTPUT\\fR] [\\fIOPTIONS\\fR] \\fIFILE\\fR...\n.br\n"
      << ".B folioforge\\-cli\n" << alone.join(QStringLiteral(" | ")) << "\n"
      << ".SH DESCRIPTION\n"
      << "The same tools as the Folioforge desktop programs, run from a shell: each command fills its tool's "
         "page from the options and runs it as the desktop tool's \\(lqProcess\\(rq button does. Every file "
         "written is printed on standard output, one a line (commands that report, such as compress, "
         "word\\-count and print, print their report instead); every input that could not be worked on and every "
         "output that could not be written is named on standard error with the reason.\n"
      << ".SH COMMANDS\n";
    for (const Command& c : commands()) {
        t << ".SS " << roff(c.name) << "\n" << roff(usageLine(c)) << "\n.PP\n" << roff(c.summary) << "\n";
        if (!c.details.isEmpty())
            t << ".PP\n" << paragraphs(c.details) << "\n";
        for (const Option& o : c.options)
            t << ".TP\n" << optionHead({o.name}, o.valueName) << "\n" << roff(o.description) << "\n";
        for (const QString& example : c.examples)
            t << ".PP\n.nf\n" << roff(example) << "\n.fi\n";
    }
    t << ".SH OPTIONS OF EVERY COMMAND\n";
    for (const CommonOption& o : commonOptions(nullptr))
        t << ".TP\n" << optionHead(o.names, o.valueName) << "\n" << roff(o.description) << "\n";
    t << ".SH OPTIONS OF THE PROGRAM\n";
    for (const CommonOption& o : programOptions())
        t << ".TP\n" << optionHead(o.names, o.valueName) << "\n" << roff(o.description) << "\n";
    t << ".SH EXIT STATUS\n" << paragraphs(exitStatusText()) << "\n"
      << ".SH SEE ALSO\n\\fBqpdf\\fR(1), \\fBpdfinfo\\fR(1), \\fBpdftotext\\fR(1), \\fBlp\\fR(1)\n";
    return page;
}

QString bashCompletion()
{
    QString script;
    QTextStream t(&script);
    QStringList names;
    for (const Command& c : commands())
        names << c.name;
    QStringList alone;
    for (const CommonOption& o : programOptions())
        alone << QStringLiteral("--") + o.names.first();
    t << "# bash completion for folioforge-cli, written from its command table.\n"
      << "_folioforge_cli()\n{\n"
      << "    local cur prev words cword\n"
      << "    _init_completion || return\n"
      << "    if [[ $cword -eq 1 ]]; then\n"
      << "        COMPREPLY=($(compgen -W '" << names.join(QLatin1Char(' ')) << ' ' << alone.join(QLatin1Char(' '))
      << "' -- \"$cur\"))\n"
      << "        return\n"
      << "    fi\n"
      << "    case $prev in\n"
      << "        -o|--output|--password-file) _filedir; return ;;\n"
      << "        --if-exists) COMPREPLY=($(compgen -W 'rename skip overwrite' -- \"$cur\")); return ;;\n"
      << "        --password|--password-for) return ;;\n"
      << "    esac\n"
      << "    local options\n"
      << "    case ${words[1]} in\n";
    for (const Command& c : commands()) {
        QStringList own;
        for (const CommonOption& o : commonOptions(&c))
            for (const QString& n : o.names)
                own << (n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n;
        QStringList valueCases;
        for (const Option& o : c.options) {
            own << QStringLiteral("--") + o.name;
            if (o.valueName.isEmpty())
                continue;
            // Values from a list complete as words; a file as a file name.
            const QStringList choices = o.choices.isEmpty() ? o.dialogChoices : QStringList(o.choices.keys());
            const QString words = choices.join(QLatin1Char(' '));
            const QString completion = o.valueName == QLatin1String("FILE") ? QStringLiteral("_filedir; ")
                                       : words.isEmpty() ? QString()
                                                         : QStringLiteral("COMPREPLY=($(compgen -W '%1' -- \"$cur\")); ").arg(words);
            valueCases << QStringLiteral("                --%1) %2return ;;\n").arg(o.name, completion);
        }
        t << "        " << c.name << ")\n";
        if (!valueCases.isEmpty())
            t << "            case $prev in\n" << valueCases.join(QString()) << "            esac\n";
        t << "            options='" << own.join(QLatin1Char(' ')) << "' ;;\n";
    }
    t << "    esac\n"
      << "    if [[ $cur == -* ]]; then\n"
      << "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
      << "    else\n"
      << "        _filedir\n"
      << "    fi\n"
      << "}\n"
      << "complete -F _folioforge_cli folioforge-cli\n";
    return script;
}

} // namespace cli
