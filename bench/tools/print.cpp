// print beside lp: 20 ten-page parts of gnuplot's manual submitted to a CUPS
// queue as 20 jobs both ways (one lp process a file, with the attributes the
// form's defaults stand for), at most 1.2 times lp's time. The queue, added
// to the private scheduler bench/run starts, holds its jobs (it is stopped),
// so that no filter runs while the time is taken; they are cancelled after
// every run.

#include "toolbench.h"

#include <QDir>
#include <QFileInfo>

namespace {

const bench::ToolRows print("print", [](const bench::ToolBench& b) {
    const QString what = QStringLiteral("20 files of 10 pages, 20 jobs");
    const QString cupsDir = qEnvironmentVariable("FOLIO_CUPS_DIR");
    const QString manual = bench::debianFile("gnuplot-doc", "usr/share/doc/gnuplot/gnuplot.pdf");
    if (cupsDir.isEmpty() || manual.isEmpty()) {
        std::printf("ratio: print, %-50s failed (%s)\n", qPrintable(what),
                    cupsDir.isEmpty() ? "no private CUPS scheduler: bench/run starts one" : "a Debian package could not be fetched");
        return;
    }
    const QString parts = b.freshFolder(QStringLiteral("print-parts"));
    bench::runPeer(QStringLiteral("qpdf"), {QStringLiteral("--split-pages=10"), manual, QDir(parts).filePath(QStringLiteral("part-%d.pdf"))});
    QStringList files;
    for (const QFileInfo& f : QDir(parts).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name))
        if (files.size() < 20)
            files << f.filePath();

    const QString queue = QStringLiteral("FolioBench");
    if (bench::runPeer(QStringLiteral("lpadmin"), {"-p", queue, "-E", "-v", "cups-pdf:/" + QFileInfo(cupsDir).fileName(), "-P",
                                                   "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"}) < 0
        || bench::runPeer(QStringLiteral("cupsdisable"), {queue}) < 0 || files.size() < 20) {
        std::printf("ratio: print, %-50s failed (no queue, or the files could not be made)\n", qPrintable(what));
        return;
    }
    QStringList lpOptions{"-d", queue};
    for (const char* o : {"media=iso_a4_210x297mm", "orientation-requested=3", "print-scaling=fit", "copies=1", "print-quality=4",
                          "print-color-mode=color", "sides=one-sided", "media-type=stationery"})
        lpOptions << "-o" << QString::fromLatin1(o);
    const bench::Pair p = bench::compare(
        b.runs, [&] { return b.cliRun(QStringList{"print", "--printer", queue} + files); },
        [&] {
            for (const QString& f : files)
                if (bench::runPeer(QStringLiteral("lp"), lpOptions + QStringList{f}) < 0)
                    return false;
            return true;
        },
        [&](bool) { bench::runPeer(QStringLiteral("cancel"), {"-a", queue}); });
    std::printf("print, %s: %s, lp %s\n", qPrintable(what), qPrintable(bench::describe(p.ours)), qPrintable(bench::describe(p.peer)));
    bench::printRatio(QStringLiteral("print %1").arg(what), p.ours, p.peer, 1.2);
    bench::runPeer(QStringLiteral("cancel"), {"-a", queue});
    bench::runPeer(QStringLiteral("lpadmin"), {"-x", queue});
});

} // namespace
