// folioforge-cli resize against Ghostscript's -dPDFFitPage: the old page
// placed at the same spot (pdftotext -bbox). (Against the desktop: tst_desktop.)

#include "clisupport.h"
#include "pdfbuild.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestResize : public CliSuite
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QByteArray centre = Builder::text("/F1", 24, 250, 400, "Centre");
        QVERIFY(writePdf(path("mixed.pdf"), {{QRectF(0, 0, 595.276, 841.89), 0, QRectF(), "A4", centre},
                                             {QRectF(0, 0, 612, 792), 0, QRectF(), "Letter", centre}}));
    }

    void placedAsGhostscriptPlacesIt_data()
    {
        QTest::addColumn<QString>("paper");
        QTest::newRow("letter") << "letter";
        QTest::newRow("a4") << "a4";
    }

    void placedAsGhostscriptPlacesIt()
    {
        QFETCH(QString, paper);
        const auto r = runCli({"resize", "--paper", paper, "-o", "fit-" + paper, "mixed.pdf"}, dir.path());
        QCOMPARE(r.status, 0);
        const QString gs = path("gs-" + paper + ".pdf");
        QCOMPARE(run("gs", {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite", "-sPAPERSIZE=" + paper, "-dFIXEDMEDIA",
                            "-dPDFFitPage", "-o", gs, path("mixed.pdf")}), 0);
        for (int p = 1; p <= 2; ++p) {
            const auto ours = wordBoxes(path("fit-" + paper + "/mixed.pdf"), p), theirs = wordBoxes(gs, p);
            QCOMPARE(ours.size(), 2);
            QCOMPARE(theirs.size(), 2);
            for (int w = 0; w < 2; ++w)
                QVERIFY2(qAbs(ours[w].second.left() - theirs[w].second.left()) < 1 && qAbs(ours[w].second.top() - theirs[w].second.top()) < 1,
                         qPrintable(QString("page %1, %2").arg(p).arg(ours[w].first)));
        }
    }

};

QTEST_MAIN(TestResize)
#include "tst_resize.moc"
