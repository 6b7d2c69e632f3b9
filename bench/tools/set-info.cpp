// set-info beside a plain rewrite with qpdf: gnuplot.pdf alone, and
// Debian's manuals in one run (qpdf once for each).

#include "toolbench.h"

#include <QDir>

namespace {

const bench::ToolRows setInfo("set-info", [](const bench::ToolBench& b) {
    const QStringList manuals = {
        bench::debianFile("gnuplot-doc", "usr/share/doc/gnuplot/gnuplot.pdf"),
        bench::debianFile("bash-doc", "usr/share/doc/bash/bashref.pdf"),
        bench::debianFile("r-doc-pdf", "usr/share/doc/r-doc-pdf/manual/R-intro.pdf"),
        bench::debianFile("glpk-doc", "usr/share/doc/glpk-doc/glpk.pdf"),
        bench::debianFile("cvs", "usr/share/doc/cvs/cvs.pdf"),
    };
    const QList<QPair<QString, QStringList>> cases = {
        {QStringLiteral("gnuplot.pdf (311 pages)"), manuals.mid(0, 1)},
        {QStringLiteral("5 Debian manuals (1,011 pages)"), manuals},
    };
    for (const auto& [what, inputs] : cases) {
        if (inputs.contains(QString())) {
            std::printf("ratio: set-info, %-55s failed (a Debian package could not be fetched)\n", qPrintable(what));
            continue;
        }
        const QString folder = QDir(b.work).filePath(QStringLiteral("set-info"));
        const QString peerOut = QDir(b.work).filePath(QStringLiteral("set-info-qpdf.pdf"));
        const bench::Pair p = bench::compare(
            b.runs,
            [&] {
                return b.cliRun(QStringList{"set-info", "--title", "Manual", "--author", "Debian", "-o", folder} + inputs);
            },
            [&] {
                for (const QString& input : inputs)
                    if (bench::runPeer("qpdf", {input, peerOut}) < 0)
                        return false;
                return true;
            },
            [&](bool ours) {
                if (ours)
                    b.freshFolder(QStringLiteral("set-info"));
            });
        std::printf("set-info, %s: %s, qpdf %s\n", qPrintable(what), qPrintable(bench::describe(p.ours)),
                    qPrintable(bench::describe(p.peer)));
        bench::printRatio(QStringLiteral("set-info %1").arg(what), p.ours, p.peer, 1.2);
    }
});

} // namespace
