// Documents through the facade: selection and removal, loading good, damaged
// and foreign files, merging and copying pages (with their links and form
// fields), saving atomically (also over a loaded document's own file), and
// document information with its XMP copy.

#include "pdfengine.h"
#include "pdffixtures.h"
#include "testsupport.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QXmlStreamReader>
#include <QtTest>

#include <unistd.h>

using namespace testsupport;
using fixtures::writeNumberedPdf;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// The text on each page of a file, one entry per page.
QStringList pageTexts(const QString& path)
{
    QStringList texts;
    const int n = qpdfPageCount(path);
    for (int p = 1; p <= n; ++p)
        texts << pdfText(path, p).simplified();
    return texts;
}

// What the tools do to empty the engine: removes the oldest half.
void removeAllDocuments(PdfEngine& e)
{
    QList<int> ids;
    for (int i = 1; i <= e.DocumentCount(); ++i)
        ids << e.GetDocumentID(i);
    for (int k = 0; k < e.DocumentCount(); ++k)
        e.RemoveDocument(ids[k]);
}

// The document's XMP packet, read with QPDF.
QString xmpOf(const QString& path)
{
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(QFile::encodeName(path).constData());
    QPDFObjectHandle m = pdf.getRoot().getKey("/Metadata");
    if (!m.isStream())
        return QString();
    auto data = m.getStreamData(qpdf_dl_all);
    return QString::fromUtf8(reinterpret_cast<const char*>(data->getBuffer()), static_cast<int>(data->getSize()));
}

QString infoString(const QString& path, const char* key)
{
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(QFile::encodeName(path).constData());
    QPDFObjectHandle v = pdf.getTrailer().getKey("/Info").getKeyIfDict(key);
    return v.isString() ? QString::fromStdString(v.getUTF8Value()) : QStringLiteral("<none>");
}

int imageObjects(const QString& path)
{
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(QFile::encodeName(path).constData());
    int n = 0;
    for (QPDFObjectHandle o : pdf.getAllObjects())
        n += o.isStream() && o.getDict().getKey("/Subtype").isNameAndEquals("/Image") ? 1 : 0;
    return n;
}

} // namespace

