// PDF page resizer end to end on real PDFs, read with pdfinfo and pdftotext
// -bbox: the paper fields (portrait never wider than tall, whatever way the
// paper is kept), new page sizes with the old page placed fitted, unscaled
// or at a share of its size, page order and extractable text, sizes that are
// refused before the run, a page that cannot be rebuilt, numbers in a comma
// locale, protected and damaged inputs.

#include "pdfbuild.h"
#include "pdfpageresizer.h"
#include "testsupport.h"
#include "toolsupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

constexpr double mm = 72.0 / 25.4;

// The box of the word "Centre" on a page.
QRectF centre(const QString& file, int page)
{
    for (const auto& [word, box] : wordBoxes(file, page))
        if (word == "Centre")
            return box;
    return QRectF();
}

} // namespace

class TestPageResizer : public ToolSuite
{
    Q_OBJECT

    PDFPageResizer page{nullptr, toolRecord(4)};

    // Standard paper (name, orientation) or, with custom "WxH", that size typed.
    void setForm(PDFPageResizer& tool, const QString& paper, int orientation, const QString& custom, int scaling)
    {
        if (custom.isEmpty()) {
            tool.findChild<QRadioButton*>("radioButton")->click();
            tool.findChild<QComboBox*>("comboBox")->setCurrentText(paper);
            tool.findChild<QComboBox*>("comboBox_3")->setCurrentIndex(orientation);
        } else {
            tool.findChild<QRadioButton*>("radioButton_2")->click();
            tool.findChild<QLineEdit*>("lineEdit_2")->setText(custom.section('x', 0, 0));
            tool.findChild<QLineEdit*>("lineEdit_3")->setText(custom.section('x', 1));
        }
        tool.findChild<QComboBox*>("comboBox_2")->setCurrentIndex(scaling);
    }

private slots:
    void initTestCase()
    {
        std::vector<PageLayout> a4;
        for (int i = 1; i <= 3; ++i)
            a4.push_back({QRectF(0, 0, 210 * mm, 297 * mm), 0, QRectF(), QString("A4-%1").arg(i), Builder::text("/F1", 24, 250, 400, "Centre")});
        QVERIFY(writePdf(path("a4.pdf"), a4));
        a4.push_back({QRectF(0, 0, 0, 0), 0, QRectF(), "none", QByteArray()});
        QVERIFY(writePdf(path("zero.pdf"), a4));
        QVERIFY(encrypt(path("a4.pdf"), path("locked.pdf"), "user-pw", "owner-pw"));
        QVERIFY(writeFile(path("damaged.pdf"), "%PDF-1.7\n" + QByteArray(3000, '#') + "\n%%EOF\n"));
    }

    void paperFields_data()
    {
        QTest::addColumn<QString>("paper");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        // Kept landscape by the table, shown the way asked.
        QTest::newRow("Ledger portrait") << "Ledger" << 0 << "279.4" << "431.8";
        QTest::newRow("Ledger landscape") << "Ledger" << 1 << "431.8" << "279.4";
    }

    void paperFields()
    {
        QFETCH(QString, paper);
        QFETCH(int, orientation);
        PDFPageResizer fresh(nullptr, toolRecord(4));
        setForm(fresh, paper, orientation, QString(), 0);
        QTEST(fresh.findChild<QLineEdit*>("lineEdit_2")->text(), "width");
        QTEST(fresh.findChild<QLineEdit*>("lineEdit_3")->text(), "height");
        // Back to standard overwrites what was typed.
        setForm(fresh, QString(), 0, "100x150", 0);
        fresh.findChild<QRadioButton*>("radioButton")->click();
        QTEST(fresh.findChild<QLineEdit*>("lineEdit_2")->text(), "width");
    }

    void resizes_data()
    {
        QTest::addColumn<QString>("paper");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QString>("custom");
        QTest::addColumn<int>("scaling");
        QTest::addColumn<QString>("size");        // as pdfinfo gives it
        QTest::addColumn<QPointF>("offset");      // of the old page's top left, in points
        QTest::addColumn<double>("scale");
        QTest::addColumn<QStringList>("texts");
        const QStringList all{"A4-1 Centre", "A4-2 Centre", "A4-3 Centre"};
        // Fitted: as tall as Letter, centred across (where Ghostscript's -dPDFFitPage puts it).
        QTest::newRow("Letter, fitted") << "Letter" << 0 << "" << 0 << "612 x 792 pts (letter)" << QPointF(26.0, 0) << 792 / (297 * mm) << all;
        QTest::newRow("A4 landscape, no scaling") << "A4" << 1 << "" << 1 << "841.89 x 595.276 pts (A4)"
                                                  << QPointF(43.5 * mm, -43.5 * mm) << 1.0
                                                  << QStringList{"Centre", "Centre", "Centre"};  // the labels lie above the page
        QTest::newRow("100 x 150 mm, 50%") << "" << 0 << "100x150" << 6 << "283.465 x 425.197 pts"
                                           << QPointF(-2.5 * mm, 1.5 * mm / 2) << 0.5 << all;
    }

