// Images to PDF and page capturing, timed through the engine facade the way
// the tools call it, beside img2pdf for the images and a plain qpdf copy of
// the same file for the captured pages:
//   bench_images [photos=20] [runs=5]
// Prints times (median of the runs, ours and the peer's interleaved, with
// the fastest and slowest run), sizes and the ratios to the peer.

#include "benchsupport.h"
#include "pdfengine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

// Images to PDF as the tool does it: one page per image, sized by its resolution.
bool imagesToPdf(const QStringList& files, const QString& out)
{
    PdfEngine engine(QStringLiteral("FolioPdfEngine"));
    engine.CompressImages(1);
    for (int i = 0; i < files.size(); ++i) {
        if (i > 0 && engine.NewPage() <= 0)
            return false;
        const int id = engine.AddImageFromFile(files[i], 6);
        engine.SelectImage(id);
        const int hr = engine.ImageHorizontalResolution() ? engine.ImageHorizontalResolution() : 72;
        const int vr = engine.ImageVerticalResolution() ? engine.ImageVerticalResolution() : 72;
        const double w = double(engine.ImageWidth()) / hr * 72, h = double(engine.ImageHeight()) / vr * 72;
        engine.SetOrigin(1);
        if (engine.SetPageDimensions(w, h) != 1 || engine.DrawImage(0, 0, w, h) != 1)
            return false;
    }
    return engine.SaveToFile(out) == 1 && engine.PageCount() == files.size();
}

// The page resizer's loop: every page captured and drawn onto a new page.
bool capturePages(const QString& in, const QString& out)
{
    PdfEngine engine(QStringLiteral("FolioPdfEngine"));
    if (engine.LoadFromFile(in, QString()) != 1)
        return false;
    engine.SetOrigin(1);
    const int pages = engine.PageCount();
    for (int i = 0; i < pages; ++i) {
        engine.SelectPage(1);
        const double pw = engine.PageWidth(), ph = engine.PageHeight();
        const int capture = engine.CapturePage(1);
        if (capture <= 0 || engine.NewPage() <= 0 || engine.SetPageDimensions(612, 792) != 1)
            return false;
        const double ratio = std::max(pw / 612, ph / 792);
        const double dw = pw / ratio, dh = ph / ratio;
        if (engine.DrawCapturedPage(capture, (612 - dw) / 2, (792 - dh) / 2, dw, dh) != 1)
            return false;
    }
    return engine.SaveToFile(out) == 1 && engine.PageCount() == pages;
}

bool writeTextPdf(const QString& path, int pages)
{
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QPageSize::A4));
    QPainter p(&writer);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    p.setFont(font);
    for (int i = 0; i < pages; ++i) {
        if (i)
            writer.newPage();
        for (int line = 0; line < 60; ++line)
            p.drawText(40, 40 + line * 12, QStringLiteral("Page %1, line %2: the quick brown fox jumps over the lazy dog").arg(i + 1).arg(line + 1));
        p.drawRect(30, 30, 500, 740);
    }
    return p.end();
}

qint64 fileSize(const QString& path) { return QFileInfo(path).size(); }

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int photos = argc > 1 ? atoi(argv[1]) : 20;
    const int runs = argc > 2 ? atoi(argv[2]) : 5;
    QTemporaryDir dir;

    std::printf("Generating %d photos of 3000 x 2000...\n", photos);
    QStringList files;
    qint64 inputBytes = 0;
    for (int i = 0; i < photos; ++i) {
        const QString file = dir.filePath(QStringLiteral("photo%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
        QImageWriter writer(file, "jpeg");
        writer.setQuality(90);
        writer.write(bench::photo(i));
        files << file;
        inputBytes += fileSize(file);
    }
    std::printf("  %.1f MB of JPEG; %d runs each, median (fastest-slowest)\n", inputBytes / 1e6, runs);

    const QString ours = dir.filePath(QStringLiteral("ours.pdf"));
    const QString peer = dir.filePath(QStringLiteral("img2pdf.pdf"));
    const bench::Pair images = bench::compare(
        runs, [&] { return imagesToPdf(files, ours); },
        [&] { return bench::runPeer(QStringLiteral("img2pdf"), QStringList(files) << QStringLiteral("-o") << peer) >= 0; });
    std::printf("images to PDF, %d photos\n  ours %s   img2pdf %s\n", photos, qPrintable(bench::describe(images.ours)),
                qPrintable(bench::describe(images.peer)));
    if (images.ours.ok() && images.peer.ok()) {
        std::printf("  size: ours %lld B, img2pdf %lld B\n", fileSize(ours), fileSize(peer));
        bench::printRatio(QStringLiteral("images to PDF, %1 photos, time vs img2pdf").arg(photos), images.ours, images.peer, 1.5);
        bench::printRatio(QStringLiteral("images to PDF, %1 photos, size vs img2pdf").arg(photos),
                          double(fileSize(ours)) / fileSize(peer), 1.01);
    } else {
        std::printf("ratio: images to PDF failed\n");
    }

    const QString book = dir.filePath(QStringLiteral("book.pdf"));
    writeTextPdf(book, 100);
    const QString resized = dir.filePath(QStringLiteral("resized.pdf"));
    const QString copied = dir.filePath(QStringLiteral("copied.pdf"));
    const bench::Pair capture = bench::compare(
        runs, [&] { return capturePages(book, resized); },
        [&] { return bench::runPeer(QStringLiteral("qpdf"), {book, copied}) >= 0; });
    std::printf("100 pages captured and drawn onto new pages\n  ours %s   qpdf copying the file %s\n",
                qPrintable(bench::describe(capture.ours)), qPrintable(bench::describe(capture.peer)));
    if (capture.ours.ok() && capture.peer.ok()) {
        std::printf("  size: input %lld B, ours %lld B, qpdf copy %lld B\n", fileSize(book), fileSize(resized), fileSize(copied));
        bench::printRatio(QStringLiteral("100 pages captured and drawn, time vs qpdf copy"), capture.ours, capture.peer, 0);
    } else {
        std::printf("ratio: capture failed\n");
    }
    return 0;
}
