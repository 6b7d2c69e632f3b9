// The engine's document work, timed through the PdfEngine facade the way
// the tools call it, side by side with the peer tools on the same generated
// files in the same run:
//
//   load + PageCount, 1,000 pages       qpdf --show-npages
//   load + PageCount, R's manual        qpdf --show-npages
//   render 10 pages at 300 dpi, PNG     pdftoppm -png -r 300
//   render 10 pages at 300 dpi, BMP     pdftoppm -r 300 (PPM)
//   text of 200 pages, layout / raw     pdftotext -layout / -raw
//   merge of 10 files                   qpdf --empty --pages ... --
//   split page by page, 200 pages       qpdf --split-pages
//   images out, 200 pages               pdfimages -all
//
// Each row is the median of the runs (one untimed round first; ours and the
// peer's interleaved), with the fastest and slowest run, and the ratio
// ours / peer against its target. Peers run as processes, so their times
// include their start-up; the engine's one-off library load is not in ours
// (a tool loads it once) but is printed on its own.
//
//   bench_engine [--runs N] [--only regexp] [--dir folder [--reuse]] [--refman file]
//
// With --dir the generated inputs are written there and kept (bench/run hands
// them to the other benchmarks); otherwise a temporary folder is used.
// --refman names R's reference manual (2,415 pages in object streams, from
// Debian's r-doc-pdf, which bench/run fetches for the run): a real book
// whose page tree costs far more to walk than its opening.
// --only runs the rows whose name matches that regular expression; --reuse takes the inputs
// already in the folder (both for profiling).
// bench_engine --generate folder only writes the inputs.

#include "benchsupport.h"
#include "pdfengine.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

// ---------------------------------------------------------------------------
// Inputs: pages as reports and books have them. Qt's PDF writer draws the
// text (fonts embedded as subsets with ToUnicode maps, as most producers do)
// and a vector chart on every page; QPDF then adds images on two pages of
// three, as producers store them: a JPEG photo (DCT) and a lossless grey
// figure, or a lossless colour diagram and a one-bit logo (Flate). Every
// image is a distinct object drawn once, and every page has its own
// resources. Page n of every file made from the same first page is the same.

constexpr double pageWidth = 595, pageHeight = 842;  // A4 in points
const QRectF slotA(236, 430, 150, 190);               // image places, Qt's top-left coordinates
const QRectF slotB(396, 430, 143, 190);

const QStringList& vocabulary()
{
    static const QStringList words = QStringLiteral(
        "the of and a to in is that for it as was with be by on not he this are or his from at which but have an they "
        "you were her she there been one all we their has would when if so no will more also can into than only other "
        "document page engine report figure table measurement result analysis sample method value section chapter "
        "résumé naïve café Straße größer déjà über façade coördinate 2024 3.14 42% (see above) «quoted» — data-driven")
                                             .split(QLatin1Char(' '));
    return words;
}

// Lines of words that fit maxWidth in that font.
QStringList paragraph(QRandomGenerator& rng, const QFontMetricsF& metrics, double maxWidth, int lines)
{
    QStringList result;
    const QStringList& words = vocabulary();
    QString line;
    while (result.size() < lines) {
        const QString word = words[int(rng.bounded(words.size()))];
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (metrics.horizontalAdvance(longer) > maxWidth) {
            result << line;
            line = word;
        } else {
            line = longer;
        }
    }
    return result;
}

void drawChart(QPainter& p, const QRectF& box, QRandomGenerator& rng)
{
    p.save();
    p.setPen(QPen(QColor(200, 200, 200), 0.5, Qt::DashLine));
    for (int i = 1; i <= 4; ++i)
        p.drawLine(QPointF(box.left(), box.bottom() - box.height() * i / 5), QPointF(box.right(), box.bottom() - box.height() * i / 5));
    const int bars = 6;
    for (int i = 0; i < bars; ++i) {
        const double h = box.height() * (0.15 + 0.75 * rng.generateDouble());
        const double w = box.width() / (2 * bars + 1);
        p.fillRect(QRectF(box.left() + w * (2 * i + 1), box.bottom() - h, w, h), QColor::fromHsv((i * 50) % 360, 140, 210));
    }
    QPolygonF series;
    for (int i = 0; i <= 30; ++i)
        series << QPointF(box.left() + box.width() * i / 30, box.bottom() - box.height() * (0.3 + 0.5 * rng.generateDouble()));
    p.setPen(QPen(QColor(20, 60, 160), 1.2));
    p.drawPolyline(series);
    QPainterPath curve(QPointF(box.left(), box.bottom()));
    curve.cubicTo(QPointF(box.left() + box.width() / 3, box.top()), QPointF(box.left() + box.width() * 2 / 3, box.bottom()),
                  QPointF(box.right(), box.top() + box.height() / 4));
    p.setPen(QPen(QColor(190, 30, 30), 1, Qt::DashDotLine));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
    p.setPen(QPen(Qt::black, 0.8));
    p.drawLine(box.bottomLeft(), box.bottomRight());
    p.drawLine(box.bottomLeft(), box.topLeft());
    p.setBrush(QColor(240, 180, 40));
    p.drawEllipse(QPointF(box.right() - 10, box.top() + 10), 4, 4);
    p.restore();
}

