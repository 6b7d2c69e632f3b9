// The main window: arrangement of every layout variant, header texts and
// colours, window title, drag and drop, the single-file pick, starting runs,
// the branding shortcuts.

#include "brandingrecord.h"
#include "featurebase.h"
#include "mainwindow.h"
#include "photolist.h"
#include "questions.h"
#include "shellsupport.h"
#include "testsupport.h"
#include "tooltable.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace testsupport;

namespace {

// The window with its drag and drop handlers callable from the test.
class OpenWindow : public MainWindow
{
public:
    using MainWindow::MainWindow;
    using MainWindow::dragEnterEvent;
    using MainWindow::dropEvent;
};

QMimeData* urlData(const QList<QUrl>& urls)
{
    auto* data = new QMimeData;
    data->setUrls(urls);
    QStringList lines;
    for (const QUrl& u : urls)
        lines << u.toString();
    data->setText(lines.join('\n'));
    return data;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    CustomFileNames names;
    ScriptedQuestions noDialogs;  // nothing here may open a real chooser

    std::unique_ptr<OpenWindow> window(int brand, int tool) { return shownWindow<OpenWindow>(names, brand, tool); }
    template <class T = QWidget>
    static T* child(MainWindow* w, const char* name) { return windowChild<T>(w, name); }

    QList<QUrl> makePdfs(int n, const QString& stem = "doc")
    {
        QList<QUrl> urls;
        for (int i = 1; i <= n; ++i) {
            const QString path = dir.filePath(QString("%1%2.pdf").arg(stem).arg(i));
            writeTextPdf(path, {QString("page of %1").arg(i)});
            urls << QUrl::fromLocalFile(path);
        }
        return urls;
    }

    static void drop(OpenWindow* w, QMimeData* data)
    {
        QDropEvent event(QPointF(300, 300), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        w->dropEvent(&event);
        delete data;
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        names.directory = dir.path();
        noDialogs.installed();
        QVERIFY(writeIcon(dir.filePath("Icon.ico"), QColor(30, 90, 200)));
    }

    // Every tool of the table opens as itself: a page of its own class (none
    // of another tool's), its list where it can be used (or "Select File" for
    // a single-file tool), page turning only where there are pages to turn,
    // and nothing that covers anything else.
    void everyToolOpensAsItself()
    {
        QSet<QString> classes;
        for (const ToolRow& row : toolTable()) {
            const QString tool = row.storedName();
            auto w = window(1, row.number());
            MainWindow* m = w.get();
            const QString page = m->feature()->metaObject()->className();
            QVERIFY2(row.create ? !classes.contains(page) && page != "FeatureBase" : page == "FeatureBase", qPrintable(tool));
            classes << page;
            QCOMPARE(m->windowTitle(), QString("Folioforge - %1 1").arg(row.name));

            const bool single = row.count == ToolRow::Count::SingleFile;
            QCOMPARE(m->photoList()->isVisible(), !single);
            QCOMPARE(child(m, "pushButton_5")->isVisible(), single);
            QCOMPARE(child(m, "pushButton")->isVisible() && child(m, "pushButton_2")->isVisible(), row.preview == ToolRow::Preview::PdfPage);
            // A run can be started: from "Process", or from the page itself where it carries the whole tool.
            QVERIFY(child(m, "pushButton_Default")->isVisible() || !child(m, "widget_3")->isAncestorOf(m->feature()));

            QList<QWidget*> shown{child(m, "widget_8"), m->feature(), m->photoList(), child(m, "pushButton_Default"), child(m, "pushButton_5")};
            QList<QRect> areas;
            for (QWidget* widget : shown) {
                if (!widget->isVisible())
                    continue;
                const QRect area(widget->mapTo(m, QPoint(0, 0)), widget->size());
                QVERIFY2(area.width() >= 100 && area.height() >= 30 && m->rect().contains(area), qPrintable(tool + " " + widget->objectName()));
                for (const QRect& other : qAsConst(areas))
                    QVERIFY2(!area.intersects(other), qPrintable(tool + " " + widget->objectName()));
                areas << area;
            }
        }
    }

    void toolPageHeightFollowsTheWindow()
    {
        for (int tool : {8, 15}) {
            auto w = window(1, tool);
            auto* host = child(w.get(), "widget_2");
            auto* process = child(w.get(), "widget_4");
            for (int height : {760, 700, 900}) {
                w->QMainWindow::resize(1100, height);
                // The page fills the column and ends just above "Process".
                QTRY_VERIFY2(qAbs(host->geometry().bottom() + 10 - process->y()) <= 3, qPrintable(QString("tool %1 height %2").arg(tool).arg(height)));
                QCOMPARE(host->minimumHeight(), host->maximumHeight());
                QCOMPARE(w->feature()->maximumHeight(), host->height());
                QVERIFY(process->geometry().bottom() < child(w.get(), "widget_3")->height());
            }
        }
    }

    void headerTextsTitleAndColours()
    {
        auto w = window(1, 12);
        QCOMPARE(child<QLabel>(w.get(), "Title")->text(), "Folioforge");
        QCOMPARE(child<QLabel>(w.get(), "Title_2")->text(), "PDF Page Remover");
        QCOMPARE(child<QPushButton>(w.get(), "pushButton_Default_1")->text(), "Folioforge Home Page");
        QCOMPARE(child<QPushButton>(w.get(), "pushButton_Default_2")->text(), "PDF Page Remover On The Web");

        // The web buttons follow the window's right edge.
        QWidget* web = child(w.get(), "widget_9");
        QCOMPARE(web->x() + web->width(), w->width());
        w->QMainWindow::resize(1200, 760);
        QTRY_COMPARE(web->x() + web->width(), 1200);

        // The theme colour of the icon and its lighter step, on the merger's section header too.
        w = window(1, 1);
        const auto colour = [](QWidget* widget) { return widget->palette().color(QPalette::Window).rgb(); };
        auto* section = w->feature()->findChild<QLabel*>("label_2");
        for (QWidget* filled : {child(w.get(), "widget"), child(w.get(), "widget_7"), static_cast<QWidget*>(section)})
            QVERIFY(filled->autoFillBackground());
        QCOMPARE(colour(child(w.get(), "widget")), qRgb(30, 90, 200));
        QCOMPARE(colour(child(w.get(), "widget_7")), qRgb(110, 170, 255));
        QCOMPARE(colour(section), qRgb(110, 170, 255));
        QCOMPARE(w->feature()->headerPalette.color(QPalette::Window).rgb(), qRgb(110, 170, 255));
        QVERIFY(!child<QLabel>(w.get(), "ico")->palette().brush(QPalette::Window).textureImage().isNull());
        QVERIFY(w->styleSheet().contains("rgb(30,90,200)"));
        QCOMPARE(w->feature()->styleSheet(), w->styleSheet());
    }

    void noBrandingShowsAnUnnamedMerger()
    {
        for (int brand : {-1, 2}) {
            auto w = window(brand, 1);
            QCOMPARE(w->feature()->metaObject()->className(), "PDF_Merger");
            QCOMPARE(child<QLabel>(w.get(), "Title")->text(), QString());
            QCOMPARE(child<QPushButton>(w.get(), "pushButton_Default_1")->text(), " Home Page");
            QCOMPARE(child<QPushButton>(w.get(), "pushButton_Default_2")->text(), " On The Web");
            QCOMPARE(w->windowTitle(), " -  0");
            QCOMPARE(w->photoList()->parentWidget(), child(w.get(), "List_1"));
        }
    }

    void dragNeedsUrlsAndText()
    {
        auto w = window(1, 1);
        const auto accepted = [&w](QMimeData* data) {
            QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            enter.setAccepted(false);
            w->dragEnterEvent(&enter);
            delete data;
            return enter.isAccepted();
        };
        QVERIFY(accepted(urlData(makePdfs(1))));
        auto* textOnly = new QMimeData;
        textOnly->setText("/tmp/a.pdf");
        QVERIFY(!accepted(textOnly));
        QVERIFY(!accepted(new QMimeData));
    }

    void dropping_data()
    {
        QTest::addColumn<int>("tool");
        QTest::newRow("list mode appends") << 1;
        QTest::newRow("single-file mode keeps the last file") << 2;
    }

    void dropping()
    {
        QFETCH(int, tool);
        auto w = window(1, tool);
        const QList<QUrl> pdfs = makePdfs(3);
        QStringList expected;
        for (const QUrl& url : tool == 1 ? pdfs : pdfs.mid(2))
            expected << url.toLocalFile();
        // Paths that are empty or not local files add nothing.
        drop(w.get(), urlData(pdfs + QList<QUrl>{QUrl(), QUrl("https://example.org/x.pdf")}));
        drop(w.get(), urlData({QUrl(), QUrl("ftp://example.org/z.pdf")}));
        QCOMPARE(w->photoList()->files, expected);
        QCOMPARE(w->photoList()->listWidget()->count(), expected.size());
        QCOMPARE(w->photoList()->selectedRow(), tool == 1 ? -1 : 0);
        QCOMPARE(w->photoList()->currentPage, tool == 1 ? 0 : 1);
    }

    void selectFilePick()
    {
        auto w = window(1, 2);
        ScriptedQuestions script;
        script.installed();
        const QString pdf = makePdfs(1, "picked").first().toLocalFile();
        w->photoList()->addFile(pdf);
        script.queue(Question::OpenFileName, QString());
        child<QPushButton>(w.get(), "pushButton_5")->click();
        QVERIFY(w->photoList()->files.isEmpty());  // cleared even when cancelled
        QCOMPARE(w->photoList()->listWidget()->count(), 0);
        QCOMPARE(script.asked().first().filter, "PDF files(*.PDF)");
        script.queue(Question::OpenFileName, pdf);
        child<QPushButton>(w.get(), "pushButton_5")->click();
        QCOMPARE(w->photoList()->files, QStringList{pdf});
        QCOMPARE(w->photoList()->selectedRow(), 0);
        QCOMPARE(w->photoList()->currentPage, 1);
        QVERIFY(script.mismatches().isEmpty());
    }

    void processStartsARunWithTheListsPaths()
    {
        auto w = window(1, 1);
        ScriptedQuestions script;
        script.installed();
        for (const QUrl& url : makePdfs(2, "run"))
            w->photoList()->addFile(url.toLocalFile());
        script.queue(Question::SaveFileName, QString());  // the merger asks, the user cancels
        child<QPushButton>(w.get(), "pushButton_Default")->click();
        QCOMPARE(script.count(Question::SaveFileName), 1);
        // The page asks for a run through its flag; the window's timer starts it.
        script.queue(Question::SaveFileName, QString());
        w->feature()->processRequest = true;
        QTRY_COMPARE(script.count(Question::SaveFileName), 2);
        QVERIFY(!w->feature()->processRequest);
        QTRY_COMPARE(w->feature()->fileCount, 2);
    }

    void markerFileAndBrandingShortcuts()
    {
        auto w = window(1, 1);
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QVERIFY(QFileInfo::exists(QDir(folder).filePath(QGuiApplication::applicationDisplayName())));

        // Ctrl+D shows the icon's file, theme colour and size.
        const QString text = MainWindow::iconDiagnostic(names), icon = dir.filePath("Icon.ico");
        const QStringList parts = text.mid(icon.size()).split(',');
        QVERIFY(text.startsWith(icon) && parts.size() == 3);
        QCOMPARE(parts[0].toUInt(), uint(qRgb(30, 90, 200)));
        QCOMPARE(parts[2].toLongLong(), QFileInfo(icon).size());
        QString shown;
        whenShown<QMessageBox>([&shown](QMessageBox* box) { shown = box->text(), box->accept(); });
        QTest::keyClick(w.get(), Qt::Key_D, Qt::ControlModifier);
        QTRY_COMPARE(shown, text);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
