// The PDF compressor on real PDFs, read back with QPDF and Poppler's tools:
// each choice reaches the streams it names while text and pixels stay; a
// protected input stays protected; inputs that do not open are left out; a
// result no smaller than its input is not kept; the report gives the total.

#include "pdf_compressor.h"
#include "pdfbuild.h"
#include "pdfread.h"
#include "pixels.h"
#include "testsupport.h"
#include "toolsupport.h"
#include "tooltable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

// "fonts <how>, images <how>, content <how>": what became of the streams of `input` in `output`.
QString streamChanges(const QString& input, const QString& output)
{
    qint64 bytes[2][2] = {};  // file, kind (fonts, content)
    bool predicted = false;
    for (int f = 0; f < 2; ++f) {
        auto pdf = openPdf(f ? output : input);
        for (QPDFObjectHandle page : pdf->getAllPages()) {
            bytes[f][1] += streamData(page.getKey("/Contents")).size();
            for (auto [name, font] : page.getKey("/Resources").getKey("/Font").ditems())
                if (QPDFObjectHandle file = font.getKey("/FontDescriptor").getKey("/FontFile2"); file.isStream())
                    bytes[f][0] += streamData(file).size();
        }
        for (QPDFObjectHandle image : streamsOf(*pdf, "/Image"))
            predicted = predicted || (f && image.getDict().getKey("/DecodeParms").hasKey("/Predictor"));
    }
    auto how = [&](int kind) { return bytes[1][kind] == 0 ? "gone" : bytes[1][kind] < bytes[0][kind] ? "smaller" : bytes[1][kind] == bytes[0][kind] ? "same" : "larger"; };
    return QString("fonts %1, images %2, content %3").arg(how(0), predicted ? "predicted" : "as they were", how(1));
}

} // namespace

class TestCompressor : public ToolSuite
{
    Q_OBJECT

    PDF_Compressor page{nullptr, toolRecord(int(Tool::Compressor))};

    // Compresses the files (names in the test folder) into the folder `out` with these choices.
    const RunReport& compress(const QStringList& names, const QString& out, int fonts = 1, int images = 1, bool content = true,
                              const QStringList& passwords = {})
    {
        page.findChild<QComboBox*>("comboBox")->setCurrentIndex(fonts);
        page.findChild<QComboBox*>("comboBox_2")->setCurrentIndex(images);
        page.findChild<QCheckBox*>("checkBox")->setChecked(content);
        return runIn(page, names, out, passwords);
    }

private slots:
    void initTestCase()
    {
        // Every stream at zlib's fastest level, so that there is room to gain.
        Builder b;
        const std::string font = b.trueTypeFont("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf", "ArialMT", Filter::FastFlate);
        QImage picture(240, 160, QImage::Format_RGB888);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixelColor(x, y, QColor(x, y, (x * y) % 256));
        const std::string image = b.image(picture, {Filter::FastFlate});
        for (int p = 1; p <= 2; ++p) {
            QByteArray content = Builder::text(font, 20, 72, 720, QString("Page %1 of the report").arg(p).toLatin1());
            for (int line = 0; line < 30; ++line)
                content += Builder::text(font, 9, 72, 690 - line * 12, "The quick brown fox jumps over the lazy dog, again and again.");
            b.addPage(content + Builder::draw(image, 300, 500, 240, 160), Filter::FastFlate);
        }
        QVERIFY(b.write(path("report.pdf")));
        // The same as small as qpdf makes it; and protected, its streams as they were.
        QCOMPARE(run("qpdf", {"--object-streams=generate", "--recompress-flate", "--compression-level=9", path("report.pdf"), path("tight.pdf")}), 0);
        QCOMPARE(run("qpdf", {"--encrypt", "user pw", "owner", "256", "--", path("report.pdf"), path("locked.pdf")}), 0);
        QVERIFY(writeFile(path("notes.pdf"), "not a PDF at all"));
    }

