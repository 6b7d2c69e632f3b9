// folioforge-cli's command line: the help texts name every subcommand and
// option, --version, and every wrong command line ends with status 2, the
// usage on stderr, and nothing written. Runs without any display.

#include "clisupport.h"
#include "pdfbuild.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

#include <sys/stat.h>



class TestCommandLine : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    // Every subcommand that exists: one source file each in cli/commands/.
    static QStringList subcommands()
    {
        QStringList names;
        const QDir commands(QStringLiteral(FOLIO_SOURCE_DIR "/cli/commands"));
        for (const QFileInfo& f : commands.entryInfoList({QStringLiteral("*.cpp")}, QDir::Files))
            names << f.completeBaseName();
        return names;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(writeTextPdf(path("a.pdf"), {"A"}));
        QVERIFY(writeTextPdf(path("b.pdf"), {"B"}));
        QVERIFY(QDir(dir.path()).mkdir("folder"));
        QCOMPARE(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
    }

    void programHelpListsEverySubcommand()
    {
        const QStringList names = subcommands();
        QVERIFY(names.contains("merge"));
        for (const QString& flag : {QStringLiteral("--help"), QStringLiteral("-h")}) {
            const auto r = runCli({flag});
            QCOMPARE(r.status, 0);
            QVERIFY(r.err.isEmpty());
            const QString commandsPart = r.out.section("Commands:\n", 1).section("\n\n", 0, 0);
            QStringList listed;
            for (const QString& line : commandsPart.split('\n', Qt::SkipEmptyParts))
                listed << line.simplified().section(' ', 0, 0);
            listed.sort();
            QCOMPARE(listed, names);
            for (const char* option : {"--output", "--password", "--password-for", "--if-exists", "--help",
                                       "--version"})
                QVERIFY2(r.out.contains(option), option);
        }
    }

    void eachSubcommandHasItsHelp()
    {
        for (const QString& name : subcommands()) {
            for (const QStringList& args : {QStringList{name, "--help"}, QStringList{name, "-h", "--frob"}}) {
                const auto r = runCli(args);
                QCOMPARE(r.status, 0);
                QVERIFY(r.out.startsWith("Usage: folioforge-cli " + name + " -o "));
                QVERIFY(r.out.contains("--if-exists"));
                QVERIFY(r.err.isEmpty());
            }
        }
        const auto merge = runCli({"merge", "--help"});
        QVERIFY(merge.out.contains("--bookmarks"));
        QVERIFY(merge.out.contains("Use File Name As Bookmarks"));
    }

    void version()
    {
        const auto r = runCli({"--version"});
        QCOMPARE(r.status, 0);
        QVERIFY(QRegularExpression("^folioforge-cli \\d+\\.\\d+\\.\\d+\\n$").match(r.out).hasMatch());
        QCOMPARE(runCli({"merge", "--version"}).out, r.out);
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing") << QStringList{} << "no command";
        QTest::newRow("unknown command") << QStringList{"mrege", "-o", "out.pdf", "a.pdf", "b.pdf"} << "unknown command 'mrege'";
        QTest::newRow("option before the command") << QStringList{"-o", "out.pdf", "merge", "a.pdf", "b.pdf"} << "the command comes first";
        QTest::newRow("unknown option") << QStringList{"merge", "--frob", "-o", "out.pdf", "a.pdf", "b.pdf"} << "frob";
        QTest::newRow("option of nothing") << QStringList{"merge", "-o", "out.pdf", "-x", "a.pdf", "b.pdf"} << "'x'";
        QTest::newRow("missing --output") << QStringList{"merge", "a.pdf", "b.pdf"} << "missing --output";
        QTest::newRow("empty --output") << QStringList{"merge", "--output=", "a.pdf", "b.pdf"} << "missing --output";
        QTest::newRow("-o without its value") << QStringList{"merge", "a.pdf", "b.pdf", "-o"} << "Missing value";
        QTest::newRow("--output twice") << QStringList{"merge", "-o", "out.pdf", "--output", "x.pdf", "a.pdf", "b.pdf"} << "--output given more than once";
        QTest::newRow("no inputs") << QStringList{"merge", "-o", "out.pdf"} << "no input files";
        QTest::newRow("one input") << QStringList{"merge", "-o", "out.pdf", "a.pdf"} << "at least 2";
        QTest::newRow("bad --if-exists") << QStringList{"merge", "--if-exists", "replace", "-o", "out.pdf", "a.pdf", "b.pdf"} << "'replace'";
        QTest::newRow("value for a switch") << QStringList{"merge", "--bookmarks=yes", "-o", "out.pdf", "a.pdf", "b.pdf"} << "bookmarks";
        QTest::newRow("--password-for no input") << QStringList{"merge", "--password-for", "c.pdf=x", "-o", "out.pdf", "a.pdf", "b.pdf"} << "c.pdf=x";
        QTest::newRow("--password-for without =") << QStringList{"merge", "--password-for", "a.pdf", "-o", "out.pdf", "a.pdf", "b.pdf"} << "FILE=PASS";
        QTest::newRow("output is a folder") << QStringList{"merge", "-o", "folder", "a.pdf", "b.pdf"} << "folder is a folder";
        QTest::newRow("output is no plain file") << QStringList{"merge", "-o", "fifo", "a.pdf", "b.pdf"} << "fifo";
    }

    void usageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const auto r = runCli(args, dir.path());
        QCOMPARE(r.status, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.errLines().value(0).startsWith("folioforge-cli: "), qPrintable(r.err));
        QVERIFY2(r.errLines().value(0).contains(message), qPrintable(r.err));
        QVERIFY2(r.err.contains("Usage: folioforge-cli "), qPrintable(r.err));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    }

    void withoutItsEngine()
    {
        // A copy of the program without the engine library beside it says so.
        const QString copy = path("folioforge-cli");
        QVERIFY(QFile::copy(cliProgram(), copy));
        const auto r = runCli({"merge", "-o", "none.pdf", "a.pdf", "b.pdf"}, dir.path(), copy);
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.contains("cannot load the PDF engine"), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(path("none.pdf")));
        QFile::remove(copy);
    }

    void quietUnlessVerbose()
    {
        // Without a display and with a platform that needs one, it runs; the
        // tools' diagnostic log and the toolkit's notes appear only on request.
        const auto quiet = runCli({"merge", "-o", "quiet.pdf", "a.pdf", "b.pdf"}, dir.path());
        QCOMPARE(quiet.status, 0);
        QCOMPARE(quiet.err, QString());
        QCOMPARE(quiet.outLines(), QStringList{path("quiet.pdf")});
        const auto loud = runCli({"merge", "-v", "-o", "loud.pdf", "a.pdf", "b.pdf"}, dir.path());
        QCOMPARE(loud.status, 0);
        QVERIFY2(loud.err.contains("featurebase.cpp"), qPrintable(loud.err));
        QCOMPARE(loud.outLines(), QStringList{path("loud.pdf")});
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
