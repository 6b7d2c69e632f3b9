// text-to-pdf: text files as one PDF.

#include "command.h"

namespace {

const cli::Registration textToPdf([] {
    cli::Command c;
    c.name = QStringLiteral("text-to-pdf");
    c.tool = Tool::TextToPdf;
    c.summary = QStringLiteral("Lay out text files, in the order given, as one PDF");
    c.details = QStringLiteral(
        "Each file begins on a new page and flows over as many as it needs. Files are read\n"
        "as UTF-8 (with or without a byte order mark), UTF-16 with its mark, or else\n"
        "Windows-1252, whatever the locale; the text prints as typed, markup included.\n"
        "Fonts are families this system has (fc-list : family lists them); colours are\n"
        "#rrggbb or a name such as darkblue. Every font is embedded.");
    c.output = cli::Output::File;
    c.options = {
        cli::Option::value(QStringLiteral("paper"), QStringLiteral("NAME"),
                           QStringLiteral("Paper Size: A0-A7, B0-B5, B5Extra, Letter, Legal, Ledger, Executive, "
                                          "Statement or Postcard (default Letter)"),
                           QStringLiteral("comboBox")),
        cli::Option::value(QStringLiteral("margin"), QStringLiteral("MM"),
                           QStringLiteral("Space left free at each edge of the paper, 0-30 mm (default 0)"),
                           QStringLiteral("spinBox_Margin")),
        cli::Option::choice(QStringLiteral("headline"),
                            QStringLiteral("Headline above each file's text: none (default), its file-name without "
                                           "the last suffix, or its first-line"),
                            {{QStringLiteral("none"), QStringLiteral("radioButton_standard_2")},
                             {QStringLiteral("file-name"), QStringLiteral("radioButton_glossy_2")},
                             {QStringLiteral("first-line"), QStringLiteral("radioButton_transparency_2")}}),
        cli::Option::value(QStringLiteral("font"), QStringLiteral("F"),
                           QStringLiteral("Font family of the text (default: the system's own)"),
                           QStringLiteral("fontComboBox_Content")),
        cli::Option::value(QStringLiteral("size"), QStringLiteral("N"),
                           QStringLiteral("Text size in points, 1-200 (default 10)"),
                           QStringLiteral("horizontalSlider_Content")),
        cli::Option::colour(QStringLiteral("color"), QStringLiteral("Colour of the text (default black)"),
                            QStringLiteral("pushButton_Content")),
        cli::Option::value(QStringLiteral("headline-font"), QStringLiteral("F"),
                           QStringLiteral("Font family of the headline, set in bold"),
                           QStringLiteral("fontComboBox_Headline")),
        cli::Option::value(QStringLiteral("headline-size"), QStringLiteral("N"),
                           QStringLiteral("Headline size in points, 1-200 (default 30)"),
                           QStringLiteral("horizontalSlider_Headline")),
        cli::Option::colour(QStringLiteral("headline-color"), QStringLiteral("Colour of the headline (default black)"),
                            QStringLiteral("pushButton_Headline")),
    };
    c.examples = QStringList{
        QStringLiteral("folioforge-cli text-to-pdf -o notes.pdf notes.txt todo.txt"),
        QStringLiteral("folioforge-cli text-to-pdf --paper A4 --margin 20 --headline file-name --font \"DejaVu Sans Mono\" "
                       "--size 9 -o licence.pdf /usr/share/common-licenses/GPL-3"),
    };
    return c;
}());

} // namespace
