// PDF rotate and crop end to end on real PDFs, read with pdfinfo -box and
// pdftotext: turns added to each page's own, margins on the page as shown,
// each page's own untouched edges, margins that leave no page, numbers typed
// in a comma locale, protected and damaged inputs.

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

using Margins = QMap<QString, QString>;  // side -> typed, ticked

class TestRotateAndCrop : public ToolSuite
{
    Q_OBJECT

    PDF_RotateAndCrop page{nullptr, toolRecord(10)};

    // The rotation item, and the margins given ("left" -> typed) ticked, the others not.
    static void setForm(PDF_RotateAndCrop& tool, int rotation, const Margins& margins)
    {
        tool.findChild<QComboBox*>("comboBox")->setCurrentIndex(rotation);
        for (const QString side : {"left", "top", "right", "bottom"}) {
            auto* box = tool.findChild<QCheckBox*>("checkBox_" + side);
            auto* entry = tool.findChild<QLineEdit*>("lineEdit_" + side);
            if (box->isChecked() != margins.contains(side))
                box->click();
            QCOMPARE(entry->isEnabled(), margins.contains(side));
            entry->clear();
            QTest::keyClicks(entry, margins.value(side));
        }
    }

private slots:
    void initTestCase()
    {
        // Letter; A4 turned by 90; A4 with a crop box of its own.
        QVERIFY(writePdf(path("mixed.pdf"), {{QRectF(0, 0, 612, 792), 0, QRectF(), "one"},
                                             {QRectF(0, 0, 842, 595), 90, QRectF(), "two"},
                                             {QRectF(0, 0, 595, 842), 0, QRectF(50, 50, 400, 600), "three"}}));
        QVERIFY(writePdf(path("narrow.pdf"), {{QRectF(0, 0, 612, 792), 0, QRectF(), "wide"},
                                              {QRectF(0, 0, 100, 200), 0, QRectF(), "slim"}}));
        QVERIFY(encrypt(path("mixed.pdf"), path("locked.pdf"), "user-pw", "owner-pw"));
        QVERIFY(writeFile(path("damaged.pdf"), "%PDF-1.7\n" + QByteArray(3000, '#') + "\n%%EOF\n"));
    }

    void turnsAndCrops_data()
    {
        QTest::addColumn<int>("rotation");
        QTest::addColumn<Margins>("margins");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("nothing asked: boxes kept")
            << 0 << Margins() << QStringList{"0: 0.00 0.00 612.00 792.00", "90: 0.00 0.00 842.00 595.00", "0: 50.00 50.00 450.00 650.00"};
        QTest::newRow("90 added to each page's turn, boxes kept")
            << 1 << Margins() << QStringList{"90: 0.00 0.00 612.00 792.00", "180: 0.00 0.00 842.00 595.00", "90: 50.00 50.00 450.00 650.00"};
        // On the page as shown: page 2, turned by 90, shows its bottom edge on the left.
        QTest::newRow("left only, the other edges kept")
            << 0 << Margins{{"left", "36"}} << QStringList{"0: 36.00 0.00 612.00 792.00", "90: 0.00 36.00 842.00 595.00", "0: 36.00 50.00 450.00 650.00"};
        QTest::newRow("a ticked empty margin goes to the page's edge")
            << 0 << Margins{{"left", ""}, {"top", "10.5"}} << QStringList{"0: 0.00 0.00 612.00 781.50", "90: 10.50 0.00 842.00 595.00", "0: 0.00 50.00 450.00 831.50"};
        // Turned first, then cropped on the turned page.
        QTest::newRow("180 and all four margins")
            << 2 << Margins{{"left", "10"}, {"top", "20"}, {"right", "30"}, {"bottom", "40"}}
            << QStringList{"180: 30.00 20.00 602.00 752.00", "270: 40.00 30.00 822.00 585.00", "180: 30.00 20.00 585.00 802.00"};
    }

    void turnsAndCrops()
    {
        QFETCH(int, rotation);
        QFETCH(Margins, margins);
        setForm(page, rotation, margins);
        const QString folder = QString::number(qHash(QByteArray(QTest::currentDataTag())));
        const RunReport& report = runIn(page, {"mixed.pdf"}, folder);
        QVERIFY2(report.isQuiet(), qPrintable(report.summary()));
        const QString out = path(folder + "/mixed.pdf");
        QVERIFY(qpdfCheck(out));
        QTEST(pageBoxes(out), "expected");
        QCOMPARE(pageTexts(out), QStringList({"one", "two", "three"}));
        QCOMPARE(pdfInfo(out).value("Creator"), "PDF-Rotate-And-Crop");
        QCOMPARE(pageBoxes(path("mixed.pdf")).first(), "0: 0.00 0.00 612.00 792.00");  // the input is untouched
    }

    void inputsLeftOutAndMarginsRefused()
    {
        // 110 pt of margins leave the 612 pt page but nothing of the 100 pt
        // one; a damaged input is left out too; a protected one stays protected.
        setForm(page, 0, {{"left", "30"}, {"right", "80"}});
        const RunReport& report = runIn(page, {"narrow.pdf", "damaged.pdf", "locked.pdf"}, "inputs", {"user-pw"});
        QCOMPARE(report.problemLines(), QStringList({path("damaged.pdf") + ": damaged beyond repair; left out",
                                                     path("narrow.pdf") + ": the margins leave nothing of page 2 (100 x 200 pt); left out"}));
        QCOMPARE(filesIn(path("inputs")), QStringList{"locked.pdf"});
        QCOMPARE(pageBoxes(path("inputs/locked.pdf"), "user-pw").first(), "0: 30.00 0.00 532.00 792.00");
        QCOMPARE(qpdfPageCount(path("inputs/locked.pdf")), -1);

        // A margin beyond the range stays in the entry half typed: the run is
        // refused, never cropped to the edge as if it were 0.
        setForm(page, 0, {{"top", "20000"}});
        const int asked = script.asked().size();
        QCOMPARE(page.run({path("mixed.pdf")}).refused(), "Top Margin 20000: must be points from 0 to 14400");
        QCOMPARE(script.asked().size(), asked);
    }

    void numbersAsTheLocaleWritesThem()
    {
        // "36,5" where a comma is the decimal mark is 36.5, never 0; letters cannot be typed.
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        PDF_RotateAndCrop german(nullptr, toolRecord(10));
        QLocale::setDefault(before);
        setForm(german, 0, {{"left", "36,5"}, {"top", "x7"}});
        QCOMPARE(german.findChild<QLineEdit*>("lineEdit_top")->text(), "7");
        runIn(german, {"mixed.pdf"}, "comma");
        QCOMPARE(pageBoxes(path("comma/mixed.pdf")).first(), "0: 36.50 0.00 612.00 785.00");
    }
};

QTEST_MAIN(TestRotateAndCrop)
#include "tst_rotateandcrop.moc"