// Text and vector drawing of pages firstPage .. firstPage + pages - 1.
bool writeTextPages(const QString& path, int firstPage, int pages)
{
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QSizeF(pageWidth, pageHeight), QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setCreator(QStringLiteral("Folioforge benchmark"));
    QPainter p(&writer);
    QFont title(QStringLiteral("DejaVu Serif"));
    title.setPixelSize(15);
    title.setBold(true);
    QFont body(QStringLiteral("DejaVu Sans"));
    body.setPixelSize(10);
    QFont caption(QStringLiteral("DejaVu Serif"));
    caption.setPixelSize(9);
    caption.setItalic(true);
    QFont code(QStringLiteral("DejaVu Sans Mono"));
    code.setPixelSize(9);
    const QFontMetricsF bodyMetrics(body, &writer);
    const double left = 56, textWidth = pageWidth - 2 * left;
    for (int i = 0; i < pages; ++i) {
        const int n = firstPage + i;
        if (i > 0)
            writer.newPage();
        QRandomGenerator rng(quint32(n * 7919 + 1));
        p.setPen(Qt::black);
        p.setFont(title);
        p.drawText(QPointF(left, 70), QStringLiteral("%1. Section %2 — %3 %4").arg(n / 20 + 1).arg(n)
                                          .arg(vocabulary()[n % 40], vocabulary()[(n * 3) % 60]));
        p.setFont(body);
        double y = 100;
        for (const QString& line : paragraph(rng, bodyMetrics, textWidth, 24)) {
            p.drawText(QPointF(left, y), line);
            y += 13;
        }
        drawChart(p, QRectF(left, slotA.top(), 170, slotA.height()), rng);
        p.setFont(caption);
        p.drawText(QPointF(left, 640), QStringLiteral("Figure %1: measured values and their trend, with two illustrations.").arg(n));
        p.setFont(code);
        p.drawText(QPointF(left, 656), QStringLiteral("result = engine.Render(page: %1, dpi: 300);  // %2 ms").arg(n).arg(n % 97));
        p.setFont(body);
        y = 676;
        for (const QString& line : paragraph(rng, bodyMetrics, textWidth, 10)) {
            p.drawText(QPointF(left, y), line);
            y += 13;
        }
        p.setPen(QPen(QColor(120, 120, 120), 0.5));
        p.drawLine(QPointF(left, 815), QPointF(pageWidth - left, 815));
        p.drawText(QPointF(pageWidth / 2 - 10, 830), QString::number(n));
    }
    return p.end();
}

QByteArray jpegBytes(const QImage& image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(85);
    writer.write(image);
    return data;
}

// An image XObject; raw samples are Flate-compressed by QPDFWriter.
QPDFObjectHandle imageObject(QPDF& pdf, const QByteArray& data, bool dct, int width, int height,
                             const char* colorSpace, int bits)
{
    QPDFObjectHandle image = QPDFObjectHandle::newStream(&pdf);
    image.replaceStreamData(data.toStdString(), dct ? QPDFObjectHandle::newName("/DCTDecode") : QPDFObjectHandle::newNull(),
                            QPDFObjectHandle::newNull());
    QPDFObjectHandle dict = image.getDict();
    dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
    dict.replaceKey("/Width", QPDFObjectHandle::newInteger(width));
    dict.replaceKey("/Height", QPDFObjectHandle::newInteger(height));
    dict.replaceKey("/ColorSpace", QPDFObjectHandle::newName(colorSpace));
    dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(bits));
    return image;
}

