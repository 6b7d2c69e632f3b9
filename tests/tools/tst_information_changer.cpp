// PDF information changer end to end on real PDFs, read with QPDF and
// pdfinfo (-enc UTF-8, -meta): ticked fields replaced exactly as typed, the
// others kept, no stamp of the tool over them, Unicode in the information
// dictionary and the XMP packet, entries that keep their text while
// unticked, protected and damaged inputs.

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

namespace {

const QStringList fields{"Title", "Author", "Subject", "Keywords", "Creator", "Producer"};

// "Key=value" of the six fields, read with QPDF exactly as stored.
QStringList information(const QString& file, const QString& password = QString())
{
    QStringList lines;
    const auto pdf = openPdf(file, password);
    QPDFObjectHandle info = pdf->getTrailer().getKey("/Info");
    for (const QString& key : fields)
        lines << key + "=" + QString::fromStdString(info.getKey(("/" + key).toStdString()).getUTF8Value());
    return lines;
}

} // namespace

class TestInformationChanger : public ToolSuite
{
    Q_OBJECT

    PDF_Batch_Information_Changer page{nullptr, toolRecord(13)};
    QStringList old;  // the information of described.pdf

    // Ticks the fields given ("Title=text") with their text, unticks the others.
    void setForm(const QStringList& typed)
    {
        for (const QString& key : fields) {
            const QStringList match = typed.filter(QRegularExpression("^" + key + "="));
            auto* box = page.findChild<QCheckBox*>("checkBox_" + key);
            if (box->isChecked() == match.isEmpty())
                box->click();
            page.findChild<QLineEdit*>("lineEdit_" + key)->setText(match.value(0).section('=', 1));
        }
    }

private slots:
    void initTestCase()
    {
        auto pdf = makeNumberedPdf(2, "Described");
        pdf->getTrailer().replaceKey("/Info", pdf->makeIndirectObject(QPDFObjectHandle::parse(
                                                  "<< /Title (Old title) /Author (Old author) /Subject (Old subject) /Keywords (old, words)"
                                                  " /Creator (Old creator) /Producer (Old producer) /CreationDate (D:20200102030405+01'00') >>")));
        addXmp(*pdf, "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
                     "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Old title</rdf:li></rdf:Alt></dc:title></rdf:Description>");
        QVERIFY(writePdf(*pdf, path("described.pdf")));
        old = information(path("described.pdf"));
        QCOMPARE(old.first(), "Title=Old title");
        QVERIFY(encrypt(path("described.pdf"), path("locked.pdf"), "user-pw", "owner-pw"));
        QVERIFY(writeFile(path("damaged.pdf"), "%PDF-1.7\n" + QByteArray(3000, '#') + "\n%%EOF\n"));
    }

    void changesTheTickedFields_data()
    {
        QTest::addColumn<QStringList>("typed");  // the ticked fields, and what the output holds for them
        QTest::newRow("nothing ticked: the input's information, unstamped") << QStringList();
        QTest::newRow("ticked and empty: emptied") << QStringList{"Subject="};
        QTest::newRow("exactly as typed") << QStringList{"Keywords=  two  blanks , (paren\\", "Producer=x"};
        QTest::newRow("all six") << QStringList{"Title=t", "Author=a", "Subject=s", "Keywords=k", "Creator=c", "Producer=p"};
    }

    void changesTheTickedFields()
    {
        QFETCH(QStringList, typed);
        setForm(typed);
        const QString folder = QString::number(qHash(QByteArray(QTest::currentDataTag())));
        QVERIFY(runIn(page, {"described.pdf"}, folder).isQuiet());
        const QString out = path(folder + "/described.pdf");
        QVERIFY(qpdfCheck(out));
        QStringList expected = old;
        for (const QString& c : typed)
            expected.replaceInStrings(QRegularExpression("^" + c.section('=', 0, 0) + "=.*$"), c);
        QCOMPARE(information(out), expected);
        QCOMPARE(pdfInfo(out).value("CreationDate").isEmpty(), false);  // what is not a field stays
        QCOMPARE(pageTexts(out), QStringList({"Described page 1", "Described page 2"}));
    }

    void unicodeInBothPlaces()
    {
        const QString title = QString::fromUtf8("Ünïcødé 日本語 ✓"), author = QString::fromUtf8("Jürgen Åström & <Co>");
        setForm({"Title=" + title, "Author=" + author});
        QVERIFY(runIn(page, {"described.pdf"}, "unicode").isQuiet());
        const QString out = path("unicode/described.pdf");
        const auto info = pdfInfo(out);
        QCOMPARE(info.value("Title"), title);
        QCOMPARE(info.value("Author"), author);
        QString xmp;
        QCOMPARE(testsupport::run("pdfinfo", {"-meta", out}, &xmp), 0);
        QVERIFY2(xmp.contains(title) && xmp.contains(QString::fromUtf8("Jürgen Åström &amp; &lt;Co&gt;")), qPrintable(xmp));
        QVERIFY(!xmp.contains("Old title"));
    }

    void entriesKeepTheirTextWhileUnticked()
    {
        setForm({"Title=kept"});
        auto* box = page.findChild<QCheckBox*>("checkBox_Title");
        auto* entry = page.findChild<QLineEdit*>("lineEdit_Title");
        box->click();
        QVERIFY(!entry->isEnabled() && entry->text() == "kept");
        QVERIFY(!page.findChild<QLineEdit*>("lineEdit_Author")->isEnabled());
        box->click();
        QVERIFY(entry->isEnabled() && entry->text() == "kept");
    }

    void protectedAndDamagedInputs()
    {
        setForm({"Title=Locked title"});
        const RunReport& report = runIn(page, {"damaged.pdf", "locked.pdf"}, "inputs", {"user-pw"});
        QCOMPARE(report.problemLines(), QStringList{path("damaged.pdf") + ": damaged beyond repair; left out"});
        QCOMPARE(report.outputsWritten(), QStringList{path("inputs/locked.pdf")});
        // Still protected, with the same password.
        QCOMPARE(information(path("inputs/locked.pdf"), "user-pw").first(), "Title=Locked title");
        QCOMPARE(qpdfPageCount(path("inputs/locked.pdf")), -1);
    }
};

QTEST_MAIN(TestInformationChanger)
#include "tst_information_changer.moc"
