#include "imgtopdf.h"

#include "folioconstants.h"
#include "pdf_merger.h"
#include "pdfengine.h"
#include "ui_imgtopdf.h"

namespace {

// Images that record no resolution are taken at this one: a pixel a point.
constexpr int defaultDpi = 72;

} // namespace

ImgToPDF::ImgToPDF(QWidget* parent, const BrandingRecord& record)
    : FeatureBase(parent, record)
{
    ui = new Ui::ImgToPDF;
    ui->setupUi(this);
}

ImgToPDF::~ImgToPDF()
{
    delete ui;
}

void ImgToPDF::ApplyHeaderPalette()
{
    ui->label_2->setAutoFillBackground(true);
    ui->label_2->setPalette(headerPalette);
}

bool ImgToPDF::placeImage(int imageId)
{
    engine->SelectImage(imageId);
    const int horizontal = engine->ImageHorizontalResolution(), vertical = engine->ImageVerticalResolution();
    const double width = engine->ImageWidth() / double(horizontal > 0 ? horizontal : defaultDpi) * 72.0;
    const double height = engine->ImageHeight() / double(vertical > 0 ? vertical : defaultDpi) * 72.0;
    engine->SetOrigin(folio::OriginTopLeft);
    engine->SetMeasurementUnits(folio::Points);
    return engine->SetPageDimensions(width, height) == folio::Success
           && engine->DrawImage(0, 0, width, height) == folio::Success;
}

void ImgToPDF::Process(QStringList paths)
{
    files = ToFileList(paths);
    if (files.isEmpty() || !hasEngine())
        return;
    AskSaveFileName();
    if (saveFileName.isEmpty())
        return;
    if (SaveNameIsAnInput(paths, QStringLiteral("images")))
        return;
    // Images are no PDFs: none is test-opened, so none asks for a password.
    files = PreProcess(files, false, Inputs::OutputsOnly);

    // A fresh document holds one empty page: the first image that reads goes
    // there, each later one on a new page. An image that does not read gets
    // no page, and the bookmarks count the pages that are there.
    BookmarkMap bookmarks;
    DiscardDocuments();
    engine->CompressImages(1);
    int pages = 0;
    const bool complete = ForEachRecord(files, QStringLiteral("Adding"), [&](fileList& rec) {
        QString problem = InputProblem(rec.inputFile);
        const int imageId = problem.isEmpty() ? engine->AddImageFromFile(rec.inputFile, 0) : 0;
        if (imageId == 0) {
            report().leftOut(rec.inputFile, problem.isEmpty() ? QStringLiteral("not an image that can be read") : problem);
            return;
        }
        if (pages > 0)
            engine->NewPage();
        if (!placeImage(imageId)) {
            if (pages > 0)
                engine->DeletePages(pages + 1, 1);
            report().leftOut(rec.inputFile, QStringLiteral("could not be placed on a page"));
            return;
        }
        PDF_Merger::AddBookmarkEntry(bookmarks, rec, pages);
        ++pages;
        report().processed(rec.inputFile);
    });

    if (complete && pages > 0
        && Progress(QStringLiteral("Writing %1").arg(filenames::fileNameOf(saveFileName)), files.size(), files.size())) {
        if (ui->radioButton_2->isChecked())
            InsertFileNameBookmarks(bookmarks);
        SaveOutput(saveFileName);
    }
    DiscardDocuments();
}
