// A long plain text laid out box after box, a page each, the way the text to
// PDF tool continues a text (opening tag + remainder), side by side with Qt's
// own text layout printing the same text to PDF (QTextDocument on
// QPdfWriter). Prints pages, sizes, times and the ratio (engine / Qt).
//
//   bench_textboxes [kilobytes of text, default 1000]

#include "benchsupport.h"
#include "pdfengine.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextDocument>

#include <cstdio>

namespace {

QString makeText(int kilobytes)
{
    const QStringList words = QStringLiteral(
        "the quick brown fox jumps over a lazy dog while five boxing wizards jump quickly and pack my box "
        "with some dozen liquor jugs because sphinx of black quartz judge my vow Grüße café naïve 123")
                                  .split(QLatin1Char(' '));
    QString text;
    int w = 0;
    while (text.size() < kilobytes * 1024) {
        for (int i = 0; i < 12; ++i)
            text += words[(w++ * 7) % words.size()] + QLatin1Char(i == 11 ? '\n' : ' ');
        if (w % 97 == 0)
            text += QLatin1Char('\n');
    }
    return text;
}

bool blankPages(const QString& path, int pages)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    QPainter painter(&writer);
    for (int i = 1; i < pages; ++i)
        writer.newPage();
    return painter.end();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int kilobytes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000;
    QTemporaryDir dir;
    const QString text = makeText(kilobytes);
    const int blankCount = kilobytes / 2 + 20;  // a page holds about 3.5 KB of this text
    const QString blank = dir.filePath(QStringLiteral("blank.pdf"));
    if (!blankPages(blank, blankCount))
        return 1;

    PdfEngine engine(QStringLiteral("FolioPdfEngine"));
    if (!engine.LibraryLoaded())
        return 1;
    QElapsedTimer t;
    t.start();
    engine.LoadFromFile(blank, QString());
    engine.SetMeasurementUnits(1);
    engine.SetOrigin(1);
    const int font = engine.AddTrueTypeFont(QStringLiteral("DejaVu Sans"), 0);
    engine.SetHTMLNormalFont(QStringLiteral("Default"), font);
    QString body = text;
    body.replace(QLatin1Char('&'), QLatin1String("&amp;")).replace(QLatin1Char('<'), QLatin1String("&lt;"));
    body.replace(QLatin1Char('\n'), QLatin1String("<BR>"));
    const QString open = QStringLiteral("<font size=\"10pt\" color=\"#000000\">");
    int page = 1;
    engine.SelectPage(page);
    const double margin = 20;
    QString remaining = engine.DrawHTMLTextBox(margin, margin, engine.PageWidth() - 2 * margin,
                                               engine.PageHeight() - 2 * margin, open + body + QStringLiteral("</font>"));
    const double firstMs = t.nsecsElapsed() / 1e6;
    while (!remaining.isEmpty() && page < blankCount) {
        engine.SelectPage(++page);
        remaining = engine.DrawHTMLTextBox(margin, margin, engine.PageWidth() - 2 * margin,
                                           engine.PageHeight() - 2 * margin, open + remaining);
    }
    const double layoutMs = t.nsecsElapsed() / 1e6;
    const QString ours = dir.filePath(QStringLiteral("engine.pdf"));
    engine.SaveToFile(ours);
    const double engineMs = t.nsecsElapsed() / 1e6;

    t.restart();
    QPdfWriter writer(dir.filePath(QStringLiteral("qt.pdf")));
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
    QTextDocument doc;
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(10);
    doc.setDefaultFont(f);
    doc.setPlainText(text);
    doc.print(&writer);
    const double qtMs = t.nsecsElapsed() / 1e6;

    // Qt's layout spaces lines differently: sizes are compared per page of text.
    QProcess npages;
    npages.start(QStringLiteral("qpdf"), {QStringLiteral("--show-npages"), dir.filePath(QStringLiteral("qt.pdf"))});
    npages.waitForFinished();
    const int qtPages = std::max(1, npages.readAllStandardOutput().trimmed().toInt());
    const double qtBytes = QFileInfo(dir.filePath(QStringLiteral("qt.pdf"))).size();
    // The engine's document also holds the blank pages that were not needed (about 200 bytes each).
    const double ourBytes = QFileInfo(ours).size() - 200.0 * (blankCount - page);

    std::printf("text: %d KB, %d lines\n", kilobytes, text.count(QLatin1Char('\n')));
    std::printf("engine: %d pages%s, first box %.1f ms, layout %.0f ms, total with save %.0f ms, %.0f bytes per page\n",
                page, remaining.isEmpty() ? "" : " (text left over!)", firstMs, layoutMs, engineMs, ourBytes / page);
    std::printf("Qt QTextDocument::print: %d pages, %.0f ms, %.0f bytes per page\n", qtPages, qtMs, qtBytes / qtPages);
    bench::printRatio(QStringLiteral("text boxes, %1 KB of text, time vs Qt's QTextDocument").arg(kilobytes), engineMs / qtMs, 0);
    bench::printRatio(QStringLiteral("text boxes, bytes per page vs Qt's QTextDocument"), (ourBytes / page) / (qtBytes / qtPages), 0);
    return remaining.isEmpty() ? 0 : 2;
}
