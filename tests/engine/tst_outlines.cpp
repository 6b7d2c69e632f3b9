// Bookmarks through the facade: counting and ids in depth-first order,
// removal that keeps the tree well linked (checked with QPDF and qpdf
// --check), the order and destinations of new bookmarks, damaged trees.

#include "pdfengine.h"
#include "pdffixtures.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

const std::vector<std::pair<int, QString>> tree{{0, "A"}, {1, "A1"}, {2, "A1a"}, {1, "A2"},
                                                {0, "B"}, {0, "C"},  {1, "C1"}};

QList<int> allIds(PdfEngine& e)
{
    QList<int> ids;
    for (int i = 1; i <= e.OutlineCount(); ++i)
        ids << e.GetOutlineID(i);
    return ids;
}

} // namespace

class TestOutlines : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    QString treeFile()
    {
        const QString file = path("tree.pdf");
        if (!QFile::exists(file)) {
            auto pdf = fixtures::makeNumberedPdf(3, "Tree");
            fixtures::addOutlines(*pdf, tree);
            if (!fixtures::writePdf(*pdf, file))
                return QString();
        }
        return file;
    }

    // Saves the selected document and checks its bookmark tree with QPDF.
    QStringList savedTitles(PdfEngine& e, const QString& name)
    {
        const QString out = path(name);
        if (e.SaveToFile(out) != 1)
            return {"not saved"};
        if (!qpdfCheck(out))
            return {"qpdf --check failed"};
        const QString problems = fixtures::outlineProblems(out);
        if (!problems.isEmpty())
            return {problems};
        return fixtures::outlineTitles(out);
    }

