// The branding record: Data.dat in all its states, numbers outside the tool
// table, the icon lookup, and the writer dialog (Ctrl+O) round trip.

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

    // Data.dat in all its states, and numbers given instead of it: an
    // explicit number does not read the file, with either one -1 both are read.
    void records_data()
    {
        QTest::addColumn<QByteArray>("bytes");  // "none" for no file
        QTest::addColumn<int>("brand");
        QTest::addColumn<int>("tool");
        QTest::addColumn<float>("code");
        QTest::addColumn<QString>("name");
        const QByteArray none("none");
        QTest::newRow("missing") << none << -1 << -1 << 0.0f << "";
        QTest::newRow("empty") << QByteArray() << -1 << -1 << 0.0f << "";
        QTest::newRow("three bytes") << QByteArray::fromHex("000000") << -1 << -1 << 0.0f << "";
        QTest::newRow("brand only") << QByteArray::fromHex("00000001") << -1 << -1 << 10000.0f << "";
        QTest::newRow("seven bytes") << QByteArray::fromHex("00000001000000") << -1 << -1 << 10000.0f << "";
        QTest::newRow("text to pdf") << QByteArray::fromHex("000000010000000F") << -1 << -1 << 10015.0f << "Text-To-PDF";
        QTest::newRow("trailing bytes ignored") << QByteArray::fromHex("0000000100000002FFFF") << -1 << -1 << 10002.0f << "PDF-Splitter";
        QTest::newRow("tool 0") << none << 1 << 0 << 10000.0f << "";
        QTest::newRow("tool 16") << none << 1 << 16 << 10016.0f << "";
        QTest::newRow("brand 2") << none << 2 << 1 << 20001.0f << "";
        QTest::newRow("numbers over the file") << QByteArray::fromHex("0000000100000007") << 1 << 3 << 10003.0f << "PDF-Watermark";
        QTest::newRow("one -1 reads both") << QByteArray::fromHex("0000000100000007") << -1 << 5 << 10007.0f << "PDF-To-Images";
    }

    void records()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, brand);
        QFETCH(int, tool);
        QFETCH(float, code);
        QFETCH(QString, name);
        if (bytes != "none")
            QVERIFY(writeFile(names.dataFilePath(), bytes));
        const BrandingRecord r = makeBrandingRecord(names, brand, tool);
        QCOMPARE(r.editionCode, code);
        QCOMPARE(r.toolName, name);
        QCOMPARE(r.row != nullptr, !name.isEmpty());
        QCOMPARE(r.version, name.isEmpty() ? 0.0f : 1.0f);
        if (name.isEmpty())
            QCOMPARE(r.layoutVariant, 0);
        // Brand 1 alone has texts; without a tool it opens PDF files.
        const bool known = code >= 10000 && code < 20000;
        QCOMPARE((r.familyName + r.homeUrl + r.openFilter + r.saveFilter).isEmpty(), !known);
        if (known) {
            QCOMPARE(r.familyName, "Folioforge");
            QVERIFY(r.homeUrl.startsWith("https://") && r.homeUrl.endsWith('/'));
            QCOMPARE(r.toolUrl, r.homeUrl + "app/" + name.toLower());
            QVERIFY(!name.isEmpty() || r.openFilter == "PDF files(*.PDF)");
        }
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
        QVERIFY(brands->count() == 1 && brands->itemText(0) == "Folioforge" && brands->itemData(0).toInt() == 1);
        QCOMPARE(products->count(), toolTable().size());
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
