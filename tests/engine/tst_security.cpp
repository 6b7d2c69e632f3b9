// Protected files: opening with the user or the owner password (also
// non-ASCII ones) for every handler qpdf writes, refusing wrong passwords
// without changing anything, and saving with or without the encryption.

#include "pdfengine.h"
#include "pdffixtures.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

// "yes" or "no" as qpdf reports it (its password mode tries the encodings a
// typed password may stand for), "?" when qpdf cannot read the file.
QString encryptedState(const QString& path, const QString& password = QString())
{
    QString out;
    const int rc = run("qpdf", {"--password=" + password, "--show-encryption", path}, &out);
    if (rc != 0 && rc != 3)
        return "?";
    return out.contains("File is not encrypted") ? "no" : "yes";
}

} // namespace

class TestSecurity : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    // A three-page file protected as the row says.
    QString protectedFile(const QString& name, const QString& user, const QString& owner, int bits, bool aes)
    {
        const QString plain = path("plain.pdf");
        if (!QFile::exists(plain) && !fixtures::writeNumberedPdf(plain, 3, "Secret"))
            return QString();
        const QString out = path(name);
        if (!fixtures::encrypt(plain, out, user, owner, bits, aes))
            return QString();
        return out;
    }

private slots:
    void passwords_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("aes");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("owner");
        QTest::newRow("AES-256") << 256 << true << "user256" << "owner256";
        QTest::newRow("AES-128") << 128 << true << "user128" << "owner128";
        QTest::newRow("RC4-128") << 128 << false << "userrc4" << "ownerrc4";
        QTest::newRow("RC4-40") << 40 << false << "u40" << "o40";
        // UTF-8 for AES-256, PDFDocEncoding for the older handlers.
        QTest::newRow("AES-256 non-ASCII") << 256 << true << QStringLiteral("pässwörd€東京") << QStringLiteral("Öwnér✓");
        QTest::newRow("AES-128 non-ASCII") << 128 << true << QStringLiteral("pässwörd€") << QStringLiteral("Öwnér");
        QTest::newRow("RC4-128 non-ASCII") << 128 << false << QStringLiteral("Grüße") << QStringLiteral("Ærø");
    }

    void passwords()
    {
        QFETCH(int, bits);
        QFETCH(bool, aes);
        QFETCH(QString, user);
        QFETCH(QString, owner);
        const QString file = protectedFile(QStringLiteral("p-%1.pdf").arg(QTest::currentDataTag()).replace(' ', '_'),
                                           user, owner, bits, aes);
        QVERIFY(!file.isEmpty());
        QCOMPARE(qpdfPageCount(file, user), 3);  // qpdf agrees with the password

        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        const int start = e.SelectedDocument();
        for (const QString& wrong : {QString(), QStringLiteral("wrong"), user.left(user.size() - 1), owner + "x"}) {
            QCOMPARE(e.LoadFromFile(file, wrong), 0);
            QCOMPARE(e.DocumentCount(), 1);
            QCOMPARE(e.SelectedDocument(), start);
        }
        QCOMPARE(e.LoadFromFile(file, user), 1);
        QCOMPARE(e.PageCount(), 3);
        QCOMPARE(e.LoadFromFile(file, owner), 1);
        QCOMPARE(e.PageCount(), 3);
        QCOMPARE(e.DocumentCount(), 3);

        // Saved as it came: still protected, and the user password still opens it.
        QCOMPARE(e.SaveToFile(path("kept.pdf")), 1);
        QCOMPARE(encryptedState(path("kept.pdf"), user), QStringLiteral("yes"));
        QCOMPARE(qpdfPageCount(path("kept.pdf"), user), 3);

        // After Decrypt: no protection, same pages.
        QCOMPARE(e.Decrypt(), 1);
        QCOMPARE(e.SaveToFile(path("open.pdf")), 1);
        QCOMPARE(encryptedState(path("open.pdf")), QStringLiteral("no"));
        QVERIFY(qpdfCheck(path("open.pdf")));
        QCOMPARE(pdfText(path("open.pdf"), 3).simplified(), QStringLiteral("Secret page 3"));
    }

    void emptyUserPasswordOpensWithEmptyText()
    {
        const QString file = protectedFile("owner-only.pdf", QString(), "owner", 256, true);
        QVERIFY(!file.isEmpty());
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(file, QString()), 1);
        QCOMPARE(e.LoadFromFile(file, QStringLiteral("owner")), 1);
        // A file anyone may open opens whatever password is typed.
        QCOMPARE(e.LoadFromFile(file, QStringLiteral("whatever")), 1);
        QCOMPARE(e.DocumentCount(), 4);
    }

    void protectedPagesMergeIntoAnOpenDocument()
    {
        const QString file = protectedFile("merge-src.pdf", "u", "o", 128, true);
        QVERIFY(!file.isEmpty());
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        const int blank = e.SelectedDocument();
        QCOMPARE(e.LoadFromFile(file, "u"), 1);
        const int src = e.SelectedDocument();
        QCOMPARE(e.SelectDocument(blank), 1);
        QCOMPARE(e.MergeDocument(src), 1);
        QCOMPARE(e.RemoveDocument(src), 1);
        QCOMPARE(e.SaveToFile(path("merged-open.pdf")), 1);
        QCOMPARE(encryptedState(path("merged-open.pdf")), QStringLiteral("no"));
        QCOMPARE(pdfText(path("merged-open.pdf"), 4).simplified(), QStringLiteral("Secret page 3"));
        QVERIFY(qpdfCheck(path("merged-open.pdf")));
    }
};

QTEST_MAIN(TestSecurity)
#include "tst_security.moc"
