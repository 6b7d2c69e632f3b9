#include "runner.h"

#include "answers.h"
#include "brandingrecord.h"
#include "command.h"
#include "controls.h"
#include "createfeature.h"
#include "featurebase.h"
#include "folioconstants.h"
#include "help.h"
#include "pdfengine.h"
#include "tooltable.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>
#include <tiffio.h>

namespace cli {

namespace {

// A multi-page TIFF that libtiff reads to its last page.
bool tiffOpens(const QString& path)
{
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tiff)
        return false;
    int pages = 0;
    do
        ++pages;
    while (TIFFReadDirectory(tiff));
    TIFFClose(tiff);
    return pages > 0;
}

class Runner
{
public:
    explicit Runner(const Command& command)
        : command(command)
    {
    }

    int run(const QStringList& arguments);

private:
    int parse(const QStringList& arguments);
    int prepareOutput();
    QString checkOutput(const QString& path);
    int finish(const RunReport& report);

    const Command& command;
    std::unique_ptr<FeatureBase> page;
    Settings settings;

    // From the command line.
    QStringList given;              // input paths as given
    QString output;                 // -o as given
    bool ifExistsGiven = false;
    QList<QPair<const Option*, QString>> toolOptions;
    QMap<QString, QString> givenOptions;  // name -> value, for the command's print

