// compress: the PDF compressor.

#include "command.h"
#include "pdf_compressor.h"

#include <QTextStream>

namespace {

const cli::Registration compress([] {
    cli::Command c;
    c.name = QStringLiteral("compress");
    c.tool = Tool::Compressor;
    c.summary = QStringLiteral("Rewrite PDFs with smaller fonts, images and page content");
    c.details = QStringLiteral(
        "Each input gives one output of the same name in the folder. A protected input\n"
        "stays protected with the same password. An output is never larger than its\n"
        "input: when compressing gains nothing, the input's own bytes are written.\n"
        "Each output is printed with its size before and after, then the total saved.");
    c.output = cli::Output::Folder;
    c.options = {
        cli::Option::choice(QStringLiteral("fonts"),
                            QStringLiteral("Font Compression: none, lossless (the default) or lossy, which puts standard "
                                           "fonts in place of embedded ones of the same design"),
                            {{QStringLiteral("none"), QStringLiteral("No Compression")},
                             {QStringLiteral("lossless"), QStringLiteral("Lossless Standard Compression")},
                             {QStringLiteral("lossy"), QStringLiteral("Maximum Compression(Lossy)")}},
                            QStringLiteral("comboBox")),
        cli::Option::choice(QStringLiteral("images"), QStringLiteral("Image Compression: none, or flate (the default)"),
                            {{QStringLiteral("none"), QStringLiteral("No Compression")},
                             {QStringLiteral("flate"), QStringLiteral("Lossless Flate Compression")}},
                            QStringLiteral("comboBox_2")),
        cli::Option::pressing(QStringLiteral("no-content"),
                              QStringLiteral("clears Enable Content Compression: page content stays as it is"),
                              QStringLiteral("checkBox")),
        cli::Option::printing(QStringLiteral("quiet"), QStringLiteral("print only the outputs written, without their sizes")),
    };
    c.printWritten = [](FeatureBase& page, const QMap<QString, QString>& given, const QStringList& written, QTextStream& out) {
        const bool sizes = !given.contains(QStringLiteral("quiet"));
        QList<PDF_Compressor::Result> shown;
        for (const PDF_Compressor::Result& r : static_cast<PDF_Compressor&>(page).results()) {
            if (!written.contains(r.output))
                continue;
            shown << r;
            out << r.output;
            if (sizes && r.gained())
                out << QStringLiteral(": %1 -> %2 bytes, %3% smaller").arg(r.before).arg(r.after).arg((r.before - r.after) * 100.0 / r.before, 0, 'f', 1);
            else if (sizes)
                out << QStringLiteral(": %1 bytes, nothing gained; written as it was").arg(r.before);
            out << '\n';
        }
        if (sizes && !shown.isEmpty())
            out << PDF_Compressor::totalSaved(shown) << '\n';
    };
    c.examples = QStringList{QStringLiteral("folioforge-cli compress -o smaller/ report.pdf scans/*.pdf"),
                             QStringLiteral("folioforge-cli compress --fonts lossy --quiet -o out --password pw locked.pdf")};
    return c;
}());

} // namespace
