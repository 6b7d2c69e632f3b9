#include "pdf_imageextractor.h"

#include "folioconstants.h"
#include "pdfengine.h"
#include "ui_pdf_imageextractor.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>

PDF_ImageExtractor::PDF_ImageExtractor(QWidget* parent, const BrandingRecord& record)
    : FeatureBase(parent, record)
{
    ui = new Ui::PDF_ImageExtractor;
    ui->setupUi(this);
}

PDF_ImageExtractor::~PDF_ImageExtractor()
{
    delete ui;
}

void PDF_ImageExtractor::ApplyHeaderPalette()
{
    ui->label_3->setAutoFillBackground(true);
    ui->label_3->setPalette(headerPalette);
}

void PDF_ImageExtractor::Process(QStringList paths)
{
    files = ToFileList(paths);
    if (files.isEmpty())
        return;
    files = PreProcess(files, false);
    const bool png = ui->comboBox->currentIndex() == 0;
    const QString extension = png ? QStringLiteral("png") : QStringLiteral("jpg");

    // Every image waits in this folder, as the engine wrote it, until the
    // output folder is known; the folder goes with the run however it ends.
    QTemporaryDir work;
    if (!work.isValid()) {
        for (const fileList& rec : qAsConst(files))
            report().leftOut(rec.inputFile, QStringLiteral("no temporary folder could be made"));
        return;
    }

    // One job per image: inputFile the name its output takes, extra the
    // temporary file (empty when the engine could not write the image),
    // password the engine's image type.
    QList<fileList> jobs;
    DiscardDocuments();
    const bool complete = ForEachRecord(files, QStringLiteral("Reading"), [&](fileList& rec) {
        if (!LoadInput(rec, false))
            return;
        const int count = engine->FindImages();
        if (count == 0)
            report().note(QStringLiteral("%1: has no images").arg(rec.inputFile));
        const QString named = filenames::withExtension(rec.inputFile, extension);
        for (int i = 0; i < count; ++i) {
            fileList job;
            job.id = qint32(jobs.size());
            job.inputFile = filenames::withSuffix(named, QStringLiteral("_image_%1").arg(i));
            engine->SelectImage(engine->GetImageID(i + 1));
            job.password = QString::number(engine->ImageType());
            // Named with the extension chosen: an image not stored as JPEG
            // comes out as one at once, rather than as a PNG to convert.
            const QString made = QDir(work.path()).filePath(QStringLiteral("%1.%2").arg(job.id).arg(extension));
            if (engine->SaveImageToFile(made) == folio::Success)
                job.extra = made;
            else
                QFile::remove(made);
            jobs.append(job);
        }
        DiscardDocuments();
    });
    DiscardDocuments();
    if (!complete)
        return;

    if (!ChooseOutputFolder(jobs, Inputs::OutputsOnly))
        return;
    const QByteArray format = png ? QByteArrayLiteral("png") : QByteArrayLiteral("jpeg");
    ForEachRecord(jobs, QStringLiteral("Saving"), [&](fileList& job) { save(job, format); });
}

void PDF_ImageExtractor::save(const fileList& job, const QByteArray& format)
{
    if (job.extra.isEmpty()) {
        report().failed(job.outputFile, QStringLiteral("the image could not be decoded"));
        return;
    }
    // Already in the format asked for (JPEG data as stored in the PDF, or as
    // the engine made it): the file itself, byte for byte.
    QImageReader reader(job.extra);
    reader.setDecideFormatFromContent(true);
    if (reader.format() == format) {
        PlaceOutputFile(job.extra, job.outputFile);
        return;
    }
    const QImage image = reader.read();
    QFile::remove(job.extra);
    if (image.isNull()) {
        report().failed(job.outputFile, QStringLiteral("the image could not be decoded"));
        return;
    }
    const QString made = job.extra + QLatin1Char('.') + QString::fromLatin1(format);
    if (!QImageWriter(made, format).write(image)) {
        QFile::remove(made);
        report().failed(job.outputFile, QStringLiteral("the image could not be converted to %1").arg(QString::fromLatin1(format).toUpper()));
        return;
    }
    PlaceOutputFile(made, job.outputFile);
}
