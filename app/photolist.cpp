#include "photolist.h"

#include "featurebase.h"
#include "pdfengine.h"
#include "questions.h"
#include "resourceinit.h"
#include "tooltable.h"
#include "ui_photolist.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>


namespace {

const QSize itemSize(170, 200);

} // namespace

PhotoList::PhotoList(QWidget* parent, FeatureBase* toolPage, const BrandingRecord& branding)
    : QWidget(parent)
    , tool(toolPage)
    , record(branding)
{
    initFolioResources();
    ui = new Ui::PhotoList;
    ui->setupUi(this);
    ui->listWidget->setViewMode(QListView::IconMode);
    ui->listWidget->setIconSize(QSize(120, 120));
    ui->listWidget->setResizeMode(QListView::Adjust);
    ui->listWidget->setGridSize(QSize(160, 160));
}

PhotoList::~PhotoList()
{
    delete ui;
}

QListWidget* PhotoList::listWidget() const
{
    return ui->listWidget;
}

int PhotoList::selectedRow() const
{
    int row = -1;
    for (int i = 0; i < ui->listWidget->count(); ++i)
        if (ui->listWidget->item(i)->isSelected())
            row = i;
    return row;
}

// ---------------------------------------------------------------- the list

void PhotoList::addFile(QString path)
{
    path = FeatureBase::ToNativePath(path);
    files.append(path);
    const QPixmap thumbnail = renderPreview(path, 72, 1);
    auto* item = new QListWidgetItem(QIcon(thumbnail), filenames::fileNameOf(path));
    item->setToolTip(path);
    ui->listWidget->addItem(item);
    for (int i = 0; i < ui->listWidget->count(); ++i)
        ui->listWidget->item(i)->setSizeHint(itemSize);
}

void PhotoList::clearFiles()
{
    ui->listWidget->clear();
    files.clear();
}

void PhotoList::selectFirst()
{
    if (ui->listWidget->count() == 0)
        return;
    ui->listWidget->setCurrentIndex(ui->listWidget->rootIndex());
    ui->listWidget->item(0)->setSelected(true);
    on_listWidget_itemClicked(ui->listWidget->item(0));
}

void PhotoList::on_pushButton_clicked()
{
    const QStringList chosen = Questions::openFileNames(this, QString(), QString(), record.openFilter);
    for (const QString& path : chosen)
        addFile(path);
    tool->FileListChanged(files);
}

void PhotoList::on_pushButton_2_clicked()
{
    const QString folder = Questions::existingDirectory(nullptr, QString(), QString());
    if (!folder.isEmpty()) {
        QDir dir(folder);
        dir.setNameFilters(record.extensions); // compared without regard to case
        const QFileInfoList entries = dir.entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo& entry : entries)
            addFile(entry.absoluteFilePath());
    }
    tool->FileListChanged(files);
}

void PhotoList::on_pushButton_3_clicked()
{
    const int row = selectedRow();
    if (row >= 0) {
        delete ui->listWidget->takeItem(row);
        if (row < files.size())
            files.removeAt(row);
    }
    tool->FileListChanged(files);
}

void PhotoList::on_pushButton_4_clicked()
{
    clearFiles();
    tool->FileListChanged(files);
}

void PhotoList::setCompactLayout()
{
    ui->gridLayout_3->removeWidget(ui->widget_2);
    ui->gridLayout_3->removeWidget(ui->widget_3);
    ui->gridLayout_3->addWidget(ui->widget_2, 0, 1, 3, 1);
    ui->gridLayout_3->addWidget(ui->widget_3, 0, 2, 3, 1);
    ui->listWidget->setFlow(QListView::TopToBottom);
    ui->listWidget->setIconSize(QSize(35, 35));
    ui->listWidget->setGridSize(QSize(57, 57));
    ui->widget->setMinimumWidth(200);
    ui->widget_3->setMinimumWidth(200);
    ui->widget_3->setMaximumHeight(height());
    ui->gridLayout_3->setContentsMargins(2, 2, 2, 2);
}

// ---------------------------------------------------------------- preview

