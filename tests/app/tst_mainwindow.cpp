// The main window: arrangement of every layout variant, header texts and
// colours, window title, drag and drop, the single-file pick, starting runs,
// the branding shortcuts.

#include "brandingrecord.h"
#include "featurebase.h"
#include "mainwindow.h"
#include "photolist.h"
#include "questions.h"
#include "shellsupport.h"
#include "pdfbuild.h"
#include "testsupport.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

#include <memory>

namespace {

struct Cell
{
    int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
    bool operator==(const Cell& o) const
    {
        return row == o.row && column == o.column && rowSpan == o.rowSpan && columnSpan == o.columnSpan;
    }
};

char* toString(const Cell& c)
{
    return QTest::toString(QStringLiteral("(%1,%2,%3,%4)").arg(c.row).arg(c.column).arg(c.rowSpan).arg(c.columnSpan));
}

// The window with its drag and drop handlers callable from the test.
class OpenWindow : public MainWindow
{
public:
    using MainWindow::MainWindow;
    using MainWindow::dragEnterEvent;
    using MainWindow::dropEvent;
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    CustomFileNames names;
    ScriptedQuestions noDialogs; // nothing here may open a real chooser

    std::unique_ptr<OpenWindow> window(int brand, int tool, bool show = true)
    {
        if (brand >= 0)
            writeBrandingFile(names.dataFilePath(), brand, tool);
        else
            QFile::remove(names.dataFilePath());
        auto w = std::make_unique<OpenWindow>(nullptr, names);
        if (show) {
            w->show();
            QTest::qWaitForWindowExposed(w.get());
        }
        return w;
    }

    // A widget or layout of the window's own form (the file list and the
    // tool page have forms of their own with the same designer names).
    template <class T = QWidget>
    static T* child(MainWindow* w, const char* name)
    {
        T* c = ownChild<T>(w, QLatin1String(name), {w->photoList(), w->feature()});
        if (!c)
            qWarning() << "no widget" << name;
        return c;
    }

    static Cell cellOf(MainWindow* w, const char* name)
    {
        auto* grid = child<QGridLayout>(w, "gridLayout");
        Cell c;
        const int index = grid->indexOf(child(w, name));
        if (index >= 0)
            grid->getItemPosition(index, &c.row, &c.column, &c.rowSpan, &c.columnSpan);
        return c;
    }

    static QWidget* placeOfList(MainWindow* w)
    {
        return w->photoList()->parentWidget();
    }

    QStringList makePdfs(int n, const QString& stem = QStringLiteral("doc"))
    {
        QStringList paths;
        for (int i = 0; i < n; ++i) {
            const QString path = dir.filePath(QStringLiteral("%1%2.pdf").arg(stem).arg(i + 1));
            writeTextPdf(path, {QStringLiteral("page of %1").arg(i + 1)});
            paths << path;
        }
        return paths;
    }

    static QMimeData* urlData(const QList<QUrl>& urls, bool withText = true)
    {
        auto* data = new QMimeData;
        data->setUrls(urls);
        if (withText) {
            QStringList lines;
            for (const QUrl& u : urls)
                lines << u.toString();
            data->setText(lines.join(QLatin1Char('\n')));
        }
        return data;
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
        QVERIFY(dir.isValid());
        names.directory = dir.path();
        noDialogs.installed();
        QVERIFY(writeIcon(dir.filePath(QStringLiteral("Icon.ico")), QColor(30, 90, 200)));
    }

    void arrangementOfEveryVariant_data()
    {
        QTest::addColumn<int>("tool");
        QTest::addColumn<int>("variant");
        for (int t = 1; t <= 15; ++t) {
            CustomFileNames n;
            n.directory = QStringLiteral("/nonexistent");
            QTest::addRow("tool %d", t) << t << makeBrandingRecord(n, 1, t, false).layoutVariant;
        }
    }

