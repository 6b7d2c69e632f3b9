#pragma once

// A subcommand of folioforge-cli: one tool page of the desktop program,
// described once. Each file of cli/commands/ registers one Command; the
// runner (runner.h) does everything they share: parsing, help, input checks,
// answering the run's questions, checking outputs, exit statuses.

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

class FeatureBase;
class ScriptedQuestions;

namespace cli {

// Where -o points.
enum class Output {
    File,   // the one file the tool writes (the desktop's save-file dialog)
    Folder, // the folder of one output per input (the desktop's folder dialog)
};

// What every input must be; checked before the run.
enum class Inputs { Pdf, Images, Text };

// What an option's code may touch: the tool page before its run, and the
// answers of questions the run will ask besides the common ones.
struct OptionContext
{
    FeatureBase& page;
    ScriptedQuestions& questions;
};

// A tool's own option. It sets the page's form as the user would: by the
// designer name of a control, or by its own code.
struct Option
{
    QString name;        // long name, without "--"
    QString valueName;   // empty for a switch
    QString description; // for --help
    // A switch checks this button; a value goes into this control (spin box,
    // line edit, combo box item, by its text) after its range is checked.
    QString control;
    // A value chosen from a set: value -> button to check.
    QMap<QString, QString> choices;
    // Anything else: own code. Returns what is wrong with the value, or empty.
    std::function<QString(OptionContext&, const QString& value)> apply;

    // The common forms.
    static Option toggle(const QString& name, const QString& description, const QString& button);
    static Option value(const QString& name, const QString& valueName, const QString& description,
                        const QString& control);
    static Option choice(const QString& name, const QString& description, const QMap<QString, QString>& choices);
};

struct Command
{
    QString name;     // the subcommand
    int tool = 0;     // tool number of the branding record (1 = PDF Merger)
    QString summary;  // one line, for the command list
    QString details;  // more lines for the command's --help, may be empty
    Output output = Output::File;
    Inputs inputs = Inputs::Pdf;
    int minimumInputs = 1;
    // The desktop tool may write its output over one of its own inputs.
    bool outputMayBeAnInput = false;
    QList<Option> options;
    QStringList examples;
    // The files the run was to write, read from the page after its run; by
    // default saveFileName (Output::File) or every record's outputFile
    // (Output::Folder).
    std::function<QStringList(const FeatureBase&)> outputs;
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
