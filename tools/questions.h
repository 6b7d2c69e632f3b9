#pragma once

#include <QColor>
#include <QList>
#include <QMap>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class QProgressDialog;
class QWidget;

// Every question a run or the shell asks the user goes through here: the
// program shows the real dialogs, while tests and the command-line companion
// install a ScriptedQuestions that answers without any window.
struct Question
{
    enum Kind {
        ExistingDirectory, // answer: QString, empty when cancelled
        SaveFileName,      // answer: QString, empty when cancelled
        OpenFileName,      // answer: QString, empty when cancelled
        OpenFileNames,     // answer: QStringList, empty when cancelled
        Color,             // answer: QColor, invalid when cancelled
        FileExists,        // answer: int, 0 Rename, 1 Override, 2 Skip, -1 closed
        Password,          // answer: QString typed with OK; an invalid QVariant for Cancel
        Report,            // a message after a run (caption: title, text: what happened); no answer
        Choice,            // a tool's own dialog of options: answer int, the option chosen (from 0), -1 for none
    };

    Kind kind = ExistingDirectory;
    QWidget* parent = nullptr;
    QString caption;  // dialog caption or title
    QString text;     // file name (FileExists), file path (Password), start folder (file choosers)
    QString filter;   // file-dialog filter
    QColor initial;   // Color
    // Choice: shows the tool's own dialog (modal, over parent) and returns the option chosen.
    std::function<int(QWidget* parent)> dialog;
};

class Questions
{
public:
    virtual ~Questions();
    virtual QVariant ask(const Question& question) = 0;

    // Progress of a long run: `done` of `total` steps, the step under way
    // described by `label`. Answers false once the user asked to stop; the
    // run then stops at its next safe point. By default nothing is shown.
    virtual bool progress(QWidget* parent, const QString& label, int done, int total);
    // The run is over: whatever progress display there is goes away.
    virtual void progressDone();

    // The answerer in use; the real dialogs unless another one is installed.
    static Questions& current();
    // Installs an answerer (not owned); nullptr brings the real dialogs back.
    // Returns the answerer installed before.
    static Questions* install(Questions* questions);

    // Builds a question and asks current().
    static QVariant askCurrent(Question::Kind kind, QWidget* parent, const QString& caption, const QString& text,
                               const QString& filter = QString());

    // Typed helpers: each builds its Question and asks current().
    static QString existingDirectory(QWidget* parent, const QString& caption, const QString& dir);
    static QString saveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter);
    static QString openFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter);
    static QStringList openFileNames(QWidget* parent, const QString& caption, const QString& dir, const QString& filter);
    static QColor color(const QColor& initial, QWidget* parent, const QString& title);
    static int fileExists(QWidget* parent, const QString& fileName);
    // True with the typed password for OK, false for Cancel or a closed dialog.
    static bool password(QWidget* parent, const QString& filePath, QString* password);
    static void report(QWidget* parent, const QString& title, const QString& text);
    // The option chosen in a tool's own dialog, -1 for none; `dialog` shows it.
    static int choice(QWidget* parent, const QString& caption, std::function<int(QWidget* parent)> dialog);
};

// The real dialogs.
class DialogQuestions : public Questions
{
public:
    ~DialogQuestions() override;
    QVariant ask(const Question& question) override;
    // A progress dialog that appears once a run looks set to last more than
    // half a second, with Cancel.
    bool progress(QWidget* parent, const QString& label, int done, int total) override;
    void progressDone() override;

private:
    QProgressDialog* dialog = nullptr;
};

// Answers from a script: first the queued answers in order (each must be of the
// kind asked; a mismatch is logged and answered "cancel"), then the answerer or
// fallback set for the kind, then "cancel". A fallback password is offered once
// per file; an answerer must itself give up (answer cancel) in the end. Every
// question asked is recorded.
class ScriptedQuestions : public Questions
{
public:
    ScriptedQuestions();
    ~ScriptedQuestions() override;

    // Installs this answerer for its lifetime; the one installed before comes
    // back when it ends.
    ScriptedQuestions& installed();

    ScriptedQuestions& queue(Question::Kind kind, const QVariant& answer);
    ScriptedQuestions& fallback(Question::Kind kind, const QVariant& answer);
    ScriptedQuestions& answerer(Question::Kind kind, std::function<QVariant(const Question&)> fn);

    QVariant ask(const Question& question) override;
    // Every step is recorded; after stopAfter(n) the n-th step and later ones answer "stop".
    bool progress(QWidget* parent, const QString& label, int done, int total) override;
    ScriptedQuestions& stopAfter(int steps);

    const QList<Question>& asked() const { return log; }
    // The labels of the progress steps seen, in order.
    const QStringList& progressSteps() const { return steps; }
    int count(Question::Kind kind) const;
    int pending() const { return int(script.size()); }
    // Questions whose queued answer was of another kind.
    QStringList mismatches() const { return wrongKinds; }

    static QVariant cancelled(Question::Kind kind);

private:
    QList<QPair<Question::Kind, QVariant>> script;
    QMap<int, QVariant> fallbacks;
    QMap<int, std::function<QVariant(const Question&)>> answerers;
    QList<Question> log;
    QStringList wrongKinds;
    QSet<QString> passwordsOffered;
    QStringList steps;
    int stopAt = -1;
    bool isInstalled = false;
    Questions* previous = nullptr;
};
