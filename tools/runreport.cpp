#include "runreport.h"

#include <QDir>

void RunReport::clear()
{
    list.clear();
    noteLines.clear();
    refusal.clear();
    wasCancelled = false;
}

void RunReport::add(Kind kind, const QString& path, Outcome outcome, const QString& reason)
{
    list.append(Entry{kind, QDir::toNativeSeparators(path), outcome, reason});
}

void RunReport::processed(const QString& input)
{
    add(Kind::Input, input, Outcome::Processed, QString());
}

void RunReport::leftOut(const QString& input, const QString& reason)
{
    // An input found wanting after it opened (no pages, say) was not processed after all.
    const QString path = QDir::toNativeSeparators(input);
    for (int i = int(list.size()) - 1; i >= 0; --i) {
        Entry& e = list[i];
        if (e.kind == Kind::Input && e.path == path) {
            if (e.outcome == Outcome::Processed) {
                e.outcome = Outcome::LeftOut;
                e.reason = reason;
                return;
            }
            break;
        }
    }
    add(Kind::Input, input, Outcome::LeftOut, reason);
}

void RunReport::written(const QString& output)
{
    add(Kind::Output, output, Outcome::Written, QString());
}

void RunReport::skipped(const QString& output, const QString& reason)
{
    add(Kind::Output, output, Outcome::Skipped, reason.isEmpty() ? QStringLiteral("exists, skipped") : reason);
}

void RunReport::failed(const QString& output, const QString& reason)
{
    add(Kind::Output, output, Outcome::Failed, reason);
}

QStringList RunReport::outputsWritten() const
{
    QStringList paths;
    for (const Entry& e : list)
        if (e.outcome == Outcome::Written)
            paths << e.path;
    return paths;
}

bool RunReport::hasProblems() const
{
    if (!refusal.isEmpty())
        return true;
    for (const Entry& e : list)
        if (e.outcome == Outcome::LeftOut || e.outcome == Outcome::Failed)
            return true;
    return false;
}

QStringList RunReport::problemLines() const
{
    QStringList lines;
    for (const Entry& e : list) {
        switch (e.outcome) {
        case Outcome::LeftOut:
            lines << QStringLiteral("%1: %2; left out").arg(e.path, e.reason);
            break;
        case Outcome::Failed:
            lines << QStringLiteral("%1: not written: %2").arg(e.path, e.reason);
            break;
        case Outcome::Skipped:
            lines << QStringLiteral("%1: %2").arg(e.path, e.reason);
            break;
        case Outcome::Processed:
        case Outcome::Written:
            break;
        }
    }
    return lines;
}

QString RunReport::summary() const
{
    if (!refusal.isEmpty())
        return refusal;
    QStringList parts;
    if (wasCancelled)
        parts << QStringLiteral("Stopped before the end.");
    const QStringList problems = problemLines();
    if (!problems.isEmpty())
        parts << problems.join(QLatin1Char('\n'));
    const int written = int(outputsWritten().size());
    if (hasProblems() || wasCancelled)
        parts << (written == 1 ? QStringLiteral("1 file written.") : QStringLiteral("%1 files written.").arg(written));
    parts += noteLines;
    return parts.join(QStringLiteral("\n\n"));
}
