// The PDF word count: how page texts are counted, and the figures of real
// PDFs beside pdftotext -raw | wc -w, pdfinfo, pdfimages -list and QPDF's
// bookmarks; protected and damaged inputs; the table cleared when the list
// changes and filled by a run.

#include "pdf_wordcount.h"
#include "pdfbuild.h"
#include "pdfread.h"
#include "questions.h"
#include "shellsupport.h"
#include "testsupport.h"
#include "toolsupport.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

// The figures as independent readers give them.
PDF_WordCount::Tally independent(const QStringList& pdfs)
{
    PDF_WordCount::Tally t;
    for (const QString& pdf : pdfs) {
        const QString raw = pdfText(pdf, 0, {"-raw"}).remove('\f');
        QString words;
        run("sh", {"-c", "pdftotext -raw -enc UTF-8 \"$0\" - | LC_ALL=C.UTF-8 wc -w", pdf}, &words);
        t.words += words.trimmed().toLongLong();
        t.characters += raw.toUcs4().size();
        t.pages += pdfInfo(pdf).value("Pages").toLongLong();
        for (const ListedImage& image : listImages(pdf))
            t.images += image.type == "image";
        t.bookmarks += outlines(pdf).size();
        t.bytes += QFileInfo(pdf).size();
        t.files += 1;
    }
    return t;
}

QStringList figures(const PDF_WordCount::Tally& t, bool withPhrases = true)
{
    QStringList list{QString::number(t.words), QString::number(t.characters), QString::number(t.files),
                     t.megabytes(), QString::number(t.pages), QString::number(t.images), QString::number(t.bookmarks)};
    if (withPhrases)
        list.insert(2, QString::number(t.phrases));
    return list;
}

} // namespace

class TestWordCount : public ToolSuite
{
    Q_OBJECT

    PDF_WordCount page{nullptr, toolRecord(9)};

    // The value labels, in the form's order.
    QStringList table() const
    {
        QStringList values;
        for (const char* name : {"label_Words", "label_Characters", "label_Phrases", "label_Files", "label_fileSize",
                                 "label_pages", "label_img", "label_bookmarks"})
            values << page.findChild<QLabel*>(name)->text();
        return values;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(writeTextPdf(path("plain.pdf"), {"One two. Three", "", "Four   five.   Six. seven"}));
        QVERIFY(addOutlines(path("plain.pdf"), {{0, "Top"}, {1, "Inner"}, {0, "Second"}}));
        QVERIFY(writeUnicodePdf(path("unicode.pdf"), {"Съешь же ещё этих мягких французских булок. 日本語のテキスト。 😀 end.",
                                                      "Вторая страница\tтекст"}));
        Builder images;
        const std::string font = images.standardFont("Helvetica");
        const std::string photo = images.image(QImage(":/icon/res/170338 - arrows refresh reload renew repeat sync update.png"), {Filter::Flate});
        QImage grey(64, 48, QImage::Format_RGB32);
        grey.fill(Qt::darkCyan);
        const std::string jpeg = images.image(grey, {Filter::DCT});
        images.addPage(Builder::text(font, 12, 72, 700, "Two pictures. And a caption") + Builder::draw(photo, 72, 400, 200, 200)
                       + Builder::draw(jpeg, 300, 400, 128, 96));
        images.addPage(Builder::draw(photo, 72, 72, 100, 100));
        QVERIFY(images.write(path("images.pdf")));
        QVERIFY(encrypt(path("plain.pdf"), path("locked.pdf"), "sesame", "owner"));
        QVERIFY(writeFile(path("damaged.pdf"), "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\ntrailer << /Root 1 0 R >>\n"));
    }