class TestDocuments : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void newInstanceAndDocumentSelection()
    {
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.DocumentCount(), 1);
        const int first = e.GetDocumentID(1);
        QVERIFY(first > 0);
        QCOMPARE(e.SelectedDocument(), first);
        QCOMPARE(e.PageCount(), 1);
        QCOMPARE(e.PageWidth(), 612.0);
        QCOMPARE(e.PageHeight(), 792.0);
        QCOMPARE(e.GetDocumentID(0), 0);
        QCOMPARE(e.GetDocumentID(2), 0);

        const int second = e.NewDocument();
        QVERIFY(second > first);
        QCOMPARE(e.SelectedDocument(), second);
        QCOMPARE(e.GetDocumentID(2), second);
        QCOMPARE(e.SelectDocument(first), 1);
        QCOMPARE(e.SelectedDocument(), first);
        QCOMPARE(e.SelectDocument(12345), 0);
        QCOMPARE(e.SelectedDocument(), first);

        // Removing the selected one selects the newest remaining; ids are never reused.
        const int third = e.NewDocument();
        QCOMPARE(e.SelectDocument(second), 1);
        QCOMPARE(e.RemoveDocument(second), 1);
        QCOMPARE(e.SelectedDocument(), third);
        QCOMPARE(e.RemoveDocument(second), 0);
        QCOMPARE(e.RemoveDocument(first), 1);
        QCOMPARE(e.RemoveDocument(third), 1);
        QCOMPARE(e.DocumentCount(), 1);  // a fresh blank one
        const int fresh = e.SelectedDocument();
        QVERIFY(fresh > third);
        QCOMPARE(e.PageCount(), 1);
    }

    void removeAllDocumentsLeavesTheNewest()
    {
        QVERIFY(writeNumberedPdf(path("a.pdf"), 2, "A"));
        QVERIFY(writeNumberedPdf(path("b.pdf"), 3, "B"));
        PdfEngine e(QStringLiteral("FolioPdfEngine"));

        // Two documents (the start document and one loaded file): the loaded one stays.
        QCOMPARE(e.LoadFromFile(path("a.pdf"), QString()), 1);
        const int a = e.SelectedDocument();
        removeAllDocuments(e);
        QCOMPARE(e.DocumentCount(), 1);
        QCOMPARE(e.GetDocumentID(1), a);
        QCOMPARE(e.SelectedDocument(), a);
        QCOMPARE(e.PageCount(), 2);

        // Three documents: the two oldest go.
        QCOMPARE(e.LoadFromFile(path("b.pdf"), QString()), 1);
        const int b = e.SelectedDocument();
        const int c = e.NewDocument();
        QCOMPARE(e.DocumentCount(), 3);
        removeAllDocuments(e);
        QCOMPARE(e.DocumentCount(), 1);
        QCOMPARE(e.GetDocumentID(1), c);
        QCOMPARE(e.SelectedDocument(), c);
        Q_UNUSED(b);

        // The selected document is not the newest: still the two oldest go.
        QCOMPARE(e.LoadFromFile(path("a.pdf"), QString()), 1);
        QCOMPARE(e.LoadFromFile(path("b.pdf"), QString()), 1);
        const int newest = e.SelectedDocument();
        QCOMPARE(e.SelectDocument(c), 1);
        removeAllDocuments(e);
        QCOMPARE(e.DocumentCount(), 1);
        QCOMPARE(e.SelectedDocument(), newest);
        QCOMPARE(e.PageCount(), 3);
    }

    void badFilesAreRefusedAndChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("This is not a PDF at all.\n").repeated(50);
        QTest::newRow("header only") << QByteArray("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
        QTest::newRow("binary noise") << QByteArray(4096, '\x9C');
        QTest::newRow("no pages") << QByteArray("%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
                                                "2 0 obj << /Type /Pages /Kids [] /Count 0 >> endobj\n"
                                                "trailer << /Root 1 0 R >>\n%%EOF\n");
    }

    void badFilesAreRefusedAndChangeNothing()
    {
        QFETCH(QByteArray, content);
        const QString file = path(QStringLiteral("bad-%1.pdf").arg(QTest::currentDataTag()).replace(' ', '_'));
        QVERIFY(writeAll(file, content));
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        const int before = e.SelectedDocument();
        QCOMPARE(e.LoadFromFile(file, QString()), 0);
        QCOMPARE(e.LoadFromFile(file, QStringLiteral("secret")), 0);
        QCOMPARE(e.DocumentCount(), 1);
        QCOMPARE(e.SelectedDocument(), before);
        QCOMPARE(e.PageCount(), 1);
    }

    void missingFilesAndFoldersAreRefused()
    {
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(path("missing.pdf"), QString()), 0);
        QCOMPARE(e.LoadFromFile(dir.path(), QString()), 0);
        QCOMPARE(e.DocumentCount(), 1);
    }

    void damagedButReconstructableFilesOpen_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("broken xref offsets") << "xref";
        QTest::newRow("end of file cut off") << "truncate";
        QTest::newRow("garbage before header") << "prefix";
        QTest::newRow("cut off before its cross-reference table") << "cut";
    }

    void damagedButReconstructableFilesOpen()
    {
        QFETCH(QString, damage);
        const QString good = path("good-" + damage + ".pdf");
        QVERIFY(writeNumberedPdf(good, 5, "Damaged"));
        QByteArray data = readAll(good);
        if (damage == "xref") {
            // Every offset of the cross-reference table points somewhere wrong.
            const int xref = data.lastIndexOf("\nxref\n");
            QVERIFY(xref > 0);
            QString tail = QString::fromLatin1(data.mid(xref));
            tail.replace(QRegularExpression(QStringLiteral("\\n\\d{10} 00000 n")), QStringLiteral("\n0000000003 00000 n"));
            data = data.left(xref) + tail.toLatin1();
        } else if (damage == "cut") {
            // Its trailer went too: the catalog has to be found by searching.
            data.truncate(data.lastIndexOf("\nxref\n"));
        } else if (damage == "truncate") {
            data.truncate(data.lastIndexOf("startxref"));
        } else {
            data.prepend(QByteArray("garbage that is no PDF\n").repeated(5));
        }
        const QString bad = path("damaged-" + damage + ".pdf");
        QVERIFY(writeAll(bad, data));
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(bad, QString()), 1);
        QCOMPARE(e.PageCount(), 5);
        const QString out = path("repaired-" + damage + ".pdf");
        QCOMPARE(e.SaveToFile(out), 1);
        QVERIFY(qpdfCheck(out));
        QCOMPARE(pageTexts(out).value(4), QStringLiteral("Damaged page 5"));
    }

    void fileCutShortKeepsThePagesThatAreLeft()
    {
        // Written page after page, as many producers do, and cut off in the
        // middle of page 7: its trailer and the last pages are gone.
        QByteArray pdf = "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
                         "2 0 obj << /Type /Pages /Count 10 /Kids [";
        for (int i = 0; i < 10; ++i)
            pdf += QByteArray::number(3 + 2 * i) + " 0 R ";
        pdf += "] >> endobj\n";
        int cut = 0;
        for (int i = 0; i < 10; ++i) {
            const QByteArray content = "BT /F1 18 Tf 40 700 Td (Cut page " + QByteArray::number(i + 1) + ") Tj ET";
            if (i == 6)
                cut = pdf.size() + 20;
            pdf += QByteArray::number(3 + 2 * i) + " 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] "
                   "/Resources << /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> >> /Contents " +
                   QByteArray::number(4 + 2 * i) + " 0 R >> endobj\n" + QByteArray::number(4 + 2 * i) +
                   " 0 obj << /Length " + QByteArray::number(content.size()) + " >> stream\n" + content +
                   "\nendstream endobj\n";
        }
        QVERIFY(writeAll(path("cut.pdf"), pdf.left(cut)));
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(path("cut.pdf"), QString()), 1);
        QCOMPARE(e.PageCount(), 6);
        QCOMPARE(e.SaveToFile(path("cut-out.pdf")), 1);
        QString report;
        QVERIFY2(qpdfCheck(path("cut-out.pdf"), &report), qPrintable(report));
        QVERIFY2(!report.contains("WARNING"), qPrintable(report));
        QCOMPARE(pageTexts(path("cut-out.pdf")),
                 QStringList({"Cut page 1", "Cut page 2", "Cut page 3", "Cut page 4", "Cut page 5", "Cut page 6"}));
        // Without the catalog nothing is left to open.
        QVERIFY(writeAll(path("cut-early.pdf"), pdf.left(40)));
        QCOMPARE(e.LoadFromFile(path("cut-early.pdf"), QString()), 0);
        QCOMPARE(e.DocumentCount(), 2);
    }

    void mergingAppendsPagesInOrderAndNeverIntoItself()
    {
        QVERIFY(writeNumberedPdf(path("m1.pdf"), 2, "One"));
        QVERIFY(writeNumberedPdf(path("m2.pdf"), 3, "Two"));
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(path("m1.pdf"), QString()), 1);
        const int one = e.SelectedDocument();
        QCOMPARE(e.MergeDocument(one), 0);
        QCOMPARE(e.MergeDocument(99999), 0);
        QCOMPARE(e.PageCount(), 2);
        QCOMPARE(e.LoadFromFile(path("m2.pdf"), QString()), 1);
        const int two = e.SelectedDocument();
        QCOMPARE(e.SelectDocument(one), 1);
        QCOMPARE(e.MergeDocument(two), 1);
        QCOMPARE(e.PageCount(), 5);
        // The source may go before the result is saved: the result keeps what it needs.
        QCOMPARE(e.RemoveDocument(two), 1);
        QCOMPARE(e.SelectedDocument(), one);
        QCOMPARE(e.SaveToFile(path("merged.pdf")), 1);
        QVERIFY(qpdfCheck(path("merged.pdf")));
        QCOMPARE(pageTexts(path("merged.pdf")),
                 QStringList({"One page 1", "One page 2", "Two page 1", "Two page 2", "Two page 3"}));
        QVERIFY(!fixtures::hasUncompressedStreams(path("merged.pdf")));
    }

    void copyPageRanges_data()
    {
        QTest::addColumn<QString>("ranges");
        QTest::addColumn<QList<int>>("pages");
        QTest::newRow("one page") << "3-3" << QList<int>{3};
        QTest::newRow("run") << "1-5" << QList<int>{1, 2, 3, 4, 5};
        QTest::newRow("list") << "2,4,6" << QList<int>{2, 4, 6};
        QTest::newRow("mix") << "1-2,5, 6" << QList<int>{1, 2, 5, 6};
        QTest::newRow("out of range passed over") << "5-9,0,7,2" << QList<int>{5, 6, 2};
        QTest::newRow("nothing in range") << "8-12" << QList<int>{};
        QTest::newRow("unreadable") << "a-b,x" << QList<int>{};
        QTest::newRow("repeated page") << "2,2" << QList<int>{2, 2};
        QTest::newRow("counting down") << "3-1" << QList<int>{3, 2, 1};
    }

    void copyPageRanges()
    {
        QFETCH(QString, ranges);
        QFETCH(QList<int>, pages);
        const QString source = path("six.pdf");
        if (!QFile::exists(source))
            QVERIFY(writeNumberedPdf(source, 6, "Six"));
        // The splitter's pattern: a new document, the pages copied, its blank page deleted.
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(source, QString()), 1);
        const int src = e.SelectedDocument();
        e.NewDocument();
        QCOMPARE(e.CopyPageRanges(src, ranges), pages.size());
        QCOMPARE(e.PageCount(), 1 + pages.size());
        if (pages.isEmpty())
            return;
        QVERIFY(e.DeletePages(1, 1) > 0);
        const QString out = path(QStringLiteral("copy-%1.pdf").arg(QTest::currentDataTag()).replace(' ', '_'));
        QCOMPARE(e.SaveToFile(out), 1);
        QVERIFY(qpdfCheck(out));
        QStringList expected;
        for (int p : pages)
            expected << QStringLiteral("Six page %1").arg(p);
        QCOMPARE(pageTexts(out), expected);
    }

    void copyWithinOneDocument()
    {
        auto pdf = fixtures::makeNumberedPdf(3, "Self");
        fixtures::addTextField(*pdf, 2, "name", "value");
        QVERIFY(fixtures::writePdf(*pdf, path("self.pdf")));
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(path("self.pdf"), QString()), 1);
        QCOMPARE(e.CopyPageRanges(e.SelectedDocument(), "2,1"), 2);
        QCOMPARE(e.SaveToFile(path("self-out.pdf")), 1);
        QVERIFY(qpdfCheck(path("self-out.pdf")));
        QCOMPARE(pageTexts(path("self-out.pdf")),
                 QStringList({"Self page 1", "Self page 2 value", "Self page 3", "Self page 2 value", "Self page 1"}));
        // The copied page has a field of its own.
        QCOMPARE(fixtures::formFields(path("self-out.pdf")).size(), 2);
    }

    void sharedResourcesAreCopiedOnce()
    {
        // Four pages drawing one image; merged twice into one document, in two calls.
        auto pdf = fixtures::makeNumberedPdf(4, "Img");
        QPDFObjectHandle image = pdf->newStream(std::string(64 * 64 * 3, '\x40'));
        image.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
        image.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
        image.getDict().replaceKey("/Width", QPDFObjectHandle::newInteger(64));
        image.getDict().replaceKey("/Height", QPDFObjectHandle::newInteger(64));
        image.getDict().replaceKey("/ColorSpace", QPDFObjectHandle::newName("/DeviceRGB"));
        image.getDict().replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
        for (QPDFObjectHandle page : pdf->getAllPages()) {
            QPDFObjectHandle xobjects = QPDFObjectHandle::newDictionary();
            xobjects.replaceKey("/Im0", image);
            page.getKey("/Resources").replaceKey("/XObject", xobjects);
            page.addPageContents(pdf->newStream("q 100 0 0 100 200 300 cm /Im0 Do Q\n"), false);
        }
        QVERIFY(fixtures::writePdf(*pdf, path("img.pdf")));
        QCOMPARE(imageObjects(path("img.pdf")), 1);

        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(path("img.pdf"), QString()), 1);
        const int src = e.SelectedDocument();
        e.NewDocument();
        QCOMPARE(e.CopyPageRanges(src, "1-2"), 2);
        QCOMPARE(e.CopyPageRanges(src, "3-4"), 2);
        QCOMPARE(e.MergeDocument(src), 1);
        QCOMPARE(e.SaveToFile(path("img-out.pdf")), 1);
        QVERIFY(qpdfCheck(path("img-out.pdf")));
        QCOMPARE(qpdfPageCount(path("img-out.pdf")), 9);
        QCOMPARE(imageObjects(path("img-out.pdf")), 1);
    }

    void linksAndFormFieldsSurviveMerging()
    {
        // Source: page 1 links to page 3 (explicit destination), page 3 to
        // page 1 (named destination), page 2 has a text field.
        auto src = fixtures::makeNumberedPdf(3, "Form");
        fixtures::addLink(*src, 1, 3);
        fixtures::addLink(*src, 3, 1, "back");
        fixtures::addTextField(*src, 2, "customer", "Zoë");
        QVERIFY(fixtures::writePdf(*src, path("form.pdf")));
        // Another document with a field of the same name.
        auto other = fixtures::makeNumberedPdf(1, "Other");
        fixtures::addTextField(*other, 1, "customer", "Ann");
        QVERIFY(fixtures::writePdf(*other, path("other.pdf")));

        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(path("other.pdf"), QString()), 1);
        const int dest = e.SelectedDocument();
        QCOMPARE(e.LoadFromFile(path("form.pdf"), QString()), 1);
        const int source = e.SelectedDocument();
        QCOMPARE(e.SelectDocument(dest), 1);
        QCOMPARE(e.MergeDocument(source), 1);
        QCOMPARE(e.SaveToFile(path("form-merged.pdf")), 1);
        QVERIFY(qpdfCheck(path("form-merged.pdf")));
        QCOMPARE(fixtures::linkTargets(path("form-merged.pdf")), QStringList({"2->4", "4->2"}));
        const QStringList fields = fixtures::formFields(path("form-merged.pdf"));
        QCOMPARE(fields.size(), 2);
        QVERIFY2(fields.contains("customer=Ann"), qPrintable(fields.join(' ')));
        QVERIFY2(fields.filter("=Zoë").size() == 1 && !fields.contains("customer=Zoë"),
                 qPrintable(fields.join(' ')));  // renamed, value kept

        // Copying only the page with a link: its target was not copied, so it leads nowhere.
        e.NewDocument();
        QCOMPARE(e.CopyPageRanges(source, "3,2"), 2);
        QCOMPARE(e.SaveToFile(path("form-part.pdf")), 1);
        QVERIFY(qpdfCheck(path("form-part.pdf")));
        QCOMPARE(fixtures::linkTargets(path("form-part.pdf")), QStringList({"2->?"}));
        QCOMPARE(fixtures::formFields(path("form-part.pdf")), QStringList({"customer=Zoë"}));
    }

    void damagedFormsPrintNothing()
    {
        // Fields that are not fields make QPDF's form helper warn through its
        // default logger; the library must stay silent.
        auto pdf = fixtures::makeNumberedPdf(2, "Quiet");
        fixtures::addTextField(*pdf, 1, "f", "v");
        QPDFObjectHandle fields = pdf->getRoot().getKey("/AcroForm").getKey("/Fields");
        for (const char* junk : {"3", "null", "(R)"})
            fields.appendItem(QPDFObjectHandle::parse(junk));
        QVERIFY(fixtures::writePdf(*pdf, path("quiet.pdf")));
        QTemporaryFile captured;
        QVERIFY(captured.open());
        fflush(stderr);
        const int saved = ::dup(2);
        ::dup2(captured.handle(), 2);
        {
            PdfEngine e(QStringLiteral("FolioPdfEngine"));
            e.LoadFromFile(path("quiet.pdf"), QString());
            const int source = e.SelectedDocument();
            e.NewDocument();
            e.MergeDocument(source);
            e.CopyPageRanges(source, "1,1");
            e.SelectDocument(source);
            e.DeletePages(1, 1);
            e.SaveToFile(path("quiet-out.pdf"));
        }
        fflush(stderr);
        ::dup2(saved, 2);
        ::close(saved);
        captured.seek(0);
        QCOMPARE(QString::fromLocal8Bit(captured.readAll()), QString());
    }

    void mergerSavesOverItsOwnOutput()
    {
        // The merger's pattern: save, reopen the output, merge the next source, save over it.
        QVERIFY(writeNumberedPdf(path("s1.pdf"), 2, "First"));
        QVERIFY(writeNumberedPdf(path("s2.pdf"), 1, "Second"));
        QVERIFY(writeNumberedPdf(path("s3.pdf"), 3, "Third"));
        const QString out = path("merger-out.pdf");
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        removeAllDocuments(e);
        QCOMPARE(e.LoadFromFile(path("s1.pdf"), QString()), 1);
        QCOMPARE(e.Decrypt(), 1);
        QCOMPARE(e.SaveToFile(out), 1);
        for (const char* next : {"s2.pdf", "s3.pdf"}) {
            removeAllDocuments(e);
            QCOMPARE(e.LoadFromFile(out, QString()), 1);
            const int output = e.SelectedDocument();
            QCOMPARE(e.LoadFromFile(path(next), QString()), 1);
            e.Decrypt();
            const int source = e.SelectedDocument();
            QCOMPARE(e.SelectDocument(output), 1);
            QCOMPARE(e.MergeDocument(source), 1);
            QCOMPARE(e.SaveToFile(out), 1);
            // The document read from the old file can still be saved again.
            QCOMPARE(e.SaveToFile(out), 1);
        }
        QVERIFY(qpdfCheck(out));
        QCOMPARE(pageTexts(out), QStringList({"First page 1", "First page 2", "Second page 1", "Third page 1",
                                              "Third page 2", "Third page 3"}));
        QCOMPARE(QDir(dir.path()).entryList({"merger-out.pdf*"}, QDir::Files), QStringList({"merger-out.pdf"}));
    }

    void savingOverAnotherDocumentsSource()
    {
        QVERIFY(writeNumberedPdf(path("x.pdf"), 2, "X"));
        QVERIFY(writeNumberedPdf(path("y.pdf"), 1, "Y"));
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(path("x.pdf"), QString()), 1);
        const int x = e.SelectedDocument();
        QCOMPARE(e.LoadFromFile(path("y.pdf"), QString()), 1);
        QCOMPARE(e.SaveToFile(path("x.pdf")), 1);
        QCOMPARE(pageTexts(path("x.pdf")), QStringList({"Y page 1"}));
        QCOMPARE(e.SelectDocument(x), 1);
        QCOMPARE(e.SaveToFile(path("x-again.pdf")), 1);
        QCOMPARE(pageTexts(path("x-again.pdf")), QStringList({"X page 1", "X page 2"}));
    }

    void failedSavesLeaveNoPartialFileAndTheOldFileIntact()
    {
        QVERIFY(writeNumberedPdf(path("keep.pdf"), 1, "Keep"));
        const QByteArray before = readAll(path("keep.pdf"));
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.SaveToFile(path("no/such/folder/out.pdf")), 0);
        QVERIFY(!QFile::exists(path("no/such/folder/out.pdf")));
        QCOMPARE(e.SaveToFile(dir.path()), 0);       // a folder
        QCOMPARE(e.SaveToFile(QString()), 0);
        QCOMPARE(e.SaveToFile(path("keep.pdf/out.pdf")), 0);  // a file as folder

        // A source rewritten in place since it was read: saving would mix old
        // and new bytes, so the save is refused and the earlier output stays.
        QVERIFY(writeNumberedPdf(path("moving.pdf"), 3, "Moving"));
        QCOMPARE(e.LoadFromFile(path("moving.pdf"), QString()), 1);
        QTest::qWait(20);  // file times move in steps of a few milliseconds
        {
            QFile f(path("moving.pdf"));
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(f.size() / 2);
            f.write("XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX");
        }
        QCOMPARE(e.SaveToFile(path("keep.pdf")), 0);
        QCOMPARE(readAll(path("keep.pdf")), before);
        QCOMPARE(QDir(dir.path()).entryList({"keep.pdf*"}, QDir::Files), QStringList({"keep.pdf"}));
        // The same for a source whose pages were merged into the saved document.
        QVERIFY(writeNumberedPdf(path("merged-src.pdf"), 2, "MergedSource"));
        const int target = e.NewDocument();
        QCOMPARE(e.LoadFromFile(path("merged-src.pdf"), QString()), 1);
        const int merged = e.SelectedDocument();
        QCOMPARE(e.SelectDocument(target), 1);
        QCOMPARE(e.MergeDocument(merged), 1);
        QCOMPARE(e.RemoveDocument(merged), 1);
        QTest::qWait(20);
        {
            QFile f(path("merged-src.pdf"));
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(f.size() / 3);
            f.write("YYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYY");
        }
        QCOMPARE(e.SelectDocument(target), 1);
        QCOMPARE(e.SaveToFile(path("keep.pdf")), 0);
        QCOMPARE(readAll(path("keep.pdf")), before);
        // Cut short in place: refused as well, and nothing breaks.
        QVERIFY(writeNumberedPdf(path("shrinking.pdf"), 3, "Shrinking"));
        QCOMPARE(e.LoadFromFile(path("shrinking.pdf"), QString()), 1);
        QVERIFY(QFile::resize(path("shrinking.pdf"), 100));
        QCOMPARE(e.PageCount(), 3);
        QCOMPARE(e.SaveToFile(path("keep.pdf")), 0);
        QCOMPARE(readAll(path("keep.pdf")), before);

