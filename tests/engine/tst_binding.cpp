// The binding between the program and the engine library: loading, the
// function table, safe answers without a library, and text passing.

#include "enginecore.h"
#include "pdfengine.h"

#include <QMetaMethod>
#include <QtTest>

class TestBinding : public QObject
{
    Q_OBJECT

private slots:
    void missingLibraryGivesSafeAnswers()
    {
        PdfEngine engine("NoSuchFolioEngine");
        QVERIFY(!engine.LibraryLoaded());
        QCOMPARE(engine.DocumentCount(), 0);
        QCOMPARE(engine.LoadFromFile("/nonexistent.pdf", QString()), 0);
        QCOMPARE(engine.PageWidth(), 0.0);
        QCOMPARE(engine.GetPageText(0), QString());
        QCOMPARE(engine.NewCustomPrinter("x"), QString());
    }

    void realLibraryLoadsWithEveryExport()
    {
        PdfEngine engine("FolioPdfEngine");
        QVERIFY2(engine.LibraryLoaded(), "libFolioPdfEngine.so was not found or lacks an export");
        QVERIFY(engine.engineCore()->instance() > 0);
        QVERIFY(PdfEngine("FolioPdfEngine.dll").LibraryLoaded());  // a Windows-style name finds the same library
        // The facade offers every export but the seven internal functions.
        const QMetaObject* mo = &PdfEngine::staticMetaObject;
        QCOMPARE(mo->methodCount() - mo->methodOffset(), EngineCore::FunctionCount - 7 + 1);
    }

    void instancesAreIndependent()
    {
        PdfEngine a("FolioPdfEngine"), b("FolioPdfEngine");
        QVERIFY(a.engineCore()->instance() != b.engineCore()->instance());
        a.NewDocument();
        QCOMPARE(a.DocumentCount(), 2);
        QCOMPARE(b.DocumentCount(), 1);
    }

    void wrappedCoreIsNotOwned()
    {
        auto* core = new EngineCore(u"FolioPdfEngine");
        {
            PdfEngine wrapper(core);
            QVERIFY(wrapper.LibraryLoaded());
        }
        QVERIFY(core->isLoaded());
        delete core;
    }

    void emptyTextArgumentIsEmptyText()
    {
        // An empty file name is a file that does not exist: a clean failure.
        PdfEngine engine("FolioPdfEngine");
        QCOMPARE(engine.LoadFromFile(QString(), QString()), 0);
        QCOMPARE(engine.LoadFromFile("", ""), 0);
        QCOMPARE(engine.DocumentCount(), 1);
    }

    void textResultsKeepTheirNulCharacters()
    {
        // The stand-in answers every text with "before", NUL, "middle", NUL, "after".
        PdfEngine engine(FOLIO_STANDIN_ENGINE);
        QVERIFY(engine.LibraryLoaded());
        const QString expected = QString::fromUtf16(u"before\0middle\0after", 19);
        QCOMPARE(engine.GetPageText(0), expected);
        QCOMPARE(engine.DrawHTMLTextBox(0, 0, 1, 1, QString()), expected);
        QCOMPARE(engine.NewCustomPrinter("x"), expected);
        // Numbers come back unchanged.
        QCOMPARE(engine.PageCount(), 7);
        QCOMPARE(engine.PageWidth(), 7.0);
    }
};

QTEST_MAIN(TestBinding)
#include "tst_binding.moc"
