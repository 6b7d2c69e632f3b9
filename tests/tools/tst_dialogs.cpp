// The real dialogs behind the question seam, driven from a timer: the
// collision and password dialogs, the file and folder choosers, the colour
// dialog, and pre-processing answered through the real dialogs.

#include "dialogfileexists.h"
#include "featurebase.h"
#include "pdf_auth.h"
#include "pdfbuild.h"
#include "questions.h"
#include "shellsupport.h"
#include "testsupport.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
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

// Types into a file dialog's name box and accepts, as a user would.
std::function<void(QFileDialog*)> choose(const QString& folder, const QString& nameText)
{
    return [=](QFileDialog* dialog) {
        dialog->setDirectory(folder);
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(nameText);
        QMetaObject::invokeMethod(dialog, "accept");  // the dialog's own accept checks the name
    };
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        Questions::install(nullptr);  // the real dialogs
        QVERIFY(writeTextPdf(dir.filePath("a.pdf"), {"a"}) && writeTextPdf(dir.filePath("b.pdf"), {"b"}));
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

    void fileChoosers()
    {
        const QString folder = dir.path();
        whenShown<QFileDialog>(choose(folder, "new.pdf"));
        QCOMPARE(Questions::saveFileName(nullptr, QString(), QString(), "PDF files(*.PDF)"), dir.filePath("new.pdf"));
        whenShown<QFileDialog>(choose(folder, "a.pdf"));
        QCOMPARE(Questions::openFileName(nullptr, QString(), QString(), "PDF files(*.PDF)"), dir.filePath("a.pdf"));
        whenShown<QFileDialog>(choose(folder, "\"a.pdf\" \"b.pdf\""));
        QCOMPARE(Questions::openFileNames(nullptr, QString(), QString(), "PDF files(*.PDF)"), QStringList({dir.filePath("a.pdf"), dir.filePath("b.pdf")}));
        QDir(folder).mkdir("sub");
        whenShown<QFileDialog>(choose(folder, "sub"));
        QCOMPARE(Questions::existingDirectory(nullptr, QString(), QString()), dir.filePath("sub"));
        whenShown<QFileDialog>([](QFileDialog* d) { d->reject(); });
        QCOMPARE(Questions::saveFileName(nullptr, QString(), QString(), QString()), QString());
        whenShown<QFileDialog>([](QFileDialog* d) { d->reject(); });
        QCOMPARE(Questions::openFileNames(nullptr, QString(), QString(), QString()), QStringList());
    }

    void colourDialog()
    {
        QColor initial;
        whenShown<QColorDialog>([&](QColorDialog* d) {
            initial = d->currentColor();
            d->setCurrentColor(QColor(12, 34, 56));
            d->accept();
        });
        QCOMPARE(Questions::color(Qt::white, nullptr, QString()), QColor(12, 34, 56));
        QCOMPARE(initial, QColor(Qt::white));
        whenShown<QColorDialog>([](QColorDialog* d) { d->reject(); });
        QVERIFY(!Questions::color(Qt::white, nullptr, QString()).isValid());
    }

    void preProcessThroughTheRealDialogs()
    {
        CustomFileNames names;
        names.directory = "/nonexistent";
        FeatureBase page(nullptr, makeBrandingRecord(names, 1, 1, false));
        const QString source = dir.filePath("a.pdf"), locked = dir.filePath("locked.pdf");
        QVERIFY(encrypt(source, locked, "pw", "owner"));
        QList<FeatureBase::fileList> list = page.ToFileList({locked, source});
        list[0].outputFile = source;  // exists
        list[1].outputFile = dir.filePath("free.pdf");
        whenShown<DialogFileExists>([&](DialogFileExists* d) {
            click(d, "pushButton_2");  // override
            whenShown<PDF_Auth>([](PDF_Auth* a) {
                QTest::keyClicks(a->findChild<QLineEdit*>("lineEdit"), "pw");
                click(a, "pushButton");
            });
        });
        list = page.PreProcess(list, false);
        QCOMPARE(list.size(), 2);
        QCOMPARE(list[0].password, "pw");
        QCOMPARE(list[0].outputFile, source);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
