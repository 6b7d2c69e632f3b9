#include "pixels.h"

#include "testsupport.h"

#include <QTemporaryDir>

#include <algorithm>
#include <numeric>

namespace testsupport {

QImage renderPage(const QString& pdf, int page, double dpi, const QStringList& extraArgs)
{
    QTemporaryDir dir;
    const QString base = dir.filePath("page");
    const QStringList args = extraArgs + QStringList{"-png", "-cropbox", "-r", QString::number(dpi), "-f", QString::number(page),
                                                     "-l", QString::number(page), "-singlefile", pdf, base};
    if (run("pdftoppm", args) != 0)
        return QImage();
    return QImage(base + ".png").convertToFormat(QImage::Format_RGB32);
}

bool isDark(QRgb p)
{
    return qRed(p) < 128 && qGreen(p) < 128 && qBlue(p) < 128;
}

bool isInk(QRgb p)
{
    return qGray(p) < 200;
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

bool near(QRgb pixel, QColor expected, int tolerance)
{
    return std::abs(qRed(pixel) - expected.red()) <= tolerance && std::abs(qGreen(pixel) - expected.green()) <= tolerance
        && std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

// Calls visit(x, y, pixel) for every pixel of the area.
template <class F>
static void scan(const QImage& image, const QRect& area, F visit)
{
    const QRect r = area.isNull() ? image.rect() : area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = r.left(); x <= r.right(); ++x)
            visit(x, y, line[x]);
    }
}

QRect inkBounds(const QImage& image, const std::function<bool(QRgb)>& match, const QRect& area)
{
    QRect bounds;
    scan(image, area, [&](int x, int y, QRgb p) {
        if (match(p))
            bounds |= QRect(x, y, 1, 1);
    });
    return bounds;
}

int countPixels(const QImage& image, const std::function<bool(QRgb)>& match, const QRect& area)
{
    int n = 0;
    scan(image, area, [&](int, int, QRgb p) { n += match(p) ? 1 : 0; });
    return n;
}

// Per pixel, the largest difference of a channel.
static QList<int> differences(const QImage& a, const QImage& b)
{
    QList<int> out;
    if (a.size() != b.size())
        return out;
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    scan(a.convertToFormat(QImage::Format_RGB32), QRect(), [&](int col, int row, QRgb p) {
        const QRgb q = y.pixel(col, row);
        out << std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
    });
    return out;
}

int maxChannelDifference(const QImage& a, const QImage& b)
{
    const QList<int> d = differences(a, b);
    return a.size() != b.size() ? -1 : d.isEmpty() ? 0 : *std::max_element(d.begin(), d.end());
}

double meanChannelDifference(const QImage& a, const QImage& b)
{
    const QList<int> d = differences(a, b);
    return a.size() != b.size() ? -1 : d.isEmpty() ? 0 : std::accumulate(d.begin(), d.end(), 0.0) / d.size();
}

} // namespace testsupport
