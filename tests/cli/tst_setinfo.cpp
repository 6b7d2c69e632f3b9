// folioforge-cli set-info against the desktop tool: the same information
// (read with QPDF and pdfinfo -enc UTF-8) for the same choices; an empty
// value; --show and what it prints.

#include "clisupport.h"
#include "pdf_batch_information_changer.h"
#include "pdfbuild.h"
#include "pdfread.h"
#include "testsupport.h"
#include "toolsupport.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestSetInfo : public CliSuite
{
    Q_OBJECT

    static QMap<QString, QString> fields(const QString& file, const QString& password = QString())
    {
        QMap<QString, QString> info = pdfInfo(file, password);
        for (const QString& key : info.keys())
            if (!QStringList{"Title", "Author", "Subject", "Keywords", "Creator", "Producer"}.contains(key))
                info.remove(key);
        return info;
    }

private slots:
    void initTestCase()
    {
        auto pdf = makeNumberedPdf(1, "Described");
        pdf->getTrailer().replaceKey("/Info", pdf->makeIndirectObject(QPDFObjectHandle::parse(
                                                  "<< /Title (Old title) /Author (Old author) /Producer (Old producer)"
                                                  " /CreationDate (D:20200102030405+01'00') /ModDate (D:2021) >>")));
        QVERIFY(writePdf(*pdf, path("described.pdf")));
        QVERIFY(encrypt(path("described.pdf"), path("locked.pdf"), "user-pw", "owner-pw"));
        QVERIFY(writeFile(path("damaged.pdf"), "%PDF-1.7\n" + QByteArray(3000, '#') + "\n%%EOF\n"));
    }

    void sameAsTheDesktopTool()
    {
        PDF_Batch_Information_Changer page(nullptr, toolRecord(13));
        const QString title = QString::fromUtf8("Jahresbericht – 年報");
        for (const auto& [key, value] : {qMakePair(QString("Title"), title), qMakePair(QString("Author"), QString())}) {
            page.findChild<QCheckBox*>("checkBox_" + key)->click();
            page.findChild<QLineEdit*>("lineEdit_" + key)->setText(value);
        }
        ScriptedQuestions script;
        QVERIFY(runInFolder(page, script.installed(), {path("described.pdf")}, path("desktop")).isQuiet());

        const auto r = runCli({"set-info", "--title", title, "--author", "", "-o", "cli", "described.pdf"}, dir.path());
        QVERIFY(wrote(r, {path("cli/described.pdf")}));
        QVERIFY(qpdfCheck(path("cli/described.pdf")));
        QCOMPARE(fields(path("cli/described.pdf")), fields(path("desktop/described.pdf")));
        QCOMPARE(fields(path("cli/described.pdf")).value("Title"), title);
        // Set, and empty: not the input's author.
        const auto out = openPdf(path("cli/described.pdf"));
        QVERIFY(out->getTrailer().getKey("/Info").getKey("/Author").isString());
        QCOMPARE(fields(path("cli/described.pdf")).value("Author"), QString());
        QCOMPARE(fields(path("cli/described.pdf")).value("Producer"), "Old producer");
    }

    void showPrintsInsteadOfWriting()
    {
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const auto r = runCli({"set-info", "--show", "--password-for", "locked.pdf=user-pw", "described.pdf", "damaged.pdf", "locked.pdf"}, dir.path());
        QCOMPARE(r.status, 1);
        QCOMPARE(r.errLines(), QStringList{"folioforge-cli: damaged.pdf: damaged beyond repair"});
        const QStringList one{"Title: Old title", "Author: Old author", "Subject: ", "Keywords: ", "Creator: ", "Producer: Old producer",
                              "CreationDate: 2020-01-02T03:04:05+01:00", "ModDate: 2021"};
        const QStringList expected = QStringList{"File: " + path("described.pdf")} + one + QStringList{"", "File: " + path("locked.pdf")} + one;
        QCOMPARE(r.out, expected.join('\n') + '\n');
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    }
};

QTEST_MAIN(TestSetInfo)
#include "tst_setinfo.moc"
