#include "questions.h"

#include "dialogfileexists.h"
#include "pdf_auth.h"

#include <QApplication>
#include <QColorDialog>
#include <QDebug>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>

namespace {

Questions* installedQuestions = nullptr;

const char* kindName(Question::Kind kind)
{
    switch (kind) {
    case Question::ExistingDirectory: return "ExistingDirectory";
    case Question::SaveFileName: return "SaveFileName";
    case Question::OpenFileName: return "OpenFileName";
    case Question::OpenFileNames: return "OpenFileNames";
    case Question::Color: return "Color";
    case Question::FileExists: return "FileExists";
    case Question::Password: return "Password";
    case Question::Report: return "Report";
    case Question::Choice: return "Choice";
    }
    return "?";
}

} // namespace

Questions::~Questions() = default;

bool Questions::progress(QWidget*, const QString&, int, int)
{
    return true;
}

void Questions::progressDone() {}

Questions& Questions::current()
{
    static DialogQuestions dialogs;
    return installedQuestions ? *installedQuestions : dialogs;
}

Questions* Questions::install(Questions* questions)
{
    Questions* before = installedQuestions;
    installedQuestions = questions;
    return before;
}

QVariant Questions::askCurrent(Question::Kind kind, QWidget* parent, const QString& caption, const QString& text,
                        const QString& filter)
{
    Question q;
    q.kind = kind;
    q.parent = parent;
    q.caption = caption;
    q.text = text;
    q.filter = filter;
    return current().ask(q);
}

QString Questions::existingDirectory(QWidget* parent, const QString& caption, const QString& dir)
{
    return askCurrent(Question::ExistingDirectory, parent, caption, dir).toString();
}

QString Questions::saveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    return askCurrent(Question::SaveFileName, parent, caption, dir, filter).toString();
}

QString Questions::openFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    return askCurrent(Question::OpenFileName, parent, caption, dir, filter).toString();
}

QStringList Questions::openFileNames(QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    return askCurrent(Question::OpenFileNames, parent, caption, dir, filter).toStringList();
}

QColor Questions::color(const QColor& initial, QWidget* parent, const QString& title)
{
    Question q;
    q.kind = Question::Color;
    q.parent = parent;
    q.caption = title;
    q.initial = initial;
    return current().ask(q).value<QColor>();
}

int Questions::fileExists(QWidget* parent, const QString& fileName)
{
    const QVariant answer = askCurrent(Question::FileExists, parent, QString(), fileName);
    return answer.isValid() ? answer.toInt() : -1;
}

bool Questions::password(QWidget* parent, const QString& filePath, QString* password)
{
    const QVariant answer = askCurrent(Question::Password, parent, QString(), filePath);
    if (!answer.isValid())
        return false;
    if (password)
        *password = answer.toString();
    return true;
}

void Questions::report(QWidget* parent, const QString& title, const QString& text)
{
    askCurrent(Question::Report, parent, title, text);
}

int Questions::choice(QWidget* parent, const QString& caption, std::function<int(QWidget*)> dialog)
{
    Question q;
    q.kind = Question::Choice;
    q.parent = parent;
    q.caption = caption;
    q.dialog = std::move(dialog);
    const QVariant answer = current().ask(q);
    return answer.isValid() ? answer.toInt() : -1;
}

DialogQuestions::~DialogQuestions()
{
    delete dialog;
}

bool DialogQuestions::progress(QWidget* parent, const QString& label, int done, int total)
{
    if (!dialog) {
        dialog = new QProgressDialog(parent);
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setMinimumDuration(500);
        dialog->setAutoReset(false);
        dialog->setAutoClose(false);
        dialog->setMinimumWidth(420);
        if (parent)
            dialog->setWindowTitle(parent->window()->windowTitle());
        dialog->setValue(0);
    }
    dialog->setMaximum(qMax(1, total));
    dialog->setLabelText(label);
    // setValue turns the event loop while the dialog is modal: it repaints
    // and sees Cancel. The window behind it takes no input meanwhile.
    dialog->setValue(qBound(0, done, dialog->maximum()));
    QApplication::processEvents();
    return !dialog->wasCanceled();
}

void DialogQuestions::progressDone()
{
    delete dialog;
    dialog = nullptr;
}

