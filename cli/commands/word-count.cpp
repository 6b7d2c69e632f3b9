// word-count: the PDF word count, reported on stdout.

#include "command.h"
#include "pdf_wordcount.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QTextStream>

namespace {

using Tally = PDF_WordCount::Tally;

QJsonObject json(const Tally& t)
{
    return QJsonObject{{"words", t.words},         {"characters", t.characters}, {"phrases", t.phrases},
                       {"files", t.files},         {"bytes", t.bytes},           {"megabytes", t.megabytes().toDouble()},
                       {"pages", t.pages},         {"images", t.images},         {"bookmarks", t.bookmarks}};
}

// One wc-like row: the figures right-aligned in columns, then the name.
QString row(const Tally& t, const QString& name)
{
    QString line;
    for (qint64 figure : {t.words, t.characters, t.phrases, t.pages, t.images, t.bookmarks, t.bytes})
        line += QString::number(figure).rightJustified(9) + QLatin1Char(' ');
    return line + name;
}

void print(FeatureBase& base, const QMap<QString, QString>& given, QTextStream& out)
{
    auto& page = static_cast<PDF_WordCount&>(base);
    if (given.contains(QStringLiteral("json"))) {
        QJsonObject report{{"total", json(page.total())}};
        if (given.contains(QStringLiteral("per-file"))) {
            QJsonArray files;
            for (const PDF_WordCount::FileTally& f : page.perFile()) {
                QJsonObject o = json(f.tally);
                o.remove(QStringLiteral("files"));
                o.insert(QStringLiteral("file"), f.path);
                files.append(o);
            }
            report.insert(QStringLiteral("files"), files);
        }
        out << QJsonDocument(report).toJson(QJsonDocument::Indented);
        return;
    }
    if (given.contains(QStringLiteral("per-file"))) {
        for (const PDF_WordCount::FileTally& f : page.perFile())
            out << row(f.tally, f.path) << '\n';
        out << row(page.total(), QStringLiteral("total")) << '\n';
        return;
    }
    // The page's table as it shows it, in the form's order.
    const char* const rows[][2] = {{"label_5", "label_Words"},      {"label_6", "label_Characters"},
                                   {"label_7", "label_Phrases"},    {"label_8", "label_Files"},
                                   {"label_9", "label_fileSize"},   {"label_10", "label_pages"},
                                   {"label_11", "label_img"},       {"label_12", "label_bookmarks"}};
    for (const auto& [caption, value] : rows)
        out << page.findChild<QLabel*>(QLatin1String(caption))->text() << '\t'
            << page.findChild<QLabel*>(QLatin1String(value))->text() << '\n';
}

const cli::Registration wordCount([] {
    cli::Command c;
    c.name = QStringLiteral("word-count");
    c.tool = Tool::WordCount;
    c.summary = QStringLiteral("Count the words, pages, images and bookmarks of PDFs");
    c.details = QStringLiteral(
        "All inputs together, printed as the tool's table, one \"Caption:<TAB>value\" line\n"
        "each. Words are runs of characters other than white space in the text as\n"
        "pdftotext -raw gives it (the count of pdftotext -raw | wc -w), characters are\n"
        "its characters (line breaks included), phrases the parts between full stops\n"
        "that hold a word. An input that does not open is named on stderr and counted\n"
        "nowhere.");
    c.output = cli::Output::None;
    c.options = {
        cli::Option::printing(QStringLiteral("per-file"),
                 QStringLiteral("one line per input and a total line, as wc prints them: words, characters, "
                                "phrases, pages, images, bookmarks, bytes, file")),
        cli::Option::printing(QStringLiteral("json"),
                 QStringLiteral("the totals as JSON (with --per-file, each input's figures too)")),
    };
    c.print = print;
    c.examples = QStringList{QStringLiteral("folioforge-cli word-count thesis.pdf"),
                             QStringLiteral("folioforge-cli word-count --per-file chapters/*.pdf"),
                             QStringLiteral("folioforge-cli word-count --json --per-file *.pdf")};
    return c;
}());

} // namespace
