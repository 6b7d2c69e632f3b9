// Printing through CUPS. A custom printer is a CUPS destination plus the
// settings the caller gave; a print job sends the chosen pages of the selected
// document, as edited, with every setting as its IPP job attribute.
// cupsPrintFile with cupsAddOption passes every attribute to the scheduler,
// also those a queue does not advertise (Qt's printer drops such settings).
// What the settings leave open takes the destination's own options (the
// user's lpoptions), as lp does; the scheduler adds the queue's defaults.

#include "core/instance.h"
#include "printing/printing.h"

#include <cups/cups.h>
#include <cups/pwg.h>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace fpe {

namespace {

PrintState& printState(Instance& in)
{
    if (!in.print)
        in.print = std::make_shared<PrintState>();
    return *in.print;
}

// The CUPS destination of that name with its options, if the scheduler knows
// it: a queue, or "queue/instance", the queue with an instance's own options
// from lpoptions (CUPS and the toolkit list instances beside their queues);
// free it with cupsFreeDests. A null result also means no scheduler answered.
cups_dest_t* namedDestination(const QString& name)
{
    if (name.isEmpty())
        return nullptr;
    const QByteArray queue = name.section(QLatin1Char('/'), 0, 0).toUtf8();
    const QByteArray instance = name.section(QLatin1Char('/'), 1).toUtf8();
    return cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.constData(), instance.isEmpty() ? nullptr : instance.constData());
}

// Why namedDestination found nothing.
QString missingDestination(const QString& name)
{
    const ipp_status_t status = cupsLastError();
    if (name.isEmpty() || status == IPP_STATUS_OK || status == IPP_STATUS_ERROR_NOT_FOUND)
        return QStringLiteral("no printer %1").arg(name).trimmed();
    return QString::fromUtf8(cupsLastErrorString());
}

// Paper numbers besides 0 (custom size) that setting 1 accepts, with their
// PWG media names; the numbers are those Windows printer drivers use.
const char* knownPaper(int number)
{
    switch (number) {
    case 1: return "na_letter_8.5x11in";
    case 3: return "na_ledger_11x17in";
    case 5: return "na_legal_8.5x14in";
    case 7: return "na_executive_7.25x10.5in";
    case 8: return "iso_a3_297x420mm";
    case 9: return "iso_a4_210x297mm";
    case 11: return "iso_a5_148x210mm";
    case 13: return "jis_b5_182x257mm";
    default: return nullptr;
    }
}

bool validSetting(int setting, int value)
{
    switch (setting) {
    case folio::PrinterPaperSize: return value == 0 || knownPaper(value);
    case folio::PrinterPaperLength:
    case folio::PrinterPaperWidth: return value > 0 && value <= 100000;  // up to 10 m of roll paper
    case folio::PrinterCopies: return value >= 1 && value <= 9999;
    case folio::PrinterQuality: return value >= 1 && value <= 4;
    case folio::PrinterColour: return value == 1 || value == 2;
    case folio::PrinterDuplex: return value >= 1 && value <= 3;
    case folio::PrinterMediaType: return value >= 0 && value <= 3;
    case folio::PrinterOrientation: return value == 1 || value == 2;
    default: return false;
    }
}

using OptionList = std::vector<std::pair<std::string, std::string>>;

