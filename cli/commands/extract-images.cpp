// extract-images: the PDF image extractor.

#include "command.h"

namespace {

const cli::Registration extractImages([] {
    cli::Command c;
    c.name = QStringLiteral("extract-images");
    c.tool = Tool::ImageExtractor;
    c.summary = QStringLiteral("Save every image of PDFs as PNG or JPEG files");
    c.details = QStringLiteral(
        "Each image of each input once, into the folder given with -o, named after its\n"
        "input: report.pdf gives report_image_0.png, report_image_1.png ... Images stored\n"
        "as JPEG are written byte for byte with --format jpg; every other image is\n"
        "converted. A PDF without images is said on stderr and is no error.");
    c.output = cli::Output::Folder;
    c.options = {cli::Option::choice(QStringLiteral("format"), QStringLiteral("Format of the files (default png)"),
                                     {{QStringLiteral("png"), QStringLiteral("Save as PNG File")},
                                      {QStringLiteral("jpg"), QStringLiteral("Save as JPG File")}},
                                     QStringLiteral("comboBox"))};
    c.examples = QStringList{QStringLiteral("folioforge-cli extract-images -o images report.pdf"),
                             QStringLiteral("folioforge-cli extract-images --format jpg -o images *.pdf")};
    return c;
}());

} // namespace
