// folioforge-cli's command line: the help texts name every subcommand and
// option, --version, and every wrong command line ends with status 2, the
// usage on stderr, and nothing written. Runs without any display.

#include "clisupport.h"
#include "command.h"
#include "controls.h"
#include "createfeature.h"
#include "featurebase.h"
#include "testsupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

using namespace testsupport;

class TestCommandLine : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    // Every subcommand that exists: one source file each in cli/commands/.
    static QStringList subcommands()
    {
        QStringList names;
        for (const QFileInfo& f : QDir(FOLIO_SOURCE_DIR "/cli/commands").entryInfoList({"*.cpp"}, QDir::Files))
            names << f.completeBaseName();
        return names;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(writeTextPdf(path("a.pdf"), {"A"}) && writeTextPdf(path("b.pdf"), {"B"}));
        QVERIFY(QDir(dir.path()).mkdir("folder"));
        QCOMPARE(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
    }

    void helpAndVersion()
    {
        QVERIFY(subcommands().contains("merge"));
        for (const char* flag : {"--help", "-h"}) {
            const auto r = runCli({flag});
            QVERIFY(r.status == 0 && r.err.isEmpty());
            QStringList listed;
            for (const QString& line : r.out.section("Commands:\n", 1).section("\n\n", 0, 0).split('\n', Qt::SkipEmptyParts))
                listed << line.simplified().section(' ', 0, 0);
            listed.sort();
            QCOMPARE(listed, subcommands());
            for (const char* option : {"--output", "--password", "--password-for", "--if-exists", "--help", "--version"})
                QVERIFY2(r.out.contains(option), option);
        }
        for (const QString& name : subcommands())
            for (const QStringList& args : {QStringList{name, "--help"}, QStringList{name, "-h", "--frob"}}) {
                const auto r = runCli(args);
                QVERIFY(r.status == 0 && r.err.isEmpty());
                // Commands that write no file have no -o and no --if-exists.
                const bool writes = cli::findCommand(name)->output != cli::Output::None;
                QVERIFY2(r.out.startsWith("Usage: folioforge-cli " + name + (writes ? " -o " : " [OPTIONS] ")), qPrintable(r.out));
                QCOMPARE(r.out.contains("--if-exists"), writes);
            }
        const QString merge = runCli({"merge", "--help"}).out;
        QVERIFY(merge.contains("--bookmarks") && merge.contains("Use File Name As Bookmarks"));
        const auto version = runCli({"--version"});
        QCOMPARE(version.status, 0);
        QVERIFY(QRegularExpression("^folioforge-cli \\d+\\.\\d+\\.\\d+\\n$").match(version.out).hasMatch());
        QCOMPARE(runCli({"merge", "--version"}).out, version.out);
    }

    // Every option of every command sets a control that its tool's page has,
    // of a kind the option can set: a renamed widget cannot silently break the
    // command line.
    void everyOptionSetsAControlOfItsPage()
    {
        QCOMPARE(subcommands().size(), cli::commands().size());
        for (const cli::Command& command : cli::commands()) {
            CustomFileNames names;
            names.directory = dir.path();
            std::unique_ptr<FeatureBase> page(createFeature(makeBrandingRecord(names, 1, int(command.tool), false)));
            QVERIFY2(page && page->metaObject()->className() != QString("FeatureBase"), qPrintable(command.name));
            ScriptedQuestions questions;
            cli::OptionContext context{*page, questions};
            for (const cli::Option& option : command.options)
                QVERIFY2(cli::checkOption(option, context).isEmpty(),
                         qPrintable(command.name + " --" + option.name + ": " + cli::checkOption(option, context)));
        }
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing") << QStringList{} << "no command";
        QTest::newRow("unknown command") << QStringList{"mrege", "-o", "out.pdf", "a.pdf", "b.pdf"} << "unknown command 'mrege'";
        QTest::newRow("option before the command") << QStringList{"-o", "out.pdf", "merge", "a.pdf", "b.pdf"} << "the command comes first";
        QTest::newRow("unknown option") << QStringList{"merge", "--frob", "-o", "out.pdf", "a.pdf", "b.pdf"} << "frob";
        QTest::newRow("missing --output") << QStringList{"merge", "a.pdf", "b.pdf"} << "missing --output";
        QTest::newRow("empty --output") << QStringList{"merge", "--output=", "a.pdf", "b.pdf"} << "missing --output";
        QTest::newRow("-o without its value") << QStringList{"merge", "a.pdf", "b.pdf", "-o"} << "Missing value";
        QTest::newRow("--output twice") << QStringList{"merge", "-o", "out.pdf", "--output", "x.pdf", "a.pdf", "b.pdf"} << "--output given more than once";
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
        QVERIFY2(r.errLines().value(0).startsWith("folioforge-cli: ") && r.errLines().value(0).contains(message), qPrintable(r.err));
        QVERIFY2(r.err.contains("Usage: folioforge-cli "), qPrintable(r.err));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    }

    void withoutItsEngine()
    {
        // A copy of the program without the engine library beside it says so.
        QVERIFY(QFile::copy(cliProgram(), path("folioforge-cli")));
        const auto r = runCli({"merge", "-o", "none.pdf", "a.pdf", "b.pdf"}, dir.path(), path("folioforge-cli"));
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.contains("cannot load the PDF engine"), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(path("none.pdf")));
        QFile::remove(path("folioforge-cli"));
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
