// folioforge-cli watermark against the desktop watermark: the same pages for
// the same choices, rendered by pdftoppm. (Settings that cannot make a mark:
// tst_commandline.)

#include "clisupport.h"
#include "pdfbuild.h"
#include "pdfwatermark.h"
#include "pixels.h"
#include "questions.h"
#include "testsupport.h"
#include "toolsupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestWatermarkCli : public CliSuite
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(writePdf(path("in.pdf"), {{QRectF(0, 0, 612, 792), 0, QRectF(), "one"},
                                          {QRectF(0, 0, 612, 792), 90, QRectF(30, 40, 500, 600), "two"}}));
    }

    void sameAsTheDesktopWatermark()
    {
        PDFWatermark page(nullptr, toolRecord(3));
        ScriptedQuestions script;
        script.installed().queue(Question::Color, QColor(0, 0, 255));
        page.findChild<QLineEdit*>("lineEdit")->setText("Zwölf Ärger");
        page.findChild<QSlider*>("horizontalSlider_2")->setValue(50);
        page.findChild<QPushButton*>("pushButton_11")->click();
        page.findChild<QPushButton*>("pushButton_4")->click();
        QVERIFY(runInFolder(page, script, {path("in.pdf")}, path("desktop")).outputsWritten() == QStringList{path("desktop/in.pdf")});

        const auto r = runCli({"watermark", "-o", "cli", "--text", "Zwölf Ärger", "--size", "50", "--color", "blue",
                               "--position", "top-right", "in.pdf"},
                              dir.path());
        QVERIFY(wrote(r, {path("cli/in.pdf")}));
        QVERIFY(qpdfCheck(path("cli/in.pdf")));
        for (int p = 1; p <= 2; ++p) {
            const QImage cli = renderPage(path("cli/in.pdf"), p, 50), desktop = renderPage(path("desktop/in.pdf"), p, 50);
            QCOMPARE(maxChannelDifference(cli, desktop), 0);
            QVERIFY(countPixels(cli, isBluish) > 50);
        }
    }
};

QTEST_MAIN(TestWatermarkCli)
#include "tst_watermark.moc"
