// folioforge-cli rotate-crop against the desktop tool: the same turns and
// crop boxes (pdfinfo -box) for the same choices; -90 as 270; values the
// form's entries refuse; an input whose margins leave no page.

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

class TestRotateCrop : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(writePdf(path("mixed.pdf"), {{QRectF(0, 0, 612, 792), 0, QRectF(), "one"},
                                             {QRectF(0, 0, 842, 595), 90, QRectF(20, 20, 700, 500), "two"}}));
        QVERIFY(writePdf(path("narrow.pdf"), {{QRectF(0, 0, 612, 792), 0, QRectF(), "wide"},
                                              {QRectF(0, 0, 100, 200), 0, QRectF(), "slim"}}));
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
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QString());
        QCOMPARE(r.outLines(), QStringList{path("cli/mixed.pdf")});
        QVERIFY(qpdfCheck(path("cli/mixed.pdf")));
        QCOMPARE(pageBoxes(path("cli/mixed.pdf")), pageBoxes(path("desktop/mixed.pdf")));
        QCOMPARE(pageBoxes(path("cli/mixed.pdf")), QStringList({"270: 12.50 0.00 612.00 756.00", "0: 36.00 12.50 720.00 520.00"}));
        QCOMPARE(pageTexts(path("cli/mixed.pdf")), QStringList({"one", "two"}));
        const auto r270 = runCli({"rotate-crop", "--rotate", "270", "--left", "36", "--bottom", "12.5", "-o", "cli270", "mixed.pdf"}, dir.path());
        QCOMPARE(pageBoxes(path("cli270/mixed.pdf")), pageBoxes(path("cli/mixed.pdf")));
    }

    void valuesTheFormRefuses_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("decimal comma") << QStringList{"--left", "36,5"};
        QTest::newRow("negative") << QStringList{"--top", "-3"};
        QTest::newRow("letters") << QStringList{"--right", "1cm"};
        QTest::newRow("45 degrees") << QStringList{"--rotate", "45"};
    }

    void valuesTheFormRefuses()
    {
        QFETCH(QStringList, args);
        const auto r = runCli(QStringList{"rotate-crop"} + args + QStringList{"-o", "refused", "mixed.pdf"}, dir.path());
        QCOMPARE(r.status, 2);
        QVERIFY2(r.errLines().value(0).startsWith("folioforge-cli: rotate-crop: " + args.join(' ')), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(path("refused/mixed.pdf")));
    }

    void marginsThatLeaveNoPage()
    {
        const auto r = runCli({"rotate-crop", "--left", "30", "--right", "80", "-o", "nopage", "narrow.pdf", "mixed.pdf"}, dir.path());
        QCOMPARE(r.status, 1);
        QCOMPARE(r.errLines(), QStringList{"folioforge-cli: narrow.pdf: the margins leave nothing of page 2 (100 x 200 pt)"});
        QCOMPARE(r.outLines(), QStringList{path("nopage/mixed.pdf")});
        QVERIFY(!QFileInfo::exists(path("nopage/narrow.pdf")));
    }
};

QTEST_MAIN(TestRotateCrop)
#include "tst_rotatecrop.moc"
