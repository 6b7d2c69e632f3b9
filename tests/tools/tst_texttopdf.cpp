// Text to PDF end to end on real text files, read back with pdftotext,
// pdffonts, pdfinfo and pdftoppm: files decoded by their bytes, text printed
// as typed, headlines, paper and margins, the form as it stands at the run,
// the preview of each file, inputs that are no text.

#include "pdfread.h"
#include "pixels.h"
#include "questions.h"
#include "testsupport.h"
#include "toolsupport.h"
#include "texttopdf.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

using namespace testsupport;

namespace {

const QString kGpl = "/usr/share/common-licenses/GPL-3";

} // namespace

class TestTextToPdf : public ToolSuite
{
    Q_OBJECT

    TextToPDF page{nullptr, toolRecord(15)};

    QString file(const QString& name, const QByteArray& bytes) { return writeFile(path(name), bytes) ? path(name) : QString(); }
    template <class W = QWidget>
    W* control(const QString& name) { return page.findChild<W*>(name); }

    // Saves the document of these files to `out`, with the form as it stands.
    const RunReport& save(const QStringList& files, const QString& out)
    {
        script.queue(Question::SaveFileName, path(out));
        return page.run(files);
    }

    // Every page's ink (72 dpi: a pixel a point) lies within the margin.
    static bool inkWithin(const QString& pdf, double marginMm)
    {
        const double m = marginMm * 72 / 25.4;
        for (int p = 1; p <= qpdfPageCount(pdf); ++p) {
            const QImage image = renderPage(pdf, p);
            const QRect ink = inkBounds(image, isInk);
            if (!ink.isEmpty() && (ink.left() < m - 1 || ink.top() < m - 1 || ink.right() > image.width() - m + 1 || ink.bottom() > image.height() - m + 1))
                return false;
        }
        return true;
    }

private slots:
    void initTestCase()
    {
        // Whatever the locale says, a file's bytes decide.
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-5"));
        keepWhenAsked(dir);
    }

