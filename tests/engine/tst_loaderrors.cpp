// Why a file did not open: LastLoadError after each kind of failed
// LoadFromFile, and after a success that follows a failure.

#include "pdfengine.h"
#include "pdffixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

enum { Succeeded = 0, NoFile = 1, NotPdf = 2, Damaged = 3, Password = 4 };

bool writeAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

} // namespace

class TestLoadErrors : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(fixtures::writeNumberedPdf(path("good.pdf"), 2));
        QVERIFY(fixtures::encrypt(path("good.pdf"), path("locked.pdf"), "user-pw", "owner-pw", 256));
        QVERIFY(writeAll(path("text.pdf"), "just some words, no PDF at all\n"));
        QVERIFY(writeAll(path("empty.pdf"), QByteArray()));
        QVERIFY(writeAll(path("garbage.pdf"), "%PDF-1.7\n" + QByteArray(4000, '\x7f')));
        QFile good(path("good.pdf"));
        QVERIFY(good.open(QIODevice::ReadOnly));
        QVERIFY(writeAll(path("stub.pdf"), good.read(40)));
    }

    void eachFailureHasItsReason_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("reason");
        QTest::newRow("missing") << "missing.pdf" << "" << int(NoFile);
        QTest::newRow("a folder") << "." << "" << int(NoFile);
        QTest::newRow("text") << "text.pdf" << "" << int(NotPdf);
        QTest::newRow("empty") << "empty.pdf" << "" << int(NotPdf);
        QTest::newRow("header then garbage") << "garbage.pdf" << "" << int(Damaged);
        QTest::newRow("first bytes only") << "stub.pdf" << "" << int(Damaged);
        QTest::newRow("protected, no password") << "locked.pdf" << "" << int(Password);
        QTest::newRow("protected, wrong password") << "locked.pdf" << "guess" << int(Password);
        QTest::newRow("protected, right password") << "locked.pdf" << "user-pw" << int(Succeeded);
        QTest::newRow("owner password") << "locked.pdf" << "owner-pw" << int(Succeeded);
        QTest::newRow("good") << "good.pdf" << "" << int(Succeeded);
    }

    void eachFailureHasItsReason()
    {
        QFETCH(QString, file);
        QFETCH(QString, password);
        QFETCH(int, reason);
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LastLoadError(), int(Succeeded));
        QCOMPARE(e.LoadFromFile(path(file), password), reason == Succeeded ? 1 : 0);
        QCOMPARE(e.LastLoadError(), reason);
    }

    void reasonFollowsTheLastLoad()
    {
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(path("locked.pdf"), QString()), 0);
        QCOMPARE(e.LastLoadError(), int(Password));
        QCOMPARE(e.LoadFromFile(path("good.pdf"), QString()), 1);
        QCOMPARE(e.LastLoadError(), int(Succeeded));
        QCOMPARE(e.LoadFromFile(path("text.pdf"), QString()), 0);
        QCOMPARE(e.LastLoadError(), int(NotPdf));
        // Other operations leave it alone.
        QCOMPARE(e.PageCount(), 2);
        QCOMPARE(e.LastLoadError(), int(NotPdf));
    }
};

QTEST_MAIN(TestLoadErrors)
#include "tst_loaderrors.moc"
