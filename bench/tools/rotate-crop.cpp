// rotate-crop beside qpdf --rotate=+90 on gnuplot.pdf (311 pages).

#include "toolbench.h"

#include <QDir>

namespace {

const bench::ToolRows rotateCrop("rotate-crop", [](const bench::ToolBench& b) {
    const QString what = QStringLiteral("gnuplot.pdf (311 pages), turned by 90");
    const QString gnuplot = bench::debianFile("gnuplot-doc", "usr/share/doc/gnuplot/gnuplot.pdf");
    if (gnuplot.isEmpty()) {
        std::printf("ratio: rotate-crop, %-55s failed (a Debian package could not be fetched)\n", qPrintable(what));
        return;
    }
    const QString folder = QDir(b.work).filePath(QStringLiteral("rotate-crop"));
    const QString peerOut = QDir(b.work).filePath(QStringLiteral("rotate-crop-qpdf.pdf"));
    const bench::Pair p = bench::compare(
        b.runs, [&] { return b.cliRun({"rotate-crop", "--rotate", "90", "-o", folder, gnuplot}); },
        [&] { return bench::runPeer("qpdf", {"--rotate=+90", gnuplot, peerOut}) >= 0; },
        [&](bool ours) {
            if (ours)
                b.freshFolder(QStringLiteral("rotate-crop"));
        });
    std::printf("rotate-crop, %s: %s, qpdf %s\n", qPrintable(what), qPrintable(bench::describe(p.ours)),
                qPrintable(bench::describe(p.peer)));
    bench::printRatio(QStringLiteral("rotate-crop %1").arg(what), p.ours, p.peer, 1.2);
});

} // namespace
