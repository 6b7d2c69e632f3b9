#pragma once

#include "brandingrecord.h"

#include <QColor>
#include <QImage>
#include <QRgb>
#include <QString>

class QWidget;

// The colour theme: one colour, read from the icon beside the program, fills
// the style-sheet template ":/qss/qss.txt".
class customVer
{
public:
    // Each of red, green and blue plus amount, clamped to 0 ... 255 and
    // truncated; alpha 255.
    static QRgb adjustColor(QRgb colour, float amount);
    // "rgb(r,g,b)"; also written to the debug log.
    static QString constructQSS_color(const QColor& colour);
    // Fills the template, sets it as target's style sheet and returns the
    // icon rendered at 512 x 512 (empty without an icon).
    static QImage applyTheme(QWidget* target, const BrandingRecord& record);

    // The icon of the record's directory rendered at 512 x 512.
    static QImage iconImage(const BrandingRecord& record);
    // The theme colour of such an image: its pixel at (156, 1), or the
    // fallback when the image is too small to have that pixel.
    static QRgb themeColor(const QImage& image);
    // The template with every placeholder replaced, as applyTheme does; the
    // tool's shift is added to each channel of the theme colour first.
    static QString fillTemplate(QString text, QRgb themeColor, int shift = 0);
    // The template resource as text.
    static QString styleTemplate();

    static constexpr QRgb fallbackColor = 0xff1e5ac8; // (30, 90, 200)
};
