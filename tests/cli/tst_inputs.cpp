// folioforge-cli's input checks and passwords: every input that cannot be
// opened is named on stderr, one line each, and left out while the others are
// merged (status 1); protected inputs open with --password and
// --password-for, and wrong or missing passwords are named.

#include "clisupport.h"
#include "pdfbuild.h"
#include "pdfread.h"
#include "shellsupport.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;



namespace {

bool writeAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

} // namespace

class TestInputs : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString path(const QString& name) const { return dir.filePath(name); }

    // Runs in the test folder; the output, when written, holds these page texts.
    CliResult merge(const QStringList& args, const QString& out = QStringLiteral("out.pdf"))
    {
        QFile::remove(path(out));
        return runCli(QStringList{"merge", "-o", out} + args, dir.path());
    }

    QStringList texts(const QString& out = QStringLiteral("out.pdf"))
    {
        return pageTexts(path(out));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(writeTextPdf(path("a.pdf"), {"a-1", "a-2"}));
        QVERIFY(writeTextPdf(path("b.pdf"), {"b-1"}));
        QVERIFY(writeTextPdf(path("c.pdf"), {"c-1"}));
        QVERIFY(writeAll(path("notes.pdf"), "These are notes, not a PDF.\n"));
        QVERIFY(writeAll(path("empty.pdf"), QByteArray()));
        QVERIFY(writeAll(path("damaged.pdf"), "%PDF-1.7\n" + QByteArray(3000, '#') + "\n%%EOF\n"));
        QVERIFY(encrypt(path("b.pdf"), path("locked-b.pdf"), "bee", "owner-b", 256));
        QVERIFY(encrypt(path("c.pdf"), path("locked-c.pdf"), "sea", "owner-c", 128));
        QVERIFY(encrypt(path("c.pdf"), path("same-c.pdf"), "bee", "owner", 128, false));
        QVERIFY(encrypt(path("b.pdf"), path("odd=name.pdf"), "p=q", "owner", 256));
        QVERIFY(QDir(dir.path()).mkdir("folder.pdf"));
    }

    void badInputsAmongGoodOnes()
    {
        const auto r = merge({"a.pdf", "notes.pdf", "b.pdf", "damaged.pdf", "missing.pdf", "folder.pdf", "empty.pdf",
                              "c.pdf"});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.outLines(), QStringList{path("out.pdf")});
        QCOMPARE(r.errLines(), (QStringList{
                                   "folioforge-cli: notes.pdf: not a PDF",
                                   "folioforge-cli: damaged.pdf: damaged beyond repair",
                                   "folioforge-cli: missing.pdf: no such file",
                                   "folioforge-cli: folder.pdf: is a folder, not a file",
                                   "folioforge-cli: empty.pdf: not a PDF",
                               }));
        QVERIFY(testsupport::qpdfCheck(path("out.pdf")));
        QCOMPARE(texts(), (QStringList{"a-1", "a-2", "b-1", "c-1"}));
    }

    void aBadInputListedTwiceIsNamedOnce()
    {
        const auto r = merge({"a.pdf", "notes.pdf", "b.pdf", "./notes.pdf"});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.errLines(), QStringList{"folioforge-cli: notes.pdf: not a PDF"});
        QCOMPARE(texts(), (QStringList{"a-1", "a-2", "b-1"}));
    }

    void tooFewInputsLeft()
    {
        // The merger needs two inputs: with one left nothing is written, and
        // an existing output stays as it was.
        QVERIFY(writeTextPdf(path("kept.pdf"), {"kept"}));
        const auto r = runCli({"merge", "-o", "kept.pdf", "a.pdf", "damaged.pdf"}, dir.path());
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.errLines().value(0), QStringLiteral("folioforge-cli: damaged.pdf: damaged beyond repair"));
        QVERIFY(r.errLines().value(1).contains("nothing written"));
        QCOMPARE(texts("kept.pdf"), QStringList{"kept"});

        const auto none = merge({"missing.pdf", "notes.pdf"});
        QCOMPARE(none.status, 1);
        QCOMPARE(none.errLines().size(), 3);
        QVERIFY(!QFileInfo::exists(path("out.pdf")));
    }

    void passwords()
    {
        // None given.
        auto r = merge({"a.pdf", "locked-b.pdf", "locked-c.pdf"});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.errLines(), (QStringList{
                                   "folioforge-cli: locked-b.pdf: protected: needs a password (--password or --password-for)",
                                   "folioforge-cli: locked-c.pdf: protected: needs a password (--password or --password-for)",
                                   "folioforge-cli: merge: fewer than 2 inputs left; nothing written",
                               }));
        QVERIFY(!QFileInfo::exists(path("out.pdf")));

        // One for every input: opens those it fits, names the others.
        r = merge({"--password", "bee", "locked-b.pdf", "a.pdf", "locked-c.pdf", "same-c.pdf"});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.errLines(), QStringList{"folioforge-cli: locked-c.pdf: protected: wrong password"});
        QCOMPARE(texts(), (QStringList{"b-1", "a-1", "a-2", "c-1"}));

        // One per input; an input's own wins over the common one; the owner
        // password opens too.
        r = merge({"--password", "bee", "--password-for", "locked-c.pdf=sea", "locked-b.pdf", "locked-c.pdf",
                   "--password-for", path("same-c.pdf") + "=owner", "same-c.pdf", "a.pdf"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QString());
        QCOMPARE(texts(), (QStringList{"b-1", "c-1", "c-1", "a-1", "a-2"}));
        // The result is not protected.
        QCOMPARE(testsupport::pdfInfo(path("out.pdf")).value("Encrypted"), QStringLiteral("no"));

        // A wrong one of its own, although the common one would fit.
        r = merge({"--password", "bee", "--password-for", "locked-b.pdf=sea", "locked-b.pdf", "a.pdf", "same-c.pdf"});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.errLines(), QStringList{"folioforge-cli: locked-b.pdf: protected: wrong password"});
        QCOMPARE(texts(), (QStringList{"a-1", "a-2", "c-1"}));

        // "=" in the file name and in the password.
        r = merge({"--password-for", "odd=name.pdf=p=q", "odd=name.pdf", "a.pdf"});
        QCOMPARE(r.status, 0);
        QCOMPARE(texts(), (QStringList{"b-1", "a-1", "a-2"}));

        // The same protected file twice.
        r = merge({"--password-for", "locked-b.pdf=bee", "locked-b.pdf", "a.pdf", "locked-b.pdf"});
        QCOMPARE(r.status, 0);
        QCOMPARE(texts(), (QStringList{"b-1", "a-1", "a-2", "b-1"}));
    }
};

QTEST_MAIN(TestInputs)
#include "tst_inputs.moc"