void PhotoList::on_listWidget_itemClicked(QListWidgetItem*)
{
    const int row = selectedRow();
    if (row < 0 || row >= files.size())
        return;
    currentPage = 1;
    int pages = 0;
    previewImage = renderPreview(files.at(row), 300, currentPage, &pages);
    pageCount = pages;
    fitPending = true;
    redrawPending = true;
}

void PhotoList::renderCurrentPage()
{
    const int row = selectedRow();
    if (row < 0 || row >= files.size())
        return;
    previewImage = renderPreview(files.at(row), 300, currentPage);
}

void PhotoList::nextPage()
{
    if (currentPage >= pageCount)
        return;
    ++currentPage;
    renderCurrentPage();
    fitPending = true;
    redrawPending = true;
}

void PhotoList::previousPage()
{
    if (currentPage <= 1)
        return;
    --currentPage;
    renderCurrentPage();
    fitPending = true;
    redrawPending = true;
}

void PhotoList::stepZoom(float d)
{
    const double s = zoom + d;
    if (s > 50)
        zoom = 50 + d;
    else if (s <= 0.1)
        zoom = 0.1 + d;
    else
        zoom = s;
    redrawPending = true;
}

void PhotoList::zoomIn()
{
    stepZoom(-0.05f);
}

void PhotoList::zoomOut()
{
    stepZoom(0.05f);
}

QPixmap PhotoList::noPreviewImage(int resolution)
{
    const bool small = resolution == 72;
    const int side = small ? 100 : 600;
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::white);
    const QString text = QStringLiteral("No Preview Available");
    QFont font;
    font.setBold(true);
    // 9 or 30 points, smaller where the font in use is too wide to fit.
    qreal points = small ? 9 : 30;
    font.setPointSizeF(points);
    while (QFontMetrics(font).horizontalAdvance(text) > side - side / 10 && points > 4) {
        points -= 0.5;
        font.setPointSizeF(points);
    }
    const QFontMetrics metrics(font);
    const int textWidth = metrics.horizontalAdvance(text);
    const int lineHeight = metrics.height();
    QPainter painter(&pixmap);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect((side - textWidth) / 2, (side - lineHeight) / 2, textWidth, lineHeight), 0, text);
    return pixmap;
}

QPixmap PhotoList::renderPdfPage(const QString& path, int resolution, int page, int* pages)
{
    PdfEngine* engine = tool->engine;
    const int previous = engine->SelectedDocument();
    if (engine->LoadFromFile(path, QString()) != 1)
        return noPreviewImage(resolution);
    const int document = engine->SelectedDocument();
    if (pages)
        *pages = engine->PageCount();

    QImage image;
    QTemporaryDir dir;
    if (dir.isValid()) {
        const QString target = FeatureBase::ToNativePath(dir.filePath(QGuiApplication::applicationDisplayName()));
        engine->RenderPageToFile(resolution, page, 0, target);
        image.load(target);
    }
    // The preview leaves the engine as it found it: every page turn would
    // otherwise leave one more loaded copy of the file behind.
    engine->RemoveDocument(document);
    engine->SelectDocument(previous);
    if (image.isNull())
        return noPreviewImage(resolution);
    return QPixmap::fromImage(image);
}

QPixmap PhotoList::renderPreview(const QString& path, int resolution, int page, int* pages)
{
    if (pages)
        *pages = 0;
    if (!tool->hasEngine())
        return QPixmap();
    tool->selectedIndex = selectedRow();

    switch (record.row ? record.row->preview : ToolRow::Preview::PdfPage) {
    case ToolRow::Preview::ImageFile: {
        QImage image(path);
        if (resolution == 72 && !image.isNull())
            image = image.scaledToWidth(100, Qt::FastTransformation);
        if (pages)
            *pages = image.isNull() ? 0 : 1;
        return QPixmap::fromImage(image);
    }
    case ToolRow::Preview::OwnPage: {
        const QPixmap own = tool->RenderPreviewPage(page);
        if (pages)
            *pages = tool->engine->PageCount();
        return own;
    }
    case ToolRow::Preview::PdfPage:
        break;
    }
    const QPixmap image = renderPdfPage(path, resolution, page, pages);
    return tool->Preview(image, page, path);
}