QByteArray samples(const QImage& image)
{
    QByteArray data;
    const int rowBytes = image.format() == QImage::Format_Mono ? (image.width() + 7) / 8
                         : image.format() == QImage::Format_Grayscale8 ? image.width()
                                                                        : image.width() * 3;
    for (int y = 0; y < image.height(); ++y)
        data.append(reinterpret_cast<const char*>(image.constScanLine(y)), rowBytes);
    return data;
}

// Draws the image into the slot, centred and keeping its proportions.
QByteArray placement(const std::string& name, int width, int height, const QRectF& slot)
{
    const double scale = std::min(slot.width() / width, slot.height() / height);
    const double w = width * scale, h = height * scale;
    const double x = slot.left() + (slot.width() - w) / 2, y = pageHeight - slot.top() - (slot.height() + h) / 2;
    return QStringLiteral("q %1 0 0 %2 %3 %4 cm %5 Do Q\n").arg(w).arg(h).arg(x).arg(y).arg(QString::fromStdString(name)).toLatin1();
}

bool addImages(const QString& textPdf, const QString& path, int firstPage)
{
    try {
        QPDF pdf;
        pdf.processFile(QFile::encodeName(textPdf).constData());
        std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
        for (size_t i = 0; i < pages.size(); ++i) {
            const int n = firstPage + static_cast<int>(i);
            if (n % 3 == 2)
                continue;
            std::vector<std::pair<QPDFObjectHandle, QRectF>> images;
            if (n % 3 == 0) {
                const QImage photo = bench::photo(n, 480, 320);
                images.emplace_back(imageObject(pdf, jpegBytes(photo), true, 480, 320, "/DeviceRGB", 8), slotA);
                const QImage grey = bench::diagram(n, 320, 400).convertToFormat(QImage::Format_Grayscale8);
                images.emplace_back(imageObject(pdf, samples(grey), false, 320, 400, "/DeviceGray", 8), slotB);
            } else {
                const QImage rgb = bench::diagram(n, 400, 300).convertToFormat(QImage::Format_RGB888);
                images.emplace_back(imageObject(pdf, samples(rgb), false, 400, 300, "/DeviceRGB", 8), slotA);
                QImage logo = bench::diagram(n + 1, 600, 600).convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
                if (logo.color(0) != qRgb(0, 0, 0))  // PDF reads a one-bit DeviceGray 0 as black
                    logo.invertPixels();
                images.emplace_back(imageObject(pdf, samples(logo), false, 600, 600, "/DeviceGray", 1), slotB);
            }
            QPDFObjectHandle page = pages[i].getObjectHandle();
            QPDFObjectHandle resources = page.getKey("/Resources").shallowCopy();
            QPDFObjectHandle xobjects = resources.getKey("/XObject");
            xobjects = xobjects.isDictionary() ? xobjects.shallowCopy() : QPDFObjectHandle::newDictionary();
            QByteArray content = "Q\n";
            for (size_t k = 0; k < images.size(); ++k) {
                const std::string name = "/FbIm" + std::to_string(k + 1);
                QPDFObjectHandle dict = images[k].first.getDict();
                xobjects.replaceKey(name, images[k].first);
                content += placement(name, dict.getKey("/Width").getIntValueAsInt(), dict.getKey("/Height").getIntValueAsInt(),
                                     images[k].second);
            }
            resources.replaceKey("/XObject", xobjects);
            page.replaceKey("/Resources", resources);
            // Qt's content may leave its coordinate system changed: it is drawn inside q ... Q.
            pages[i].addPageContents(QPDFObjectHandle::newStream(&pdf, "q\n"), true);
            pages[i].addPageContents(QPDFObjectHandle::newStream(&pdf, content.toStdString()), false);
        }
        const QByteArray name = QFile::encodeName(path);
        QPDFWriter writer(pdf, name.constData());
        writer.write();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "generating %s: %s\n", qPrintable(path), e.what());
        return false;
    }
    return true;
}

bool writeBook(const QString& path, int firstPage, int pages)
{
    const QString textOnly = path + QStringLiteral(".text.pdf");
    const bool ok = writeTextPages(textOnly, firstPage, pages) && addImages(textOnly, path, firstPage);
    QFile::remove(textOnly);
    return ok;
}

struct Inputs {
    QString book1000, book200;
    QStringList parts;  // 10 files of 20 pages
};

