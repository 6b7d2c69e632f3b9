// HTML text boxes: what fits is drawn, the rest comes back as markup that
// continues the text; box after box reproduces a text exactly once. Markup
// features (breaks, fonts, styles, entities, kept spaces, long words) and
// malformed markup, checked with pdftotext, pdffonts and pdftoppm.

#include "pagecheck.h"
#include "pdfengine.h"
#include "testsupport.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace pagecheck;

namespace {

const QString kOpen = QStringLiteral("<font size=\"10pt\" color=\"#000000\">");
const QString kClose = QStringLiteral("</font>");

// Plain text as markup, as a caller that escapes its text would make it.
QString markupOf(const QString& plain)
{
    QString s = plain;
    s.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    s.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    s.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    s.replace(QLatin1Char('\n'), QLatin1String("<BR>"));
    return s;
}

QString prose(int paragraphs)
{
    const QStringList words = QStringLiteral(
        "the quick brown fox jumps over a lazy dog while five boxing wizards jump quickly and "
        "pack my box with some dozen liquor jugs because sphinx of black quartz judge my vow")
                                  .split(QLatin1Char(' '));
    QString text;
    int w = 0;
    for (int p = 0; p < paragraphs; ++p) {
        if (p)
            text += QStringLiteral("\n\n");
        text += QStringLiteral("Paragraph %1:").arg(p + 1);
        for (int i = 0; i < 40 + 7 * (p % 5); ++i)
            text += QLatin1Char(' ') + words[(w++ * 7) % words.size()];
        text += QLatin1Char('.');
    }
    return text;
}

} // namespace

