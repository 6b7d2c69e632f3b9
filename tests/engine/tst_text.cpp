// Page text: the same text pdftotext gives in raw and layout mode, page by
// page, every line ending with a line break; the page as displayed.

#include "pdfbuild.h"
#include "pdfengine.h"
#include "testsupport.h"

#include <qpdf/QPDF.hh>

#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

// Four pages: two columns under a heading; a table with non-ASCII text; an
// empty page; one line.
bool writeLayoutPdf(const QString& path)
{
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setPageSize(QPageSize(QSizeF(612, 792), QPageSize::Point));
    QPainter p;
    if (!p.begin(&writer))
        return false;
    QFont font("DejaVu Sans");
    font.setPixelSize(20);
    p.setFont(font);
    p.drawText(QPointF(72, 60), "Quarterly Report");
    font.setPixelSize(11);
    p.setFont(font);
    const QString words = "The quick brown fox jumps over the lazy dog while the engine reads every glyph in order. ";
    p.drawText(QRectF(72, 90, 220, 600), Qt::TextWordWrap, words.repeated(8));
    p.drawText(QRectF(320, 90, 220, 600), Qt::TextWordWrap, words.repeated(6));
    writer.newPage();
    const QStringList cells{"Item", "Qty", "Price", "Äpfel", "12", "3.50", "Ψωμί", "3", "1.20", "Молоко", "1", "0.99"};
    for (int i = 0; i < cells.size(); ++i)
        p.drawText(QPointF(72 + (i % 3) * 150, 80 + (i / 3) * 22), cells[i]);
    writer.newPage();
    writer.newPage();
    p.drawText(QPointF(200, 400), "last page");
    return p.end();
}

// pdftotext's text without its form feeds.
QString popplerText(const QString& pdf, int page, const QString& mode)
{
    return pdfText(pdf, page, {mode}).remove('\f');
}

} // namespace

class TestText : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    PdfEngine engine{"FolioPdfEngine"};
    QString layout;

private slots:
    void initTestCase()
    {
        layout = dir.filePath("layout.pdf");
        QVERIFY(writeLayoutPdf(layout));
    }

    void matchesPdftotext_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("mode");
        QTest::newRow("raw") << 0 << "-raw";
        QTest::newRow("layout") << 7 << "-layout";
    }

    void matchesPdftotext()
    {
        QFETCH(int, option);
        QFETCH(QString, mode);
        QCOMPARE(engine.LoadFromFile(layout, QString()), 1);
        QCOMPARE(engine.PageCount(), 4);
        QString joined;
        for (int page = 1; page <= 4; ++page) {
            QVERIFY(engine.SelectPage(page));
            const QString text = engine.GetPageText(option);
            QCOMPARE(text, popplerText(layout, page, mode));
            QVERIFY(text.isEmpty() || text.endsWith('\n'));  // an empty page has no text
            joined += text;
        }
        // Page texts joined with nothing keep every page on its own lines.
        QCOMPARE(joined, popplerText(layout, 0, mode));
        QVERIFY(joined.contains("Молоко") && joined.contains("last page\n"));
    }

    void emptyAndMissingPages()
    {
        QCOMPARE(engine.LoadFromFile(layout, QString()), 1);
        QVERIFY(engine.SelectPage(3));  // empty, in both modes (matchesPdftotext)
        QVERIFY(!engine.SelectPage(9));  // the selection stays where it was
        QCOMPARE(engine.GetPageText(0), QString());
        QVERIFY(engine.SelectPage(4));
        QCOMPARE(engine.GetPageText(3), engine.GetPageText(0));  // other options read as raw text
        engine.NewDocument();
        QCOMPARE(engine.GetPageText(0), QString());
    }

    void pagesReadInTurn()
    {
        // Page after page (read ahead on a second thread, however busy the
        // machine), in both modes, out of turn, and after a change in the middle.
        qputenv("FOLIO_TEXT_READ_AHEAD", "1");
        const QString file = dir.filePath("numbered.pdf");
        QVERIFY(writeNumberedPdf(file, 40));
        QVERIFY(loadOnly(engine, file));
        auto read = [this](const QList<int>& pages, int option) {
            QStringList texts;
            for (int page : pages)
                texts << (engine.SelectPage(page) ? engine.GetPageText(option).trimmed() : "none");
            return texts;
        };
        auto expected = [](const QList<int>& pages) {
            QStringList texts;
            for (int page : pages)
                texts << QString("Doc page %1").arg(page);
            return texts;
        };
        QList<int> all;
        for (int page = 1; page <= 40; ++page)
            all << page;
        QCOMPARE(read(all, 0), expected(all));
        QCOMPARE(read(all.mid(0, 20), 7), expected(all.mid(0, 20)));
        QCOMPARE(read({3, 4, 5, 30, 2, 31, 32, 33, 40}, 0), expected({3, 4, 5, 30, 2, 31, 32, 33, 40}));
        read({10, 11, 12}, 0);
        QCOMPARE(engine.DeletePages(13, 1), 39);
        QCOMPARE(read({13, 14}, 0), expected({14, 15}));
        // The document goes while its reader is busy.
        read({20, 21}, 7);
        QVERIFY(loadOnly(engine, layout));
        QCOMPARE(read({1, 2}, 0).value(1), popplerText(layout, 2, "-raw").trimmed());
        qunsetenv("FOLIO_TEXT_READ_AHEAD");
    }

    void textOutsideTheCropBoxIsNotRead()
    {
        // A page with text inside and outside its CropBox, read through a ToUnicode map.
        auto pdf = makePdf({{QRectF(0, 0, 400, 300), 0, QRectF(0, 0, 200, 300), QString(),
                             "BT /F1 24 Tf 20 200 Td (AB) Tj ET BT /F1 24 Tf 250 100 Td (BB) Tj ET"}});
        QPDFObjectHandle font = QPDFObjectHandle(pdf->getAllPages()[0]).getKey("/Resources").getKey("/Font").getKey("/F1");
        font.replaceKey("/ToUnicode", pdf->newStream("/CIDInit /ProcSet findresource begin 12 dict begin begincmap /CMapName /X def "
                                                     "1 begincodespacerange <00> <FF> endcodespacerange\n"
                                                     "2 beginbfchar <41> <0041> <42> <0042> endbfchar\n"
                                                     "endcmap CMapName currentdict /CMap defineresource pop end end\n"));
        const QString file = dir.filePath("cropped.pdf");
        QVERIFY(writePdf(*pdf, file));
        QCOMPARE(engine.LoadFromFile(file, QString()), 1);
        // Not shown, so not read (pdftotext reads it, even with -cropbox).
        QCOMPARE(engine.GetPageText(0), "AB\n");
        QVERIFY(popplerText(file, 1, "-raw").startsWith("AB\n"));
        QCOMPARE(engine.GetPageText(7).trimmed(), "AB");
    }
};

QTEST_MAIN(TestText)
#include "tst_text.moc"
