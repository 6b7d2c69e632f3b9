// The branding record: Data.dat in all its states, every tool of the table,
// the icon lookup, and the writer dialog (Ctrl+O) round trip.

#include "brandingrecord.h"
#include "dialogwritecustomverfile.h"
#include "questions.h"
#include "shellsupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

struct ToolExpectation
{
    const char* name;
    int layout;
    const char* openFilter;
    const char* saveFilter;
};

const ToolExpectation tools[] = {
    {"PDF-Merger", 0, "PDF files(*.PDF)", "PDF files(*.PDF)"},
    {"PDF-Splitter", 3, "PDF files(*.PDF)", "PDF files(*.PDF)"},
    {"PDF-Watermark", 0, "PDF files(*.PDF)", "PDF files(*.PDF)"},
    {"PDF-Page-Resizer", 2, "PDF files(*.PDF)", "PDF files(*.PDF)"},
    {"Images-to-PDF", 1, "Image Files (*.png *.jpg *.bmp)", "PDF files(*.PDF)"},
    {"PDF-Compressor", 5, "PDF files(*.PDF)", "PDF files(*.PDF)"},
    {"PDF-To-Images", 3, "PDF files(*.PDF)", "TIFF File (*.TIFF)"},
    {"PDF-Batch-Print", 0, "PDF files(*.PDF)", "PDF files(*.PDF)"},
    {"PDF-Word-Count", 6, "PDF files(*.PDF)", "PDF files(*.PDF)"},
    {"PDF-Rotate-And-Crop", 0, "PDF files(*.PDF)", "PDF files(*.PDF)"},
    {"PDF-Image-Extractor", 1, "PDF files(*.PDF)", "PDF files(*.PDF)"},
    {"PDF-Page-Remover", 3, "PDF files(*.PDF)", "PDF files(*.PDF)"},
    {"PDF-Info-Changer", 2, "PDF files(*.PDF)", "PDF files(*.PDF)"},
    {"PDF-To-Text", 5, "PDF files(*.PDF)", "PDF files(*.PDF)"},
    {"Text-To-PDF", 1, "Text files (*.txt)", "PDF files(*.PDF)"},
};

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestBranding : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    CustomFileNames names;

