#include "pdf_pageremover.h"

#include "folioconstants.h"
#include "pagethumbnails.h"
#include "pdf_pageremover_adv_delete.h"
#include "pdfengine.h"
#include "questions.h"
#include "ui_pdf_pageremover.h"

#include <QGuiApplication>
#include <QPainter>

#include <algorithm>

PDF_PageRemover::PDF_PageRemover(QWidget* parent, const BrandingRecord& record)
    : FeatureBase(parent, record)
{
    ui = new Ui::PDF_PageRemover;
    ui->setupUi(this);
    thumbnails = new PageThumbnails(ui->listWidget, this, [this](int page) { return Thumbnail(page); });
}

PDF_PageRemover::~PDF_PageRemover()
{
    delete ui;
}

QPixmap PDF_PageRemover::Thumbnail(int page)
{
    engine->SelectDocument(documentId);
    const QImage image = RenderPage(page, 100);
    if (image.isNull())
        return QPixmap();
    QPixmap thumbnail = QPixmap::fromImage(image.scaled(200, 200, Qt::KeepAspectRatio, Qt::FastTransformation));
    // A white page on the white list needs an edge.
    QPainter painter(&thumbnail);
    painter.setPen(QColor(180, 180, 180));
    painter.drawRect(thumbnail.rect().adjusted(0, 0, -1, -1));
    return thumbnail;
}

void PDF_PageRemover::FileSelected(QString path)
{
    thumbnails->clear();
    removerPage = 1;
    documentId = 0;
    current = fileList();
    current.inputFile = path;
    selectionProblem = QStringLiteral("no PDF engine to open it");
    if (!hasEngine())
        return;
    // Only the file chosen now stays in the engine: earlier choices would pile up.
    fileList rec = ToFileList({path}).first();
    if (!LoadSingleInput(rec, false)) {
        const QList<RunReport::Entry>& entries = lastReport().entries();
        selectionProblem = entries.isEmpty() ? QStringLiteral("does not open") : entries.last().reason;
        const bool passwordRefused = InputProblem(path).isEmpty() && engine->LastLoadError() == folio::LoadNeedsPassword;
        DiscardDocuments();
        // The page stays empty. Whoever just cancelled a password knows why;
        // anything else is said at once (and again by a run).
        if (!passwordRefused)
            Questions::report(this, window()->windowTitle(),
                              QStringLiteral("%1 does not open: %2").arg(ToNativePath(path), selectionProblem));
        return;
    }
    current = rec;
    documentId = engine->SelectedDocument();
    thumbnails->fill(engine->PageCount());
    ShowRemoverPage();
}

void PDF_PageRemover::Process(QStringList)
{
    if (documentId == 0) {
        if (!current.inputFile.isEmpty())
            report().leftOut(current.inputFile, selectionProblem);
        return;
    }
    AskSaveFileName();
    if (saveFileName.isEmpty())
        return;
    engine->SelectDocument(documentId);
    report().processed(current.inputFile);
    SaveOutput(saveFileName);
}

QPixmap PDF_PageRemover::RenderPreviewPage(int)
{
    if (documentId == 0)
        return QPixmap();
    engine->SelectDocument(documentId);
    return QPixmap::fromImage(RenderPage(removerPage, 300));
}

int PDF_PageRemover::HighestSelectedRow() const
{
    int row = -1;
    for (int i = 0; i < ui->listWidget->count(); ++i)
        if (ui->listWidget->item(i)->isSelected())
            row = i;
    return row;
}

void PDF_PageRemover::ShowRemoverPage()
{
    if (removerPage >= 1 && removerPage <= ui->listWidget->count())
        ui->listWidget->setCurrentRow(removerPage - 1);
    previewRequest = true;
}

void PDF_PageRemover::RemovePage(int n)
{
    engine->DeletePages(n, 1);
    delete ui->listWidget->takeItem(n - 1);
    removerPage = qMin(removerPage, engine->PageCount());
}

void PDF_PageRemover::RemovePages(QList<int> pages, const QString& title)
{
    if (documentId == 0 || pages.isEmpty())
        return;
    engine->SelectDocument(documentId);
    std::sort(pages.begin(), pages.end(), std::greater<int>());
    pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
    // A PDF has at least one page: the user's pages are never replaced by a blank one.
    if (pages.size() >= engine->PageCount()) {
        Questions::report(this, title, QStringLiteral("Nothing was removed: a document keeps at least one page."));
        return;
    }
    // Half the pages of a long document take a moment.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    ui->listWidget->setUpdatesEnabled(false);
    for (int n : qAsConst(pages))
        RemovePage(n);
    ui->listWidget->setUpdatesEnabled(true);
    QGuiApplication::restoreOverrideCursor();
    // "Page n" names the page where it now stands.
    thumbnails->renumber();
}

void PDF_PageRemover::on_listWidget_currentItemChanged(QListWidgetItem*, QListWidgetItem*) {}

void PDF_PageRemover::on_listWidget_itemClicked(QListWidgetItem*)
{
    const int row = HighestSelectedRow();
    if (row < 0)
        return;
    removerPage = row + 1;
    previewRequest = true;
}

void PDF_PageRemover::RemoveSelectedPages(const QList<int>& pages)
{
    RemovePages(pages, ui->pushButton_3->text());
    ShowRemoverPage();
}

void PDF_PageRemover::on_pushButton_3_clicked()
{
    const int row = HighestSelectedRow();
    if (row < 0)
        return;
    RemovePages({row + 1}, ui->pushButton_3->text());
    ShowRemoverPage();
}

void PDF_PageRemover::on_pushButton_clicked()
{
    if (documentId == 0)
        return;
    const int choice = Questions::choice(this, ui->pushButton->text(), [](QWidget* parent) {
        PDF_PageRemover_adv_delete dialog(parent);
        dialog.exec();
        return dialog.choice;
    });
    engine->SelectDocument(documentId);
    const int count = engine->PageCount();
    QList<int> pages;
    switch (choice) {
    case PDF_PageRemover_adv_delete::OddPages:
    case PDF_PageRemover_adv_delete::EvenPages:
        for (int p = choice == PDF_PageRemover_adv_delete::OddPages ? 1 : 2; p <= count; p += 2)
            pages << p;
        break;
    case PDF_PageRemover_adv_delete::FrontPage:
        pages << 1;
        break;
    case PDF_PageRemover_adv_delete::LastPage:
        pages << count;
        break;
    case PDF_PageRemover_adv_delete::FrontAndLastPage:
        pages << 1 << count;
        break;
    default:
        break;
    }
    RemovePages(pages, ui->pushButton->text());
    ShowRemoverPage();
}
