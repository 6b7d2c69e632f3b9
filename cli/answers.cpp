#include "answers.h"

#include "filenames.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace cli {

QString absolute(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool sameFile(const QString& a, const QString& b)
{
    return filenames::sameFile(a, b);
}

QString Settings::passwordOf(const QString& path) const
{
    return passwordFor.value(absolute(path), password);
}

bool Settings::hasPasswordFor(const QString& path) const
{
    return hasPassword || passwordFor.contains(absolute(path));
}

CliQuestions::CliQuestions(Settings& runSettings)
    : settings(runSettings)
    , terminal(isatty(fileno(stderr)))
{
    answerer(Question::SaveFileName, [this](const Question&) { return QVariant(settings.outputPath); });
    answerer(Question::ExistingDirectory, [this](const Question&) { return QVariant(settings.outputPath); });
    answerer(Question::FileExists, [this](const Question& q) {
        const QString path = QDir(settings.outputPath).filePath(q.text);
        if (settings.ifExists == folio::FileExistsOverride) {
            for (const QString& input : qAsConst(settings.inputs)) {
                if (sameFile(input, path)) {
                    settings.refused.insert(QDir::toNativeSeparators(path));
                    return QVariant(int(folio::FileExistsSkip));
                }
            }
        }
        return QVariant(settings.ifExists);
    });
    // A password is offered once for each time the file is listed; asked
    // more often, it did not open, and the file is given up, as Cancel in the
    // desktop's prompt gives it up.
    answerer(Question::Password, [this](const Question& q) {
        const QString path = absolute(q.text);
        const int listed = int(settings.inputs.count(QDir::toNativeSeparators(path)));
        if (passwordsOffered.value(path) < listed && settings.hasPasswordFor(path)) {
            ++passwordsOffered[path];
            return QVariant(settings.passwordOf(path));
        }
        return QVariant();
    });
}

bool CliQuestions::progress(QWidget* parent, const QString& label, int done, int total)
{
    if (terminal) {
        std::fprintf(stderr, "\r\033[K%s", label.toLocal8Bit().constData());
        std::fflush(stderr);
        shown = true;
    }
    return ScriptedQuestions::progress(parent, label, done, total);
}

void CliQuestions::progressDone()
{
    if (shown)
        std::fputs("\r\033[K", stderr);
    shown = false;
}

} // namespace cli
