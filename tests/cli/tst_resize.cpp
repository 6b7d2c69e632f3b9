// folioforge-cli resize against the desktop tool and against Ghostscript's
// -dPDFFitPage: the same page sizes and the old page placed at the same spot
// (pdftotext -bbox).

#include "clisupport.h"
#include "pdfbuild.h"
#include "pdfpageresizer.h"
#include "testsupport.h"
#include "toolsupport.h"

#include <QComboBox>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestResize : public CliSuite
{
    Q_OBJECT

    // Page size and the boxes of every word of page 1.
    static QStringList layout(const QString& file)
    {
        QStringList lines{pdfInfo(file).value("Page size")};
        for (const auto& [word, box] : wordBoxes(file, 1))
            lines << QString("%1 %2 %3 %4 %5").arg(word).arg(box.left(), 0, 'f', 1).arg(box.top(), 0, 'f', 1).arg(box.right(), 0, 'f', 1).arg(box.bottom(), 0, 'f', 1);
        return lines;
    }

private slots:
    void initTestCase()
    {
        const QByteArray centre = Builder::text("/F1", 24, 250, 400, "Centre");
        QVERIFY(writePdf(path("mixed.pdf"), {{QRectF(0, 0, 595.276, 841.89), 0, QRectF(), "A4", centre},
                                             {QRectF(0, 0, 612, 792), 0, QRectF(), "Letter", centre}}));
    }

    void sameAsTheDesktopTool()
    {
        PDFPageResizer page(nullptr, toolRecord(4));
        page.findChild<QComboBox*>("comboBox")->setCurrentText("A5");
        page.findChild<QComboBox*>("comboBox_3")->setCurrentIndex(1);
        page.findChild<QComboBox*>("comboBox_2")->setCurrentText("50%");
        ScriptedQuestions script;
        QVERIFY(runInFolder(page, script.installed(), {path("mixed.pdf")}, path("desktop")).isQuiet());

        const auto r = runCli({"resize", "--paper", "a5", "--orientation", "landscape", "--scale", "50%", "-o", "cli", "mixed.pdf"}, dir.path());
        QVERIFY(wrote(r, {path("cli/mixed.pdf")}));
        QVERIFY(qpdfCheck(path("cli/mixed.pdf")));
        QCOMPARE(layout(path("cli/mixed.pdf")), layout(path("desktop/mixed.pdf")));
        QCOMPARE(layout(path("cli/mixed.pdf")).size(), 3);
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