// With reuse, files already there are taken as they are.
bool generate(const QString& dir, bool reuse, Inputs& in)
{
    auto make = [reuse](const QString& path, int firstPage, int pages) {
        return (reuse && QFileInfo::exists(path)) || writeBook(path, firstPage, pages);
    };
    in.book200 = dir + QStringLiteral("/book200.pdf");
    in.book1000 = dir + QStringLiteral("/book1000.pdf");
    if (!make(in.book200, 1, 200) || !make(in.book1000, 1, 1000))
        return false;
    for (int i = 0; i < 10; ++i) {
        in.parts << dir + QStringLiteral("/part%1.pdf").arg(i + 1, 2, 10, QLatin1Char('0'));
        if (!make(in.parts.last(), 2001 + 20 * i, 20))
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// The engine, called as the tools call it.

// Removes the older half of the documents, as every tool does between runs.
void removeAllDocuments(PdfEngine& e)
{
    QList<int> ids;
    for (int i = 1; i <= e.DocumentCount(); ++i)
        ids << e.GetDocumentID(i);
    for (int k = 0; k < e.DocumentCount(); ++k)
        e.RemoveDocument(ids[k]);
}

// Every document goes, leaving the engine as new.
void clear(PdfEngine& e)
{
    while (e.DocumentCount() > 1 || e.PageCount() != 1)
        if (!e.RemoveDocument(e.GetDocumentID(1)))
            break;
}

// The document information every tool sets before a save.
void stamp(PdfEngine& e)
{
    e.SetInformation(1, QString());
    e.SetInformation(1, QStringLiteral("https://example.org/tool"));
    for (int key = 2; key <= 5; ++key)
        e.SetInformation(key, QString());
    e.SetInformation(5, QStringLiteral("PDF-Benchmark"));
}

bool freshDir(const QString& path)
{
    QDir(path).removeRecursively();
    return QDir().mkpath(path);
}

int fileCount(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files).size();
}

double megabytes(const QString& dir)
{
    qint64 sum = 0;
    for (const QFileInfo& f : QDir(dir).entryInfoList(QDir::Files))
        sum += f.size();
    return sum / 1e6;
}

// The pages QPDF finds walking the whole tree; 0 when it cannot read the file.
int walkedPageCount(const QString& file)
{
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(QFile::encodeName(file).constData());
        return static_cast<int>(pdf.getAllPages().size());
    } catch (const std::exception&) {
        return 0;
    }
}

bool pageCount(PdfEngine& e, const QString& file, int expected)
{
    const bool ok = e.LoadFromFile(file, QString()) == 1 && e.PageCount() == expected;
    clear(e);
    return ok;
}

bool render(PdfEngine& e, const QString& file, int pages, int option, const QString& dir, const char* extension)
{
    if (e.LoadFromFile(file, QString()) != 1)
        return false;
    bool ok = true;
    for (int p = 1; p <= pages && ok; ++p)
        ok = e.RenderPageToFile(300, p, option, dir + QStringLiteral("/p%1.%2").arg(p).arg(QLatin1String(extension))) == 1;
    clear(e);
    return ok;
}

// The PDF to images tool: each page copied into a new document, rendered as its page 1.
bool renderAsTool(PdfEngine& e, const QString& file, int pages, int option, const QString& dir, const char* extension)
{
    if (e.LoadFromFile(file, QString()) != 1)
        return false;
    e.Decrypt();
    const int source = e.SelectedDocument();
    bool ok = true;
    for (int p = pages; p >= 1 && ok; --p) {
        const int id = e.NewDocument();
        e.SelectDocument(source);
        e.SelectDocument(id);
        ok = e.CopyPageRanges(source, QStringLiteral("%1-%1").arg(p)) == 1 && e.DeletePages(1, 1) == 1
             && e.RenderPageToFile(300, 1, option, dir + QStringLiteral("/p%1.%2").arg(p).arg(QLatin1String(extension))) == 1;
        e.RemoveDocument(id);
    }
    clear(e);
    return ok;
}

// The PDF to text tool, one text file per document.
bool text(PdfEngine& e, const QString& file, int option, const QString& out)
{
    if (e.LoadFromFile(file, QString()) != 1)
        return false;
    e.SetOrigin(1);
    QString all;
    for (int p = 1; p <= e.PageCount(); ++p) {
        e.SelectPage(p);
        all += e.GetPageText(option);
    }
    clear(e);
    QFile f(out);
    return !all.isEmpty() && f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(all.toUtf8()) > 0;
}