    void decodesByTheBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const QString sample = QString::fromUtf8("Grüße € \xF0\x9F\x98\x80 Ωμέγα\n");
        QTest::newRow("UTF-8") << sample.toUtf8() << sample;
        QTest::newRow("UTF-8 with its mark") << "\xEF\xBB\xBF" + sample.toUtf8() << sample;
        QByteArray le("\xFF\xFE"), be("\xFE\xFF");
        for (const QChar c : sample) {
            le += char(c.unicode() & 0xFF), le += char(c.unicode() >> 8);
            be += char(c.unicode() >> 8), be += char(c.unicode() & 0xFF);
        }
        QTest::newRow("UTF-16 LE with its mark") << le << sample;
        QTest::newRow("UTF-16 BE with its mark") << be << sample;
        QTest::newRow("Windows-1252") << QByteArray("Caf\xE9 \x80 5 \x93quoted\x94") << QString::fromUtf8("Café € 5 “quoted”");
        QTest::newRow("not quite UTF-8") << QByteArray("na\xC3\xAFve \xC3(") << QString::fromUtf8("naÃ¯ve Ã(");
        QTest::newRow("CR, LF and CR LF") << QByteArray("a\r\nb\rc\nd\r\n\r\ne\r") << "a\nb\nc\nd\n\ne\n";
    }

    void decodesByTheBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(TextToPDF::DecodeText(bytes), text);
    }

    void printsEveryWordAsTyped()
    {
        const QString typed = "<b>not bold</b> &amp; 5 < 6 > 4 &lt;\nΕλληνικά Русский\ttab";
        const QString markup = file("markup.txt", typed.toUtf8());
        QCOMPARE(save({markup, kGpl}, "words.pdf").outputsWritten(), QStringList{path("words.pdf")});
        QCOMPARE(squeezed(pdfText(path("words.pdf"))), squeezed(typed + "\n" + QString::fromUtf8(readFile(kGpl))));
        const QList<FontRow> fonts = pdfFonts(path("words.pdf"));
        QVERIFY(!fonts.isEmpty());
        for (const FontRow& font : fonts)
            QVERIFY2(font.embedded, qPrintable(font.name));
        QCOMPARE(pdfInfo(path("words.pdf")).value("Page size"), "612 x 792 pts (letter)");
        QCOMPARE(pdfInfo(path("words.pdf")).value("Author"), QString());  // saved as built, no stamp
    }

    void pagesAndHeadlines_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("paper");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("pages");
        QTest::addColumn<QString>("size");
        QTest::newRow("a page per file") << "radioButton_standard_2" << "A4" << QStringList{"a.txt", "b.txt"}
                                         << QStringList{"a one a two", "b one b two"} << "595.276 x 841.89 pts (A4)";
        QTest::newRow("file name without its last suffix") << "radioButton_glossy_2" << "Ledger" << QStringList{"plan.txt", "GPL-3", "report.v2.txt"}
                                                           << QStringList{"plan plan one plan two", "GPL-3 GPL-3 one GPL-3 two", "report.v2 report.v2 one report.v2 two"}
                                                           << "1224 x 792 pts";
        // The first line is the headline and is not printed twice.
        QTest::newRow("first line") << "radioButton_transparency_2" << "Letter" << QStringList{"a.txt"} << QStringList{"a one a two"} << "612 x 792 pts (letter)";
    }

    void pagesAndHeadlines()
    {
        QFETCH(QString, mode);
        QFETCH(QString, paper);
        QFETCH(QStringList, names);
        QFETCH(QStringList, pages);
        QFETCH(QString, size);
        control<QAbstractButton>(mode)->click();
        control<QComboBox>("comboBox")->setCurrentText(paper);
        QStringList files;
        for (const QString& name : names)
            files << file(name, QString("%1 one\r\n%1 two\r\n").arg(filenames::stem(name)).toUtf8());
        save(files, "pages.pdf");
        QCOMPARE(pageTexts(path("pages.pdf")), pages);
        QCOMPARE(pdfInfo(path("pages.pdf")).value("Page size"), size);
        control<QAbstractButton>("radioButton_standard_2")->click();
    }

    // Lines break at the box, pages end at its lower edge; a headline longer
    // than a line wraps. Nothing is lost: every word is there.
    void textStaysWithinTheMargins_data()
    {
        QTest::addColumn<QString>("paper");
        QTest::addColumn<int>("margin");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("headlineSize");
        QTest::addColumn<QByteArray>("text");
        const QByteArray gpl = readFile(kGpl);
        QTest::newRow("the paper's edge, Letter") << "Letter" << 0 << 10 << 30 << gpl.left(3000);
        QTest::newRow("20 mm on A5, 14 pt") << "A5" << 20 << 14 << 30 << gpl.left(3000);
        QTest::newRow("20 mm on A7, 7 pt") << "A7" << 20 << 7 << 12 << gpl.left(3000);
        // Form feeds take no room: a page holds far more of them than it is given at once.
        QTest::newRow("form feeds, then text") << "Letter" << 10 << 10 << 30 << QByteArray(100000, '\f') + gpl.left(3000);
    }

    void textStaysWithinTheMargins()
    {
        QFETCH(QString, paper);
        QFETCH(int, margin);
        QFETCH(int, size);
        QFETCH(int, headlineSize);
        QFETCH(QByteArray, text);
        control<QComboBox>("comboBox")->setCurrentText(paper);
        control<QSpinBox>("spinBox_Margin")->setValue(margin);
        control<QSlider>("horizontalSlider_Content")->setValue(size);
        control<QSlider>("horizontalSlider_Headline")->setValue(headlineSize);
        control<QAbstractButton>("radioButton_glossy_2")->click();
        const QString name = "A headline far too long for one line of the page, which wraps.txt";
        save({file(name, text)}, "margins.pdf");
        QVERIFY(inkWithin(path("margins.pdf"), margin));
        QVERIFY(!pageTexts(path("margins.pdf")).contains(QString()));  // no page is left blank
        QCOMPARE(squeezed(pdfText(path("margins.pdf"))), squeezed(QFileInfo(name).completeBaseName() + "\n" + QString::fromUtf8(text)));
        control<QAbstractButton>("radioButton_standard_2")->click();
        control<QSpinBox>("spinBox_Margin")->setValue(0);
        control<QSlider>("horizontalSlider_Content")->setValue(10);
        control<QSlider>("horizontalSlider_Headline")->setValue(30);
    }

    // The run saves what the form and the list say now: a slider moved by
    // the keyboard, a file dropped without a list change, a colour kept when
    // the dialog is cancelled.
    void savesTheFormAsItStands()
    {
        const QString lines = file("lines.txt", QByteArray("line\n").repeated(40));
        page.FileListChanged({lines});
        QTest::keyClick(control<QSlider>("horizontalSlider_Content"), Qt::Key_End);
        save({lines}, "keyboard.pdf");
        QVERIFY(qpdfPageCount(path("keyboard.pdf")) > 10);
        control<QSlider>("horizontalSlider_Content")->setValue(10);
        script.queue(Question::Color, QColor(Qt::red));
        control<QAbstractButton>("pushButton_Content")->click();
        script.queue(Question::Color, QColor());
        control<QAbstractButton>("pushButton_Content")->click();
        const QString dropped = file("dropped.txt", "dropped on the window");
        save({lines, dropped}, "dropped.pdf");
        QCOMPARE(pageTexts(path("dropped.pdf")).last(), "dropped on the window");
        QVERIFY(countPixels(renderPage(path("dropped.pdf"), 2, 150), isReddish) > 100);
        // An empty list asks nothing and saves nothing; nor does a run that is stopped.
        const int asked = script.asked().size();
        QVERIFY(page.run({}).isQuiet());
        QCOMPARE(script.asked().size(), asked);
        page.FileListChanged({kGpl});
        script.stopAfter(script.progressSteps().size() + 3);
        QVERIFY(save({kGpl}, "stopped.pdf").cancelled());
        script.stopAfter(-1);
        QVERIFY(!QFileInfo::exists(path("stopped.pdf")));
    }

    void inputsThatAreNoText()
    {
        const QString good = file("good.txt", "good"), binary = file("binary.txt", QByteArray("PK\x03\x04\0\0\x14\0", 8));
        const RunReport& report = save({path("gone.txt"), binary, dir.path(), good}, "some.pdf");
        QCOMPARE(report.problemLines(), QStringList({path("gone.txt") + ": no such file; left out", binary + ": not a text file; left out",
                                                     dir.path() + ": is a folder, not a file; left out"}));
        QCOMPARE(pageTexts(path("some.pdf")), QStringList{"good"});
        QVERIFY(!save({binary}, "none.pdf").outputsWritten().size() && !QFileInfo::exists(path("none.pdf")));
        // A text file is never written over with the PDF.
        QVERIFY(save({good}, "good.txt").refused().contains("one of the text files"));
        QCOMPARE(readFile(good), QByteArray("good"));
    }

    void previewShowsEachFilesOwnFirstPage()
    {
        const QString second = file("second.txt", "the second file");
        page.FileListChanged({kGpl, second});
        QTRY_VERIFY_WITH_TIMEOUT(page.isBuilt(), 20000);
        save({kGpl, second}, "preview.pdf");
        const int first = page.firstPageOf(1);
        QCOMPARE(squeezed(pdfText(path("preview.pdf"), first)), "the second file");
        for (int index : {0, 1}) {
            page.selectedIndex = index;
            const QImage shown = page.RenderPreviewPage(1).toImage().scaled(612, 792, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            const QImage own = renderPage(path("preview.pdf"), page.firstPageOf(index)), other = renderPage(path("preview.pdf"), page.firstPageOf(1 - index));
            QVERIFY(meanChannelDifference(shown, own.convertToFormat(shown.format())) < meanChannelDifference(shown, other.convertToFormat(shown.format())) / 2);
        }
    }
};

QTEST_MAIN(TestTextToPdf)
#include "tst_texttopdf.moc"
