// The colour theme: colour arithmetic, the style-sheet template and its
// placeholders, the theme colour read from the icon, and the tools' icons.

#include "brandingrecord.h"
#include "customver.h"
#include "shellsupport.h"
#include "tooltable.h"

#include <QIcon>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestTheme : public QObject
{
    Q_OBJECT

private slots:
    void adjustColor()
    {
        const QRgb c = qRgb(30, 90, 200);
        QCOMPARE(customVer::adjustColor(c, 0), qRgb(30, 90, 200));
        QCOMPARE(customVer::adjustColor(c, -120), qRgb(0, 0, 80));
        QCOMPARE(customVer::adjustColor(c, 30), qRgb(60, 120, 230));
        QCOMPARE(customVer::adjustColor(c, 80), qRgb(110, 170, 255));
        // Truncated, not rounded; alpha always opaque.
        QCOMPARE(customVer::adjustColor(qRgba(254, 1, 128, 0), 0.99f), qRgb(254, 1, 128));
    }

    void fillingTheTemplate()
    {
        const QString filled = customVer::fillTemplate(customVer::styleTemplate(), qRgb(30, 90, 200));
        QVERIFY(!filled.contains(QRegularExpression(":\\s*#")));
        for (const char* rule : {"border: 2px solid rgb(30,90,200)", "color: rgb(0,0,80)", "background-color: rgb(0,60,170)",
                                 "border: 2px solid rgb(60,120,230)", "background-color: rgb(0,40,150)",
                                 "background-color: rgb(240,240,240)", "color: rgb(255,255,255)"})
            QVERIFY2(filled.contains(rule), rule);
        // The information changer starts every derived colour 20 lower.
        const QString changer = customVer::fillTemplate(customVer::styleTemplate(), qRgb(30, 90, 200), -20);
        QVERIFY(changer.contains("border: 2px solid rgb(10,70,180)") && !changer.contains("rgb(30,90,200)"));
        QCOMPARE(customVer::fillTemplate("#QLine", qRgb(5, 90, 200), -20), "rgb(0,20,130)");
        // A longer placeholder is replaced before a shorter one it contains.
        QCOMPARE(customVer::fillTemplate("a #QPushButton_hover_border b #QPushButton_hover c", qRgb(30, 90, 200)),
                 "a rgb(60,120,230) b rgb(0,60,170) c");
    }

    void themeColourFromTheIcon()
    {
        QTemporaryDir dir, empty;
        QVERIFY(writeIcon(dir.filePath("x.ico"), QColor(30, 90, 200)));
        BrandingRecord record;
        record.directory = dir.path();
        const QImage image = customVer::iconImage(record);
        QCOMPARE(customVer::themeColor(image), qRgb(30, 90, 200));
        QWidget target;
        QCOMPARE(customVer::applyTheme(&target, record).size(), image.size());
        QVERIFY(target.styleSheet().contains("border: 2px solid rgb(30,90,200)"));

        // No icon, or one too small to have the pixel: the fallback colour.
        record.directory = empty.path();
        QVERIFY(customVer::iconImage(record).isNull());
        QCOMPARE(customVer::themeColor(QImage()), customVer::fallbackColor);
        QImage tiny(100, 100, QImage::Format_ARGB32);
        tiny.fill(Qt::red);
        QCOMPARE(customVer::themeColor(tiny), customVer::fallbackColor);
        customVer::applyTheme(&target, record);
        QVERIFY(target.styleSheet().contains("border: 2px solid rgb(30,90,200)"));
    }

    void everyToolHasItsOwnIconColour()
    {
        const QDir icons(FOLIO_SOURCE_DIR "/resources/ico");
        QSet<QRgb> colours;
        for (const ToolRow& row : toolTable()) {
            const QString file = row.iconFileName();
            const QImage image = QIcon(icons.filePath(file)).pixmap(512, 512, QIcon::Normal, QIcon::On).toImage();
            QVERIFY2(icons.exists(file) && image.width() >= 157, qPrintable(file));
            const QRgb c = image.pixel(156, 1);
            // Opaque, and dark enough for white labels to read on it.
            QVERIFY2(qAlpha(c) == 255 && qGray(c) < 170, qPrintable(file));
            colours.insert(c);
        }
        QCOMPARE(colours.size(), toolTable().size());
    }
};

QTEST_MAIN(TestTheme)
#include "tst_theme.moc"
