// Printing through CUPS: custom printers, print options and print jobs, read
// back from the scheduler (job attributes) and from the cups-pdf output.

#include "cupssupport.h"
#include "pdfbuilder.h"
#include "pdfengine.h"
#include "testsupport.h"

#include <cups/cups.h>

#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestPrinting : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString fourPages;

    QString path(const QString& name) const { return dir.filePath(name); }

    // Prints and returns the new job's id (0 when no job was made).
    int printAndFindJob(PdfEngine& engine, const QString& printer, int first, int last, int options)
    {
        const int before = cupstest::newestJob(cupstest::printer());
        if (engine.PrintDocument(printer, first, last, options) != 1)
            return 0;
        const int job = cupstest::newestJob(cupstest::printer());
        return job > before ? job : 0;
    }

    static QString attribute(const QMap<QString, QStringList>& attributes, const char* name)
    {
        return attributes.value(QLatin1String(name)).join(QLatin1Char(','));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // A standard font keeps the text extractable after cups-pdf's trip through PostScript.
        fourPages = path(QStringLiteral("four.pdf"));
        pdfbuild::Builder builder;
        const std::string font = builder.standardFont("Helvetica");
        for (const char* word : {"Alpha", "Bravo", "Charlie", "Delta"})
            builder.addPage(pdfbuild::Builder::text(font, 36, 72, 600, QByteArray(word) + " page"));
        QVERIFY(builder.write(fourPages));
    }

    void everySettingReachesTheJob()
    {
        CUPS_OR_SKIP();
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(engine.LoadFromFile(fourPages, QString()), 1);
        const QString name = engine.NewCustomPrinter(cupstest::printer());
        QVERIFY(!name.isEmpty());
        // The batch printer's order: paper, orientation, then options, then the rest.
        QCOMPARE(engine.SetupCustomPrinter(name, 1, 0), 1);
        QCOMPARE(engine.SetupCustomPrinter(name, 2, 2970), 1);
        QCOMPARE(engine.SetupCustomPrinter(name, 3, 2100), 1);
        QCOMPARE(engine.SetupCustomPrinter(name, 11, 2), 1);
        const QString title = QStringLiteral("Quarterly report \u00e9t\u00e9 \u2013 draft");
        const int options = engine.PrintOptions(2, 1, title);
        QVERIFY(options > 0);
        QCOMPARE(engine.SetupCustomPrinter(name, 4, 3), 1);
        QCOMPARE(engine.SetupCustomPrinter(name, 5, 3), 1);
        QCOMPARE(engine.SetupCustomPrinter(name, 6, 1), 1);
        QCOMPARE(engine.SetupCustomPrinter(name, 7, 2), 1);
        QCOMPARE(engine.SetupCustomPrinter(name, 10, 3), 1);

        const int job = printAndFindJob(engine, name, 2, 3, options);
        QVERIFY(job > 0);
        const auto attributes = cupstest::jobAttributes(job);
        QCOMPARE(attribute(attributes, "job-name"), title);
        QCOMPARE(attribute(attributes, "media"), QStringLiteral("iso_a4_210x297mm"));
        QCOMPARE(attribute(attributes, "orientation-requested"), QStringLiteral("4"));  // landscape
        QCOMPARE(attribute(attributes, "copies"), QStringLiteral("3"));
        QCOMPARE(attribute(attributes, "print-quality"), QStringLiteral("3"));          // draft
        QCOMPARE(attribute(attributes, "print-color-mode"), QStringLiteral("monochrome"));
        QCOMPARE(attribute(attributes, "sides"), QStringLiteral("two-sided-long-edge"));
        QCOMPARE(attribute(attributes, "media-type"), QStringLiteral("photographic-glossy"));
        QCOMPARE(attribute(attributes, "print-scaling"), QStringLiteral("auto-fit"));

        QCOMPARE(cupstest::waitForJob(job), int(IPP_JSTATE_COMPLETED));
        // The job held pages 2 and 3 only.
        const QString output = cupstest::cupsPdfOutput(job);
        if (!output.isEmpty()) {
            const QString text = pdfText(output);
            QVERIFY2(text.contains(QLatin1String("Bravo")) && text.contains(QLatin1String("Charlie")), qPrintable(text));
            QVERIFY(!text.contains(QLatin1String("Alpha")) && !text.contains(QLatin1String("Delta")));
        }
    }

    void valuesMapToTheirAttributes_data()
    {
        QTest::addColumn<QList<int>>("settings");  // setting, value pairs
        QTest::addColumn<int>("scaling");
        QTest::addColumn<int>("autoRotate");
        QTest::addColumn<QStringList>("expected");  // attribute=value
        QTest::newRow("portrait high colour simplex standard, no scaling")
            << QList<int>{11, 1, 5, 1, 6, 2, 7, 1, 10, 1} << 0 << 1
            << QStringList{"orientation-requested=3", "print-quality=5", "print-color-mode=color",
                           "sides=one-sided", "media-type=stationery", "print-scaling=none"};
        QTest::newRow("medium, short edge, transparency, fit, no auto-rotation")
            << QList<int>{5, 2, 7, 3, 10, 2} << 1 << 0
            << QStringList{"print-quality=4", "sides=two-sided-short-edge", "media-type=transparency",
                           "print-scaling=fit", "pdftopdfAutoRotate=false"};
        QTest::newRow("low and draft are both draft") << QList<int>{5, 4} << 1 << 1 << QStringList{"print-quality=3"};
        QTest::newRow("custom paper size") << QList<int>{1, 0, 2, 2345, 3, 1234} << 1 << 1
                                           << QStringList{"media=custom_123.4x234.5mm_123.4x234.5mm"};
        QTest::newRow("a size near a standard one takes its name")
            << QList<int>{1, 0, 2, 2794, 3, 2159} << 1 << 1 << QStringList{"media=na_letter_8.5x11in"};
        QTest::newRow("landscape paper given wide is the same sheet")
            << QList<int>{1, 0, 2, 2100, 3, 2970} << 1 << 1 << QStringList{"media=iso_a4_210x297mm"};
        QTest::newRow("paper by number") << QList<int>{1, 11} << 1 << 1 << QStringList{"media=iso_a5_148x210mm"};
        QTest::newRow("media type left to the printer") << QList<int>{10, 0} << 1 << 1 << QStringList{"media-type="};
    }

    void valuesMapToTheirAttributes()
    {
        CUPS_OR_SKIP();
        QFETCH(QList<int>, settings);
        QFETCH(int, scaling);
        QFETCH(int, autoRotate);
        QFETCH(QStringList, expected);
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(engine.LoadFromFile(fourPages, QString()), 1);
        const QString name = engine.NewCustomPrinter(cupstest::printer());
        for (int i = 0; i + 1 < settings.size(); i += 2)
            QCOMPARE(engine.SetupCustomPrinter(name, settings[i], settings[i + 1]), 1);
        const int job = printAndFindJob(engine, name, 1, 1, engine.PrintOptions(scaling, autoRotate, QStringLiteral("t")));
        QVERIFY(job > 0);
        const auto attributes = cupstest::jobAttributes(job);
        for (const QString& e : expected) {
            const QString key = e.section(QLatin1Char('='), 0, 0), value = e.section(QLatin1Char('='), 1);
            QCOMPARE(attributes.value(key).join(QLatin1Char(',')), value);
        }
        cupsCancelJob2(CUPS_HTTP_DEFAULT, qPrintable(cupstest::printer()), job, 1);
    }

    void queueNameAndDefaultOptionsPrintTheEditedDocument()
    {
        CUPS_OR_SKIP();
        // An encrypted input prints as the opened document: the job gets plain pages.
        const QString locked = path(QStringLiteral("locked.pdf"));
        QCOMPARE(run(QStringLiteral("qpdf"), {QStringLiteral("--encrypt"), QStringLiteral("user"), QStringLiteral("owner"),
                                              QStringLiteral("256"), QStringLiteral("--"), fourPages, locked}),
                 0);
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(engine.LoadFromFile(locked, QStringLiteral("user")), 1);
        const int job = printAndFindJob(engine, cupstest::printer(), 4, 4, 0);
        QVERIFY(job > 0);
        const auto attributes = cupstest::jobAttributes(job);
        QCOMPARE(attribute(attributes, "job-name"), QStringLiteral("locked.pdf"));
        QVERIFY(!attributes.contains(QStringLiteral("print-color-mode")));
        QCOMPARE(cupstest::waitForJob(job), int(IPP_JSTATE_COMPLETED));
        const QString output = cupstest::cupsPdfOutput(job);
        if (!output.isEmpty()) {
            QCOMPARE(qpdfPageCount(output), 1);
            QVERIFY(pdfText(output).contains(QLatin1String("Delta")));
        }
    }

    void badInputMakesNoJob()
    {
        CUPS_OR_SKIP();
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(engine.LoadFromFile(fourPages, QString()), 1);
        QCOMPARE(engine.NewCustomPrinter(QStringLiteral("NoSuchPrinter")), QString());
        QCOMPARE(engine.NewCustomPrinter(QString()), QString());
        const QString name = engine.NewCustomPrinter(cupstest::printer());
        QVERIFY(!name.isEmpty());
        QVERIFY(engine.NewCustomPrinter(cupstest::printer()) != name);

        // Unknown printers, settings and values are refused.
        QCOMPARE(engine.SetupCustomPrinter(QStringLiteral("NoSuchPrinter"), 4, 1), 0);
        for (const auto& [setting, value] : QList<QPair<int, int>>{{8, 1}, {4, 0}, {4, -2}, {5, 5}, {6, 3}, {7, 0},
                                                                   {10, 4}, {11, 3}, {1, 4242}, {2, 0}, {3, -1}})
            QVERIFY2(engine.SetupCustomPrinter(name, setting, value) == 0, qPrintable(QStringLiteral("%1=%2").arg(setting).arg(value)));
        QCOMPARE(engine.PrintOptions(3, 1, QString()), 0);
        QCOMPARE(engine.PrintOptions(-1, 1, QString()), 0);

        const int options = engine.PrintOptions(1, 1, QStringLiteral("bad"));
        const int before = cupstest::newestJob(cupstest::printer());
        QCOMPARE(engine.PrintDocument(name, 0, 1, options), 0);
        QCOMPARE(engine.PrintDocument(name, 1, 5, options), 0);
        QCOMPARE(engine.PrintDocument(name, 3, 2, options), 0);
        QCOMPARE(engine.PrintDocument(name, 1, 1, options + 1000), 0);
        QCOMPARE(engine.PrintDocument(QStringLiteral("NoSuchPrinter"), 1, 1, options), 0);
        QCOMPARE(engine.PrintDocument(QString(), 1, 1, options), 0);
        QCOMPARE(cupstest::newestJob(cupstest::printer()), before);
        // The instance is still usable.
        QCOMPARE(engine.PageCount(), 4);
    }

    void printerThatIsGone()
    {
        CUPS_OR_SKIP();
        // Only on the private scheduler: the test adds and removes a queue.
        if (qEnvironmentVariable("FOLIO_CUPS_DIR").isEmpty())
            QSKIP("adds a queue: only on the scheduler of scripts/cups-test-env");
        const QString queue = QStringLiteral("FolioGone");
        QCOMPARE(run(QStringLiteral("lpadmin"), {QStringLiteral("-p"), queue, QStringLiteral("-E"), QStringLiteral("-v"),
                                                 QStringLiteral("cups-pdf:/"), QStringLiteral("-P"),
                                                 QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd")}),
                 0);
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(engine.LoadFromFile(fourPages, QString()), 1);
        const QString name = engine.NewCustomPrinter(queue);
        QVERIFY(!name.isEmpty());
        QCOMPARE(run(QStringLiteral("lpadmin"), {QStringLiteral("-x"), queue}), 0);
        QCOMPARE(engine.SetupCustomPrinter(name, 4, 2), 1);  // settings are kept by the engine
        QCOMPARE(engine.PrintDocument(name, 1, 4, engine.PrintOptions(1, 1, QStringLiteral("gone"))), 0);
    }

    void noSchedulerFailsCleanly()
    {
        // Runs everywhere: points this process's CUPS client at a socket nobody serves.
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(engine.LoadFromFile(fourPages, QString()), 1);
        QString name;
        if (cupstest::available(nullptr))
            name = engine.NewCustomPrinter(cupstest::printer());
        cupsSetServer(qPrintable(path(QStringLiteral("nobody-listens.sock"))));
        QCOMPARE(engine.NewCustomPrinter(cupstest::printer()), QString());
        QCOMPARE(engine.PrintDocument(cupstest::printer(), 1, 1, 0), 0);
        if (!name.isEmpty())
            QCOMPARE(engine.PrintDocument(name, 1, 4, engine.PrintOptions(1, 1, QStringLiteral("x"))), 0);
        cupsSetServer(nullptr);  // back to $CUPS_SERVER or the default
        QCOMPARE(engine.PageCount(), 4);
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
