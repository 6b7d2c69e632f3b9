// merge beside qpdf --empty --pages: Debian's manuals, and a small file
// with R's 2,415-page reference manual.

#include "toolbench.h"

#include <QDir>

namespace {

const bench::ToolRows merge("merge", [](const bench::ToolBench& b) {
    const QStringList manuals = bench::debianManuals();
    const QString refman = bench::debianFile("r-doc-pdf", "usr/share/doc/r-doc-pdf/manual/refman.pdf");
    const QList<QPair<QString, QStringList>> cases = {
        {QStringLiteral("10 Debian manuals (1,476 pages)"), manuals},
        {QStringLiteral("gnuplot.pdf + refman.pdf (2,726 pages)"), {manuals[4], refman}},
    };
    const QString out = QDir(b.work).filePath(QStringLiteral("merged.pdf"));
    for (const auto& [what, inputs] : cases) {
        if (inputs.contains(QString())) {
            std::printf("ratio: merge, %-55s failed (a Debian package could not be fetched)\n", qPrintable(what));
            continue;
        }
        long oursKb = 0, peerKb = 0;
        const bench::Pair p = bench::compare(
            b.runs, [&] { return b.cliRun(QStringList{"merge", "-o", out} + inputs, &oursKb); },
            [&] { return bench::runPeer("qpdf", QStringList{"--empty", "--pages"} + inputs + QStringList{"--", out}, &peerKb) >= 0; });
        std::printf("merge, %s: %s, qpdf %s\n", qPrintable(what), qPrintable(bench::describe(p.ours)), qPrintable(bench::describe(p.peer)));
        bench::printRatio(QStringLiteral("merge %1").arg(what), p.ours, p.peer, 1.0);
        bench::printRatio(QStringLiteral("merge %1, peak memory").arg(what), double(oursKb) / double(peerKb), 1.25);
    }
});

} // namespace