// The IPP job attributes for a printer's settings.
OptionList printerAttributes(const CustomPrinter& printer)
{
    OptionList out;
    auto setting = [&](int key) {
        auto it = printer.settings.find(key);
        return it == printer.settings.end() ? -1 : it->second;
    };

    const int paper = setting(folio::PrinterPaperSize);
    if (paper > 0) {
        out.emplace_back("media", knownPaper(paper));
    } else if (paper == 0 && setting(folio::PrinterPaperLength) > 0 && setting(folio::PrinterPaperWidth) > 0) {
        // Hundredths of a millimetre, short edge first as media names have it;
        // a size within the tolerance of a standard one gets its standard name.
        const int a = setting(folio::PrinterPaperWidth) * 10, b = setting(folio::PrinterPaperLength) * 10;
        if (pwg_media_t* media = pwgMediaForSize(std::min(a, b), std::max(a, b)))
            out.emplace_back("media", media->pwg);
    }
    if (const int v = setting(folio::PrinterOrientation); v > 0)
        out.emplace_back("orientation-requested", v == 2 ? "4" : "3");
    if (const int v = setting(folio::PrinterCopies); v > 0)
        out.emplace_back("copies", std::to_string(v));
    if (const int v = setting(folio::PrinterQuality); v > 0)  // IPP knows high 5, normal 4, draft 3
        out.emplace_back("print-quality", v == 1 ? "5" : v == 2 ? "4" : "3");
    if (const int v = setting(folio::PrinterColour); v > 0)
        out.emplace_back("print-color-mode", v == 1 ? "monochrome" : "color");
    if (const int v = setting(folio::PrinterDuplex); v > 0)
        out.emplace_back("sides", v == 1 ? "one-sided" : v == 2 ? "two-sided-long-edge" : "two-sided-short-edge");
    if (const int v = setting(folio::PrinterMediaType); v > 0)
        out.emplace_back("media-type", v == 1 ? "stationery" : v == 2 ? "transparency" : "photographic-glossy");
    return out;
}

OptionList optionAttributes(const PrintOptionSet& options)
{
    OptionList out;
    out.emplace_back("print-scaling", options.pageScaling == 0 ? "none" : options.pageScaling == 1 ? "fit" : "auto-fit");
    // CUPS's PDF filter turns pages to suit the paper unless told not to.
    if (!options.autoRotateCenter)
        out.emplace_back("pdftopdfAutoRotate", "false");
    return out;
}

// Pages first..last of the document as edited, as a PDF of their own.
QByteArray pageRangeBytes(Document& doc, int first, int last)
{
    std::shared_ptr<const QByteArray> whole = doc.snapshot();
    if (first == 1 && last == doc.pageCount())
        return *whole;
    QPDF source;
    configureQuietly(source);
    source.processMemoryFile("document", whole->constData(), static_cast<size_t>(whole->size()));
    // Pages copied out of their tree must carry what they inherited from it.
    source.pushInheritedAttributesToPage();
    const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(source).getAllPages();
    QPDF out;
    configureQuietly(out);
    out.emptyPDF();
    QPDFPageDocumentHelper outPages(out);
    for (int i = first; i <= last; ++i)
        outPages.addPage(pages.at(static_cast<size_t>(i - 1)), false);
    QPDFWriter writer(out);
    writer.setOutputMemory();
    writer.setObjectStreamMode(qpdf_o_generate);
    writer.write();
    std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
    return QByteArray(reinterpret_cast<const char*>(buffer->getBuffer()), static_cast<int>(buffer->getSize()));
}

// The printer for a queue or lpoptions instance ("queue/instance"): jobs
// go to the queue, the instance's options with them. False, with the error
// said, when CUPS knows no such destination.
bool lookUpDestination(const QString& name, CustomPrinter& printer, QString& error)
{
    cups_dest_t* dest = namedDestination(name);
    if (!dest) {
        error = missingDestination(name);
        return false;
    }
    printer.destination = QString::fromUtf8(dest->name);
    for (int i = 0; i < dest->num_options; ++i)
        printer.destinationOptions.emplace_back(dest->options[i].name, dest->options[i].value);
    cupsFreeDests(1, dest);
    return true;
}

} // namespace

QString Instance::NewCustomPrinter(const QString& OriginalPrinterName)
{
    PrintState& state = printState(*this);
    CustomPrinter printer;
    if (!lookUpDestination(OriginalPrinterName, printer, state.lastError))
        return QString();
    state.lastError.clear();
    // '#' cannot occur in a CUPS queue name, so a custom name never hides a queue.
    const QString name = QStringLiteral("%1#%2").arg(OriginalPrinterName).arg(newId());
    state.printers[name] = printer;
    return name;
}

