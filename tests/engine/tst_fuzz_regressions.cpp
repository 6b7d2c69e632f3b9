// Replays every input the fuzzer once found crashing or hanging the engine
// (tests/fuzz/regressions/), plus a few hostile inputs of our own, through the
// fuzzer's own sequence of operations.

#include "../fuzz/fuzzsequence.h"
#include "testsupport.h"

#include <QDirIterator>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

class TestFuzzRegressions : public QObject
{
    Q_OBJECT

private slots:
    void replay_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        for (QDirIterator it(FOLIO_SOURCE_DIR "/tests/fuzz/regressions", {"*"}, QDir::Files); it.hasNext();) {
            QFile f(it.next());
            if (!f.fileName().endsWith(".md") && f.open(QIODevice::ReadOnly))
                QTest::newRow(qPrintable(QFileInfo(f).fileName())) << f.readAll();
        }
        QTest::newRow("header and eof") << QByteArray("%PDF-1.4\n%%EOF\n");
        QTest::newRow("xref pointing nowhere")
            << QByteArray("%PDF-1.4\nxref\n0 1\n0000000000 65535 f \ntrailer\n<< /Size 1 /Root 9 0 R >>\nstartxref\n9999999\n%%EOF\n");
        QTest::newRow("self-referencing pages") << QByteArray("%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
                                                              "2 0 obj << /Type /Pages /Kids [2 0 R] /Count 1 >> endobj\n"
                                                              "trailer << /Root 1 0 R >>\n%%EOF\n");
        QByteArray noise(4096, '\0');
        QRandomGenerator rng(20261206);
        for (char& c : noise)
            c = char(rng.bounded(256));
        QTest::newRow("noise after header") << QByteArray("%PDF-1.5\n") + noise;
    }

    void replay()
    {
        QFETCH(QByteArray, bytes);
        PdfEngine engine("FolioPdfEngine");
        QTemporaryDir dir;
        QVERIFY(fuzzsequence::run(engine, bytes, dir.path()));
        // Still usable afterwards: a real document loads and counts its pages.
        QVERIFY(testsupport::writeTextPdf(dir.filePath("good.pdf"), {"one", "two"}));
        QCOMPARE(engine.LoadFromFile(dir.filePath("good.pdf"), QString()), 1);
        QCOMPARE(engine.PageCount(), 2);
    }
};

QTEST_MAIN(TestFuzzRegressions)
#include "tst_fuzz_regressions.moc"
