// resize beside Ghostscript's pdfwrite fitting each page to Letter, on
// gnuplot.pdf (311 pages); and where the two put the old pages' words.

#include "toolbench.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

struct Word
{
    QString text;
    double left, middle;  // the left edge and the height of the middle of its box
};

// The words of one page as pdftotext -bbox places them.
QList<Word> words(const QString& pdf, int page)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"), QString::number(page),
                                          QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([-0-9.]+)\" yMin=\"([-0-9.]+)\" xMax=\"[-0-9.]+\" yMax=\"([-0-9.]+)\">([^<]*)</word>"));
    QList<Word> list;
    auto it = word.globalMatch(QString::fromUtf8(p.readAllStandardOutput()));
    while (it.hasNext()) {
        const auto m = it.next();
        list.append({m.captured(4), m.captured(1).toDouble(), (m.captured(2).toDouble() + m.captured(3).toDouble()) / 2});
    }
    return list;
}

const bench::ToolRows resize("resize", [](const bench::ToolBench& b) {
    const QString what = QStringLiteral("gnuplot.pdf (311 pages) onto Letter, fitted");
    const QString gnuplot = bench::debianFile("gnuplot-doc", "usr/share/doc/gnuplot/gnuplot.pdf");
    if (gnuplot.isEmpty()) {
        std::printf("ratio: resize, %-55s failed (a Debian package could not be fetched)\n", qPrintable(what));
        return;
    }
    const QString folder = QDir(b.work).filePath(QStringLiteral("resize"));
    const QString peerOut = QDir(b.work).filePath(QStringLiteral("resize-gs.pdf"));
    const bench::Pair p = bench::compare(
        b.runs, [&] { return b.cliRun({"resize", "--paper", "Letter", "-o", folder, gnuplot}); },
        [&] {
            return bench::runPeer("gs", {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite", "-sPAPERSIZE=letter",
                                         "-dFIXEDMEDIA", "-dPDFFitPage", "-o", peerOut, gnuplot}) >= 0;
        },
        [&](bool ours) {
            if (ours)
                b.freshFolder(QStringLiteral("resize"));
        });
    std::printf("resize, %s: %s, gs %s\n", qPrintable(what), qPrintable(bench::describe(p.ours)),
                qPrintable(bench::describe(p.peer)));
    bench::printRatio(QStringLiteral("resize %1").arg(what), p.ours, p.peer, 0.5);

    // The same words at the same places, on Letter (the pages' own size) and
    // on A4 (made smaller and moved). Ghostscript writes the fonts anew, so
    // their boxes may grow or shrink about their middle, not move.
    const QString a4 = QDir(b.work).filePath(QStringLiteral("resize-a4"));
    const QString gsA4 = QDir(b.work).filePath(QStringLiteral("resize-gs-a4.pdf"));
    b.cliRun({"resize", "--paper", "A4", "--if-exists", "overwrite", "-o", a4, gnuplot});
    bench::runPeer("gs", {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite", "-sPAPERSIZE=a4", "-dFIXEDMEDIA",
                          "-dPDFFitPage", "-o", gsA4, gnuplot});
    for (const auto& [paper, ours, theirs] : {std::make_tuple(QStringLiteral("Letter"), QDir(folder).filePath(QStringLiteral("gnuplot.pdf")), peerOut),
                                              std::make_tuple(QStringLiteral("A4"), QDir(a4).filePath(QStringLiteral("gnuplot.pdf")), gsA4)}) {
        double largest = 0;
        int compared = 0;
        for (int page : {1, 50, 100, 150, 200, 250, 311}) {
            const QList<Word> mine = words(ours, page), gs = words(theirs, page);
            for (int i = 0; i < std::min(mine.size(), gs.size()); ++i) {
                if (mine[i].text != gs[i].text)
                    continue;
                largest = std::max({largest, std::fabs(mine[i].left - gs[i].left), std::fabs(mine[i].middle - gs[i].middle)});
                ++compared;
            }
        }
        std::printf("resize onto %s, placement beside gs: %d words of 7 pages, largest difference %.2f pt\n", qPrintable(paper), compared, largest);
        bench::printRatio(QStringLiteral("resize gnuplot.pdf onto %1: words placed as gs places them, largest difference in pt").arg(paper),
                          compared > 0 ? largest : 99.0, 1.0);
    }
});

} // namespace
