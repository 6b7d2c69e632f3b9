// The page preview: zoom steps and limits, fitting, panning, page navigation,
// the "No Preview Available" picture, and real renders of a real PDF.

#include "featurebase.h"
#include "mainwindow.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "photolist.h"
#include "pixels.h"
#include "questions.h"
#include "shellsupport.h"
#include "testsupport.h"

#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace testsupport;

namespace {

// Share of pixels that are clearly not white, seen at 200 x 200.
double inkShare(const QImage& image)
{
    const QImage small = image.scaled(200, 200, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB32);
    return image.isNull() ? 0 : countPixels(small, [](QRgb p) { return qGray(p) < 160; }) / 40000.0;
}

} // namespace

class TestPreview : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    CustomFileNames names;
    ScriptedQuestions noDialogs;  // nothing here may open a real dialog

    std::unique_ptr<MainWindow> window(int brand = 1) { return shownWindow<MainWindow>(names, brand, 1); }
    static QPushButton* button(MainWindow* w, const char* name) { return windowChild<QPushButton>(w, name); }
    static QWidget* canvas(MainWindow* w) { return windowChild(w, "widget_8"); }

    static QImage canvasImage(MainWindow* w)
    {
        return canvas(w)->palette().brush(QPalette::Window).texture().toImage().convertToFormat(QImage::Format_RGB32);
    }

    // Adds the file to the list and clicks it, as a user would.
    static void show(MainWindow* w, const QString& file)
    {
        w->photoList()->addFile(file);
        w->photoList()->listWidget()->item(0)->setSelected(true);
        w->photoList()->on_listWidget_itemClicked(w->photoList()->listWidget()->item(0));
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        names.directory = dir.path();
        noDialogs.installed();
    }

    void zoomStepsAndLimits()
    {
        auto w = window();
        PhotoList* list = w->photoList();
        list->zoom = 1.0;
        list->zoomIn();
        QVERIFY(qAbs(list->zoom - 0.95) < 1e-6 && list->redrawPending);
        list->zoomOut();
        list->zoomOut();
        QVERIFY(qAbs(list->zoom - 1.05) < 1e-6);
        list->zoom = 50 + 0.05f;  // the largest value stays
        list->zoomOut();
        QCOMPARE(list->zoom, double(50 + 0.05f));
        list->zoom = 0.1 - 0.05f;  // the smallest value stays
        list->zoomIn();
        QCOMPARE(list->zoom, 0.1 - double(0.05f));
    }

    void fitAndPan()
    {
        auto w = window();
        PhotoList* list = w->photoList();
        canvas(w.get())->setFixedSize(600, 400);
        QTRY_COMPARE(canvas(w.get())->size(), QSize(600, 400));
        QPixmap page(612, 792);
        page.fill(Qt::black);
        list->previewImage = QPixmap(800, 100);
        QCOMPARE(w->fitZoom(), 800.0 / 600.0);
        list->previewImage = QPixmap();
        QCOMPARE(w->fitZoom(), 1.0);
        list->previewImage = page;
        QCOMPARE(w->fitZoom(), 1.98);

        // Fitted and centred: 612/1.98 = 309 wide, centred in 600.
        list->fitPending = list->redrawPending = true;
        QTRY_VERIFY(!list->redrawPending);
        QCOMPARE(list->zoom, 1.98);
        QRect ink = inkBounds(canvasImage(w.get()));
        QVERIFY(qAbs(ink.left() - 145) <= 1 && ink.top() == 0);

        // A drag of (+40, -10) moves the page after the release; a release without a press moves nothing.
        QTest::mousePress(canvas(w.get()), Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseRelease(canvas(w.get()), Qt::LeftButton, {}, QPoint(140, 90));
        QTest::mouseRelease(canvas(w.get()), Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(w->panX == 40.0 && w->panY == -10.0);
        QVERIFY(qAbs(inkBounds(canvasImage(w.get())).left() - (ink.left() + 40)) <= 1);
        // The next zoom step centres it again.
        list->zoomIn();
        QTRY_VERIFY(!list->redrawPending);
        QVERIFY(w->panX == 0.0 && w->panY == 0.0);
    }

    void noPreviewPicture()
    {
        for (int dpi : {72, 300}) {
            const QImage image = PhotoList::noPreviewImage(dpi).toImage().convertToFormat(QImage::Format_RGB32);
            QCOMPARE(image.size(), dpi == 72 ? QSize(100, 100) : QSize(600, 600));
            QVERIFY(inkShare(image) > 0.001);
            // The words fit: the edges stay white.
            QCOMPARE(countPixels(image, isInk, QRect(0, 0, 1, image.height())) + countPixels(image, isInk, QRect(image.width() - 1, 0, 1, image.height())), 0);
        }
        // A file the engine cannot open shows it, in the list and the preview.
        auto w = window();
        QVERIFY(writeFile(dir.filePath("junk.pdf"), "%PDF-1.4 this is not a document"));
        show(w.get(), dir.filePath("junk.pdf"));
        QCOMPARE(w->photoList()->previewImage.size(), QSize(600, 600));
        QCOMPARE(w->photoList()->pageCount, 0);
    }

    void pageWithoutEngineShowsNothing()
    {
        auto w = window(2);
        QVERIFY(!w->feature()->hasEngine());
        QVERIFY(writeTextPdf(dir.filePath("noengine.pdf"), {"x"}));
        show(w.get(), dir.filePath("noengine.pdf"));
        QVERIFY(w->photoList()->previewImage.isNull());
        QCOMPARE(w->photoList()->pageCount, 0);
    }

    void realPreviewOfARealPdf()
    {
        auto w = window();
        PhotoList* list = w->photoList();
        QVERIFY(writeTextPdf(dir.filePath("real.pdf"), {"FIRST PAGE", "SECOND"}));
        const int documentsBefore = w->feature()->engine->DocumentCount();
        show(w.get(), dir.filePath("real.pdf"));
        QCOMPARE(list->listWidget()->item(0)->icon().pixmap(612, 792).size(), QSize(612, 792));  // 72 dpi, page 1
        QCOMPARE(list->currentPage, 1);
        QCOMPARE(list->pageCount, 2);
        QCOMPARE(list->previewImage.size(), QSize(2550, 3300));  // 300 dpi
        const QImage first = list->previewImage.toImage();
        QVERIFY(inkShare(first) > 0.002);
        QCOMPARE(first.pixel(5, 5), qRgb(255, 255, 255));
        QTRY_VERIFY(!list->redrawPending);
        QVERIFY(inkShare(canvasImage(w.get())) > 0.001);

        // Paging stays in the document.
        button(w.get(), "pushButton_2")->click();
        QCOMPARE(list->currentPage, 1);
        button(w.get(), "pushButton")->click();
        QCOMPARE(list->currentPage, 2);
        QVERIFY(list->fitPending);
        QVERIFY(list->previewImage.toImage() != first && inkShare(list->previewImage.toImage()) > 0.001);
        button(w.get(), "pushButton")->click();
        QCOMPARE(list->currentPage, 2);
        // The preview leaves no documents behind in the engine.
        QCOMPARE(w->feature()->engine->DocumentCount(), documentsBefore);
    }
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
