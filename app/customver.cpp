#include "customver.h"

#include "resourceinit.h"
#include "tooltable.h"

#include <QDebug>
#include <QFile>
#include <QIcon>
#include <QWidget>


namespace {

int adjustChannel(int value, float amount)
{
    const float sum = float(value) + amount;
    if (sum <= 0)
        return 0;
    if (sum >= 255)
        return 255;
    return int(sum);
}

} // namespace

QRgb customVer::adjustColor(QRgb colour, float amount)
{
    return qRgba(adjustChannel(qRed(colour), amount), adjustChannel(qGreen(colour), amount),
                 adjustChannel(qBlue(colour), amount), 255);
}

QString customVer::constructQSS_color(const QColor& colour)
{
    qDebug() << colour;
    return QStringLiteral("rgb(%1,%2,%3)").arg(colour.red()).arg(colour.green()).arg(colour.blue());
}

QString customVer::styleTemplate()
{
    initFolioResources();
    QFile file(QStringLiteral(":/qss/qss.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QByteArray bytes = file.readAll();
    const int nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return QString::fromUtf8(bytes);
}

QImage customVer::iconImage(const BrandingRecord& record)
{
    CustomFileNames names;
    names.directory = record.directory;
    const QString path = findIconFile(names);
    if (path.isEmpty())
        return QImage();
    return QIcon(path).pixmap(512, 512, QIcon::Normal, QIcon::On).toImage();
}

QRgb customVer::themeColor(const QImage& image)
{
    if (image.width() < 157 || image.height() < 2)
        return fallbackColor;
    return image.pixel(156, 1);
}

QString customVer::fillTemplate(QString text, QRgb theme, int shift)
{
    const QRgb c = shift ? adjustColor(theme, float(shift)) : theme;

    const struct
    {
        const char* placeholder;
        QRgb value;
    } replacements[] = {
        {"#QPushButton_border", adjustColor(c, 0)},
        {"#QPushButton_color", adjustColor(c, -120)},
        {"#QLabel", adjustColor(c, -120)},
        {"#QPushButton_background-color", qRgb(255, 255, 255)},
        {"#background-color", qRgb(240, 240, 240)},
        {"#QPushButton_hover_border", adjustColor(c, 30)},
        {"#QPushButton_hover_color", qRgb(255, 255, 255)},
        {"#QPushButton_hover", adjustColor(c, -30)},
        {"#QLine", adjustColor(c, -50)},
    };
    for (const auto& r : replacements)
        text.replace(QLatin1String(r.placeholder), constructQSS_color(QColor(r.value)));
    return text;
}

QImage customVer::applyTheme(QWidget* target, const BrandingRecord& record)
{
    const QString text = styleTemplate();
    const QImage image = iconImage(record);
    target->setStyleSheet(fillTemplate(text, themeColor(image), record.row ? record.row->themeShift : 0));
    return image;
}
