#include "mainwindow.h"

#include "createfeature.h"
#include "customver.h"
#include "dialogwritecustomverfile.h"
#include "featurebase.h"
#include "photolist.h"
#include "questions.h"
#include "resourceinit.h"
#include "tooltable.h"
#include "ui_mainwindow.h"

#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsDropShadowEffect>
#include <QGuiApplication>
#include <QIcon>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <cmath>

namespace {

// Moves a widget to another cell of a grid it may already be in.
void place(QGridLayout* grid, QWidget* widget, int row, int column, int rowSpan, int columnSpan)
{
    grid->removeWidget(widget);
    grid->addWidget(widget, row, column, rowSpan, columnSpan);
}

void fillWindowRole(QWidget* widget, const QBrush& brush)
{
    QPalette palette = widget->palette();
    palette.setBrush(QPalette::All, QPalette::Window, brush);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

MainWindow::MainWindow(QWidget* parent, const CustomFileNames& fileNames)
    : QMainWindow(parent)
    , names(fileNames)
{
    initFolioResources();
    auto* open = new QShortcut(QKeySequence(Qt::CTRL + Qt::Key_O), this);
    open->setContext(Qt::WindowShortcut);
    connect(open, &QShortcut::activated, this, &MainWindow::customVerQShortcutslot);
    auto* debug = new QShortcut(QKeySequence(Qt::CTRL + Qt::Key_D), this);
    debug->setContext(Qt::WindowShortcut);
    connect(debug, &QShortcut::activated, this, &MainWindow::customVer_debug_DShortcutslot);

    setAcceptDrops(true);

    previewTimer = new QTimer(this);
    connect(previewTimer, &QTimer::timeout, this, &MainWindow::preTimer_update);
    previewTimer->start(30);

    ui = new Ui::MainWindow;
    ui->setupUi(this);
    setupFeature();

    ui->widget_5->installEventFilter(this);
    ui->widget_8->installEventFilter(this);
    // The side column settles after the window's own resize event.
    ui->widget_3->installEventFilter(this);

    resize();
    ui->pushButton_Default_1->setText(record.familyName + QStringLiteral(" Home Page"));
    ui->pushButton_Default_2->setText(record.toolName + QStringLiteral(" On The Web"));
    setWindowTitle(record.familyName + QStringLiteral(" - ") + record.toolName + QStringLiteral(" ")
                   + QString::number(double(record.version), 'g', 6).left(3));
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::setupFeature()
{
    record = makeBrandingRecord(names, -1, -1);

    // A tool this program has no page for gets an empty page, never another
    // tool's: main() refuses to start such an installation.
    tool = createFeature(record);
    if (!tool)
        tool = new FeatureBase(nullptr, record);
    ui->gridLayout_6->addWidget(tool);
    ui->widget_2->setMinimumHeight(tool->height());

    colourHeader();

    list = new PhotoList(this, tool, record);
    ui->pushButton_5->hide();
    // Only PDF pages can be turned.
    if (record.row && record.row->preview != ToolRow::Preview::PdfPage) {
        ui->pushButton->hide();
        ui->pushButton_2->hide();
    }
    arrange();
    customVer::applyTheme(tool, record);
    tool->ApplyHeaderPalette();
    tool->show();
    ensureUserMarker();
}

void MainWindow::colourHeader()
{
    const QImage image = customVer::applyTheme(this, record);
    const QRgb c = customVer::themeColor(image);
    fillWindowRole(ui->widget, QColor(c));
    fillWindowRole(ui->widget_7, QColor(customVer::adjustColor(c, 80)));
    tool->headerPalette = ui->widget_7->palette();
    if (!image.isNull())
        fillWindowRole(ui->ico, QBrush(image.scaled(80, 80, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
    for (QWidget* title : {static_cast<QWidget*>(ui->Title), static_cast<QWidget*>(ui->Title_2)}) {
        auto* shadow = new QGraphicsDropShadowEffect(title);
        shadow->setBlurRadius(5);
        shadow->setOffset(3, 3);
        title->setGraphicsEffect(shadow);
    }
}

void MainWindow::arrange()
{
    QGridLayout* grid = ui->gridLayout;
    switch (record.layoutVariant) {
    case 0:
        ui->List_2->hide();
        ui->List_3->hide();
        ui->gridLayout_3->addWidget(list);
        list->show();
        break;
    case 1:
        ui->List_1->hide();
        ui->List_3->hide();
        place(grid, ui->Preview, 4, 0, 4, 3);
        place(grid, ui->widget_3, 4, 3, 4, 1);
        ui->gridLayout_5->addWidget(list);
        list->setCompactLayout();
        list->show();
        break;
    case 2:
        ui->List_1->hide();
        ui->List_2->hide();
        place(grid, ui->Preview, 3, 0, 3, 3);
        ui->gridLayout_4->addWidget(list);
        list->setCompactLayout();
        list->show();
        break;
    case 3:
        list->hide();
        ui->List_1->hide();
        ui->List_2->hide();
        ui->List_3->hide();
        place(grid, ui->Preview, 4, 0, 4, 3);
        place(grid, ui->widget_3, 4, 3, 4, 1);
        ui->pushButton_5->show();
        break;
    case 5:
        ui->List_2->hide();
        ui->gridLayout_3->addWidget(list);
        place(grid, ui->List_1, 2, 0, 5, 1);
        place(grid, ui->Preview, 3, 1, 3, 3);
        // The tool page carries the whole tool here, its own process button
        // included: the side column takes no part.
        grid->removeWidget(ui->widget_3);
        ui->widget_3->hide();
        list->show();
        ui->gridLayout_6->removeWidget(tool);
        ui->gridLayout_4->addWidget(tool);
        place(grid, ui->List_3, 6, 1, 1, 3);
        break;
    case 6:
        ui->List_1->hide();
        grid->removeWidget(ui->List_1);
        place(grid, ui->Preview, 4, 0, 4, 4);
        grid->removeWidget(ui->widget_3);
        ui->widget_3->hide();
        ui->gridLayout_5->addWidget(list);
        list->setCompactLayout();
        list->show();
        ui->gridLayout_6->removeWidget(tool);
        ui->gridLayout_4->addWidget(tool);
        place(grid, ui->List_3, 8, 0, 1, 4);
        break;
    default:
        // No arrangement: the file list is placed nowhere.
        list->hide();
        break;
    }
}

void MainWindow::ensureUserMarker()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return;
    QFile marker(QDir(folder).filePath(QGuiApplication::applicationDisplayName()));
    if (!marker.exists() && marker.open(QIODevice::WriteOnly))
        marker.close();
}

bool MainWindow::singleFileMode() const
{
    return !ui->pushButton_5->isHidden();
}

// ---------------------------------------------------------------- header and preview

void MainWindow::resize()
{
    ui->Title->setText(record.familyName);
    record.toolName.replace(QLatin1Char('-'), QLatin1Char(' '));
    ui->Title_2->setText(record.toolName);
    ui->Title->adjustSize();
    ui->Title_2->adjustSize();

    ui->widget_9->setFixedHeight(ui->widget->height());
    ui->widget_9->move(width() - ui->widget_9->width(), 0);
    ui->ico->move(20, (ui->widget_9->height() - ui->ico->height()) / 2);
    ui->Title->move(ui->ico->x() + ui->ico->width() + 10, ui->ico->y());
    ui->Title_2->move(ui->Title->x(), ui->ico->y() + ui->ico->height() - ui->Title_2->height());

    list->zoom = fitZoom();
    panX = 0;
    panY = 0;
    drawPreview();
}

double MainWindow::fitZoom() const
{
    const double w = list->previewImage.width();
    const double h = list->previewImage.height();
    const double W = ui->widget_8->width();
    const double H = ui->widget_8->height();
    if (w <= 0 || h <= 0 || W <= 0 || H <= 0)
        return 1.0;
    return FeatureBase::FitRatio(w, h, W, H);
}

void MainWindow::drawPreview()
{
    const int W = ui->widget_8->width();
    const int H = ui->widget_8->height();
    if (W <= 0 || H <= 0)
        return;
    QPixmap canvas(W, H);
    canvas.fill(Qt::white);
    const QPixmap& page = list->previewImage;
    if (!page.isNull() && list->zoom > 0) {
        const double w = page.width() / list->zoom;
        const double h = page.height() / list->zoom;
        const QRect target(int((W - w) / 2 + panX), int((H - h) / 2 + panY), int(w), int(h));
        // Scaled once per page image and size (panning only moves it), with
        // area averaging: a 300 dpi page shown small stays legible.
        if (scaledFrom != page.cacheKey() || scaledPage.size() != target.size()) {
            scaledPage = target.size().isEmpty() || target.width() > 4 * W
                             ? QPixmap()
                             : page.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            scaledFrom = page.cacheKey();
        }
        QPainter painter(&canvas);
        // A soft edge shows where the (mostly white) page ends.
        painter.setPen(Qt::NoPen);
        for (int i = 4; i >= 1; --i) {
            painter.setBrush(QColor(0, 0, 0, 10 + 6 * (4 - i)));
            painter.drawRect(target.adjusted(-1, -1, i, i));
        }
        if (!scaledPage.isNull()) {
            painter.drawPixmap(target.topLeft(), scaledPage);
        } else {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawPixmap(target, page);
        }
    }
    fillWindowRole(ui->widget_8, QBrush(canvas));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->widget_5 && event->type() == QEvent::Resize) {
        resize();
    } else if (watched == ui->widget_3 && event->type() == QEvent::Resize) {
        fitToolPageHeight();
    } else if (watched == ui->widget_8) {
        if (event->type() == QEvent::MouseButtonPress) {
            const QPointF p = static_cast<QMouseEvent*>(event)->localPos();
            pressX = float(std::floor(p.x() + 0.5));
            pressY = float(std::floor(p.y() + 0.5));
            pressed = true;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            const QPointF p = static_cast<QMouseEvent*>(event)->localPos();
            if (!pressed) {
                pressX = float(std::floor(p.x() + 0.5));
                pressY = float(std::floor(p.y() + 0.5));
            }
            pressed = false;
            panX += p.x() - pressX;
            panY += p.y() - pressY;
            drawPreview();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    fitToolPageHeight();
}

void MainWindow::fitToolPageHeight()
{
    if (!record.row || !record.row->pageFillsColumn)
        return;
    // These pages fill the side column down to the process button. The height
    // comes from the column alone (not from where the last layout put the
    // button), so that it settles instead of growing with every resize.
    const int spacing = ui->verticalLayout->spacing();
    const QMargins margins = ui->verticalLayout->contentsMargins();
    int height = ui->widget_3->height() - margins.top() - margins.bottom() - ui->widget_4->height() - 2 * spacing;
    if (!ui->pushButton_5->isHidden())
        height -= ui->pushButton_5->height() + spacing;
    height = qMax(ui->widget_2->minimumSizeHint().height(), qMax(0, height));
    ui->widget_2->setMinimumHeight(height);
    ui->widget_2->setMaximumHeight(height);
    tool->setMaximumHeight(height);
}

void MainWindow::preTimer_update()
{
    tool->fileCount = list->files.size();
    if (list->fitPending) {
        panX = panY = 0;
        list->fitPending = false;
        list->zoom = fitZoom();
    }
    if (list->redrawPending) {
        panX = panY = 0;
        list->redrawPending = false;
        drawPreview();
    }
    // Modal dialogs and the progress of a run turn the event loop: the engine
    // must not be touched, nor a second run started, until the run has returned.
    if (tool->isRunning())
        return;
    if (tool->previewRequest) {
        tool->previewRequest = false;
        list->renderCurrentPage();
        panX = panY = 0;
        drawPreview();
    }
    if (tool->processRequest) {
        tool->processRequest = false;
        on_pushButton_Default_clicked();
    }
}

// ---------------------------------------------------------------- commands

void MainWindow::on_pushButton_Default_clicked()
{
    if (tool->isRunning())
        return;
    // Silent when everything went well; otherwise one message says what did not.
    const RunReport& report = tool->run(QStringList(list->files));
    if (!report.isQuiet())
        Questions::report(this, windowTitle(), report.summary());
}

void MainWindow::on_pushButton_5_clicked()
{
    list->clearFiles();
    const QString path = Questions::openFileName(this, QString(), QString(), record.openFilter);
    if (!path.isEmpty()) {
        list->addFile(path);
        tool->FileSelected(path);
    }
    list->selectFirst();
}

void MainWindow::on_pushButton_clicked()
{
    list->nextPage();
}

void MainWindow::on_pushButton_2_clicked()
{
    list->previousPage();
}

void MainWindow::on_pushButton_3_clicked()
{
    list->zoomIn();
}

void MainWindow::on_pushButton_4_clicked()
{
    list->zoomOut();
}

void MainWindow::on_pushButton_Default_1_clicked()
{
    QDesktopServices::openUrl(QUrl::fromUserInput(record.homeUrl));
}

void MainWindow::on_pushButton_Default_2_clicked()
{
    QDesktopServices::openUrl(QUrl::fromUserInput(record.toolUrl));
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (data && data->hasUrls() && data->hasText())
        event->acceptProposedAction();
    else
        event->ignore();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (!data)
        return;
    QStringList paths;
    for (const QUrl& url : data->urls()) {
        // Only local files can be read: anything else adds nothing.
        const QString path = url.isLocalFile() ? url.toLocalFile() : QString();
        if (!path.isEmpty())
            paths << path;
    }
    addDroppedFiles(paths);
}

void MainWindow::addDroppedFiles(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    if (singleFileMode()) {
        // One file at a time: the last one dropped counts, and the tool page
        // receives it as it does a picked one.
        list->clearFiles();
        list->addFile(paths.last());
        tool->FileSelected(paths.last());
        list->selectFirst();
        return;
    }
    for (const QString& path : qAsConst(paths))
        list->addFile(path);
}

// ---------------------------------------------------------------- branding shortcuts

void MainWindow::customVerQShortcutslot()
{
    auto* dialog = new DialogWriteCustomverFile(names);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

QString MainWindow::iconDiagnostic(const CustomFileNames& iconNames)
{
    const QString path = findIconFile(iconNames);
    const QImage image = QIcon(path).pixmap(512, 512, QIcon::Normal, QIcon::On).toImage();
    const auto pixel = [&image](int x, int y) { return image.valid(x, y) ? image.pixel(x, y) : 0u; };
    return path + QString::number(pixel(156, 1)) + QStringLiteral(",") + QString::number(pixel(256, 200))
           + QStringLiteral(",") + QString::number(QFileInfo(path).size());
}

void MainWindow::customVer_debug_DShortcutslot()
{
    QMessageBox box;
    box.setText(iconDiagnostic(names));
    box.exec();
}
