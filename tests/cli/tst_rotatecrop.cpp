// folioforge-cli rotate-crop against the desktop tool: the same turns and
// crop boxes (pdfinfo -box) for the same choices; -90 as 270.

#include "clisupport.h"
#include "pdf_rotateandcrop.h"
#include "pdfbuild.h"
#include "testsupport.h"
#include "toolsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestRotateCrop : public CliSuite
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(writePdf(path("mixed.pdf"), {{QRectF(0, 0, 612, 792), 0, QRectF(), "one"},
                                             {QRectF(0, 0, 842, 595), 90, QRectF(20, 20, 700, 500), "two"}}));
    }

    void sameAsTheDesktopTool()
    {
        PDF_RotateAndCrop page(nullptr, toolRecord(10));
        page.findChild<QComboBox*>("comboBox")->setCurrentIndex(3);
        for (const auto& [side, value] : {qMakePair(QString("left"), QString("36")), qMakePair(QString("bottom"), QString("12.5"))}) {
            page.findChild<QCheckBox*>("checkBox_" + side)->click();
            QTest::keyClicks(page.findChild<QLineEdit*>("lineEdit_" + side), value);
        }
        ScriptedQuestions script;
        QVERIFY(runInFolder(page, script.installed(), {path("mixed.pdf")}, path("desktop")).isQuiet());

        const auto r = runCli({"rotate-crop", "--rotate", "-90", "--left", "36", "--bottom", "12.5", "-o", "cli", "mixed.pdf"}, dir.path());
        QVERIFY(wrote(r, {path("cli/mixed.pdf")}));
        QVERIFY(qpdfCheck(path("cli/mixed.pdf")));
        QCOMPARE(pageBoxes(path("cli/mixed.pdf")), pageBoxes(path("desktop/mixed.pdf")));
        QCOMPARE(pageBoxes(path("cli/mixed.pdf")), QStringList({"270: 12.50 0.00 612.00 756.00", "0: 36.00 12.50 720.00 520.00"}));
        const auto r270 = runCli({"rotate-crop", "--rotate", "270", "--left", "36", "--bottom", "12.5", "-o", "cli270", "mixed.pdf"}, dir.path());
        QCOMPARE(pageBoxes(path("cli270/mixed.pdf")), pageBoxes(path("cli/mixed.pdf")));
    }

};

QTEST_MAIN(TestRotateCrop)
#include "tst_rotatecrop.moc"
