// merge: the PDF merger.

#include "command.h"

namespace {

const cli::Registration merge([] {
    cli::Command c;
    c.name = QStringLiteral("merge");
    c.tool = Tool::Merger;
    c.summary = QStringLiteral("Join PDFs, in the order given, into one PDF");
    c.details = QStringLiteral(
        "Every page of every input, in the order of the command line; a file listed twice\n"
        "is merged twice. The inputs' own bookmarks are left out. The output may be one\n"
        "of the inputs: it is written once, after every input was read.");
    c.output = cli::Output::File;
    c.minimumInputs = 2;
    c.outputMayBeAnInput = true;
    c.options = {cli::Option::toggle(
        QStringLiteral("bookmarks"),
        QStringLiteral("Use File Name As Bookmarks: one bookmark per input, titled with its file name, at "
                       "its first page"),
        QStringLiteral("radioButton_2"))};
    c.examples = QStringList{QStringLiteral("folioforge-cli merge -o book.pdf cover.pdf chapter1.pdf chapter2.pdf"),
                  QStringLiteral("folioforge-cli merge --bookmarks -o all.pdf --password-for secret.pdf=pw *.pdf")};
    return c;
}());

} // namespace