#ifdef Q_OS_LINUX
        QCOMPARE(e.SaveToFile(QStringLiteral("/proc/folio-cannot-be-here.pdf")), 0);  // a read-only file system
#endif
        if (::geteuid() == 0)
            QSKIP("read-only folders do not stop root");
        QDir(dir.path()).mkdir("ro");
        QFile::copy(path("keep.pdf"), path("ro/keep.pdf"));
        QFile::setPermissions(path("ro"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        e.NewDocument();
        QCOMPARE(e.SaveToFile(path("ro/keep.pdf")), 0);
        QCOMPARE(e.SaveToFile(path("ro/new.pdf")), 0);
        QFile::setPermissions(path("ro"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(readAll(path("ro/keep.pdf")), before);
        QCOMPARE(QDir(path("ro")).entryList(QDir::Files), QStringList({"keep.pdf"}));
    }

    void informationAndXmpAgree()
    {
        auto pdf = fixtures::makeNumberedPdf(1, "Info");
        fixtures::addXmp(*pdf,
                         "<rdf:Description rdf:about=\"\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\" "
                         "pdf:Producer=\"Old producer\"/>\n"
                         "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
                         "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Old title</rdf:li>"
                         "<rdf:li xml:lang=\"de\">Alter Titel</rdf:li></rdf:Alt></dc:title>"
                         "<dc:subject><rdf:Bag><rdf:li>old</rdf:li></rdf:Bag></dc:subject></rdf:Description>");
        pdf->getTrailer().replaceKey("/Info", pdf->makeIndirectObject(QPDFObjectHandle::parse("<< /Title (Old title) /Subject (Kept) >>")));
        QVERIFY(fixtures::writePdf(*pdf, path("info.pdf")));

        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(path("info.pdf"), QString()), 1);
        QCOMPARE(e.SetInformation(0, "x"), 0);
        QCOMPARE(e.SetInformation(7, "x"), 0);
        QCOMPARE(e.SetInformation(1, QStringLiteral("Jürgen Åström & 山田 <x>")), 1);
        QCOMPARE(e.SetInformation(2, QStringLiteral("Título €")), 1);
        QCOMPARE(e.SetInformation(4, QStringLiteral("alpha; beta")), 1);
        QCOMPARE(e.SetInformation(5, QStringLiteral("Folio-\x01Tool")), 1);  // no XML for the control character
        QCOMPARE(e.SetInformation(6, QString()), 1);
        QCOMPARE(e.SaveToFile(path("info-out.pdf")), 1);
        QVERIFY(qpdfCheck(path("info-out.pdf")));

        const auto info = pdfInfo(path("info-out.pdf"));
        QCOMPARE(info.value("Author"), QStringLiteral("Jürgen Åström & 山田 <x>"));
        QCOMPARE(info.value("Title"), QStringLiteral("Título €"));
        QCOMPARE(info.value("Subject"), QStringLiteral("Kept"));
        QCOMPARE(info.value("Keywords"), QStringLiteral("alpha; beta"));
        QCOMPARE(infoString(path("info-out.pdf"), "/Creator"), QStringLiteral("Folio-\x01Tool"));
        QCOMPARE(infoString(path("info-out.pdf"), "/Producer"), QString());  // set, and empty

        const QString xmp = xmpOf(path("info-out.pdf"));
        QXmlStreamReader reader(xmp);
        while (!reader.atEnd())
            reader.readNext();
        QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
        QVERIFY(xmp.contains(QStringLiteral("Jürgen Åström &amp; 山田 &lt;x&gt;")));
        QVERIFY(xmp.contains(QStringLiteral("<rdf:li xml:lang=\"x-default\">Título €</rdf:li>")));
        QVERIFY(!xmp.contains(QStringLiteral("Old title")));
        QVERIFY(!xmp.contains(QStringLiteral("Old producer")));
        QVERIFY(xmp.contains(QStringLiteral("pdf:Producer=\"\"")));
        QVERIFY(xmp.contains(QStringLiteral("<pdf:Keywords>alpha; beta</pdf:Keywords>")));
        QVERIFY(xmp.contains(QStringLiteral("<rdf:li>alpha</rdf:li><rdf:li>beta</rdf:li>")));
        QVERIFY(xmp.contains(QStringLiteral("<xmp:CreatorTool>Folio-Tool</xmp:CreatorTool>")));
        QVERIFY(xmp.contains(QStringLiteral("<?xpacket end=\"w\"?>")));

        // A document without XMP gets none; one without information gets some.
        e.NewDocument();
        QCOMPARE(e.SetInformation(2, QStringLiteral("Neu")), 1);
        QCOMPARE(e.SaveToFile(path("info-new.pdf")), 1);
        QCOMPARE(pdfInfo(path("info-new.pdf")).value("Title"), QStringLiteral("Neu"));
        QVERIFY(xmpOf(path("info-new.pdf")).isEmpty());
    }

    void loadsLazilyAndSavesOnlyWhatIsReferenced()
    {
        // Pages deleted and bookmarks pointing at them: the saved file does not carry them.
        auto pdf = fixtures::makeNumberedPdf(4, "Lean");
        fixtures::addOutlines(*pdf, {{0, "one"}, {0, "two"}, {0, "three"}, {0, "four"}});
        fixtures::addLink(*pdf, 1, 3);
        QVERIFY(fixtures::writePdf(*pdf, path("lean.pdf")));
        PdfEngine e(QStringLiteral("FolioPdfEngine"));
        QCOMPARE(e.LoadFromFile(path("lean.pdf"), QString()), 1);
        QCOMPARE(e.DeletePages(2, 2), 2);
        QCOMPARE(e.SaveToFile(path("lean-out.pdf")), 1);
        QVERIFY(qpdfCheck(path("lean-out.pdf")));
        const QByteArray qdf = [&] {
            QString out;
            run("qpdf", {"--qdf", "--object-streams=disable", path("lean-out.pdf"), "-"}, &out);
            return out.toLatin1();
        }();
        QCOMPARE(qdf.count("/Type /Page\n"), 2);
        QVERIFY(!qdf.contains("Lean page 3"));
        QCOMPARE(fixtures::linkTargets(path("lean-out.pdf")), QStringList({"1->?"}));
        QCOMPARE(fixtures::outlineTitles(path("lean-out.pdf")).size(), 4);
    }
};

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
