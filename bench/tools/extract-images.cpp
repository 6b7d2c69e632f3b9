// extract-images beside pdfimages -png and pdfimages -j on a Debian manual
// full of pictures, then the images compared: every PNG of ours has the
// pixels of an image pdfimages wrote.

#include "imagefixtures.h"
#include "toolbench.h"

#include <QDir>
#include <QSet>

namespace {

// How many of our images have exactly the pixels of one of pdfimages'.
QString identical(const QString& ours, const QString& theirs)
{
    QSet<QByteArray> peer;
    auto pixels = [](const QString& file) {
        const QImage image = testsupport::readImage(file).convertToFormat(QImage::Format_RGB32);
        return QByteArray(reinterpret_cast<const char*>(image.constBits()), int(image.sizeInBytes()))
            + QByteArray::number(image.width());
    };
    for (const QString& name : QDir(theirs).entryList(QDir::Files))
        peer.insert(pixels(QDir(theirs).filePath(name)));
    int same = 0;
    const QStringList names = QDir(ours).entryList(QDir::Files);
    for (const QString& name : names)
        same += peer.contains(pixels(QDir(ours).filePath(name))) ? 1 : 0;
    return QStringLiteral("%1 of our %2 images have the pixels of one of pdfimages' %3")
        .arg(same).arg(names.size()).arg(QDir(theirs).entryList(QDir::Files).size());
}

const bench::ToolRows extractImages("extract-images", [](const bench::ToolBench& b) {
    const QString manual = bench::debianFile("expeyes-doc-en", "usr/share/expeyes/doc/en-eyes.pdf");
    if (manual.isEmpty()) {
        std::printf("ratio: extract-images failed (a Debian package could not be fetched)\n");
        return;
    }
    const QList<QPair<QString, QString>> cases = {{"png", "-png"}, {"jpg", "-j"}};
    for (const auto& [format, peer] : cases) {
        const QString ours = QDir(b.work).filePath("ours"), theirs = QDir(b.work).filePath("theirs");
        const bench::Pair p = bench::compare(
            b.runs, [&] { return b.cliRun({"extract-images", "--format", format, "-o", ours, manual}); },
            [&] { return bench::runPeer("pdfimages", {peer, manual, theirs + "/i"}) >= 0; },
            [&](bool isOurs) { b.freshFolder(isOurs ? "ours" : "theirs"); });
        const QString what = QStringLiteral("extract-images %1, en-eyes.pdf (130 pages)").arg(format);
        std::printf("%s: %s, pdfimages %s %s\n", qPrintable(what), qPrintable(bench::describe(p.ours)), qPrintable(peer),
                    qPrintable(bench::describe(p.peer)));
        bench::printRatio(what, p.ours, p.peer, 1.0);
        if (format == "png")
            std::printf("extract-images png: %s\n", qPrintable(identical(ours, theirs)));
    }
});

} // namespace
