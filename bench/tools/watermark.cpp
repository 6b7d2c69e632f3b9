// watermark beside qpdf --overlay: a text mark on every page of gnuplot's
// 311-page manual. qpdf is given the stamp as a one-page PDF, made once
// (by our own tool on a blank page, so that both place the same picture).

#include "toolbench.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QDir>
#include <QProcess>
#include <QSet>

namespace {

bool writeBlankPage(const QString& path)
{
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle page = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Page /MediaBox [0 0 612 792] /Resources << >> >>"));
    page.replaceKey("/Contents", pdf.newStream(""));
    QPDFPageDocumentHelper(pdf).addPage(page, false);
    QPDFWriter writer(pdf, QFile::encodeName(path).constData());
    writer.write();
    return true;
}

// Image objects the file holds (pdfimages -list counts them once a page).
int imageObjects(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    p.waitForFinished(60000);
    QSet<QString> objects;
    for (const QString& line : QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n').mid(2)) {
        const QStringList f = line.split(' ', Qt::SkipEmptyParts);
        if (f.size() > 10 && f[2] == QLatin1String("image"))
            objects.insert(f[10]);
    }
    return int(objects.size());
}

const bench::ToolRows watermark("watermark", [](const bench::ToolBench& b) {
    const QString manual = bench::debianFile("gnuplot-doc", "usr/share/doc/gnuplot/gnuplot.pdf");
    const QString what = QStringLiteral("gnuplot.pdf (311 pages), text mark");
    if (manual.isEmpty()) {
        std::printf("ratio: watermark, %-51s failed (a Debian package could not be fetched)\n", qPrintable(what));
        return;
    }
    const QStringList mark = {QStringLiteral("--text"), QStringLiteral("CONFIDENTIAL"), QStringLiteral("--size"),
                              QStringLiteral("60"), QStringLiteral("--color"), QStringLiteral("#c00000")};
    const QString blank = QDir(b.work).filePath(QStringLiteral("blank.pdf"));
    const QString stampFolder = b.freshFolder(QStringLiteral("stamp"));
    if (!writeBlankPage(blank) || !b.cliRun(QStringList{QStringLiteral("watermark"), QStringLiteral("-o"), stampFolder} + mark + QStringList{blank})) {
        std::printf("ratio: watermark, %-51s failed (no stamp)\n", qPrintable(what));
        return;
    }
    const QString stamp = QDir(stampFolder).filePath(QStringLiteral("blank.pdf"));
    const QString ours = b.freshFolder(QStringLiteral("watermark"));
    const QString peerOut = QDir(b.work).filePath(QStringLiteral("overlaid.pdf"));
    long oursKb = 0, peerKb = 0;
    const bench::Pair p = bench::compare(
        b.runs,
        [&] { return b.cliRun(QStringList{QStringLiteral("watermark"), QStringLiteral("--if-exists"), QStringLiteral("overwrite"), QStringLiteral("-o"), ours} + mark + QStringList{manual}, &oursKb); },
        [&] { return bench::runPeer(QStringLiteral("qpdf"), {manual, QStringLiteral("--overlay"), stamp, QStringLiteral("--repeat=1"), QStringLiteral("--"), peerOut}, &peerKb) >= 0; });
    std::printf("watermark, %s: %s, qpdf --overlay %s\n", qPrintable(what), qPrintable(bench::describe(p.ours)),
                qPrintable(bench::describe(p.peer)));
    bench::printRatio(QStringLiteral("watermark %1").arg(what), p.ours, p.peer, 1.5);
    bench::printRatio(QStringLiteral("watermark %1, image objects").arg(what),
                      imageObjects(QDir(ours).filePath(QStringLiteral("gnuplot.pdf"))), 1.0);
    const double oursSize = QFileInfo(QDir(ours).filePath(QStringLiteral("gnuplot.pdf"))).size();
    bench::printRatio(QStringLiteral("watermark %1, size").arg(what), oursSize / QFileInfo(peerOut).size(), 0);
    bench::printRatio(QStringLiteral("watermark %1, peak memory").arg(what), double(oursKb) / double(peerKb), 0);
});

} // namespace
