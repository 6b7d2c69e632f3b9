// The PDF page remover on real PDFs, read back with pdftotext and qpdf:
// single and bulk removals, removals that would leave no page, "Page n"
// labels after removals, protected, damaged and new selections, saving over
// the input with its own thumbnails drawn, a dropped file. (How the
// thumbnails fill in the background: tst_featurebase.)

#include "brandingrecord.h"
#include "folioconstants.h"
#include "mainwindow.h"
#include "pdf_pageremover.h"
#include "pdf_pageremover_adv_delete.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "questions.h"
#include "testsupport.h"
#include "toolsupport.h"

#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

class DropWindow : public MainWindow
{
public:
    using MainWindow::MainWindow;
    using MainWindow::dropEvent;
};

} // namespace

class TestPageRemover : public ToolSuite
{
    Q_OBJECT

    PDF_PageRemover remover{nullptr, toolRecord(12)};

    QListWidget* list() { return remover.findChild<QListWidget*>("listWidget"); }
    void press(const char* button) { remover.findChild<QPushButton*>(button)->click(); }

    // name.pdf with pages p1 .. pn.
    QString source(const QString& name, int pages)
    {
        return writeTextPdf(path(name), numberedTexts("p", pages)) ? path(name) : QString();
    }

    QStringList labels()
    {
        QStringList texts;
        for (int i = 0; i < list()->count(); ++i)
            texts << list()->item(i)->text();
        return texts;
    }

    // Saves the document as it stands; the page texts of the file written.
    QStringList save(const QString& name)
    {
        script.queue(Question::SaveFileName, path(name));
        const RunReport& report = remover.run({});
        return report.outputsWritten() == QStringList{path(name)} && qpdfCheck(path(name)) ? pageTexts(path(name)) : QStringList{"not written"};
    }

    // A thumbnail is drawn when its picture is the page's, not the blank stand-in.
    static bool drawn(QListWidgetItem* item) { return item->icon().availableSizes().value(0).height() == 200; }

private slots:
    void initTestCase()
    {
        for (int pages : {1, 2, 5})
            QVERIFY(!source(QString("doc%1.pdf").arg(pages), pages).isEmpty());
        QVERIFY(encrypt(path("doc5.pdf"), path("locked.pdf"), "pw", "owner"));
        QVERIFY(writeFile(path("damaged.pdf"), "%PDF-1.7\n1 0 obj << /Type /Catalog >>\nnothing else"));
    }

    void removals_data()
    {
        QTest::addColumn<int>("pages");
        QTest::addColumn<QStringList>("actions");  // "choice N" in the dialog, or "row N" removed
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<int>("shownRow");  // the row selected afterwards, the page previewed
        QTest::addColumn<int>("refusals");
        QTest::newRow("even pages") << 5 << QStringList{"choice 1"} << QStringList{"p1", "p3", "p5"} << 0 << 0;
        QTest::newRow("odd pages") << 5 << QStringList{"choice 0"} << QStringList{"p2", "p4"} << 0 << 0;
        QTest::newRow("front page") << 5 << QStringList{"choice 2"} << QStringList{"p2", "p3", "p4", "p5"} << 0 << 0;
        QTest::newRow("last page") << 5 << QStringList{"choice 3"} << QStringList{"p1", "p2", "p3", "p4"} << 0 << 0;
        QTest::newRow("front and last") << 5 << QStringList{"choice 4"} << QStringList{"p2", "p3", "p4"} << 0 << 0;
        QTest::newRow("OK with no choice") << 5 << QStringList{"choice -1"} << QStringList{"p1", "p2", "p3", "p4", "p5"} << 0 << 0;
        QTest::newRow("row 1 twice") << 5 << QStringList{"row 1", "row 1"} << QStringList{"p1", "p4", "p5"} << 1 << 0;
        QTest::newRow("the last row, shown") << 5 << QStringList{"row 4"} << QStringList{"p1", "p2", "p3", "p4"} << 3 << 0;
        // Never a blank page in place of the user's pages.
        QTest::newRow("front and last of two") << 2 << QStringList{"choice 4"} << QStringList{"p1", "p2"} << 0 << 1;
        QTest::newRow("the only page") << 1 << QStringList{"row 0"} << QStringList{"p1"} << 0 << 1;
        QTest::newRow("odd pages of one") << 1 << QStringList{"choice 0"} << QStringList{"p1"} << 0 << 1;
        QTest::newRow("even pages of one") << 1 << QStringList{"choice 1"} << QStringList{"p1"} << 0 << 0;
    }