    void arrangementOfEveryVariant()
    {
        QFETCH(int, tool);
        QFETCH(int, variant);
        auto w = window(1, tool);
        MainWindow* m = w.get();
        const auto visible = [m](const char* name) { return child(m, name)->isVisible(); };
        QWidget* page = m->feature();
        QVERIFY(page->isVisible());

        switch (variant) {
        case 0:
            QVERIFY(!visible("List_2") && !visible("List_3") && visible("List_1"));
            QCOMPARE(placeOfList(m), child(m, "List_1"));
            QCOMPARE(cellOf(m, "Preview"), (Cell{4, 1, 2, 2}));
            QCOMPARE(cellOf(m, "widget_3"), (Cell{4, 3, 2, 1}));
            QCOMPARE(page->parentWidget(), child(m, "widget_2"));
            break;
        case 1:
            QVERIFY(!visible("List_1") && !visible("List_3") && visible("List_2"));
            QCOMPARE(placeOfList(m), child(m, "List_2"));
            QCOMPARE(cellOf(m, "Preview"), (Cell{4, 0, 4, 3}));
            QCOMPARE(cellOf(m, "widget_3"), (Cell{4, 3, 4, 1}));
            QCOMPARE(m->photoList()->listWidget()->flow(), QListView::TopToBottom);
            QCOMPARE(page->parentWidget(), child(m, "widget_2"));
            break;
        case 2:
            QVERIFY(!visible("List_1") && !visible("List_2") && visible("List_3"));
            QCOMPARE(placeOfList(m), child(m, "List_3"));
            QCOMPARE(cellOf(m, "Preview"), (Cell{3, 0, 3, 3}));
            QCOMPARE(m->photoList()->listWidget()->flow(), QListView::TopToBottom);
            QCOMPARE(page->parentWidget(), child(m, "widget_2"));
            break;
        case 3:
            QVERIFY(!visible("List_1") && !visible("List_2") && !visible("List_3"));
            QVERIFY(!m->photoList()->isVisible());
            QCOMPARE(cellOf(m, "Preview"), (Cell{4, 0, 4, 3}));
            QCOMPARE(cellOf(m, "widget_3"), (Cell{4, 3, 4, 1}));
            QVERIFY(visible("pushButton_5"));
            QCOMPARE(page->parentWidget(), child(m, "widget_2"));
            break;
        case 5:
            QVERIFY(!visible("List_2") && visible("List_1") && visible("List_3"));
            QCOMPARE(placeOfList(m), child(m, "List_1"));
            QCOMPARE(cellOf(m, "List_1"), (Cell{2, 0, 5, 1}));
            QCOMPARE(cellOf(m, "Preview"), (Cell{3, 1, 3, 3}));
            QCOMPARE(cellOf(m, "widget_3"), Cell{});
            QCOMPARE(cellOf(m, "List_3"), (Cell{6, 1, 1, 3}));
            QCOMPARE(page->parentWidget(), child(m, "List_3"));
            break;
        case 6:
            QVERIFY(!visible("List_1") && visible("List_2") && visible("List_3"));
            QCOMPARE(cellOf(m, "List_1"), Cell{});
            QCOMPARE(cellOf(m, "Preview"), (Cell{4, 0, 4, 4}));
            QCOMPARE(cellOf(m, "widget_3"), Cell{});
            QCOMPARE(placeOfList(m), child(m, "List_2"));
            QCOMPARE(m->photoList()->listWidget()->flow(), QListView::TopToBottom);
            QCOMPARE(cellOf(m, "List_3"), (Cell{8, 0, 1, 4}));
            QCOMPARE(page->parentWidget(), child(m, "List_3"));
            break;
        default:
            QFAIL("unexpected variant");
        }
        // The side column with "Process" exists except where the page carries the whole tool.
        QCOMPARE(visible("pushButton_Default"), variant != 5 && variant != 6);
        QCOMPARE(visible("pushButton_5"), variant == 3);
        const bool paging = tool != 5 && tool != 12 && tool != 15;
        QCOMPARE(visible("pushButton") && visible("pushButton_2"), paging);
        QVERIFY(visible("Preview"));
    }

    void toolPageHeightFollowsTheWindow()
    {
        for (int tool : {8, 12, 13, 15}) {
            auto w = window(1, tool);
            auto* host = child(w.get(), "widget_2");
            auto* process = child(w.get(), "widget_4");
            for (int height : {760, 700, 900, 760}) {
                w->QMainWindow::resize(1100, height);
                // The page fills the column and ends just above "Process".
                QTRY_VERIFY2(qAbs(host->geometry().bottom() + 10 - process->y()) <= 3, qPrintable(QStringLiteral("tool %1 height %2: page %3..%4, process at %5, column %6").arg(tool).arg(height).arg(host->y()).arg(host->geometry().bottom()).arg(process->y()).arg(child(w.get(), "widget_3")->height())));
                QCOMPARE(host->minimumHeight(), host->maximumHeight());
                QCOMPARE(w->feature()->maximumHeight(), host->height());
                QVERIFY(process->geometry().bottom() < child(w.get(), "widget_3")->height());
            }
        }
    }