// Every source loaded and merged into the first, saved once.
bool mergeOnce(PdfEngine& e, const QStringList& files, const QString& out)
{
    if (e.LoadFromFile(files[0], QString()) != 1)
        return false;
    const int first = e.SelectedDocument();
    bool ok = true;
    for (int i = 1; i < files.size() && ok; ++i) {
        ok = e.LoadFromFile(files[i], QString()) == 1;
        const int source = e.SelectedDocument();
        e.SelectDocument(first);
        ok = ok && e.MergeDocument(source) == 1;
    }
    stamp(e);
    ok = ok && e.SaveToFile(out) == 1;
    clear(e);
    return ok;
}

// The merger: the result saved after every source and reopened for the next.
bool mergeAsTool(PdfEngine& e, const QStringList& files, const QString& out)
{
    removeAllDocuments(e);
    e.LoadFromFile(files[0], QString());
    e.Decrypt();
    stamp(e);
    bool ok = e.SaveToFile(out) == 1 && e.OutlineCount() == 0;
    for (int i = 1; i < files.size() && ok; ++i) {
        removeAllDocuments(e);
        e.LoadFromFile(out, QString());
        const int output = e.SelectedDocument();
        e.LoadFromFile(files[i], QString());
        e.Decrypt();
        const int source = e.SelectedDocument();
        e.SelectDocument(output);
        ok = e.MergeDocument(source) == 1;
        stamp(e);
        ok = ok && e.SaveToFile(out) == 1 && e.OutlineCount() == 0;
    }
    clear(e);
    return ok;
}

// The splitter, page by page: the last page's file first.
bool split(PdfEngine& e, const QString& file, const QString& dir)
{
    removeAllDocuments(e);
    e.LoadFromFile(file, QString());
    e.Decrypt();
    const int source = e.SelectedDocument();
    bool ok = e.PageCount() > 1;
    for (int p = e.PageCount(); p >= 1 && ok; --p) {
        const int id = e.NewDocument();
        e.SelectDocument(source);
        e.SelectDocument(id);
        ok = e.CopyPageRanges(source, QStringLiteral("%1-%1").arg(p)) == 1 && e.DeletePages(1, 1) == 1;
        stamp(e);
        ok = ok && e.SaveToFile(dir + QStringLiteral("/book Page %1.pdf").arg(p)) == 1;
        e.RemoveDocument(id);
    }
    clear(e);
    return ok;
}

// The image extractor: every image found, saved in the engine's own format.
bool extractImages(PdfEngine& e, const QString& file, const QString& dir, int& count)
{
    removeAllDocuments(e);
    if (e.LoadFromFile(file, QString()) != 1)
        return false;
    count = e.FindImages();
    bool ok = count > 0;
    for (int i = 0; i < count && ok; ++i) {
        ok = e.SelectImage(e.GetImageID(i + 1)) == 1 && e.SaveImageToFile(dir + QStringLiteral("/image%1").arg(i)) == 1
             && e.ImageType() > 0;
    }
    clear(e);
    return ok;
}

// ---------------------------------------------------------------------------

struct Runner {
    int rounds = 5;
    QRegularExpression only;  // runs only the rows whose name matches
    bool wants(const QString& work) const { return work.contains(only); }
    std::function<void(bool ours)> prepare;  // untimed, before every run

    bench::Pair row(const QString& work, const QString& peerName, double target, const std::function<bool()>& ours,
                    const std::function<bool()>& peer)
    {
        if (!wants(work))
            return bench::Pair();
        const bench::Pair t = bench::compare(rounds, ours, peer, prepare);
        std::printf("%s\n  ours %s   %s %s\n", qPrintable(work), qPrintable(bench::describe(t.ours)), qPrintable(peerName),
                    qPrintable(bench::describe(t.peer)));
        bench::printRatio(work + QStringLiteral(" vs ") + peerName, t.ours, t.peer, target);
        return t;
    }
};

