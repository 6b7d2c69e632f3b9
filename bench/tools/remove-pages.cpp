// remove-pages beside qpdf --pages: the even pages of gnuplot's 311-page
// manual removed (the odd pages kept).

#include "toolbench.h"

#include <QDir>

namespace {

const bench::ToolRows removePages("remove-pages", [](const bench::ToolBench& b) {
    const QString gnuplot = bench::debianFile("gnuplot-doc", "usr/share/doc/gnuplot/gnuplot.pdf");
    if (gnuplot.isEmpty()) {
        std::printf("ratio: remove-pages failed (gnuplot-doc could not be fetched)\n");
        return;
    }
    const QString out = QDir(b.work).filePath(QStringLiteral("odd-pages.pdf"));
    const bench::Pair p = bench::compare(
        b.runs,
        [&] { return b.cliRun({QStringLiteral("remove-pages"), QStringLiteral("-o"), out, QStringLiteral("--remove"), QStringLiteral("even"), gnuplot}); },
        [&] {
            return bench::runPeer(QStringLiteral("qpdf"), {gnuplot, QStringLiteral("--pages"), QStringLiteral("."), QStringLiteral("1-z:odd"),
                                                           QStringLiteral("--"), out}) >= 0;
        });
    std::printf("remove-pages, gnuplot.pdf (311 pages) even pages: %s, qpdf %s\n", qPrintable(bench::describe(p.ours)),
                qPrintable(bench::describe(p.peer)));
    bench::printRatio(QStringLiteral("remove-pages gnuplot.pdf even pages"), p.ours, p.peer, 1.2);
});

} // namespace
