#include "pdfwatermark.h"

#include "folioconstants.h"
#include "pdfengine.h"
#include "questions.h"
#include "tooltable.h"
#include "ui_pdfwatermark.h"

#include <QDateTime>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryDir>
#include <QtMath>

#include <cmath>

namespace {

// Dots per metre of a 96 dpi screen, where the text's size on the page is
// measured, and the resolution its picture is painted at, so that a printed
// page shows no jagged letters.
constexpr int screenDotsPerMetre = 3780;
constexpr double screenDpi = 96.0;
constexpr double pictureDpi = 300.0;
constexpr double fallbackPreviewDpi = 96.0;
constexpr double maxPicturePixels = 8e6;

} // namespace

PDFWatermark::PDFWatermark(QWidget* parent, const BrandingRecord& record)
    : FeatureBase(parent, record)
{
    ui = new Ui::PDFWatermark;
    ui->setupUi(this);
    colour = Qt::black;
    applyEnabling();
    showColour();
    choosePosition(5);
}

PDFWatermark::~PDFWatermark()
{
    delete ui;
}

void PDFWatermark::ApplyHeaderPalette()
{
    for (QWidget* header : {ui->label_5, ui->label_2, ui->label_6}) {
        header->setAutoFillBackground(true);
        header->setPalette(headerPalette);
    }
}

// ---------------------------------------------------------------- the form

void PDFWatermark::choosePosition(int position)
{
    QPushButton* const buttons[] = {ui->pushButton_2, ui->pushButton_3, ui->pushButton_4,
                                    ui->pushButton_5, ui->pushButton_7, ui->pushButton_9,
                                    ui->pushButton_6, ui->pushButton_8, ui->pushButton_10};
    currentPosition = position;
    ui->label_6->setText(buttons[position - 1]->text());
    requestPreview();
}

void PDFWatermark::on_pushButton_2_clicked() { choosePosition(1); }
void PDFWatermark::on_pushButton_3_clicked() { choosePosition(2); }
void PDFWatermark::on_pushButton_4_clicked() { choosePosition(3); }
void PDFWatermark::on_pushButton_5_clicked() { choosePosition(4); }
void PDFWatermark::on_pushButton_7_clicked() { choosePosition(5); }
void PDFWatermark::on_pushButton_9_clicked() { choosePosition(6); }
void PDFWatermark::on_pushButton_6_clicked() { choosePosition(7); }
void PDFWatermark::on_pushButton_8_clicked() { choosePosition(8); }
void PDFWatermark::on_pushButton_10_clicked() { choosePosition(9); }

void PDFWatermark::applyEnabling()
{
    const bool text = ui->radioButton->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(ui->lineEdit), static_cast<QWidget*>(ui->horizontalSlider_2),
                       static_cast<QWidget*>(ui->fontComboBox), static_cast<QWidget*>(ui->pushButton_11)})
        w->setEnabled(text);
    for (QWidget* w : {static_cast<QWidget*>(ui->lineEdit_3), static_cast<QWidget*>(ui->pushButton),
                       static_cast<QWidget*>(ui->horizontalSlider)})
        w->setEnabled(!text);
}

void PDFWatermark::on_radioButton_clicked()
{
    applyEnabling();
    requestPreview();
}

void PDFWatermark::on_radioButton_2_clicked()
{
    applyEnabling();
    requestPreview();
}

// The button shows the colour the text will have.
void PDFWatermark::showColour()
{
    QPixmap swatch(14, 14);
    swatch.fill(colour);
    QPainter(&swatch).drawRect(0, 0, 13, 13);
    ui->pushButton_11->setIcon(QIcon(swatch));
}

void PDFWatermark::on_pushButton_11_clicked()
{
    const QColor chosen = Questions::color(Qt::white, nullptr, QString());
    // Cancelled, the dialog answers an invalid colour: the text keeps its own.
    if (chosen.isValid()) {
        colour = chosen;
        showColour();
    }
    requestPreview();
}

void PDFWatermark::on_pushButton_clicked()
{
    const QString chosen = Questions::openFileName(this, QString(), QString(), ToolRow::openFilter(ToolRow::Files::Images));
    if (!chosen.isEmpty())
        ui->lineEdit_3->setText(chosen);
    requestPreview();
}

