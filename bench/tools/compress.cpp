// compress beside qpdf's best lossless settings on Debian's manuals, one qpdf
// process a file as a user compressing a folder would run it (size within 2%
// of qpdf's, time at most 1.2 times), and beside Ghostscript's lossy /ebook
// preset, for the figures only.

#include "toolbench.h"

#include <QDir>
#include <QFileInfo>

namespace {

qint64 bytesIn(const QStringList& files)
{
    qint64 total = 0;
    for (const QString& f : files)
        total += QFileInfo(f).size();
    return total;
}

qint64 bytesIn(const QString& folder)
{
    QStringList files;
    for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files))
        files << f.filePath();
    return bytesIn(files);
}

const bench::ToolRows compress("compress", [](const bench::ToolBench& b) {
    const QStringList manuals = bench::debianManuals();
    const QString refman = bench::debianFile("r-doc-pdf", "usr/share/doc/r-doc-pdf/manual/refman.pdf");
    const QList<QPair<QString, QStringList>> cases = {
        {QStringLiteral("10 Debian manuals"), manuals},
        {QStringLiteral("R's refman.pdf (2,415 pages)"), {refman}},
    };
    for (const auto& [what, inputs] : cases) {
        if (inputs.contains(QString())) {
            std::printf("ratio: compress, %-50s failed (a Debian package could not be fetched)\n", qPrintable(what));
            continue;
        }
        const QString ours = b.freshFolder(QStringLiteral("compress-ours")), qpdf = b.freshFolder(QStringLiteral("compress-qpdf")),
                      gs = b.freshFolder(QStringLiteral("compress-gs"));
        auto eachFile = [&](const QString& program, const QStringList& options, const QString& folder, const QString& outputOption) {
            for (const QString& in : inputs) {
                const QString out = QDir(folder).filePath(QFileInfo(in).fileName());
                if (bench::runPeer(program, options + (outputOption.isEmpty() ? QStringList{in, out} : QStringList{outputOption + out, in})) < 0)
                    return false;
            }
            return true;
        };
        const QStringList qpdfOptions{QStringLiteral("--object-streams=generate"), QStringLiteral("--compress-streams=y"),
                                      QStringLiteral("--recompress-flate"), QStringLiteral("--compression-level=9")};
        const bench::Pair p = bench::compare(
            b.runs, [&] { return b.cliRun(QStringList{"compress", "--quiet", "-o", ours} + inputs); },
            [&] { return eachFile(QStringLiteral("qpdf"), qpdfOptions, qpdf, QString()); },
            [&](bool isOurs) { b.freshFolder(isOurs ? QStringLiteral("compress-ours") : QStringLiteral("compress-qpdf")); });
        const bench::Stats ebook = bench::repeat(1, [&] {
            return eachFile(QStringLiteral("gs"), {"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=pdfwrite", "-dPDFSETTINGS=/ebook"}, gs,
                            QStringLiteral("-sOutputFile="));
        });
        const qint64 input = bytesIn(inputs), oursBytes = bytesIn(ours), qpdfBytes = bytesIn(qpdf), gsBytes = bytesIn(gs);
        std::printf("compress, %s: %lld bytes in; ours %lld bytes, %s; qpdf %lld bytes, %s; gs /ebook %lld bytes, %s\n", qPrintable(what),
                    input, oursBytes, qPrintable(bench::describe(p.ours)), qpdfBytes, qPrintable(bench::describe(p.peer)), gsBytes,
                    qPrintable(bench::describe(ebook)));
        bench::printRatio(QStringLiteral("compress %1").arg(what), p.ours, p.peer, 1.2);
        bench::printRatio(QStringLiteral("compress %1, size beside qpdf's").arg(what), double(oursBytes) / double(qpdfBytes), 1.02);
        bench::printRatio(QStringLiteral("compress %1, size beside gs /ebook's (lossy)").arg(what), double(oursBytes) / double(gsBytes), 0);
    }
});

} // namespace
