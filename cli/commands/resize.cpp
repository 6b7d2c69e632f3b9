// resize: the PDF page resizer.

#include "command.h"
#include "controls.h"

#include <QRegularExpression>

namespace {

const cli::Registration resize([] {
    cli::Command c;
    c.name = QStringLiteral("resize");
    c.tool = Tool::PageResizer;
    c.summary = QStringLiteral("Give every page of PDFs a new paper size");
    c.details = QStringLiteral(
        "Each page is drawn, centred, on a new page of the size chosen: fitted to it, or\n"
        "at a fixed share of its own size. The drawn pages keep their text and drawings\n"
        "as they are (text can still be searched and copied), but the pages' links and\n"
        "form fields do not survive resizing, nor do the bookmarks' places on the page.\n"
        "Default: Letter, portrait, fitted.");
    c.output = cli::Output::Folder;

    cli::Option paper = cli::Option::value(QStringLiteral("paper"), QStringLiteral("NAME"),
                                           QStringLiteral("Standard Paper Size: A0-A7, B0-B5, B5Extra, Executive, "
                                                          "Ledger, Legal, Letter, Postcard or Statement (default Letter)"),
                                           QStringLiteral("comboBox"));
    cli::Option orientation = cli::Option::choice(
        QStringLiteral("orientation"), QStringLiteral("of the standard paper (default portrait)"),
        {{QStringLiteral("portrait"), QStringLiteral("Portrait")}, {QStringLiteral("landscape"), QStringLiteral("Landscape")}},
        QStringLiteral("comboBox_3"));
    orientation.valueName = QStringLiteral("portrait|landscape");

    cli::Option custom;
    custom.name = QStringLiteral("size");
    custom.valueName = QStringLiteral("WxH");
    custom.description = QStringLiteral("Custom Size: width and height in millimetres, each at least 1, such as "
                                        "210x297 (instead of --paper and --orientation)");
    custom.apply = [](cli::OptionContext& context, const QString& value) {
        static const QRegularExpression size(QStringLiteral("^\\s*([0-9.]+)\\s*[xX]\\s*([0-9.]+)\\s*$"));
        const QRegularExpressionMatch m = size.match(value);
        if (!m.hasMatch())
            return QStringLiteral("must be WIDTHxHEIGHT in millimetres, such as 210x297");
        if (QString wrong = cli::setOption(cli::Option::toggle(QString(), QString(), QStringLiteral("radioButton_2")),
                                           context, QString());
            !wrong.isEmpty())
            return wrong;
        for (const auto& [text, entry] : {qMakePair(m.captured(1), QStringLiteral("lineEdit_2")),
                                          qMakePair(m.captured(2), QStringLiteral("lineEdit_3"))}) {
            const cli::Option field = cli::Option::value(QString(), QStringLiteral("MM"), QString(), entry);
            if (!cli::setOption(field, context, text).isEmpty())
                return QStringLiteral("width and height must be millimetres from 1 to 5080");
        }
        return QString();
    };

    QMap<QString, QString> scales{{QStringLiteral("auto"), QStringLiteral("Auto Scaling")},
                                  {QStringLiteral("none"), QStringLiteral("No Scaling")}};
    for (int percent = 10; percent <= 90; percent += 10)
        scales.insert(QStringLiteral("%1%").arg(percent), QStringLiteral("%1%").arg(percent));
    cli::Option scale = cli::Option::choice(
        QStringLiteral("scale"),
        QStringLiteral("auto fits each page to the new one, none keeps its size, 10% to 90% (in steps of 10) "
                       "draws it at that share of its size; centred in each case (default auto)"),
        scales, QStringLiteral("comboBox_2"));
    scale.valueName = QStringLiteral("auto|none|10%..90%");

    c.options = {paper, orientation, custom, scale};
    c.examples = QStringList{QStringLiteral("folioforge-cli resize --paper A4 -o a4 letter.pdf"),
                             QStringLiteral("folioforge-cli resize --size 100x150 --scale none -o cards deck.pdf")};
    return c;
}());

} // namespace
