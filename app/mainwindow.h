#pragma once

#include "brandingrecord.h"

#include <QMainWindow>
#include <QPixmap>

class FeatureBase;
class PhotoList;
class QTimer;

namespace Ui {
class MainWindow;
}

// The one window: header, file list, page preview and the tool page of the
// installation's branding, arranged by its layout variant.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // names.directory says where Data.dat and the icon are read; empty means
    // the program's own directory.
    explicit MainWindow(QWidget* parent = nullptr, const CustomFileNames& names = CustomFileNames());
    ~MainWindow() override;

    using QMainWindow::resize;
    // Header layout and preview refit.
    void resize();
    double fitZoom() const;
    void drawPreview();

    FeatureBase* feature() const { return tool; }
    PhotoList* photoList() const { return list; }
    const BrandingRecord& branding() const { return record; }

    // Files handed to the window as a drop hands them: appended to the list,
    // or, for a single-file tool, the last one picked as "Select File" would.
    void addDroppedFiles(const QStringList& paths);

    // Text of the icon diagnostic message (Ctrl+D).
    static QString iconDiagnostic(const CustomFileNames& names);

    double panX = 0;
    double panY = 0;

public slots:
    void on_pushButton_Default_clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private slots:
    void customVerQShortcutslot();
    void customVer_debug_DShortcutslot();
    void preTimer_update();
    void on_pushButton_5_clicked();
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_3_clicked();
    void on_pushButton_4_clicked();
    void on_pushButton_Default_1_clicked();
    void on_pushButton_Default_2_clicked();

private:
    void setupFeature();
    // The tool page's height for the tools whose page fills the side column.
    void fitToolPageHeight();
    void arrange();
    void colourHeader();
    void ensureUserMarker();
    bool singleFileMode() const;

    Ui::MainWindow* ui;
    CustomFileNames names;
    BrandingRecord record;
    FeatureBase* tool = nullptr;
    PhotoList* list = nullptr;
    QTimer* previewTimer = nullptr;
    QPixmap scaledPage;     // the preview image at its shown size
    qint64 scaledFrom = 0;  // cache key of the image it was made from
    bool pressed = false;
    float pressX = 0;
    float pressY = 0;
};
