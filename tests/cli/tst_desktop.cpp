// Each command against its desktop page with the same choices: the same files,
// PDFs alike to pdfinfo, pdftotext, pdffonts, pdfimages, QPDF's bookmarks and
// pdftoppm's pixels, other files byte for byte. What only a command does (its
// own values, statuses and messages) is in its own suite.

#include "clisupport.h"
#include "createfeature.h"
#include "imagefixtures.h"
#include "pdfbuild.h"
#include "pdfread.h"
#include "pixels.h"
#include "testsupport.h"
#include "toolsupport.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFontComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>

#include <functional>
#include <memory>

using namespace testsupport;

namespace {

struct Case {
    int tool;
    bool folder;           // the output is a folder, else one PDF
    QStringList options;   // the command and its options
    QStringList inputs;    // of the command; the page runs on them too unless it works on its selection
    std::function<void(FeatureBase&, ScriptedQuestions&)> form;  // the page as the options set it
    bool selection = false;
};

template <class T = QWidget>
T* control(FeatureBase& page, const QString& name)
{
    return page.findChild<T*>(name);
}

// What the readers see of a PDF: boxes, texts, bookmarks, information, fonts, images, and each page's pixels.
QStringList describe(const QString& pdf)
{
    QStringList lines = pageBoxes(pdf) + pageTexts(pdf) + outlines(pdf, WithDepth | WithPage);
    const auto info = pdfInfo(pdf);
    for (const char* key : {"Title", "Author", "Subject", "Keywords", "Creator", "Producer", "Encrypted", "Page size"})
        lines << QString(key) + "=" + info.value(key);
    for (const FontRow& f : pdfFonts(pdf))
        lines << QString("%1 %2 %3").arg(f.name.section('+', -1), f.type).arg(f.embedded);
    for (const ListedImage& i : listImages(pdf))
        lines << QString("%1 %2 %3x%4 %5").arg(i.page).arg(i.type).arg(i.width).arg(i.height).arg(i.encoding);
    for (int p = 1; p <= info.value("Pages").toInt(); ++p) {
        const QImage page = renderPage(pdf, p, 30);
        lines << QCryptographicHash::hash(QByteArray(reinterpret_cast<const char*>(page.constBits()), int(page.sizeInBytes())),
                                          QCryptographicHash::Md5).toHex();
    }
    return lines;
}

} // namespace

Q_DECLARE_METATYPE(Case)