    void headerTextsAndTitle()
    {
        auto w = window(1, 12);
        QCOMPARE(child<QLabel>(w.get(), "Title")->text(), QStringLiteral("Folioforge"));
        QCOMPARE(child<QLabel>(w.get(), "Title_2")->text(), QStringLiteral("PDF Page Remover"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Folioforge - PDF Page Remover 1"));
        QCOMPARE(child<QPushButton>(w.get(), "pushButton_Default_1")->text(), QStringLiteral("Folioforge Home Page"));
        QCOMPARE(child<QPushButton>(w.get(), "pushButton_Default_2")->text(), QStringLiteral("PDF Page Remover On The Web"));

        // Header geometry: icon at the left, titles beside it, web buttons at the right edge.
        auto* ico = child(w.get(), "ico");
        auto* title = child(w.get(), "Title");
        auto* title2 = child(w.get(), "Title_2");
        auto* web = child(w.get(), "widget_9");
        QCOMPARE(ico->x(), 20);
        QCOMPARE(title->x(), ico->x() + ico->width() + 10);
        QCOMPARE(title->y(), ico->y());
        QCOMPARE(title2->x(), title->x());
        QCOMPARE(title2->y() + title2->height(), ico->y() + ico->height());
        QCOMPARE(web->x() + web->width(), w->width());
        w->QMainWindow::resize(1200, 760);
        QTRY_COMPARE(web->x() + web->width(), 1200);
    }

    void noBrandingShowsAnUnnamedMerger()
    {
        for (int brand : {-1, 2}) {
            auto w = window(brand, 1);
            QCOMPARE(w->feature()->metaObject()->className(), "PDF_Merger");
            QCOMPARE(child<QLabel>(w.get(), "Title")->text(), QString());
            QCOMPARE(child<QPushButton>(w.get(), "pushButton_Default_1")->text(), QStringLiteral(" Home Page"));
            QCOMPARE(child<QPushButton>(w.get(), "pushButton_Default_2")->text(), QStringLiteral(" On The Web"));
            QCOMPARE(w->windowTitle(), QStringLiteral(" -  0"));
            QCOMPARE(placeOfList(w.get()), child(w.get(), "List_1"));
        }
    }

    void headerColours()
    {
        auto w = window(1, 1);
        const auto windowColour = [](QWidget* widget) { return widget->palette().color(QPalette::Window).rgb(); };
        auto* header = child(w.get(), "widget");
        auto* bar = child(w.get(), "widget_7");
        QVERIFY(header->autoFillBackground() && bar->autoFillBackground());
        QCOMPARE(windowColour(header), qRgb(30, 90, 200));
        QCOMPARE(windowColour(bar), qRgb(110, 170, 255));
        QCOMPARE(w->feature()->headerPalette.color(QPalette::Window).rgb(), qRgb(110, 170, 255));
        auto* section = w->feature()->findChild<QLabel*>(QStringLiteral("label_2"));
        QVERIFY(section->autoFillBackground());
        QCOMPARE(windowColour(section), qRgb(110, 170, 255));
        QVERIFY(!child<QLabel>(w.get(), "ico")->palette().brush(QPalette::Window).textureImage().isNull());
        QVERIFY(w->styleSheet().contains(QStringLiteral("rgb(30,90,200)")));
        QCOMPARE(w->feature()->styleSheet(), w->styleSheet());
        QVERIFY(child<QLabel>(w.get(), "Title")->graphicsEffect());
        QVERIFY(child<QLabel>(w.get(), "Title_2")->graphicsEffect());
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
        const QUrl url = QUrl::fromLocalFile(makePdfs(1).first());
        QVERIFY(accepted(urlData({url})));
        // Qt reads a URL list as text too, so file managers that send only
        // the list are served.
        QVERIFY(accepted(urlData({url}, false)));
        auto* textOnly = new QMimeData;
        textOnly->setText(QStringLiteral("/tmp/a.pdf"));
        QVERIFY(!accepted(textOnly));
        auto* imageOnly = new QMimeData;
        imageOnly->setImageData(QImage(4, 4, QImage::Format_RGB32));
        QVERIFY(!accepted(imageOnly));
        QVERIFY(!accepted(new QMimeData));
    }

    void dropAppendsInListMode()
    {
        auto w = window(1, 1);
        const QStringList pdfs = makePdfs(3);
        QList<QUrl> urls;
        for (const QString& p : pdfs)
            urls << QUrl::fromLocalFile(p);
        // Paths that are empty or not local files add nothing.
        urls << QUrl() << QUrl(QStringLiteral("https://example.org/x.pdf"));
        drop(w.get(), urlData(urls));
        QCOMPARE(w->photoList()->files, pdfs);
        QCOMPARE(w->photoList()->listWidget()->count(), 3);
        QCOMPARE(w->photoList()->selectedRow(), -1);
        QCOMPARE(w->photoList()->currentPage, 0);
        drop(w.get(), urlData({QUrl(QStringLiteral("https://example.org/y.pdf"))}));
        QCOMPARE(w->photoList()->files.size(), 3);
    }

    void dropKeepsOnlyTheLastFileInSingleFileMode()
    {
        auto w = window(1, 2);
        const QStringList pdfs = makePdfs(3, QStringLiteral("single"));
        QList<QUrl> urls;
        for (const QString& p : pdfs)
            urls << QUrl::fromLocalFile(p);
        drop(w.get(), urlData(urls));
        QCOMPARE(w->photoList()->files, QStringList{pdfs.last()});
        QCOMPARE(w->photoList()->selectedRow(), 0);
        QCOMPARE(w->photoList()->currentPage, 1);
        drop(w.get(), urlData({QUrl(), QUrl(QStringLiteral("ftp://example.org/z.pdf"))}));
        QCOMPARE(w->photoList()->files, QStringList{pdfs.last()});
    }

    void selectFilePick()
    {
        auto w = window(1, 2);
        ScriptedQuestions script;
        script.installed();
        const QString pdf = makePdfs(1, QStringLiteral("picked")).first();
        w->photoList()->addFile(pdf);
        script.queue(Question::OpenFileName, QString());
        child<QPushButton>(w.get(), "pushButton_5")->click();
        QVERIFY(w->photoList()->files.isEmpty()); // cleared even when cancelled
        QCOMPARE(w->photoList()->listWidget()->count(), 0);
        QCOMPARE(script.asked().first().filter, QStringLiteral("PDF files(*.PDF)"));

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
        const QStringList pdfs = makePdfs(2, QStringLiteral("run"));
        for (const QString& p : pdfs)
            w->photoList()->addFile(p);
        script.queue(Question::SaveFileName, QString()); // the merger asks, the user cancels
        child<QPushButton>(w.get(), "pushButton_Default")->click();
        QCOMPARE(script.count(Question::SaveFileName), 1);

        // The page asks for a run through its flag; the window's timer starts it.
        script.queue(Question::SaveFileName, QString());
        w->feature()->processRequest = true;
        QTRY_COMPARE(script.count(Question::SaveFileName), 2);
        QVERIFY(!w->feature()->processRequest);
        QTRY_COMPARE(w->feature()->fileCount, 2);
    }

    void userMarkerFileExists()
    {
        auto w = window(1, 1, false);
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QVERIFY(QFileInfo::exists(QDir(folder).filePath(QGuiApplication::applicationDisplayName())));
    }

    void iconDiagnostic()
    {
        const QString text = MainWindow::iconDiagnostic(names);
        const QString icon = dir.filePath(QStringLiteral("Icon.ico"));
        QVERIFY(text.startsWith(icon));
        const QStringList parts = text.mid(icon.size()).split(QLatin1Char(','));
        QCOMPARE(parts.size(), 3);
        QCOMPARE(parts.at(0).toUInt(), uint(qRgb(30, 90, 200)));
        QCOMPARE(parts.at(2).toLongLong(), QFileInfo(icon).size());

        // Ctrl+D shows it in a message box.
        auto w = window(1, 1);
        QString shown;
        whenShown<QMessageBox>([&shown](QMessageBox* box) {
            shown = box->text();
            box->accept();
        });
        QTest::keyClick(w.get(), Qt::Key_D, Qt::ControlModifier);
        QTRY_COMPARE(shown, text);
    }

    void writerDialogOpensOnCtrlO()
    {
        auto w = window(1, 1);
        QTest::keyClick(w.get(), Qt::Key_O, Qt::ControlModifier);
        QDialog* found = nullptr;
        QTRY_VERIFY((found = [] {
                         for (QWidget* top : QApplication::topLevelWidgets())
                             if (top->inherits("DialogWriteCustomverFile") && top->isVisible())
                                 return qobject_cast<QDialog*>(top);
                         return static_cast<QDialog*>(nullptr);
                     }()));
        QVERIFY(!found->isModal());
        QVERIFY(!found->parentWidget());
        found->close();
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
