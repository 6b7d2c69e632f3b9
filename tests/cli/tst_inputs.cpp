// folioforge-cli's input checks and passwords: every input that cannot be
// opened is named on stderr, one line each, and left out while the others are
// merged (status 1); protected inputs open with --password and
// --password-for, and wrong or missing passwords are named.

#include "clisupport.h"
#include "pdfbuild.h"
#include "testsupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace testsupport;

class TestInputs : public CliSuite
{
    Q_OBJECT

    static QString needs(const char* file) { return QString("folioforge-cli: %1: protected: needs a password (--password or --password-for)").arg(file); }
    static QString wrong(const char* file) { return QString("folioforge-cli: %1: protected: wrong password").arg(file); }

private slots:
    void initTestCase()
    {
        QVERIFY(writeTextPdf(path("a.pdf"), {"a-1", "a-2"}) && writeTextPdf(path("b.pdf"), {"b-1"}) && writeTextPdf(path("c.pdf"), {"c-1"}));
        QVERIFY(writeFile(path("notes.pdf"), "These are notes, not a PDF.\n"));
        QVERIFY(writeFile(path("empty.pdf"), QByteArray()));
        QVERIFY(writeFile(path("damaged.pdf"), "%PDF-1.7\n" + QByteArray(3000, '#') + "\n%%EOF\n"));
        QVERIFY(encrypt(path("b.pdf"), path("locked-b.pdf"), "bee", "owner-b"));
        QVERIFY(encrypt(path("c.pdf"), path("locked-c.pdf"), "sea", "owner-c", 128));
        QVERIFY(encrypt(path("c.pdf"), path("same-c.pdf"), "bee", "owner", 128, false));
        QVERIFY(encrypt(path("b.pdf"), path("odd=name.pdf"), "p=q", "owner"));
        QVERIFY(QDir(dir.path()).mkdir("folder.pdf") && writeFile(path("pw.txt"), "bee\r\n"));
        // Nobody writes to it: opening it to read would wait for ever.
        QCOMPARE(::mkfifo(QFile::encodeName(path("pipe.pdf")).constData(), 0600), 0);
    }

    void inputs_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("errors");
        QTest::addColumn<QStringList>("pages");
        // Each named once, even when listed twice.
        QTest::newRow("bad inputs among good ones")
            << QStringList{"a.pdf", "notes.pdf", "b.pdf", "damaged.pdf", "missing.pdf", "folder.pdf", "empty.pdf", "pipe.pdf", "c.pdf", "./notes.pdf"} << 1
            << QStringList{"folioforge-cli: notes.pdf: not a PDF", "folioforge-cli: damaged.pdf: damaged beyond repair",
                           "folioforge-cli: missing.pdf: no such file", "folioforge-cli: folder.pdf: is a folder, not a file",
                           "folioforge-cli: empty.pdf: not a PDF", "folioforge-cli: pipe.pdf: not a regular file"}
            << QStringList{"a-1", "a-2", "b-1", "c-1"};
        // One input left: its pages alone, as the desktop merger writes them; none left: nothing.
        QTest::newRow("one input left") << QStringList{"a.pdf", "damaged.pdf"} << 1
                                        << QStringList{"folioforge-cli: damaged.pdf: damaged beyond repair"} << QStringList{"a-1", "a-2"};
        QTest::newRow("none left") << QStringList{"missing.pdf", "notes.pdf"} << 1
                                   << QStringList{"folioforge-cli: missing.pdf: no such file", "folioforge-cli: notes.pdf: not a PDF"} << QStringList{};
        // Protected inputs.
        QTest::newRow("none given") << QStringList{"a.pdf", "locked-b.pdf", "locked-c.pdf"} << 1
                                    << QStringList{needs("locked-b.pdf"), needs("locked-c.pdf")} << QStringList{"a-1", "a-2"};
        QTest::newRow("one for every input opens those it fits")
            << QStringList{"--password", "bee", "locked-b.pdf", "a.pdf", "locked-c.pdf", "same-c.pdf"} << 1 << QStringList{wrong("locked-c.pdf")}
            << QStringList{"b-1", "a-1", "a-2", "c-1"};
        // An input's own wins over the common one; the owner password opens too.
        QTest::newRow("one per input") << QStringList{"--password", "bee", "--password-for", "locked-c.pdf=sea", "locked-b.pdf", "locked-c.pdf",
                                                      "--password-for", "same-c.pdf=owner", "same-c.pdf", "a.pdf"}
                                       << 0 << QStringList{} << QStringList{"b-1", "c-1", "c-1", "a-1", "a-2"};
        QTest::newRow("a wrong one of its own, although the common one would fit")
            << QStringList{"--password", "bee", "--password-for", "locked-b.pdf=sea", "locked-b.pdf", "a.pdf", "same-c.pdf"} << 1
            << QStringList{wrong("locked-b.pdf")} << QStringList{"a-1", "a-2", "c-1"};
        QTest::newRow("= in the file name and in the password") << QStringList{"--password-for", "odd=name.pdf=p=q", "odd=name.pdf", "a.pdf"}
                                                                << 0 << QStringList{} << QStringList{"b-1", "a-1", "a-2"};
        // From a file or stdin, first line only, so that it never shows in ps.
        QTest::newRow("from a file") << QStringList{"--password-file", "pw.txt", "locked-b.pdf", "a.pdf"} << 0 << QStringList{}
                                     << QStringList{"b-1", "a-1", "a-2"};
        QTest::newRow("from stdin") << QStringList{"--password-file", "-", "same-c.pdf", "locked-b.pdf"} << 0 << QStringList{}
                                    << QStringList{"c-1", "b-1"};
        QTest::newRow("the same protected file twice") << QStringList{"--password-for", "locked-b.pdf=bee", "locked-b.pdf", "a.pdf", "locked-b.pdf"}
                                                       << 0 << QStringList{} << QStringList{"b-1", "a-1", "a-2", "b-1"};
    }

    void inputs()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QStringList, errors);
        QFETCH(QStringList, pages);
        // Merged into out.pdf; stdin is a password file of two lines.
        QFile::remove(path("out.pdf"));
        const auto r = runCli(QStringList{"merge", "-o", "out.pdf"} + args, dir.path(), cliProgram(), "bee\nnot this line\n");
        QCOMPARE(r.status, status);
        QCOMPARE(r.errLines(), errors);
        QCOMPARE(r.outLines(), pages.isEmpty() ? QStringList() : QStringList{path("out.pdf")});
        QCOMPARE(QFileInfo::exists(path("out.pdf")) ? pageTexts(path("out.pdf")) : QStringList(), pages);
        if (!pages.isEmpty()) {  // a sound result, and not protected
            QVERIFY(qpdfCheck(path("out.pdf")));
            QCOMPARE(pdfInfo(path("out.pdf")).value("Encrypted"), "no");
        }
    }
};

QTEST_MAIN(TestInputs)
#include "tst_inputs.moc"
