#include "runner.h"

#include "brandingrecord.h"
#include "command.h"
#include "createfeature.h"
#include "featurebase.h"
#include "pdfengine.h"
#include "questions.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QLineEdit>
#include <QLocale>
#include <QSpinBox>

#include <cstdio>
#include <memory>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace cli {

namespace {

const char* const program = "folioforge-cli";

void print(FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

void problem(const QString& text)
{
    print(stderr, QStringLiteral("%1: %2").arg(QLatin1String(program), text));
}

// ---------------------------------------------------------------- options

// The options every command has, for the parser and for --help.
struct CommonOption
{
    QStringList names;
    QString valueName;
    QString description;
};

enum IfExists { Rename = 0, Overwrite = 1, Skip = 2 };

QList<CommonOption> commonOptions(const Command* command)
{
    const bool folder = command && command->output == Output::Folder;
    const QString output = !command ? QStringLiteral("the output file, or folder for the tools that write one file "
                                                     "per input (required)")
                           : folder ? QStringLiteral("the folder to write into, made when missing (required)")
                                    : QStringLiteral("the file to write (required)");
    const QString ifExists =
        !command ? QStringLiteral("what happens to an output file that exists: rename (the default) writes "
                                  "NAME(1).EXT instead, skip writes nothing, overwrite replaces it; the output "
                                  "file of a single-output tool is replaced unless this option is given")
        : folder ? QStringLiteral("what happens to an output file that exists: rename (the default) writes "
                                  "NAME(1).EXT instead, skip leaves it and writes nothing for that input, "
                                  "overwrite replaces it (never an input)")
                 : QStringLiteral("what happens when the output file exists: without this option it is "
                                  "replaced, as the desktop tool does; rename writes NAME(1).EXT instead, skip "
                                  "writes nothing, overwrite replaces it");
    return {
        {{QStringLiteral("o"), QStringLiteral("output")}, folder ? QStringLiteral("FOLDER") : QStringLiteral("PATH"),
         output},
        {{QStringLiteral("password")}, QStringLiteral("PASS"), QStringLiteral("the password of every protected input")},
        {{QStringLiteral("password-for")}, QStringLiteral("FILE=PASS"),
         QStringLiteral("the password of one input; may be repeated; wins over --password")},
        {{QStringLiteral("if-exists")}, QStringLiteral("rename|skip|overwrite"), ifExists},
        {{QStringLiteral("v"), QStringLiteral("verbose")}, QString(),
         QStringLiteral("print the tools' diagnostic log on stderr")},
        {{QStringLiteral("h"), QStringLiteral("help")}, QString(), QStringLiteral("show this help and exit")},
        {{QStringLiteral("version")}, QString(), QStringLiteral("show the version and exit")},
    };
}

QString optionSyntax(const QStringList& names, const QString& valueName)
{
    QStringList shown;
    for (const QString& n : names)
        shown << (n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n;
    QString syntax = shown.join(QStringLiteral(", "));
    if (names.size() == 1 && names.first().size() > 1)
        syntax.prepend(QStringLiteral("    "));
    if (!valueName.isEmpty())
        syntax += QLatin1Char(' ') + valueName;
    return syntax;
}

using Rows = QList<QPair<QString, QString>>;

// The width of the first column: the widest entry, up to 30.
int columnWidth(const Rows& rows)
{
    int width = 0;
    for (const auto& row : rows)
        width = qMax(width, row.first.size());
    return qMin(width, 30);
}

// Two columns, the descriptions wrapped at 79 characters.
QString optionTable(const Rows& rows, int width)
{
    const int indent = 2 + width + 2;
    QString text;
    for (const auto& row : rows) {
        QString line = QStringLiteral("  ") + row.first.leftJustified(width);
        if (row.first.size() > width)
            line = QStringLiteral("  ") + row.first + QLatin1Char('\n') + QString(indent, QLatin1Char(' '));
        else
            line += QStringLiteral("  ");
        int column = line.size() - line.lastIndexOf(QLatin1Char('\n')) - 1;
        bool first = true;
        for (const QString& word : row.second.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (!first && column + 1 + word.size() > 79) {
                line += QLatin1Char('\n') + QString(indent, QLatin1Char(' '));
                column = indent;
            } else if (!first) {
                line += QLatin1Char(' ');
                ++column;
            }
            line += word;
            column += word.size();
            first = false;
        }
        text += line + QLatin1Char('\n');
    }
    return text;
}

Rows commonOptionRows(const Command* command)
{
    Rows rows;
    for (const CommonOption& o : commonOptions(command))
        rows.append({optionSyntax(o.names, o.valueName), o.description});
    return rows;
}

const QString exitStatuses = QStringLiteral(
    "Exit status: 0 when every input was processed and every output written; 1 when\n"
    "an input could not be opened or an output was not written (the others are still\n"
    "done); 2 for a wrong command line (nothing is done).\n");

QString usageLine(const Command& c)
{
    const QString files = c.minimumInputs > 1 ? QStringLiteral("FILE FILE...") : QStringLiteral("FILE...");
    return QStringLiteral("%1 %2 -o %3 [OPTIONS] %4")
        .arg(QLatin1String(program), c.name, c.output == Output::Folder ? QStringLiteral("FOLDER")
                                                                        : QStringLiteral("OUTPUT"),
             files);
}

QString programUsage()
{
    return QStringLiteral("Usage: %1 COMMAND -o OUTPUT [OPTIONS] FILE...\n"
                          "       %1 COMMAND --help\n"
                          "       %1 --help | --version\n")
        .arg(QLatin1String(program));
}

QString programHelp()
{
    Rows rows;
    for (const Command& c : commands())
        rows.append({c.name, c.summary});
    const Rows common = commonOptionRows(nullptr);
    return programUsage() +
           QStringLiteral("\nFolioforge's PDF tools from a shell: the same tools as the desktop program, with\n"
                          "errors named on stderr and every file written printed on stdout.\n\nCommands:\n") +
           optionTable(rows, columnWidth(rows)) + QStringLiteral("\nOptions of every command:\n") +
           optionTable(common, columnWidth(common)) +
           QLatin1Char('\n') + exitStatuses +
           QStringLiteral("\nRun '%1 COMMAND --help' for the options of one command.\n").arg(QLatin1String(program));
}

QString commandHelp(const Command& c)
{
    QString text = QStringLiteral("Usage: ") + usageLine(c) + QStringLiteral("\n\n") + c.summary + QLatin1Char('\n');
    if (!c.details.isEmpty())
        text += QLatin1Char('\n') + c.details + QLatin1Char('\n');
    Rows own;
    for (const Option& o : c.options)
        own.append({optionSyntax({o.name}, o.valueName), o.description});
    const Rows common = commonOptionRows(&c);
    const int width = columnWidth(own + common);
    if (!own.isEmpty())
        text += QStringLiteral("\nOptions of %1:\n").arg(c.name) + optionTable(own, width);
    text += QStringLiteral("\nOptions of every command:\n") + optionTable(common, width);
    if (!c.examples.isEmpty()) {
        text += QStringLiteral("\nExamples:\n");
        for (const QString& e : c.examples)
            text += QStringLiteral("  ") + e + QLatin1Char('\n');
    }
    return text + QLatin1Char('\n') + exitStatuses;
}

int usageError(const QString& message, const Command* command)
{
    problem(message);
    if (command)
        print(stderr, QStringLiteral("Usage: %1\nTry '%2 %3 --help'.").arg(usageLine(*command),
                                                                          QLatin1String(program), command->name));
    else
        print(stderr, programUsage() + QStringLiteral("Try '%1 --help'.").arg(QLatin1String(program)));
    return Usage;
}

// Sets the page's form from one tool option, as the user would. Returns what
// is wrong with the value, or empty.
QString setOption(const Option& option, OptionContext& context, const QString& value)
{
    if (option.apply)
        return option.apply(context, value);
    QString button = option.control;
    if (!option.choices.isEmpty()) {
        button.clear();
        for (auto it = option.choices.constBegin(); it != option.choices.constEnd(); ++it)
            if (it.key().compare(value, Qt::CaseInsensitive) == 0)
                button = it.value();
        if (button.isEmpty())
            return QStringLiteral("must be one of %1").arg(option.valueName);
    }
    QWidget* control = context.page.findChild<QWidget*>(button);
    if (!control)
        return QStringLiteral("the tool page has no control %1").arg(button);
    if (option.valueName.isEmpty() || !option.choices.isEmpty()) {
        auto* b = qobject_cast<QAbstractButton*>(control);
        if (!b)
            return QStringLiteral("the tool page's %1 is no button").arg(button);
        b->setChecked(true);
        return QString();
    }
    const QLocale c = QLocale::c();
    bool ok = false;
    if (auto* spin = qobject_cast<QSpinBox*>(control)) {
        const int n = c.toInt(value, &ok);
        if (!ok || n < spin->minimum() || n > spin->maximum())
            return QStringLiteral("must be a whole number from %1 to %2").arg(spin->minimum()).arg(spin->maximum());
        spin->setValue(n);
    } else if (auto* spin = qobject_cast<QDoubleSpinBox*>(control)) {
        const double d = c.toDouble(value, &ok);
        if (!ok || d < spin->minimum() || d > spin->maximum())
            return QStringLiteral("must be a number from %1 to %2").arg(spin->minimum()).arg(spin->maximum());
        spin->setValue(d);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        const int index = combo->findText(value, Qt::MatchFixedString);
        if (index >= 0) {
            combo->setCurrentIndex(index);
        } else if (combo->isEditable()) {
            combo->setCurrentText(value);
        } else {
            QStringList items;
            for (int i = 0; i < combo->count(); ++i)
                items << combo->itemText(i);
            return QStringLiteral("must be one of: %1").arg(items.join(QStringLiteral(", ")));
        }
    } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
        line->setText(value);
    } else {
        return QStringLiteral("the tool page's %1 takes no value").arg(button);
    }
    return QString();
}

// ---------------------------------------------------------------- files

// What is known of a file before the run, to tell a written output from one
// that was there already.
struct Stamp
{
    bool exists = false;
    qint64 size = 0;
    QDateTime modified;
    quint64 inode = 0;  // outputs are renamed into place: a new file, whatever the clock says

    static Stamp of(const QString& path)
    {
        const QFileInfo info(path);
        Stamp s;
        s.exists = info.exists();
        if (s.exists) {
            s.size = info.size();
            s.modified = info.lastModified();
#ifdef Q_OS_UNIX
            struct stat st;
            if (::stat(QFile::encodeName(path).constData(), &st) == 0)
                s.inode = static_cast<quint64>(st.st_ino);
#endif
        }
        return s;
    }
    bool operator==(const Stamp& o) const
    {
        return exists == o.exists && size == o.size && modified == o.modified && inode == o.inode;
    }
};

QString absolute(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// The same file, whatever way the two paths name it.
bool sameFile(const QString& a, const QString& b)
{
    if (absolute(a) == absolute(b))
        return true;
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

// ---------------------------------------------------------------- the run

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
    QString passwordOf(const QString& path) const;
    QString checkInput(const QString& path);
    QString checkOutput(const QString& path);
    int prepareOutput();
    void answerQuestions(ScriptedQuestions& questions);
    QStringList expectedOutputs() const;
    QHash<QString, Stamp> stampsBefore() const;

    const Command& command;
    std::unique_ptr<FeatureBase> page;

    // From the command line.
    QStringList given;              // input paths as given
    QString output;                 // -o as given
    QString password;               // --password
    bool hasPassword = false;
    QHash<QString, QString> passwordFor; // absolute input path -> password
    IfExists ifExists = Rename;
    bool ifExistsGiven = false;
    QList<QPair<const Option*, QString>> toolOptions;

    // Settled before the run.
    QString outputPath;             // absolute file or folder
    QHash<QString, QString> shownAs; // absolute input path -> as given
    QStringList runInputs;          // absolute paths of the inputs that open
    bool skipExisting = false;      // --if-exists skip and the output file exists
    bool inputFailed = false;
    bool outputFailed = false;
    QHash<QString, int> passwordsOffered; // absolute input path -> times
};

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
    QStringList valueOptions{QStringLiteral("output"), QStringLiteral("password"), QStringLiteral("if-exists")};
    for (const Option& o : command.options)
        if (!o.valueName.isEmpty())
            valueOptions << o.name;
    for (const QString& name : qAsConst(valueOptions))
        if (parser.values(name).size() > 1)
            return usageError(QStringLiteral("%1: --%2 given more than once").arg(command.name, name), &command);

    given = parser.positionalArguments();
    output = parser.value(QStringLiteral("output"));
    hasPassword = parser.isSet(QStringLiteral("password"));
    password = parser.value(QStringLiteral("password"));
    if (!parser.isSet(QStringLiteral("output")) || output.isEmpty())
        return usageError(command.name + QStringLiteral(": missing --output"), &command);
    if (given.isEmpty())
        return usageError(command.name + QStringLiteral(": no input files"), &command);
    if (given.size() < command.minimumInputs)
        return usageError(QStringLiteral("%1: needs at least %2 input files").arg(command.name).arg(command.minimumInputs),
                          &command);

    if (parser.isSet(QStringLiteral("if-exists"))) {
        const QString mode = parser.value(QStringLiteral("if-exists"));
        const QStringList modes{QStringLiteral("rename"), QStringLiteral("overwrite"), QStringLiteral("skip")};
        if (!modes.contains(mode))
            return usageError(QStringLiteral("%1: --if-exists must be rename, skip or overwrite, not '%2'")
                                  .arg(command.name, mode),
                              &command);
        ifExists = IfExists(modes.indexOf(mode));
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
                    passwordFor.insert(absolute(input), pair.mid(eq + 1));
                    matched = true;
                }
            }
        }
        if (!matched)
            return usageError(QStringLiteral("%1: --password-for %2: FILE=PASS, where FILE is one of the inputs")
                                  .arg(command.name, pair),
                              &command);
    }

    for (const Option& o : command.options)
        if (parser.isSet(o.name))
            toolOptions.append({&o, parser.value(o.name)});
    return -1;
}

