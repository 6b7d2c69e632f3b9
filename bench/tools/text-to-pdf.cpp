// text-to-pdf beside paps | ps2pdf (Unicode text laid out with Pango, as
// ours is with HarfBuzz-shaped fonts) on the GPL's text.

#include "toolbench.h"

#include <QDir>
#include <QFileInfo>

namespace {

const bench::ToolRows textToPdf("text-to-pdf", [](const bench::ToolBench& b) {
    const QString gpl = QStringLiteral("/usr/share/common-licenses/GPL-3");
    const QString what = QStringLiteral("text-to-pdf, GPL-3 (35 kB, 674 lines)");
    if (!QFileInfo(gpl).isFile()) {
        std::printf("ratio: %-55s failed (no %s)\n", qPrintable(what), qPrintable(gpl));
        return;
    }
    const QString ours = QDir(b.work).filePath(QStringLiteral("gpl-ours.pdf"));
    const QString peer = QDir(b.work).filePath(QStringLiteral("gpl-paps.pdf"));
    const bench::Pair p = bench::compare(
        b.runs, [&] { return b.cliRun({QStringLiteral("text-to-pdf"), QStringLiteral("-o"), ours, gpl}); },
        [&] {
            return bench::runPeer(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("paps '%1' | ps2pdf - '%2'").arg(gpl, peer)})
                   >= 0;
        });
    std::printf("%s: %s, paps | ps2pdf %s\n", qPrintable(what), qPrintable(bench::describe(p.ours)),
                qPrintable(bench::describe(p.peer)));
    bench::printRatio(what, p.ours, p.peer, 0.5);
});

} // namespace