QVariant DialogQuestions::ask(const Question& q)
{
    switch (q.kind) {
    case Question::ExistingDirectory:
        return QFileDialog::getExistingDirectory(q.parent, q.caption, q.text, QFileDialog::ShowDirsOnly);
    case Question::SaveFileName:
        return QFileDialog::getSaveFileName(q.parent, q.caption, q.text, q.filter);
    case Question::OpenFileName:
        return QFileDialog::getOpenFileName(q.parent, q.caption, q.text, q.filter);
    case Question::OpenFileNames:
        return QFileDialog::getOpenFileNames(q.parent, q.caption, q.text, q.filter);
    case Question::Color:
        return QColorDialog::getColor(q.initial, q.parent, q.caption);
    case Question::FileExists: {
        DialogFileExists dialog(q.parent, q.text);
        dialog.exec();
        return dialog.result;
    }
    case Question::Password: {
        PDF_Auth dialog(q.parent, q.text);
        dialog.exec();
        return dialog.result == 0 ? QVariant(dialog.password) : QVariant();
    }
    case Question::Report: {
        QMessageBox box(QMessageBox::Warning, q.caption, q.text, QMessageBox::Ok, q.parent);
        box.exec();
        return QVariant();
    }
    case Question::Choice:
        return q.dialog ? q.dialog(q.parent) : -1;
    }
    return QVariant();
}

ScriptedQuestions::ScriptedQuestions() = default;

ScriptedQuestions::~ScriptedQuestions()
{
    if (isInstalled)
        Questions::install(previous);
}

ScriptedQuestions& ScriptedQuestions::installed()
{
    if (!isInstalled)
        previous = Questions::install(this);
    isInstalled = true;
    return *this;
}

ScriptedQuestions& ScriptedQuestions::queue(Question::Kind kind, const QVariant& answer)
{
    script.append(qMakePair(kind, answer));
    return *this;
}

ScriptedQuestions& ScriptedQuestions::fallback(Question::Kind kind, const QVariant& answer)
{
    fallbacks.insert(kind, answer);
    return *this;
}

ScriptedQuestions& ScriptedQuestions::answerer(Question::Kind kind, std::function<QVariant(const Question&)> fn)
{
    answerers.insert(kind, std::move(fn));
    return *this;
}

int ScriptedQuestions::count(Question::Kind kind) const
{
    int n = 0;
    for (const Question& q : log)
        n += q.kind == kind;
    return n;
}

QVariant ScriptedQuestions::cancelled(Question::Kind kind)
{
    switch (kind) {
    case Question::ExistingDirectory:
    case Question::SaveFileName:
    case Question::OpenFileName:
        return QString();
    case Question::OpenFileNames:
        return QStringList();
    case Question::Color:
        return QColor();
    case Question::FileExists:
    case Question::Choice:
        return -1;
    case Question::Password:
    case Question::Report:
        return QVariant();
    }
    return QVariant();
}

bool ScriptedQuestions::progress(QWidget*, const QString& label, int, int)
{
    steps << label;
    return stopAt < 0 || steps.size() < stopAt;
}

ScriptedQuestions& ScriptedQuestions::stopAfter(int stepCount)
{
    stopAt = stepCount;
    return *this;
}

QVariant ScriptedQuestions::ask(const Question& q)
{
    log.append(q);
    // A report asks nothing: it never takes an answer meant for a question.
    if (q.kind == Question::Report)
        return QVariant();
    if (!script.isEmpty()) {
        const auto next = script.takeFirst();
        if (next.first == q.kind)
            return next.second;
        wrongKinds << QStringLiteral("asked %1, script had %2")
                          .arg(QLatin1String(kindName(q.kind)), QLatin1String(kindName(next.first)));
        qWarning().noquote() << "scripted answer of the wrong kind:" << wrongKinds.last();
        return cancelled(q.kind);
    }
    if (answerers.contains(q.kind))
        return answerers.value(q.kind)(q);
    if (fallbacks.contains(q.kind)) {
        // A fixed password that does not open the file would be asked for
        // forever: it is offered once per file, then the file is given up.
        if (q.kind == Question::Password) {
            if (passwordsOffered.contains(q.text))
                return cancelled(q.kind);
            passwordsOffered.insert(q.text);
        }
        return fallbacks.value(q.kind);
    }
    return cancelled(q.kind);
}
