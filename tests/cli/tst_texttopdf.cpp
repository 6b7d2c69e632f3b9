// folioforge-cli text-to-pdf against the desktop page: the same pages, texts,
// sizes and fonts for the same choices, read with pdftotext, pdfinfo and
// pdffonts. Then what only the command line meets: a system without fonts
// stops instead of making pages for ever.

#include "clisupport.h"
#include "questions.h"
#include "testsupport.h"
#include "texttopdf.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontComboBox>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestTextToPdfCli : public CliSuite
{
    Q_OBJECT

    static QStringList fontNames(const QString& pdf)
    {
        QStringList names;
        for (const FontRow& f : pdfFonts(pdf))
            names << f.name.section('+', 1) + (f.embedded ? "" : " not embedded");
        names.sort();
        return names;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(writeFile(path("notes.txt"), "Notes\r\nfirst <note> & more\r\n"));
        QVERIFY(writeFile(path("todo.txt"), QByteArray("todo \x93item\x94\n").repeated(120)));
    }

    void sameAsTheDesktop()
    {
        CustomFileNames names;
        names.directory = dir.path();
        TextToPDF page(nullptr, makeBrandingRecord(names, 1, 15, false));
        page.findChild<QComboBox*>("comboBox")->setCurrentText("A5");
        page.findChild<QSpinBox*>("spinBox_Margin")->setValue(15);
        page.findChild<QAbstractButton*>("radioButton_transparency_2")->click();
        page.findChild<QFontComboBox*>("fontComboBox_Content")->setCurrentFont(QFont("DejaVu Serif"));
        page.findChild<QFontComboBox*>("fontComboBox_Headline")->setCurrentFont(QFont("Nimbus Sans"));
        page.findChild<QSlider*>("horizontalSlider_Content")->setValue(12);
        page.findChild<QSlider*>("horizontalSlider_Headline")->setValue(20);
        ScriptedQuestions script;
        script.installed().queue(Question::Color, QColor("darkblue")).queue(Question::SaveFileName, path("desktop.pdf"));
        page.findChild<QAbstractButton*>("pushButton_Content")->click();
        page.run({path("notes.txt"), path("todo.txt")});

        const auto r = runCli({"text-to-pdf", "--paper", "a5", "--margin", "15", "--headline", "first-line", "--font", "dejavu serif",
                               "--headline-font", "Nimbus Sans", "--size", "12", "--headline-size", "20", "--color", "darkblue",
                               "-o", "cli.pdf", "notes.txt", "todo.txt"},
                              dir.path());
        QVERIFY(wrote(r, {path("cli.pdf")}));
        QVERIFY(pageTexts(path("cli.pdf")).first().startsWith(QString::fromUtf8("Notes first <note> & more")));
        QCOMPARE(pageTexts(path("cli.pdf")), pageTexts(path("desktop.pdf")));
        QCOMPARE(pdfInfo(path("cli.pdf")).value("Page size"), pdfInfo(path("desktop.pdf")).value("Page size"));
        QCOMPARE(fontNames(path("desktop.pdf")), fontNames(path("cli.pdf")));
    }

    // Without a single font nothing can be drawn: each file's page loop
    // stops at once, and no document of blank pages is written.
    void noFontsStopsTheLayout()
    {
        QVERIFY(writeFile(path("nofonts.conf"), "<?xml version=\"1.0\"?><fontconfig><cachedir>" + path("fc").toUtf8() + "</cachedir></fontconfig>"));
        qputenv("FONTCONFIG_FILE", path("nofonts.conf").toUtf8());
        const auto r = runCli({"text-to-pdf", "-o", "blank.pdf", "notes.txt", "todo.txt"}, dir.path());
        qunsetenv("FONTCONFIG_FILE");
        QCOMPARE(r.status, 1);
        QCOMPARE(r.errLines(), QStringList({"folioforge-cli: notes.txt: its text could not be laid out whole",
                                            "folioforge-cli: todo.txt: its text could not be laid out whole"}));
        QVERIFY(!QFileInfo::exists(path("blank.pdf")));
    }
};

QTEST_MAIN(TestTextToPdfCli)
#include "tst_texttopdf.moc"
