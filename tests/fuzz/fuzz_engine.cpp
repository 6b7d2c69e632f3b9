// libFuzzer target: arbitrary bytes as a PDF file through the engine facade.
// Built with -DFOLIO_FUZZ=ON (clang). `fuzz_engine --make-seeds DIR` writes a
// small seed corpus of PDFs of the kinds the tests use.

#include "fuzzsequence.h"
#include "fuzztarget.h"

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
