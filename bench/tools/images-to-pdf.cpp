// images-to-pdf beside img2pdf: camera-sized JPEGs made here, each stored as
// its own bytes by both.

#include "toolbench.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QProcess>

namespace {

constexpr int photos = 20;

// How many JPEG streams of the PDF are not byte for byte their file.
int jpegsDiffering(const QString& pdf, const QStringList& jpegs, const QString& scratch)
{
    QDir(scratch).removeRecursively();
    QDir().mkpath(scratch);
    QProcess::execute(QStringLiteral("pdfimages"), {QStringLiteral("-j"), pdf, QDir(scratch).filePath(QStringLiteral("x"))});
    const QStringList found = QDir(scratch).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    int differing = int(qAbs(found.size() - jpegs.size()));
    for (int i = 0; i < qMin(found.size(), jpegs.size()); ++i) {
        QFile a(QDir(scratch).filePath(found[i])), b(jpegs[i]);
        if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || a.readAll() != b.readAll())
            ++differing;
    }
    return differing;
}

const bench::ToolRows imagesToPdf("images-to-pdf", [](const bench::ToolBench& b) {
    const QString folder = b.freshFolder(QStringLiteral("photos"));
    QStringList jpegs;
    for (int i = 0; i < photos; ++i) {
        QImage picture = bench::photo(i);
        picture.setDotsPerMeterX(11811);  // 300 dpi
        picture.setDotsPerMeterY(11811);
        const QString file = QDir(folder).filePath(QStringLiteral("photo%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
        QImageWriter writer(file, "jpeg");
        writer.setQuality(90);
        if (!writer.write(picture))
            return;
        jpegs << file;
    }
    const QString what = QStringLiteral("%1 JPEGs of 3000 x 2000").arg(photos);
    const QString ours = QDir(b.work).filePath(QStringLiteral("album.pdf"));
    const QString peer = QDir(b.work).filePath(QStringLiteral("album-img2pdf.pdf"));
    const bench::Pair p = bench::compare(
        b.runs, [&] { return b.cliRun(QStringList{QStringLiteral("images-to-pdf"), QStringLiteral("-o"), ours} + jpegs); },
        [&] { return bench::runPeer(QStringLiteral("img2pdf"), QStringList{QStringLiteral("-o"), peer} + jpegs) >= 0; });
    std::printf("images-to-pdf, %s: %s, img2pdf %s\n", qPrintable(what), qPrintable(bench::describe(p.ours)),
                qPrintable(bench::describe(p.peer)));
    bench::printRatio(QStringLiteral("images-to-pdf %1").arg(what), p.ours, p.peer, 1.0);
    bench::printRatio(QStringLiteral("images-to-pdf %1, size").arg(what),
                      double(QFileInfo(ours).size()) / double(QFileInfo(peer).size()), 1.01);
    // Zero differing streams is the target; the ratio line shows the count.
    const int differing = jpegsDiffering(ours, jpegs, QDir(b.work).filePath(QStringLiteral("extracted")));
    std::printf("ratio: %-62s %6d  %9s  (target 0) %s\n", qPrintable(QStringLiteral("images-to-pdf %1, JPEGs not stored as their files").arg(what)),
                differing, "", differing == 0 ? "ok" : "MISSED");
});

} // namespace