    void choicesReachTheirStreams_data()
    {
        QTest::addColumn<int>("fonts");
        QTest::addColumn<int>("images");
        QTest::addColumn<bool>("content");
        QTest::addColumn<QString>("expected");
        QTest::newRow("defaults") << 1 << 1 << true << "fonts smaller, images predicted, content smaller";
        QTest::newRow("content only") << 0 << 0 << true << "fonts same, images as they were, content smaller";
        QTest::newRow("lossy fonts") << 2 << 0 << false << "fonts gone, images as they were, content same";
    }

    void choicesReachTheirStreams()
    {
        QFETCH(int, fonts);
        QFETCH(int, images);
        QFETCH(bool, content);
        const QString out = QString("choices-%1").arg(QTest::currentDataTag()).replace(' ', '-'), result = path(out + "/report.pdf");
        const RunReport& report = compress({"report.pdf"}, out, fonts, images, content);
        QCOMPARE(report.outputsWritten(), QStringList{result});
        QVERIFY(qpdfCheck(result));
        QTEST(streamChanges(path("report.pdf"), result), "expected");
        // What the pages say and show stays; only the lossy choice draws glyphs from another font.
        QCOMPARE(pageTexts(result), pageTexts(path("report.pdf")));
        QCOMPARE(pdfFonts(result).value(0).embedded, fonts != 2);
        if (fonts != 2)
            QCOMPARE(maxChannelDifference(renderPage(result, 2, 50), renderPage(path("report.pdf"), 2, 50)), 0);
        QCOMPARE(pdfInfo(result).value("Creator"), "PDF-Compressor");
        QCOMPARE(report.notes(), QStringList{PDF_Compressor::totalSaved(page.results())});
        QCOMPARE(page.results().value(0).after, QFileInfo(result).size());
    }

    void protectedInputStaysProtected()
    {
        const RunReport& report = compress({"locked.pdf"}, "locked", 1, 1, true, {"user pw"});
        const QString result = path("locked/locked.pdf");
        QCOMPARE(report.outputsWritten(), QStringList{result});
        QVERIFY(QFileInfo(result).size() < QFileInfo(path("locked.pdf")).size());  // compressed, not the input's bytes
        for (const char* password : {"--password=user pw", "--password=owner"})  // both passwords kept
            QCOMPARE(run("qpdf", {"--check", password, result}), 0);
        QCOMPARE(run("qpdf", {"--requires-password", result}), 0);  // 0: a password is needed
        QCOMPARE(pdfText(result, 1, {"-upw", "user pw"}), pdfText(path("report.pdf"), 1));
    }

    void inputsLeftOutOrKeptAsTheyWere()
    {
        // Inputs that do not open are named and nothing is written under
        // their names; a result no smaller than its input is not kept.
        const RunReport& report = compress({"notes.pdf", "tight.pdf", "gone.pdf", "report.pdf"}, "kept", 0, 0, false);
        QCOMPARE(report.problemLines(), QStringList({path("notes.pdf") + ": not a PDF; left out", path("gone.pdf") + ": no such file; left out"}));
        QCOMPARE(report.outputsWritten(), QStringList({path("kept/tight.pdf"), path("kept/report.pdf")}));
        QCOMPARE(readFile(path("kept/tight.pdf")), readFile(path("tight.pdf")));
        QCOMPARE(report.notes().value(0), "tight.pdf: nothing gained; written as it was.");
        QCOMPARE(QDir(path("kept")).entryList(QDir::Files | QDir::Hidden), QStringList({"report.pdf", "tight.pdf"}));  // nothing left behind
    }

    void ownButtonAsksForARun()
    {
        page.processRequest = false;
        page.findChild<QPushButton*>("pushButton_Default")->click();
        QVERIFY(page.processRequest);
        QCOMPARE(PDF_Compressor::totalSaved({{"a", "b", 2000, 1500}, {"c", "d", 1000, 1000}}), "Saved 500 bytes (17%): 2.9 kB before, 2.4 kB after.");
    }
};

QTEST_MAIN(TestCompressor)
#include "tst_compressor.moc"
