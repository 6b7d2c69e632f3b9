// folioforge-cli extract-images (against the desktop: tst_desktop): a PDF
// without images is no failure. (Inputs that do not open: tst_inputs and the
// tool's own suite.)

#include "clisupport.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestExtractImages : public CliSuite
{
    Q_OBJECT

private slots:
    void withoutImages()
    {
        // Said on stderr, and no failure.
        QVERIFY(writeTextPdf(path("text.pdf"), {"words only"}));
        const auto r = runCli({"extract-images", "-o", "none", "text.pdf"}, dir.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.errLines(), QStringList{"folioforge-cli: " + path("text.pdf") + ": has no images"});
        QVERIFY(QDir(path("none")).isEmpty());
    }
};

QTEST_MAIN(TestExtractImages)
#include "tst_extractimages.moc"