QString Runner::passwordOf(const QString& path) const
{
    return passwordFor.value(absolute(path), password);
}

// What is wrong with an input, or empty.
QString Runner::checkInput(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("no such file");
    if (info.isDir())
        return QStringLiteral("is a folder, not a file");
    // A pipe or device would block the open below or never end.
    if (!info.isFile())
        return QStringLiteral("not a regular file");
    QFile file(path);
    if (!info.isReadable() || !file.open(QIODevice::ReadOnly))
        return QStringLiteral("not readable");
    file.close();

    switch (command.inputs) {
    case Inputs::Pdf: {
        PdfEngine& engine = *page->engine;
        if (engine.LoadFromFile(path, passwordOf(path)) == 1) {
            engine.RemoveDocument(engine.SelectedDocument());
            return QString();
        }
        switch (engine.LastLoadError()) {
        case 2:
            return QStringLiteral("not a PDF");
        case 4:
            if (!hasPassword && !passwordFor.contains(absolute(path)))
                return QStringLiteral("protected: needs a password (--password or --password-for)");
            return QStringLiteral("protected: wrong password");
        case 1:
            return QStringLiteral("not readable");
        default:
            return QStringLiteral("damaged beyond repair");
        }
    }
    case Inputs::Images:
        if (!QImageReader(path).canRead())
            return QStringLiteral("not an image that can be read (PNG, JPG, BMP)");
        return QString();
    case Inputs::Text:
        return QString();
    }
    return QString();
}

