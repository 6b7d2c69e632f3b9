// images-to-pdf: images to PDF.

#include "command.h"

namespace {

const cli::Registration imagesToPdf([] {
    cli::Command c;
    c.name = QStringLiteral("images-to-pdf");
    c.tool = Tool::ImagesToPdf;
    c.summary = QStringLiteral("Make one PDF of images, a page per image");
    c.details = QStringLiteral(
        "Each page is as large as its image at the resolution the image records (72\n"
        "pixels an inch when it records none). JPEG images keep their own bytes; an alpha\n"
        "channel is kept. An image that does not read is left out and named on stderr.\n"
        "The output may not be one of the images.");
    c.output = cli::Output::File;
    c.minimumInputs = 1;
    c.options = {cli::Option::toggle(
        QStringLiteral("bookmarks"),
        QStringLiteral("Use File Name As Bookmarks: one bookmark per page, titled with its image's file name"),
        QStringLiteral("radioButton_2"))};
    c.examples = QStringList{QStringLiteral("folioforge-cli images-to-pdf -o album.pdf *.jpg"),
                             QStringLiteral("folioforge-cli images-to-pdf --bookmarks -o scans.pdf scan1.png scan2.png")};
    return c;
}());

} // namespace