    QHash<QString, QString> shownAs;  // absolute native input path -> as given
    bool skipExisting = false;        // --if-exists skip and the output file exists
    bool madeFolder = false;          // -o named a folder this run made
    // -o -: the run writes into a folder of its own, whose files go to stdout.
    bool toStdout = false;
    std::unique_ptr<QTemporaryDir> stdoutFolder;
    const Option* listing = nullptr;  // an option that lists instead of running
};

// The first line of a file, or of standard input for "-", without its line end.
bool readPassword(const QString& source, QString* password)
{
    QFile file;
    const bool opened = source == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                      : (file.setFileName(source), file.open(QIODevice::ReadOnly));
    if (!opened)
        return false;
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    *password = QString::fromUtf8(line);
    return true;
}

int Runner::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    for (const CommonOption& o : commonOptions(&command))
        parser.addOption(QCommandLineOption(o.names, o.description, o.valueName));
    for (const Option& o : command.options)
        parser.addOption(QCommandLineOption(o.name, o.description, o.valueName));
    // --help wins over every mistake beside it.
    const bool parsed = parser.parse(QStringList{QLatin1String(program)} + arguments);
    if (!parsed && !parser.isSet(QStringLiteral("help")))
        return usageError(command.name + QStringLiteral(": ") + parser.errorText(), &command);

    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(commandHelp(command).toLocal8Bit().constData(), stdout);
        return Success;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        print(stdout, QStringLiteral("%1 %2").arg(QLatin1String(program), QStringLiteral(FOLIO_VERSION)));
        return Success;
    }
    const bool writes = command.output != Output::None;
    QStringList valueOptions{QStringLiteral("password"), QStringLiteral("password-file")};
    if (writes)
        valueOptions << QStringLiteral("output") << QStringLiteral("if-exists");
    for (const Option& o : command.options)
        if (!o.valueName.isEmpty())
            valueOptions << o.name;
    for (const QString& name : qAsConst(valueOptions))
        if (parser.values(name).size() > 1)
            return usageError(QStringLiteral("%1: --%2 given more than once").arg(command.name, name), &command);

    for (const Option& o : command.options)
        if (o.lists && parser.isSet(o.name))
            listing = &o;
    if (listing)
        return -1;

    // The command's options, in the command's order; one of them may change
    // what -o names, or make the run write nothing.
    settings.output = command.output;
    QString writesNothing;  // the option that makes the run write no file
    for (const Option& o : command.options) {
        if (!parser.isSet(o.name))
            continue;
        const QString value = parser.value(o.name);
        toolOptions.append({&o, value});
        givenOptions.insert(o.name, value);
        for (auto it = o.outputFor.constBegin(); it != o.outputFor.constEnd(); ++it) {
            if (it.key().compare(value, Qt::CaseInsensitive) == 0) {
                settings.output = it.value();
                if (it.value() == Output::None)
                    writesNothing = o.name;
            }
        }
    }

    given = parser.positionalArguments();
    if (settings.output != Output::None) {
        output = parser.value(QStringLiteral("output"));
        if (!parser.isSet(QStringLiteral("output")) || output.isEmpty())
            return usageError(command.name + QStringLiteral(": missing --output"), &command);
    } else if (writes && (parser.isSet(QStringLiteral("output")) || parser.isSet(QStringLiteral("if-exists")))) {
        return usageError(QStringLiteral("%1: --%2 writes no file: no --output or --if-exists with it")
                              .arg(command.name, writesNothing),
                          &command);
    }
    if (given.isEmpty())
        return usageError(command.name + QStringLiteral(": no input files"), &command);
    if (given.size() < command.minimumInputs)
        return usageError(QStringLiteral("%1: needs at least %2 input files").arg(command.name).arg(command.minimumInputs),
                          &command);
    if (command.maximumInputs() > 0 && given.size() > command.maximumInputs())
        return usageError(QStringLiteral("%1: takes one input file").arg(command.name), &command);
    toStdout = writes && command.outputMayBeStdout && output == QLatin1String("-");
    if (toStdout && given.size() > 1)
        return usageError(QStringLiteral("%1: -o - takes one input file").arg(command.name), &command);

    if (parser.isSet(QStringLiteral("password")) && parser.isSet(QStringLiteral("password-file")))
        return usageError(QStringLiteral("%1: --password and --password-file both given").arg(command.name), &command);
    settings.hasPassword = parser.isSet(QStringLiteral("password")) || parser.isSet(QStringLiteral("password-file"));
    settings.password = parser.value(QStringLiteral("password"));
    if (parser.isSet(QStringLiteral("password-file"))
        && !readPassword(parser.value(QStringLiteral("password-file")), &settings.password))
        return usageError(QStringLiteral("%1: --password-file %2: cannot be read")
                              .arg(command.name, parser.value(QStringLiteral("password-file"))),
                          &command);

    if (settings.output != Output::None && parser.isSet(QStringLiteral("if-exists"))) {
        const QString mode = parser.value(QStringLiteral("if-exists"));
        const QMap<QString, int> modes{{QStringLiteral("rename"), folio::FileExistsRename},
                                       {QStringLiteral("overwrite"), folio::FileExistsOverride},
                                       {QStringLiteral("skip"), folio::FileExistsSkip}};
        if (!modes.contains(mode))
            return usageError(QStringLiteral("%1: --if-exists must be rename, skip or overwrite, not '%2'")
                                  .arg(command.name, mode),
                              &command);
        settings.ifExists = modes.value(mode);
        ifExistsGiven = true;
    }

    // FILE=PASS: a file name may hold "=" itself, so the split is where the
    // left part names one of the inputs.
    for (const QString& pair : parser.values(QStringLiteral("password-for"))) {
        bool matched = false;
        for (int eq = pair.indexOf(QLatin1Char('=')); eq >= 0 && !matched; eq = pair.indexOf(QLatin1Char('='), eq + 1)) {
            const QString file = pair.left(eq);
            for (const QString& input : qAsConst(given)) {
                if (!file.isEmpty() && sameFile(file, input)) {
                    settings.passwordFor.insert(absolute(input), pair.mid(eq + 1));
                    matched = true;
                }
            }
        }
        if (!matched)
            return usageError(QStringLiteral("%1: --password-for %2: FILE=PASS, where FILE is one of the inputs")
                                  .arg(command.name, pair),
                              &command);
    }

    for (const QStringList& group : command.exclusive) {
        QStringList set;
        for (const QString& name : group)
            if (parser.isSet(name))
                set << QStringLiteral("--") + name;
        if (set.size() > 1)
            return usageError(QStringLiteral("%1: %2 cannot be given together").arg(command.name, set.join(QStringLiteral(" and "))),
                              &command);
    }
    return -1;
}

// Settles the output path (and skipExisting); returns an exit status when
// the run must not start, -1 otherwise.
int Runner::prepareOutput()
{
    if (settings.output == Output::None)
        return -1;
    if (toStdout) {
        stdoutFolder = std::make_unique<QTemporaryDir>();
        if (!stdoutFolder->isValid()) {
            problem(QStringLiteral("cannot make a temporary folder: %1").arg(stdoutFolder->errorString()));
            return Failed;
        }
        settings.outputPath = stdoutFolder->path();
        return -1;
    }
    settings.outputPath = absolute(output);
    const QFileInfo info(settings.outputPath);
    if (settings.output == Output::Folder) {
        if (info.exists() && !info.isDir())
            return usageError(QStringLiteral("%1: --output %2 is a file; %1 writes into a folder").arg(command.name, output),
                              &command);
        if (!info.exists()) {
            if (!QDir().mkpath(settings.outputPath)) {
                problem(QStringLiteral("%1: cannot make the folder").arg(output));
                return Failed;
            }
            madeFolder = true;
        }
        return -1;
    }

    if (info.isDir())
        return usageError(QStringLiteral("%1: --output %2 is a folder; %1 writes one file").arg(command.name, output),
                          &command);
    // A device, pipe or socket would be replaced by a plain file.
    if (info.exists() && !info.isFile())
        return usageError(QStringLiteral("%1: --output %2 is not a plain file").arg(command.name, output), &command);
    if (!QFileInfo(info.absolutePath()).isDir()) {
        problem(QStringLiteral("%1: cannot write: the folder %2 does not exist").arg(output, info.absolutePath()));
        return Failed;
    }
    if (!command.outputMayBeAnInput) {
        for (const QString& input : qAsConst(given))
            if (sameFile(input, settings.outputPath))
                return usageError(QStringLiteral("%1: --output %2 is one of the inputs; %1 never writes over its inputs")
                                      .arg(command.name, output),
                                  &command);
    }
    if (info.exists() && ifExistsGiven) {
        skipExisting = settings.ifExists == folio::FileExistsSkip;
        if (settings.ifExists == folio::FileExistsRename)
            settings.outputPath = absolute(filenames::freeNumbered(settings.outputPath));
    }
    return -1;
}

