#include "pdf_rotateandcrop.h"

#include "folioconstants.h"
#include "numberentry.h"
#include "pdfengine.h"
#include "ui_pdf_rotateandcrop.h"

namespace {

// What is left of a page narrower or lower than this is no page.
constexpr double smallestSide = 1.0;
// The largest page a PDF may have, 200 inches, in points.
constexpr double largestMargin = 14400.0;

} // namespace

PDF_RotateAndCrop::PDF_RotateAndCrop(QWidget* parent, const BrandingRecord& record)
    : FeatureBase(parent, record)
{
    ui = new Ui::PDF_RotateAndCrop;
    ui->setupUi(this);
    for (QLineEdit* entry : {ui->lineEdit_left, ui->lineEdit_top, ui->lineEdit_right, ui->lineEdit_bottom})
        numberentry::accept(entry, 0.0, largestMargin, 3);
    UpdateEntries();
}

PDF_RotateAndCrop::~PDF_RotateAndCrop()
{
    delete ui;
}

void PDF_RotateAndCrop::on_checkBox_left_clicked()
{
    UpdateEntries();
}

void PDF_RotateAndCrop::on_checkBox_top_clicked()
{
    UpdateEntries();
}

void PDF_RotateAndCrop::on_checkBox_right_clicked()
{
    UpdateEntries();
}

void PDF_RotateAndCrop::on_checkBox_bottom_clicked()
{
    UpdateEntries();
}

void PDF_RotateAndCrop::UpdateEntries()
{
    ui->lineEdit_left->setEnabled(ui->checkBox_left->isChecked());
    ui->lineEdit_top->setEnabled(ui->checkBox_top->isChecked());
    ui->lineEdit_right->setEnabled(ui->checkBox_right->isChecked());
    ui->lineEdit_bottom->setEnabled(ui->checkBox_bottom->isChecked());
}

PDF_RotateAndCrop::Settings PDF_RotateAndCrop::ReadForm() const
{
    // An empty entry of a ticked box is 0: that edge goes to the page's edge.
    auto margin = [](const QCheckBox* box, const QLineEdit* entry) {
        return Margin{box->isChecked(), numberentry::value(entry)};
    };
    Settings s;
    s.rotation = ui->comboBox->currentIndex() * 90;
    s.left = margin(ui->checkBox_left, ui->lineEdit_left);
    s.top = margin(ui->checkBox_top, ui->lineEdit_top);
    s.right = margin(ui->checkBox_right, ui->lineEdit_right);
    s.bottom = margin(ui->checkBox_bottom, ui->lineEdit_bottom);
    return s;
}

bool PDF_RotateAndCrop::RotateAndCropPages(const fileList& rec, const Settings& s)
{
    const QString name = filenames::fileNameOf(rec.inputFile);
    // Margins are points on the page as it is shown, measured from its top left.
    engine->SetMeasurementUnits(folio::Points);
    const int pages = engine->PageCount();
    for (int p = 1; p <= pages; ++p) {
        if (!Progress(QStringLiteral("Rotating and cropping %1, page %2 of %3").arg(name).arg(p).arg(pages), p, pages))
            return false;
        engine->SelectPage(p);
        engine->SetOrigin(folio::OriginTopLeft);
        if (s.rotation != 0)
            engine->RotatePage(s.rotation);
        const double cropLeft = engine->GetPageBox(folio::CropBox, folio::BoxLeft);
        const double cropTop = engine->GetPageBox(folio::CropBox, folio::BoxTop);
        const double cropWidth = engine->GetPageBox(folio::CropBox, folio::BoxWidth);
        const double cropHeight = engine->GetPageBox(folio::CropBox, folio::BoxHeight);
        const double W = engine->PageWidth(), H = engine->PageHeight();
        const double left = s.left.replace ? s.left.value : cropLeft;
        const double top = s.top.replace ? s.top.value : cropTop;
        const double right = s.right.replace ? s.right.value : W - cropWidth - cropLeft;
        const double bottom = s.bottom.replace ? s.bottom.value : H - cropHeight - cropTop;
        const double width = W - right - left, height = H - bottom - top;
        // A file is written cropped as asked, or not at all.
        if (width < smallestSide || height < smallestSide) {
            report().leftOut(rec.inputFile, QStringLiteral("the margins leave nothing of page %1 (%2 x %3 pt)")
                                                .arg(p)
                                                .arg(W, 0, 'g', 6)
                                                .arg(H, 0, 'g', 6));
            return false;
        }
        if (engine->SetCropBox(left, top, width, height) != folio::Success) {
            report().leftOut(rec.inputFile, QStringLiteral("page %1 could not be cropped").arg(p));
            return false;
        }
    }
    return true;
}

void PDF_RotateAndCrop::Process(QStringList paths)
{
    files = ToFileList(paths);
    if (files.isEmpty())
        return;
    // A ticked margin that does not read (half typed, out of range) is
    // never taken as 0: that would crop to the page's edge unasked.
    const struct {
        const char* edge;
        const QCheckBox* box;
        const QLineEdit* entry;
    } margins[] = {{"Left", ui->checkBox_left, ui->lineEdit_left},
                   {"Top", ui->checkBox_top, ui->lineEdit_top},
                   {"Right", ui->checkBox_right, ui->lineEdit_right},
                   {"Bottom", ui->checkBox_bottom, ui->lineEdit_bottom}};
    for (const auto& m : margins) {
        bool read = false;
        numberentry::value(m.entry, &read);
        if (m.box->isChecked() && !m.entry->text().trimmed().isEmpty() && !read) {
            report().refuse(QStringLiteral("%1 Margin %2: must be points from 0 to %3")
                                .arg(QLatin1String(m.edge), m.entry->text())
                                .arg(largestMargin));
            return;
        }
    }
    if (!ChooseOutputFolder())
        return;
    const Settings settings = ReadForm();
    ForEachRecord(files, QStringLiteral("Rotating and cropping"), [&](fileList& rec) {
        DiscardDocuments();
        if (LoadInput(rec, false) && RotateAndCropPages(rec, settings))
            SaveOutput(rec.outputFile);
    });
    DiscardDocuments();
}
