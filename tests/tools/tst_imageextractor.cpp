// The image extractor on real PDFs, checked against pdfimages: PNG pixels of
// lossless images identical to pdfimages -png, JPEG data as pdfimages -j
// writes it, output names, repeated and existing names, images that cannot be
// decoded, PDFs without images, bad inputs, a stopped run, and no temporary
// file left behind.

#include "imagefixtures.h"
#include "pdf_imageextractor.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "pixels.h"
#include "questions.h"
#include "testsupport.h"
#include "toolsupport.h"

#include <QComboBox>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

QImage picture(int w, int h, int seed)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * 255 / w + seed) % 256, (y * 255 / h) % 256, ((x ^ y) * seed) % 256));
    return image;
}

// A page for each image, drawing it once.
bool writeImages(const QString& path, const QList<std::function<std::string(Builder&)>>& images)
{
    Builder b;
    for (const auto& image : images)
        b.addPage(Builder::draw(image(b), 20, 500, 200, 150));
    return b.write(path);
}

} // namespace

class TestImageExtractor : public ToolSuite
{
    Q_OBJECT

    QString tmp;  // the runs' temporary folder
    std::unique_ptr<PDF_ImageExtractor> page;

    // A run that answers the folder question, then an existing file's when `exists` is given.
    const RunReport& extract(const QStringList& names, const QString& out, bool jpg = false, const QVariant& exists = QVariant())
    {
        page->findChild<QComboBox*>("comboBox")->setCurrentIndex(jpg ? 1 : 0);
        script.queue(Question::ExistingDirectory, out);
        if (exists.isValid())
            script.queue(Question::FileExists, exists);
        return page->run(pathsIn(dir, names));
    }

private slots:
    void initTestCase()
    {
        tmp = ownTemporaryFolder(dir);
        page = std::make_unique<PDF_ImageExtractor>(nullptr, toolRecord(11));
        // A JPEG photo, a lossless colour picture, a grey one of 4 bits.
        QByteArray grey;
        for (int i = 0; i < 40 * 30 / 2; ++i)
            grey.append(char(i * 37 % 256));
        QVERIFY(writeImages(path("pictures.pdf"), {[](Builder& b) { return b.image(picture(120, 80, 7), {Filter::DCT}); },
                                                   [](Builder& b) { return b.image(picture(64, 48, 3), {Filter::Flate}); },
                                                   [&](Builder& b) { return b.image("/Width 40 /Height 30 /ColorSpace /DeviceGray /BitsPerComponent 4", grey); }}));
        // The second image's data is no JPEG 2000 at all.
        QVERIFY(writeImages(path("broken.pdf"), {[](Builder& b) { return b.image(picture(30, 20, 1), {Filter::Flate}); },
                                                 [](Builder& b) { return b.image("/Width 8 /Height 8 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /JPXDecode", "garbage"); }}));
        QVERIFY(writeImages(path("scan"), {[](Builder& b) { return b.image(picture(30, 20, 5), {}); }}));
        QDir().mkpath(path("a"));
        QDir().mkpath(path("b"));
        QVERIFY(QFile::copy(path("scan"), path("a/report.pdf")) && QFile::copy(path("broken.pdf"), path("b/report.pdf")));
        QVERIFY(encrypt(path("scan"), path("locked.pdf"), "pw", "owner"));
        QVERIFY(writeTextPdf(path("text.pdf"), {"no pictures here"}));
        QVERIFY(writeFile(path("damaged.pdf"), "%PDF-1.4\nnothing more"));
    }

    void cleanup()
    {
        QVERIFY2(filesIn(tmp).isEmpty(), "a temporary file was left");
        checkScript();
    }

    void asPdfimagesWritesThem()
    {
        const QString out = emptyFolder(dir, "png");
        QVERIFY(extract({"pictures.pdf"}, out).isQuiet());
        QCOMPARE(filesIn(out), QStringList({"pictures_image_0.png", "pictures_image_1.png", "pictures_image_2.png"}));
        const QList<QImage> theirs = extractImages(path("pictures.pdf"));
        QCOMPARE(theirs.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QByteArray format;
            const QImage ours = readImage(QDir(out).filePath(QString("pictures_image_%1.png").arg(i)), &format);
            QCOMPARE(format, QByteArray("png"));
            // Lossless images have pdfimages' pixels exactly; the JPEG is decoded alike.
            const double d = meanChannelDifference(ours.convertToFormat(QImage::Format_RGB32), theirs[i].convertToFormat(QImage::Format_RGB32));
            QVERIFY2(i == 0 ? d >= 0 && d < 1 : d == 0, qPrintable(QString("image %1: %2").arg(i).arg(d)));
        }

        // JPG: the stored JPEG byte for byte, as pdfimages -j writes it; the others converted.
        const QString jpg = emptyFolder(dir, "jpg");
        QVERIFY(extract({"pictures.pdf"}, jpg, true).isQuiet());
        QCOMPARE(filesIn(jpg), QStringList({"pictures_image_0.jpg", "pictures_image_1.jpg", "pictures_image_2.jpg"}));
        QCOMPARE(run("pdfimages", {"-j", "-f", "1", "-l", "1", path("pictures.pdf"), QDir(out).filePath("j")}), 0);
        QCOMPARE(readFile(QDir(jpg).filePath("pictures_image_0.jpg")), readFile(QDir(out).filePath("j-000.jpg")));
        for (int i = 1; i < 3; ++i) {
            QByteArray format;
            const QImage image = readImage(QDir(jpg).filePath(QString("pictures_image_%1.jpg").arg(i)), &format);
            QCOMPARE(format, QByteArray("jpeg"));
            QCOMPARE(image.size(), theirs[i].size());
        }
    }