// What is wrong with a file the run wrote, or empty. A protected output is
// opened with the passwords given for the inputs.
QString Runner::checkOutput(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdf")) {
        PdfEngine& engine = *page->engine;
        QStringList passwords{QString()};
        if (settings.hasPassword)
            passwords << settings.password;
        passwords += settings.passwordFor.values();
        for (const QString& password : qAsConst(passwords)) {
            if (engine.LoadFromFile(path, password) == folio::Success) {
                engine.RemoveDocument(engine.SelectedDocument());
                return QString();
            }
        }
        return QStringLiteral("written, but it is not a PDF that opens");
    }
    if (suffix == QLatin1String("tif") || suffix == QLatin1String("tiff"))
        return tiffOpens(path) ? QString() : QStringLiteral("written, but it is not a TIFF that opens");
    if (QStringList{"png", "jpg", "jpeg", "bmp"}.contains(suffix) && !QImageReader(path).canRead())
        return QStringLiteral("written, but it is not an image that opens");
    return QString();
}

// Prints the run's report and returns the exit status it calls for.
int Runner::finish(const RunReport& report)
{
    // The tool would not start with these settings: the command line asked
    // for something that cannot be done, and nothing was written.
    if (!report.refused().isEmpty())
        return usageError(command.name + QStringLiteral(": ") + report.refused(), &command);
    bool failed = false;
    QStringList said;  // a file listed twice is named once
    auto say = [&said](const QString& line) {
        if (!said.contains(line)) {
            said << line;
            problem(line);
        }
    };
    QStringList written;
    for (const RunReport::Entry& e : report.entries()) {
        // Inputs are named as the command line gave them, outputs in full.
        const QString shown = e.kind == RunReport::Kind::Input ? shownAs.value(e.path, e.path) : e.path;
        switch (e.outcome) {
        case RunReport::Outcome::Processed:
            break;
        case RunReport::Outcome::LeftOut:
            failed = true;
            say(QStringLiteral("%1: %2").arg(shown, e.reason == QLatin1String("protected: needs a password")
                                                        ? e.reason + QStringLiteral(" (--password or --password-for)")
                                                        : e.reason));
            break;
        case RunReport::Outcome::Skipped:
            if (settings.refused.contains(e.path)) {
                failed = true;
                say(QStringLiteral("%1: not written: it is one of the inputs").arg(shown));
            } else {
                say(QStringLiteral("%1: %2").arg(shown, e.reason));
            }
            break;
        case RunReport::Outcome::Failed:
            failed = true;
            say(QStringLiteral("%1: not written: %2").arg(shown, e.reason));
            break;
        case RunReport::Outcome::Written:
            if (const QString wrong = checkOutput(e.path); !wrong.isEmpty()) {
                failed = true;
                say(QStringLiteral("%1: %2").arg(shown, wrong));
            } else {
                written << shown;
            }
            break;
        }
    }
    const bool printsWritten = settings.output != Output::None && command.printWritten;
    if (!printsWritten)
        for (const QString& note : report.notes())
            problem(note);
    if (report.cancelled()) {
        failed = true;
        say(QStringLiteral("%1: stopped before the end").arg(command.name));
    }

    if (toStdout) {
        // The files' bytes as they are: no conversion to the locale's encoding.
        for (const QString& path : qAsConst(written)) {
            QFile file(path);
            const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size())) {
                problem(QStringLiteral("standard output: cannot write"));
                return Failed;
            }
        }
        return std::fflush(stdout) == 0 && !failed ? Success : Failed;
    }
    QTextStream out(stdout);
    if (command.print && settings.output == Output::None)
        command.print(*page, givenOptions, out);
    else if (printsWritten)
        command.printWritten(*page, givenOptions, written, out);
    else
        for (const QString& path : qAsConst(written))
            out << path << '\n';
    out.flush();
    return failed ? Failed : Success;
}