int pageCountOnly(const QString& file)
{
    PdfEngine e(QStringLiteral("FolioPdfEngine"));
    if (e.LoadFromFile(file, QString()) != 1)
        return 1;
    std::printf("%d\n", e.PageCount());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    // A process that loads the engine and counts pages: the engine's start-up, measured from outside.
    if (args.size() == 2 && args[0] == QLatin1String("--page-count"))
        return pageCountOnly(args[1]);

    Runner runner;
    QString dirArg, refman;
    bool generateOnly = false, reuse = false;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--runs") && i + 1 < args.size())
            runner.rounds = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--only") && i + 1 < args.size())
            runner.only = QRegularExpression(args[++i]);
        else if (args[i] == QLatin1String("--reuse"))
            reuse = true;
        else if (args[i] == QLatin1String("--refman") && i + 1 < args.size())
            refman = args[++i];
        else if ((args[i] == QLatin1String("--dir") || args[i] == QLatin1String("--generate")) && i + 1 < args.size()) {
            generateOnly = args[i] == QLatin1String("--generate");
            dirArg = args[++i];
        } else {
            std::fprintf(stderr, "usage: bench_engine [--runs N] [--only regexp] [--dir folder [--reuse]] [--refman file] | --generate folder\n");
            return 2;
        }
    }
    QTemporaryDir temp;
    const QString dir = dirArg.isEmpty() ? temp.path() : QDir(dirArg).absolutePath();
    if (!QDir().mkpath(dir))
        return 1;

    QElapsedTimer t;
    t.start();
    Inputs in;
    if (!generate(dir, reuse && !dirArg.isEmpty(), in)) {
        std::fprintf(stderr, "could not generate the inputs\n");
        return 1;
    }
    std::printf("inputs (%.1f s to make): book1000.pdf %.1f MB, book200.pdf %.1f MB, 10 parts of 20 pages %.1f MB each\n",
                t.nsecsElapsed() / 1e9, QFileInfo(in.book1000).size() / 1e6, QFileInfo(in.book200).size() / 1e6,
                QFileInfo(in.parts[0]).size() / 1e6);
    if (generateOnly)
        return 0;

    t.restart();
    PdfEngine engine(QStringLiteral("FolioPdfEngine"));
    if (!engine.LibraryLoaded()) {
        std::fprintf(stderr, "engine library not found\n");
        return 1;
    }
    std::printf("engine library loaded in %.4f s; %d runs each, median (fastest-slowest)\n\n", t.nsecsElapsed() / 1e9,
                runner.rounds);
    PdfEngine& e = engine;
    const QString work = dir + QStringLiteral("/out");

    // The target here is absolute: well under 100 ms.
    const bench::Pair load = runner.row(QStringLiteral("load + PageCount, 1000 pages"), QStringLiteral("qpdf --show-npages"), 0,
                                        [&] { return pageCount(e, in.book1000, 1000); },
                                        [&] { return bench::runPeer(QStringLiteral("qpdf"), {QStringLiteral("--show-npages"), in.book1000}) >= 0; });
    if (load.ours.ok())
        bench::printLimit(QStringLiteral("load + PageCount, 1000 pages"), load.ours.median, 0.1);
    if (runner.wants(QStringLiteral("load + PageCount"))) {
        const QString self = QCoreApplication::applicationFilePath();
        const bench::Stats process = bench::repeat(runner.rounds, [&] {
            return bench::runPeer(self, {QStringLiteral("--page-count"), in.book1000}) >= 0;
        });
        std::printf("  the same as a process of its own, with the engine's start-up: %s\n", qPrintable(bench::describe(process)));
    }
    const QString refmanRow = QStringLiteral("load + PageCount, R reference manual");
    if (!refman.isEmpty() && runner.wants(refmanRow)) {
        const int pages = walkedPageCount(refman);
        const bench::Pair t = runner.row(refmanRow + QStringLiteral(" (%1 pages)").arg(pages), QStringLiteral("qpdf --show-npages"), 0,
                                         [&] { return pages > 0 && pageCount(e, refman, pages); },
                                         [&] { return bench::runPeer(QStringLiteral("qpdf"), {QStringLiteral("--show-npages"), refman}) >= 0; });
        if (t.ours.ok())
            bench::printLimit(refmanRow, t.ours.median, 0.04);
    }

    const QString ours = work + QStringLiteral("/ours"), peer = work + QStringLiteral("/peer");
    // Output folders are emptied outside the timed runs: deleting hundreds of files is slow here.
    runner.prepare = [&](bool oursNext) { freshDir(oursNext ? ours : peer); };
    const QStringList tenPages{QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-f"), QStringLiteral("1"),
                               QStringLiteral("-l"), QStringLiteral("10")};
    auto pdftoppm = [&](const QStringList& options) {
        return bench::runPeer(QStringLiteral("pdftoppm"), QStringList(tenPages) << options << in.book200 << peer + QStringLiteral("/p")) >= 0
               && fileCount(peer) == 10;
    };
    auto outputSizes = [&] {
        std::printf("  files written: ours %.1f MB, peer %.1f MB\n", megabytes(ours), megabytes(peer));
    };
    if (runner.row(QStringLiteral("render 10 pages at 300 dpi, PNG"), QStringLiteral("pdftoppm -png"), 1.2,
                   [&] { return render(e, in.book200, 10, 5, ours, "png"); }, [&] { return pdftoppm({QStringLiteral("-png")}); })
            .ours.ok())
        outputSizes();
    runner.row(QStringLiteral("render 10 pages at 300 dpi, PNG, as the tool does"), QStringLiteral("pdftoppm -png"), 1.2,
               [&] { return renderAsTool(e, in.book200, 10, 5, ours, "png"); }, [&] { return pdftoppm({QStringLiteral("-png")}); });
    if (runner.row(QStringLiteral("render 10 pages at 300 dpi, BMP"), QStringLiteral("pdftoppm (PPM)"), 1.2,
                   [&] { return render(e, in.book200, 10, 0, ours, "bmp"); }, [&] { return pdftoppm({}); })
            .ours.ok())
        outputSizes();

    const QString textOut = work + QStringLiteral("/ours.txt"), peerText = work + QStringLiteral("/peer.txt");
    // pdftotext ends pages with a form feed where the engine's page texts end with a line break.
    auto textSizes = [&] {
        std::printf("  text written: ours %.2f MB, peer %.2f MB\n", QFileInfo(textOut).size() / 1e6, QFileInfo(peerText).size() / 1e6);
    };
    if (runner.row(QStringLiteral("text of 200 pages, layout (7)"), QStringLiteral("pdftotext -layout"), 1.2,
                   [&] { return text(e, in.book200, 7, textOut); },
                   [&] { return bench::runPeer(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), in.book200, peerText}) >= 0; })
            .ours.ok())
        textSizes();
    if (runner.row(QStringLiteral("text of 200 pages, raw (0)"), QStringLiteral("pdftotext -raw"), 1.2,
                   [&] { return text(e, in.book200, 0, textOut); },
                   [&] { return bench::runPeer(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), in.book200, peerText}) >= 0; })
            .ours.ok())
        textSizes();

    const QString merged = work + QStringLiteral("/merged.pdf"), peerMerged = work + QStringLiteral("/qpdf-merged.pdf");
    auto qpdfMerge = [&] {
        return bench::runPeer(QStringLiteral("qpdf"), QStringList{QStringLiteral("--empty"), QStringLiteral("--pages")}
                                                          << in.parts << QStringLiteral("--") << peerMerged) >= 0;
    };
    runner.row(QStringLiteral("merge 10 files of 20 pages, saved once"), QStringLiteral("qpdf --empty --pages"), 1.5,
               [&] { return mergeOnce(e, in.parts, merged); }, qpdfMerge);
    runner.row(QStringLiteral("merge 10 files, as the merger does (saved after each)"), QStringLiteral("qpdf --empty --pages"), 1.5,
               [&] { return mergeAsTool(e, in.parts, merged); }, qpdfMerge);

    runner.row(QStringLiteral("split 200 pages page by page"), QStringLiteral("qpdf --split-pages"), 1.5,
               [&] { return split(e, in.book200, ours) && fileCount(ours) == 200; },
               [&] {
                   return bench::runPeer(QStringLiteral("qpdf"), {QStringLiteral("--split-pages"), in.book200, peer + QStringLiteral("/book.pdf")}) >= 0
                          && fileCount(peer) == 200;
               });

    int found = 0, written = 0;
    runner.row(QStringLiteral("images out of 200 pages"), QStringLiteral("pdfimages -all"), 1.5,
               [&] { return extractImages(e, in.book200, ours, found); },
               [&] {
                   const bool ok = bench::runPeer(QStringLiteral("pdfimages"), {QStringLiteral("-all"), in.book200, peer + QStringLiteral("/image")}) >= 0;
                   written = fileCount(peer);
                   return ok;
               });
    if (runner.wants(QStringLiteral("images out"))) {
        std::printf("  images: ours %d, pdfimages %d\n", found, written);
        outputSizes();
    }
    QDir(work).removeRecursively();
    return 0;
}
