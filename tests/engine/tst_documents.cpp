// Documents through the facade: selection and removal, damaged files that
// still open, merging and copying pages (with their links, form fields and
// shared resources), saving atomically (also over a loaded document's own
// file), and document information with its XMP copy.

#include "folioconstants.h"
#include "pdfbuild.h"
#include "pdfengine.h"
#include "pdfread.h"
#include "testsupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <set>


using namespace testsupport;
using namespace folio;

class TestDocuments : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    // Saves the selected document, checked by qpdf; its page texts.
    QStringList saved(PdfEngine& e, const QString& name)
    {
        if (e.SaveToFile(path(name)) != 1 || !qpdfCheck(path(name)))
            return {"not saved"};
        return pageTexts(path(name));
    }

    // Overwrites part of a file in place, after the file time has moved on.
    static void scribble(const QString& file)
    {
        QTest::qWait(20);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(f.size() / 2));
        f.write(QByteArray(40, 'X'));
    }

private slots:
    void selectionAndRemoval()
    {
        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.DocumentCount(), 1);
        const int first = e.GetDocumentID(1);
        QVERIFY(first > 0);
        QCOMPARE(e.SelectedDocument(), first);
        QCOMPARE(e.PageCount(), 1);
        QCOMPARE(e.GetDocumentID(0), 0);
        QCOMPARE(e.GetDocumentID(2), 0);
        const int second = e.NewDocument();
        QVERIFY(second > first);
        QCOMPARE(e.GetDocumentID(2), second);
        QCOMPARE(e.SelectDocument(12345), 0);
        QCOMPARE(e.SelectedDocument(), second);

        // Removing the selected one selects the newest remaining; ids are never reused.
        const int third = e.NewDocument();
        QCOMPARE(e.SelectDocument(second), 1);
        QCOMPARE(e.RemoveDocument(second), 1);
        QCOMPARE(e.SelectedDocument(), third);
        QCOMPARE(e.RemoveDocument(second), 0);
        QCOMPARE(e.RemoveDocument(first), 1);
        QCOMPARE(e.RemoveDocument(third), 1);
        QCOMPARE(e.DocumentCount(), 1);  // a fresh blank one
        QVERIFY(e.SelectedDocument() > third);
        QCOMPARE(e.PageCount(), 1);
    }

    void damagedFilesThatStillOpen_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("broken xref offsets") << "xref";
        QTest::newRow("end of file cut off") << "truncate";
        QTest::newRow("garbage before header") << "prefix";
        QTest::newRow("cross-reference table and trailer gone") << "cut";
        QTest::newRow("page tree root miscounts") << "count";
    }

    void damagedFilesThatStillOpen()
    {
        QFETCH(QString, damage);
        QVERIFY(writeNumberedPdf(path("good.pdf"), 5, "Damaged"));
        QByteArray data = readFile(path("good.pdf"));
        const int xref = data.lastIndexOf("\nxref\n");
        QVERIFY(xref > 0);
        if (damage == "xref")  // every offset points somewhere wrong
            data = data.left(xref) + QString(data.mid(xref)).replace(QRegularExpression("\\n\\d{10} 00000 n"), "\n0000000003 00000 n").toLatin1();
        else if (damage == "cut")  // the catalog has to be found by searching
            data.truncate(xref);
        else if (damage == "truncate")
            data.truncate(data.lastIndexOf("startxref"));
        else if (damage == "count")  // the pages are all there: they count, not the root's /Count
            data.replace("/Count 5", "/Count 9");
        else
            data.prepend(QByteArray("garbage that is no PDF\n").repeated(5));
        QVERIFY(writeFile(path("damaged.pdf"), data));
        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.LoadFromFile(path("damaged.pdf"), QString()), 1);
        QCOMPARE(e.PageCount(), 5);
        QCOMPARE(saved(e, "repaired.pdf").value(4), "Damaged page 5");
    }

    void fileCutShortKeepsThePagesThatAreLeft()
    {
        // Written page after page, as many producers do, and cut off in page 7.
        QByteArray pdf = "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n2 0 obj << /Type /Pages /Count 10 /Kids [";
        for (int i = 0; i < 10; ++i)
            pdf += QByteArray::number(3 + 2 * i) + " 0 R ";
        pdf += "] >> endobj\n";
        int cut = 0;
        for (int i = 0; i < 10; ++i) {
            const QByteArray content = "BT /F1 18 Tf 40 700 Td (Cut page " + QByteArray::number(i + 1) + ") Tj ET";
            cut = i == 6 ? pdf.size() + 20 : cut;
            pdf += QByteArray::number(3 + 2 * i) + " 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources "
                   "<< /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> >> /Contents " +
                   QByteArray::number(4 + 2 * i) + " 0 R >> endobj\n" + QByteArray::number(4 + 2 * i) + " 0 obj << /Length " +
                   QByteArray::number(content.size()) + " >> stream\n" + content + "\nendstream endobj\n";
        }
        QVERIFY(writeFile(path("cut.pdf"), pdf.left(cut)));
        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.LoadFromFile(path("cut.pdf"), QString()), 1);
        QCOMPARE(e.PageCount(), 6);
        QCOMPARE(saved(e, "cut-out.pdf"), QStringList({"Cut page 1", "Cut page 2", "Cut page 3", "Cut page 4", "Cut page 5", "Cut page 6"}));
        QString report;
        QVERIFY(qpdfCheck(path("cut-out.pdf"), &report) && !report.contains("WARNING"));
    }

    void copyPageRanges_data()
    {
        QTest::addColumn<bool>("within");  // copied to the end of the source itself
        QTest::addColumn<QString>("ranges");
        QTest::addColumn<QList<int>>("pages");
        QTest::newRow("one page") << false << "3-3" << QList<int>{3};
        QTest::newRow("runs and lists") << false << "1-2,5, 6" << QList<int>{1, 2, 5, 6};
        QTest::newRow("out of range passed over") << false << "5-9,0,7,2" << QList<int>{5, 6, 2};
        QTest::newRow("repeated page") << false << "2,2" << QList<int>{2, 2};
        QTest::newRow("unreadable") << false << "a-b,x" << QList<int>{};
        QTest::newRow("within one document") << true << "2,1" << QList<int>{2, 1};
    }

    void copyPageRanges()
    {
        QFETCH(bool, within);
        QFETCH(QString, ranges);
        QFETCH(QList<int>, pages);
        // Page 2 has a form field: every copy of it gets a field of its own, its value kept.
        auto six = makeNumberedPdf(6, "Six");
        addTextField(*six, 2, "name", "value");
        QVERIFY(writePdf(*six, path("six.pdf")));
        // The splitter's pattern: a new document, the pages copied, its blank page deleted.
        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.LoadFromFile(path("six.pdf"), QString()), 1);
        const int src = e.SelectedDocument();
        if (!within)
            e.NewDocument();
        const int before = e.PageCount();
        QCOMPARE(e.CopyPageRanges(src, ranges), pages.size());
        QCOMPARE(e.PageCount(), before + pages.size());
        if (pages.isEmpty())
            return;
        if (!within)
            QVERIFY(e.DeletePages(1, 1) > 0);
        QStringList expected;
        for (int p : (within ? QList<int>{1, 2, 3, 4, 5, 6} : QList<int>()) + pages)
            expected << QString("Six page %1").arg(p) + (p == 2 ? " value" : "");
        QCOMPARE(saved(e, "copy.pdf"), expected);
        QCOMPARE(formFields(path("copy.pdf")).filter("=value").size(), expected.filter(" value").size());
    }

    void sharedResourcesAreCopiedOnce()
    {
        // Four pages drawing one image, merged twice into one document in three calls.
        Builder b;
        const std::string image = b.image(QImage(64, 64, QImage::Format_RGB32), {});
        for (int i = 0; i < 4; ++i)
            b.addPage(Builder::draw(image, 200, 300, 100, 100));
        QVERIFY(b.write(path("img.pdf")));
        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.LoadFromFile(path("img.pdf"), QString()), 1);
        const int src = e.SelectedDocument();
        e.NewDocument();
        QCOMPARE(e.CopyPageRanges(src, "1-2"), 2);
        QCOMPARE(e.CopyPageRanges(src, "3-4"), 2);
        QCOMPARE(e.MergeDocument(src), 1);
        QCOMPARE(saved(e, "img-out.pdf").size(), 9);
        QCOMPARE(streamsOf(*openPdf(path("img-out.pdf")), "/Image").size(), size_t(1));
    }

    void linksAndFormFieldsSurviveMerging()
    {
        // Page 1 links to page 3 (explicit destination), page 3 to page 1
        // (named destination), page 2 has a text field.
        auto src = makeNumberedPdf(3, "Form");
        addLink(*src, 1, 3);
        addLink(*src, 3, 1, "back");
        addTextField(*src, 2, "customer", "Zoë");
        QVERIFY(writePdf(*src, path("form.pdf")));
        // Another document with a field of the same name.
        auto other = makeNumberedPdf(1, "Other");
        addTextField(*other, 1, "customer", "Ann");
        QVERIFY(writePdf(*other, path("other.pdf")));

        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.LoadFromFile(path("other.pdf"), QString()), 1);
        const int dest = e.SelectedDocument();
        QCOMPARE(e.LoadFromFile(path("form.pdf"), QString()), 1);
        const int source = e.SelectedDocument();
        QCOMPARE(e.SelectDocument(dest), 1);
        QCOMPARE(e.MergeDocument(source), 1);
        QCOMPARE(saved(e, "form-merged.pdf").size(), 4);
        QCOMPARE(linkTargets(path("form-merged.pdf")), QStringList({"2->4", "4->2"}));
        const QStringList fields = formFields(path("form-merged.pdf"));
        QCOMPARE(fields.size(), 2);
        QVERIFY2(fields.contains("customer=Ann") && fields.filter("=Zoë").size() == 1 && !fields.contains("customer=Zoë"),
                 qPrintable(fields.join(' ')));  // renamed, value kept
    }

    void pagesCopiedAgainKeepTheirOwnLinks()
    {
        // Page 1 links to page 2 by a name of /Dests and, as LaTeX writes
        // them, by a name of the /Names /Dests tree; page 2 to page 1
        // explicitly; no form.
        auto src = makeNumberedPdf(2, "Link");
        addLink(*src, 1, 2, "second");
        addLink(*src, 2, 1);
        const auto dest = QPDFObjectHandle::newArray({src->getAllPages().at(1), QPDFObjectHandle::newName("/Fit")});
        auto names = QPDFObjectHandle::newArray({QPDFObjectHandle::newString("page.2"), src->makeIndirectObject(dest)});
        src->getRoot().replaceKey("/Names", QPDFObjectHandle::parse("<< /Dests << >> >>"));
        src->getRoot().getKey("/Names").getKey("/Dests").replaceKey("/Names", names);
        auto annot = QPDFObjectHandle::parse("<< /Type /Annot /Subtype /Link /Rect [50 90 150 120] /Dest (page.2) >>");
        QPDFObjectHandle first = src->getAllPages().at(0);
        first.getKey("/Annots").appendItem(src->makeIndirectObject(annot));
        QVERIFY(writePdf(*src, path("links.pdf")));
        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.LoadFromFile(path("links.pdf"), QString()), 1);
        const int source = e.SelectedDocument();
        e.NewDocument();  // a blank page 1
        QCOMPARE(e.CopyPageRanges(source, "1-2"), 2);    // pages 2, 3
        QCOMPARE(e.CopyPageRanges(source, "1"), 1);      // page 4, its target not copied with it
        QCOMPARE(e.CopyPageRanges(source, "1,2,1"), 3);  // pages 5, 6, 7
        QCOMPARE(saved(e, "links-again.pdf").size(), 7);
        QCOMPARE(linkTargets(path("links-again.pdf")),
                 QStringList({"2->3", "2->3", "3->2", "4->?", "4->?", "5->6", "5->6", "6->5", "7->6", "7->6"}));
        // No annotation is shared between pages.
        const std::shared_ptr<QPDF> out = openPdf(path("links-again.pdf"));
        std::set<QPDFObjGen> seen;
        for (QPDFObjectHandle page : out->getAllPages())
            for (QPDFObjectHandle annot : page.getKey("/Annots").aitems())
                QVERIFY(seen.insert(annot.getObjGen()).second);
        QCOMPARE(seen.size(), size_t(10));
    }

    void damagedFormsPrintNothing()
    {
        // Fields that are not fields make QPDF's form helper warn through its
        // default logger; the library must stay silent.
        auto pdf = makeNumberedPdf(2, "Quiet");
        addTextField(*pdf, 1, "f", "v");
        for (const char* junk : {"3", "null", "(R)"})
            pdf->getRoot().getKey("/AcroForm").getKey("/Fields").appendItem(QPDFObjectHandle::parse(junk));
        QVERIFY(writePdf(*pdf, path("quiet.pdf")));
        const QString said = stderrDuring([&] {
            PdfEngine e("FolioPdfEngine");
            e.LoadFromFile(path("quiet.pdf"), QString());
            const int source = e.SelectedDocument();
            e.NewDocument();
            e.MergeDocument(source);
            e.CopyPageRanges(source, "1,1");
            e.SelectDocument(source);
            e.DeletePages(1, 1);
            e.SaveToFile(path("quiet-out.pdf"));
        });
        QCOMPARE(said, QString());
    }

    void savingOverLoadedFiles()
    {
        // The merger's pattern: save, reopen the output, merge the next source, save over it.
        QVERIFY(writeNumberedPdf(path("s1.pdf"), 2, "First"));
        QVERIFY(writeNumberedPdf(path("s2.pdf"), 1, "Second"));
        const QString out = path("merger-out.pdf");
        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.LoadFromFile(path("s1.pdf"), QString()), 1);
        QCOMPARE(e.SaveToFile(out), 1);
        for (const char* next : {"s2.pdf", "s1.pdf"}) {
            QCOMPARE(e.LoadFromFile(out, QString()), 1);
            const int output = e.SelectedDocument();
            QCOMPARE(e.LoadFromFile(path(next), QString()), 1);
            const int source = e.SelectedDocument();
            QCOMPARE(e.SelectDocument(output), 1);
            QCOMPARE(e.MergeDocument(output), 0);  // never into itself
            QCOMPARE(e.MergeDocument(99999), 0);
            QCOMPARE(e.MergeDocument(source), 1);
            // The source may go before the result is saved: the result keeps what it needs.
            QCOMPARE(e.RemoveDocument(source), 1);
            QCOMPARE(e.SaveToFile(out), 1);
            QCOMPARE(e.SaveToFile(out), 1);  // the document read from the old file saves again
        }
        QVERIFY(qpdfCheck(out));
        QCOMPARE(pageTexts(out), QStringList({"First page 1", "First page 2", "Second page 1", "First page 1", "First page 2"}));
        QVERIFY(!hasUncompressedStreams(out));
        QCOMPARE(QDir(dir.path()).entryList({"merger-out.pdf*"}, QDir::Files), QStringList({"merger-out.pdf"}));

        // Over another loaded document's source: that document keeps what it loaded.
        PdfEngine f("FolioPdfEngine");
        QCOMPARE(f.LoadFromFile(path("s1.pdf"), QString()), 1);
        const int s1 = f.SelectedDocument();
        QCOMPARE(f.LoadFromFile(path("s2.pdf"), QString()), 1);
        QCOMPARE(saved(f, "s1.pdf"), QStringList({"Second page 1"}));
        QCOMPARE(f.SelectDocument(s1), 1);
        QCOMPARE(saved(f, "s1-again.pdf"), QStringList({"First page 1", "First page 2"}));

        // Through a chain of links: the file at its end is replaced, the links stay.
        QVERIFY(QFile::link(path("s1-again.pdf"), path("link2.pdf")) && QFile::link(path("link2.pdf"), path("link1.pdf")));
        QCOMPARE(saved(f, "link1.pdf"), QStringList({"First page 1", "First page 2"}));
        QVERIFY(QFileInfo(path("link1.pdf")).isSymLink() && QFileInfo(path("link2.pdf")).isSymLink());
        QVERIFY(f.SelectDocument(f.GetDocumentID(f.DocumentCount())));  // s2.pdf
        QCOMPARE(f.SaveToFile(path("link1.pdf")), 1);
        QCOMPARE(pageTexts(path("s1-again.pdf")), QStringList({"Second page 1"}));
        QVERIFY(QFileInfo(path("link1.pdf")).isSymLink() && QFileInfo(path("link2.pdf")).isSymLink());
    }

    void failedSavesLeaveNoPartialFileAndTheOldFileIntact()
    {
        QVERIFY(writeNumberedPdf(path("keep.pdf"), 1, "Keep"));
        const QByteArray before = readFile(path("keep.pdf"));
        PdfEngine e("FolioPdfEngine");
        for (const QString& target : {path("no/such/folder/out.pdf"), dir.path(), QString(), path("keep.pdf/out.pdf"),
                                      QString("/proc/folio-cannot-be-here.pdf")})
            QCOMPARE(e.SaveToFile(target), 0);
        QVERIFY(!QFile::exists(path("no/such/folder/out.pdf")));

        // A source rewritten in place since it was read: saving would mix old
        // and new bytes, so the save is refused and the earlier output stays.
        QVERIFY(writeNumberedPdf(path("moving.pdf"), 3, "Moving"));
        QCOMPARE(e.LoadFromFile(path("moving.pdf"), QString()), 1);
        scribble(path("moving.pdf"));
        QCOMPARE(e.SaveToFile(path("keep.pdf")), 0);
        QCOMPARE(readFile(path("keep.pdf")), before);
        QCOMPARE(QDir(dir.path()).entryList({"keep.pdf*"}, QDir::Files), QStringList({"keep.pdf"}));
        // The same for a source whose pages were merged, and that is gone since.
        QVERIFY(writeNumberedPdf(path("merged-src.pdf"), 2, "MergedSource"));
        const int target = e.NewDocument();
        QCOMPARE(e.LoadFromFile(path("merged-src.pdf"), QString()), 1);
        const int merged = e.SelectedDocument();
        QCOMPARE(e.SelectDocument(target), 1);
        QCOMPARE(e.MergeDocument(merged), 1);
        QCOMPARE(e.RemoveDocument(merged), 1);
        scribble(path("merged-src.pdf"));
        QCOMPARE(e.SelectDocument(target), 1);
        QCOMPARE(e.SaveToFile(path("keep.pdf")), 0);
        QCOMPARE(readFile(path("keep.pdf")), before);
    }

    void informationAndXmpAgree()
    {
        auto pdf = makeNumberedPdf(1, "Info");
        addXmp(*pdf, "<rdf:Description rdf:about=\"\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\" pdf:Producer=\"Old producer\"/>\n"
                     "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
                     "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Old title</rdf:li>"
                     "<rdf:li xml:lang=\"de\">Alter Titel</rdf:li></rdf:Alt></dc:title>"
                     "<dc:subject><rdf:Bag><rdf:li>old</rdf:li></rdf:Bag></dc:subject></rdf:Description>");
        pdf->getTrailer().replaceKey("/Info", pdf->makeIndirectObject(QPDFObjectHandle::parse("<< /Title (Old title) /Subject (Kept) >>")));
        QVERIFY(writePdf(*pdf, path("info.pdf")));

        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.LoadFromFile(path("info.pdf"), QString()), 1);
        QCOMPARE(e.GetInformation(InfoTitle), "Old title");
        QCOMPARE(e.GetInformation(InfoAuthor), QString());  // missing
        QCOMPARE(e.GetInformation(9), QString());
        QCOMPARE(e.SetInformation(0, "x"), 0);
        QCOMPARE(e.SetInformation(InfoCreationDate, "x"), 0);
        QCOMPARE(e.SetInformation(InfoAuthor, "Jürgen Åström & 山田 <x>"), 1);
        QCOMPARE(e.SetInformation(InfoTitle, "Título €"), 1);
        QCOMPARE(e.SetInformation(InfoKeywords, "alpha; beta"), 1);
        QCOMPARE(e.SetInformation(InfoCreator, "Folio-\x01Tool"), 1);  // no XML for the control character
        QCOMPARE(e.SetInformation(InfoProducer, QString()), 1);
        QCOMPARE(saved(e, "info-out.pdf").size(), 1);

        const auto info = pdfInfo(path("info-out.pdf"));
        QCOMPARE(info.value("Subject"), "Kept");
        QCOMPARE(info.value("Keywords"), "alpha; beta");
        auto out = openPdf(path("info-out.pdf"));
        QCOMPARE(out->getTrailer().getKey("/Info").getKey("/Creator").getUTF8Value(), "Folio-\x01Tool");
        QVERIFY(out->getTrailer().getKey("/Info").getKey("/Producer").getUTF8Value().empty());  // set, and empty

        const QString xmp = streamData(out->getRoot().getKey("/Metadata"), true);
        QXmlStreamReader reader(xmp);
        while (!reader.atEnd())
            reader.readNext();
        QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
        for (const char* part : {"Jürgen Åström &amp; 山田 &lt;x&gt;", "<rdf:li xml:lang=\"x-default\">Título €</rdf:li>",
                                 "pdf:Producer=\"\"", "<pdf:Keywords>alpha; beta</pdf:Keywords>",
                                 "<rdf:li>alpha</rdf:li><rdf:li>beta</rdf:li>", "<xmp:CreatorTool>Folio-Tool</xmp:CreatorTool>"})
            QVERIFY2(xmp.contains(QString::fromUtf8(part)), part);
        QVERIFY(!xmp.contains("Old title") && !xmp.contains("Old producer"));

        // RDF as the default namespace: what is changed and added stays in it.
        pdf = makeNumberedPdf(1, "Info");
        addXmp(*pdf, QString());
        const std::string plain = "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?><x:xmpmeta xmlns:x=\"adobe:ns:meta/\">"
                                  "<RDF xmlns=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><Description about=\"\" "
                                  "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title><Alt><li>Old</li></Alt></dc:title>"
                                  "</Description></RDF></x:xmpmeta><?xpacket end=\"w\"?>";
        pdf->getRoot().getKey("/Metadata").replaceStreamData(plain, QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
        QVERIFY(writePdf(*pdf, path("default-ns.pdf")));
        QCOMPARE(e.LoadFromFile(path("default-ns.pdf"), QString()), 1);
        QCOMPARE(e.SetInformation(InfoTitle, "New title"), 1);
        QCOMPARE(e.SetInformation(InfoAuthor, "New author"), 1);
        QCOMPARE(saved(e, "default-ns-out.pdf").size(), 1);
        QXmlStreamReader rdf(streamData(openPdf(path("default-ns-out.pdf"))->getRoot().getKey("/Metadata"), true));
        QStringList items;  // rdf:li texts under their dc property
        QString property;
        while (!rdf.atEnd()) {
            rdf.readNext();
            if (rdf.isStartElement() && rdf.namespaceUri() == QLatin1String("http://purl.org/dc/elements/1.1/"))
                property = rdf.name().toString();
            if (rdf.isStartElement() && rdf.namespaceUri() == QLatin1String("http://www.w3.org/1999/02/22-rdf-syntax-ns#")
                && rdf.name() == QLatin1String("li"))
                items << property + "=" + rdf.readElementText();
        }
        QVERIFY2(!rdf.hasError(), qPrintable(rdf.errorString()));
        items.sort();
        QCOMPARE(items, QStringList({"creator=New author", "title=New title"}));

        // A document without XMP gets none; one without information gets some.
        e.NewDocument();
        QCOMPARE(e.SetInformation(InfoTitle, "Neu"), 1);
        QCOMPARE(e.SaveToFile(path("info-new.pdf")), 1);
        QCOMPARE(pdfInfo(path("info-new.pdf")).value("Title"), "Neu");
        QVERIFY(!openPdf(path("info-new.pdf"))->getRoot().hasKey("/Metadata"));
    }

    void savesOnlyWhatIsReferenced()
    {
        // Pages deleted, with bookmarks and a link pointing at them.
        auto pdf = makeNumberedPdf(4, "Lean");
        addOutlines(*pdf, {{0, "one"}, {0, "two"}, {0, "three"}, {0, "four"}});
        addLink(*pdf, 1, 3);
        QVERIFY(writePdf(*pdf, path("lean.pdf")));
        PdfEngine e("FolioPdfEngine");
        QCOMPARE(e.LoadFromFile(path("lean.pdf"), QString()), 1);
        QCOMPARE(e.DeletePages(2, 2), 2);
        QCOMPARE(saved(e, "lean-out.pdf"), QStringList({"Lean page 1", "Lean page 4"}));
        QString qdf;
        run("qpdf", {"--qdf", "--object-streams=disable", path("lean-out.pdf"), "-"}, &qdf);
        QCOMPARE(qdf.count("/Type /Page\n"), 2);
        QVERIFY(!qdf.contains("Lean page 3"));
        QCOMPARE(linkTargets(path("lean-out.pdf")), QStringList({"1->?"}));
        QCOMPARE(outlines(path("lean-out.pdf")).size(), 4);
    }
};

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
