// The PDF watermark on real PDFs, checked with Poppler's tools: where the
// mark lands at each of the nine positions on plain, turned and cropped
// pages; the text's picture (its resolution, size, place and colour, stored
// once per file, a cancelled colour question changing nothing); settings that
// cannot make a mark; inputs that do not open; the live preview.

#include "folioconstants.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "pdfwatermark.h"
#include "pixels.h"
#include "questions.h"
#include "testsupport.h"
#include "toolsupport.h"

#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

// The position buttons in reading order.
const QStringList positionButtons = {"pushButton_2", "pushButton_3", "pushButton_4", "pushButton_5", "pushButton_7",
                                     "pushButton_9", "pushButton_6", "pushButton_8", "pushButton_10"};

// Pages as a viewer shows them (CropBox, turned): plain, turned a quarter,
// and cropped and turned three quarters.
const QList<QSize> shownPages = {{612, 792}, {792, 612}, {600, 400}};

// Where a 72 x 36 point mark goes at a position on a page shown w x h.
QRect expected(int position, QSize page)
{
    const int across = (position - 1) % 3, down = (position - 1) / 3;
    return QRect((page.width() - 72) * across / 2, (page.height() - 36) * down / 2, 72, 36);
}

// Every edge within a pixel.
bool closeTo(const QRect& a, const QRect& b)
{
    return qAbs(a.left() - b.left()) <= 1 && qAbs(a.top() - b.top()) <= 1 && qAbs(a.right() - b.right()) <= 1
           && qAbs(a.bottom() - b.bottom()) <= 1;
}

} // namespace

class TestWatermark : public ToolSuite
{
    Q_OBJECT

    PDFWatermark page{nullptr, toolRecord(3)};

    template <class T = QWidget>
    T* control(const char* name) { return page.findChild<T*>(name); }

    void textMark(const QString& text, int size = 30)
    {
        control<QRadioButton>("radioButton")->click();
        control<QLineEdit>("lineEdit")->setText(text);
        control<QSlider>("horizontalSlider_2")->setValue(size);
    }
    void imageMark(const QString& file, int scale = 100)
    {
        control<QRadioButton>("radioButton_2")->click();
        control<QLineEdit>("lineEdit_3")->setText(file);
        control<QSlider>("horizontalSlider")->setValue(scale);
    }
    void setColour(const QColor& colour)
    {
        script.queue(Question::Color, colour);
        control<QPushButton>("pushButton_11")->click();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(writePdf(path("pages.pdf"), {{QRectF(0, 0, 612, 792), 0, QRectF(), "plain"},
                                             {QRectF(0, 0, 612, 792), 90, QRectF(), "turned"},
                                             {QRectF(0, 0, 595, 842), 270, QRectF(50, 100, 400, 600), "cropped"}}));
        QImage red(192, 96, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(path("red.png")));
        QVERIFY(writeFile(path("junk.png"), "no picture at all"));
        QVERIFY(writeTextPdf(path("good.pdf"), {"good"}));
        QVERIFY(encrypt(path("good.pdf"), path("locked.pdf"), "pw", "owner"));
    }

    void landsWhereThePageShowsIt_data()
    {
        QTest::addColumn<int>("position");
        for (int p = 1; p <= 9; ++p)
            QTest::addRow("position %d", p) << p;
    }

    void landsWhereThePageShowsIt()
    {
        QFETCH(int, position);
        // 192 x 96 pixels at 50 % are 72 x 36 points.
        imageMark(path("red.png"), 50);
        control<QPushButton>(qPrintable(positionButtons[position - 1]))->click();
        runIn(page, {"pages.pdf"}, QString("at%1").arg(position));
        const QString out = path(QString("at%1/pages.pdf").arg(position));
        QVERIFY(qpdfCheck(out));
        for (int p = 1; p <= 3; ++p) {
            const QImage shown = renderPage(out, p);
            QCOMPARE(shown.size(), shownPages[p - 1]);
            const QRect ink = inkBounds(shown, isReddish);
            QVERIFY2(closeTo(ink, expected(position, shown.size())),
                     qPrintable(QString("page %1: %2,%3 %4x%5").arg(p).arg(ink.x()).arg(ink.y()).arg(ink.width()).arg(ink.height())));
        }
    }

