// Compression of real PDFs by the engine (CompressFonts, CompressImages,
// CompressContent, save: the compressor's default choices) side by side with
//   qpdf --object-streams=generate --compress-streams=y --recompress-flate --compression-level=9
// Prints sizes and times of both and their ratios (engine / qpdf).
//
//   bench_compression [--lossy] [file.pdf ...]
//
// --lossy uses ReplaceFonts(0) in place of CompressFonts(1). Without files it
// takes the PDFs that Debian installs under /usr/share (documentation, CUPS
// test pages).

#include "pdfengine.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

const int runs = 3;

double engineRun(PdfEngine& engine, const QString& in, const QString& out, bool lossy)
{
    QElapsedTimer t;
    t.start();
    engine.LoadFromFile(in, QString());
    if (lossy)
        engine.ReplaceFonts(0);
    else
        engine.CompressFonts(1);
    engine.CompressImages(1);
    engine.CompressContent();
    engine.SaveToFile(out);
    const double ms = t.nsecsElapsed() / 1e6;
    engine.RemoveDocument(engine.SelectedDocument());
    return ms;
}

double qpdfRun(const QString& in, const QString& out)
{
    QElapsedTimer t;
    t.start();
    QProcess::execute(QStringLiteral("qpdf"), {QStringLiteral("--object-streams=generate"), QStringLiteral("--compress-streams=y"),
                                               QStringLiteral("--recompress-flate"), QStringLiteral("--compression-level=9"), in, out});
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool lossy = args.removeAll(QStringLiteral("--lossy")) > 0;
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
    double sumEngine = 0, sumQpdf = 0, sumEngineMs = 0, sumQpdfMs = 0;
    for (const QString& file : args) {
        const QString ours = dir.filePath(QStringLiteral("engine.pdf")), theirs = dir.filePath(QStringLiteral("qpdf.pdf"));
        double engineMs = 1e300, qpdfMs = 1e300;
        for (int i = 0; i < runs; ++i) {
            engineMs = std::min(engineMs, engineRun(engine, file, ours, lossy));
            qpdfMs = std::min(qpdfMs, qpdfRun(file, theirs));
        }
        const qint64 in = QFileInfo(file).size(), a = QFileInfo(ours).size(), b = QFileInfo(theirs).size();
        if (a <= 0 || b <= 0) {
            std::printf("%-44s skipped (engine %lld, qpdf %lld bytes)\n", qPrintable(QFileInfo(file).fileName()), a, b);
            continue;
        }
        sumEngine += a;
        sumQpdf += b;
        sumEngineMs += engineMs;
        sumQpdfMs += qpdfMs;
        std::printf("%-44s %10lld %10lld %10lld %7.3f %9.1f %9.1f %7.2f\n", qPrintable(QFileInfo(file).fileName().left(44)), in, a,
                    b, double(a) / b, engineMs, qpdfMs, engineMs / qpdfMs);
    }
    if (sumQpdf > 0)
        std::printf("%-44s %10s %10.0f %10.0f %7.3f %9.1f %9.1f %7.2f\n", "total", "", sumEngine, sumQpdf, sumEngine / sumQpdf,
                    sumEngineMs, sumQpdfMs, sumEngineMs / sumQpdfMs);
    return 0;
}