    void removals()
    {
        QFETCH(int, pages);
        QFETCH(QStringList, actions);
        QFETCH(QStringList, left);
        QFETCH(int, shownRow);
        QFETCH(int, refusals);
        remover.FileSelected(path(QString("doc%1.pdf").arg(pages)));
        QCOMPARE(list()->count(), pages);
        const int reports = script.count(Question::Report);
        for (const QString& action : actions) {
            const int n = action.section(' ', 1).toInt();
            if (action.startsWith("choice")) {
                script.queue(Question::Choice, n);
                press("pushButton");
            } else {
                list()->setCurrentRow(n);
                emit list()->itemClicked(list()->item(n));
                press("pushButton_3");
            }
        }
        QCOMPARE(script.count(Question::Report) - reports, refusals);
        QCOMPARE(save("removed.pdf"), left);
        QCOMPARE(labels(), numberedTexts("Page ", left.size()));  // "Page n" is where the page now stands
        QCOMPARE(list()->currentRow(), shownRow);
        QCOMPARE(pageTexts(path(QString("doc%1.pdf").arg(pages))).size(), pages);  // the input is untouched
    }

    void removalDialog()
    {
        // "OK" with no choice, "OK" with one, "Cancel" after one.
        const QList<std::tuple<QString, QString, int>> cases{
            {"", "pushButton_4", -1}, {"radioButton_even", "pushButton_4", 1}, {"radioButton_frontlast", "pushButton_4", 4}, {"radioButton_odd", "pushButton", -1}};
        for (const auto& [radio, button, choice] : cases) {
            PDF_PageRemover_adv_delete dialog(nullptr);
            if (auto* chosen = dialog.findChild<QRadioButton*>(radio))
                chosen->setChecked(true);
            dialog.findChild<QPushButton*>(button)->click();
            QCOMPARE(dialog.choice, choice);
        }
    }

    void selections()
    {
        // A cancelled password leaves the page empty, and a run saves nothing.
        remover.FileSelected(path("locked.pdf"));
        QCOMPARE(list()->count(), 0);
        const int saveQuestions = script.count(Question::SaveFileName);
        QCOMPARE(remover.run({}).problemLines(), QStringList{path("locked.pdf") + ": protected: needs a password; left out"});
        // A file that does not open is said at once, and again by a run.
        remover.FileSelected(path("damaged.pdf"));
        QCOMPARE(script.asked().last().kind, Question::Report);
        QCOMPARE(remover.run({}).problemLines(), QStringList{path("damaged.pdf") + ": damaged beyond repair; left out"});
        QCOMPARE(script.count(Question::SaveFileName), saveQuestions);
        // Nothing chosen yet: nothing asked, nothing saved.
        PDF_PageRemover fresh(nullptr, toolRecord(12));
        QVERIFY(fresh.run({}).isQuiet() && script.count(Question::SaveFileName) == saveQuestions);

        // With the password: saved as protected as it came.
        script.queue(Question::Password, "pw");
        remover.FileSelected(path("locked.pdf"));
        script.queue(Question::Choice, 1);
        press("pushButton");
        script.queue(Question::SaveFileName, path("unlocked.pdf"));
        remover.run({});
        QCOMPARE(qpdfPageCount(path("unlocked.pdf"), "pw"), 3);
        QCOMPARE(qpdfPageCount(path("unlocked.pdf")), -1);
        // A new choice replaces the document the engine held.
        remover.FileSelected(path("doc2.pdf"));
        QCOMPARE(remover.engine->DocumentCount(), 1);
        QCOMPARE(save("second.pdf"), QStringList({"p1", "p2"}));
    }

    void savesOverTheInputAndAgain()
    {
        QVERIFY(!source("own.pdf", 5).isEmpty());
        remover.FileSelected(path("own.pdf"));
        QTRY_VERIFY(drawn(list()->item(4)));  // its own thumbnails, not the blank stand-ins
        script.queue(Question::Choice, 2);
        press("pushButton");
        QCOMPARE(save("own.pdf"), QStringList({"p2", "p3", "p4", "p5"}));
        script.queue(Question::Choice, 3);
        press("pushButton");
        QCOMPARE(save("own.pdf"), QStringList({"p2", "p3", "p4"}));
    }

    void droppedFileReachesThePage()
    {
        CustomFileNames names;
        names.directory = dir.path();
        QVERIFY(writeBrandingFile(names.dataFilePath(), 1, 12));
        DropWindow window(nullptr, names);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path("doc5.pdf"))});
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        window.dropEvent(&drop);
        QCOMPARE(window.feature()->findChild<QListWidget*>("listWidget")->count(), 5);
    }
};

QTEST_MAIN(TestPageRemover)
#include "tst_pageremover.moc"