// What is wrong with a file the run wrote, or empty.
QString Runner::checkOutput(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdf")) {
        PdfEngine& engine = *page->engine;
        if (engine.LoadFromFile(path, QString()) != 1)
            return QStringLiteral("written, but it is not a PDF that opens");
        engine.RemoveDocument(engine.SelectedDocument());
    } else if (QStringList{"png", "jpg", "jpeg", "bmp", "tif", "tiff"}.contains(suffix)) {
        if (!QImageReader(path).canRead())
            return QStringLiteral("written, but it is not an image that opens");
    }
    return QString();
}

// Settles outputPath (and skipExisting); returns an exit status when the
// run must not start, -1 otherwise.
int Runner::prepareOutput()
{
    outputPath = absolute(output);
    const QFileInfo info(outputPath);
    if (command.output == Output::Folder) {
        if (info.exists() && !info.isDir())
            return usageError(QStringLiteral("%1: --output %2 is a file; %1 writes into a folder").arg(command.name, output),
                              &command);
        if (!info.exists() && !QDir().mkpath(outputPath)) {
            problem(QStringLiteral("%1: cannot make the folder").arg(output));
            return Failed;
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
            if (sameFile(input, outputPath))
                return usageError(QStringLiteral("%1: --output %2 is one of the inputs; %1 never writes over its inputs")
                                      .arg(command.name, output),
                                  &command);
    }
    if (info.exists() && ifExistsGiven) {
        skipExisting = ifExists == Skip;
        if (ifExists == Rename)
            outputPath = absolute(FeatureBase::FreeNumberedFileName(outputPath));
    }
    return -1;
}

void Runner::answerQuestions(ScriptedQuestions& questions)
{
    questions.answerer(Question::SaveFileName, [this](const Question&) { return QVariant(outputPath); });
    questions.answerer(Question::ExistingDirectory, [this](const Question&) { return QVariant(outputPath); });
    questions.answerer(Question::FileExists, [this](const Question& q) {
        const QString path = QDir(outputPath).filePath(q.text);
        if (ifExists == Skip) {
            problem(QStringLiteral("%1: exists, skipped").arg(QDir::toNativeSeparators(path)));
        } else if (ifExists == Overwrite) {
            for (const QString& input : qAsConst(runInputs)) {
                if (sameFile(input, path)) {
                    problem(QStringLiteral("%1: not written: it is one of the inputs").arg(QDir::toNativeSeparators(path)));
                    outputFailed = true;
                    return QVariant(int(Skip));
                }
            }
        }
        return QVariant(int(ifExists));
    });
    // A password is offered once for each time the file is listed; asked
    // more often, it did not open, and the file is given up, as Cancel in the
    // desktop's prompt gives it up.
    questions.answerer(Question::Password, [this](const Question& q) {
        const QString path = absolute(q.text);
        const int listed = int(runInputs.count(QDir::toNativeSeparators(path)));
        if (passwordsOffered.value(path) < listed && (hasPassword || passwordFor.contains(path))) {
            ++passwordsOffered[path];
            return QVariant(passwordOf(path));
        }
        problem(QStringLiteral("%1: could not be opened; left out").arg(shownAs.value(path, q.text)));
        inputFailed = true;
        return QVariant();
    });
}

QStringList Runner::expectedOutputs() const
{
    if (command.outputs)
        return command.outputs(*page);
    if (command.output == Output::File)
        return {outputPath};
    QStringList paths;
    for (const FeatureBase::fileList& rec : page->files)
        if (!rec.outputFile.isEmpty())
            paths << rec.outputFile;
    return paths;
}

QHash<QString, Stamp> Runner::stampsBefore() const
{
    QHash<QString, Stamp> stamps;
    if (command.output == Output::File) {
        stamps.insert(outputPath, Stamp::of(outputPath));
        return stamps;
    }
    const QDir folder(outputPath);
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System))
        stamps.insert(absolute(folder.filePath(name)), Stamp::of(folder.filePath(name)));
    return stamps;
}