void PDFWatermark::on_lineEdit_textEdited(const QString&) { requestPreview(); }
void PDFWatermark::on_lineEdit_editingFinished() { requestPreview(); }
void PDFWatermark::on_lineEdit_3_textEdited(const QString&) { requestPreview(); }
void PDFWatermark::on_lineEdit_3_editingFinished() { requestPreview(); }
void PDFWatermark::on_fontComboBox_currentIndexChanged(int) { requestPreview(); }
void PDFWatermark::on_horizontalSlider_sliderReleased() { requestPreview(); }
void PDFWatermark::on_horizontalSlider_2_sliderReleased() { requestPreview(); }

// A drag redraws once, on release; keys and the wheel move the slider
// without a release and redraw at once.
void PDFWatermark::on_horizontalSlider_valueChanged(int value)
{
    ui->label_11->setText(QStringLiteral("%1 %").arg(value));
    if (!ui->horizontalSlider->isSliderDown())
        requestPreview();
}

void PDFWatermark::on_horizontalSlider_2_valueChanged(int value)
{
    ui->label_10->setText(QStringLiteral("%1 pt").arg(value));
    if (!ui->horizontalSlider_2->isSliderDown())
        requestPreview();
}

// ---------------------------------------------------------------- the mark

QImage PDFWatermark::textPicture(QSizeF* points) const
{
    const QString text = ui->lineEdit->text();
    const QFont font(ui->fontComboBox->currentText(), ui->horizontalSlider_2->value());
    QImage screen(1, 1, QImage::Format_ARGB32_Premultiplied);
    screen.setDotsPerMeterX(screenDotsPerMetre);
    screen.setDotsPerMeterY(screenDotsPerMetre);
    const QFontMetrics metrics(font, &screen);
    const int width = metrics.horizontalAdvance(text), height = metrics.height();
    if (width <= 0 || height <= 0)
        return QImage();
    *points = QSizeF(width / screenDpi * 72.0, height / screenDpi * 72.0);

    // Laid out as on the screen, then scaled: the same letters in the same
    // place, with three times the dots (fewer for a mark so long that the
    // picture would take more memory than the page is worth).
    const double factor = qMin(pictureDpi / screenDpi, std::sqrt(maxPicturePixels / (double(width) * height)));
    QImage picture(qCeil(width * factor), qCeil(height * factor), QImage::Format_ARGB32_Premultiplied);
    if (picture.isNull())
        return QImage();
    picture.setDotsPerMeterX(screenDotsPerMetre);
    picture.setDotsPerMeterY(screenDotsPerMetre);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.scale(picture.width() / double(width), picture.height() / double(height));
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, width, height), 0, text);
    painter.end();

    // Every pixel has the text's colour, the letters are in the alpha alone:
    // no dark fringe where a viewer smooths the edges, and one colour, which
    // the PDF stores in a few bytes.
    const QRgb rgb = colour.rgb() & RGB_MASK;
    for (int y = 0; y < picture.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            line[x] = rgb | (uint(qAlpha(line[x]) * colour.alpha() / 255) << 24);
    }
    picture.reinterpretAsFormat(QImage::Format_ARGB32);
    return picture;
}

PDFWatermark::Mark PDFWatermark::makeMark(const QTemporaryDir& folder, QString* problem)
{
    const bool picturePicked = ui->radioButton_2->isChecked();
    const QString settings =
        picturePicked ? QStringLiteral("image\n%1\n%2\n%3")
                            .arg(ui->lineEdit_3->text())
                            .arg(QFileInfo(ui->lineEdit_3->text()).lastModified().toMSecsSinceEpoch())
                            .arg(ui->horizontalSlider->value())
                      : QStringLiteral("text\n%1\n%2\n%3\n%4")
                            .arg(ui->lineEdit->text(), ui->fontComboBox->currentText())
                            .arg(ui->horizontalSlider_2->value())
                            .arg(colour.rgba());
    if (lastMark.imageId != 0 && settings == lastMarkSettings)
        return lastMark;
    Mark mark = makeNewMark(folder, problem);
    if (mark.imageId != 0) {
        lastMark = mark;
        lastMarkSettings = settings;
    }
    return mark;
}

