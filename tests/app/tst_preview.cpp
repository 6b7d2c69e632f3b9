// The page preview: zoom steps and limits, fitting, panning, page navigation,
// the "No Preview Available" picture, and real renders of a real PDF.

#include "featurebase.h"
#include "mainwindow.h"
#include "pdfengine.h"
#include "photolist.h"
#include "questions.h"
#include "shellsupport.h"
#include "pdfbuild.h"
#include "testsupport.h"

#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

#include <memory>

namespace {

// Share of pixels of an image that are clearly not white.
double inkShare(const QImage& image)
{
    if (image.isNull())
        return 0;
    const QImage small = image.scaled(200, 200, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    int ink = 0;
    for (int y = 0; y < small.height(); ++y)
        for (int x = 0; x < small.width(); ++x)
            ink += qGray(small.pixel(x, y)) < 160;
    return ink / double(small.width() * small.height());
}

// First column (from the left) of the canvas that is not white.
int firstInkColumn(const QImage& canvas)
{
    for (int x = 0; x < canvas.width(); ++x)
        for (int y = 0; y < canvas.height(); ++y)
            if (qGray(canvas.pixel(x, y)) < 128)
                return x;
    return -1;
}

int firstInkRow(const QImage& canvas)
{
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (qGray(canvas.pixel(x, y)) < 128)
                return y;
    return -1;
}

} // namespace

class TestPreview : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    CustomFileNames names;
    ScriptedQuestions noDialogs; // nothing here may open a real dialog

    std::unique_ptr<MainWindow> window(int brand = 1, int tool = 1)
    {
        writeBrandingFile(names.dataFilePath(), brand, tool);
        auto w = std::make_unique<MainWindow>(nullptr, names);
        w->show();
        QTest::qWaitForWindowExposed(w.get());
        return w;
    }

    template <class T = QWidget>
    static T* child(MainWindow* w, const char* name)
    {
        return ownChild<T>(w, QLatin1String(name), {w->photoList(), w->feature()});
    }

    static QWidget* canvas(MainWindow* w)
    {
        return child(w, "widget_8");
    }

    static QImage canvasImage(MainWindow* w)
    {
        return canvas(w)->palette().brush(QPalette::Window).texture().toImage();
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(dir.isValid());
        names.directory = dir.path();
        noDialogs.installed();
    }

    void zoomSteps()
    {
        auto w = window();
        PhotoList* list = w->photoList();
        list->zoom = 1.0;
        list->zoomIn();
        QVERIFY(qAbs(list->zoom - 0.95) < 1e-6);
        QVERIFY(list->redrawPending);
        list->zoomOut();
        list->zoomOut();
        QVERIFY(qAbs(list->zoom - 1.05) < 1e-6);

        list->zoom = 50 + 0.05f; // the largest value
        list->zoomOut();
        QCOMPARE(list->zoom, double(50 + 0.05f));
        list->zoom = 0.1 - 0.05f; // the smallest value
        list->zoomIn();
        QCOMPARE(list->zoom, 0.1 - double(0.05f));
        list->zoomOut();
        QVERIFY(qAbs(list->zoom - 0.15) < 1e-6);
        for (int i = 0; i < 2000; ++i)
            list->zoomOut();
        QVERIFY(list->zoom <= 50.05 + 1e-6 && list->zoom >= 49.95);
        for (int i = 0; i < 2000; ++i)
            list->zoomIn();
        QVERIFY(list->zoom >= 0.05 - 1e-6 && list->zoom <= 0.1);
    }