private slots:
    void init()
    {
        QVERIFY(dir.isValid());
        QDir d(dir.path());
        for (const QString& f : d.entryList(QDir::Files))
            d.remove(f);
        names = CustomFileNames();
        names.directory = dir.path();
    }

    void dataFileStates_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("present");
        QTest::addColumn<float>("code");
        QTest::newRow("missing") << QByteArray() << false << 0.0f;
        QTest::newRow("empty") << QByteArray() << true << 0.0f;
        QTest::newRow("three bytes") << QByteArray::fromHex("000000") << true << 0.0f;
        QTest::newRow("brand only") << QByteArray::fromHex("00000001") << true << 10000.0f;
        QTest::newRow("seven bytes") << QByteArray::fromHex("00000001000000") << true << 10000.0f;
        QTest::newRow("text to pdf") << QByteArray::fromHex("000000010000000F") << true << 10015.0f;
        QTest::newRow("trailing bytes ignored") << QByteArray::fromHex("0000000100000002FFFF") << true << 10002.0f;
    }

    void dataFileStates()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, present);
        QFETCH(float, code);
        if (present)
            writeBytes(names.dataFilePath(), bytes);
        const BrandingRecord r = makeBrandingRecord(names, -1, -1);
        QCOMPARE(r.editionCode, code);
        if (code < 10001) {
            // No tool: no texts at all unless the brand is known.
            QCOMPARE(r.toolName, QString());
            QCOMPARE(r.layoutVariant, 0);
            QCOMPARE(r.version, 0.0f);
        }
        if (code == 0) {
            QVERIFY(r.familyName.isEmpty());
            QVERIFY(r.homeUrl.isEmpty());
            QVERIFY(r.openFilter.isEmpty());
            QVERIFY(r.extensions.isEmpty());
        }
        if (code == 10015)
            QCOMPARE(r.toolName, QStringLiteral("Text-To-PDF"));
    }

    void everyToolOfBrandOne()
    {
        for (int t = 1; t <= 15; ++t) {
            const ToolExpectation& e = tools[t - 1];
            const BrandingRecord r = makeBrandingRecord(names, 1, t);
            QCOMPARE(r.editionCode, float(10000 + t));
            QCOMPARE(r.toolName, QString::fromLatin1(e.name));
            QCOMPARE(r.layoutVariant, e.layout);
            QCOMPARE(r.version, 1.0f);
            QCOMPARE(r.familyName, QStringLiteral("Folioforge"));
            QCOMPARE(r.openFilter, QString::fromLatin1(e.openFilter));
            QCOMPARE(r.saveFilter, QString::fromLatin1(e.saveFilter));
            QVERIFY(r.homeUrl.startsWith(QStringLiteral("https://")) && r.homeUrl.endsWith(QLatin1Char('/')));
            QCOMPARE(r.toolUrl, r.homeUrl + QStringLiteral("app/") + QString::fromLatin1(e.name).toLower());
            QCOMPARE(r.brandNumber(), 1);
            QCOMPARE(r.toolNumber(), t);
        }
        QCOMPARE(makeBrandingRecord(names, 1, 5).extensions,
                 (QStringList{QStringLiteral("*.png"), QStringLiteral("*.jpg"), QStringLiteral("*.bmp")}));
        QCOMPARE(makeBrandingRecord(names, 1, 15).extensions, QStringList{QStringLiteral("*.txt")});
        QCOMPARE(makeBrandingRecord(names, 1, 1).extensions, QStringList{QStringLiteral("*.PDF")});
        QVERIFY(makeBrandingRecord(names, 1, 14).toolUrl.endsWith(QStringLiteral("app/pdf-to-text")));
    }

    void toolsOutsideTheTable()
    {
        const BrandingRecord zero = makeBrandingRecord(names, 1, 0);
        QCOMPARE(zero.openFilter, QStringLiteral("PDF files(*.PDF)"));
        QCOMPARE(zero.toolName, QString());
        QCOMPARE(zero.version, 0.0f);
        QCOMPARE(zero.toolUrl, zero.homeUrl + QStringLiteral("app/"));
        const BrandingRecord sixteen = makeBrandingRecord(names, 1, 16);
        QCOMPARE(sixteen.editionCode, 10016.0f);
        QVERIFY(sixteen.toolName.isEmpty());

        const BrandingRecord other = makeBrandingRecord(names, 2, 1);
        QCOMPARE(other.editionCode, 20001.0f);
        QVERIFY(other.familyName.isEmpty() && other.toolName.isEmpty() && other.homeUrl.isEmpty()
                && other.openFilter.isEmpty() && other.saveFilter.isEmpty());
        QCOMPARE(other.brandNumber(), 2);
    }

    void explicitNumbersDoNotReadTheFile()
    {
        writeBytes(names.dataFilePath(), QByteArray::fromHex("0000000100000007"));
        QCOMPARE(makeBrandingRecord(names, 1, 3).editionCode, 10003.0f);
        const BrandingRecord seven = makeBrandingRecord(names, -1, 5);
        QCOMPARE(seven.editionCode, 10007.0f); // either -1 reads both
        QCOMPARE(seven.toolName, QStringLiteral("PDF-To-Images"));
        QCOMPARE(seven.saveFilter, QStringLiteral("TIFF File (*.TIFF)"));
        QCOMPARE(seven.openFilter, QStringLiteral("PDF files(*.PDF)"));
        QCOMPARE(seven.layoutVariant, 3);
    }

    void dataFileFormat()
    {
        const QString path = dir.filePath(QStringLiteral("x.dat"));
        QVERIFY(writeBrandingFile(path, 1, 15));
        QCOMPARE(readBytes(path), QByteArray::fromHex("000000010000000F"));
        QVERIFY(writeBrandingFile(path, 0x01020304, -2));
        QCOMPARE(readBytes(path), QByteArray::fromHex("01020304FFFFFFFE"));
        int b = 0, t = 0;
        readBrandingFile(path, &b, &t);
        QCOMPARE(b, 0x01020304);
        QCOMPARE(t, -2);
        QVERIFY(!writeBrandingFile(dir.filePath(QStringLiteral("no/such/folder/Data.dat")), 1, 1));
    }

    void iconLookup()
    {
        QCOMPARE(findIconFile(names), QString());
        BrandingRecord r = makeBrandingRecord(names, 1, 1);
        QVERIFY(r.icon.isNull());

        QVERIFY(writeIcon(dir.filePath(QStringLiteral("a.ICO")), Qt::red));
        QCOMPARE(findIconFile(names), QString()); // the comparison is case-sensitive
        QVERIFY(writeIcon(dir.filePath(QStringLiteral("b.ico")), Qt::blue));
        QCOMPARE(QFileInfo(findIconFile(names)).fileName(), QStringLiteral("b.ico"));
        r = makeBrandingRecord(names, 1, 1);
        QVERIFY(!r.icon.isNull());
        // A folder named like an icon is no icon.
        QDir(dir.path()).mkdir(QStringLiteral("c.ico"));
        QCOMPARE(QFileInfo(findIconFile(names)).fileName(), QStringLiteral("b.ico"));
    }

    void writerDialogLists()
    {
        DialogWriteCustomverFile dialog(names);
        auto* brands = dialog.findChild<QComboBox*>(QStringLiteral("comboBox"));
        auto* products = dialog.findChild<QComboBox*>(QStringLiteral("comboBox_2"));
        QVERIFY(brands && products);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Dialog"));
        QCOMPARE(brands->count(), 1);
        QCOMPARE(brands->itemText(0), QStringLiteral("Folioforge"));
        QCOMPARE(brands->itemData(0).toInt(), 1);
        QCOMPARE(products->count(), 15);
        for (int t = 1; t <= 15; ++t) {
            QCOMPARE(products->itemText(t - 1), QString::fromLatin1(tools[t - 1].name));
            QCOMPARE(products->itemData(t - 1).toInt(), t);
        }
        auto* line = dialog.findChild<QLineEdit*>(QStringLiteral("lineEdit"));
        auto* browse = dialog.findChild<QPushButton*>(QStringLiteral("pushButton_2"));
        QVERIFY(!line->isEnabled() && !browse->isEnabled());
        dialog.findChild<QRadioButton*>(QStringLiteral("radioButton_2"))->click();
        QVERIFY(line->isEnabled() && browse->isEnabled());
        dialog.findChild<QRadioButton*>(QStringLiteral("radioButton"))->click();
        QVERIFY(!line->isEnabled() && !browse->isEnabled());
    }

    void writerDialogRoundTrip()
    {
        ScriptedQuestions script;
        script.installed();
        const QString elsewhere = dir.filePath(QStringLiteral("elsewhere.dat"));
        script.queue(Question::SaveFileName, elsewhere).queue(Question::SaveFileName, QString());

        DialogWriteCustomverFile dialog(names);
        auto* products = dialog.findChild<QComboBox*>(QStringLiteral("comboBox_2"));
        auto* write = dialog.findChild<QPushButton*>(QStringLiteral("pushButton"));
        auto* line = dialog.findChild<QLineEdit*>(QStringLiteral("lineEdit"));

        // Current location: Data.dat in the program's folder.
        products->setCurrentIndex(11);
        write->click();
        QCOMPARE(readBytes(names.dataFilePath()), QByteArray::fromHex("000000010000000C"));
        QCOMPARE(makeBrandingRecord(names, -1, -1).toolName, QStringLiteral("PDF-Page-Remover"));

        // Selected location: the chosen file; a cancelled choice empties it.
        dialog.findChild<QRadioButton*>(QStringLiteral("radioButton_2"))->click();
        dialog.findChild<QPushButton*>(QStringLiteral("pushButton_2"))->click();
        QCOMPARE(line->text(), elsewhere);
        products->setCurrentIndex(3);
        write->click();
        QCOMPARE(readBytes(elsewhere), QByteArray::fromHex("0000000100000004"));
        QCOMPARE(readBytes(names.dataFilePath()), QByteArray::fromHex("000000010000000C"));
        dialog.findChild<QPushButton*>(QStringLiteral("pushButton_2"))->click();
        QCOMPARE(line->text(), QString());
        write->click(); // no target: nothing written, nothing breaks
        QCOMPARE(script.count(Question::SaveFileName), 2);
        QVERIFY(script.mismatches().isEmpty());
    }
};

QTEST_MAIN(TestBranding)
#include "tst_branding.moc"
