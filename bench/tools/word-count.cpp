// word-count beside what a user would run for the same figures:
// pdftotext -raw (words, characters), pdfimages -list (images) and pdfinfo
// (pages, size) on each file, their times summed. The word count must be
// that of pdftotext -raw | wc -w.

#include "toolbench.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace {

// What a program prints on stdout.
QByteArray output(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(-1);
    return p.readAllStandardOutput();
}

const bench::ToolRows wordCount("word-count", [](const bench::ToolBench& b) {
    const QList<QPair<QString, QStringList>> cases = {
        {QStringLiteral("10 Debian manuals (1,476 pages)"), bench::debianManuals()},
        {QStringLiteral("refman.pdf (2,415 pages)"), {bench::debianRefman()}},
    };
    for (const auto& [what, inputs] : cases) {
        const QString row = QStringLiteral("word-count, %1").arg(what);
        if (inputs.contains(QString())) {
            std::printf("ratio: %-62s failed (a Debian package could not be fetched)\n", qPrintable(row));
            continue;
        }
        const bench::Pair p = bench::compare(
            b.runs, [&] { return b.cliRun(QStringList{"word-count"} + inputs); },
            [&] {
                for (const QString& pdf : inputs)
                    if (bench::runPeer("pdftotext", {"-raw", "-enc", "UTF-8", pdf, "-"}) < 0
                        || bench::runPeer("pdfimages", {"-list", pdf}) < 0 || bench::runPeer("pdfinfo", {pdf}) < 0)
                        return false;
                return true;
            });
        const QJsonObject total =
            QJsonDocument::fromJson(output(b.cli, QStringList{"word-count", "--json"} + inputs)).object()["total"].toObject();
        const qint64 words = total["words"].toVariant().toLongLong();
        const QString pipe = QStringLiteral("for f; do pdftotext -raw -enc UTF-8 \"$f\" -; done | LC_ALL=C.UTF-8 wc -w");
        const qint64 wc = output(QStringLiteral("sh"), QStringList{"-c", pipe, "sh"} + inputs).trimmed().toLongLong();
        std::printf("%s: %s, peers %s; %lld words, pdftotext -raw | wc -w %lld\n", qPrintable(row),
                    qPrintable(bench::describe(p.ours)), qPrintable(bench::describe(p.peer)), words, wc);
        bench::printRatio(row, p.ours, p.peer, 1.0);
    }
});

} // namespace
