// Pages through the facade: sizes and boxes in every unit and both origins on
// rotated pages and MediaBoxes away from 0,0; crop boxes; rotation; new,
// inserted and deleted pages; new page dimensions. Results are read back with
// pdfinfo and pdftotext.

#include "folioconstants.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "pdfread.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;
using namespace folio;

namespace {

// A page box as pdfinfo reports it (user space, clipped to the MediaBox), as
// "[left bottom right top]" rounded to hundredths.
QString box(const QString& path, int page, const QString& name)
{
    const QString n = QString::number(page);
    const QStringList v = pdfInfo(path, QString(), {"-box", "-f", n, "-l", n}).value(QString("Page %1 %2").arg(page).arg(name)).split(' ', Qt::SkipEmptyParts);
    QStringList rounded;
    for (const QString& x : v)
        rounded << QString::number(qRound(x.toDouble() * 100) / 100.0);
    return "[" + rounded.join(' ') + "]";
}

double inUnits(double points, int units)
{
    return units == Millimetres ? points * 25.4 / 72 : units == Inches ? points / 72 : points;
}

} // namespace

class TestPages : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    // One 612 x 792 page at 100,200 with that rotation, and a crop box 50..400
    // across and 60..700 up inside it.
    QString boxesFile(int rotate, bool withCrop)
    {
        const QString file = path(QString("boxes-%1-%2.pdf").arg(rotate).arg(withCrop));
        const PageLayout page{QRectF(100, 200, 612, 792), rotate, withCrop ? QRectF(150, 260, 350, 640) : QRectF()};
        return QFile::exists(file) || writePdf(file, {page}) ? file : QString();
    }

