// folioforge-cli watermark against the desktop watermark: the same pages for
// the same choices, rendered by pdftoppm. Then what only the command line
// does: settings that cannot make a mark are usage errors that write nothing.

#include "clisupport.h"
#include "pdfbuild.h"
#include "pdfwatermark.h"
#include "pixels.h"
#include "questions.h"
#include "testsupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestWatermarkCli : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(writePdf(path("in.pdf"), {{QRectF(0, 0, 612, 792), 0, QRectF(), "one"},
                                          {QRectF(0, 0, 612, 792), 90, QRectF(30, 40, 500, 600), "two"}}));
        QVERIFY(writeFile(path("junk.png"), "no picture"));
    }

    void sameAsTheDesktopWatermark()
    {
        CustomFileNames names;
        names.directory = dir.path();
        PDFWatermark page(nullptr, makeBrandingRecord(names, 1, 3, false));
        ScriptedQuestions script;
        script.installed().queue(Question::Color, QColor(0, 0, 255)).queue(Question::ExistingDirectory, path("desktop"));
        QDir().mkpath(path("desktop"));
        page.findChild<QLineEdit*>("lineEdit")->setText("Zwölf Ärger");
        page.findChild<QSlider*>("horizontalSlider_2")->setValue(50);
        page.findChild<QPushButton*>("pushButton_11")->click();
        page.findChild<QPushButton*>("pushButton_4")->click();
        QVERIFY(page.run({path("in.pdf")}).outputsWritten() == QStringList{path("desktop/in.pdf")});

        const auto r = runCli({"watermark", "-o", "cli", "--text", "Zwölf Ärger", "--size", "50", "--color", "blue",
                               "--position", "top-right", "in.pdf"},
                              dir.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QString());
        QCOMPARE(r.outLines(), QStringList{path("cli/in.pdf")});
        QVERIFY(qpdfCheck(path("cli/in.pdf")));
        for (int p = 1; p <= 2; ++p) {
            const QImage cli = renderPage(path("cli/in.pdf"), p, 50), desktop = renderPage(path("desktop/in.pdf"), p, 50);
            QCOMPARE(maxChannelDifference(cli, desktop), 0);
            QVERIFY(countPixels(cli, isBluish, QRect(cli.width() / 2, 0, cli.width() / 2, cli.height() / 4)) > 50);
        }
        QCOMPARE(pdfInfo(path("cli/in.pdf")).value("Creator"), "PDF-Watermark");
    }

    void settingsThatMarkNothing_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("message");
        QTest::newRow("no mark at all") << QStringList{} << "The watermark text is empty.";
        QTest::newRow("empty text") << QStringList{"--text", ""} << "The watermark text is empty.";
        QTest::newRow("missing image") << QStringList{"--image", "gone.png"} << "gone.png cannot be used: no such file";
        QTest::newRow("not a picture") << QStringList{"--image", "junk.png"} << "junk.png cannot be used: not an image";
        QTest::newRow("text and image") << QStringList{"--text", "a", "--image", "junk.png"} << "--text and --image cannot be given together";
        QTest::newRow("unknown font") << QStringList{"--text", "a", "--font", "No Such Family"} << "not an installed font family";
        QTest::newRow("no such position") << QStringList{"--text", "a", "--position", "middle"} << "must be one of";
    }

    void settingsThatMarkNothing()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, message);
        const auto r = runCli(QStringList{"watermark", "-o", "refused"} + options + QStringList{"in.pdf"}, dir.path());
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(message) && r.err.contains("Usage: folioforge-cli watermark"), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        QVERIFY(QDir(path("refused")).entryList(QDir::Files).isEmpty());
    }
};

QTEST_MAIN(TestWatermarkCli)
#include "tst_watermark.moc"
