#pragma once

// Pages rendered by pdftoppm, and what shows where on them.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>

namespace testsupport {

// The page as a viewer shows it (its CropBox, rotation applied), rendered by
// pdftoppm; 72 dpi gives one pixel a point. A null image on failure.
QImage renderPage(const QString& pdf, int page, double dpi = 72, const QStringList& extraArgs = {});

bool isDark(QRgb p);
// Anything visibly darker than the white page, antialiased edges included.
bool isInk(QRgb p);
// A saturated colour close to the primary (that channel dominant).
bool isReddish(QRgb p);
bool isGreenish(QRgb p);
bool isBluish(QRgb p);
// Close to the colour, per channel.
bool near(QRgb pixel, QColor expected, int tolerance = 40);

// Bounding box of the matching pixels (inside area when given); empty when none.
QRect inkBounds(const QImage& image, const std::function<bool(QRgb)>& match = isDark, const QRect& area = QRect());
int countPixels(const QImage& image, const std::function<bool(QRgb)>& match, const QRect& area = QRect());

// The largest and the mean difference of any colour channel between two
// images of the same size, -1 when their sizes differ.
int maxChannelDifference(const QImage& a, const QImage& b);
double meanChannelDifference(const QImage& a, const QImage& b);

} // namespace testsupport
