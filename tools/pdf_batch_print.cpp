#include "pdf_batch_print.h"

#include "folioconstants.h"
#include "pdfengine.h"
#include "ui_pdf_batch_print.h"

#include <QEvent>
#include <QIntValidator>
#include <QLineEdit>
#include <QPageSize>
#include <QPrinterInfo>
#include <QSignalBlocker>

PDF_Batch_print::PDF_Batch_print(QWidget* parent, const BrandingRecord& record)
    : FeatureBase(parent, record)
{
    ui = new Ui::PDF_Batch_print;
    ui->setupUi(this);
    ui->comboBox_copies->setValidator(new QIntValidator(1, MaxCopies, this));
    ui->background_3->installEventFilter(this);

    // The system's printers, the default one chosen (none when there is no default).
    const QString defaultName = QPrinterInfo::defaultPrinterName();
    int chosen = -1;
    {
        const QSignalBlocker quiet(ui->comboBox_printer);
        for (const QString& name : QPrinterInfo::availablePrinterNames()) {
            ui->comboBox_printer->addItem(name);
            if (name == defaultName)
                chosen = ui->comboBox_printer->count() - 1;
        }
        ui->comboBox_printer->setCurrentIndex(chosen);
    }
    on_comboBox_printer_currentIndexChanged(chosen);
}

PDF_Batch_print::~PDF_Batch_print()
{
    delete ui;
}

void PDF_Batch_print::ApplyHeaderPalette()
{
    for (QWidget* header : {ui->label_2, ui->label_5, ui->label_3}) {
        header->setAutoFillBackground(true);
        header->setPalette(headerPalette);
    }
}

bool PDF_Batch_print::eventFilter(QObject* watched, QEvent* event)
{
    // Long printer and paper names must not widen the page: the two boxes
    // keep within the section that holds them.
    if (watched == ui->background_3 && event->type() == QEvent::Resize) {
        const QMargins margins = ui->gridLayout_3->contentsMargins();
        const int width = qMax(0, ui->background_3->width() - margins.left() - margins.right());
        ui->comboBox_printer->setMaximumWidth(width);
        ui->comboBox_paper->setMaximumWidth(width);
    }
    return FeatureBase::eventFilter(watched, event);
}

void PDF_Batch_print::on_comboBox_printer_currentIndexChanged(int)
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(ui->comboBox_printer->currentText());
    paperList.clear();
    for (const QPageSize& size : info.supportedPageSizes())
        paperList.append({size.name(), size.size(QPageSize::Millimeter)});

    const QSizeF standard = info.defaultPageSize().size(QPageSize::Millimeter);
    int chosen = -1;
    const QSignalBlocker quiet(ui->comboBox_paper);
    ui->comboBox_paper->clear();
    for (const auto& [name, size] : qAsConst(paperList)) {
        ui->comboBox_paper->addItem(name);
        if (qFuzzyCompare(size.width(), standard.width()) && qFuzzyCompare(size.height(), standard.height()))
            chosen = ui->comboBox_paper->count() - 1;
    }
    ui->comboBox_paper->setCurrentIndex(chosen);
}

int PDF_Batch_print::Copies() const
{
    bool ok = false;
    const int copies = ui->comboBox_copies->currentText().trimmed().toInt(&ok);
    if (!ok || copies < 1)
        return 1;
    return qMin(copies, MaxCopies);
}

QString PDF_Batch_print::CustomPrinter(const QString& printer, int* options, const QString& title)
{
    const QString name = engine->NewCustomPrinter(printer);
    if (name.isEmpty())
        return name;
    // A printer that reports no paper sizes prints on its own default paper.
    const int paper = ui->comboBox_paper->currentIndex();
    if (paper >= 0 && paper < paperList.size()) {
        const QSizeF size = paperList.at(paper).second;
        engine->SetupCustomPrinter(name, folio::PrinterPaperSize, 0);
        engine->SetupCustomPrinter(name, folio::PrinterPaperLength, int(size.height() * 10));
        engine->SetupCustomPrinter(name, folio::PrinterPaperWidth, int(size.width() * 10));
    }
    engine->SetupCustomPrinter(name, folio::PrinterOrientation, ui->radioButton_Landscape->isChecked() ? 2 : 1);
    *options = engine->PrintOptions(ui->comboBox_Scaling->currentIndex(), 1, title);
    engine->SetupCustomPrinter(name, folio::PrinterCopies, Copies());
    engine->SetupCustomPrinter(name, folio::PrinterQuality, ui->comboBox_Quality->currentIndex() + 1);
    engine->SetupCustomPrinter(name, folio::PrinterColour, ui->radioButton_Monochrome->isChecked() ? 1 : 2);
    engine->SetupCustomPrinter(name, folio::PrinterDuplex, ui->comboBox_Duplex->currentIndex() + 1);
    const int media = ui->radioButton_standard->isChecked()       ? 1
                      : ui->radioButton_transparency->isChecked() ? 2
                      : ui->radioButton_glossy->isChecked()       ? 3
                                                                  : 0;
    engine->SetupCustomPrinter(name, folio::PrinterMediaType, media);
    return name;
}

void PDF_Batch_print::Process(QStringList paths)
{
    printed.clear();
    files = ToFileList(paths);
    if (files.isEmpty())
        return;
    const QString printer = ui->comboBox_printer->currentIndex() >= 0 ? ui->comboBox_printer->currentText() : QString();
    if (printer.isEmpty()) {
        // Said before any password is asked for: nothing can be printed.
        for (const fileList& rec : qAsConst(files))
            report().leftOut(rec.inputFile, QStringLiteral("not printed: no printer is chosen"));
        return;
    }
    files = PreProcess(files, true);

    RemoveAllDocuments();
    ForEachRecord(files, QStringLiteral("Printing"), [&](fileList& rec) {
        RemoveAllDocuments();
        if (!LoadInput(rec, false))
            return;
        int options = 0;
        const QString name = CustomPrinter(printer, &options, rec.inputFile);
        const int job = name.isEmpty() ? 0 : engine->PrintDocument(name, 1, engine->PageCount(), options);
        if (job > 0)  // a job of an instance ("queue/instance") is its queue's
            printed.append({printer.section(QLatin1Char('/'), 0, 0), job, rec.inputFile});
        else
            report().leftOut(rec.inputFile, QStringLiteral("not printed: %1").arg(engine->LastPrintError()));
    });
    DiscardDocuments();
}