class TestHtmlText : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString path(const QString& name) const { return dir.filePath(name); }

    // An engine holding a document of blank pages, with DejaVu Sans as the
    // normal font, top-left origin, points.
    bool prepare(PdfEngine& engine, int pages, const QSizeF& size = QSizeF(612, 792))
    {
        const QString blank = path(QStringLiteral("blank-%1.pdf").arg(pages));
        if (!writeBlankPdf(blank, pages, size) || engine.LoadFromFile(blank, QString()) != 1)
            return false;
        const int font = engine.AddTrueTypeFont(QStringLiteral("DejaVu Sans"), 0);
        engine.SetOrigin(1);
        return font > 0 && engine.SetHTMLNormalFont(QStringLiteral("Default"), font) == 1;
    }

    QString save(PdfEngine& engine, const QString& name)
    {
        const QString file = path(name);
        if (engine.SaveToFile(file) != 1)
            return QString();
        QString report;
        if (!testsupport::qpdfCheck(file, &report)) {
            qWarning("%s", qPrintable(report));
            return QString();
        }
        return file;
    }

    // Draws opening tag + text box after box, a page each, as a caller
    // continuing a text does. Returns the number of pages used, -1 when the
    // text did not end within the document.
    int boxAfterBox(PdfEngine& engine, const QString& body, const QRectF& box, const QString& open = kOpen)
    {
        QString remaining = engine.DrawHTMLTextBox(box.x(), box.y(), box.width(), box.height(), open + body + kClose);
        int page = 1;
        while (!remaining.isEmpty()) {
            if (++page > engine.PageCount())
                return -1;
            engine.SelectPage(page);
            const QString next = engine.DrawHTMLTextBox(box.x(), box.y(), box.width(), box.height(), open + remaining);
            if (next.size() >= remaining.size())
                return -1;  // no progress
            remaining = next;
        }
        return page;
    }

    // The text of the first pages in drawing order (wide gaps would make
    // pdftotext's layout analysis reorder a line's pieces).
    static QString allText(const QString& file, int pages)
    {
        QString text;
        for (int p = 1; p <= pages; ++p)
            text += testsupport::pdfText(file, p, {QStringLiteral("-raw")}) + QLatin1Char('\n');
        return text;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
    }

    void textThatFitsIsDrawnWhole()
    {
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(prepare(engine, 1));
        QCOMPARE(engine.DrawHTMLTextBox(72, 72, 400, 300, kOpen + QStringLiteral("Hello box, été \U0001F600") + kClose),
                 QString());
        const QString file = save(engine, QStringLiteral("fits.pdf"));
        QVERIFY(!file.isEmpty());
        QCOMPARE(squeezed(testsupport::pdfText(file)), QStringLiteral("Hello box, été \U0001F600"));
        const QList<FontRow> fonts = pdfFonts(file);
        QCOMPARE(fonts.size(), 1);
        QVERIFY(fonts[0].name.endsWith(QLatin1String("+DejaVuSans")) && fonts[0].embedded && fonts[0].subset);
        // The first line hangs from the top of the box.
        const QRect ink = darkBounds(renderPage(file, 1, 72));
        QVERIFY2(ink.top() >= 72 && ink.top() < 72 + 10, qPrintable(QString::number(ink.top())));
        QVERIFY(ink.left() >= 72 && ink.left() < 76);
    }

    void remainderIsTheExactUndrawnTail()
    {
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(prepare(engine, 1));
        const QString plain = prose(3);
        const QString markup = kOpen + markupOf(plain) + kClose;
        const QString remainder = engine.DrawHTMLTextBox(50, 50, 250, 120, markup);
        QVERIFY(!remainder.isEmpty());
        QVERIFY(remainder.size() < markup.size() - kOpen.size());
        QVERIFY(markup.endsWith(remainder));
        const QString file = save(engine, QStringLiteral("tail.pdf"));
        QVERIFY(!file.isEmpty());
        // What was drawn and what came back make the text, once.
        QString rest = remainder;
        rest.chop(kClose.size());
        rest.replace(QLatin1String("<BR>"), QLatin1String("\n"));
        const QString drawn = squeezed(testsupport::pdfText(file));
        QVERIFY(!drawn.isEmpty());
        QCOMPARE(drawn + QLatin1Char(' ') + squeezed(rest), squeezed(plain));
        // The box is never overrun.
        const QRect ink = darkBounds(renderPage(file, 1, 72));
        QVERIFY2(ink.bottom() < 50 + 120 && ink.right() < 50 + 250, qPrintable(QStringLiteral("%1 %2").arg(ink.bottom()).arg(ink.right())));
    }

    void boxAfterBoxReproducesTheTextOnce_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<double>("width");
        QTest::addColumn<bool>("wordsMayBreak");
        QTest::newRow("prose") << prose(12) << 300.0 << false;
        QTest::newRow("markup characters and non-ascii")
            << QStringLiteral("if (a < b && c > d) { return \"x\"; } // 5 < 6 & 7 > 3\n"
                              "Ünïcödé: Ελληνικά, кириллица, \U0001F600 \U0001F601 smile.\n")
                   .repeated(25)
            << 250.0 << false;
        QTest::newRow("long words") << (QStringLiteral("short ") + QString(300, QLatin1Char('W')) + QStringLiteral(" tail ")
                                        + QString(120, QLatin1Char('m')) + QLatin1Char('\n'))
                                           .repeated(4)
                                    << 120.0 << true;
        QTest::newRow("kept spaces and blank lines")
            << QStringLiteral("    indented line\n\tTabbed\tcolumns\there\n\n\nthree blank lines above    and    wide    gaps\n")
                   .repeated(30)
            << 300.0 << false;
    }

    void boxAfterBoxReproducesTheTextOnce()
    {
        QFETCH(QString, plain);
        QFETCH(double, width);
        QFETCH(bool, wordsMayBreak);
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(prepare(engine, 60));
        const int pages = boxAfterBox(engine, markupOf(plain), QRectF(40, 40, width, 180));
        QVERIFY2(pages > 1, "the text needs several boxes");
        const QString file = save(engine, QStringLiteral("continued.pdf"));
        QVERIFY(!file.isEmpty());
        const QString text = allText(file, pages);
        if (wordsMayBreak)
            QCOMPARE(solid(text), solid(plain));
        else
            QCOMPARE(squeezed(text), squeezed(plain));
        // Every box got text, and no box after the last.
        for (int p = 1; p <= pages; ++p)
            QVERIFY2(!squeezed(testsupport::pdfText(file, p)).isEmpty(), qPrintable(QString::number(p)));
        QVERIFY(squeezed(testsupport::pdfText(file, pages + 1)).isEmpty());
    }

    void continuationKeepsTheStyleOfOpenTags()
    {
        const QString words = prose(2);
        const QString body = QStringLiteral("<b><font color=\"#ff0000\">") + markupOf(words) + QStringLiteral("</font></b>");
        {
            PdfEngine engine(QStringLiteral("FolioPdfEngine"));
            QVERIFY(prepare(engine, 1));
            const QString first = engine.DrawHTMLTextBox(40, 40, 300, 60, kOpen + body + kClose);
            QVERIFY(first.startsWith(QStringLiteral("<b><font color=\"#ff0000\">")));
        }
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(prepare(engine, 10));
        const int pages = boxAfterBox(engine, body, QRectF(40, 40, 300, 60));
        QVERIFY(pages > 2);
        const QString file = save(engine, QStringLiteral("styled.pdf"));
        QVERIFY(!file.isEmpty());
        QCOMPARE(squeezed(allText(file, pages)), squeezed(words));
        QString out;
        testsupport::run(QStringLiteral("pdffonts"), {QStringLiteral("-f"), QString::number(pages), QStringLiteral("-l"),
                                                      QString::number(pages), file}, &out);
        QVERIFY2(out.contains(QLatin1String("DejaVuSans-Bold")) && !out.contains(QLatin1String("+DejaVuSans ")), qPrintable(out));
        const QImage last = renderPage(file, pages, 72);
        QVERIFY(countPixels(last, isReddish) > 50);
        QCOMPARE(countPixels(last, isDark), 0);
    }

    void markupBecomesText_data()
    {
        // Markup and the lines pdftotext reads back (white space squeezed).
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("entities and stray characters")
            << QStringLiteral("a &lt; b &amp;&amp; c &gt; d &quot;q&quot; &#233;&#x1F600;&#X41; AT&T x<y 5 < 6 "
                              "&bogus; &#xZZ; <stdio.h> 1<2> 3 &")
            << QStringList{QStringLiteral("a < b && c > d \"q\" \u00e9\U0001F600A AT&T x<y 5 < 6 &bogus; &#xZZ; "
                                          "<stdio.h> 1<2> 3 &")};
        QTest::newRow("unknown tags, comments, declarations")
            << QStringLiteral("<p>Hello</p> <span class=\"x\" id='y'>World</span><!-- a <b>comment</b> --> "
                              "<img src=a.png/>again<?pi?><!DOCTYPE html>!")
            << QStringList{QStringLiteral("Hello World again!")};
        QTest::newRow("breaks in any letter case")
            << QStringLiteral("one<BR>two<br>three<br/>four<Br />five<bR>six</br>seven\neight")
            << QStringList{"one", "two", "three", "four", "five", "six", "seven", "eight"};
    }

    void markupBecomesText()
    {
        QFETCH(QString, markup);
        QFETCH(QStringList, lines);
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(prepare(engine, 1));
        QCOMPARE(engine.DrawHTMLTextBox(20, 20, 570, 500, kOpen + markup + kClose), QString());
        const QString file = save(engine, QStringLiteral("markup.pdf"));
        QVERIFY(!file.isEmpty());
        QStringList read;
        for (const QString& line : testsupport::pdfText(file).split(QLatin1Char('\n')))
            if (!squeezed(line).isEmpty())
                read << squeezed(line);
        QCOMPARE(read, lines);
        QCOMPARE(pdfFonts(file).size(), 1);  // nothing made bold or italic
    }

    void nonBreakingSpacesHoldWordsTogether()
    {
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(prepare(engine, 1));
        // Room for "aaaa bbbb" but not for "aaaa bbbb cccc".
        const QString remainder = engine.DrawHTMLTextBox(20, 20, 75, 14, kOpen + QStringLiteral("aaaa bbbb&nbsp;cccc") + kClose);
        QCOMPARE(remainder, QStringLiteral("bbbb&nbsp;cccc") + kClose);
    }

    void longWordsBreakBetweenCharactersInsideTheBox()
    {
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(prepare(engine, 1));
        const QString word = QString(150, QLatin1Char('W'));
        QCOMPARE(engine.DrawHTMLTextBox(100, 50, 100, 700, kOpen + word + kClose), QString());
        const QString file = save(engine, QStringLiteral("longword.pdf"));
        QVERIFY(!file.isEmpty());
        const QString text = testsupport::pdfText(file);
        QCOMPARE(solid(text), word);
        QVERIFY(text.count(QLatin1Char('\n')) > 10);
        const QRect ink = darkBounds(renderPage(file, 1, 72));
        QVERIFY(ink.left() >= 100 && ink.right() <= 200);
        QVERIFY(ink.right() > 180);  // lines are filled before they break
    }

    void runsOfSpacesAndTabsAreKept()
    {
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(prepare(engine, 1));
        engine.SetTextSize(20);
        // Each on its own line, 40 points apart.
        const QStringList lines = {QStringLiteral("l l"), QStringLiteral("l          l"), QStringLiteral("l\tl"),
                                   QStringLiteral("    l")};
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(engine.DrawHTMLTextBox(100, 100 + 40 * i, 400, 30, lines[i]), QString());
        const QString file = save(engine, QStringLiteral("spaces.pdf"));
        QVERIFY(!file.isEmpty());
        const QImage page = renderPage(file, 1, 72);
        auto strokes = [&](int i) {
            QList<int> xs;
            const QRect band(0, 100 + 40 * i, page.width(), 30);
            bool inStroke = false;
            for (int x = 0; x < page.width(); ++x) {
                const bool ink = !inkBounds(page, isDark, QRect(x, band.y(), 1, band.height())).isEmpty();
                if (ink && !inStroke)
                    xs << x;
                inStroke = ink;
            }
            return xs;
        };
        const double space = 20 * 651.0 / 2048;  // DejaVu Sans
        const QList<int> one = strokes(0), ten = strokes(1), tab = strokes(2), lead = strokes(3);
        QCOMPARE(one.size(), 2);
        QCOMPARE(ten.size(), 2);
        QCOMPARE(tab.size(), 2);
        QCOMPARE(lead.size(), 1);
        QVERIFY(std::abs((ten[1] - ten[0]) - (one[1] - one[0]) - 9 * space) < 2);
        // A tab goes to the next stop, eight spaces apart.
        QVERIFY(tab[1] >= 100 + 8 * space - 1 && tab[1] < 100 + 8 * space + 4);
        QVERIFY(std::abs(lead[0] - one[0] - 4 * space) < 2);
    }

    void sizesAndColoursNest()
    {
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(prepare(engine, 1));
        const QString markup = QStringLiteral(
            "<font size=\"10pt\" color=\"#ff0000\">HHH <font size=\"30pt\" color=\"#0000ff\">HHH</font> HHH</font>"
            "<BR><font size=20 color=#00ff00>HHH</font>");
        QCOMPARE(engine.DrawHTMLTextBox(50, 50, 500, 300, markup), QString());
        const QString file = save(engine, QStringLiteral("nest.pdf"));
        QVERIFY(!file.isEmpty());
        const QImage page = renderPage(file, 1, 144);
        const QRect red = inkBounds(page, isReddish), blue = inkBounds(page, isBluish), green = inkBounds(page, isGreenish);
        QVERIFY(!red.isEmpty() && !blue.isEmpty() && !green.isEmpty());
        // Red on both sides of the blue: the outer font is back after </font>.
        QVERIFY(red.left() < blue.left() && red.right() > blue.right());
        const double ratio = double(blue.height()) / inkBounds(page, isReddish, QRect(0, 0, blue.left(), page.height())).height();
        QVERIFY2(ratio > 2.6 && ratio < 3.4, qPrintable(QString::number(ratio)));
        // Same baseline for all sizes of a line; the green line below it.
        QVERIFY(std::abs(red.bottom() - blue.bottom()) <= 2);
        QVERIFY(green.top() > blue.bottom());
    }

    void boldItalicAndUnderline()
    {
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(prepare(engine, 1));
        engine.SetTextSize(20);
        QCOMPARE(engine.DrawHTMLTextBox(50, 50, 500, 300,
                                        QStringLiteral("plain <b>bold</b> <i>italic</i> <B><I>both</I></B><br>"
                                                       "<u>ooooo</u><br>ooooo")),
                 QString());
        const QString file = save(engine, QStringLiteral("styles.pdf"));
        QVERIFY(!file.isEmpty());
        QStringList names;
        for (const FontRow& row : pdfFonts(file))
            names << row.name.mid(row.name.indexOf(QLatin1Char('+')) + 1);
        names.sort();
        QCOMPARE(names, QStringList({"DejaVuSans", "DejaVuSans-Bold", "DejaVuSans-BoldOblique", "DejaVuSans-Oblique"}));
        QCOMPARE(squeezed(testsupport::pdfText(file)), QStringLiteral("plain bold italic both ooooo ooooo"));
        // The underlined line ends in a rule across the word; the plain one
        // in the feet of its letters.
        const QImage page = renderPage(file, 1, 144);
        const QRect under = inkBounds(page, isInk, QRect(0, 2 * 75, page.width(), 2 * 21));
        const QRect plain = inkBounds(page, isInk, QRect(0, 2 * 98, page.width(), 2 * 21));
        QVERIFY(!under.isEmpty() && !plain.isEmpty());
        const int underRule = countPixels(page, isInk, QRect(under.left(), under.bottom(), under.width(), 1));
        const int plainFeet = countPixels(page, isInk, QRect(plain.left(), plain.bottom(), plain.width(), 1));
        QVERIFY2(underRule > 0.95 * under.width() && plainFeet < 0.5 * plain.width(),
                 qPrintable(QStringLiteral("%1 %2 %3").arg(underRule).arg(plainFeet).arg(under.width())));
    }

    void boxesTooSmallForALineStillMoveOn()
    {
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(prepare(engine, 1));
        const QString markup = kOpen + QStringLiteral("first line<BR>second line") + kClose;
        const QString remainder = engine.DrawHTMLTextBox(50, 50, 300, 2, markup);
        QCOMPARE(remainder, QStringLiteral("second line") + kClose);
        const QString file = save(engine, QStringLiteral("small.pdf"));
        QVERIFY(!file.isEmpty());
        QCOMPARE(squeezed(testsupport::pdfText(file)), QStringLiteral("first line"));
    }

    void boxesEndAtThePageEdge()
    {
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(prepare(engine, 1));
        // A box reaching 300 points below the page: lines there would be lost.
        const QString remainder = engine.DrawHTMLTextBox(50, 692, 300, 400, kOpen + markupOf(prose(2)) + kClose);
        QVERIFY(!remainder.isEmpty());
        const QString file = save(engine, QStringLiteral("edge.pdf"));
        QVERIFY(!file.isEmpty());
        const QRect ink = darkBounds(renderPage(file, 1, 72));
        QVERIFY(ink.top() >= 692 && ink.bottom() < 792);
        QVERIFY(testsupport::pdfText(file).count(QLatin1Char('\n')) >= 7);
    }

    void degenerateBoxesDrawNothing_data()
    {
        QTest::addColumn<QRectF>("box");
        QTest::newRow("zero width") << QRectF(50, 50, 0, 300);
        QTest::newRow("zero height") << QRectF(50, 50, 300, 0);
        QTest::newRow("negative") << QRectF(50, 50, -300, -300);
        QTest::newRow("off the page") << QRectF(5000, 50, 300, 300);
        QTest::newRow("above the page") << QRectF(50, -900, 300, 300);
        QTest::newRow("not a number") << QRectF(std::nan(""), 50, 300, 300);
    }

    void degenerateBoxesDrawNothing()
    {
        QFETCH(QRectF, box);
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(prepare(engine, 1));
        const QString markup = kOpen + QStringLiteral("nothing fits") + kClose;
        QCOMPARE(engine.DrawHTMLTextBox(box.x(), box.y(), box.width(), box.height(), markup), markup);
        const QString file = save(engine, QStringLiteral("degenerate.pdf"));
        QVERIFY(!file.isEmpty());
        QVERIFY(squeezed(testsupport::pdfText(file)).isEmpty());
    }

    void malformedMarkupNeverHangsOrLosesTheInstance_data()
    {
        QTest::addColumn<QString>("body");
        QTest::newRow("unclosed tags") << QStringLiteral("<b>bold <i>both <u>all");
        QTest::newRow("stray closers") << QStringLiteral("</b></i></u></font></font>text</p>");
        QTest::newRow("misnested") << QStringLiteral("<b>a<i>b</b>c</i>d");
        QTest::newRow("huge size") << QStringLiteral("<font size=\"1e9pt\">huge</font> and <font size=\"99999\">more</font>");
        QTest::newRow("bad attributes") << QStringLiteral("<font size=\"-5\" color=\"nonsense\" size=abc>text</font><font size=\"+2\">x</font>");
        QTest::newRow("open tag at the end") << QStringLiteral("text <font size=\"12pt");
        QTest::newRow("lone <") << QStringLiteral("text <");
        QTest::newRow("lone &") << QStringLiteral("text &");
        QTest::newRow("unterminated comment") << QStringLiteral("text <!-- never closed");
        QTest::newRow("brackets") << QStringLiteral("<<<>>> <> </> < / >");
        QTest::newRow("bad numeric entities") << QStringLiteral("&#0; &#xD800; &#99999999; &#; &#x; &#-5;");
        QTest::newRow("control characters") << QStringLiteral("a\u0001b\u0000c\u007fd\re");
        QTest::newRow("lone surrogate") << QString(QChar(0xDC00)) + QStringLiteral("x") + QString(QChar(0xD800));
        QTest::newRow("only tags") << QStringLiteral("<b></b><i></i>");
        QTest::newRow("empty") << QString();
        QTest::newRow("many breaks") << QStringLiteral("<br>").repeated(500);
        QTest::newRow("many opened tags") << QStringLiteral("<b><font size=\"8\">x").repeated(300);
    }

    void malformedMarkupNeverHangsOrLosesTheInstance()
    {
        QFETCH(QString, body);
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(prepare(engine, 60));
        QVERIFY(boxAfterBox(engine, body, QRectF(40, 40, 200, 150)) > 0);
        // Still usable.
        engine.SelectPage(engine.PageCount());
        QCOMPARE(engine.DrawHTMLTextBox(40, 600, 400, 100, kOpen + QStringLiteral("still working") + kClose), QString());
        const QString file = save(engine, QStringLiteral("malformed.pdf"));
        QVERIFY(!file.isEmpty());
        QVERIFY(testsupport::pdfText(file, engine.PageCount()).contains(QLatin1String("still working")));
    }

    void manySmallBoxesHoldWhatOneLargeBoxHolds()
    {
        // Random markup from pieces that nest, break, escape and confuse:
        // drawn box after box in small boxes it must give the same text as
        // drawn at once in one large box.
        const QStringList pieces = {
            QStringLiteral("word"), QStringLiteral("Ünïcode"), QStringLiteral("\U0001F600"), QStringLiteral(" "),
            QStringLiteral("   "), QStringLiteral("\t"), QStringLiteral("<b>"), QStringLiteral("</b>"), QStringLiteral("<i>"),
            QStringLiteral("</i>"), QStringLiteral("<u>"), QStringLiteral("</u>"), QStringLiteral("<font size=\"14pt\">"),
            QStringLiteral("<font color=\"#0000ff\" size=6>"), QStringLiteral("</font>"), QStringLiteral("<BR>"),
            QStringLiteral("<br/>"), QStringLiteral("&amp;"), QStringLiteral("&lt;"), QStringLiteral("&#x41;"),
            QStringLiteral("&nbsp;"), QStringLiteral("&"), QStringLiteral("<"), QStringLiteral(">"), QStringLiteral("<p>"),
            QStringLiteral("<!-- x -->"), QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW")};
        QRandomGenerator random(20240607);
        for (int round = 0; round < 12; ++round) {
            QString body;
            const int n = 40 + static_cast<int>(random.bounded(160));
            for (int i = 0; i < n; ++i)
                body += pieces[static_cast<int>(random.bounded(pieces.size()))];
            PdfEngine whole(QStringLiteral("FolioPdfEngine"));
            QVERIFY(prepare(whole, 1));
            QCOMPARE(whole.DrawHTMLTextBox(10, 10, 590, 770, kOpen + body + kClose), QString());
            const QString wholeFile = save(whole, QStringLiteral("whole.pdf"));
            PdfEngine pieces(QStringLiteral("FolioPdfEngine"));
            QVERIFY(prepare(pieces, 120));
            QVERIFY2(boxAfterBox(pieces, body, QRectF(40, 40, 90, 45)) > 1, qPrintable(body));
            const QString piecesFile = save(pieces, QStringLiteral("pieces.pdf"));
            QVERIFY(!wholeFile.isEmpty() && !piecesFile.isEmpty());
            QCOMPARE(solid(testsupport::pdfText(piecesFile, 0, {QStringLiteral("-raw")})),
                     solid(testsupport::pdfText(wholeFile, 0, {QStringLiteral("-raw")})));
        }
    }

    void millimetreBoxesAfterAHeadline()
    {
        // A text file laid out as the text-to-PDF tool does: millimetres from
        // the top-left corner, a headline, then box after box below it.
        PdfEngine engine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(prepare(engine, 20, QSizeF(595.28, 841.89)));
        const int headline = engine.AddTrueTypeFont(QStringLiteral("DejaVu Serif [Bold]"), 0);
        const int content = engine.AddTrueTypeFont(QStringLiteral("Liberation Serif"), 0);
        QVERIFY(headline > 0 && content > 0);
        engine.SetMeasurementUnits(1);
        engine.SelectPage(1);
        engine.SelectFont(headline);
        engine.SetTextSize(30);
        const int h = static_cast<int>(engine.GetTextHeight());
        QCOMPARE(h, 12);
        QCOMPARE(engine.DrawText(0, h, QStringLiteral("Headline")), 1);
        QCOMPARE(engine.SetHTMLNormalFont(QStringLiteral("Default"), content), 1);
        const QString open = QStringLiteral("<font size=\"12pt\" color=\"#202020\">");
        const QString plain = prose(20);
        const int pages = boxAfterBox(engine, markupOf(plain), QRectF(0, h, engine.PageWidth(), engine.PageHeight()), open);
        QVERIFY(pages > 1);
        const QString file = save(engine, QStringLiteral("texttopdf.pdf"));
        QVERIFY(!file.isEmpty());
        QCOMPARE(squeezed(allText(file, pages)), QStringLiteral("Headline ") + squeezed(plain));
        const QImage first = renderPage(file, 1, 72);
        const int hPoints = qRound(h * 72 / 25.4);
        QVERIFY(darkBounds(first, QRect(0, 0, first.width(), hPoints)).height() > 15);  // the headline
        QVERIFY(darkBounds(first, QRect(0, hPoints, first.width(), first.height() - hPoints)).bottom() > 700);
    }
};

QTEST_MAIN(TestHtmlText)
#include "tst_htmltext.moc"
