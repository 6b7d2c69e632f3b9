// to-images beside pdftoppm -r 300: a Debian manual page by page as PNG, JPEG
// and TIFF, then the pages compared: the same pixel size as pdftoppm's and
// nearly the same pixels.

#include "imagefixtures.h"
#include "pixels.h"
#include "toolbench.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>

namespace {

// Every page image of a folder, in page order: ours are "NAME Page N.ext",
// pdftoppm's "p-NN.ext"; a TIFF file holds every page.
QList<QImage> pagesIn(const QString& place)
{
    QList<QImage> pages;
    // TIFF files are read with libtiff: Qt has no reader for them here.
    auto add = [&pages](const QString& file) {
        if (file.endsWith(".tif") || file.endsWith(".tiff")) {
            for (const testsupport::TiffPage& page : testsupport::readTiff(file))
                pages << page.image;
        } else {
            pages << testsupport::readImage(file);
        }
    };
    if (QFileInfo(place).isFile()) {
        add(place);
        return pages;
    }
    QStringList names = QDir(place).entryList(QDir::Files);
    auto number = [](const QString& name) { return name.section(QRegularExpression("[ -]"), -1).section('.', 0, 0).toInt(); };
    std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) { return number(a) < number(b); });
    for (const QString& name : names)
        add(QDir(place).filePath(name));
    return pages;
}

// The largest mean difference of a page's pixels from pdftoppm's, in percent
// of the full scale; 100 when a page is missing or of another size.
double largestDifference(const QList<QImage>& ours, const QList<QImage>& theirs)
{
    if (ours.isEmpty() || ours.size() != theirs.size())
        return 100;
    double largest = 0;
    for (int i = 0; i < ours.size(); ++i) {
        const double d = testsupport::meanChannelDifference(ours[i].convertToFormat(QImage::Format_RGB32),
                                                            theirs[i].convertToFormat(QImage::Format_RGB32));
        largest = std::max(largest, d < 0 ? 100.0 : d * 100.0 / 255.0);
    }
    return largest;
}

const bench::ToolRows toImages("to-images", [](const bench::ToolBench& b) {
    const QString manual = bench::debianFile("debian-history", "usr/share/doc/debian-history/docs/project-history.en.pdf");
    if (manual.isEmpty()) {
        std::printf("ratio: to-images failed (a Debian package could not be fetched)\n");
        return;
    }
    struct Case {
        QString format;
        QStringList peer;  // pdftoppm's options for the same output
    };
    // The same JPEG quality as ours (80), and the same TIFF compression (LZW:
    // pdftoppm's default writes the pixels uncompressed, a file several times larger).
    const QList<Case> cases = {{"png", {"-png"}},
                               {"jpeg", {"-jpeg", "-jpegopt", "quality=80"}},
                               {"tiff", {"-tiff", "-tiffcompression", "lzw"}}};
    for (const Case& c : cases) {
        const QString ours = QDir(b.work).filePath(c.format == "tiff" ? "ours.tiff" : "ours");
        const QString theirs = QDir(b.work).filePath("theirs");
        const bench::Pair p = bench::compare(
            b.runs, [&] { return b.cliRun({"to-images", "--format", c.format, "--dpi", "300", "-o", ours, manual}); },
            [&] { return bench::runPeer("pdftoppm", QStringList{"-r", "300"} + c.peer + QStringList{manual, theirs + "/p"}) >= 0; },
            [&](bool isOurs) {
                if (!isOurs)
                    b.freshFolder("theirs");
                else if (c.format == "tiff")
                    QFile::remove(ours);
                else
                    b.freshFolder("ours");
            });
        const QString what = QStringLiteral("to-images %1, project-history.en.pdf (27 pages) at 300 dpi").arg(c.format);
        std::printf("%s: %s, pdftoppm %s\n", qPrintable(what), qPrintable(bench::describe(p.ours)), qPrintable(bench::describe(p.peer)));
        // The targets are PNG's and JPEG's; the TIFF row is there for comparison.
        bench::printRatio(what, p.ours, p.peer, c.format == "tiff" ? 0.0 : 1.0);
        bench::printRatio(QStringLiteral("to-images %1, largest mean pixel difference (%)").arg(c.format),
                          largestDifference(pagesIn(ours), pagesIn(theirs)), 2.0);
    }
});

} // namespace
