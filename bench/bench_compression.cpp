// Compression of real PDFs by the engine (CompressFonts, CompressImages,
// CompressContent, save: the compressor's default choices) side by side with
//   qpdf --object-streams=generate --compress-streams=y --recompress-flate --compression-level=9
// Prints sizes and times (median of the runs, interleaved) of both and
// their ratios (engine / qpdf), per file and in total.
//
//   bench_compression [--lossy] [--runs N] [file.pdf ...]
//
// --lossy uses ReplaceFonts(0) in place of CompressFonts(1), as the compressor does. Without files it
// takes the PDFs that Debian installs under /usr/share (documentation, CUPS
// test pages).

#include "benchsupport.h"
#include "pdfengine.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

bool engineRun(PdfEngine& engine, const QString& in, const QString& out, bool lossy)
{
    if (engine.LoadFromFile(in, QString()) != 1)
        return false;
    if (lossy)
        engine.ReplaceFonts(0);  // the compressor's "Maximum Compression(Lossy)"
    else
        engine.CompressFonts(1);
    engine.CompressImages(1);
    engine.CompressContent();
    const bool saved = engine.SaveToFile(out) == 1;
    engine.RemoveDocument(engine.SelectedDocument());
    return saved;
}

bool qpdfRun(const QString& in, const QString& out)
{
    return bench::runPeer(QStringLiteral("qpdf"), {QStringLiteral("--object-streams=generate"), QStringLiteral("--compress-streams=y"),
                                                   QStringLiteral("--recompress-flate"), QStringLiteral("--compression-level=9"),
                                                   in, out}) >= 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool lossy = args.removeAll(QStringLiteral("--lossy")) > 0;
    int runs = 3;
    const int runsAt = args.indexOf(QStringLiteral("--runs"));
    if (runsAt >= 0 && runsAt + 1 < args.size()) {
        runs = std::max(1, args[runsAt + 1].toInt());
        args.erase(args.begin() + runsAt, args.begin() + runsAt + 2);
    }
    if (args.isEmpty()) {
        QDirIterator it(QStringLiteral("/usr/share"), {QStringLiteral("*.pdf")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            args << it.next();
        args.sort();
    }
    PdfEngine engine(QStringLiteral(FOLIO_BIN_DIR "/libFolioPdfEngine.so"));
    if (!engine.LibraryLoaded()) {
        std::fprintf(stderr, "engine library not found\n");
        return 1;
    }
    QTemporaryDir dir;
    std::printf("%-44s %10s %10s %10s %7s %9s %9s %7s\n", "file", "input", "engine", "qpdf", "size", "engine ms", "qpdf ms", "time");
    double sumEngine = 0, sumQpdf = 0, sumEngineMs = 0, sumQpdfMs = 0, sumEngineCpu = 0, sumQpdfCpu = 0;
    int compared = 0;
    for (const QString& file : args) {
        const QString ours = dir.filePath(QStringLiteral("engine.pdf")), theirs = dir.filePath(QStringLiteral("qpdf.pdf"));
        QFile::remove(ours);
        QFile::remove(theirs);
        const bench::Pair t = bench::compare(runs, [&] { return engineRun(engine, file, ours, lossy); },
                                             [&] { return qpdfRun(file, theirs); });
        const qint64 in = QFileInfo(file).size(), a = QFileInfo(ours).size(), b = QFileInfo(theirs).size();
        if (!t.ours.ok() || !t.peer.ok() || a <= 0 || b <= 0) {
            std::printf("%-44s skipped (engine %lld, qpdf %lld bytes)\n", qPrintable(QFileInfo(file).fileName()), a, b);
            continue;
        }
        const double engineMs = t.ours.median * 1000, qpdfMs = t.peer.median * 1000;
        sumEngine += a;
        sumQpdf += b;
        sumEngineMs += engineMs;
        sumQpdfMs += qpdfMs;
        sumEngineCpu += t.ours.cpu;
        sumQpdfCpu += t.peer.cpu;
        ++compared;
        std::printf("%-44s %10lld %10lld %10lld %7.3f %9.1f %9.1f %7.2f\n", qPrintable(QFileInfo(file).fileName().left(44)), in, a,
                    b, double(a) / b, engineMs, qpdfMs, engineMs / qpdfMs);
    }
    if (sumQpdf > 0) {
        std::printf("%-44s %10s %10.0f %10.0f %7.3f %9.1f %9.1f %7.2f\n", "total", "", sumEngine, sumQpdf, sumEngine / sumQpdf,
                    sumEngineMs, sumQpdfMs, sumEngineMs / sumQpdfMs);
        const QString mode = lossy ? QStringLiteral("lossy") : QStringLiteral("lossless");
        bench::printRatio(QStringLiteral("compression (%1), %2 files, size vs qpdf").arg(mode).arg(compared), sumEngine / sumQpdf, 1.02);
        bench::printRatio(QStringLiteral("compression (%1), %2 files, time vs qpdf").arg(mode).arg(compared), sumEngineMs / sumQpdfMs, 0,
                          sumQpdfCpu > 0 ? sumEngineCpu / sumQpdfCpu : -1);
    }
    return 0;
}
