// split beside qpdf --split-pages: gnuplot's 311-page manual page by page,
// and by every 10 pages.

#include "toolbench.h"

namespace {

const bench::ToolRows split("split", [](const bench::ToolBench& b) {
    const QString gnuplot = bench::debianFile("gnuplot-doc", "usr/share/doc/gnuplot/gnuplot.pdf");
    if (gnuplot.isEmpty()) {
        std::printf("ratio: split failed (gnuplot-doc could not be fetched)\n");
        return;
    }
    const QList<QPair<QString, int>> cases = {{QStringLiteral("page by page"), 1}, {QStringLiteral("every 10 pages"), 10}};
    for (const auto& [what, every] : cases) {
        const QString ours = b.freshFolder(QStringLiteral("split-ours")), peer = b.freshFolder(QStringLiteral("split-qpdf"));
        QStringList args{QStringLiteral("split"), QStringLiteral("-o"), ours};
        if (every > 1)
            args << QStringLiteral("--every") << QString::number(every);
        const QString splitPages = every > 1 ? QStringLiteral("--split-pages=%1").arg(every) : QStringLiteral("--split-pages");
        // Each side starts from an empty folder.
        const bench::Pair p = bench::compare(
            b.runs, [&] { return b.cliRun(args + QStringList{gnuplot}); },
            [&] { return bench::runPeer(QStringLiteral("qpdf"), {splitPages, gnuplot, peer + QStringLiteral("/part.pdf")}) >= 0; },
            [&](bool isOurs) { b.freshFolder(isOurs ? QStringLiteral("split-ours") : QStringLiteral("split-qpdf")); });
        std::printf("split, gnuplot.pdf (311 pages) %s: %s, qpdf %s\n", qPrintable(what), qPrintable(bench::describe(p.ours)),
                    qPrintable(bench::describe(p.peer)));
        bench::printRatio(QStringLiteral("split gnuplot.pdf %1").arg(what), p.ours, p.peer, 1.2);
    }
});

} // namespace
