// Printing through CUPS: custom printers, print options and print jobs, read
// back from the scheduler (job attributes) and from the cups-pdf output.

#include "folioconstants.h"
#include "cupssupport.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "testsupport.h"

#include <cups/cups.h>

#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;
using namespace folio;

class TestPrinting : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString fourPages;

    // Prints; the new job's id as PrintDocument answers it (0 when no job was made).
    static int print(PdfEngine& engine, const QString& printer, int first, int last, int options)
    {
        const int before = cupstest::newestJob(cupstest::printer());
        const int job = engine.PrintDocument(printer, first, last, options);
        return job > before && engine.LastPrintError().isEmpty() ? job : 0;
    }

    // Waits for the job; the text of what cups-pdf printed, where the private scheduler runs.
    static QString printed(int job, int pages)
    {
        if (cupstest::waitForJob(job) != IPP_JSTATE_COMPLETED)
            return "not completed";
        const QString output = cupstest::cupsPdfOutput(job);
        return output.isEmpty() || qpdfPageCount(output) == pages ? squeezed(pdfText(output)) : "wrong page count";
    }

private slots:
    void initTestCase()
    {
        // A standard font keeps the text extractable after cups-pdf's trip through PostScript.
        fourPages = dir.filePath("four.pdf");
        QVERIFY(writeTextPdf(fourPages, {"Alpha page", "Bravo page", "Charlie page", "Delta page"}));
    }

    void everySettingReachesTheJob()
    {
        CUPS_OR_SKIP();
        PdfEngine engine("FolioPdfEngine");
        QCOMPARE(engine.LoadFromFile(fourPages, QString()), 1);
        const QString name = engine.NewCustomPrinter(cupstest::printer());
        QVERIFY(!name.isEmpty());
        // The batch printer's order: paper, orientation, then options, then the rest.
        for (const auto& [setting, value] : QList<QPair<int, int>>{{PrinterPaperSize, 0}, {PrinterPaperLength, 2970}, {PrinterPaperWidth, 2100}, {PrinterOrientation, 2}})
            QCOMPARE(engine.SetupCustomPrinter(name, setting, value), 1);
        const QString title = "Quarterly report \u00e9t\u00e9 \u2013 draft";
        const int options = engine.PrintOptions(2, 1, title);
        QVERIFY(options > 0);
        for (const auto& [setting, value] : QList<QPair<int, int>>{{PrinterCopies, 3}, {PrinterQuality, 3}, {PrinterColour, 1}, {PrinterDuplex, 2}, {PrinterMediaType, 3}})
            QCOMPARE(engine.SetupCustomPrinter(name, setting, value), 1);

        const int job = print(engine, name, 2, 3, options);
        const auto attributes = cupstest::jobAttributes(job);
        QVERIFY(job > 0);
        // Landscape (4), draft (3).
        for (const QString& e : {"job-name=" + title, QString("media=iso_a4_210x297mm"), QString("orientation-requested=4"), QString("copies=3"),
                                 QString("print-quality=3"), QString("print-color-mode=monochrome"), QString("sides=two-sided-long-edge"),
                                 QString("media-type=photographic-glossy"), QString("print-scaling=auto-fit")})
            QCOMPARE(attributes.value(e.section('=', 0, 0)), e.section('=', 1));
        const QString text = printed(job, 2);  // pages 2 and 3 only
        QVERIFY2(text.isEmpty() || text == "Bravo page Charlie page", qPrintable(text));
    }

    void valuesMapToTheirAttributes_data()
    {
        QTest::addColumn<QList<int>>("settings");  // setting, value pairs
        QTest::addColumn<int>("scaling");
        QTest::addColumn<int>("autoRotate");
        QTest::addColumn<QStringList>("expected");  // attribute=value
        QTest::newRow("portrait high colour simplex standard, no scaling")
            << QList<int>{PrinterOrientation, 1, PrinterQuality, 1, PrinterColour, 2, PrinterDuplex, 1, PrinterMediaType, 1} << 0 << 1
            << QStringList{"orientation-requested=3", "print-quality=5", "print-color-mode=color", "sides=one-sided",
                           "media-type=stationery", "print-scaling=none"};
        QTest::newRow("medium, short edge, transparency, fit, no auto-rotation")
            << QList<int>{PrinterQuality, 2, PrinterDuplex, 3, PrinterMediaType, 2} << 1 << 0
            << QStringList{"print-quality=4", "sides=two-sided-short-edge", "media-type=transparency", "print-scaling=fit",
                           "pdftopdfAutoRotate=false"};
        QTest::newRow("low and draft are both draft") << QList<int>{PrinterQuality, 4} << 1 << 1 << QStringList{"print-quality=3"};
        QTest::newRow("custom paper size") << QList<int>{PrinterPaperSize, 0, PrinterPaperLength, 2345, PrinterPaperWidth, 1234} << 1 << 1
                                           << QStringList{"media=custom_123.4x234.5mm_123.4x234.5mm"};
        QTest::newRow("a size near a standard one takes its name") << QList<int>{PrinterPaperSize, 0, PrinterPaperLength, 2794, PrinterPaperWidth, 2159} << 1 << 1
                                                                   << QStringList{"media=na_letter_8.5x11in"};
        QTest::newRow("landscape paper given wide is the same sheet") << QList<int>{PrinterPaperSize, 0, PrinterPaperLength, 2100, PrinterPaperWidth, 2970} << 1 << 1
                                                                      << QStringList{"media=iso_a4_210x297mm"};
        QTest::newRow("paper by number") << QList<int>{PrinterPaperSize, 11} << 1 << 1 << QStringList{"media=iso_a5_148x210mm"};
        QTest::newRow("media type left to the printer") << QList<int>{PrinterMediaType, 0} << 1 << 1 << QStringList{"media-type="};
    }

    void valuesMapToTheirAttributes()
    {
        CUPS_OR_SKIP();
        QFETCH(QList<int>, settings);
        QFETCH(int, scaling);
        QFETCH(int, autoRotate);
        QFETCH(QStringList, expected);
        PdfEngine engine("FolioPdfEngine");
        QCOMPARE(engine.LoadFromFile(fourPages, QString()), 1);
        const QString name = engine.NewCustomPrinter(cupstest::printer());
        for (int i = 0; i + 1 < settings.size(); i += 2)
            QCOMPARE(engine.SetupCustomPrinter(name, settings[i], settings[i + 1]), 1);
        const int job = print(engine, name, 1, 1, engine.PrintOptions(scaling, autoRotate, "t"));
        QVERIFY(job > 0);
        for (const QString& e : expected)
            QCOMPARE(cupstest::jobAttributes(job).value(e.section('=', 0, 0)), e.section('=', 1));
        cupsCancelJob2(CUPS_HTTP_DEFAULT, qPrintable(cupstest::printer()), job, 1);
    }

    void queueNameAndDefaultOptionsPrintTheEditedDocument()
    {
        CUPS_OR_SKIP();
        // An encrypted input prints as the opened document: the job gets plain pages.
        QVERIFY(encrypt(fourPages, dir.filePath("locked.pdf"), "user", "owner"));
        PdfEngine engine("FolioPdfEngine");
        QCOMPARE(engine.LoadFromFile(dir.filePath("locked.pdf"), "user"), 1);
        const int job = print(engine, cupstest::printer(), 4, 4, 0);
        QVERIFY(job > 0);
        QCOMPARE(cupstest::jobAttributes(job).value("job-name"), "locked.pdf");
        QCOMPARE(cupstest::jobAttributes(job).value("print-color-mode"), "color");  // the queue's default, sent as lp sends it
        const QString text = printed(job, 1);
        QVERIFY2(text.isEmpty() || text == "Delta page", qPrintable(text));
    }

    void badInputMakesNoJob()
    {
        CUPS_OR_SKIP();
        PdfEngine engine("FolioPdfEngine");
        QCOMPARE(engine.LoadFromFile(fourPages, QString()), 1);
        QCOMPARE(engine.NewCustomPrinter("NoSuchPrinter"), QString());
        QCOMPARE(engine.NewCustomPrinter(QString()), QString());
        const QString name = engine.NewCustomPrinter(cupstest::printer());
        QVERIFY(!name.isEmpty() && engine.NewCustomPrinter(cupstest::printer()) != name);

        // Unknown printers, settings and values are refused.
        QCOMPARE(engine.SetupCustomPrinter("NoSuchPrinter", PrinterCopies, 1), 0);
        for (const auto& [setting, value] :
             QList<QPair<int, int>>{{8, 1}, {PrinterCopies, 0}, {PrinterCopies, -2}, {PrinterQuality, 5}, {PrinterColour, 3}, {PrinterDuplex, 0},
                                    {PrinterMediaType, 4}, {PrinterOrientation, 3}, {PrinterPaperSize, 4242}, {PrinterPaperLength, 0}, {PrinterPaperWidth, -1}})
            QVERIFY2(engine.SetupCustomPrinter(name, setting, value) == 0, qPrintable(QString("%1=%2").arg(setting).arg(value)));
        QCOMPARE(engine.PrintOptions(3, 1, QString()), 0);
        QCOMPARE(engine.PrintOptions(-1, 1, QString()), 0);

        const int options = engine.PrintOptions(1, 1, "bad");
        const int before = cupstest::newestJob(cupstest::printer());
        for (const auto& [first, last] : QList<QPair<int, int>>{{0, 1}, {1, 5}, {3, 2}})
            QCOMPARE(engine.PrintDocument(name, first, last, options), 0);
        QCOMPARE(engine.PrintDocument(name, 1, 1, options + 1000), 0);
        QCOMPARE(engine.PrintDocument("NoSuchPrinter", 1, 1, options), 0);
        QCOMPARE(engine.LastPrintError(), "no printer NoSuchPrinter");
        QCOMPARE(engine.PrintDocument(QString(), 1, 1, options), 0);
        QVERIFY(!cupstest::jobTitlesAfter(cupstest::printer(), before).contains("bad"));
        QCOMPARE(engine.PageCount(), 4);  // the instance is still usable
    }

    void printerThatIsGone()
    {
        PRIVATE_CUPS_OR_SKIP();
        QCOMPARE(cupstest::addQueue("FolioGone"), QString());
        PdfEngine engine("FolioPdfEngine");
        QCOMPARE(engine.LoadFromFile(fourPages, QString()), 1);
        const QString name = engine.NewCustomPrinter("FolioGone");
        QVERIFY(!name.isEmpty());
        cupstest::removeQueue("FolioGone");
        QCOMPARE(engine.SetupCustomPrinter(name, PrinterCopies, 2), 1);  // settings are kept by the engine
        QCOMPARE(engine.PrintDocument(name, 1, 4, engine.PrintOptions(1, 1, "gone")), 0);
        QCOMPARE(engine.LastPrintError(), "no printer FolioGone");
    }

    void noSchedulerFailsCleanly()
    {
        // Runs everywhere: points this process's CUPS client at a socket nobody serves.
        PdfEngine engine("FolioPdfEngine");
        QCOMPARE(engine.LoadFromFile(fourPages, QString()), 1);
        const QString name = cupstest::available(nullptr) ? engine.NewCustomPrinter(cupstest::printer()) : QString();
        cupsSetServer(qPrintable(dir.filePath("nobody-listens.sock")));
        QCOMPARE(engine.NewCustomPrinter(cupstest::printer()), QString());
        QCOMPARE(engine.PrintDocument(cupstest::printer(), 1, 1, 0), 0);
        if (!name.isEmpty())
            QCOMPARE(engine.PrintDocument(name, 1, 4, engine.PrintOptions(1, 1, "x")), 0);
        cupsSetServer(nullptr);  // back to $CUPS_SERVER or the default
        QCOMPARE(engine.PageCount(), 4);
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
