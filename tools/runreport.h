#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What one run did: for each input, whether it was processed or left out and
// why; for each output, whether it was written, skipped or failed and why.
// The tool base fills it from its shared routines (pre-processing, loading,
// saving, the record loop), so a tool's own code rarely touches it. The
// window shows it when something went wrong; the command-line companion
// prints it and takes its exit status from it.
class RunReport
{
public:
    enum class Kind { Input, Output };
    enum class Outcome {
        Processed, // an input that was worked on
        LeftOut,   // an input that was not (does not open, password, no pages ...)
        Written,   // an output that is complete on disk
        Skipped,   // an output the user chose not to write
        Failed,    // an output that could not be written
    };
    struct Entry
    {
        Kind kind;
        QString path;  // as the run knows it (native separators)
        Outcome outcome;
        QString reason;  // empty for Processed and Written
    };

    void clear();

    void processed(const QString& input);
    void leftOut(const QString& input, const QString& reason);
    void written(const QString& output);
    void skipped(const QString& output, const QString& reason = QString());
    void failed(const QString& output, const QString& reason);
    // The user stopped the run; what was done before stays reported.
    void cancel() { wasCancelled = true; }
    // The run did not start: the tool's settings cannot make any output (an
    // empty watermark text, an image that does not read). Said before
    // anything was asked or written; the command line takes it for a usage
    // error.
    void refuse(const QString& why) { refusal = why; }
    // A line for the end of the run (a figure the tool reports, a warning).
    void note(const QString& line) { noteLines << line; }

    const QList<Entry>& entries() const { return list; }
    QStringList outputsWritten() const;
    bool cancelled() const { return wasCancelled; }
    // Why the run did not start; empty when it did.
    const QString& refused() const { return refusal; }
    const QStringList& notes() const { return noteLines; }
    // Refused, or some input left out or some output failed.
    bool hasProblems() const;
    // Nothing to say: no problem, not cancelled, no note.
    bool isQuiet() const { return !hasProblems() && !wasCancelled && noteLines.isEmpty(); }
    // Inputs left out and outputs failed or skipped, one "file: reason" line each.
    QStringList problemLines() const;
    // The text the window shows after a run that was not quiet.
    QString summary() const;

private:
    void add(Kind kind, const QString& path, Outcome outcome, const QString& reason);

    QList<Entry> list;
    QStringList noteLines;
    QString refusal;
    bool wasCancelled = false;
};
