// The real dialogs behind the question seam, driven from a timer: the
// collision and password dialogs, progress with Cancel, the end-of-run
// message.

#include "dialogfileexists.h"
#include "pdf_auth.h"
#include "questions.h"
#include "shellsupport.h"

#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace testsupport;

namespace {

void click(QWidget* dialog, const QString& button)
{
    if (button.isEmpty())
        dialog->close();  // by the window frame
    else
        QTest::mouseClick(dialog->findChild<QPushButton*>(button), Qt::LeftButton);
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Questions::install(nullptr);  // the real dialogs
    }

    void fileExistsDialog_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("answer");
        QTest::newRow("rename") << "pushButton_4" << 0;
        QTest::newRow("override") << "pushButton_2" << 1;
        QTest::newRow("skip") << "pushButton" << 2;
        QTest::newRow("closed by the frame") << QString() << -1;
    }

    void fileExistsDialog()
    {
        QFETCH(QString, button);
        QFETCH(int, answer);
        QString title, label;
        whenShown<DialogFileExists>([&](DialogFileExists* d) {
            title = d->windowTitle();
            label = d->findChild<QLabel*>("label_2")->text();
            click(d, button);
        });
        QWidget parent;
        QCOMPARE(Questions::fileExists(&parent, "report.pdf"), answer);
        QCOMPARE(title, "report.pdf");
        QCOMPARE(label, "report.pdf");
    }

    void passwordDialog_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("ok");
        QTest::newRow("ok") << "s3cret" << "pushButton" << true;
        QTest::newRow("ok with an empty box") << "" << "pushButton" << true;
        QTest::newRow("cancel") << "typed" << "pushButton_2" << false;
        QTest::newRow("closed by the frame") << "typed" << QString() << false;
    }

    void passwordDialog()
    {
        QFETCH(QString, typed);
        QFETCH(QString, button);
        QFETCH(bool, ok);
        QString seen;
        whenShown<PDF_Auth>([&](PDF_Auth* d) {
            auto* edit = d->findChild<QLineEdit*>("lineEdit");
            // Every question starts with an empty, hidden box.
            seen = QStringList{d->windowTitle(), d->findChild<QLabel*>("label_2")->text(), edit->text(),
                               QString::number(edit->echoMode() == QLineEdit::Password)}.join('|');
            QTest::keyClicks(edit, typed);
            click(d, button);
        });
        QString password = "unchanged";
        QCOMPARE(Questions::password(nullptr, "/in/locked.pdf", &password), ok);
        QCOMPARE(password, ok ? typed : "unchanged");
        QCOMPARE(seen, "Authorization|/in/locked.pdf||1");
    }

    void progressAndTheEndOfRunMessage()
    {
        // A short run shows no progress; a long one does, and its Cancel
        // stops the run at the next step.
        DialogQuestions dialogs;
        QWidget window;
        window.show();
        auto visibleProgress = [&window] {
            auto* progress = window.findChild<QProgressDialog*>();
            return progress && progress->isVisible() ? progress : nullptr;
        };
        for (int step = 0; step <= 10; ++step) {
            QVERIFY(dialogs.progress(&window, "Copying a.pdf", step, 10));
            QVERIFY(!visibleProgress());
            QTest::qWait(10);
        }
        dialogs.progressDone();
        bool going = true;
        int steps = 0;
        for (; going && steps < 1000; ++steps) {
            going = dialogs.progress(&window, "Copying b.pdf", steps, 1000);
            if (QProgressDialog* progress = visibleProgress()) {
                QCOMPARE(progress->labelText(), "Copying b.pdf");
                QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
            }
            QTest::qWait(10);
        }
        QVERIFY(!going && steps < 1000);
        dialogs.progressDone();
        QVERIFY(!window.findChild<QProgressDialog*>());

        QString text;
        whenShown<QMessageBox>([&text](QMessageBox* box) { text = box->text(), box->accept(); });
        Questions::report(&window, "Folioforge - PDF Merger 1", "/in/a.pdf: not a PDF; left out");
        QCOMPARE(text, "/in/a.pdf: not a PDF; left out");
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
