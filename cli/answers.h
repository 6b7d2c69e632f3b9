#pragma once

// The answers folioforge-cli gives to the questions of a run (output file or
// folder, existing outputs, passwords), from its options, and the progress it
// shows on a terminal.

#include "command.h"
#include "folioconstants.h"
#include "questions.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

namespace cli {

// The command line's common options, settled before the run.
struct Settings
{
    Output output = Output::File;
    QString outputPath;                   // absolute file or folder
    QString password;                     // --password or --password-file
    bool hasPassword = false;
    QHash<QString, QString> passwordFor;  // absolute input path -> password
    int ifExists = folio::FileExistsRename;
    QStringList inputs;                   // what the run gets: absolute, native separators
    QSet<QString> refused;                // outputs left alone because they are inputs

    QString passwordOf(const QString& path) const;
    bool hasPasswordFor(const QString& path) const;
};

class CliQuestions : public ScriptedQuestions
{
public:
    explicit CliQuestions(Settings& settings);

    // Progress goes to stderr, and only when stderr is a terminal: a log
    // file or a pipe gets no carriage returns.
    bool progress(QWidget* parent, const QString& label, int done, int total) override;
    void progressDone() override;

private:
    Settings& settings;
    QHash<QString, int> passwordsOffered;  // absolute input path -> times
    bool terminal = false;
    bool shown = false;
};

// The same file, whatever way the two paths name it.
bool sameFile(const QString& a, const QString& b);
QString absolute(const QString& path);

} // namespace cli
