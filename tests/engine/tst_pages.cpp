// Pages through the facade: sizes and boxes in every unit and both origins
// on rotated pages and MediaBoxes away from 0,0; crop boxes; rotation; new,
// inserted and deleted pages; new page dimensions. Results are read back with
// pdfinfo and pdftotext.

#include "pdfengine.h"
#include "pdffixtures.h"
#include "testsupport.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;
using fixtures::PageSpec;

namespace {

// A page box as pdfinfo reports it (user space, clipped to the MediaBox by Poppler).
QRectF pdfinfoBox(const QString& path, int page, const QString& box)
{
    QString out;
    run("pdfinfo", {"-box", "-f", QString::number(page), "-l", QString::number(page), path}, &out);
    const QRegularExpression re(QStringLiteral("Page\\s+%1 %2:\\s+(\\S+)\\s+(\\S+)\\s+(\\S+)\\s+(\\S+)").arg(page).arg(box));
    const auto m = re.match(out);
    if (!m.hasMatch())
        return QRectF();
    const double x0 = m.captured(1).toDouble(), y0 = m.captured(2).toDouble();
    return QRectF(x0, y0, m.captured(3).toDouble() - x0, m.captured(4).toDouble() - y0);
}

int pdfinfoRotation(const QString& path, int page)
{
    QString out;
    run("pdfinfo", {"-f", QString::number(page), "-l", QString::number(page), path}, &out);
    const auto m = QRegularExpression(QStringLiteral("Page\\s+%1 rot:\\s+(\\d+)").arg(page)).match(out);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

bool near(const QRectF& a, const QRectF& b)
{
    auto eq = [](double x, double y) { return std::fabs(x - y) < 0.02; };
    return eq(a.x(), b.x()) && eq(a.y(), b.y()) && eq(a.width(), b.width()) && eq(a.height(), b.height());
}

QString show(const QRectF& r)
{
    return QStringLiteral("[%1 %2 %3 %4]").arg(r.left()).arg(r.top()).arg(r.right()).arg(r.bottom());
}

double inUnits(double points, int units)
{
    return units == 1 ? points * 25.4 / 72 : units == 2 ? points / 72 : points;
}

} // namespace

class TestPages : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    // One 612 x 792 page at 100,200 with the given rotation, and a crop box
    // 50..400 across and 60..700 up inside it.
    QString boxesFile(int rotate, bool withCrop)
    {
        const QString file = path(QStringLiteral("boxes-%1-%2.pdf").arg(rotate).arg(withCrop));
        if (QFile::exists(file))
            return file;
        PageSpec page;
        page.mediaBox = QRectF(100, 200, 612, 792);
        page.rotate = rotate;
        if (withCrop)
            page.cropBox = QRectF(150, 260, 350, 640);
        return fixtures::writePdf(*fixtures::makePdf({page}), file) ? file : QString();
    }

private slots:
    void pageSizesInEveryUnit()
    {
        PageSpec a4, turned, offset;
        a4.mediaBox = QRectF(0, 0, 595.276, 841.89);
        turned.rotate = 90;
        offset.mediaBox = QRectF(-50, 30, 300, 400);
        offset.rotate = 270;
        QVERIFY(fixtures::writePdf(*fixtures::makePdf({a4, turned, offset}), path("sizes.pdf")));
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(path("sizes.pdf"), QString()), 1);
        QCOMPARE(e.SelectPage(0), 0);
        QCOMPARE(e.SelectPage(4), 0);
        QCOMPARE(e.SetMeasurementUnits(1), 1);
        QCOMPARE(e.SelectPage(1), 1);
        QCOMPARE(qRound(e.PageWidth() * 10), 2100);
        QCOMPARE(qRound(e.PageHeight() * 10), 2970);
        QCOMPARE(e.SetMeasurementUnits(2), 1);
        QCOMPARE(e.SelectPage(2), 1);
        QCOMPARE(e.PageWidth(), 11.0);
        QCOMPARE(e.PageHeight(), 8.5);
        QCOMPARE(e.SetMeasurementUnits(0), 1);
        QCOMPARE(e.SelectPage(3), 1);
        QCOMPARE(e.PageWidth(), 400.0);
        QCOMPARE(e.PageHeight(), 300.0);
        QCOMPARE(e.SetMeasurementUnits(3), 0);
        QCOMPARE(e.PageWidth(), 400.0);
    }

    void boxesOnTurnedAndOffsetPages_data()
    {
        QTest::addColumn<int>("rotate");
        QTest::addColumn<int>("origin");
        QTest::addColumn<int>("units");
        QTest::addColumn<QRectF>("shown");  // left, bottom, width, height of the crop as displayed, in points
        QTest::addColumn<double>("pageHeight");
        // The crop is 50..400 across and 60..700 up on an unturned 612 x 792 page.
        const QRectF turned0(50, 60, 350, 640), turned90(60, 212, 640, 350), turned180(212, 92, 350, 640),
            turned270(92, 50, 640, 350);
        for (int units : {0, 1, 2}) {
            for (int origin : {0, 1}) {
                const QString tag = QStringLiteral("units %1 origin %2 ").arg(units).arg(origin);
                QTest::newRow(qPrintable(tag + "rotate 0")) << 0 << origin << units << turned0 << 792.0;
                QTest::newRow(qPrintable(tag + "rotate 90")) << 90 << origin << units << turned90 << 612.0;
                QTest::newRow(qPrintable(tag + "rotate 180")) << 180 << origin << units << turned180 << 792.0;
                QTest::newRow(qPrintable(tag + "rotate 270")) << 270 << origin << units << turned270 << 612.0;
            }
        }
    }

    void boxesOnTurnedAndOffsetPages()
    {
        QFETCH(int, rotate);
        QFETCH(int, origin);
        QFETCH(int, units);
        QFETCH(QRectF, shown);
        QFETCH(double, pageHeight);
        const double top = origin == 1 ? pageHeight - shown.y() - shown.height() : shown.y() + shown.height();
        const double tolerance = 0.001;

        // Reading the crop box of a file.
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(boxesFile(rotate, true), QString()), 1);
        e.SetMeasurementUnits(units);
        e.SetOrigin(origin);
        QVERIFY(std::fabs(e.GetPageBox(2, 0) - inUnits(shown.x(), units)) < tolerance);
        QVERIFY(std::fabs(e.GetPageBox(2, 1) - inUnits(top, units)) < tolerance);
        QVERIFY(std::fabs(e.GetPageBox(2, 2) - inUnits(shown.width(), units)) < tolerance);
        QVERIFY(std::fabs(e.GetPageBox(2, 3) - inUnits(shown.height(), units)) < tolerance);
        // Trim, bleed and art boxes fall back to the crop box.
        for (int type : {3, 4, 5})
            QVERIFY(std::fabs(e.GetPageBox(type, 2) - inUnits(shown.width(), units)) < tolerance);
        // The MediaBox starts at the displayed page's corner.
        QCOMPARE(e.GetPageBox(1, 0), 0.0);
        QVERIFY(std::fabs(e.GetPageBox(1, 1) - (origin == 1 ? 0.0 : inUnits(pageHeight, units))) < tolerance);
        QVERIFY(std::fabs(e.GetPageBox(1, 3) - inUnits(pageHeight, units)) < tolerance);
        QVERIFY(std::fabs(e.PageHeight() - inUnits(pageHeight, units)) < tolerance);
        QCOMPARE(e.GetPageBox(0, 0), 0.0);
        QCOMPARE(e.GetPageBox(2, 4), 0.0);

        // Setting the same box on a page without one gives the file's box.
        QCOMPARE(e.LoadFromFile(boxesFile(rotate, false), QString()), 1);
        QVERIFY(std::fabs(e.GetPageBox(2, 2) - e.PageWidth()) < tolerance);
        QCOMPARE(e.SetCropBox(inUnits(shown.x(), units), inUnits(top, units), inUnits(shown.width(), units),
                              inUnits(shown.height(), units)),
                 1);
        const QString out = path(QStringLiteral("crop-%1.pdf").arg(QTest::currentDataTag()).replace(' ', '_'));
        QCOMPARE(e.SaveToFile(out), 1);
        const QRectF crop = pdfinfoBox(out, 1, "CropBox");
        QVERIFY2(near(crop, QRectF(150, 260, 350, 640)), qPrintable(show(crop)));
        QVERIFY(near(pdfinfoBox(out, 1, "MediaBox"), QRectF(100, 200, 612, 792)));
    }

    void rotateAndCropToolKeepsTheCropThroughRotation()
    {
        // Each page: turn by 90, read the crop, recompute it from its margins (one replaced).
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(boxesFile(0, true), QString()), 1);
        QCOMPARE(e.SelectPage(1), 1);
        e.SetOrigin(1);
        QCOMPARE(e.RotatePage(90), 1);
        const double cropLeft = e.GetPageBox(2, 0), cropTop = e.GetPageBox(2, 1);
        const double cropWidth = e.GetPageBox(2, 2), cropHeight = e.GetPageBox(2, 3);
        const double W = e.PageWidth(), H = e.PageHeight();
        QCOMPARE(W, 792.0);
        double left = cropLeft, top = cropTop;
        const double right = W - cropWidth - cropLeft, bottom = H - cropHeight - cropTop;
        QCOMPARE(e.SetCropBox(left, top, W - right - left, H - bottom - top), 1);
        QCOMPARE(e.SaveToFile(path("turned.pdf")), 1);
        QCOMPARE(pdfinfoRotation(path("turned.pdf"), 1), 90);
        QVERIFY(near(pdfinfoBox(path("turned.pdf"), 1, "CropBox"), QRectF(150, 260, 350, 640)));

        // "Change Left Margin" 36: the displayed left edge moves, the others stay.
        left = 36;
        QCOMPARE(e.SetCropBox(left, top, W - right - left, H - bottom - top), 1);
        QCOMPARE(e.GetPageBox(2, 0), 36.0);
        QCOMPARE(e.GetPageBox(2, 1), cropTop);
        QCOMPARE(e.GetPageBox(2, 0) + e.GetPageBox(2, 2), cropLeft + cropWidth);
        QCOMPARE(e.SaveToFile(path("turned-left.pdf")), 1);
        // Displayed left is the unturned page's bottom: the user-space bottom moved to 200 + 36.
        QVERIFY2(near(pdfinfoBox(path("turned-left.pdf"), 1, "CropBox"), QRectF(150, 236, 350, 664)),
                 qPrintable(show(pdfinfoBox(path("turned-left.pdf"), 1, "CropBox"))));
    }

    void cropBoxRefusalsAndClipping()
    {
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.SetCropBox(10, 700, 0, 100), 0);
        QCOMPARE(e.SetCropBox(10, 700, 100, -5), 0);
        QCOMPARE(e.SetCropBox(1000, 700, 100, 100), 0);  // wholly beside the page
        QCOMPARE(e.GetPageBox(2, 2), 612.0);
        QCOMPARE(e.SetCropBox(-100, 900, 300, 400), 1);  // partly outside: clipped
        QCOMPARE(e.GetPageBox(2, 0), 0.0);
        QCOMPARE(e.GetPageBox(2, 1), 792.0);
        QCOMPARE(e.GetPageBox(2, 2), 200.0);
        QCOMPARE(e.GetPageBox(2, 3), 292.0);
        QCOMPARE(e.SaveToFile(path("clipped.pdf")), 1);
        QVERIFY(near(pdfinfoBox(path("clipped.pdf"), 1, "CropBox"), QRectF(0, 500, 200, 292)));
    }

    void rotation()
    {
        // The second page inherits its rotation from the page tree.
        auto pdf = fixtures::makeNumberedPdf(2, "Rot");
        pdf->getRoot().getKey("/Pages").replaceKey("/Rotate", QPDFObjectHandle::newInteger(90));
        QPDFObjectHandle first = pdf->getAllPages()[0];
        first.replaceKey("/Rotate", QPDFObjectHandle::newInteger(0));
        QVERIFY(fixtures::writePdf(*pdf, path("rot.pdf")));
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(path("rot.pdf"), QString()), 1);
        QCOMPARE(e.SelectPage(2), 1);
        QCOMPARE(e.PageWidth(), 792.0);
        QCOMPARE(e.RotatePage(90), 1);
        QCOMPARE(e.PageWidth(), 612.0);
        QCOMPARE(e.RotatePage(45), 0);
        QCOMPARE(e.SelectPage(1), 1);
        QCOMPARE(e.RotatePage(-90), 1);
        QCOMPARE(e.RotatePage(720), 1);
        QCOMPARE(e.SaveToFile(path("rot-out.pdf")), 1);
        QVERIFY(qpdfCheck(path("rot-out.pdf")));
        QCOMPARE(pdfinfoRotation(path("rot-out.pdf"), 1), 270);
        QCOMPARE(pdfinfoRotation(path("rot-out.pdf"), 2), 180);
    }

    void newAndInsertedPagesTakeTheSelectedPagesSize()
    {
        PageSpec letter, turnedA5;
        turnedA5.mediaBox = QRectF(0, 0, 420, 595);
        turnedA5.rotate = 90;
        QVERIFY(fixtures::writePdf(*fixtures::makePdf({letter, turnedA5, letter}), path("mixed.pdf")));
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(path("mixed.pdf"), QString()), 1);
        QCOMPARE(e.SelectPage(2), 1);
        QCOMPARE(e.InsertPages(2, 2), 5);  // before page 2; the selection follows its page
        QCOMPARE(e.PageWidth(), 595.0);
        QCOMPARE(e.InsertPages(6, 1), 6);  // count + 1 appends
        QCOMPARE(e.InsertPages(8, 1), 0);
        QCOMPARE(e.InsertPages(0, 1), 0);
        QCOMPARE(e.InsertPages(1, 0), 0);
        QCOMPARE(e.NewPage(), 7);          // appended, and selected
        QCOMPARE(e.PageWidth(), 595.0);
        QCOMPARE(e.PageHeight(), 420.0);
        QCOMPARE(e.SaveToFile(path("mixed-out.pdf")), 1);
        QVERIFY(qpdfCheck(path("mixed-out.pdf")));
        const QStringList expected{"Page 1", "", "", "Page 2", "Page 3", "", ""};
        for (int p = 1; p <= 7; ++p)
            QCOMPARE(pdfText(path("mixed-out.pdf"), p).simplified(), expected[p - 1]);
        // Blank pages are upright pages of the displayed size.
        QVERIFY(near(pdfinfoBox(path("mixed-out.pdf"), 2, "MediaBox"), QRectF(0, 0, 595, 420)));
        QCOMPARE(pdfinfoRotation(path("mixed-out.pdf"), 7), 0);
        QVERIFY(near(pdfinfoBox(path("mixed-out.pdf"), 6, "MediaBox"), QRectF(0, 0, 595, 420)));
    }

    void deletingPages()
    {
        auto pdf = fixtures::makeNumberedPdf(4, "Del");
        fixtures::addTextField(*pdf, 2, "gone", "x");
        fixtures::addTextField(*pdf, 3, "kept", "y");
        QVERIFY(fixtures::writePdf(*pdf, path("del.pdf")));
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(path("del.pdf"), QString()), 1);
        QCOMPARE(e.DeletePages(1, 4), 0);   // would leave no page
        QCOMPARE(e.DeletePages(1, 99), 0);
        QCOMPARE(e.DeletePages(5, 1), 0);
        QCOMPARE(e.DeletePages(0, 1), 0);
        QCOMPARE(e.DeletePages(2, 0), 0);
        QCOMPARE(e.PageCount(), 4);
        QCOMPARE(e.DeletePages(2, 1), 3);
        QCOMPARE(e.DeletePages(3, 10), 2);  // runs past the end: stops there
        QCOMPARE(e.SaveToFile(path("del-out.pdf")), 1);
        QVERIFY(qpdfCheck(path("del-out.pdf")));
        QCOMPARE(pdfText(path("del-out.pdf")).simplified(), QStringLiteral("Del page 1 Del page 3 y"));
        QCOMPARE(fixtures::formFields(path("del-out.pdf")), QStringList({"kept=y"}));

        // The page remover on a one-page document: a blank page first, then the page goes.
        QCOMPARE(e.LoadFromFile(path("del-out.pdf"), QString()), 1);
        QCOMPARE(e.DeletePages(1, 1), 1);
        QCOMPARE(e.DeletePages(1, 1), 0);
        QCOMPARE(e.InsertPages(2, 1), 2);
        QCOMPARE(e.DeletePages(1, 1), 1);
        QCOMPARE(e.SaveToFile(path("del-blank.pdf")), 1);
        QCOMPARE(qpdfPageCount(path("del-blank.pdf")), 1);
        QCOMPARE(pdfText(path("del-blank.pdf")).simplified(), QString());
        QVERIFY(fixtures::formFields(path("del-blank.pdf")).isEmpty());
    }

    void newPageDimensions()
    {
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(boxesFile(90, true), QString()), 1);
        QCOMPARE(e.SetPageDimensions(0, 100), 0);
        QCOMPARE(e.SetPageDimensions(100, -1), 0);
        e.SetMeasurementUnits(1);
        QCOMPARE(e.SetPageDimensions(254, 127), 1);  // 720 x 360 points, as displayed
        QVERIFY(std::fabs(e.PageWidth() - 254) < 1e-9);
        QVERIFY(std::fabs(e.PageHeight() - 127) < 1e-9);
        QVERIFY(std::fabs(e.GetPageBox(2, 2) - 254) < 1e-9);  // the crop box went
        QCOMPARE(e.SaveToFile(path("dims.pdf")), 1);
        QVERIFY(qpdfCheck(path("dims.pdf")));
        // Turned by 90: the MediaBox is 360 wide and 720 high, from its old corner.
        QVERIFY(near(pdfinfoBox(path("dims.pdf"), 1, "MediaBox"), QRectF(100, 200, 360, 720)));
        QVERIFY(near(pdfinfoBox(path("dims.pdf"), 1, "CropBox"), QRectF(100, 200, 360, 720)));
        QCOMPARE(pdfinfoRotation(path("dims.pdf"), 1), 90);

        // A box inherited from the page tree goes too.
        auto pdf = fixtures::makeNumberedPdf(2, "Inherit");
        pdf->getRoot().getKey("/Pages").replaceKey("/CropBox", QPDFObjectHandle::parse("[10 10 300 300]"));
        QVERIFY(fixtures::writePdf(*pdf, path("inherit.pdf")));
        QCOMPARE(e.LoadFromFile(path("inherit.pdf"), QString()), 1);
        e.SetMeasurementUnits(0);
        QCOMPARE(e.SelectPage(2), 1);
        QCOMPARE(e.GetPageBox(2, 2), 290.0);
        QCOMPARE(e.SetPageDimensions(400, 500), 1);
        QCOMPARE(e.SaveToFile(path("inherit-out.pdf")), 1);
        QVERIFY(near(pdfinfoBox(path("inherit-out.pdf"), 2, "CropBox"), QRectF(0, 0, 400, 500)));
        QVERIFY(near(pdfinfoBox(path("inherit-out.pdf"), 1, "CropBox"), QRectF(10, 10, 290, 290)));
    }
};

QTEST_MAIN(TestPages)
#include "tst_pages.moc"