    void namesAndFailures()
    {
        // Repeated names are numbered, a name without extension keeps its
        // whole name, and an image that cannot be decoded is reported.
        const QString out = emptyFolder(dir, "names");
        const RunReport& report = extract({"a/report.pdf", "b/report.pdf", "scan"}, out);
        QCOMPARE(filesIn(out), QStringList({"report_image_0(1).png", "report_image_0.png", "scan_image_0.png"}));
        QCOMPARE(readImage(QDir(out).filePath("report_image_0(1).png")).size(), QSize(30, 20));
        QCOMPARE(report.problemLines(), QStringList{QDir(out).filePath("report_image_1.png") + ": not written: the image could not be decoded"});
        // One that cannot be saved is reported too, and nothing is left of it.
        QCOMPARE(extract({"scan"}, path("no/such/folder")).problemLines(),
                 QStringList{path("no/such/folder/scan_image_0.png") + ": not written: its folder does not exist"});

        // An existing output is asked about; "Skip" leaves it as it was.
        QVERIFY(writeFile(QDir(out).filePath("scan_image_0.png"), "keep"));
        extract({"scan"}, out, false, 2);
        QCOMPARE(script.asked().last().text, "scan_image_0.png");
        QCOMPARE(readFile(QDir(out).filePath("scan_image_0.png")), QByteArray("keep"));
    }

    void inputs_data()
    {
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QVariantList>("passwords");
        QTest::addColumn<QStringList>("written");
        QTest::addColumn<QStringList>("problems");
        QTest::addColumn<QStringList>("notes");
        // No images is no failure: said, and the folder is still asked for.
        QTest::newRow("no images") << QStringList{"text.pdf"} << QVariantList() << QStringList() << QStringList() << QStringList{"text.pdf: has no images"};
        QTest::newRow("damaged") << QStringList{"damaged.pdf", "scan"} << QVariantList() << QStringList{"scan_image_0.png"}
                                 << QStringList{"damaged.pdf: damaged beyond repair; left out"} << QStringList();
        QTest::newRow("protected") << QStringList{"locked.pdf"} << QVariantList{"pw"} << QStringList{"locked_image_0.png"} << QStringList() << QStringList();
        QTest::newRow("protected, cancelled") << QStringList{"locked.pdf", "scan"} << QVariantList{QVariant()} << QStringList{"scan_image_0.png"}
                                              << QStringList{"locked.pdf: protected: needs a password; left out"} << QStringList();
    }

    void inputs()
    {
        QFETCH(QStringList, inputs);
        QFETCH(QVariantList, passwords);
        QFETCH(QStringList, written);
        QFETCH(QStringList, problems);
        QFETCH(QStringList, notes);
        for (const QVariant& password : passwords)
            script.queue(Question::Password, password);
        const QString out = emptyFolder(dir, "inputs");
        const RunReport& report = extract(inputs, out);
        QCOMPARE(filesIn(out), written);
        QCOMPARE(report.problemLines(), problems.replaceInStrings(QRegularExpression("^"), dir.path() + "/"));
        QCOMPARE(report.notes(), notes.replaceInStrings(QRegularExpression("^"), dir.path() + "/"));
        QCOMPARE(page->engine->DocumentCount(), 1);
    }

    void stopped()
    {
        // While reading: nothing is written, and the folder is not asked for.
        const QString out = emptyFolder(dir, "stopped");
        script.stopAfter(script.progressSteps().size() + 2);
        page->findChild<QComboBox*>("comboBox")->setCurrentIndex(0);
        const int asked = script.asked().size();
        QVERIFY(page->run({path("pictures.pdf"), path("scan")}).cancelled());
        QCOMPARE(script.asked().size(), asked);
        // While saving: the images saved stay, whole.
        script.stopAfter(script.progressSteps().size() + 6);
        QVERIFY(extract({"pictures.pdf", "scan"}, out).cancelled());
        script.stopAfter(-1);
        QCOMPARE(filesIn(out), QStringList({"pictures_image_0.png", "pictures_image_1.png"}));
    }
};

QTEST_MAIN(TestImageExtractor)
#include "tst_imageextractor.moc"
