// folioforge-cli text-to-pdf (against the desktop: tst_desktop) on a system
// without fonts: it stops instead of making pages for ever.

#include "clisupport.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestTextToPdfCli : public CliSuite
{
    Q_OBJECT

private slots:
    // Without a single font nothing can be drawn: each file's page loop
    // stops at once, and no document of blank pages is written.
    void noFontsStopsTheLayout()
    {
        QVERIFY(writeFile(path("notes.txt"), "Notes\r\nfirst <note> & more\r\n"));
        QVERIFY(writeFile(path("todo.txt"), QByteArray("todo \x93item\x94\n").repeated(120)));
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
