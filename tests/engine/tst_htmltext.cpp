// HTML text boxes: what fits is drawn, the rest comes back as markup that
// continues the text; box after box reproduces a text exactly once. Markup
// features (breaks, fonts, styles, entities, kept spaces, long words) and
// malformed markup, checked with pdftotext, pdffonts and pdftoppm.

#include "folioconstants.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "pixels.h"
#include "testsupport.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace testsupport;
using namespace folio;

namespace {

const QString kOpen = "<font size=\"10pt\" color=\"#000000\">";
const QString kClose = "</font>";

// Plain text as markup, as a caller that escapes its text would make it.
QString markupOf(QString s)
{
    return s.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;").replace('\n', "<BR>");
}

QString prose(int paragraphs)
{
    const QStringList words = QString("the quick brown fox jumps over a lazy dog while five boxing wizards jump quickly and "
                                      "pack my box with some dozen liquor jugs because sphinx of black quartz judge my vow")
                                  .split(' ');
    QStringList text;
    for (int p = 0, w = 0; p < paragraphs; ++p) {
        QString paragraph = QString("Paragraph %1:").arg(p + 1);
        for (int i = 0; i < 40 + 7 * (p % 5); ++i)
            paragraph += ' ' + words[(w++ * 7) % words.size()];
        text << paragraph + '.';
    }
    return text.join("\n\n");
}

} // namespace

class TestHtmlText : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    // An engine holding a document of blank pages, with DejaVu Sans as the
    // normal font, top-left origin, points.
    bool prepare(PdfEngine& engine, int pages)
    {
        const QString blank = path(QString("blank-%1.pdf").arg(pages));
        if (!writePdf(blank, std::vector<PageLayout>(size_t(pages))) || engine.LoadFromFile(blank, QString()) != 1)
            return false;
        engine.SetOrigin(OriginTopLeft);
        return engine.SetHTMLNormalFont("Default", engine.AddTrueTypeFont("DejaVu Sans", 0)) == 1;
    }

    QString save(PdfEngine& engine, const QString& name) { return saveChecked(engine, path(name)); }

    // Draws opening tag + text box after box, a page each from that page on,
    // as a caller continuing a text does. Returns the number of pages used, -1 when the
    // text did not end within the document or a box made no progress.
    static int boxAfterBox(PdfEngine& engine, const QString& body, const QRectF& box, const QString& open = kOpen, int page = 1)
    {
        engine.SelectPage(page);
        QString remaining = engine.DrawHTMLTextBox(box.x(), box.y(), box.width(), box.height(), open + body + kClose);
        while (!remaining.isEmpty()) {
            if (++page > engine.PageCount() || !engine.SelectPage(page))
                return -1;
            const QString next = engine.DrawHTMLTextBox(box.x(), box.y(), box.width(), box.height(), open + remaining);
            if (next.size() >= remaining.size())
                return -1;
            remaining = next;
        }
        return page;
    }

    // The text of the first pages in drawing order (wide gaps would make
    // pdftotext's layout analysis reorder a line's pieces).
    static QString rawText(const QString& file, int pages = 0)
    {
        return pages ? pdfText(file, 0, {"-raw", "-l", QString::number(pages)}) : pdfText(file, 0, {"-raw"});
    }