    void countsPageTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("words");
        QTest::addColumn<qint64>("characters");
        QTest::addColumn<qint64>("phrases");
        QTest::newRow("sentence") << "One two. Three" << 3ll << 14ll << 2ll;
        QTest::newRow("empty") << "" << 0ll << 0ll << 0ll;
        QTest::newRow("only spaces") << "   " << 0ll << 3ll << 0ll;
        QTest::newRow("line breaks and tabs separate") << "a\nb\tc\r\nd" << 4ll << 8ll << 1ll;
        QTest::newRow("runs of spaces") << "x   y  " << 2ll << 7ll << 1ll;
        QTest::newRow("stops with nothing between") << "x. . y..." << 3ll << 9ll << 2ll;
        QTest::newRow("Cyrillic") << "Привет, мир." << 2ll << 12ll << 1ll;
        QTest::newRow("Japanese, ideographic space") << "日本語\u3000テキスト" << 2ll << 8ll << 1ll;
        QTest::newRow("control characters count for nothing") << "a\bb \b \x01." << 2ll << 8ll << 1ll;
        QTest::newRow("outside the BMP") << "\U0001F600 b\U0001D400" << 2ll << 4ll << 1ll;
    }

    void countsPageTexts()
    {
        QFETCH(QString, text);
        QFETCH(qint64, words);
        QFETCH(qint64, characters);
        QFETCH(qint64, phrases);
        PDF_WordCount::Tally t;
        PDF_WordCount::CountText(text, t);
        QCOMPARE(t.words, words);
        QCOMPARE(t.characters, characters);
        QCOMPARE(t.phrases, phrases);
    }

    void sizeInMegabytes()
    {
        // Six significant digits, in the shorter of fixed and exponent notation.
        const QList<QPair<qint64, QString>> shown{{2 * 1048576, "2"}, {1572864, "1.5"}, {1000000, "0.953674"}, {10, "9.53674e-06"}};
        for (const auto& [bytes, text] : shown) {
            PDF_WordCount::Tally t;
            t.bytes = bytes;
            QCOMPARE(t.megabytes(), text);
        }
    }

    void figuresOfRealPdfs()
    {
        const QStringList pdfs{path("plain.pdf"), path("unicode.pdf"), path("images.pdf")};
        QVERIFY(page.run(pdfs).isQuiet());
        const PDF_WordCount::Tally expected = independent(pdfs);
        QCOMPARE(QList<qint64>({expected.images, expected.bookmarks, expected.pages}), QList<qint64>({3, 3, 7}));
        QVERIFY(expected.words > 20);
        QCOMPARE(figures(page.total(), false), figures(expected, false));
        QCOMPARE(table(), figures(page.total()));
        QCOMPARE(page.perFile().size(), 3);
        for (const auto& file : page.perFile())
            QCOMPARE(figures(file.tally, false), figures(independent({file.path}), false));
        // Phrases: the parts between full stops that hold a word.
        QCOMPARE(page.perFile()[0].tally.phrases, 5);
    }

    void inputsThatDoNotOpenCountNothing()
    {
        // Protected, opened on the second try: counted. Cancelled, damaged, missing: named, left out.
        script.queue(Question::Password, "guess").queue(Question::Password, "sesame").queue(Question::Password, QVariant());
        const RunReport& report = page.run({path("locked.pdf"), path("damaged.pdf"), path("locked.pdf"), path("gone.pdf"), path("images.pdf")});
        QCOMPARE(report.problemLines().size(), 3);
        QVERIFY(report.problemLines().join('\n').contains("damaged.pdf") && report.problemLines().join('\n').contains("gone.pdf"));
        PDF_WordCount::Tally expected = independent({path("plain.pdf"), path("images.pdf")});
        expected.bytes += QFileInfo(path("locked.pdf")).size() - QFileInfo(path("plain.pdf")).size();
        QCOMPARE(figures(page.total(), false), figures(expected, false));
        // Nothing opens: every figure is 0.
        script.queue(Question::Password, QVariant());
        page.run({path("damaged.pdf"), path("locked.pdf")});
        QCOMPARE(table(), QStringList({"0", "0", "0", "0", "0", "0", "0", "0"}));
    }

    void tableClearsWhenTheListChanges()
    {
        page.run({path("plain.pdf")});
        page.fileCount = 1;
        QTRY_COMPARE(table().join(""), QString());  // a new count clears the figures
        page.run({path("plain.pdf")});
        QTest::qWait(120);  // the count has not changed: the figures stay
        QCOMPARE(table().value(3), "1");
        page.findChild<QPushButton*>("pushButton_Default")->click();
        QVERIFY(page.processRequest);
    }
};

QTEST_MAIN(TestWordCount)
#include "tst_pdf_wordcount.moc"
