// to-images: PDF to images.

#include "command.h"

namespace {

const cli::Registration toImages([] {
    cli::Command c;
    c.name = QStringLiteral("to-images");
    c.tool = Tool::PdfToImages;
    c.summary = QStringLiteral("Render the pages of a PDF as image files, or into one TIFF");
    c.details = QStringLiteral(
        "One file per page in the folder given with -o, named after the input:\n"
        "report.pdf gives \"report Page 1.jpeg\", \"report Page 2.jpeg\" ... With\n"
        "--format tiff every page goes into one TIFF file, and -o names that file\n"
        "(\".tiff\" is added to a name without an extension).");
    c.output = cli::Output::Folder;
    cli::Option format = cli::Option::choice(
        QStringLiteral("format"), QStringLiteral("Format of the images (default jpeg)"),
        {{QStringLiteral("jpeg"), QStringLiteral("JPEG")},
         {QStringLiteral("bmp"), QStringLiteral("BMP")},
         {QStringLiteral("png"), QStringLiteral("PNG")},
         {QStringLiteral("tiff"), QStringLiteral("TIFF")}},
        QStringLiteral("comboBox"));
    format.outputFor = {{QStringLiteral("tiff"), cli::Output::File}};
    c.options = {
        format,
        cli::Option::value(QStringLiteral("dpi"), QStringLiteral("72|96|150|300|400|600"),
                           QStringLiteral("Output DPI: pixels per inch of the page (default 300)"),
                           QStringLiteral("comboBox_2")),
        cli::Option::value(QStringLiteral("quality"), QStringLiteral("1-100"),
                           QStringLiteral("JPEG Quality (default 80)"), QStringLiteral("horizontalSlider")),
    };
    c.examples = QStringList{QStringLiteral("folioforge-cli to-images -o pages report.pdf"),
                             QStringLiteral("folioforge-cli to-images --format png --dpi 150 -o pages report.pdf"),
                             QStringLiteral("folioforge-cli to-images --format tiff -o report.tiff report.pdf")};
    return c;
}());

} // namespace