    void resizes()
    {
        QFETCH(QString, paper);
        QFETCH(int, orientation);
        QFETCH(QString, custom);
        QFETCH(int, scaling);
        QFETCH(QPointF, offset);
        QFETCH(double, scale);
        setForm(page, paper, orientation, custom, scaling);
        const QString folder = QString::number(qHash(QByteArray(QTest::currentDataTag())));
        QVERIFY(runIn(page, {"a4.pdf"}, folder).isQuiet());
        const QString out = path(folder + "/a4.pdf");
        QVERIFY(qpdfCheck(out));
        QTEST(pdfInfo(out).value("Page size"), "size");
        // Still text, in page order, and placed as asked.
        QTEST(pageTexts(out), "texts");
        const QRectF before = centre(path("a4.pdf"), 2), after = centre(out, 2);
        const QRectF expected(offset + before.topLeft() * scale, before.size() * scale);
        for (const auto& [got, want] : {qMakePair(after.left(), expected.left()), qMakePair(after.top(), expected.top()),
                                        qMakePair(after.right(), expected.right()), qMakePair(after.bottom(), expected.bottom())})
            QVERIFY2(qAbs(got - want) < 0.05, qPrintable(QString("%1 instead of %2").arg(got).arg(want)));
    }

    void sizesThatAreNoPageSize_data()
    {
        QTest::addColumn<QString>("custom");
        QTest::newRow("zero") << "0x279.4";
        QTest::newRow("under 1 mm") << "100x0.5";
        QTest::newRow("negative") << "-5x100";
        QTest::newRow("empty") << "x100";
        QTest::newRow("not a number") << "abcx100";
        QTest::newRow("larger than a PDF page") << "6000x100";
    }

    void sizesThatAreNoPageSize()
    {
        // Refused before anything is asked or written.
        QFETCH(QString, custom);
        setForm(page, QString(), 0, custom, 0);
        const int asked = script.asked().size();
        const RunReport& report = page.run({path("a4.pdf"), path("zero.pdf")});
        QCOMPARE(script.asked().size(), asked);
        QCOMPARE(report.refused(), "no page size: Width and Height must be millimetres from 1 to 5080");
        QVERIFY(report.outputsWritten().isEmpty());
    }

    void inputsThatAreNotWritten()
    {
        // The fourth page of zero.pdf has no size: that file is not written,
        // nor the damaged one, and the run goes on.
        setForm(page, "A5", 0, QString(), 0);
        const RunReport& report = runIn(page, {"zero.pdf", "damaged.pdf", "locked.pdf"}, "zero", {"user-pw"});
        QCOMPARE(report.problemLines(), QStringList({path("damaged.pdf") + ": damaged beyond repair; left out",
                                                     path("zero.pdf") + ": page 4 could not be drawn on its new size; left out"}));
        QCOMPARE(report.outputsWritten(), QStringList{path("zero/locked.pdf")});
        QVERIFY(!QFileInfo::exists(path("zero/zero.pdf")));
        QCOMPARE(qpdfPageCount(path("zero.pdf")), 4);  // the input is untouched
        // Opened with its password and written without one.
        const auto info = pdfInfo(path("zero/locked.pdf"));
        QCOMPARE(info.value("Encrypted"), "no");
        QCOMPARE(info.value("Pages"), "3");
    }

    void numbersAsTheLocaleWritesThem()
    {
        // The fields are written and read with a decimal comma there: Letter stays Letter.
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        PDFPageResizer german(nullptr, toolRecord(4));
        QLocale::setDefault(before);
        QCOMPARE(german.findChild<QLineEdit*>("lineEdit_2")->text(), "215,9");
        QVERIFY(runIn(german, {"a4.pdf"}, "comma").isQuiet());
        QCOMPARE(pdfInfo(path("comma/a4.pdf")).value("Page size"), "612 x 792 pts (letter)");
    }
};

QTEST_MAIN(TestPageResizer)
#include "tst_pageresizer.moc"