private slots:
    void boxesOnTurnedAndOffsetPages_data()
    {
        QTest::addColumn<int>("rotate");
        QTest::addColumn<int>("origin");
        QTest::addColumn<int>("units");
        QTest::addColumn<QRectF>("shown");  // left, bottom, width, height of the crop as displayed, in points
        // The crop is 50..400 across and 60..700 up on an unturned 612 x 792 page.
        const QRectF shown[] = {{50, 60, 350, 640}, {60, 212, 640, 350}, {212, 92, 350, 640}, {92, 50, 640, 350}};
        for (int units : {0, 1, 2})
            for (int origin : {0, 1})
                for (int r = 0; r < 4; ++r)
                    QTest::addRow("units %d origin %d rotate %d", units, origin, r * 90) << r * 90 << origin << units << shown[r];
    }

    void boxesOnTurnedAndOffsetPages()
    {
        QFETCH(int, rotate);
        QFETCH(int, origin);
        QFETCH(int, units);
        QFETCH(QRectF, shown);
        const double pageHeight = rotate % 180 ? 612 : 792;
        const double top = origin == OriginTopLeft ? pageHeight - shown.y() - shown.height() : shown.y() + shown.height();
        const double expected[] = {shown.x(), top, shown.width(), shown.height()};

        // Reading the crop box of a file.
        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.LoadFromFile(boxesFile(rotate, true), QString()), 1);
        e.SetMeasurementUnits(units);
        e.SetOrigin(origin);
        for (int d = 0; d < 4; ++d)
            QVERIFY(std::fabs(e.GetPageBox(CropBox, d) - inUnits(expected[d], units)) < 0.001);
        // Trim, bleed and art boxes fall back to the crop box.
        for (int type : {BleedBox, TrimBox, ArtBox})
            QVERIFY(std::fabs(e.GetPageBox(type, BoxWidth) - inUnits(shown.width(), units)) < 0.001);
        // The MediaBox starts at the displayed page's corner.
        QCOMPARE(e.GetPageBox(MediaBox, BoxLeft), 0.0);
        QVERIFY(std::fabs(e.GetPageBox(MediaBox, BoxTop) - (origin == OriginTopLeft ? 0.0 : inUnits(pageHeight, units))) < 0.001);
        QVERIFY(std::fabs(e.GetPageBox(MediaBox, BoxHeight) - inUnits(pageHeight, units)) < 0.001);
        QVERIFY(std::fabs(e.PageHeight() - inUnits(pageHeight, units)) < 0.001);
        QVERIFY(std::fabs(e.PageWidth() - inUnits(rotate % 180 ? 792 : 612, units)) < 0.001);
        QCOMPARE(e.GetPageBox(0, BoxLeft), 0.0);
        QCOMPARE(e.GetPageBox(CropBox, 4), 0.0);

        // Setting the same box on a page without one gives the file's box.
        QCOMPARE(e.LoadFromFile(boxesFile(rotate, false), QString()), 1);
        QVERIFY(std::fabs(e.GetPageBox(CropBox, BoxWidth) - e.PageWidth()) < 0.001);
        QCOMPARE(e.SetCropBox(inUnits(expected[0], units), inUnits(top, units), inUnits(expected[2], units), inUnits(expected[3], units)), 1);
        QCOMPARE(e.SaveToFile(path("crop.pdf")), 1);
        QCOMPARE(box(path("crop.pdf"), 1, "CropBox"), "[150 260 500 900]");
        QCOMPARE(box(path("crop.pdf"), 1, "MediaBox"), "[100 200 712 992]");
    }

    void refusalsAndClipping()
    {
        // Sizes in every unit are read in the box tests above.
        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.SelectPage(0), 0);
        QCOMPARE(e.SelectPage(2), 0);
        QCOMPARE(e.SetMeasurementUnits(3), 0);
        QCOMPARE(e.SetCropBox(10, 700, 0, 100), 0);
        QCOMPARE(e.SetCropBox(10, 700, 100, -5), 0);
        QCOMPARE(e.SetCropBox(1000, 700, 100, 100), 0);  // wholly beside the page
        QCOMPARE(e.GetPageBox(CropBox, BoxWidth), 612.0);
        QCOMPARE(e.SetCropBox(-100, 900, 300, 400), 1);  // partly outside: clipped
        QCOMPARE(e.SaveToFile(path("clipped.pdf")), 1);
        QCOMPARE(box(path("clipped.pdf"), 1, "CropBox"), "[0 500 200 792]");
    }

    void rotation()
    {
        // The second page inherits its rotation from the page tree.
        auto pdf = makeNumberedPdf(2, "Rot");
        pdf->getRoot().getKey("/Pages").replaceKey("/Rotate", QPDFObjectHandle::newInteger(90));
        QPDFObjectHandle(pdf->getAllPages()[0]).replaceKey("/Rotate", QPDFObjectHandle::newInteger(0));
        QVERIFY(writePdf(*pdf, path("rot.pdf")));
        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.LoadFromFile(path("rot.pdf"), QString()), 1);
        QCOMPARE(e.SelectPage(2), 1);
        QCOMPARE(e.PageWidth(), 792.0);
        QCOMPARE(e.RotatePage(90), 1);
        QCOMPARE(e.PageWidth(), 612.0);
        QCOMPARE(e.RotatePage(45), 0);
        QCOMPARE(e.SelectPage(1), 1);
        QCOMPARE(e.RotatePage(-90), 1);
        QCOMPARE(e.RotatePage(720), 1);
        QVERIFY(!saveChecked(e, path("rot-out.pdf")).isEmpty());
        QCOMPARE(pageBoxes(path("rot-out.pdf")), QStringList({"270: 0.00 0.00 612.00 792.00", "180: 0.00 0.00 612.00 792.00"}));
    }

    void newAndInsertedPagesTakeTheSelectedPagesSize()
    {
        QVERIFY(writePdf(path("mixed.pdf"), {{QRectF(0, 0, 612, 792), 0, {}, "Page 1"}, {QRectF(0, 0, 420, 595), 90, {}, "Page 2"},
                                             {QRectF(0, 0, 612, 792), 0, {}, "Page 3"}}));
        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.LoadFromFile(path("mixed.pdf"), QString()), 1);
        QCOMPARE(e.SelectPage(2), 1);
        QCOMPARE(e.InsertPages(2, 2), 5);  // before page 2; the selection follows its page
        QCOMPARE(e.PageWidth(), 595.0);
        QCOMPARE(e.InsertPages(6, 1), 6);  // count + 1 appends
        QCOMPARE(e.InsertPages(8, 1), 0);
        QCOMPARE(e.InsertPages(0, 1), 0);
        QCOMPARE(e.InsertPages(1, 0), 0);
        QCOMPARE(e.NewPage(), 7);  // appended, and selected
        QCOMPARE(e.PageWidth(), 595.0);
        QCOMPARE(e.PageHeight(), 420.0);
        QVERIFY(!saveChecked(e, path("mixed-out.pdf")).isEmpty());
        QCOMPARE(pageTexts(path("mixed-out.pdf")), QStringList({"Page 1", "", "", "Page 2", "Page 3", "", ""}));
        // Blank pages are upright pages of the displayed size.
        const QString blank = "0: 0.00 0.00 595.00 420.00", letter = "0: 0.00 0.00 612.00 792.00";
        QCOMPARE(pageBoxes(path("mixed-out.pdf")), QStringList({letter, blank, blank, "90: 0.00 0.00 420.00 595.00", letter, blank, blank}));
    }

    void deletingPages()
    {
        auto pdf = makeNumberedPdf(4, "Del");
        addTextField(*pdf, 2, "gone", "x");
        addTextField(*pdf, 3, "kept", "y");
        QVERIFY(writePdf(*pdf, path("del.pdf")));
        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.LoadFromFile(path("del.pdf"), QString()), 1);
        for (const auto& [start, count] : QList<QPair<int, int>>{{1, 4}, {1, 99}, {5, 1}, {0, 1}, {2, 0}})
            QCOMPARE(e.DeletePages(start, count), 0);  // would leave no page, or none to delete
        QCOMPARE(e.PageCount(), 4);
        QCOMPARE(e.DeletePages(2, 1), 3);
        QCOMPARE(e.DeletePages(3, 10), 2);  // runs past the end: stops there
        QVERIFY(!saveChecked(e, path("del-out.pdf")).isEmpty());
        QCOMPARE(pageTexts(path("del-out.pdf")), QStringList({"Del page 1", "Del page 3 y"}));
        QCOMPARE(formFields(path("del-out.pdf")), QStringList({"kept=y"}));

        // Pages of a tree whose /Count is wrong go one at a time all the
        // same, and what they inherited stays with the others.
        auto tree = makeNumberedPdf(4, "Tree");
        tree->getRoot().getKey("/Pages").replaceKey("/Count", QPDFObjectHandle::newInteger(7));
        tree->getRoot().getKey("/Pages").replaceKey("/Rotate", QPDFObjectHandle::newInteger(90));
        QVERIFY(writePdf(*tree, path("tree.pdf")));
        QCOMPARE(e.LoadFromFile(path("tree.pdf"), QString()), 1);
        QCOMPARE(e.DeletePages(2, 1), 3);
        QCOMPARE(e.DeletePages(3, 1), 2);
        QVERIFY(!saveChecked(e, path("tree-out.pdf")).isEmpty());
        QCOMPARE(pageTexts(path("tree-out.pdf")), QStringList({"Tree page 1", "Tree page 3"}));
        QCOMPARE(pageBoxes(path("tree-out.pdf")).value(1), "90: 0.00 0.00 612.00 792.00");
    }

    void newPageDimensions()
    {
        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.LoadFromFile(boxesFile(90, true), QString()), 1);
        QCOMPARE(e.SetPageDimensions(0, 100), 0);
        QCOMPARE(e.SetPageDimensions(100, -1), 0);
        e.SetMeasurementUnits(Millimetres);
        QCOMPARE(e.SetPageDimensions(254, 127), 1);  // 720 x 360 points, as displayed
        QVERIFY(!saveChecked(e, path("dims.pdf")).isEmpty());
        // Turned by 90: the MediaBox is 360 wide and 720 high, from its old corner; the crop box went.
        QCOMPARE(box(path("dims.pdf"), 1, "MediaBox"), "[100 200 460 920]");
        QCOMPARE(pageBoxes(path("dims.pdf")), QStringList{"90: 100.00 200.00 460.00 920.00"});

        // A box inherited from the page tree goes too.
        auto pdf = makeNumberedPdf(2, "Inherit");
        pdf->getRoot().getKey("/Pages").replaceKey("/CropBox", QPDFObjectHandle::parse("[10 10 300 300]"));
        QVERIFY(writePdf(*pdf, path("inherit.pdf")));
        QCOMPARE(e.LoadFromFile(path("inherit.pdf"), QString()), 1);
        e.SetMeasurementUnits(Points);
        QCOMPARE(e.SelectPage(2), 1);
        QCOMPARE(e.GetPageBox(CropBox, BoxWidth), 290.0);
        QCOMPARE(e.SetPageDimensions(400, 500), 1);
        QCOMPARE(e.SaveToFile(path("inherit-out.pdf")), 1);
        QCOMPARE(pageBoxes(path("inherit-out.pdf")), QStringList({"0: 10.00 10.00 300.00 300.00", "0: 0.00 0.00 400.00 500.00"}));
    }
};

QTEST_MAIN(TestPages)
#include "tst_pages.moc"
