// rotate-crop: the PDF rotate and crop tool.

#include "command.h"

namespace {

cli::Option margin(const QString& side, const QString& edge)
{
    return cli::Option::tickAndType(
        side.toLower(), QStringLiteral("PT"),
        QStringLiteral("Change %1 Margin: the crop box's %2 edge this many points (1/72 inch) from the page's "
                       "%2 edge, on the page as shown after turning")
            .arg(side, edge),
        QStringLiteral("checkBox_") + side.toLower(), QStringLiteral("lineEdit_") + side.toLower());
}

const cli::Registration rotateCrop([] {
    cli::Command c;
    c.name = QStringLiteral("rotate-crop");
    c.tool = Tool::RotateAndCrop;
    c.summary = QStringLiteral("Turn the pages of PDFs and set their crop box");
    c.details = QStringLiteral(
        "Every page of each input is turned by the angle given, which is added to the turn\n"
        "it has (as qpdf --rotate=+ANGLE does), and then cropped: each margin given\n"
        "replaces that edge of the page's crop box; the edges not given stay where they\n"
        "are. An input whose margins would leave nothing of a page is not written.\n"
        "Protected inputs stay protected with the same password.");
    c.output = cli::Output::Folder;
    cli::Option rotate = cli::Option::choice(
        QStringLiteral("rotate"), QStringLiteral("Rotation: degrees clockwise, added to each page's own turn (default 0)"),
        {{QStringLiteral("0"), QStringLiteral("0 Degrees")},
         {QStringLiteral("90"), QStringLiteral("90 Degrees")},
         {QStringLiteral("180"), QStringLiteral("180 Degrees")},
         {QStringLiteral("270"), QStringLiteral("270 Degrees")},
         {QStringLiteral("-90"), QStringLiteral("270 Degrees")}},
        QStringLiteral("comboBox"));
    rotate.valueName = QStringLiteral("0|90|180|270|-90");
    c.options = {rotate, margin(QStringLiteral("Left"), QStringLiteral("left")),
                 margin(QStringLiteral("Top"), QStringLiteral("top")), margin(QStringLiteral("Right"), QStringLiteral("right")),
                 margin(QStringLiteral("Bottom"), QStringLiteral("bottom"))};
    c.examples = QStringList{QStringLiteral("folioforge-cli rotate-crop --rotate 90 -o turned scan1.pdf scan2.pdf"),
                             QStringLiteral("folioforge-cli rotate-crop --left 36 --right 36 -o trimmed book.pdf")};
    return c;
}());

} // namespace
