#include "pagecheck.h"

#include "testsupport.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace pagecheck {

bool writeBlankPdf(const QString& path, int pages, const QSizeF& size, int rotate)
{
    try {
        QPDF pdf;
        pdf.emptyPDF();
        QPDFPageDocumentHelper helper(pdf);
        for (int i = 0; i < pages; ++i) {
            QPDFObjectHandle page = QPDFObjectHandle::newDictionary();
            page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
            page.replaceKey("/MediaBox", QPDFObjectHandle::newArray(QPDFObjectHandle::Rectangle(0, 0, size.width(), size.height())));
            page.replaceKey("/Resources", QPDFObjectHandle::newDictionary());
            page.replaceKey("/Contents", pdf.newStream(""));
            if (rotate)
                page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(rotate));
            helper.addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
        }
        const QByteArray file = QFile::encodeName(path);  // the writer keeps the pointer
        QPDFWriter writer(pdf, file.constData());
        writer.write();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

QImage renderPage(const QString& pdf, int page, int dpi)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("page"));
    const int rc = testsupport::run(QStringLiteral("pdftoppm"),
                                    {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi),
                                     QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                     QString::number(page), QStringLiteral("-singlefile"), pdf, base});
    if (rc != 0)
        return QImage();
    return QImage(base + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

QRect inkBounds(const QImage& image, const std::function<bool(QRgb)>& match, const QRect& area)
{
    const QRect r = area.isNull() ? image.rect() : area.intersected(image.rect());
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) {
            if (!match(line[x]))
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0)
        return QRect();
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

int countPixels(const QImage& image, const std::function<bool(QRgb)>& match, const QRect& area)
{
    const QRect r = area.isNull() ? image.rect() : area.intersected(image.rect());
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = r.left(); x <= r.right(); ++x)
            n += match(line[x]) ? 1 : 0;
    }
    return n;
}

bool isDark(QRgb p)
{
    return qRed(p) < 128 && qGreen(p) < 128 && qBlue(p) < 128;
}

bool isInk(QRgb p)
{
    return qGray(p) < 200;
}

QRect darkBounds(const QImage& image, const QRect& area)
{
    return inkBounds(image, isDark, area);
}

bool isReddish(QRgb p)
{
    return qRed(p) > 150 && qGreen(p) < 100 && qBlue(p) < 100;
}

bool isGreenish(QRgb p)
{
    return qGreen(p) > 150 && qRed(p) < 100 && qBlue(p) < 100;
}

bool isBluish(QRgb p)
{
    return qBlue(p) > 150 && qRed(p) < 100 && qGreen(p) < 100;
}

QList<FontRow> pdfFonts(const QString& pdf)
{
    QList<FontRow> rows;
    QString out;
    if (testsupport::run(QStringLiteral("pdffonts"), {pdf}, &out) != 0)
        return rows;
    const QStringList lines = out.split(QLatin1Char('\n'));
    if (lines.size() < 2)
        return rows;
    // Columns are as wide as the dashes of the second line.
    QList<QPair<int, int>> columns;
    const QString dashes = lines[1];
    for (int i = 0; i < dashes.size();) {
        if (dashes[i] != QLatin1Char('-')) {
            ++i;
            continue;
        }
        const int start = i;
        while (i < dashes.size() && dashes[i] == QLatin1Char('-'))
            ++i;
        columns.append({start, i - start});
    }
    if (columns.size() < 6)
        return rows;
    for (int l = 2; l < lines.size(); ++l) {
        const QString& line = lines[l];
        if (line.trimmed().isEmpty())
            continue;
        auto field = [&](int c) { return line.mid(columns[c].first, columns[c].second).trimmed(); };
        FontRow row;
        row.name = field(0);
        row.type = field(1);
        row.encoding = field(2);
        row.embedded = field(3) == QLatin1String("yes");
        row.subset = field(4) == QLatin1String("yes");
        row.unicode = field(5) == QLatin1String("yes");
        rows.append(row);
    }
    return rows;
}

QString squeezed(const QString& text)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return QString(text).replace(space, QStringLiteral(" ")).trimmed();
}

QString solid(const QString& text)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return QString(text).remove(space);
}

} // namespace pagecheck
