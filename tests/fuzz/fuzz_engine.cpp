// libFuzzer target: arbitrary bytes as a PDF file through the engine facade.
// Built with -DFOLIO_FUZZ=ON (clang). `fuzz_engine --make-seeds DIR` writes a
// small seed corpus of PDFs of the kinds the tests use.

#include "fuzzsequence.h"
#include "fuzztarget.h"
#include "imagefixtures.h"
#include "pdfbuild.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>

#include <cstdlib>

namespace {

fuzztarget::Target target;

void makeSeeds(const QString& dir)
{
    QDir().mkpath(dir);
    auto write = [&](const QString& name, int pages, bool withImage) {
        QPdfWriter w(QDir(dir).filePath(name));
        w.setResolution(72);
        w.setPageSize(QPageSize(QPageSize::A4));
        QPainter p(&w);
        for (int i = 0; i < pages; ++i) {
            if (i)
                w.newPage();
            p.drawText(72, 100, QStringLiteral("Seed page %1 \u00e9\u00e8 text").arg(i + 1));
            if (withImage) {
                QImage img(64, 48, QImage::Format_RGB32);
                img.fill(QColor(20 * i, 120, 200));
                p.drawImage(QRect(72, 200, 128, 96), img);
            }
        }
    };
    write(QStringLiteral("text.pdf"), 2, false);
    // Every kind of image data the extractor decodes, one a page.
    using namespace testsupport;
    QImage colours(24, 16, QImage::Format_RGB888);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x)
            colours.setPixel(x, y, qRgb(x * 10, y * 15, 90));
    QByteArray rows, predicted;
    for (int y = 0; y < 16; ++y) {
        const QByteArray row(reinterpret_cast<const char*>(colours.constScanLine(y)), 24 * 3);
        rows += row;
        predicted += '\0' + row;
    }
    const Bilevel bilevel = bilevelPicture(64, 48);
    const QByteArray rgb = "/Width 24 /Height 16 /ColorSpace /DeviceRGB /BitsPerComponent 8 ";
    const QByteArray gray = "/Width 64 /Height 48 /ColorSpace /DeviceGray /BitsPerComponent 1 ";
    const Jbig2WithGlobals halftone = jbig2Halftone(bilevelPicture(16, 12), 4);
    const std::vector<std::vector<QByteArray>> images{
        {rgb + "/Filter /DCTDecode", jpegBytes(colours)},
        {rgb + "/Filter [/AHx /DCT]", jpegBytes(colours).toHex() + ">"},
        {"/Width 24 /Height 16 /ColorSpace /DeviceCMYK /BitsPerComponent 8 /Filter /DCTDecode /Decode [1 0 1 0 1 0 1 0]",
         cmykJpeg(24, 16, QByteArray(24 * 16 * 4, '\x37'))},
        {rgb + "/Filter /FlateDecode /DecodeParms << /Predictor 15 /Colors 3 /Columns 24 >>", flate(predicted)},
        {rgb + "/Filter [/LZWDecode]", lzw(rows)},
        {gray + "/Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 64 >>", ccittFax(bilevel, -1)},
        {gray + "/Filter /JBIG2Decode", halftone.page, halftone.globals},
        {rgb + "/Filter /JPXDecode", jpeg2000(colours, false)},
    };
    Builder b;
    for (const std::vector<QByteArray>& image : images)
        b.addPage(Builder::draw(b.image(image[0], image[1], image.size() > 2 ? image[2] : QByteArray()), 20, 600, 120, 120));
    b.write(QDir(dir).filePath(QStringLiteral("images.pdf")));
    write(QStringLiteral("image.pdf"), 1, true);
    const QString text = QDir(dir).filePath(QStringLiteral("text.pdf"));
    QProcess::execute(QStringLiteral("qpdf"), {QStringLiteral("--object-streams=generate"), text,
                                               QDir(dir).filePath(QStringLiteral("objstm.pdf"))});
    QProcess::execute(QStringLiteral("qpdf"), {QStringLiteral("--qdf"), text, QDir(dir).filePath(QStringLiteral("qdf.pdf"))});
    QProcess::execute(QStringLiteral("qpdf"), {QStringLiteral("--allow-weak-crypto"), QStringLiteral("--encrypt"),
                                               QString(), QStringLiteral("owner"), QStringLiteral("128"),
                                               QStringLiteral("--use-aes=n"), QStringLiteral("--"), text,
                                               QDir(dir).filePath(QStringLiteral("rc4-empty-user.pdf"))});
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    target = fuzztarget::start(argc, argv, "fuzz_engine", makeSeeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
    if (!fuzzsequence::run(*target.engine, bytes, target.workDir->path()))
        std::abort();
    return 0;
}
