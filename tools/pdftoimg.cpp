#include "pdftoimg.h"

#include "folioconstants.h"
#include "pdfengine.h"
#include "questions.h"
#include "ui_pdftoimg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QString extensionOf(PDFtoImg::Format format)
{
    switch (format) {
    case PDFtoImg::Jpeg: return QStringLiteral("jpeg");
    case PDFtoImg::Bmp: return QStringLiteral("bmp");
    case PDFtoImg::Png: return QStringLiteral("png");
    case PDFtoImg::Tiff: break;
    }
    return QStringLiteral("tiff");
}

} // namespace

PDFtoImg::PDFtoImg(QWidget* parent, const BrandingRecord& record)
    : FeatureBase(parent, record)
{
    ui = new Ui::PDFtoImg;
    ui->setupUi(this);
    on_comboBox_currentIndexChanged(ui->comboBox->currentIndex());
}

PDFtoImg::~PDFtoImg()
{
    delete ui;
}

void PDFtoImg::ApplyHeaderPalette()
{
    ui->label_2->setAutoFillBackground(true);
    ui->label_2->setPalette(headerPalette);
}

void PDFtoImg::on_comboBox_currentIndexChanged(int index)
{
    ui->label_3->setVisible(index == Jpeg);
    ui->horizontalSlider->setVisible(index == Jpeg);
    ui->label_5->setVisible(index == Jpeg);
}

void PDFtoImg::Process(QStringList paths)
{
    const Format format = Format(qBound(0, ui->comboBox->currentIndex(), int(Tiff)));
    // The first file is the one rendered: the others are never opened, so no
    // password is asked for a file that is not used.
    files = ToFileList(paths.mid(0, 1));
    if (files.isEmpty())
        return;
    fileList source = files.first();
    // Nothing is asked about the output before the source has opened and has
    // pages to render.
    if (LoadSingleInput(source)) {
        const int dpi = ui->comboBox_2->currentText().toInt();
        const int pages = engine->PageCount();
        // The pages wait in a folder of the run, which goes with it however it ends.
        QTemporaryDir work;
        if (!work.isValid())
            report().leftOut(source.inputFile, QStringLiteral("no temporary folder could be made"));
        else if (dpi > 0 && format == Tiff)
            writeTiff(source, pages, dpi, work.path());
        else if (dpi > 0)
            writePages(source, pages, dpi, format, work.path());
    }
    DiscardDocuments();
}

void PDFtoImg::writeTiff(const fileList& source, int pages, int dpi, const QString& work)
{
    AskSaveFileName();
    if (saveFileName.isEmpty())
        return;
    if (filenames::extension(filenames::fileNameOf(saveFileName)).isEmpty()) {
        // The name typed had no extension: the file gets one. The save
        // dialog asked about the name typed, so an existing file of the new
        // name is asked about here.
        saveFileName = filenames::withExtension(saveFileName, QStringLiteral("tiff"));
        if (QFileInfo::exists(saveFileName)) {
            const int answer = Questions::fileExists(this, filenames::fileNameOf(saveFileName));
            if (answer == folio::FileExistsSkip) {
                report().skipped(saveFileName);
                return;
            }
            if (answer == folio::FileExistsRename)
                saveFileName = filenames::freeNumbered(saveFileName);
        }
    }
    if (filenames::sameFile(saveFileName, source.inputFile)) {
        report().failed(saveFileName, QStringLiteral("it is the PDF being rendered, which is never written over"));
        return;
    }
    // One engine call renders every page: progress can only say that it runs.
    if (!Progress(QStringLiteral("Rendering %1 pages into %2").arg(pages).arg(filenames::fileNameOf(saveFileName)), 0, 1))
        return;
    const QString made = QDir(work).filePath(QStringLiteral("pages.tiff"));
    if (engine->RenderAsMultipageTIFFToFile(dpi, QStringLiteral("1-%1").arg(pages), 0, 0, made) != folio::Success) {
        QFile::remove(made);
        report().failed(saveFileName, QStringLiteral("the pages could not be rendered"));
        return;
    }
    PlaceOutputFile(made, saveFileName);
}

void PDFtoImg::writePages(const fileList& source, int pages, int dpi, Format format, const QString& work)
{
    // One record per page, the last page first; the page number rides in
    // password and extra. The name is the source's with the image extension
    // in place of its own and the page before it: report Page 3.png.
    const QString extension = extensionOf(format);
    const QString named = filenames::withExtension(source.inputFile, extension);
    QList<fileList> list;
    for (int page = pages; page >= 1; --page) {
        fileList rec;
        rec.id = qint32(list.size());
        rec.inputFile = filenames::withSuffix(named, QStringLiteral(" Page %1").arg(page));
        rec.password = rec.extra = QString::number(page);
        list.append(rec);
    }
    if (!ChooseOutputFolder(list, Inputs::OutputsOnly))
        return;

    ForEachRecord(list, QStringLiteral("Rendering"), [&](fileList& rec) {
        const int page = rec.extra.toInt();
        const QString made = QDir(work).filePath(QStringLiteral("%1.%2").arg(rec.id).arg(extension));
        if (!renderPage(page, dpi, format, made)) {
            QFile::remove(made);
            report().failed(rec.outputFile, QStringLiteral("page %1 could not be rendered").arg(page));
            return;
        }
        PlaceOutputFile(made, rec.outputFile);
    });
}

bool PDFtoImg::renderPage(int page, int dpi, Format format, const QString& made)
{
    // Pages are rendered straight from the loaded document: a copy of the
    // page in a document of its own would draw the same and cost a rebuild
    // of the page's fonts and resources every time. A JPEG is encoded from
    // the rendered pixels at the chosen quality, with no BMP in between.
    const int option = format == Jpeg ? folio::RenderJpegAtQuality(ui->horizontalSlider->value())
                       : format == Png ? folio::RenderPng
                                       : folio::RenderBmp;
    return engine->RenderPageToFile(dpi, page, option, made) == folio::Success;
}
