// The branding record: Data.dat in all its states, every tool of the table,
// the icon lookup, and the writer dialog (Ctrl+O) round trip.

#include "brandingrecord.h"
#include "dialogwritecustomverfile.h"
#include "questions.h"
#include "shellsupport.h"
#include "testsupport.h"
#include "tooltable.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestBranding : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    CustomFileNames names;

private slots:
    void init()
    {
        QDir d(dir.path());
        for (const QString& f : d.entryList(QDir::Files))
            d.remove(f);
        names = CustomFileNames();
        names.directory = dir.path();
    }

    void dataFileStates_data()
    {
        QTest::addColumn<QByteArray>("bytes");  // "none" for no file
        QTest::addColumn<float>("code");
        QTest::addColumn<QString>("tool");
        QTest::newRow("missing") << QByteArray("none") << 0.0f << "";
        QTest::newRow("empty") << QByteArray() << 0.0f << "";
        QTest::newRow("three bytes") << QByteArray::fromHex("000000") << 0.0f << "";
        QTest::newRow("brand only") << QByteArray::fromHex("00000001") << 10000.0f << "";
        QTest::newRow("seven bytes") << QByteArray::fromHex("00000001000000") << 10000.0f << "";
        QTest::newRow("text to pdf") << QByteArray::fromHex("000000010000000F") << 10015.0f << "Text-To-PDF";
        QTest::newRow("trailing bytes ignored") << QByteArray::fromHex("0000000100000002FFFF") << 10002.0f << "PDF-Splitter";
    }

    void dataFileStates()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(float, code);
        QFETCH(QString, tool);
        if (bytes != "none")
            QVERIFY(writeFile(names.dataFilePath(), bytes));
        const BrandingRecord r = makeBrandingRecord(names, -1, -1);
        QCOMPARE(r.editionCode, code);
        QCOMPARE(r.toolName, tool);
        if (code < 10001)  // no tool: no texts at all unless the brand is known
            QVERIFY(r.layoutVariant == 0 && r.version == 0.0f && (code > 0 || (r.familyName + r.homeUrl + r.openFilter).isEmpty()));
    }

    void everyToolOfBrandOne()
    {
        for (const ToolRow& row : toolTable()) {
            const BrandingRecord r = makeBrandingRecord(names, 1, row.number());
            QCOMPARE(r.row, findTool(row.number()));
            QCOMPARE(r.editionCode, float(10000 + row.number()));
            QCOMPARE(r.toolName, row.storedName());
            QCOMPARE(r.version, 1.0f);
            QCOMPARE(r.familyName, "Folioforge");
            QVERIFY(r.homeUrl.startsWith("https://") && r.homeUrl.endsWith('/'));
            QCOMPARE(r.toolUrl, r.homeUrl + "app/" + r.toolName.toLower());
        }
    }

    void toolsOutsideTheTable()
    {
        const BrandingRecord zero = makeBrandingRecord(names, 1, 0);
        QCOMPARE(zero.openFilter, "PDF files(*.PDF)");
        QVERIFY(zero.toolName.isEmpty() && zero.version == 0.0f);
        QCOMPARE(zero.toolUrl, zero.homeUrl + "app/");
        const BrandingRecord sixteen = makeBrandingRecord(names, 1, 16);
        QCOMPARE(sixteen.editionCode, 10016.0f);
        QVERIFY(sixteen.toolName.isEmpty());
        const BrandingRecord other = makeBrandingRecord(names, 2, 1);
        QCOMPARE(other.editionCode, 20001.0f);
        QVERIFY(!other.row && !sixteen.row && !zero.row);
        QVERIFY((other.familyName + other.toolName + other.homeUrl + other.openFilter + other.saveFilter).isEmpty());
        // An explicit number does not read the file; with either one -1 both are read.
        QVERIFY(writeFile(names.dataFilePath(), QByteArray::fromHex("0000000100000007")));
        QCOMPARE(makeBrandingRecord(names, 1, 3).editionCode, 10003.0f);
        QCOMPARE(makeBrandingRecord(names, -1, 5).toolName, "PDF-To-Images");
    }

    void dataFileFormat()
    {
        const QString path = dir.filePath("x.dat");
        QVERIFY(writeBrandingFile(path, 1, 15));
        QCOMPARE(readFile(path), QByteArray::fromHex("000000010000000F"));
        QVERIFY(writeBrandingFile(path, 0x01020304, -2));
        QCOMPARE(readFile(path), QByteArray::fromHex("01020304FFFFFFFE"));
        int b = 0, t = 0;
        readBrandingFile(path, &b, &t);
        QVERIFY(b == 0x01020304 && t == -2);
        QVERIFY(!writeBrandingFile(dir.filePath("no/such/folder/Data.dat"), 1, 1));
    }

    void iconLookup()
    {
        QCOMPARE(findIconFile(names), QString());
        QVERIFY(makeBrandingRecord(names, 1, 1).icon.isNull());
        QVERIFY(writeIcon(dir.filePath("a.ICO"), Qt::red));
        QCOMPARE(findIconFile(names), QString());  // the comparison is case-sensitive
        QVERIFY(writeIcon(dir.filePath("b.ico"), Qt::blue));
        QDir(dir.path()).mkdir("c.ico");  // a folder named like an icon is no icon
        QCOMPARE(QFileInfo(findIconFile(names)).fileName(), "b.ico");
        QVERIFY(!makeBrandingRecord(names, 1, 1).icon.isNull());
    }

    void writerDialogRoundTrip()
    {
        ScriptedQuestions script;
        script.installed();
        const QString elsewhere = dir.filePath("elsewhere.dat");
        script.queue(Question::SaveFileName, elsewhere).queue(Question::SaveFileName, QString());

        DialogWriteCustomverFile dialog(names);
        auto* brands = dialog.findChild<QComboBox*>("comboBox");
        auto* products = dialog.findChild<QComboBox*>("comboBox_2");
        auto* write = dialog.findChild<QPushButton*>("pushButton");
        auto* browse = dialog.findChild<QPushButton*>("pushButton_2");
        auto* line = dialog.findChild<QLineEdit*>("lineEdit");
        QCOMPARE(dialog.windowTitle(), "Dialog");
        QVERIFY(brands->count() == 1 && brands->itemText(0) == "Folioforge" && brands->itemData(0).toInt() == 1);
        QCOMPARE(products->count(), toolTable().size());
        for (const ToolRow& row : toolTable())
            QVERIFY(products->itemText(row.number() - 1) == row.storedName() && products->itemData(row.number() - 1).toInt() == row.number());
        QVERIFY(!line->isEnabled() && !browse->isEnabled());

        // Current location: Data.dat in the program's folder.
        products->setCurrentIndex(11);
        write->click();
        QCOMPARE(readFile(names.dataFilePath()), QByteArray::fromHex("000000010000000C"));
        QCOMPARE(makeBrandingRecord(names, -1, -1).toolName, "PDF-Page-Remover");

        // Selected location: the chosen file; a cancelled choice empties it.
        dialog.findChild<QRadioButton*>("radioButton_2")->click();
        QVERIFY(line->isEnabled() && browse->isEnabled());
        browse->click();
        QCOMPARE(line->text(), elsewhere);
        products->setCurrentIndex(3);
        write->click();
        QCOMPARE(readFile(elsewhere), QByteArray::fromHex("0000000100000004"));
        QCOMPARE(readFile(names.dataFilePath()), QByteArray::fromHex("000000010000000C"));
        browse->click();
        QCOMPARE(line->text(), QString());
        write->click();  // no target: nothing written, nothing breaks
        QCOMPARE(script.count(Question::SaveFileName), 2);
        QVERIFY(script.mismatches().isEmpty());
        dialog.findChild<QRadioButton*>("radioButton")->click();
        QVERIFY(!line->isEnabled() && !browse->isEnabled());
    }
};

QTEST_MAIN(TestBranding)
#include "tst_branding.moc"
