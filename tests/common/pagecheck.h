#pragma once

// Helpers of the drawing tests: blank inputs made with QPDF, and what an
// independent reader sees of a drawn page (pdftoppm pixels, pdffonts rows).

#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSizeF>
#include <QString>

#include <functional>

namespace pagecheck {

// A PDF of blank pages of the given size (points), each with the rotation.
bool writeBlankPdf(const QString& path, int pages, const QSizeF& size = QSizeF(612, 792), int rotate = 0);

// The page rendered by pdftoppm (1-based page); null image on failure.
QImage renderPage(const QString& pdf, int page, int dpi);

// Bounding box of the pixels that match (inside area when given); empty when none.
QRect inkBounds(const QImage& image, const std::function<bool(QRgb)>& match, const QRect& area = QRect());
QRect darkBounds(const QImage& image, const QRect& area = QRect());
int countPixels(const QImage& image, const std::function<bool(QRgb)>& match, const QRect& area = QRect());
bool isDark(QRgb p);
// Anything visibly darker than the white page, antialiased edges included.
bool isInk(QRgb p);
// A saturated colour close to the given hue's primary (r, g or b dominant).
bool isReddish(QRgb p);
bool isGreenish(QRgb p);
bool isBluish(QRgb p);

struct FontRow {
    QString name;
    QString type;
    QString encoding;
    bool embedded = false;
    bool subset = false;
    bool unicode = false;
};
// pdffonts' table; empty on failure.
QList<FontRow> pdfFonts(const QString& pdf);

// Text with every run of white space made one blank, trimmed.
QString squeezed(const QString& text);
// Text without any white space.
QString solid(const QString& text);

} // namespace pagecheck
