#include "tooltable.h"

#include "imgtopdf.h"
#include "pdf_batch_information_changer.h"
#include "pdf_batch_print.h"
#include "pdf_compressor.h"
#include "pdf_imageextractor.h"
#include "pdf_merger.h"
#include "pdf_pageremover.h"
#include "pdf_rotateandcrop.h"
#include "pdf_splitter.h"
#include "pdf_to_text.h"
#include "pdf_wordcount.h"
#include "pdfpageresizer.h"
#include "pdftoimg.h"
#include "pdfwatermark.h"
#include "texttopdf.h"

namespace {

template <class Page>
FeatureBase* makePage(QWidget* parent, const BrandingRecord& record)
{
    return new Page(parent, record);
}

using Files = ToolRow::Files;
using Count = ToolRow::Count;
using Preview = ToolRow::Preview;

const char* const tiffFilter = "TIFF File (*.TIFF)";

} // namespace

QString ToolRow::storedName() const
{
    return QString::fromLatin1(name).replace(QLatin1Char(' '), QLatin1Char('-'));
}

QString ToolRow::iconFileName() const
{
    return storedName() + QStringLiteral(".ico");
}

QString ToolRow::launcherName() const
{
    QString name = storedName().toLower();
    // "PDF" says nothing among PDF tools, except in "PDF to ..."
    if (name.startsWith(QLatin1String("pdf-")) && !name.startsWith(QLatin1String("pdf-to-")))
        name.remove(0, 4);
    return QStringLiteral("folioforge-") + name;
}

QString ToolRow::desktopId() const
{
    QString id = QStringLiteral("org.folioforge.");
    for (const QString& word : storedName().split(QLatin1Char('-')))
        id += word.left(1).toUpper() + word.mid(1).toLower();
    return id;
}

QString ToolRow::openFilter(Files files)
{
    switch (files) {
    case Files::Images:
        return QStringLiteral("Image Files (*.png *.jpg *.bmp)");
    case Files::Text:
        return QStringLiteral("Text files (*.txt)");
    case Files::Pdf:
        break;
    }
    return QStringLiteral("PDF files(*.PDF)");
}

QStringList ToolRow::extensions(Files files)
{
    switch (files) {
    case Files::Images:
        return {QStringLiteral("*.png"), QStringLiteral("*.jpg"), QStringLiteral("*.bmp")};
    case Files::Text:
        return {QStringLiteral("*.txt")};
    case Files::Pdf:
        break;
    }
    return {QStringLiteral("*.PDF")};
}

QString ToolRow::pdfSaveFilter()
{
    return openFilter(Files::Pdf);
}

const QList<ToolRow>& toolTable()
{
    // Built on first use: command registrations read it while the program starts.
    // clang-format off
    static const QList<ToolRow> rows = {
    //   tool                  name                   layout  count              files          save        preview            fills  shift  page
        {Tool::Merger,         "PDF Merger",          0, Count::List,       Files::Pdf,    nullptr,    Preview::PdfPage,   false,   0, &makePage<PDF_Merger>},
        {Tool::Splitter,       "PDF Splitter",        3, Count::SingleFile, Files::Pdf,    nullptr,    Preview::PdfPage,   false,   0, &makePage<PDF_Splitter>},
        {Tool::Watermark,      "PDF Watermark",       0, Count::List,       Files::Pdf,    nullptr,    Preview::PdfPage,   false,   0, &makePage<PDFWatermark>},
        {Tool::PageResizer,    "PDF Page Resizer",    2, Count::List,       Files::Pdf,    nullptr,    Preview::PdfPage,   false,   0, &makePage<PDFPageResizer>},
        {Tool::ImagesToPdf,    "Images to PDF",       1, Count::List,       Files::Images, nullptr,    Preview::ImageFile, false,   0, &makePage<ImgToPDF>},
        {Tool::Compressor,     "PDF Compressor",      5, Count::List,       Files::Pdf,    nullptr,    Preview::PdfPage,   false,   0, &makePage<PDF_Compressor>},
        {Tool::PdfToImages,    "PDF To Images",       3, Count::SingleFile, Files::Pdf,    tiffFilter, Preview::PdfPage,   false,   0, &makePage<PDFtoImg>},
        {Tool::BatchPrint,     "PDF Batch Print",     0, Count::List,       Files::Pdf,    nullptr,    Preview::PdfPage,   true,    0, &makePage<PDF_Batch_print>},
        {Tool::WordCount,      "PDF Word Count",      6, Count::List,       Files::Pdf,    nullptr,    Preview::PdfPage,   false,   0, &makePage<PDF_WordCount>},
        {Tool::RotateAndCrop,  "PDF Rotate And Crop", 0, Count::List,       Files::Pdf,    nullptr,    Preview::PdfPage,   false,   0, &makePage<PDF_RotateAndCrop>},
        {Tool::ImageExtractor, "PDF Image Extractor", 1, Count::List,       Files::Pdf,    nullptr,    Preview::PdfPage,   false,   0, &makePage<PDF_ImageExtractor>},
        {Tool::PageRemover,    "PDF Page Remover",    3, Count::SingleFile, Files::Pdf,    nullptr,    Preview::OwnPage,   true,    0, &makePage<PDF_PageRemover>},
        {Tool::InfoChanger,    "PDF Info Changer",    2, Count::List,       Files::Pdf,    nullptr,    Preview::PdfPage,   true,  -20, &makePage<PDF_Batch_Information_Changer>},
        {Tool::PdfToText,      "PDF To Text",         5, Count::List,       Files::Pdf,    nullptr,    Preview::PdfPage,   false,   0, &makePage<PDF_To_Text>},
        {Tool::TextToPdf,      "Text To PDF",         1, Count::List,       Files::Text,   nullptr,    Preview::OwnPage,   true,    0, &makePage<TextToPDF>},
    };
    // clang-format on
    return rows;
}

const ToolRow* findTool(int number)
{
    for (const ToolRow& row : toolTable())
        if (row.number() == number)
            return &row;
    return nullptr;
}
