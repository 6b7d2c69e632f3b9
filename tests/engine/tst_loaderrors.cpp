// Files that do not open: LoadFromFile refuses them without changing the
// instance, and LastLoadError tells why (also after a success that follows a
// failure).

#include "folioconstants.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;
using namespace folio;

class TestLoadErrors : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(writeNumberedPdf(path("good.pdf"), 2));
        QVERIFY(encrypt(path("good.pdf"), path("locked.pdf"), "user-pw", "owner-pw"));
        QVERIFY(writeFile(path("text.pdf"), QByteArray("This is not a PDF at all.\n").repeated(50)));
        QVERIFY(writeFile(path("empty.pdf"), QByteArray()));
        QVERIFY(writeFile(path("noise.pdf"), QByteArray(4096, '\x9C')));
        QVERIFY(writeFile(path("garbage.pdf"), "%PDF-1.7\n" + QByteArray(4000, '\x7f')));
        QVERIFY(writeFile(path("stub.pdf"), readFile(path("good.pdf")).left(40)));
        QVERIFY(writeFile(path("no-pages.pdf"), "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
                                                "2 0 obj << /Type /Pages /Kids [] /Count 0 >> endobj\n"
                                                "trailer << /Root 1 0 R >>\n%%EOF\n"));
        QVERIFY(writePdf(path("sound-no-pages.pdf"), std::vector<PageLayout>{}));
    }

    void eachFailureHasItsReason_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("reason");
        QTest::newRow("missing") << "missing.pdf" << "" << int(LoadNoFile);
        QTest::newRow("a folder") << "." << "" << int(LoadNoFile);
        QTest::newRow("text") << "text.pdf" << "" << int(LoadNotPdf);
        QTest::newRow("empty") << "empty.pdf" << "" << int(LoadNotPdf);
        QTest::newRow("binary noise") << "noise.pdf" << "" << int(LoadNotPdf);
        QTest::newRow("header then garbage") << "garbage.pdf" << "" << int(LoadDamaged);
        QTest::newRow("first bytes only") << "stub.pdf" << "" << int(LoadDamaged);
        QTest::newRow("no pages, no cross-reference table") << "no-pages.pdf" << "" << int(LoadDamaged);
        QTest::newRow("no pages, sound") << "sound-no-pages.pdf" << "" << int(LoadNoPages);
        QTest::newRow("protected, no password") << "locked.pdf" << "" << int(LoadNeedsPassword);
        QTest::newRow("protected, wrong password") << "locked.pdf" << "guess" << int(LoadNeedsPassword);
        QTest::newRow("protected, right password") << "locked.pdf" << "user-pw" << int(LoadSucceeded);
        QTest::newRow("owner password") << "locked.pdf" << "owner-pw" << int(LoadSucceeded);
        QTest::newRow("good") << "good.pdf" << "" << int(LoadSucceeded);
    }

    void eachFailureHasItsReason()
    {
        QFETCH(QString, file);
        QFETCH(QString, password);
        QFETCH(int, reason);
        PdfEngine e("FolioPdfEngine");
        const int before = e.SelectedDocument();
        QCOMPARE(e.LastLoadError(), int(LoadSucceeded));
        QCOMPARE(e.LoadFromFile(path(file), password), reason == LoadSucceeded ? Success : 0);
        QCOMPARE(e.LastLoadError(), reason);
        if (reason != LoadSucceeded) {  // nothing changed
            QCOMPARE(e.DocumentCount(), 1);
            QCOMPARE(e.SelectedDocument(), before);
            QCOMPARE(e.PageCount(), 1);
        }
    }

    void reasonFollowsTheLastLoad()
    {
        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.LoadFromFile(path("locked.pdf"), QString()), 0);
        QCOMPARE(e.LastLoadError(), int(LoadNeedsPassword));
        QCOMPARE(e.LoadFromFile(path("good.pdf"), QString()), 1);
        QCOMPARE(e.LastLoadError(), int(LoadSucceeded));
        QCOMPARE(e.LoadFromFile(path("text.pdf"), QString()), 0);
        QCOMPARE(e.LastLoadError(), int(LoadNotPdf));
        QCOMPARE(e.PageCount(), 2);  // other operations leave it alone
        QCOMPARE(e.LastLoadError(), int(LoadNotPdf));
    }
};

QTEST_MAIN(TestLoadErrors)
#include "tst_loaderrors.moc"
