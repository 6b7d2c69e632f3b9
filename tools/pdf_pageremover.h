#pragma once

#include "featurebase.h"

#include <QList>

class PageThumbnails;
class QListWidgetItem;

namespace Ui {
class PDF_PageRemover;
}

// Removes pages from one PDF as the user watches: every page stands in a
// list of thumbnails, and the selected page, or a bulk choice of the dialog
// "Advanced Remove Option", goes at once from the document the page holds.
// A run only saves that document under the name chosen; the page can go on
// removing and save again.
class PDF_PageRemover : public FeatureBase
{
    Q_OBJECT

public:
    PDF_PageRemover(QWidget* parent, const BrandingRecord& record);
    ~PDF_PageRemover() override;
    // "Remove Selected Page" for each of these pages (from 1) at once, as
    // the command line asks for a list of them.
    void RemoveSelectedPages(const QList<int>& pages);

public slots:
    void Process(QStringList paths) override;
    void FileSelected(QString path) override;
    QPixmap RenderPreviewPage(int page) override;

private slots:
    void on_listWidget_currentItemChanged(QListWidgetItem* current, QListWidgetItem* previous);
    void on_listWidget_itemClicked(QListWidgetItem* item);
    void on_pushButton_3_clicked();
    void on_pushButton_clicked();

private:
    // Takes page n (from 1) out of the document and its item out of the list.
    void RemovePage(int n);
    // Removes these pages (from 1), the highest first, so that the numbers
    // stay valid; refused, with a message, when no page would be left.
    void RemovePages(QList<int> pages, const QString& title);
    // Selects the item of the remover page and asks for its preview.
    void ShowRemoverPage();
    int HighestSelectedRow() const;
    QPixmap Thumbnail(int page);

    Ui::PDF_PageRemover* ui;
    PageThumbnails* thumbnails;
    fileList current;        // the file last handed to the page
    int documentId = 0;      // its document in the engine; 0 while none is loaded
    QString selectionProblem;  // why the file last handed to the page is not loaded
    int removerPage = 1;     // the page the preview shows
};
