// to-text beside pdftotext -layout|-raw -enc UTF-8: ten Debian manuals in one
// run (pdftotext once per file), and R's reference manual alone; the texts
// must be pdftotext's, form feeds aside.

#include "toolbench.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const bench::ToolRows toText("to-text", [](const bench::ToolBench& b) {
    const QStringList manuals = bench::debianManuals();
    const QList<QPair<QString, QStringList>> cases = {
        {QStringLiteral("10 Debian manuals (1,476 pages)"), manuals},
        {QStringLiteral("refman.pdf (2,415 pages)"), {bench::debianRefman()}},
    };
    for (const auto& [what, inputs] : cases) {
        for (const QString& mode : {QStringLiteral("layout"), QStringLiteral("raw")}) {
            const QString row = QStringLiteral("to-text %1, %2").arg(mode, what);
            if (inputs.contains(QString())) {
                std::printf("ratio: %-62s failed (a Debian package could not be fetched)\n", qPrintable(row));
                continue;
            }
            const QString ours = b.freshFolder(QStringLiteral("to-text"));
            const QString theirs = b.freshFolder(QStringLiteral("pdftotext"));
            auto peerText = [&](const QString& pdf) {
                return QDir(theirs).filePath(QFileInfo(pdf).completeBaseName() + QStringLiteral(".txt"));
            };
            const QStringList raw = mode == QLatin1String("raw") ? QStringList{QStringLiteral("--raw")} : QStringList();
            const bench::Pair p = bench::compare(
                b.runs,
                [&] { return b.cliRun(QStringList{"to-text", "--if-exists", "overwrite", "-o", ours} + raw + inputs); },
                [&] {
                    for (const QString& pdf : inputs)
                        if (bench::runPeer("pdftotext", {"-" + mode, "-enc", "UTF-8", pdf, peerText(pdf)}) < 0)
                            return false;
                    return true;
                });
            int same = 0;
            for (const QString& pdf : inputs)
                same += contents(QDir(ours).filePath(QFileInfo(pdf).completeBaseName() + QStringLiteral(".txt")))
                        == contents(peerText(pdf)).replace('\f', QByteArray());
            std::printf("%s: %s, pdftotext %s; text as pdftotext's in %d of %d files\n", qPrintable(row),
                        qPrintable(bench::describe(p.ours)), qPrintable(bench::describe(p.peer)), same, int(inputs.size()));
            bench::printRatio(row, p.ours, p.peer, 1.0);
        }
    }
});

} // namespace