int Runner::run(const QStringList& arguments)
{
    if (const int status = parse(arguments); status >= 0)
        return status;

    page.reset(createFeature(makeBrandingRecord(CustomFileNames(), 1, int(command.tool), false)));
    if (!page || !page->hasEngine()) {
        problem(QStringLiteral("cannot load the PDF engine (libFolioPdfEngine.so beside the program)"));
        return Failed;
    }
    if (listing) {
        QTextStream out(stdout);
        const QString wrong = listing->lists(*page, out);
        out.flush();
        if (wrong.isEmpty())
            return Success;
        problem(wrong);
        return Failed;
    }
    if (const int status = prepareOutput(); status >= 0)
        return status;
    // A wrong command line leaves no trace: not even the folder made for it.
    const auto withoutFolder = [this](int status) {
        if (madeFolder)
            QDir().rmdir(settings.outputPath);
        return status;
    };

    for (const QString& input : qAsConst(given)) {
        const QString path = QDir::toNativeSeparators(absolute(input));
        settings.inputs << path;
        if (!shownAs.contains(path))
            shownAs.insert(path, input);
    }
    if (skipExisting) {
        problem(QStringLiteral("%1: exists, skipped").arg(output));
        return Success;
    }

    // The answers are in place before any option is applied: a button an
    // option clicks may ask its question at once.
    CliQuestions questions(settings);
    questions.installed();
    OptionContext context{*page, questions};
    const auto apply = [&](bool afterSelect) {
        for (const auto& [option, value] : qAsConst(toolOptions)) {
            if (option->afterSelect != afterSelect)
                continue;
            const QString wrong = setOption(*option, context, value);
            if (!wrong.isEmpty())
                return usageError(QStringLiteral("%1: --%2%3: %4")
                                      .arg(command.name, option->name,
                                           option->valueName.isEmpty() ? QString() : QLatin1Char(' ') + value, wrong),
                                  &command);
        }
        return -1;
    };
    if (const int status = apply(false); status >= 0)
        return withoutFolder(status);

    // The page hears of its files as it does in the window: a single-file
    // tool is handed the file picked, a list tool the list after an import.
    page->fileCount = int(settings.inputs.size());
    if (command.maximumInputs() == 1)
        page->FileSelected(settings.inputs.first());
    else
        page->FileListChanged(settings.inputs);
    if (const int status = apply(true); status >= 0)
        return withoutFolder(status);

    const int status = finish(page->run(settings.inputs));
    if (status == Usage)
        withoutFolder(status);
    // The process ends with this run. The page, and the documents its engine
    // still holds, are left to the system, as the engine leaves its
    // instances at exit: taking a large document apart costs about as much
    // as reading it did.
    (void)page.release();
    return status;
}

} // namespace

int run(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return usageError(QStringLiteral("no command"), nullptr);
    const QString first = arguments.first();
    if (first == QLatin1String("-h") || first == QLatin1String("--help")) {
        std::fputs(programHelp().toLocal8Bit().constData(), stdout);
        return Success;
    }
    if (first == QLatin1String("--version")) {
        print(stdout, QStringLiteral("%1 %2").arg(QLatin1String(program), QStringLiteral(FOLIO_VERSION)));
        return Success;
    }
    if (first == QLatin1String("--list-tools")) {
        // For scripts (scripts/run, packaging): number, stored name and icon of each tool of the family.
        for (const ToolRow& row : toolTable())
            print(stdout, QStringLiteral("%1\t%2\t%3").arg(row.number()).arg(row.storedName(), row.iconFileName()));
        return Success;
    }
    if (first == QLatin1String("--manual")) {
        std::fputs(manualPage().toUtf8().constData(), stdout);
        return Success;
    }
    if (first == QLatin1String("--completion") && arguments.value(1) == QLatin1String("bash")) {
        std::fputs(bashCompletion().toUtf8().constData(), stdout);
        return Success;
    }
    if (first.startsWith(QLatin1Char('-')))
        return usageError(QStringLiteral("the command comes first, not %1").arg(first), nullptr);
    const Command* command = findCommand(first);
    if (!command)
        return usageError(QStringLiteral("unknown command '%1'").arg(first), nullptr);
    Runner runner(*command);
    return runner.run(arguments.mid(1));
}

} // namespace cli
