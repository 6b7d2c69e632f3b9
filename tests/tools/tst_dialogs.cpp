// The real dialogs behind the question seam, driven from a timer: the
// collision and password dialogs, the file and folder choosers, the colour
// dialog, and pre-processing answered through the real dialogs.

#include "dialogfileexists.h"
#include "featurebase.h"
#include "pdf_auth.h"
#include "pdfbuild.h"
#include "pdfread.h"
#include "questions.h"
#include "shellsupport.h"
#include "testsupport.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

BrandingRecord merger()
{
    CustomFileNames names;
    names.directory = QStringLiteral("/nonexistent");
    return makeBrandingRecord(names, 1, 1, false);
}

template <class D>
void click(D* dialog, const char* button)
{
    auto* b = dialog->template findChild<QPushButton*>(QLatin1String(button));
    QVERIFY(b);
    QTest::mouseClick(b, Qt::LeftButton);
}

// Types into a file dialog's name box and accepts, as a user would.
void chooseInFileDialog(QFileDialog* dialog, const QString& folder, const QString& nameText)
{
    dialog->setDirectory(folder);
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->setText(nameText);
    // As pressing the accept button: the dialog's own accept checks the name.
    QMetaObject::invokeMethod(dialog, "accept");
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        Questions::install(nullptr); // the real dialogs
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
            label = d->findChild<QLabel*>(QStringLiteral("label_2"))->text();
            if (button.isEmpty())
                d->close();
            else
                click(d, button.toLatin1().constData());
        });
        QWidget parent;
        QCOMPARE(Questions::fileExists(&parent, QStringLiteral("report.pdf")), answer);
        QCOMPARE(title, QStringLiteral("report.pdf"));
        QCOMPARE(label, QStringLiteral("report.pdf"));
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
        QString label, title, startText;
        QLineEdit::EchoMode echo = QLineEdit::Normal;
        whenShown<PDF_Auth>([&](PDF_Auth* d) {
            title = d->windowTitle();
            label = d->findChild<QLabel*>(QStringLiteral("label_2"))->text();
            auto* edit = d->findChild<QLineEdit*>(QStringLiteral("lineEdit"));
            echo = edit->echoMode();
            startText = edit->text();
            QTest::keyClicks(edit, typed);
            if (button.isEmpty())
                d->close();
            else
                click(d, button.toLatin1().constData());
        });
        QString password = QStringLiteral("unchanged");
        QCOMPARE(Questions::password(nullptr, QStringLiteral("/in/locked.pdf"), &password), ok);
        QCOMPARE(password, ok ? typed : QStringLiteral("unchanged"));
        QCOMPARE(title, QStringLiteral("Authorization"));
        QCOMPARE(label, QStringLiteral("/in/locked.pdf"));
        QCOMPARE(echo, QLineEdit::Password);
        QCOMPARE(startText, QString()); // every question starts with an empty box
    }

    void fileChoosers()
    {
        const QString folder = dir.path();
        writeTextPdf(dir.filePath(QStringLiteral("a.pdf")), {QStringLiteral("a")});
        writeTextPdf(dir.filePath(QStringLiteral("b.pdf")), {QStringLiteral("b")});

        whenShown<QFileDialog>([&](QFileDialog* d) { chooseInFileDialog(d, folder, QStringLiteral("new.pdf")); });
        QCOMPARE(Questions::saveFileName(nullptr, QString(), QString(), QStringLiteral("PDF files(*.PDF)")),
                 dir.filePath(QStringLiteral("new.pdf")));

        whenShown<QFileDialog>([&](QFileDialog* d) { chooseInFileDialog(d, folder, QStringLiteral("a.pdf")); });
        QCOMPARE(Questions::openFileName(nullptr, QString(), QString(), QStringLiteral("PDF files(*.PDF)")),
                 dir.filePath(QStringLiteral("a.pdf")));

        whenShown<QFileDialog>(
            [&](QFileDialog* d) { chooseInFileDialog(d, folder, QStringLiteral("\"a.pdf\" \"b.pdf\"")); });
        QCOMPARE(Questions::openFileNames(nullptr, QString(), QString(), QStringLiteral("PDF files(*.PDF)")),
                 (QStringList{dir.filePath(QStringLiteral("a.pdf")), dir.filePath(QStringLiteral("b.pdf"))}));

        QDir(folder).mkdir(QStringLiteral("sub"));
        whenShown<QFileDialog>([&](QFileDialog* d) { chooseInFileDialog(d, folder, QStringLiteral("sub")); });
        QCOMPARE(Questions::existingDirectory(nullptr, QString(), QString()), dir.filePath(QStringLiteral("sub")));

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
        FeatureBase page(nullptr, merger());
        const QString source = dir.filePath(QStringLiteral("src.pdf"));
        const QString locked = dir.filePath(QStringLiteral("real-locked.pdf"));
        writeTextPdf(source, {QStringLiteral("x")});
        QVERIFY(encrypt(source, locked, QStringLiteral("pw"), QStringLiteral("owner"), 256));
        QList<FeatureBase::fileList> list = page.ToFileList({locked, source});
        list[0].outputFile = source; // exists
        list[1].outputFile = dir.filePath(QStringLiteral("free.pdf"));

        whenShown<DialogFileExists>([&](DialogFileExists* d) {
            click(d, "pushButton_2"); // override
            whenShown<PDF_Auth>([](PDF_Auth* a) {
                QTest::keyClicks(a->findChild<QLineEdit*>(QStringLiteral("lineEdit")), QStringLiteral("pw"));
                click(a, "pushButton");
            });
        });
        list = page.PreProcess(list, false);
        QCOMPARE(list.size(), 2);
        QCOMPARE(list.at(0).password, QStringLiteral("pw"));
        QCOMPARE(list.at(0).outputFile, source);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
