// to-text: PDF to text.

#include "command.h"

namespace {

const cli::Registration toText([] {
    cli::Command c;
    c.name = QStringLiteral("to-text");
    c.tool = Tool::PdfToText;
    c.summary = QStringLiteral("Extract the text of PDFs into UTF-8 text files");
    c.details = QStringLiteral(
        "One text file per input, NAME.txt, with the page layout kept by spaces, as\n"
        "pdftotext -layout gives it (pages are not separated by form feeds). Inputs with\n"
        "the same name get NAME(1).txt and so on. With -o - the text goes to standard\n"
        "output, as pdftotext FILE - does.");
    c.output = cli::Output::Folder;
    c.outputMayBeStdout = true;
    c.options = {
        cli::Option::toggle(QStringLiteral("raw"),
                            QStringLiteral("Raw Text Data: the text in the order the page draws it, as pdftotext "
                                           "-raw gives it, instead of keeping the layout"),
                            QStringLiteral("radioButton_raw")),
        cli::Option::toggle(QStringLiteral("per-page"),
                            QStringLiteral("Split - Page By Page: one text file per page, \"NAME Page N.txt\""),
                            QStringLiteral("radioButton_2")),
    };
    c.examples = QStringList{QStringLiteral("folioforge-cli to-text -o texts/ manual.pdf report.pdf"),
                             QStringLiteral("folioforge-cli to-text --raw --per-page -o pages/ manual.pdf"),
                             QStringLiteral("folioforge-cli to-text -o - manual.pdf | grep -n licence")};
    return c;
}());

} // namespace
