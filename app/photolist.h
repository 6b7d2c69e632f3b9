#pragma once

#include "brandingrecord.h"

#include <QPixmap>
#include <QStringList>
#include <QWidget>

class FeatureBase;
class QListWidget;
class QListWidgetItem;

namespace Ui {
class PhotoList;
}

// The shared list of input files, one thumbnail item per path, and the state
// of the page preview (the image of the current page, page counter, zoom).
class PhotoList : public QWidget
{
    Q_OBJECT

public:
    PhotoList(QWidget* parent, FeatureBase* tool, const BrandingRecord& record);
    ~PhotoList() override;

    QStringList files;        // native separators; index i belongs to item i
    int pageCount = 0;        // of the previewed document
    int currentPage = 0;      // from 1; 0 before the first preview
    QPixmap previewImage;
    double zoom = 1.0;        // the page is shown at its size divided by zoom
    bool redrawPending = false;
    bool fitPending = false;

    void addFile(QString path);
    // Deletes every item and path, without telling the tool page.
    void clearFiles();
    // Selects the first item and previews it as a click would.
    void selectFirst();

    // Renders a page of a file: a PDF page through the engine, an image file
    // directly, or the tool's own page; then the tool's Preview hook. pages
    // receives the document's page count when asked for.
    QPixmap renderPreview(const QString& path, int resolution, int page, int* pages = nullptr);
    void renderCurrentPage();
    void nextPage();
    void previousPage();
    void zoomIn();
    void zoomOut();
    void setCompactLayout();

    // Index of the selected item (the last selected one), -1 when none.
    int selectedRow() const;
    QListWidget* listWidget() const;

    // The "No Preview Available" picture for a resolution.
    static QPixmap noPreviewImage(int resolution);

public slots:
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_3_clicked();
    void on_pushButton_4_clicked();
    void on_listWidget_itemClicked(QListWidgetItem* item);

private:
    void stepZoom(float d);
    QPixmap renderPdfPage(const QString& path, int resolution, int page, int* pages);

    Ui::PhotoList* ui;
    FeatureBase* tool;
    BrandingRecord record;
};