PDFWatermark::Mark PDFWatermark::makeNewMark(const QTemporaryDir& folder, QString* problem)
{
    Mark mark;
    if (ui->radioButton_2->isChecked()) {
        const QString file = ui->lineEdit_3->text();
        if (file.isEmpty()) {
            *problem = QStringLiteral("No watermark image is chosen.");
            return Mark();
        }
        QString why = InputProblem(file);
        if (why.isEmpty()) {
            // The file itself is placed: a JPEG keeps its own bytes.
            mark.imageId = engine->AddImageFromFile(file, 0);
            if (mark.imageId == 0)
                why = QStringLiteral("not an image that can be read (PNG, JPEG, BMP, GIF or TIFF)");
        }
        if (!why.isEmpty()) {
            *problem = QStringLiteral("The watermark image %1 cannot be used: %2.").arg(file, why);
            return Mark();
        }
        engine->SelectImage(mark.imageId);
        const double scale = ui->horizontalSlider->value() / 100.0;
        mark.points = QSizeF(engine->ImageWidth() / screenDpi * 72.0 * scale,
                             engine->ImageHeight() / screenDpi * 72.0 * scale);
        return mark;
    }

    if (ui->lineEdit->text().trimmed().isEmpty()) {
        *problem = QStringLiteral("The watermark text is empty.");
        return Mark();
    }
    const QImage picture = textPicture(&mark.points);
    // Saved uncompressed: the engine reads it once and compresses it itself.
    const QString file = folder.filePath(QStringLiteral("watermark.png"));
    if (picture.isNull() || !folder.isValid() || !picture.save(file, "png", 100)
        || (mark.imageId = engine->AddImageFromFile(file, 0)) == 0) {
        *problem = QStringLiteral("The picture of the watermark text could not be made.");
        return Mark();
    }
    return mark;
}

bool PDFWatermark::stamp(const Mark& mark, int page)
{
    bool drawn = true;
    engine->SetOrigin(folio::OriginTopLeft);
    engine->SetMeasurementUnits(folio::Points);
    const double w = mark.points.width(), h = mark.points.height();
    // Columns and rows of the nine positions: 0 start, 0.5 middle, 1 end.
    const double across = (currentPosition - 1) % 3 * 0.5, down = (currentPosition - 1) / 3 * 0.5;
    for (int p = page > 0 ? page : 1; p <= (page > 0 ? page : engine->PageCount()); ++p) {
        engine->SelectPage(p);
        // The page as a viewer shows it: its CropBox, turned by its rotation.
        const double left = engine->GetPageBox(folio::CropBox, folio::BoxLeft);
        const double top = engine->GetPageBox(folio::CropBox, folio::BoxTop);
        const double width = engine->GetPageBox(folio::CropBox, folio::BoxWidth);
        const double height = engine->GetPageBox(folio::CropBox, folio::BoxHeight);
        engine->SelectImage(mark.imageId);
        drawn = engine->DrawImage(left + (width - w) * across, top + (height - h) * down, w, h) == folio::Success && drawn;
    }
    return drawn;
}

// ---------------------------------------------------------------- the run

void PDFWatermark::Process(QStringList paths)
{
    files = ToFileList(paths);
    if (files.isEmpty() || !hasEngine())
        return;
    // A mark that cannot be made stops the run before anything is asked:
    // no file may be saved as marked without its mark.
    QTemporaryDir folder;
    QString problem;
    const Mark mark = makeMark(folder, &problem);
    if (!problem.isEmpty()) {
        report().refuse(problem);
        return;
    }
    if (!ChooseOutputFolder())
        return;

    DiscardDocuments();
    ForEachRecord(files, QStringLiteral("Watermarking"), [&](fileList& rec) {
        if (LoadInput(rec)) {
            // Never saved as marked without its mark.
            if (!stamp(mark, 0))
                report().leftOut(rec.inputFile, QStringLiteral("the mark could not be drawn on its pages"));
            else
                SaveOutput(rec.outputFile);
        }
        DiscardDocuments();
    });
}

QPixmap PDFWatermark::Preview(QPixmap image, int page, QString path)
{
    if (!hasEngine() || isRunning() || page < 1)
        return image;
    QTemporaryDir folder;
    QString problem;
    const Mark mark = makeMark(folder, &problem);
    if (!problem.isEmpty())
        return image;
    // The file is opened beside what the engine holds and taken out again.
    const int previous = engine->SelectedDocument();
    if (engine->LoadFromFile(path, QString()) != folio::Success)
        return image;
    const int document = engine->SelectedDocument();
    QImage picture;
    if (page <= engine->PageCount()) {
        stamp(mark, page);
        // At the resolution of the page image it replaces (the list's
        // thumbnail, the preview's page), so that the page keeps its size on
        // the canvas whether a mark shows or not.
        engine->SelectPage(page);
        engine->SetMeasurementUnits(folio::Points);
        const double width = engine->GetPageBox(folio::CropBox, folio::BoxWidth);
        const double dpi = image.isNull() || width <= 0 ? fallbackPreviewDpi : image.width() * 72.0 / width;
        picture = RenderPage(page, dpi);
    }
    engine->RemoveDocument(document);
    engine->SelectDocument(previous);
    return picture.isNull() ? image : QPixmap::fromImage(picture);
}
