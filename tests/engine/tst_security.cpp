// Protected files: opening with the user or the owner password (also
// non-ASCII ones) for every handler qpdf writes, refusing wrong passwords
// without changing anything, and saving with or without the encryption.

#include "folioconstants.h"
#include "pdfbuild.h"
#include "imagefixtures.h"
#include "pdfengine.h"
#include "pixels.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;
using namespace folio;

namespace {

// Whether qpdf (whose password mode tries the encodings a typed password may
// stand for) finds the file encrypted: "yes", "no", or "?" when it cannot read it.
QString encryptedState(const QString& path, const QString& password = QString())
{
    QString out;
    const int rc = run("qpdf", {"--password=" + password, "--show-encryption", path}, &out);
    return rc != 0 && rc != 3 ? "?" : out.contains("File is not encrypted") ? "no" : "yes";
}

} // namespace

class TestSecurity : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(writeNumberedPdf(path("plain.pdf"), 3, "Secret"));
    }

    void passwords_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("aes");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("owner");
        QTest::newRow("AES-256") << 256 << true << "user256" << "owner256";
        QTest::newRow("RC4-40") << 40 << false << "u40" << "o40";
        // UTF-8 for AES-256, PDFDocEncoding for the older handlers.
        QTest::newRow("AES-256 non-ASCII") << 256 << true << "pässwörd€東京" << "Öwnér✓";
        QTest::newRow("AES-128 non-ASCII") << 128 << true << "pässwörd€" << "Öwnér";
        QTest::newRow("RC4-128 non-ASCII") << 128 << false << "Grüße" << "Ærø";
    }

    void passwords()
    {
        QFETCH(int, bits);
        QFETCH(bool, aes);
        QFETCH(QString, user);
        QFETCH(QString, owner);
        const QString file = path("locked.pdf");
        QVERIFY(encrypt(path("plain.pdf"), file, user, owner, bits, aes));
        QCOMPARE(qpdfPageCount(file, user), 3);  // qpdf agrees with the password

        // A refused load changes nothing (tst_loaderrors); near misses are refused with every handler.
        PdfEngine e("FolioPdfEngine");
        for (const QString& wrong : {QString(), QString("wrong"), user.left(user.size() - 1), owner + "x"})
            QCOMPARE(e.LoadFromFile(file, wrong), 0);
        QCOMPARE(e.LoadFromFile(file, user), 1);
        QCOMPARE(e.LoadFromFile(file, owner), 1);
        QCOMPARE(e.PageCount(), 3);
        // Rendered and read as the open file is.
        QCOMPARE(e.RenderPageToFile(20, 2, RenderBmp, path("page.bmp")), 1);
        QCOMPARE(maxChannelDifference(readImage(path("page.bmp")), renderPage(path("plain.pdf"), 2, 20)), 0);
        QCOMPARE(e.GetPageText(0), pdfText(path("plain.pdf"), 1, {"-raw"}).remove('\f'));

        // Saved as it came: still protected, and the user password still opens it.
        QCOMPARE(e.SaveToFile(path("kept.pdf")), 1);
        QCOMPARE(encryptedState(path("kept.pdf"), user), "yes");
        QCOMPARE(qpdfPageCount(path("kept.pdf"), user), 3);

        // After Decrypt: no protection, same pages.
        QCOMPARE(e.Decrypt(), 1);
        QCOMPARE(e.SaveToFile(path("open.pdf")), 1);
        QCOMPARE(encryptedState(path("open.pdf")), "no");
        QVERIFY(qpdfCheck(path("open.pdf")));
        QCOMPARE(pageTexts(path("open.pdf")).value(2), "Secret page 3");
    }

    void emptyUserPasswordOpensWithAnyText()
    {
        QVERIFY(encrypt(path("plain.pdf"), path("owner-only.pdf"), QString(), "owner"));
        PdfEngine e("FolioPdfEngine");
        for (const char* typed : {"", "owner", "whatever"})
            QCOMPARE(e.LoadFromFile(path("owner-only.pdf"), typed), 1);
    }

    void protectedPagesMergeIntoAnOpenDocument()
    {
        QVERIFY(encrypt(path("plain.pdf"), path("merge-src.pdf"), "u", "o", 128));
        PdfEngine e("FolioPdfEngine");
        const int blank = e.SelectedDocument();
        QCOMPARE(e.LoadFromFile(path("merge-src.pdf"), "u"), 1);
        const int src = e.SelectedDocument();
        QCOMPARE(e.SelectDocument(blank), 1);
        QCOMPARE(e.MergeDocument(src), 1);
        QCOMPARE(e.RemoveDocument(src), 1);
        QCOMPARE(e.SaveToFile(path("merged-open.pdf")), 1);
        QCOMPARE(encryptedState(path("merged-open.pdf")), "no");
        QCOMPARE(pageTexts(path("merged-open.pdf")), QStringList({"", "Secret page 1", "Secret page 2", "Secret page 3"}));
    }
};

QTEST_MAIN(TestSecurity)
#include "tst_security.moc"