int Instance::SetupCustomPrinter(const QString& CustomPrinterName, int Setting, int NewValue)
{
    PrintState& state = printState(*this);
    auto it = state.printers.find(CustomPrinterName);
    if (it == state.printers.end() || !validSetting(Setting, NewValue))
        return 0;
    it->second.settings[Setting] = NewValue;
    return 1;
}

int Instance::PrintOptions(int PageScaling, int AutoRotateCenter, const QString& Title)
{
    if (PageScaling < 0 || PageScaling > 2)
        return 0;
    PrintOptionSet options;
    options.pageScaling = PageScaling;
    options.autoRotateCenter = AutoRotateCenter != 0;
    options.title = Title;
    const int optionsId = newId();
    printState(*this).options[optionsId] = options;
    return optionsId;
}

QString Instance::LastPrintError()
{
    return printState(*this).lastError;
}

int Instance::PrintDocument(const QString& PrinterName, int StartPage, int EndPage, int Options)
{
    PrintState& state = printState(*this);
    state.lastError = QStringLiteral("the pages or print options asked for do not exist");
    Document& doc = selectedDoc();
    if (StartPage < 1 || EndPage < StartPage || EndPage > doc.pageCount())
        return 0;

    // A custom printer's name, or a queue's own name for its defaults.
    CustomPrinter plain;
    const CustomPrinter* printer = &plain;
    if (auto it = state.printers.find(PrinterName); it != state.printers.end())
        printer = &it->second;
    // Options 0 means the printer's defaults; any other id must exist.
    const PrintOptionSet* options = nullptr;
    if (Options != 0) {
        auto it = state.options.find(Options);
        if (it == state.options.end())
            return 0;
        options = &it->second;
    }
    if (printer == &plain && !lookUpDestination(PrinterName, plain, state.lastError))
        return 0;

    QString title = options ? options->title : QString();
    if (title.isEmpty())
        title = doc.sourcePath.isEmpty() ? QStringLiteral("Document") : QFileInfo(doc.sourcePath).fileName();

    OptionList attributes = printerAttributes(*printer);
    if (options) {
        const OptionList more = optionAttributes(*options);
        attributes.insert(attributes.end(), more.begin(), more.end());
    }

    cups_option_t* cupsOptions = nullptr;
    int count = 0;
    for (const auto& [name, value] : attributes)
        count = cupsAddOption(name.c_str(), value.c_str(), count, &cupsOptions);
    for (const auto& [name, value] : printer->destinationOptions)
        if (!cupsGetOption(name.c_str(), count, cupsOptions))
            count = cupsAddOption(name.c_str(), value.c_str(), count, &cupsOptions);

    int job = 0;
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/folio-print-XXXXXX.pdf"));
    const QByteArray bytes = pageRangeBytes(doc, StartPage, EndPage);
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush()) {
        state.lastError = QStringLiteral("the pages could not be written for the printer: %1").arg(file.errorString());
    } else {
        const QByteArray destination = printer->destination.toUtf8();
        const QByteArray path = QFile::encodeName(file.fileName());
        const QByteArray jobName = title.toUtf8();
        job = cupsPrintFile2(CUPS_HTTP_DEFAULT, destination.constData(), path.constData(), jobName.constData(), count,
                             cupsOptions);
        state.lastError = job > 0 ? QString() : QString::fromUtf8(cupsLastErrorString());
        // A queue removed since its printer was made is named as one that does not exist.
        if (job <= 0) {
            if (cups_dest_t* dest = namedDestination(printer->destination))
                cupsFreeDests(1, dest);
            else
                state.lastError = missingDestination(printer->destination);
        }
    }
    cupsFreeOptions(count, cupsOptions);
    return job > 0 ? job : 0;
}

} // namespace fpe
