#include "pdf_compressor.h"

#include "folioconstants.h"
#include "pdfengine.h"
#include "ui_pdf_compressor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace {

enum FontChoice { FontsAsTheyAre = 0, FontsLossless = 1, FontsLossy = 2 };
enum ImageChoice { ImagesAsTheyAre = 0, ImagesFlate = 1 };

QString dataSize(qint64 bytes)
{
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

} // namespace

PDF_Compressor::PDF_Compressor(QWidget* parent, const BrandingRecord& record)
    : FeatureBase(parent, record)
{
    ui = new Ui::PDF_Compressor;
    ui->setupUi(this);
}

PDF_Compressor::~PDF_Compressor()
{
    delete ui;
}

void PDF_Compressor::ApplyHeaderPalette()
{
    for (QWidget* header : {ui->label_2, ui->label_3, ui->label_4}) {
        header->setAutoFillBackground(true);
        header->setPalette(headerPalette);
    }
}

void PDF_Compressor::on_pushButton_Default_clicked()
{
    processRequest = true;
}

void PDF_Compressor::on_comboBox_2_currentIndexChanged(int)
{
    // The image choice is read when a run starts.
}

QString PDF_Compressor::totalSaved(const QList<Result>& results)
{
    qint64 before = 0, after = 0;
    for (const Result& r : results) {
        before += r.before;
        after += r.after;
    }
    if (after >= before)
        return QStringLiteral("Nothing was saved: %1 before and after.").arg(dataSize(before));
    return QStringLiteral("Saved %1 (%2%): %3 before, %4 after.")
        .arg(dataSize(before - after))
        // Rounded, as the command line's one-decimal figure of each file is.
        .arg(qRound(100.0 * (before - after) / before))
        .arg(dataSize(before), dataSize(after));
}

void PDF_Compressor::Process(QStringList paths)
{
    lastResults.clear();
    files = ToFileList(paths);
    if (files.isEmpty())
        return;
    if (!ChooseOutputFolder())
        return;

    RemoveAllDocuments();
    ForEachRecord(files, QStringLiteral("Compressing"), [this](fileList& rec) {
        RemoveAllDocuments();
        if (Compress(rec))
            WriteSmaller(rec);
    });
    DiscardDocuments();
    if (!lastResults.isEmpty())
        report().note(totalSaved(lastResults));
}

bool PDF_Compressor::Compress(const fileList& rec)
{
    RemoveAllDocuments();
    // No Decrypt: a protected input is saved with its own protection.
    if (!LoadInput(rec, false))
        return false;
    switch (ui->comboBox->currentIndex()) {
    case FontsLossless:
        engine->CompressFonts(1);
        break;
    case FontsLossy:
        engine->ReplaceFonts(0);
        break;
    default:
        break;
    }
    if (ui->comboBox_2->currentIndex() == ImagesFlate)
        engine->CompressImages(1);
    if (ui->checkBox->isChecked())
        engine->CompressContent();
    // Of the two documents (the spare one and the input) the older goes: the
    // compressed input stays selected for the save.
    RemoveAllDocuments();
    return true;
}

void PDF_Compressor::WriteSmaller(const fileList& rec)
{
    // Saved beside the output first: the output (which may be the input
    // itself) is replaced only once it is known which bytes it gets.
    const QFileInfo output(rec.outputFile);
    const QString made = QDir(output.absolutePath())
                             .filePath(QStringLiteral(".%1.%2.compressed")
                                           .arg(output.fileName())
                                           .arg(QCoreApplication::applicationPid()));
    QFile::remove(made);
    StampDocumentInformation();
    if (engine->SaveToFile(made) != folio::Success) {
        report().failed(rec.outputFile, SaveFailure(rec.outputFile));
        return;
    }
    Result result{rec.inputFile, QDir::toNativeSeparators(rec.outputFile), QFileInfo(rec.inputFile).size(),
                  QFileInfo(made).size()};
    if (!result.gained()) {
        // A "compressed" file larger than the original helps nobody.
        QFile::remove(made);
        if (!QFile::copy(rec.inputFile, made)) {
            report().failed(rec.outputFile, SaveFailure(rec.outputFile));
            QFile::remove(made);
            return;
        }
        QFile::setPermissions(made, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser
                                        | QFile::ReadGroup | QFile::ReadOther);
        result.after = result.before;
        report().note(QStringLiteral("%1: nothing gained; written as it was.").arg(filenames::fileNameOf(rec.inputFile)));
    }
    if (PlaceOutputFile(made, rec.outputFile))
        lastResults.append(result);
}