private slots:
    void oneBoxDrawsWhatFits_data()
    {
        // The box, the markup between kOpen and kClose, what comes back, and
        // the lines pdftotext reads (white space squeezed).
        QTest::addColumn<QRectF>("box");
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QString>("remainder");
        QTest::addColumn<QStringList>("lines");
        const QRectF page(20, 20, 570, 500);
        QTest::newRow("fits") << QRectF(72, 72, 400, 300) << "Hello box, été \U0001F600" << QString() << QStringList{"Hello box, été \U0001F600"};
        QTest::newRow("entities and stray characters")
            << page << QString("a &lt; b &amp;&amp; c &gt; d &quot;q&quot; &#233;&#x1F600;&#X41; AT&T x<y 5 < 6 &bogus; &#xZZ; <stdio.h> 1<2> 3 &")
            << QString() << QStringList{"a < b && c > d \"q\" \u00e9\U0001F600A AT&T x<y 5 < 6 &bogus; &#xZZ; <stdio.h> 1<2> 3 &"};
        QTest::newRow("unknown tags, comments, declarations")
            << page << QString("<p>Hello</p> <span class=\"x\" id='y'>World</span><!-- a <b>comment</b> --> <img src=a.png/>again<?pi?><!DOCTYPE html>!")
            << QString() << QStringList{"Hello World again!"};
        QTest::newRow("breaks in any letter case") << page << QString("one<BR>two<br>three<br/>four<Br />five<bR>six</br>seven\neight") << QString()
                                                   << QStringList{"one", "two", "three", "four", "five", "six", "seven", "eight"};
        // Room for "aaaa bbbb" but not for "aaaa bbbb cccc".
        QTest::newRow("non-breaking spaces hold words together")
            << QRectF(20, 20, 75, 14) << "aaaa bbbb&nbsp;cccc" << "bbbb&nbsp;cccc" + kClose << QStringList{"aaaa"};
        // One line is drawn all the same, so that box after box moves on.
        QTest::newRow("too small for a line")
            << QRectF(50, 50, 300, 2) << "first line<BR>second line" << "second line" + kClose << QStringList{"first line"};
        const QString nothing = kOpen + "nothing fits" + kClose;
        QTest::newRow("zero width") << QRectF(50, 50, 0, 300) << "nothing fits" << nothing << QStringList();
        QTest::newRow("negative") << QRectF(50, 50, -300, -300) << "nothing fits" << nothing << QStringList();
        QTest::newRow("off the page") << QRectF(5000, 50, 300, 300) << "nothing fits" << nothing << QStringList();
        QTest::newRow("above the page") << QRectF(50, -900, 300, 300) << "nothing fits" << nothing << QStringList();
        QTest::newRow("not a number") << QRectF(std::nan(""), 50, 300, 300) << "nothing fits" << nothing << QStringList();
    }

    void oneBoxDrawsWhatFits()
    {
        QFETCH(QRectF, box);
        QFETCH(QString, markup);
        QFETCH(QStringList, lines);
        PdfEngine engine("FolioPdfEngine");
        QVERIFY(prepare(engine, 1));
        QTEST(engine.DrawHTMLTextBox(box.x(), box.y(), box.width(), box.height(), kOpen + markup + kClose), "remainder");
        const QString file = save(engine, "box.pdf");
        QStringList read = pdfText(file).split('\n');
        for (QString& line : read)
            line = squeezed(line);
        read.removeAll(QString());
        QCOMPARE(read, lines);
        QCOMPARE(pdfFonts(file).size(), lines.isEmpty() ? 0 : 1);  // nothing made bold or italic
        // The first line hangs from the top left of the box.
        const QRect ink = inkBounds(renderPage(file, 1));
        if (!lines.isEmpty())
            QVERIFY2(ink.top() >= box.top() && ink.top() < box.top() + 10 && ink.left() >= box.left() && ink.left() < box.left() + 4,
                     qPrintable(QString("%1 %2").arg(ink.left()).arg(ink.top())));
    }

    void boxAfterBoxReproducesTheTextOnce_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<double>("width");
        QTest::addColumn<bool>("wordsMayBreak");
        QTest::newRow("prose") << prose(12) << 300.0 << false;
        QTest::newRow("markup characters and non-ascii")
            << QString("if (a < b && c > d) { return \"x\"; } // 5 < 6 & 7 > 3\nÜnïcödé: Ελληνικά, кириллица, \U0001F600 \U0001F601 smile.\n").repeated(25)
            << 250.0 << false;
        QTest::newRow("long words") << ("short " + QString(300, 'W') + " tail " + QString(120, 'm') + '\n').repeated(4) << 120.0 << true;
        QTest::newRow("kept spaces and blank lines")
            << QString("    indented line\n\tTabbed\tcolumns\there\n\n\nthree blank lines above    and    wide    gaps\n").repeated(30)
            << 300.0 << false;
    }

    void boxAfterBoxReproducesTheTextOnce()
    {
        QFETCH(QString, plain);
        QFETCH(double, width);
        QFETCH(bool, wordsMayBreak);
        PdfEngine engine("FolioPdfEngine");
        QVERIFY(prepare(engine, 60));
        // What comes back of plain text is the exact undrawn tail of the markup.
        const QString markup = kOpen + markupOf(plain) + kClose, first = engine.DrawHTMLTextBox(40, 40, width, 180, markup);
        QVERIFY(!first.isEmpty() && first.size() < markup.size() - kOpen.size() && markup.endsWith(first));
        const int pages = boxAfterBox(engine, first.chopped(kClose.size()), QRectF(40, 40, width, 180), kOpen, 2);
        QVERIFY2(pages > 1, "the text needs several boxes");
        const QString file = save(engine, "continued.pdf");
        if (wordsMayBreak)
            QCOMPARE(solid(rawText(file, pages)), solid(plain));
        else
            QCOMPARE(squeezed(rawText(file, pages)), squeezed(plain));
        // Every box got text inside it, and no box after the last.
        QVERIFY(QRectF(40, 40, width, 180).contains(inkBounds(renderPage(file, 1))));
        for (int p = 1; p <= pages; ++p)
            QVERIFY2(!squeezed(pdfText(file, p)).isEmpty(), qPrintable(QString::number(p)));
        QVERIFY(squeezed(pdfText(file, pages + 1)).isEmpty());
    }

    void continuationKeepsTheStyleOfOpenTags()
    {
        const QString words = prose(2), body = "<b><font color=\"#ff0000\">" + markupOf(words) + "</font></b>";
        PdfEngine engine("FolioPdfEngine");
        QVERIFY(prepare(engine, 10));
        const QString first = engine.DrawHTMLTextBox(40, 40, 300, 60, kOpen + body + kClose);
        QVERIFY(first.startsWith("<b><font color=\"#ff0000\">"));
        const int pages = boxAfterBox(engine, first.chopped(kClose.size()), QRectF(40, 40, 300, 60), kOpen, 2);
        QVERIFY(pages > 2);
        const QString file = save(engine, "styled.pdf");
        QCOMPARE(squeezed(rawText(file, pages)), squeezed(words));
        // The last page is still bold and red.
        const QList<FontRow> fonts = pdfFonts(file, {"-f", QString::number(pages), "-l", QString::number(pages)});
        QVERIFY(fonts.size() == 1 && fonts[0].name.endsWith("+DejaVuSans-Bold"));
        const QImage last = renderPage(file, pages);
        QVERIFY(countPixels(last, isReddish) > 50);
        QCOMPARE(countPixels(last, isDark), 0);
    }

    void runsOfSpacesAndTabsAreKept()
    {
        PdfEngine engine("FolioPdfEngine");
        QVERIFY(prepare(engine, 1));
        engine.SetTextSize(20);
        // Each on its own line, 40 points apart.
        const QStringList lines = {"l l", "l          l", "l\tl", "    l"};
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(engine.DrawHTMLTextBox(100, 100 + 40 * i, 400, 30, lines[i]), QString());
        const QImage page = renderPage(save(engine, "spaces.pdf"), 1);
        // The left edges of the strokes of each line.
        auto strokes = [&](int i) {
            QList<int> xs;
            for (int x = 0, inStroke = 0; x < page.width(); ++x) {
                const bool ink = countPixels(page, isDark, QRect(x, 100 + 40 * i, 1, 30)) > 0;
                if (ink && !inStroke)
                    xs << x;
                inStroke = ink;
            }
            return xs;
        };
        const double space = 20 * 651.0 / 2048;  // DejaVu Sans
        const QList<int> one = strokes(0), ten = strokes(1), tab = strokes(2), lead = strokes(3);
        QVERIFY(one.size() == 2 && ten.size() == 2 && tab.size() == 2 && lead.size() == 1);
        QVERIFY(std::abs((ten[1] - ten[0]) - (one[1] - one[0]) - 9 * space) < 2);
        QVERIFY(tab[1] >= 100 + 8 * space - 1 && tab[1] < 100 + 8 * space + 4);  // the next stop, eight spaces apart
        QVERIFY(std::abs(lead[0] - one[0] - 4 * space) < 2);
    }

    void sizesAndColoursNest()
    {
        PdfEngine engine("FolioPdfEngine");
        QVERIFY(prepare(engine, 1));
        QCOMPARE(engine.DrawHTMLTextBox(50, 50, 500, 300,
                                        "<font size=\"10pt\" color=\"#ff0000\">HHH <font size=\"30pt\" color=\"#0000ff\">HHH</font> HHH</font>"
                                        "<BR><font size=20 color=#00ff00>HHH</font>"),
                 QString());
        const QImage page = renderPage(save(engine, "nest.pdf"), 1, 144);
        const QRect red = inkBounds(page, isReddish), blue = inkBounds(page, isBluish), green = inkBounds(page, isGreenish);
        QVERIFY(!red.isEmpty() && !blue.isEmpty() && !green.isEmpty());
        // Red on both sides of the blue: the outer font is back after </font>.
        QVERIFY(red.left() < blue.left() && red.right() > blue.right());
        const double ratio = double(blue.height()) / inkBounds(page, isReddish, QRect(0, 0, blue.left(), page.height())).height();
        QVERIFY2(ratio > 2.6 && ratio < 3.4, qPrintable(QString::number(ratio)));
        // Same baseline for all sizes of a line; the green line below it.
        QVERIFY(std::abs(red.bottom() - blue.bottom()) <= 2 && green.top() > blue.bottom());
    }

    void boldItalicAndUnderline()
    {
        PdfEngine engine("FolioPdfEngine");
        QVERIFY(prepare(engine, 1));
        engine.SetTextSize(20);
        QCOMPARE(engine.DrawHTMLTextBox(50, 50, 500, 300, "plain <b>bold</b> <i>italic</i> <B><I>both</I></B><br><u>ooooo</u><br>ooooo"), QString());
        const QString file = save(engine, "styles.pdf");
        QStringList names;
        for (const FontRow& row : pdfFonts(file))
            names << row.name.section('+', 1);
        names.sort();
        QCOMPARE(names, QStringList({"DejaVuSans", "DejaVuSans-Bold", "DejaVuSans-BoldOblique", "DejaVuSans-Oblique"}));
        QCOMPARE(squeezed(pdfText(file)), "plain bold italic both ooooo ooooo");
        // The underlined line ends in a rule across the word; the plain one in the feet of its letters.
        const QImage page = renderPage(file, 1, 144);
        const QRect under = inkBounds(page, isInk, QRect(0, 2 * 75, page.width(), 2 * 21));
        const QRect plain = inkBounds(page, isInk, QRect(0, 2 * 98, page.width(), 2 * 21));
        const int underRule = countPixels(page, isInk, QRect(under.left(), under.bottom(), under.width(), 1));
        const int plainFeet = countPixels(page, isInk, QRect(plain.left(), plain.bottom(), plain.width(), 1));
        QVERIFY2(underRule > 0.95 * under.width() && plainFeet < 0.5 * plain.width(), qPrintable(QString("%1 %2").arg(underRule).arg(plainFeet)));
    }

    void boxPastThePageEdgeStopsAtIt()
    {
        PdfEngine engine("FolioPdfEngine");
        QVERIFY(prepare(engine, 1));
        // Reaching 300 points below the page: lines there would be lost.
        QVERIFY(!engine.DrawHTMLTextBox(50, 692, 300, 400, kOpen + markupOf(prose(2)) + kClose).isEmpty());
        const QString file = save(engine, "edge.pdf");
        const QRect ink = inkBounds(renderPage(file, 1));
        QVERIFY(ink.top() >= 692 && ink.bottom() < 792);
        QVERIFY(pdfText(file).count('\n') >= 7);
    }

    // The height a text takes is the box that holds it exactly: a hair less
    // leaves its last line out.
    void textHeightIsTheBoxThatHoldsIt()
    {
        PdfEngine engine("FolioPdfEngine");
        QVERIFY(prepare(engine, 1));
        engine.SetTextSize(10);
        const double line = engine.GetHTMLTextHeight(300, "one line");
        QVERIFY(std::abs(line - engine.GetTextHeight()) < 0.01);
        for (const QString& body : {markupOf("one\ntwo\n\nfour"), markupOf(prose(1)), kOpen + "big <font size=\"30\">and</font> small<BR>next" + kClose}) {
            const double h = engine.GetHTMLTextHeight(300, body);
            QVERIFY2(h > line, qPrintable(body));
            QCOMPARE(engine.DrawHTMLTextBox(50, 50, 300, h, body), QString());
            QVERIFY(!engine.DrawHTMLTextBox(50, 400, 300, h - 0.5, body).isEmpty());
        }
        engine.SetMeasurementUnits(Millimetres);
        QVERIFY(std::abs(engine.GetHTMLTextHeight(300, "one line") - line * 25.4 / 72) < 0.01);
        QCOMPARE(engine.GetHTMLTextHeight(300, QString()), 0.0);
        QCOMPARE(engine.GetHTMLTextHeight(0, "no width"), 0.0);
    }

    void malformedMarkupNeverHangsOrLosesTheInstance_data()
    {
        QTest::addColumn<QString>("body");
        QTest::newRow("unclosed tags") << "<b>bold <i>both <u>all";
        QTest::newRow("stray closers") << "</b></i></u></font></font>text</p>";
        QTest::newRow("misnested") << "<b>a<i>b</b>c</i>d";
        QTest::newRow("huge size") << "<font size=\"1e9pt\">huge</font> and <font size=\"99999\">more</font>";
        QTest::newRow("bad attributes") << "<font size=\"-5\" color=\"nonsense\" size=abc>text</font><font size=\"+2\">x</font>";
        QTest::newRow("open tag at the end") << "text <font size=\"12pt";
        QTest::newRow("lone < and &") << "text < and &";
        QTest::newRow("unterminated comment") << "text <!-- never closed";
        QTest::newRow("brackets") << "<<<>>> <> </> < / >";
        QTest::newRow("bad numeric entities") << "&#0; &#xD800; &#99999999; &#; &#x; &#-5;";
        QTest::newRow("control characters") << QString("a\u0001b") + QChar(0) + "c\u007fd\re";
        QTest::newRow("lone surrogates") << QString(QChar(0xDC00)) + "x" + QString(QChar(0xD800));
        QTest::newRow("only tags") << "<b></b><i></i>";
        QTest::newRow("empty") << QString();
        QTest::newRow("many breaks") << QString("<br>").repeated(500);
        QTest::newRow("many opened tags") << QString("<b><font size=\"8\">x").repeated(300);
    }

    void malformedMarkupNeverHangsOrLosesTheInstance()
    {
        QFETCH(QString, body);
        PdfEngine engine("FolioPdfEngine");
        QVERIFY(prepare(engine, 60));
        QVERIFY(boxAfterBox(engine, body, QRectF(40, 40, 200, 150)) > 0);
        // Still usable.
        engine.SelectPage(60);
        QCOMPARE(engine.DrawHTMLTextBox(40, 600, 400, 100, kOpen + "still working" + kClose), QString());
        QVERIFY(pdfText(save(engine, "malformed.pdf"), 60).contains("still working"));
    }

    void manySmallBoxesHoldWhatOneLargeBoxHolds()
    {
        // Random markup from pieces that nest, break, escape and confuse:
        // drawn box after box in small boxes it gives the same text as drawn
        // at once in one large box.
        const QStringList pieces = {"word", "Ünïcode", "\U0001F600", " ", "   ", "\t", "<b>", "</b>", "<i>", "</i>", "<u>", "</u>",
                                    "<font size=\"14pt\">", "<font color=\"#0000ff\" size=6>", "</font>", "<BR>", "<br/>", "&amp;",
                                    "&lt;", "&#x41;", "&nbsp;", "&", "<", ">", "<p>", "<!-- x -->", QString(37, 'W')};
        QRandomGenerator random(20240607);
        for (int round = 0; round < 8; ++round) {
            QString body;
            for (int i = 40 + int(random.bounded(160)); i > 0; --i)
                body += pieces[int(random.bounded(pieces.size()))];
            PdfEngine whole("FolioPdfEngine"), boxes("FolioPdfEngine");
            QVERIFY(prepare(whole, 1) && prepare(boxes, 120));
            QCOMPARE(whole.DrawHTMLTextBox(10, 10, 590, 770, kOpen + body + kClose), QString());
            QVERIFY2(boxAfterBox(boxes, body, QRectF(40, 40, 90, 45)) > 1, qPrintable(body));
            QCOMPARE(solid(rawText(save(boxes, "boxes.pdf"))), solid(rawText(save(whole, "whole.pdf"))));
        }
    }

};

QTEST_MAIN(TestHtmlText)
#include "tst_htmltext.moc"
