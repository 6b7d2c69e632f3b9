// print: the PDF batch printer.

#include "command.h"
#include "pdf_batch_print.h"

#include <QComboBox>
#include <QTextStream>

namespace {

// Every printer with the paper names it reports, the chosen ones marked.
QString listPrinters(FeatureBase& page, QTextStream& out)
{
    auto* printers = page.findChild<QComboBox*>(QStringLiteral("comboBox_printer"));
    auto* papers = page.findChild<QComboBox*>(QStringLiteral("comboBox_paper"));
    if (!printers || !papers)
        return QStringLiteral("the tool page has no printer list");
    if (printers->count() == 0)
        return QStringLiteral("no printer is set up");
    const int chosen = printers->currentIndex();
    for (int i = 0; i < printers->count(); ++i) {
        printers->setCurrentIndex(i);
        out << printers->itemText(i) << (i == chosen ? " (default)" : "") << '\n';
        for (int p = 0; p < papers->count(); ++p)
            out << "  " << papers->itemText(p) << (p == papers->currentIndex() ? " (default)" : "") << '\n';
    }
    return QString();
}

const cli::Registration print([] {
    cli::Command c;
    c.name = QStringLiteral("print");
    c.tool = Tool::BatchPrint;
    c.summary = QStringLiteral("Print PDFs, one job each, on a printer of the system");
    c.details = QStringLiteral(
        "Each input becomes one print job; each job is printed on stdout as QUEUE-JOBID FILE.\n"
        "Without --printer the system's default printer prints, on its default paper.\n"
        "What the options leave open (pages per sheet, collation, page set ...) takes\n"
        "the printer's own defaults, as lp does.");
    c.output = cli::Output::None;
    c.options = {
        cli::Option::value(QStringLiteral("printer"), QStringLiteral("QUEUE"), QStringLiteral("the printer (see --list-printers)"),
                           QStringLiteral("comboBox_printer")),
        cli::Option::value(QStringLiteral("paper"), QStringLiteral("NAME"),
                           QStringLiteral("a paper size the printer reports (see --list-printers)"),
                           QStringLiteral("comboBox_paper")),
        cli::Option::choice(QStringLiteral("orientation"), QStringLiteral("portrait (the default) or landscape"),
                            {{QStringLiteral("portrait"), QStringLiteral("radioButton__Portrait")},
                             {QStringLiteral("landscape"), QStringLiteral("radioButton_Landscape")}}),
        cli::Option::choice(QStringLiteral("scaling"),
                            QStringLiteral("Page Scaling: none, fit (to the paper; the default) or shrink (large pages only)"),
                            {{QStringLiteral("none"), QStringLiteral("None")},
                             {QStringLiteral("fit"), QStringLiteral("Fit To Paper")},
                             {QStringLiteral("shrink"), QStringLiteral("Shrink Large Pages")}},
                            QStringLiteral("comboBox_Scaling")),
        cli::Option::value(QStringLiteral("copies"), QStringLiteral("N"), QStringLiteral("copies of each file, 1 to 9999"),
                           QStringLiteral("comboBox_copies")),
        cli::Option::choice(QStringLiteral("quality"), QStringLiteral("Print Quality: high, medium (the default), low or draft"),
                            {{QStringLiteral("high"), QStringLiteral("High")},
                             {QStringLiteral("medium"), QStringLiteral("Medium")},
                             {QStringLiteral("low"), QStringLiteral("Low")},
                             {QStringLiteral("draft"), QStringLiteral("Draft")}},
                            QStringLiteral("comboBox_Quality")),
        cli::Option::toggle(QStringLiteral("mono"), QStringLiteral("Monochrome instead of Color"),
                            QStringLiteral("radioButton_Monochrome")),
        cli::Option::choice(QStringLiteral("duplex"),
                            QStringLiteral("simplex (the default), long (Vertical Duplex: bound on the long edge) or "
                                           "short (Horizontal Duplex: bound on the short edge)"),
                            {{QStringLiteral("simplex"), QStringLiteral("Simplex")},
                             {QStringLiteral("long"), QStringLiteral("Vertical Duplex")},
                             {QStringLiteral("short"), QStringLiteral("Horizontal Duplex")}},
                            QStringLiteral("comboBox_Duplex")),
        cli::Option::choice(QStringLiteral("media"), QStringLiteral("Media Type: standard (the default), transparency or glossy"),
                            {{QStringLiteral("standard"), QStringLiteral("radioButton_standard")},
                             {QStringLiteral("transparency"), QStringLiteral("radioButton_transparency")},
                             {QStringLiteral("glossy"), QStringLiteral("radioButton_glossy")}}),
        cli::Option::listing(QStringLiteral("list-printers"),
                             QStringLiteral("list the printers and the paper names each reports, the defaults marked, and exit"),
                             listPrinters),
    };
    c.print = [](FeatureBase& page, const QMap<QString, QString>&, QTextStream& out) {
        for (const PDF_Batch_print::Job& job : static_cast<PDF_Batch_print&>(page).jobs())
            out << job.queue << '-' << job.id << ' ' << job.input << '\n';
    };
    c.examples = QStringList{QStringLiteral("folioforge-cli print --list-printers"),
                             QStringLiteral("folioforge-cli print --printer Office --paper A4 --duplex long --copies 2 *.pdf")};
    return c;
}());

} // namespace
