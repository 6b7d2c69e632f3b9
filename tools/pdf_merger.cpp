#include "pdf_merger.h"

#include "folioconstants.h"
#include "pdfengine.h"
#include "ui_pdf_merger.h"


PDF_Merger::PDF_Merger(QWidget* parent, const BrandingRecord& record)
    : FeatureBase(parent, record)
{
    ui = new Ui::PDF_Merger;
    ui->setupUi(this);
}

PDF_Merger::~PDF_Merger()
{
    delete ui;
}

void PDF_Merger::ApplyHeaderPalette()
{
    ui->label_2->setAutoFillBackground(true);
    ui->label_2->setPalette(headerPalette);
}

void PDF_Merger::AddBookmarkEntry(BookmarkMap& map, const fileList& rec, int pagesBefore)
{
    map.insert(pagesBefore + 1, filenames::fileNameOf(rec.inputFile));
}

void PDF_Merger::Process(QStringList paths)
{
    files = ToFileList(paths);
    if (files.size() < 2)
        return;
    AskSaveFileName();
    if (saveFileName.isEmpty())
        return;
    files = PreProcess(files, false);
    if (files.isEmpty())
        return;

    // The result is built in the engine and written once, at the end: no
    // source is read after the output file was written (the output may be one
    // of the sources), the output is either complete or untouched, and the
    // work grows with the size of the sources, not with its square.
    BookmarkMap bookmarks;
    DiscardDocuments();
    int outputId = 0;
    int pageTotal = 0;
    const bool complete = ForEachRecord(files, QStringLiteral("Merging"), [&](fileList& rec) {
        if (!LoadInput(rec))
            return;
        const int sourceId = engine->SelectedDocument();
        if (outputId == 0) {
            outputId = sourceId;
        } else {
            engine->SelectDocument(outputId);
            if (engine->MergeDocument(sourceId) != folio::Success) {
                report().leftOut(rec.inputFile, QStringLiteral("its pages could not be copied"));
                pageTotal = engine->PageCount();
                return;
            }
        }
        AddBookmarkEntry(bookmarks, rec, pageTotal);
        // Counted in the result, so that later bookmarks land on their pages
        // whatever was copied.
        pageTotal = engine->PageCount();
    });

    if (complete && outputId != 0
        && Progress(QStringLiteral("Writing %1").arg(filenames::fileNameOf(saveFileName)), files.size(), files.size())) {
        engine->SelectDocument(outputId);
        // The sources' own bookmarks do not belong in the result.
        RemoveOutlines();
        if (ui->radioButton_2->isChecked())
            InsertFileNameBookmarks(bookmarks);
        SaveOutput(saveFileName);
    }
    DiscardDocuments();
}
