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
#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

using namespace testsupport;

class TestCommandLine : public CliSuite
{
    Q_OBJECT

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
        QVERIFY(writeTextPdf(path("a.pdf"), {"A"}) && writeTextPdf(path("b.pdf"), {"B"}) && writeFile(path("notes.txt"), "Notes"));
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

    // Wrong command lines of every kind, the commands' own values among them.
    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const QStringList& args, const QString& message) { QTest::newRow(name) << args << message; };
        const QStringList ab{"a.pdf", "b.pdf"};
        row("nothing", {}, "no command");
        row("unknown command", QStringList{"mrege", "-o", "out.pdf"} + ab, "unknown command 'mrege'");
        row("option before the command", QStringList{"-o", "out.pdf", "merge"} + ab, "the command comes first");
        row("unknown option", QStringList{"merge", "--frob", "-o", "out.pdf"} + ab, "frob");
        row("missing --output", QStringList{"merge"} + ab, "missing --output");
        row("empty --output", QStringList{"merge", "--output="} + ab, "missing --output");
        row("-o without its value", QStringList{"merge"} + ab + QStringList{"-o"}, "Missing value");
        row("--output twice", QStringList{"merge", "-o", "out.pdf", "--output", "x.pdf"} + ab, "--output given more than once");
        row("one input", {"merge", "-o", "out.pdf", "a.pdf"}, "at least 2");
        row("bad --if-exists", QStringList{"merge", "--if-exists", "replace", "-o", "out.pdf"} + ab, "'replace'");
        row("value for a switch", QStringList{"merge", "--bookmarks=yes", "-o", "out.pdf"} + ab, "bookmarks");
        row("--password-for no input", QStringList{"merge", "--password-for", "c.pdf=x", "-o", "out.pdf"} + ab, "c.pdf=x");
        row("--password-for without =", QStringList{"merge", "--password-for", "a.pdf", "-o", "out.pdf"} + ab, "FILE=PASS");
        row("output is a folder", QStringList{"merge", "-o", "folder"} + ab, "folder is a folder");
        row("output is no plain file", QStringList{"merge", "-o", "fifo"} + ab, "fifo");
        row("set-info --show with -o", {"set-info", "--show", "-o", "folder", "a.pdf"}, "--show writes no file");
        row("set-info --show with a field", {"set-info", "--show", "--title", "x", "a.pdf"}, "--show: reads only");
        row("set-info without -o", {"set-info", "--title", "x", "a.pdf"}, "missing --output");
        row("resize unknown paper", {"resize", "--paper", "B6", "-o", "new", "a.pdf"}, "must be one of: A0, A1");
        row("resize zero width", {"resize", "--size", "0x297", "-o", "folder", "a.pdf"}, "from 1 to 5080");
        row("resize one number", {"resize", "--size", "210", "-o", "folder", "a.pdf"}, "WIDTHxHEIGHT");
        row("resize decimal comma", {"resize", "--size", "210,5x297", "-o", "folder", "a.pdf"}, "WIDTHxHEIGHT");
        row("resize 55%", {"resize", "--scale", "55%", "-o", "folder", "a.pdf"}, "auto|none|10%..90%");
        row("rotate-crop decimal comma", {"rotate-crop", "--left", "36,5", "-o", "folder", "a.pdf"}, "rotate-crop: --left 36,5");
        row("rotate-crop negative", {"rotate-crop", "--top", "-3", "-o", "folder", "a.pdf"}, "rotate-crop: --top -3");
        row("rotate-crop letters", {"rotate-crop", "--right", "1cm", "-o", "folder", "a.pdf"}, "rotate-crop: --right 1cm");
        row("rotate-crop 45 degrees", {"rotate-crop", "--rotate", "45", "-o", "folder", "a.pdf"}, "rotate-crop: --rotate 45");
        row("text-to-pdf unknown paper", {"text-to-pdf", "--paper", "A9", "-o", "out.pdf", "notes.txt"}, "--paper A9: must be one of: A0, A1");
        row("text-to-pdf unknown font", {"text-to-pdf", "--font", "No Such Family", "-o", "out.pdf", "notes.txt"}, "--font No Such Family: is not an installed font family");
        row("text-to-pdf unknown headline font", {"text-to-pdf", "--headline-font", "Zz", "-o", "out.pdf", "notes.txt"}, "--headline-font Zz: is not an installed font family");
        row("text-to-pdf bad colour", {"text-to-pdf", "--color", "#12345", "-o", "out.pdf", "notes.txt"}, "--color #12345: is not a colour");
        row("text-to-pdf bad headline colour", {"text-to-pdf", "--headline-color", "reddish", "-o", "out.pdf", "notes.txt"}, "--headline-color reddish: is not a colour");
        row("text-to-pdf headline", {"text-to-pdf", "--headline", "title", "-o", "out.pdf", "notes.txt"}, "--headline title: must be one of");
        row("text-to-pdf margin", {"text-to-pdf", "--margin", "31", "-o", "out.pdf", "notes.txt"}, "--margin 31: must be a whole number from 0 to 30");
        row("text-to-pdf size", {"text-to-pdf", "--size", "0", "-o", "out.pdf", "notes.txt"}, "--size 0: must be a whole number from 1 to 200");
        // Settings that cannot make a watermark. A refused command line leaves
        // no folder behind, either when an option is refused or when the run is.
        row("watermark without a mark", {"watermark", "-o", "new", "a.pdf"}, "The watermark text is empty.");
        row("watermark empty text", {"watermark", "-o", "folder", "--text", "", "a.pdf"}, "The watermark text is empty.");
        row("watermark missing image", {"watermark", "-o", "folder", "--image", "gone.png", "a.pdf"}, "gone.png cannot be used: no such file");
        row("watermark not a picture", {"watermark", "-o", "folder", "--image", "notes.txt", "a.pdf"}, "notes.txt cannot be used: not an image");
        row("watermark text and image", {"watermark", "-o", "folder", "--text", "a", "--image", "notes.txt", "a.pdf"}, "--text and --image cannot be given together");
        row("watermark unknown font", {"watermark", "-o", "folder", "--text", "a", "--font", "No Such Family", "a.pdf"}, "not an installed font family");
        row("watermark no such position", {"watermark", "-o", "folder", "--text", "a", "--position", "middle", "a.pdf"}, "must be one of");
        row("word-count writes no file", {"word-count", "-o", "folder", "a.pdf"}, "Unknown option 'o'");
    }

    void usageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const auto everything = [this] {
            QStringList found;
            for (QDirIterator it(dir.path(), QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories); it.hasNext();)
                found << it.next();
            return found;
        };
        const QStringList before = everything();
        const auto r = runCli(args, dir.path());
        QCOMPARE(r.status, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.errLines().value(0).startsWith("folioforge-cli: ") && r.errLines().value(0).contains(message), qPrintable(r.err));
        QVERIFY2(r.err.contains("Usage: folioforge-cli "), qPrintable(r.err));
        QCOMPARE(everything(), before);
    }

    void manualAndCompletionNameEveryCommand()
    {
        const auto manual = runCli({"--manual"}), completion = runCli({"--completion", "bash"});
        QVERIFY(manual.status == 0 && completion.status == 0);
        for (QString name : subcommands()) {
            QVERIFY2(completion.out.contains("        " + name + ")\n"), qPrintable(name));
            QVERIFY2(manual.out.contains(".SS " + name.replace('-', "\\-") + "\n"), qPrintable(name));
        }
        for (const char* option : {"--list-tools", "--manual", "--completion"}) {
            QVERIFY2(completion.out.contains(option), option);
            QVERIFY2(manual.out.contains(QString(option).replace('-', "\\-")), option);
        }
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
        QVERIFY(wrote(runCli({"merge", "-o", "quiet.pdf", "a.pdf", "b.pdf"}, dir.path()), {path("quiet.pdf")}));
        const auto loud = runCli({"merge", "-v", "-o", "loud.pdf", "a.pdf", "b.pdf"}, dir.path());
        QCOMPARE(loud.status, 0);
        QVERIFY2(loud.err.contains("featurebase.cpp"), qPrintable(loud.err));
        QCOMPARE(loud.outLines(), QStringList{path("loud.pdf")});
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
