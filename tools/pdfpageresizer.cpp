#include "pdfpageresizer.h"

#include "folioconstants.h"
#include "numberentry.h"
#include "pdfengine.h"
#include "ui_pdfpageresizer.h"

#include <QIcon>

#include <algorithm>

namespace {

// The smallest and largest sides a page may be given, in millimetres: below
// 1 mm nothing could be placed on it, and a PDF page is at most 200 inches.
constexpr double smallestSide = 1.0;
constexpr double largestSide = 5080.0;

} // namespace

PDFPageResizer::PDFPageResizer(QWidget* parent, const BrandingRecord& record)
    : FeatureBase(parent, record)
    , paperSizes(PaperSizeTable())
{
    ui = new Ui::PDFPageResizer;
    ui->setupUi(this);
    for (QLineEdit* entry : {ui->lineEdit_2, ui->lineEdit_3})
        numberentry::accept(entry, smallestSide, largestSide, 3);
    for (auto it = paperSizes.constBegin(); it != paperSizes.constEnd(); ++it)
        ui->comboBox->addItem(QIcon(), it.key(), it.value());
    ui->comboBox->setCurrentIndex(ui->comboBox->findText(QStringLiteral("Letter")));
    for (int i = 1; i < ui->comboBox_2->count(); ++i)
        ui->comboBox_2->setItemData(i, 1.0 - (i - 1) * 0.1);
    OptionUpdate();
}

PDFPageResizer::~PDFPageResizer()
{
    delete ui;
}

void PDFPageResizer::ApplyHeaderPalette()
{
    for (QLabel* header : {ui->label_2, ui->label_3}) {
        header->setAutoFillBackground(true);
        header->setPalette(headerPalette);
    }
}

void PDFPageResizer::on_comboBox_currentIndexChanged(QString)
{
    OptionUpdate();
}

void PDFPageResizer::on_comboBox_3_currentIndexChanged(int)
{
    OptionUpdate();
}

void PDFPageResizer::on_radioButton_clicked()
{
    OptionUpdate();
}

void PDFPageResizer::on_radioButton_2_clicked()
{
    OptionUpdate();
}

void PDFPageResizer::OptionUpdate()
{
    const bool standard = ui->radioButton->isChecked();
    ui->comboBox->setEnabled(standard);
    ui->comboBox_3->setEnabled(standard);
    ui->lineEdit_2->setEnabled(!standard);
    ui->lineEdit_3->setEnabled(!standard);

    // Portrait is taller than wide and landscape wider than tall, whichever
    // way the table keeps the paper (Ledger is kept landscape).
    const QSizeF paper = papersizes::millimetres(ui->comboBox->currentText());
    double width = std::min(paper.width(), paper.height()), height = std::max(paper.width(), paper.height());
    if (ui->comboBox_3->currentIndex() == 1)
        std::swap(width, height);
    numberentry::setValue(ui->lineEdit_2, width);
    numberentry::setValue(ui->lineEdit_3, height);
}

bool PDFPageResizer::ResizePages(const fileList& rec, double W, double H, double scale)
{
    const QString name = filenames::fileNameOf(rec.inputFile);
    engine->SetOrigin(folio::OriginTopLeft);
    engine->SetMeasurementUnits(folio::Millimetres);
    // Each pass takes the first page out and adds it, rebuilt, at the end:
    // after one pass per page every page is rebuilt, in its order. The count
    // is fixed first, so that a pass that fails can never make the loop endless.
    const int pages = engine->PageCount();
    for (int i = 0; i < pages; ++i) {
        if (!Progress(QStringLiteral("Resizing %1, page %2 of %3").arg(name).arg(i + 1).arg(pages), i, pages))
            return false;
        engine->SelectPage(1);
        const double pw = engine->PageWidth(), ph = engine->PageHeight();
        double dw = pw * scale, dh = ph * scale;
        if (scale <= 0) {
            // Exact sizes: whole millimetres could make the page a little
            // larger than the new one (Letter onto A4) and cut its edges off.
            const double ratio = FitRatio(pw, ph, W, H);
            dw = pw / ratio;
            dh = ph / ratio;
        }
        const double left = (W - dw) * 0.5, top = (H - dh) * 0.5;
        const int capture = engine->CapturePage(1);
        if (capture == 0) {
            report().leftOut(rec.inputFile, QStringLiteral("page %1 could not be taken out to be resized").arg(i + 1));
            return false;
        }
        if (engine->NewPage() == 0 || engine->SetPageDimensions(W, H) != folio::Success
            || engine->DrawCapturedPage(capture, left, top, dw, dh) != folio::Success) {
            report().leftOut(rec.inputFile, QStringLiteral("page %1 could not be drawn on its new size").arg(i + 1));
            return false;
        }
    }
    return true;
}

void PDFPageResizer::Process(QStringList paths)
{
    files = ToFileList(paths);
    if (files.isEmpty())
        return;
    // A size that is no page size would lose every page's content: refused
    // before anything is asked or written.
    bool widthRead = false, heightRead = false;
    const double W = numberentry::value(ui->lineEdit_2, &widthRead);
    const double H = numberentry::value(ui->lineEdit_3, &heightRead);
    if (!widthRead || !heightRead) {
        const QString reason = QStringLiteral("no page size: Width and Height must be millimetres from %1 to %2")
                                   .arg(smallestSide)
                                   .arg(largestSide);
        report().refuse(reason);
        return;
    }
    if (!ChooseOutputFolder())
        return;
    const double scale = ui->comboBox_2->currentIndex() == 0 ? 0.0 : ui->comboBox_2->currentData().toDouble();

    DiscardDocuments();
    ForEachRecord(files, QStringLiteral("Resizing"), [&](fileList& rec) {
        DiscardDocuments();
        if (LoadInput(rec) && ResizePages(rec, W, H, scale))
            SaveOutput(rec.outputFile);
    });
    DiscardDocuments();
}
