// libFuzzer target: arbitrary bytes as an image file, added and drawn through
// the engine facade. Built with -DFOLIO_FUZZ=ON (clang); `scripts/fuzz SECONDS
// JOBS fuzz_images` runs it; `fuzz_images --make-seeds DIR` writes a seed
// corpus of every kind of image file.

#include "fuzztarget.h"

#include <QDir>
#include <QImage>
#include <QImageWriter>
#include <QProcess>

#include <cstdlib>

namespace {

fuzztarget::Target target;

void makeSeeds(const QString& dir)
{
    QDir().mkpath(dir);
    QImage rgb(37, 23, QImage::Format_ARGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            rgb.setPixel(x, y, qRgba(x * 7, y * 11, (x * y) & 0xFF, 255 - x * 3));
    auto path = [&](const char* name) { return QDir(dir).filePath(QString::fromLatin1(name)); };
    auto write = [&](const QImage& img, const char* name, const char* format, bool progressive = false) {
        QImageWriter w(path(name), format);
        w.setProgressiveScanWrite(progressive);
        w.write(img);
    };
    write(rgb.convertToFormat(QImage::Format_RGB32), "baseline.jpg", "jpeg");
    write(rgb.convertToFormat(QImage::Format_RGB32), "progressive.jpg", "jpeg", true);
    write(rgb.convertToFormat(QImage::Format_Grayscale8), "gray.jpg", "jpeg");
    write(rgb, "rgba.png", "png");
    write(rgb.convertToFormat(QImage::Format_RGBA64), "rgba16.png", "png");
    write(rgb.convertToFormat(QImage::Format_Grayscale16), "gray16.png", "png");
    write(rgb.convertToFormat(QImage::Format_Indexed8), "indexed.png", "png");
    write(rgb.convertToFormat(QImage::Format_Mono), "mono.png", "png");
    write(rgb.convertToFormat(QImage::Format_RGB32), "rgb.bmp", "bmp");
    write(rgb.convertToFormat(QImage::Format_Indexed8), "indexed.bmp", "bmp");
    const QString png = path("rgba.png");
    auto convert = [&](QStringList args, const char* name) {
        QProcess::execute(QStringLiteral("convert"), QStringList{png} << args << path(name));
    };
    convert({}, "picture.gif");
    convert({QStringLiteral("-interlace"), QStringLiteral("GIF")}, "interlaced.gif");
    convert({QStringLiteral("-interlace"), QStringLiteral("PNG")}, "interlaced.png");
    convert({QStringLiteral("-compress"), QStringLiteral("LZW")}, "lzw.tif");
    convert({QStringLiteral("-colorspace"), QStringLiteral("CMYK")}, "cmyk.tif");
    convert({QStringLiteral("-colorspace"), QStringLiteral("CMYK")}, "cmyk.jpg");
    convert({QStringLiteral("-orient"), QStringLiteral("right-top")}, "turned.jpg");
    convert({QStringLiteral("-define"), QStringLiteral("tiff:tile-geometry=16x16")}, "tiled.tif");
    convert({QStringLiteral("-monochrome"), QStringLiteral("-compress"), QStringLiteral("Group4")}, "fax.tif");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    target = fuzztarget::start(argc, argv, "fuzz_images", makeSeeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString file = QDir(target.workDir->path()).filePath(QStringLiteral("input.img"));
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    f.close();
    if (target.engine->AddImageFromFile(file, 6) > 0) {
        if (target.engine->ImageWidth() <= 0 || target.engine->ImageHeight() <= 0)
            std::abort();
        const int doc = target.engine->NewDocument();
        if (target.engine->DrawImage(0, 792, 100, 100) != 1)
            std::abort();
        target.engine->RemoveDocument(doc);
    }
    if (target.engine->DocumentCount() < 1)
        std::abort();
    return 0;
}
