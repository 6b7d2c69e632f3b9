#include "shellsupport.h"

#include "pdffixtures.h"
#include "testsupport.h"

#include <QFile>
#include <QImage>
#include <QImageWriter>

#include <qpdf/QPDF.hh>

namespace shellsupport {

bool addBookmarks(const QString& path, const std::vector<std::pair<int, QString>>& items)
{
    const QString tmp = path + QStringLiteral(".tmp");
    try {
        QPDF pdf;
        pdf.processFile(QFile::encodeName(path).constData());
        fixtures::addOutlines(pdf, items);
        if (!fixtures::writePdf(pdf, tmp))
            return false;
    } catch (const std::exception&) {
        return false;
    }
    QFile::remove(path);
    return QFile::rename(tmp, path);
}

QStringList bookmarks(const QString& path)
{
    QStringList out;
    for (const QString& line : fixtures::outlineDestinations(path))
        out << line.section(QLatin1Char(':'), 0, 0);
    return out;
}

QStringList pageTexts(const QString& path, int pages)
{
    QStringList texts;
    for (int p = 1; p <= pages; ++p)
        texts << testsupport::pdfText(path, p).trimmed();
    return texts;
}

bool writeIcon(const QString& path, const QColor& colour, int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(colour);
    QImageWriter writer(path, "ico");
    return writer.write(image);
}

} // namespace shellsupport
