// Page text: the same text pdftotext gives in raw and layout mode, page by
// page, every line ending with a line break; and text results carrying NUL
// characters through the binding.

#include "pdfengine.h"
#include "testsupport.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Pages with columns, a small table, mixed sizes and non-ASCII text.
bool writeLayoutPdf(const QString& path)
{
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setPageSize(QPageSize(QSizeF(612, 792), QPageSize::Point));
    QPainter p;
    if (!p.begin(&writer))
        return false;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    p.setFont(font);
    const QString words = QStringLiteral(
        "The quick brown fox jumps over the lazy dog while the engine reads every glyph in order. ");
    // Page 1: two columns of wrapped text and a heading.
    QFont heading = font;
    heading.setPixelSize(20);
    p.setFont(heading);
    p.drawText(QPointF(72, 60), QStringLiteral("Quarterly Report"));
    p.setFont(font);
    p.drawText(QRectF(72, 90, 220, 600), Qt::TextWordWrap, words.repeated(8));
    p.drawText(QRectF(320, 90, 220, 600), Qt::TextWordWrap, words.repeated(6));
    // Page 2: a table and non-ASCII text.
    writer.newPage();
    const QStringList cells{QStringLiteral("Item"), QStringLiteral("Qty"), QStringLiteral("Price"),
                            QStringLiteral("Äpfel"), QStringLiteral("12"), QStringLiteral("3.50"),
                            QStringLiteral("Ψωμί"), QStringLiteral("3"), QStringLiteral("1.20"),
                            QStringLiteral("Молоко"), QStringLiteral("1"), QStringLiteral("0.99")};
    for (int i = 0; i < cells.size(); ++i)
        p.drawText(QPointF(72 + (i % 3) * 150, 80 + (i / 3) * 22), cells[i]);
    // Page 3: empty. Page 4: one line.
    writer.newPage();
    writer.newPage();
    p.drawText(QPointF(200, 400), QStringLiteral("last page"));
    return p.end();
}

// pdftotext's text of one page (or of all pages for 0) without its form
// feeds; decoded by length, as it may hold NUL characters.
QString popplerText(const QString& pdf, int page, const QString& mode)
{
    QStringList args{mode, QStringLiteral("-enc"), QStringLiteral("UTF-8")};
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
    args << pdf << QStringLiteral("-");
    QProcess p;
    p.start(QStringLiteral("pdftotext"), args);
    if (!p.waitForFinished(60000))
        return QStringLiteral("pdftotext did not finish");
    const QByteArray out = p.readAllStandardOutput();
    QString text = QString::fromUtf8(out.constData(), out.size());
    text.remove(QLatin1Char('\f'));
    return text;
}

// A page with text inside and outside its CropBox, read through a ToUnicode map.
void writeCroppedTextPdf(const QString& path)
{
    QPDF q;
    q.emptyPDF();
    QPDFObjectHandle toUnicode = q.newStream(
        "/CIDInit /ProcSet findresource begin 12 dict begin begincmap /CMapName /X def /CMapType 2 def\n"
        "1 begincodespacerange <00> <FF> endcodespacerange\n"
        "2 beginbfchar <41> <0041> <42> <0042> endbfchar\n"
        "endcmap CMapName currentdict /CMap defineresource pop end end\n");
    QPDFObjectHandle font = q.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"));
    font.replaceKey("/ToUnicode", toUnicode);
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    QPDFObjectHandle fonts = QPDFObjectHandle::newDictionary();
    fonts.replaceKey("/F1", font);
    resources.replaceKey("/Font", fonts);
    QPDFObjectHandle page = q.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Page /MediaBox [0 0 400 300] /CropBox [0 0 200 300] >>"));
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Contents", q.newStream("BT /F1 24 Tf 20 200 Td (AB) Tj ET BT /F1 24 Tf 250 100 Td (BB) Tj ET"));
    QPDFPageDocumentHelper(q).addPage(QPDFPageObjectHelper(page), false);
    // QPDFWriter keeps the name, not a copy.
    const QByteArray fileName = QFile::encodeName(path);
    QPDFWriter w(q, fileName.constData());
    w.write();
}

} // namespace

class TestText : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    PdfEngine* engine = nullptr;
    QString layout;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        engine = new PdfEngine(QStringLiteral("FolioPdfEngine"));
        QVERIFY(engine->LibraryLoaded());
        layout = dir.filePath(QStringLiteral("layout.pdf"));
        QVERIFY(writeLayoutPdf(layout));
    }

    void cleanupTestCase() { delete engine; }

    void matchesPdftotext_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("mode");
        QTest::newRow("raw") << 0 << QStringLiteral("-raw");
        QTest::newRow("layout") << 7 << QStringLiteral("-layout");
    }

    void matchesPdftotext()
    {
        QFETCH(int, option);
        QFETCH(QString, mode);
        QCOMPARE(engine->LoadFromFile(layout, QString()), 1);
        QCOMPARE(engine->PageCount(), 4);
        QString joined;
        for (int page = 1; page <= 4; ++page) {
            QVERIFY(engine->SelectPage(page));
            const QString text = engine->GetPageText(option);
            QCOMPARE(text, popplerText(layout, page, mode));
            // Every line ends with a line break; an empty page has no text.
            QVERIFY(text.isEmpty() || text.endsWith(QLatin1Char('\n')));
            joined += text;
        }
        // Page texts joined with nothing keep every page on its own lines.
        QCOMPARE(joined, popplerText(layout, 0, mode));
        QVERIFY(joined.contains(QStringLiteral("Молоко")));
        QVERIFY(joined.contains(QStringLiteral("last page\n")));
        engine->RemoveDocument(engine->SelectedDocument());
    }

    void emptyAndMissingPages()
    {
        QCOMPARE(engine->LoadFromFile(layout, QString()), 1);
        QVERIFY(engine->SelectPage(3));
        QCOMPARE(engine->GetPageText(0), QString());
        QCOMPARE(engine->GetPageText(7), QString());
        // A page number that does not exist leaves the selection where it was.
        QVERIFY(!engine->SelectPage(9));
        QCOMPARE(engine->GetPageText(0), QString());
        // A new document's blank page.
        engine->NewDocument();
        QCOMPARE(engine->GetPageText(0), QString());
        // Other option numbers read as raw text.
        QVERIFY(engine->SelectDocument(engine->GetDocumentID(engine->DocumentCount() - 1)));
        QVERIFY(engine->SelectPage(4));
        QCOMPARE(engine->GetPageText(3), engine->GetPageText(0));
        while (engine->DocumentCount() > 1)
            engine->RemoveDocument(engine->GetDocumentID(1));
    }

    void textOutsideTheCropBoxIsNotRead()
    {
        const QString pdf = dir.filePath(QStringLiteral("special.pdf"));
        writeCroppedTextPdf(pdf);
        QCOMPARE(engine->LoadFromFile(pdf, QString()), 1);
        QVERIFY(engine->SelectPage(1));
        // The page as displayed: text beyond the CropBox is not shown, nor
        // read (pdftotext reads it, even with -cropbox).
        QCOMPARE(engine->GetPageText(0), QStringLiteral("AB\n"));
        QVERIFY(popplerText(pdf, 1, QStringLiteral("-raw")).startsWith(engine->GetPageText(0)));
        const QString layoutText = engine->GetPageText(7);
        QCOMPARE(layoutText.trimmed(), QStringLiteral("AB"));
        QVERIFY(!layoutText.contains(QStringLiteral("BB")));
        engine->RemoveDocument(engine->SelectedDocument());
    }
};

QTEST_MAIN(TestText)
#include "tst_text.moc"