private slots:
    void countingAndIdsAreDepthFirst()
    {
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.OutlineCount(), 0);
        QCOMPARE(e.GetOutlineID(1), 0);
        QCOMPARE(e.LoadFromFile(treeFile(), QString()), 1);
        QCOMPARE(e.OutlineCount(), 7);
        const QList<int> ids = allIds(e);
        QCOMPARE(QSet<int>(ids.begin(), ids.end()).size(), 7);
        QVERIFY(!ids.contains(0));
        QCOMPARE(e.GetOutlineID(3), ids[2]);  // asked again: the same id
        QCOMPARE(e.GetOutlineID(0), 0);
        QCOMPARE(e.GetOutlineID(8), 0);

        // A1 goes with its child; the ids of the others keep their bookmarks.
        QCOMPARE(e.RemoveOutline(ids[1]), 1);
        QCOMPARE(e.OutlineCount(), 5);
        QCOMPARE(e.RemoveOutline(ids[2]), 0);  // A1a went with A1
        QCOMPARE(e.RemoveOutline(ids[1]), 0);
        QCOMPARE(e.RemoveOutline(12345), 0);
        QCOMPARE(e.GetOutlineID(2), ids[3]);
        QCOMPARE(e.RemoveOutline(ids[4]), 1);  // B, between A and C
        QCOMPARE(savedTitles(e, "t1.pdf"), QStringList({"0:A", "1:A2", "0:C", "1:C1"}));
        QCOMPARE(e.RemoveOutline(ids[6]), 1);  // C1, C's only child
        QCOMPARE(e.RemoveOutline(ids[0]), 1);  // A, the first
        QCOMPARE(savedTitles(e, "t2.pdf"), QStringList({"0:C"}));
        QCOMPARE(e.RemoveOutline(ids[5]), 1);
        QCOMPARE(e.OutlineCount(), 0);
        QCOMPARE(savedTitles(e, "t3.pdf"), QStringList());
    }

    void stripOutlinesLoop()
    {
        // The tools' loop: ids collected first, the count asked again on every pass.
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(treeFile(), QString()), 1);
        const QList<int> ids = allIds(e);
        for (int k = 0; k < e.OutlineCount(); ++k)
            e.RemoveOutline(ids[k]);
        QCOMPARE(savedTitles(e, "strip.pdf"), QStringList({"0:B", "0:C", "1:C1"}));

        // Removing from the last one backwards empties any tree.
        QCOMPARE(e.LoadFromFile(treeFile(), QString()), 1);
        for (int i = e.OutlineCount(); i >= 1; --i)
            e.RemoveOutline(e.GetOutlineID(i));
        QCOMPARE(e.OutlineCount(), 0);
        QCOMPARE(savedTitles(e, "strip-all.pdf"), QStringList());
    }

    void newBookmarksComeFirst()
    {
        // The merger creates its bookmarks last first, so that they read in page order.
        QVERIFY(fixtures::writeNumberedPdf(path("plain.pdf"), 9, "Plain"));
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(path("plain.pdf"), QString()), 1);
        QVERIFY(e.NewOutline(0, "c.pdf", 6, 0.0) > 0);
        QVERIFY(e.NewOutline(0, "b.pdf", 4, 0.0) > 0);
        const int a = e.NewOutline(0, QStringLiteral("ä 文件.pdf"), 1, 0.0);
        QVERIFY(a > 0);
        QCOMPARE(e.OutlineCount(), 3);
        QCOMPARE(e.GetOutlineID(1), a);
        QCOMPARE(e.NewOutline(0, "none", 0, 0.0), 0);
        QCOMPARE(e.NewOutline(0, "none", 10, 0.0), 0);
        QCOMPARE(e.NewOutline(99999, "none", 1, 0.0), 0);
        QCOMPARE(savedTitles(e, "new.pdf"), QStringList({QStringLiteral("0:ä 文件.pdf"), "0:b.pdf", "0:c.pdf"}));
        QCOMPARE(fixtures::outlineDestinations(path("new.pdf")),
                 QStringList({QStringLiteral("ä 文件.pdf@1:792"), "b.pdf@4:792", "c.pdf@6:792"}));

        // Under a parent: first child too. Positions count down from the top, in the current units.
        QVERIFY(e.NewOutline(a, "second", 2, 72.0) > 0);
        e.SetMeasurementUnits(1);
        QVERIFY(e.NewOutline(a, "first", 3, 25.4) > 0);
        QCOMPARE(e.OutlineCount(), 5);
        QCOMPARE(savedTitles(e, "nested.pdf"),
                 QStringList({QStringLiteral("0:ä 文件.pdf"), "1:first", "1:second", "0:b.pdf", "0:c.pdf"}));
        const QStringList dests = fixtures::outlineDestinations(path("nested.pdf"));
        QCOMPARE(dests.mid(1, 2), QStringList({"first@3:720", "second@2:720"}));

        // Into an existing tree: before its first bookmark.
        QCOMPARE(e.LoadFromFile(treeFile(), QString()), 1);
        QVERIFY(e.NewOutline(0, "new", 2, 0.0) > 0);
        QCOMPARE(e.OutlineCount(), 8);
        QCOMPARE(savedTitles(e, "tree-new.pdf"),
                 QStringList({"0:new", "0:A", "1:A1", "2:A1a", "1:A2", "0:B", "0:C", "1:C1"}));
    }

    void destinationsOnTurnedPages()
    {
        fixtures::PageSpec turned;
        turned.rotate = 90;
        QVERIFY(fixtures::writePdf(*fixtures::makePdf({turned}), path("turned.pdf")));
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(path("turned.pdf"), QString()), 1);
        // The top of the page as shown is the unturned page's left edge.
        QVERIFY(e.NewOutline(0, "top", 1, 0.0) > 0);
        QVERIFY(e.NewOutline(0, "lower", 1, 100.0) > 0);
        QCOMPARE(savedTitles(e, "turned-out.pdf"), QStringList({"0:lower", "0:top"}));
        QPDF pdf;
        pdf.processFile(QFile::encodeName(path("turned-out.pdf")).constData());
        QPDFObjectHandle first = pdf.getRoot().getKey("/Outlines").getKey("/First");
        QCOMPARE(first.getKey("/Dest").getArrayItem(2).getNumericValue(), 100.0);  // left: x in the page's space
        QCOMPARE(first.getKey("/Dest").getArrayItem(3).getNumericValue(), 0.0);
    }

    void damagedTreesStayUsable()
    {
        // A, B, C at the top with C pointing back to A, B's /Prev wrong and no /Count anywhere.
        auto pdf = fixtures::makeNumberedPdf(2, "Loop");
        fixtures::addOutlines(*pdf, {{0, "A"}, {0, "B"}, {0, "C"}, {1, "C1"}});
        QPDFObjectHandle root = pdf->getRoot().getKey("/Outlines");
        QPDFObjectHandle a = root.getKey("/First"), b = a.getKey("/Next"), c = b.getKey("/Next");
        c.replaceKey("/Next", a);
        b.replaceKey("/Prev", c);
        root.removeKey("/Count");
        c.removeKey("/Count");
        QVERIFY(fixtures::writePdf(*pdf, path("loop.pdf")));

        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(path("loop.pdf"), QString()), 1);
        QCOMPARE(e.OutlineCount(), 4);
        QCOMPARE(e.RemoveOutline(e.GetOutlineID(2)), 1);  // B
        QCOMPARE(savedTitles(e, "loop-out.pdf"), QStringList({"0:A", "0:C", "1:C1"}));

        // An outline root whose /First is not a bookmark: nothing to count.
        auto odd = fixtures::makeNumberedPdf(1, "Odd");
        odd->getRoot().replaceKey("/Outlines", QPDFObjectHandle::parse("<< /First 42 /Count 3 >>"));
        QVERIFY(fixtures::writePdf(*odd, path("odd.pdf")));
        QCOMPARE(e.LoadFromFile(path("odd.pdf"), QString()), 1);
        QCOMPARE(e.OutlineCount(), 0);
        QVERIFY(e.NewOutline(0, "fresh", 1, 0.0) > 0);
        QCOMPARE(savedTitles(e, "odd-out.pdf"), QStringList({"0:fresh"}));
    }
};

QTEST_MAIN(TestOutlines)
#include "tst_outlines.moc"