int Runner::run(const QStringList& arguments)
{
    if (const int status = parse(arguments); status >= 0)
        return status;

    CustomFileNames names;
    page.reset(createFeature(makeBrandingRecord(names, 1, command.tool, false)));
    if (!page->hasEngine()) {
        problem(QStringLiteral("cannot load the PDF engine (libFolioPdfEngine.so beside the program)"));
        return Failed;
    }

    ScriptedQuestions questions;
    OptionContext context{*page, questions};
    for (const auto& [option, value] : qAsConst(toolOptions)) {
        const QString wrong = setOption(*option, context, value);
        if (!wrong.isEmpty())
            return usageError(QStringLiteral("%1: --%2 %3: %4").arg(command.name, option->name, value, wrong), &command);
    }

    if (const int status = prepareOutput(); status >= 0)
        return status;

    // Every distinct input once; those that do not open are left out.
    QHash<QString, QString> problems;
    for (const QString& input : qAsConst(given)) {
        const QString path = absolute(input);
        if (!shownAs.contains(path)) {
            shownAs.insert(path, input);
            const QString wrong = checkInput(path);
            if (!wrong.isEmpty()) {
                problem(QStringLiteral("%1: %2").arg(input, wrong));
                problems.insert(path, wrong);
            }
        }
        if (!problems.contains(path))
            runInputs << QDir::toNativeSeparators(path);
    }
    inputFailed = !problems.isEmpty();

    if (skipExisting) {
        problem(QStringLiteral("%1: exists, skipped").arg(output));
        return inputFailed ? Failed : Success;
    }
    if (runInputs.size() < command.minimumInputs) {
        problem(QStringLiteral("%1: fewer than %2 inputs left; nothing written").arg(command.name).arg(command.minimumInputs));
        return Failed;
    }

    answerQuestions(questions);
    questions.installed();
    const QHash<QString, Stamp> before = stampsBefore();
    page->fileCount = int(runInputs.size());
    page->FileListChanged(runInputs);
    page->Process(runInputs);

    const QStringList expected = expectedOutputs();
    if (expected.isEmpty() && command.output == Output::Folder && !questions.count(Question::FileExists)) {
        problem(QStringLiteral("%1: nothing written").arg(command.name));
        outputFailed = true;
    }
    for (const QString& path : expected) {
        const QString shown = QDir::toNativeSeparators(path);
        const Stamp after = Stamp::of(path);
        if (!after.exists || after == before.value(absolute(path))) {
            problem(QStringLiteral("%1: not written").arg(shown));
            outputFailed = true;
            continue;
        }
        const QString wrong = checkOutput(path);
        if (!wrong.isEmpty()) {
            problem(QStringLiteral("%1: %2").arg(shown, wrong));
            outputFailed = true;
            continue;
        }
        print(stdout, shown);
    }
    return inputFailed || outputFailed ? Failed : Success;
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
    if (first.startsWith(QLatin1Char('-')))
        return usageError(QStringLiteral("the command comes first, not %1").arg(first), nullptr);
    const Command* command = findCommand(first);
    if (!command)
        return usageError(QStringLiteral("unknown command '%1'").arg(first), nullptr);
    Runner runner(*command);
    return runner.run(arguments.mid(1));
}

} // namespace cli