    void fitAndPan()
    {
        auto w = window();
        PhotoList* list = w->photoList();
        canvas(w.get())->setFixedSize(600, 400);
        QTRY_COMPARE(canvas(w.get())->size(), QSize(600, 400));

        QPixmap page(612, 792);
        page.fill(Qt::black);
        list->previewImage = page;
        QCOMPARE(w->fitZoom(), 1.98);
        QPixmap wide(800, 100);
        list->previewImage = wide;
        QCOMPARE(w->fitZoom(), 800.0 / 600.0);
        list->previewImage = QPixmap();
        QCOMPARE(w->fitZoom(), 1.0);

        // Fitted and centred: 612/1.98 = 309 wide, centred in 600.
        list->previewImage = page;
        list->fitPending = list->redrawPending = true;
        QTRY_VERIFY(!list->redrawPending);
        QCOMPARE(list->zoom, 1.98);
        QImage shown = canvasImage(w.get());
        QCOMPARE(shown.size(), QSize(600, 400));
        const int left = firstInkColumn(shown);
        QVERIFY(qAbs(left - 145) <= 1);
        QCOMPARE(firstInkRow(shown), 0);

        // A drag of (+40, -10) moves the page after the release.
        QWidget* c = canvas(w.get());
        QTest::mousePress(c, Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseRelease(c, Qt::LeftButton, {}, QPoint(140, 90));
        QCOMPARE(w->panX, 40.0);
        QCOMPARE(w->panY, -10.0);
        shown = canvasImage(w.get());
        QVERIFY(qAbs(firstInkColumn(shown) - (left + 40)) <= 1);
        // A release without a press moves nothing.
        QTest::mouseRelease(c, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(w->panX, 40.0);

        // The next zoom step centres it again.
        list->zoomIn();
        QTRY_VERIFY(!list->redrawPending);
        QCOMPARE(w->panX, 0.0);
        QCOMPARE(w->panY, 0.0);
    }

    void navigationStaysInTheDocument()
    {
        auto w = window();
        PhotoList* list = w->photoList();
        list->pageCount = 3;
        list->currentPage = 3;
        child<QPushButton>(w.get(), "pushButton")->click();
        QCOMPARE(list->currentPage, 3);
        list->currentPage = 1;
        child<QPushButton>(w.get(), "pushButton_2")->click();
        QCOMPARE(list->currentPage, 1);
        child<QPushButton>(w.get(), "pushButton")->click();
        QCOMPARE(list->currentPage, 2);
        QVERIFY(list->fitPending);
    }

    void noPreviewPicture()
    {
        const QPixmap small = PhotoList::noPreviewImage(72);
        QCOMPARE(small.size(), QSize(100, 100));
        // The words fit: the edges stay white.
        const QImage smallImage = small.toImage();
        QVERIFY(inkShare(smallImage) > 0.001);
        for (int y = 0; y < 100; ++y) {
            QCOMPARE(qGray(smallImage.pixel(0, y)), 255);
            QCOMPARE(qGray(smallImage.pixel(99, y)), 255);
        }
        const QPixmap large = PhotoList::noPreviewImage(300);
        QCOMPARE(large.size(), QSize(600, 600));
        QVERIFY(inkShare(large.toImage()) > 0.001);
        QCOMPARE(large.toImage().pixel(0, 0), qRgb(255, 255, 255));

        // A file the engine cannot open shows it, in the list and the preview.
        auto w = window();
        const QString junk = dir.filePath(QStringLiteral("junk.pdf"));
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("%PDF-1.4 this is not a document");
        f.close();
        w->photoList()->addFile(junk);
        w->photoList()->listWidget()->item(0)->setSelected(true);
        w->photoList()->on_listWidget_itemClicked(nullptr);
        QCOMPARE(w->photoList()->previewImage.size(), QSize(600, 600));
        QCOMPARE(w->photoList()->pageCount, 0);
    }

    void pageWithoutEngineShowsNothing()
    {
        auto w = window(2, 1);
        const QString pdf = dir.filePath(QStringLiteral("noengine.pdf"));
        writeTextPdf(pdf, {QStringLiteral("x")});
        w->photoList()->addFile(pdf);
        w->photoList()->listWidget()->item(0)->setSelected(true);
        w->photoList()->on_listWidget_itemClicked(nullptr);
        QVERIFY(w->photoList()->previewImage.isNull());
        QCOMPARE(w->photoList()->pageCount, 0);
        QVERIFY(!w->feature()->hasEngine());
    }

    void realPreviewOfARealPdf()
    {
        auto w = window();
        PhotoList* list = w->photoList();
        const QString pdf = dir.filePath(QStringLiteral("real.pdf"));
        QVERIFY(writeTextPdf(pdf, {QStringLiteral("FIRST PAGE"), QStringLiteral("SECOND")}));
        list->addFile(pdf);
        const QPixmap thumbnail = list->listWidget()->item(0)->icon().pixmap(612, 792);
        QVERIFY(!thumbnail.isNull());
        QCOMPARE(thumbnail.size(), QSize(612, 792)); // 72 dpi, page 1
        const int documentsBefore = w->feature()->engine->DocumentCount();

        list->listWidget()->item(0)->setSelected(true);
        list->on_listWidget_itemClicked(list->listWidget()->item(0));
        QCOMPARE(list->currentPage, 1);
        QCOMPARE(list->pageCount, 2);
        QCOMPARE(list->previewImage.size(), QSize(2550, 3300)); // 300 dpi
        const QImage first = list->previewImage.toImage();
        QVERIFY(inkShare(first) > 0.002);
        QCOMPARE(first.pixel(5, 5), qRgb(255, 255, 255));

        QTRY_VERIFY(!list->redrawPending);
        QVERIFY(inkShare(canvasImage(w.get())) > 0.001);

        child<QPushButton>(w.get(), "pushButton")->click();
        QCOMPARE(list->currentPage, 2);
        QVERIFY(list->previewImage.toImage() != first);
        QVERIFY(inkShare(list->previewImage.toImage()) > 0.001);
        child<QPushButton>(w.get(), "pushButton")->click();
        QCOMPARE(list->currentPage, 2);
        // The preview leaves no documents behind in the engine.
        QCOMPARE(w->feature()->engine->DocumentCount(), documentsBefore);
    }
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
