// watermark: the PDF watermark.

#include "command.h"

namespace {

const cli::Registration watermark([] {
    cli::Command c;
    c.name = QStringLiteral("watermark");
    c.tool = Tool::Watermark;
    c.summary = QStringLiteral("Stamp a text or a picture on every page of each PDF");
    c.details = QStringLiteral(
        "Each input is written to the folder under its own name, its pages marked at the\n"
        "position chosen on the page as a viewer shows it (turned, cropped). A text is\n"
        "painted at 300 dpi; a picture is placed at 96 pixels an inch times --scale.\n"
        "An empty text, or a picture that does not read, is a usage error: nothing is\n"
        "written.");
    c.output = cli::Output::Folder;
    using cli::Option;
    c.options = {
        Option::tickAndType(QStringLiteral("text"), QStringLiteral("TEXT"),
                            QStringLiteral("Text Watermark: the text to stamp (the default kind)"),
                            QStringLiteral("radioButton"), QStringLiteral("lineEdit")),
        Option::value(QStringLiteral("font"), QStringLiteral("FAMILY"),
                      QStringLiteral("the text's font family (default: the system's usual one)"),
                      QStringLiteral("fontComboBox")),
        Option::value(QStringLiteral("size"), QStringLiteral("1-200"),
                      QStringLiteral("the text's size in points (default 30)"), QStringLiteral("horizontalSlider_2")),
        Option::colour(QStringLiteral("color"), QStringLiteral("the text's colour: #rrggbb or a name such as darkred "
                                                               "(default black)"),
                       QStringLiteral("pushButton_11")),
        Option::tickAndType(QStringLiteral("image"), QStringLiteral("FILE"),
                            QStringLiteral("Image Watermark: the picture to stamp (PNG, JPEG, BMP, GIF, TIFF)"),
                            QStringLiteral("radioButton_2"), QStringLiteral("lineEdit_3")),
        Option::value(QStringLiteral("scale"), QStringLiteral("50-200"),
                      QStringLiteral("the picture's size in percent of 96 pixels an inch (default 100)"),
                      QStringLiteral("horizontalSlider")),
        Option::choice(QStringLiteral("position"), QStringLiteral("where the mark goes (default center)"),
                       {{QStringLiteral("top-left"), QStringLiteral("pushButton_2")},
                        {QStringLiteral("top"), QStringLiteral("pushButton_3")},
                        {QStringLiteral("top-right"), QStringLiteral("pushButton_4")},
                        {QStringLiteral("left"), QStringLiteral("pushButton_5")},
                        {QStringLiteral("center"), QStringLiteral("pushButton_7")},
                        {QStringLiteral("right"), QStringLiteral("pushButton_9")},
                        {QStringLiteral("bottom-left"), QStringLiteral("pushButton_6")},
                        {QStringLiteral("bottom"), QStringLiteral("pushButton_8")},
                        {QStringLiteral("bottom-right"), QStringLiteral("pushButton_10")}}),
    };
    c.exclusive = {{QStringLiteral("text"), QStringLiteral("image")}};
    c.examples = QStringList{
        QStringLiteral("folioforge-cli watermark -o marked --text DRAFT --size 72 --color '#c00000' *.pdf"),
        QStringLiteral("folioforge-cli watermark -o marked --image logo.png --scale 50 --position bottom-right report.pdf")};
    return c;
}());

} // namespace