    void textPictureAt300Dpi()
    {
        textMark("Mark 300", 40);
        setColour(Qt::red);
        setColour(QColor());  // cancelled: the red stays
        control<QPushButton>("pushButton_7")->click();
        runIn(page, {"pages.pdf"}, "text");
        const QString out = path("text/pages.pdf");
        // One picture for the file, with its alpha as a soft mask, drawn on every page.
        QList<ListedImage> pictures, masks;
        for (const ListedImage& image : listImages(out))
            (image.type == "image" ? pictures : masks) << image;
        QCOMPARE(pictures.size(), 3);
        QCOMPARE(masks.size(), 3);
        for (const ListedImage& image : pictures) {
            QCOMPARE(image.object, pictures[0].object);
            QVERIFY2(qAbs(image.xPpi - 300) <= 1 && qAbs(image.yPpi - 300) <= 1, qPrintable(QString::number(image.xPpi)));
        }
        // As large as the text measured on a 96 dpi screen, in points.
        QImage screen(1, 1, QImage::Format_RGB32);
        screen.setDotsPerMeterX(3780);
        screen.setDotsPerMeterY(3780);
        const QFontMetrics metrics(QFont(control<QFontComboBox>("fontComboBox")->currentText(), 40), &screen);
        QVERIFY(qAbs(pictures[0].width * 72.0 / pictures[0].xPpi - metrics.horizontalAdvance("Mark 300") * 0.75) < 0.5);
        QVERIFY(qAbs(pictures[0].height * 72.0 / pictures[0].yPpi - metrics.height() * 0.75) < 0.5);
        // Red letters in the middle of each page as shown.
        for (int p = 1; p <= 3; ++p) {
            const QImage shown = renderPage(out, p);
            const QRect ink = inkBounds(shown, isReddish);
            QVERIFY(!ink.isEmpty());
            QVERIFY(qAbs(ink.center().x() - shown.width() / 2) <= 2);
            QVERIFY(qAbs(ink.center().y() - shown.height() / 2) <= metrics.height() / 2);
        }
    }

    void refusesWhatCannotMarkAnything_data()
    {
        QTest::addColumn<bool>("image");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty text") << false << "" << "The watermark text is empty.";
        QTest::newRow("blanks only") << false << "   " << "The watermark text is empty.";
        QTest::newRow("no image chosen") << true << "" << "No watermark image is chosen.";
        QTest::newRow("missing image") << true << "gone.png" << "gone.png cannot be used: no such file";
        QTest::newRow("not a picture") << true << "junk.png" << "junk.png cannot be used: not an image";
    }

    void refusesWhatCannotMarkAnything()
    {
        QFETCH(bool, image);
        QFETCH(QString, source);
        QFETCH(QString, message);
        if (image)
            imageMark(source.isEmpty() ? source : path(source));
        else
            textMark(source);
        const int asked = script.asked().size();
        const RunReport& report = page.run({path("good.pdf")});
        QVERIFY2(report.refused().contains(message), qPrintable(report.refused()));
        QVERIFY(report.hasProblems() && report.outputsWritten().isEmpty());
        QCOMPARE(report.summary(), report.refused());
        // Said before any question: no folder was asked for.
        QCOMPARE(script.asked().size(), asked);
    }

    void inputsThatDoNotOpenAreLeftOut()
    {
        textMark("Kept");
        setColour(Qt::red);
        // No password is given for locked.pdf.
        const RunReport& report = runIn(page, {"gone.pdf", "junk.png", "locked.pdf", "good.pdf"}, "some");
        const QString out = path("some");
        QCOMPARE(report.problemLines(), QStringList({path("gone.pdf") + ": no such file; left out",
                                                     path("junk.png") + ": not a PDF; left out",
                                                     path("locked.pdf") + ": protected: needs a password; left out"}));
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{"good.pdf"});
        QVERIFY(countPixels(renderPage(out + "/good.pdf", 1), isReddish) > 0);
        QCOMPARE(page.engine->DocumentCount(), 1);
    }

    void markedInPlace()
    {
        // The output replaces its own input (Override): read whole before it is written.
        QVERIFY(writeTextPdf(path("self.pdf"), {"self 1", "self 2"}));
        textMark("Self");
        setColour(Qt::red);
        script.queue(Question::ExistingDirectory, dir.path()).queue(Question::FileExists, int(folio::FileExistsOverride));
        QCOMPARE(page.run({path("self.pdf")}).outputsWritten(), QStringList{path("self.pdf")});
        QVERIFY(qpdfCheck(path("self.pdf")));
        QCOMPARE(pageTexts(path("self.pdf")), QStringList({"self 1", "self 2"}));
        QVERIFY(countPixels(renderPage(path("self.pdf"), 2), isReddish) > 0);
    }

    void livePreview()
    {
        imageMark(path("red.png"), 50);
        control<QPushButton>("pushButton_10")->click();
        QCOMPARE(control<QLabel>("label_6")->text(), control<QPushButton>("pushButton_10")->text());
        QVERIFY(page.previewRequest);
        const int documents = page.engine->DocumentCount();
        // The page as the preview rendered it at 72 dpi: the marked page comes back as large.
        QPixmap base(792, 612);
        base.fill(Qt::white);
        const QImage shown = page.Preview(base, 2, path("pages.pdf")).toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), base.size());
        QVERIFY(closeTo(inkBounds(shown, isReddish), expected(9, shown.size())));
        QCOMPARE(page.engine->DocumentCount(), documents);
        // Nothing to mark, or a file that does not open: the page as it came.
        QCOMPARE(page.Preview(base, 1, path("junk.png")).cacheKey(), base.cacheKey());
        textMark("");
        QCOMPARE(page.Preview(base, 2, path("pages.pdf")).cacheKey(), base.cacheKey());
        QCOMPARE(page.engine->DocumentCount(), documents);
    }
};

QTEST_MAIN(TestWatermark)
#include "tst_pdfwatermark.moc"
