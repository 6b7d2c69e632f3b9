// folioforge-cli images-to-pdf against the desktop tool: the same pages,
// images and bookmarks for the same choices, read with pdfinfo, pdfimages and
// QPDF. Then what only the command line does: an image that does not read
// is named on stderr with exit status 1, an output that is one of the images
// is a usage error, and one image is enough.

#include "clisupport.h"
#include "imagefixtures.h"
#include "imgtopdf.h"
#include "pdfread.h"
#include "questions.h"
#include "testsupport.h"
#include "toolsupport.h"

#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestImagesToPdfCli : public CliSuite
{
    Q_OBJECT

    static QStringList describe(const QString& pdf)
    {
        QStringList lines;
        const auto info = pdfInfo(pdf, QString(), {"-f", "1", "-l", "9"});
        for (int p = 1; info.contains(QString("Page %1 size").arg(p)); ++p)
            lines << info.value(QString("Page %1 size").arg(p));
        for (const ListedImage& i : listImages(pdf))
            lines << QString("%1 %2 %3x%4 %5").arg(i.page).arg(i.type).arg(i.width).arg(i.height).arg(i.encoding);
        return lines + outlines(pdf, WithPage);
    }

private slots:
    void initTestCase()
    {
        QImage photo(640, 480, QImage::Format_RGB32);
        photo.fill(QColor(200, 120, 40));
        photo.setDotsPerMeterX(5906);  // 150 dpi
        photo.setDotsPerMeterY(5906);
        QVERIFY(writeFile(path("photo.jpg"), jpegBytes(photo)));
        QImage logo(120, 60, QImage::Format_ARGB32);
        logo.fill(QColor(0, 0, 255, 128));
        QVERIFY(logo.save(path("logo.png")));
        QVERIFY(writeFile(path("broken.jpg"), "\xff\xd8\xff but nothing more"));
    }

    void sameAsTheDesktopTool()
    {
        ImgToPDF page(nullptr, toolRecord(5));
        page.findChild<QRadioButton*>("radioButton_2")->setChecked(true);
        ScriptedQuestions script;
        script.installed().queue(Question::SaveFileName, path("desktop.pdf"));
        page.run({path("photo.jpg"), path("logo.png")});

        const auto r = runCli({"images-to-pdf", "--bookmarks", "-o", "cli.pdf", "photo.jpg", "logo.png"}, dir.path());
        QVERIFY(wrote(r, {path("cli.pdf")}));
        QVERIFY(qpdfCheck(path("cli.pdf")));
        QCOMPARE(describe(path("cli.pdf")).size(), 7);
        QCOMPARE(describe(path("desktop.pdf")), describe(path("cli.pdf")));
    }

    void whatOnlyTheCommandLineDoes()
    {
        // One image is enough.
        auto r = runCli({"images-to-pdf", "-o", "one.pdf", "logo.png"}, dir.path());
        QVERIFY(r.status == 0 && r.outLines() == QStringList{path("one.pdf")});
        QCOMPARE(qpdfPageCount(path("one.pdf")), 1);
        // An image that does not read is named, the others are written.
        r = runCli({"images-to-pdf", "-o", "most.pdf", "broken.jpg", "photo.jpg"}, dir.path());
        QCOMPARE(r.status, 1);
        QCOMPARE(r.errLines(), QStringList{"folioforge-cli: broken.jpg: not an image that can be read"});
        QCOMPARE(r.outLines(), QStringList{path("most.pdf")});
        QCOMPARE(qpdfPageCount(path("most.pdf")), 1);
        // The output may not be one of the images.
        const QByteArray before = readFile(path("logo.png"));
        r = runCli({"images-to-pdf", "-o", "./logo.png", "photo.jpg", "logo.png"}, dir.path());
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains("is one of the inputs"), qPrintable(r.err));
        QCOMPARE(readFile(path("logo.png")), before);
    }
};

QTEST_MAIN(TestImagesToPdfCli)
#include "tst_imagestopdf.moc"