class TestAgainstTheDesktop : public CliSuite
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Pages of several sizes, turns and crop boxes; sources with bookmarks of their own.
        auto a = makePdf({{QRectF(0, 0, 612, 792), 0, QRectF(), "a-1"},
                          {QRectF(0, 0, 842, 595), 90, QRectF(), "a-2"},
                          {QRectF(0, 0, 595, 842), 0, QRectF(50, 50, 400, 600), "a-3"}});
        addOutlines(*a, {{0, "A one"}, {1, "A one.one"}, {0, "A two"}});
        QVERIFY(writePdf(*a, path("a.pdf")));
        QVERIFY(writeTextPdf(path("b.pdf"), {"b-1", "b-2"}));
        QVERIFY(writeTextPdf(path("c.pdf"), {"c-1", "c-2", "c-3", "c-4"}) && addOutlines(path("c.pdf"), {{0, "C"}}));
        QVERIFY(writeTextPdf(path("doc.pdf"), numberedTexts("p", 10)));
        const QByteArray centre = Builder::text("/F1", 24, 250, 400, "Centre");
        QVERIFY(writePdf(path("mixed.pdf"), {{QRectF(0, 0, 595.276, 841.89), 0, QRectF(), "A4", centre},
                                             {QRectF(0, 0, 612, 792), 90, QRectF(30, 40, 500, 600), "Letter", centre}}));
        QVERIFY(writePhotoAndLogo(path("photo.jpg"), path("logo.png")));
        const QImage photo(path("photo.jpg")), logo(path("logo.png"));
        Builder pics;
        pics.addPage(Builder::draw(pics.image(photo, {Filter::DCT}), 0, 0, 40, 30) + Builder::draw(pics.image(logo, {Filter::Flate}), 50, 0, 40, 30));
        QVERIFY(pics.write(path("pics.pdf")));
        QVERIFY(writeFile(path("notes.txt"), "Notes\r\nfirst <note> & more\r\n"));
        QVERIFY(writeFile(path("todo.txt"), QByteArray("todo \x93item\x94\n").repeated(120)));
    }

    void sameAsTheDesktop_data()
    {
        QTest::addColumn<Case>("c");
        const auto row = [](const char* name, const Case& c) { QTest::newRow(name) << c; };
        row("merge", {1, false, {"merge"}, {"a.pdf", "b.pdf", "c.pdf"}, [](FeatureBase& p, ScriptedQuestions&) {
             control<QAbstractButton>(p, "radioButton")->setChecked(true);
         }});
        row("merge --bookmarks", {1, false, {"merge", "--bookmarks"}, {"a.pdf", "b.pdf", "c.pdf"}, [](FeatureBase& p, ScriptedQuestions&) {
             control<QAbstractButton>(p, "radioButton_2")->setChecked(true);
         }});
        row("split", {2, true, {"split", "--pages", "2-9", "--every", "3"}, {"doc.pdf"}, [](FeatureBase& p, ScriptedQuestions&) {
             control<QAbstractButton>(p, "radioButton_2")->setChecked(true);
             control<QLineEdit>(p, "lineEdit_2")->setText("2");
             control<QLineEdit>(p, "lineEdit_3")->setText("9");
             control<QAbstractButton>(p, "radioButton_Every")->setChecked(true);
             control<QLineEdit>(p, "lineEdit")->setText("3");
         }});
        row("watermark", {3, true, {"watermark", "--text", "Zwölf Ärger", "--size", "50", "--color", "blue", "--position", "top-right"}, {"mixed.pdf"},
                       [](FeatureBase& p, ScriptedQuestions& script) {
             script.queue(Question::Color, QColor(0, 0, 255));
             control<QLineEdit>(p, "lineEdit")->setText("Zwölf Ärger");
             control<QSlider>(p, "horizontalSlider_2")->setValue(50);
             control<QAbstractButton>(p, "pushButton_11")->click();
             control<QAbstractButton>(p, "pushButton_4")->click();
         }});
        row("resize", {4, true, {"resize", "--paper", "a5", "--orientation", "landscape", "--scale", "50%"}, {"mixed.pdf"}, [](FeatureBase& p, ScriptedQuestions&) {
             control<QComboBox>(p, "comboBox")->setCurrentText("A5");
             control<QComboBox>(p, "comboBox_3")->setCurrentIndex(1);
             control<QComboBox>(p, "comboBox_2")->setCurrentText("50%");
         }});
        row("images-to-pdf", {5, false, {"images-to-pdf", "--bookmarks"}, {"photo.jpg", "logo.png"}, [](FeatureBase& p, ScriptedQuestions&) {
             control<QAbstractButton>(p, "radioButton_2")->setChecked(true);
         }});
        row("to-images", {7, true, {"to-images", "--format", "png", "--dpi", "96"}, {"doc.pdf"}, [](FeatureBase& p, ScriptedQuestions&) {
             control<QComboBox>(p, "comboBox")->setCurrentText("PNG");
             control<QComboBox>(p, "comboBox_2")->setCurrentText("96");
         }});
        // -90 is the form's 270.
        row("rotate-crop", {10, true, {"rotate-crop", "--rotate", "-90", "--left", "36", "--bottom", "12.5"}, {"mixed.pdf"}, [](FeatureBase& p, ScriptedQuestions&) {
             control<QComboBox>(p, "comboBox")->setCurrentIndex(3);
             for (const auto& [side, value] : {qMakePair(QString("left"), QString("36")), qMakePair(QString("bottom"), QString("12.5"))}) {
                 control<QCheckBox>(p, "checkBox_" + side)->click();
                 QTest::keyClicks(control<QLineEdit>(p, "lineEdit_" + side), value);
             }
         }});
        row("extract-images", {11, true, {"extract-images", "--format", "jpg"}, {"pics.pdf"}, [](FeatureBase& p, ScriptedQuestions&) {
             control<QComboBox>(p, "comboBox")->setCurrentIndex(1);
         }});
        row("remove-pages", {12, false, {"remove-pages", "--remove", "even"}, {"doc.pdf"}, [](FeatureBase& p, ScriptedQuestions& script) {
             script.queue(Question::Choice, 1);
             control<QAbstractButton>(p, "pushButton")->click();
         }, true});
        row("text-to-pdf", {15, false, {"text-to-pdf", "--paper", "a5", "--margin", "15", "--headline", "first-line", "--font", "dejavu serif",
                                     "--headline-font", "Nimbus Sans", "--size", "12", "--headline-size", "20", "--color", "darkblue"},
                         {"notes.txt", "todo.txt"}, [](FeatureBase& p, ScriptedQuestions& script) {
             control<QComboBox>(p, "comboBox")->setCurrentText("A5");
             control<QSpinBox>(p, "spinBox_Margin")->setValue(15);
             control<QAbstractButton>(p, "radioButton_transparency_2")->click();
             control<QFontComboBox>(p, "fontComboBox_Content")->setCurrentFont(QFont("DejaVu Serif"));
             control<QFontComboBox>(p, "fontComboBox_Headline")->setCurrentFont(QFont("Nimbus Sans"));
             control<QSlider>(p, "horizontalSlider_Content")->setValue(12);
             control<QSlider>(p, "horizontalSlider_Headline")->setValue(20);
             script.queue(Question::Color, QColor("darkblue"));
             control<QAbstractButton>(p, "pushButton_Content")->click();
         }});
    }

    void sameAsTheDesktop()
    {
        QFETCH(Case, c);
        const QString stem = QString(QTest::currentDataTag()).replace(' ', '_');
        const QString desktop = path("desktop-" + stem) + (c.folder ? "" : ".pdf"), cli = path("cli-" + stem) + (c.folder ? "" : ".pdf");
        std::unique_ptr<FeatureBase> page(createFeature(toolRecord(c.tool)));
        ScriptedQuestions script;
        script.installed();
        if (c.selection)
            page->FileSelected(path(c.inputs.value(0)));
        c.form(*page, script);
        if (!c.folder)
            script.queue(Question::SaveFileName, desktop);
        const QStringList inputs = c.selection ? QStringList() : pathsIn(dir, c.inputs);
        QVERIFY(c.folder ? runInFolder(*page, script, inputs, desktop).isQuiet() : page->run(inputs).isQuiet());

        const auto r = runCli(c.options + QStringList{"-o", cli} + c.inputs, dir.path());
        const QStringList files = c.folder ? filesIn(cli) : QStringList{QFileInfo(cli).fileName()};
        QVERIFY2(r.status == 0 && r.err.isEmpty() && !files.isEmpty(), qPrintable(r.err));
        QStringList printed = r.outLines().replaceInStrings(QRegularExpression("^.*/"), "");
        printed.sort();
        QCOMPARE(printed, files);
        if (c.folder)
            QCOMPARE(filesIn(desktop), files);
        else
            QVERIFY(QFileInfo::exists(desktop));
        QVERIFY(script.mismatches().isEmpty() && script.pending() == 0);
        for (const QString& file : files) {
            const QString ours = c.folder ? QDir(cli).filePath(file) : cli, theirs = c.folder ? QDir(desktop).filePath(file) : desktop;
            if (file.endsWith(".pdf")) {
                QVERIFY(qpdfCheck(ours));
                QCOMPARE(describe(ours), describe(theirs));
            } else {
                QCOMPARE(readFile(ours), readFile(theirs));
            }
        }
    }
};

QTEST_MAIN(TestAgainstTheDesktop)
#include "tst_desktop.moc"
