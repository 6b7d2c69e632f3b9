#pragma once

// A subcommand of folioforge-cli: one tool page of the desktop program,
// described once. Each file of cli/commands/ registers one Command; the
// runner (runner.h) does everything they share: parsing, help, setting the
// page's form from the options, answering the run's questions, printing the
// run's report and taking the exit status from it.

#include "questions.h"
#include "tooltable.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

class FeatureBase;
class QTextStream;

namespace cli {

// Where -o points.
enum class Output {
    File,   // the one file the tool writes (the desktop's save-file dialog)
    Folder, // the folder of one output per input (the desktop's folder dialog)
    None,   // the tool writes no file (printing, counting): no -o
};

// What an option's own code may touch: the tool page before its run, and the
// answers of questions the run or a clicked button will ask.
struct OptionContext
{
    FeatureBase& page;
    ScriptedQuestions& questions;
};

// A tool's own option. It sets the page's form as the user would, by the
// designer names of its controls.
struct Option
{
    QString name;        // long name, without "--"
    QString valueName;   // empty for a switch
    QString description; // for --help
    // A switch checks this button (or clicks it, with `click`). A value goes
    // into this control after its range is checked: spin box, slider, line
    // edit, or combo box (the item of that text). A choice with a control
    // picks the combo box item named by `choices`.
    QString control;
    // A value chosen from a set: value -> button to check, or -> combo box
    // item text when `control` names a combo box.
    QMap<QString, QString> choices;
    // Choices that change what -o names (a TIFF file instead of a folder), or
    // that make the run write nothing (Output::None: no -o). A switch's
    // choice is the empty text.
    QMap<QString, Output> outputFor;
    // Tick-and-type: this check box is ticked before the value is typed.
    QString tick;
    // The button is clicked, not checked (after `answer` is queued).
    bool click = false;
    // The question the click asks, answered with the value (a colour).
    bool answersColour = false;
    // The button opens a dialog of the tool's own, answered with the position
    // of the value among these.
    QStringList dialogChoices;
    // Applied after the file is selected: the page works on the loaded document.
    bool afterSelect = false;
    // Anything else: own code. Returns what is wrong with the value, or empty.
    std::function<QString(OptionContext&, const QString& value)> apply;
    // Instead of a run: prints what the tool finds around it (the printers
    // and their paper) on stdout. Takes no input file; returns what went
    // wrong, or empty.
    std::function<QString(FeatureBase& page, QTextStream& out)> lists;

    static Option toggle(const QString& name, const QString& description, const QString& button);
    static Option value(const QString& name, const QString& valueName, const QString& description,
                        const QString& control);
    static Option choice(const QString& name, const QString& description, const QMap<QString, QString>& choices,
                         const QString& combo = QString());
    static Option tickAndType(const QString& name, const QString& valueName, const QString& description,
                              const QString& checkBox, const QString& control);
    static Option colour(const QString& name, const QString& description, const QString& button);
    static Option pressing(const QString& name, const QString& description, const QString& button);
    static Option listing(const QString& name, const QString& description,
                          const std::function<QString(FeatureBase& page, QTextStream& out)>& lists);
    static Option dialogChoice(const QString& name, const QString& description, const QStringList& choices,
                               const QString& button);
    // Changes only what the command prints: the page has no control for it.
    static Option printing(const QString& name, const QString& description);
};

struct Command
{
    QString name;     // the subcommand
    Tool tool = Tool::Merger;
    QString summary;  // one line, for the command list
    QString details;  // more lines for the command's --help, may be empty
    Output output = Output::File;
    int minimumInputs = 1;
    // The desktop tool may write its output over one of its own inputs.
    bool outputMayBeAnInput = false;
    // "-o -" puts what the run writes on stdout instead, for one input (a
    // folder tool whose outputs are text).
    bool outputMayBeStdout = false;
    QList<Option> options;
    // Options of which at most one may be given (they set the same choice).
    QList<QStringList> exclusive;
    QStringList examples;
    // What the run found, on stdout, for runs that write no file (the
    // command's output is None, or an option made it so); `given` holds the
    // options given, by name. Otherwise every file written is printed, one a
    // line.
    std::function<void(FeatureBase& page, const QMap<QString, QString>& given, QTextStream& out)> print;
    // For runs that write files: how the files written (checked, in full) are
    // printed instead of one path a line (with their sizes, say). The run's
    // notes are then its to print too (FeatureBase::lastReport), on stdout.
    std::function<void(FeatureBase& page, const QMap<QString, QString>& given, const QStringList& written, QTextStream& out)>
        printWritten;

    const ToolRow& row() const;
    // Single-file tools take exactly one input.
    int maximumInputs() const;
};

// Registers a command; each commands/*.cpp holds one static Registration.
struct Registration
{
    explicit Registration(const Command& command);
};

// Every registered command, by name.
QList<Command> commands();
const Command* findCommand(const QString& name);

} // namespace cli
