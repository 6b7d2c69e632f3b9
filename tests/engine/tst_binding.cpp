// The binding between the program and the engine library: loading, the
// function table, safe answers without a library, and text passing.

#include "enginecore.h"
#include "pdfengine.h"
#include "testsupport.h"

#include <QMetaMethod>
#include <QtTest>

class TestBinding : public QObject
{
    Q_OBJECT

private slots:
    void missingLibraryGivesSafeAnswers()
    {
        PdfEngine engine(QStringLiteral("NoSuchFolioEngine"));
        QVERIFY(!engine.LibraryLoaded());
        QCOMPARE(engine.DocumentCount(), 0);
        QCOMPARE(engine.LoadFromFile(QStringLiteral("/nonexistent.pdf"), QString()), 0);
        QCOMPARE(engine.PageWidth(), 0.0);
        QCOMPARE(engine.GetPageText(0), QString());
        QCOMPARE(engine.NewCustomPrinter(QStringLiteral("x")), QString());
    }

    void realLibraryLoadsWithEveryExport()
    {
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY2(engine.LibraryLoaded(), "libFolioPdfEngine.so was not found or lacks an export");
        QVERIFY(engine.engineCore()->instance() > 0);
        // A Windows-style name finds the same library.
        PdfEngine dllNamed(QStringLiteral("FolioPdfEngine.dll"));
        QVERIFY(dllNamed.LibraryLoaded());
    }

    void instancesAreIndependent()
    {
        PdfEngine a(QStringLiteral("FolioPdfEngine"));
        PdfEngine b(QStringLiteral("FolioPdfEngine"));
        QVERIFY(a.engineCore()->instance() != b.engineCore()->instance());
        QCOMPARE(a.DocumentCount(), 1);
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

    void emptyTextArgumentIsPassedAsEmptyText()
    {
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        // An empty file name is a file that does not exist: a clean failure.
        QCOMPARE(engine.LoadFromFile(QString(), QString()), 0);
        QCOMPARE(engine.LoadFromFile(QStringLiteral(""), QStringLiteral("")), 0);
        QCOMPARE(engine.DocumentCount(), 1);
    }

    void textResultsKeepTheirNulCharacters()
    {
        // The stand-in answers every text with "before", NUL, "middle", NUL, "after".
        PdfEngine engine(QStringLiteral(FOLIO_STANDIN_ENGINE));
        QVERIFY(engine.LibraryLoaded());
        const QString expected = QString::fromUtf16(u"before\0middle\0after", 19);
        QCOMPARE(engine.GetPageText(0), expected);
        QCOMPARE(engine.GetPageText(0).size(), 19);
        QCOMPARE(engine.DrawHTMLTextBox(0, 0, 1, 1, QString()), expected);
        QCOMPARE(engine.NewCustomPrinter(QStringLiteral("x")), expected);
        // Numbers pass unchanged both ways.
        QCOMPARE(engine.PageCount(), 7);
        QCOMPARE(engine.PageWidth(), 7.0);
    }

    void everyOperationIsInvokable()
    {
        const QMetaObject* mo = &PdfEngine::staticMetaObject;
        QStringList names;
        for (int i = mo->methodOffset(); i < mo->methodCount(); ++i)
            names << QString::fromLatin1(mo->method(i).name());
        for (const char* op : {"LibraryLoaded", "LoadFromFile", "SaveToFile", "DrawHTMLTextBox", "PrintDocument"})
            QVERIFY2(names.contains(QLatin1String(op)), op);
        // The facade offers every export except the seven internal functions.
        QCOMPARE(names.size(), EngineCore::FunctionCount - 7 + 1);
    }
};

QTEST_MAIN(TestBinding)
#include "tst_binding.moc"
