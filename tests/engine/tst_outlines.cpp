// Bookmarks through the facade: counting and ids in depth-first order,
// removal that keeps the tree well linked (checked with QPDF and qpdf
// --check), the order and destinations of new bookmarks, damaged trees.

#include "folioconstants.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "pdfread.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;
using namespace folio;

class TestOutlines : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    QString tree;  // A (A1 (A1a), A2), B, C (C1) on three pages

    static QList<int> allIds(PdfEngine& e)
    {
        QList<int> ids;
        for (int i = 1; i <= e.OutlineCount(); ++i)
            ids << e.GetOutlineID(i);
        return ids;
    }

    // Saves the selected document; its bookmarks as QPDF reads them, after
    // checking that the tree is well linked.
    QStringList saved(PdfEngine& e, const QString& name, int fields = WithDepth)
    {
        const QString out = path(name);
        if (e.SaveToFile(out) != 1 || !qpdfCheck(out))
            return {"not saved"};
        const QString problems = outlineProblems(out);
        return problems.isEmpty() ? outlines(out, fields) : QStringList{problems};
    }

private slots:
    void initTestCase()
    {
        auto pdf = makeNumberedPdf(3, "Tree");
        addOutlines(*pdf, {{0, "A"}, {1, "A1"}, {2, "A1a"}, {1, "A2"}, {0, "B"}, {0, "C"}, {1, "C1"}});
        tree = path("tree.pdf");
        QVERIFY(writePdf(*pdf, tree));
    }

    void countingIdsAndRemoval()
    {
        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.OutlineCount(), 0);
        QCOMPARE(e.GetOutlineID(1), 0);
        QCOMPARE(e.LoadFromFile(tree, QString()), 1);
        QCOMPARE(e.OutlineCount(), 7);
        const QList<int> ids = allIds(e);
        QCOMPARE(QSet<int>(ids.begin(), ids.end()).size(), 7);
        QVERIFY(!ids.contains(0));
        QCOMPARE(e.GetOutlineID(3), ids[2]);  // asked again: the same id
        QCOMPARE(e.GetOutlineID(0), 0);
        QCOMPARE(e.GetOutlineID(8), 0);

        // A1 goes with its child; the others keep their ids.
        QCOMPARE(e.RemoveOutline(ids[1]), 1);
        QCOMPARE(e.OutlineCount(), 5);
        QCOMPARE(e.RemoveOutline(ids[2]), 0);  // A1a went with A1
        QCOMPARE(e.RemoveOutline(12345), 0);
        QCOMPARE(e.GetOutlineID(2), ids[3]);
        QCOMPARE(e.RemoveOutline(ids[4]), 1);  // B, between A and C
        QCOMPARE(saved(e, "t1.pdf"), QStringList({"0:A", "1:A2", "0:C", "1:C1"}));
        QCOMPARE(e.RemoveOutline(ids[6]), 1);  // C1, C's only child
        QCOMPARE(e.RemoveOutline(ids[0]), 1);  // A, the first
        QCOMPARE(saved(e, "t2.pdf"), QStringList({"0:C"}));
        QCOMPARE(e.RemoveOutline(ids[5]), 1);
        QCOMPARE(saved(e, "t3.pdf"), QStringList());
    }

    void newBookmarksComeFirst()
    {
        // The merger creates its bookmarks last first, so that they read in page order.
        QVERIFY(writeNumberedPdf(path("plain.pdf"), 9, "Plain"));
        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.LoadFromFile(path("plain.pdf"), QString()), 1);
        QVERIFY(e.NewOutline(0, "c.pdf", 6, 0.0) > 0);
        QVERIFY(e.NewOutline(0, "b.pdf", 4, 0.0) > 0);
        const int a = e.NewOutline(0, "ä 文件.pdf", 1, 0.0);
        QVERIFY(a > 0);
        QCOMPARE(e.GetOutlineID(1), a);
        QCOMPARE(e.NewOutline(0, "none", 0, 0.0), 0);
        QCOMPARE(e.NewOutline(0, "none", 10, 0.0), 0);
        QCOMPARE(e.NewOutline(99999, "none", 1, 0.0), 0);
        QCOMPARE(e.OutlineCount(), 3);
        QCOMPARE(saved(e, "new.pdf", WithPage | WithTop), QStringList({"ä 文件.pdf@1:792", "b.pdf@4:792", "c.pdf@6:792"}));

        // Under a parent: first child too. Positions count down from the top, in the current units.
        QVERIFY(e.NewOutline(a, "second", 2, 72.0) > 0);
        e.SetMeasurementUnits(Millimetres);
        QVERIFY(e.NewOutline(a, "first", 3, 25.4) > 0);
        QCOMPARE(saved(e, "nested.pdf", WithDepth | WithPage | WithTop),
                 QStringList({"0:ä 文件.pdf@1:792", "1:first@3:720", "1:second@2:720", "0:b.pdf@4:792", "0:c.pdf@6:792"}));

        // Into an existing tree: before its first bookmark.
        QCOMPARE(e.LoadFromFile(tree, QString()), 1);
        QVERIFY(e.NewOutline(0, "new", 2, 0.0) > 0);
        QCOMPARE(saved(e, "tree-new.pdf"), QStringList({"0:new", "0:A", "1:A1", "2:A1a", "1:A2", "0:B", "0:C", "1:C1"}));
    }

    void destinationsOnTurnedPages()
    {
        QVERIFY(writePdf(path("turned.pdf"), {PageLayout{QRectF(0, 0, 612, 792), 90}}));
        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.LoadFromFile(path("turned.pdf"), QString()), 1);
        // The top of the page as shown is the unturned page's left edge.
        QVERIFY(e.NewOutline(0, "top", 1, 0.0) > 0);
        QVERIFY(e.NewOutline(0, "lower", 1, 100.0) > 0);
        QCOMPARE(saved(e, "turned-out.pdf"), QStringList({"0:lower", "0:top"}));
        QPDFObjectHandle dest = openPdf(path("turned-out.pdf"))->getRoot().getKey("/Outlines").getKey("/First").getKey("/Dest");
        QCOMPARE(dest.getArrayItem(2).getNumericValue(), 100.0);  // left: x in the page's space
        QCOMPARE(dest.getArrayItem(3).getNumericValue(), 0.0);
    }

    void damagedTreesStayUsable()
    {
        // A, B, C at the top with C pointing back to A, B's /Prev wrong and no /Count anywhere.
        auto pdf = makeNumberedPdf(2, "Loop");
        addOutlines(*pdf, {{0, "A"}, {0, "B"}, {0, "C"}, {1, "C1"}});
        QPDFObjectHandle root = pdf->getRoot().getKey("/Outlines");
        QPDFObjectHandle a = root.getKey("/First"), b = a.getKey("/Next"), c = b.getKey("/Next");
        c.replaceKey("/Next", a);
        b.replaceKey("/Prev", c);
        root.removeKey("/Count");
        c.removeKey("/Count");
        QVERIFY(writePdf(*pdf, path("loop.pdf")));
        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.LoadFromFile(path("loop.pdf"), QString()), 1);
        QCOMPARE(e.OutlineCount(), 4);
        QCOMPARE(e.RemoveOutline(e.GetOutlineID(2)), 1);  // B
        QCOMPARE(saved(e, "loop-out.pdf"), QStringList({"0:A", "0:C", "1:C1"}));

        // An outline root whose /First is not a bookmark: nothing to count.
        auto odd = makeNumberedPdf(1, "Odd");
        odd->getRoot().replaceKey("/Outlines", QPDFObjectHandle::parse("<< /First 42 /Count 3 >>"));
        QVERIFY(writePdf(*odd, path("odd.pdf")));
        QCOMPARE(e.LoadFromFile(path("odd.pdf"), QString()), 1);
        QCOMPARE(e.OutlineCount(), 0);
        QVERIFY(e.NewOutline(0, "fresh", 1, 0.0) > 0);
        QCOMPARE(saved(e, "odd-out.pdf"), QStringList({"0:fresh"}));
    }
};

QTEST_MAIN(TestOutlines)
#include "tst_outlines.moc"
