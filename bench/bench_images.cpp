// Images to PDF and page capturing, timed through the engine facade the way
// the tools call it, beside img2pdf for the images:
//   bench_images [photos=20] [runs=3]
// Prints times (median of the runs), sizes and the ratios to the peer.

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
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// A 3000 x 2000 picture with smooth gradients, shapes and grain: JPEG sizes
// close to a camera's at quality 90.
QImage photo(int index)
{
    QImage img(3000, 2000, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient sky(0, 0, 3000, 2000);
    sky.setColorAt(0, QColor::fromHsv((index * 37) % 360, 120, 230));
    sky.setColorAt(1, QColor::fromHsv((index * 37 + 120) % 360, 200, 90));
    p.fillRect(img.rect(), sky);
    QRandomGenerator rng(quint32(index + 1));
    for (int i = 0; i < 60; ++i) {
        p.setBrush(QColor::fromHsv(rng.bounded(360), rng.bounded(255), rng.bounded(255), 160));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(rng.bounded(3000), rng.bounded(2000)), rng.bounded(40, 400), rng.bounded(40, 400));
    }
    p.end();
    for (int y = 0; y < img.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int n = int(rng.bounded(17)) - 8;
            const QRgb c = line[x];
            line[x] = qRgb(qBound(0, qRed(c) + n, 255), qBound(0, qGreen(c) + n, 255), qBound(0, qBlue(c) + n, 255));
        }
    }
    return img;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timeIt(int runs, const std::function<bool()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        if (!work())
            return -1;
        times.push_back(t.nsecsElapsed() / 1e9);
    }
    return median(times);
}

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
    const int runs = argc > 2 ? atoi(argv[2]) : 3;
    QTemporaryDir dir;

    std::printf("Generating %d photos of 3000 x 2000...\n", photos);
    QStringList files;
    qint64 inputBytes = 0;
    for (int i = 0; i < photos; ++i) {
        const QString file = dir.filePath(QStringLiteral("photo%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
        QImageWriter writer(file, "jpeg");
        writer.setQuality(90);
        writer.write(photo(i));
        files << file;
        inputBytes += fileSize(file);
    }
    std::printf("  %.1f MB of JPEG\n", inputBytes / 1e6);

    const QString ours = dir.filePath(QStringLiteral("ours.pdf"));
    const QString peer = dir.filePath(QStringLiteral("img2pdf.pdf"));
    const double tOurs = timeIt(runs, [&] { return imagesToPdf(files, ours); });
    const double tPeer = timeIt(runs, [&] {
        return QProcess::execute(QStringLiteral("img2pdf"), QStringList(files) << QStringLiteral("-o") << peer) == 0;
    });
    if (tOurs < 0 || tPeer < 0) {
        std::printf("images to PDF: a run failed (ours %s, img2pdf %s)\n", tOurs < 0 ? "failed" : "ok", tPeer < 0 ? "failed" : "ok");
    } else {
        std::printf("images to PDF, %d photos: ours %.3f s, img2pdf %.3f s, time ratio %.2f\n", photos, tOurs, tPeer, tOurs / tPeer);
        std::printf("  size: ours %lld B, img2pdf %lld B, size ratio %.4f\n", fileSize(ours), fileSize(peer),
                    double(fileSize(ours)) / fileSize(peer));
    }

    const QString book = dir.filePath(QStringLiteral("book.pdf"));
    writeTextPdf(book, 100);
    const QString resized = dir.filePath(QStringLiteral("resized.pdf"));
    const QString copied = dir.filePath(QStringLiteral("copied.pdf"));
    const double tCapture = timeIt(runs, [&] { return capturePages(book, resized); });
    const double tCopy = timeIt(runs, [&] { return QProcess::execute(QStringLiteral("qpdf"), {book, copied}) == 0; });
    if (tCapture < 0) {
        std::printf("capture: a run failed\n");
    } else {
        std::printf("100 pages captured and drawn onto new pages: %.3f s (qpdf copying the file: %.3f s, ratio %.2f)\n",
                    tCapture, tCopy, tCapture / tCopy);
        std::printf("  size: input %lld B, ours %lld B, qpdf copy %lld B\n", fileSize(book), fileSize(resized), fileSize(copied));
    }
    return 0;
}
