#include "pdfbuild.h"

#include "imagefixtures.h"
#include "testsupport.h"

#include <qpdf/Pl_Buffer.hh>
#include <qpdf/Pl_Flate.hh>
#include <qpdf/Pl_RunLength.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QTextCodec>

#include <map>

namespace testsupport {

namespace {

using Handle = QPDFObjectHandle;

Handle rect(const QRectF& r)
{
    return Handle::newArray(Handle::Rectangle(r.left(), r.top(), r.right(), r.bottom()));
}

void appendPage(QPDF& pdf, Handle page)
{
    QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
}

std::string filterName(Filter filter)
{
    static const char* names[] = {"", "/FlateDecode", "/FlateDecode", "/LZWDecode", "/ASCIIHexDecode", "/RunLengthDecode",
                                  "/DCTDecode"};
    return names[int(filter)];
}

Handle stream(QPDF& pdf, const QByteArray& data, Filter filter)
{
    Handle s = Handle::newStream(&pdf);
    const std::string name = filterName(filter);
    s.replaceStreamData(encode(data, filter).toStdString(), name.empty() ? Handle::newNull() : Handle::newName(name),
                        Handle::newNull());
    return s;
}

} // namespace

std::shared_ptr<QPDF> makePdf(const std::vector<PageLayout>& pages)
{
    auto pdf = std::make_shared<QPDF>();
    pdf->emptyPDF();
    Handle font = pdf->makeIndirectObject(
        Handle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
    for (const PageLayout& layout : pages) {
        const QRectF& m = layout.mediaBox;
        QByteArray content = layout.content;
        if (!layout.text.isEmpty())
            content.prepend(Builder::text("/F1", 36, m.left() + 20, m.bottom() - 50, layout.text.toLatin1()));
        Handle page = Handle::parse("<< /Type /Page /Resources << >> >>");
        page.replaceKey("/MediaBox", rect(m));
        if (!layout.cropBox.isNull())
            page.replaceKey("/CropBox", rect(layout.cropBox));
        if (layout.rotate)
            page.replaceKey("/Rotate", Handle::newInteger(layout.rotate));
        if (content.contains("/F1"))
            page.getKey("/Resources").replaceKey("/Font", Handle::newDictionary({{"/F1", font}}));
        page.replaceKey("/Contents", pdf->newStream(content.toStdString()));
        appendPage(*pdf, page);
    }
    return pdf;
}

std::shared_ptr<QPDF> makeNumberedPdf(int n, const QString& label)
{
    std::vector<PageLayout> pages(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        pages[size_t(i)].text = QString("%1 page %2").arg(label).arg(i + 1);
    return makePdf(pages);
}

bool writePdf(QPDF& pdf, const QString& path, bool asMade)
{
    try {
        const QByteArray name = QFile::encodeName(path);  // the writer keeps the pointer
        QPDFWriter w(pdf, name.constData());
        if (asMade) {
            w.setCompressStreams(false);
            w.setDecodeLevel(qpdf_dl_none);
            w.setObjectStreamMode(qpdf_o_disable);
        }
        w.write();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool writePdf(const QString& path, const std::vector<PageLayout>& pages)
{
    return writePdf(*makePdf(pages), path);
}

bool writeNumberedPdf(const QString& path, int n, const QString& label)
{
    return writePdf(*makeNumberedPdf(n, label), path);
}

bool writeTextPdf(const QString& path, const QStringList& pageTexts)
{
    std::vector<PageLayout> pages;
    for (const QString& text : pageTexts)
        pages.push_back({QRectF(0, 0, 612, 792), 0, QRectF(), text, QByteArray()});
    return writePdf(path, pages);
}

bool writeUnicodePdf(const QString& path, const QStringList& pageTexts)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(72);
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 14));
    for (int i = 0; i < pageTexts.size(); ++i) {
        if (i > 0)
            writer.newPage();
        painter.drawText(QRect(50, 50, 495, 740), Qt::TextWordWrap, pageTexts.at(i));
    }
    return painter.end();
}

void addLink(QPDF& pdf, int from, int to, const QString& name)
{
    Handle dest = Handle::newArray({pdf.getAllPages().at(size_t(to - 1)), Handle::newName("/Fit")});
    Handle annot = Handle::parse("<< /Type /Annot /Subtype /Link /Rect [50 50 150 80] /Border [0 0 0] >>");
    if (name.isEmpty()) {
        annot.replaceKey("/Dest", dest);
    } else {
        Handle root = pdf.getRoot();
        if (!root.getKey("/Dests").isDictionary())
            root.replaceKey("/Dests", pdf.makeIndirectObject(Handle::newDictionary()));
        root.getKey("/Dests").replaceKey("/" + name.toStdString(), dest);
        annot.replaceKey("/A", Handle::parse("<< /S /GoTo /D /" + name.toStdString() + " >>"));
    }
    Handle page = pdf.getAllPages().at(size_t(from - 1));
    if (!page.getKey("/Annots").isArray())
        page.replaceKey("/Annots", Handle::newArray());
    page.getKey("/Annots").appendItem(pdf.makeIndirectObject(annot));
}

void addTextField(QPDF& pdf, int page, const QString& name, const QString& value)
{
    Handle root = pdf.getRoot();
    if (!root.getKey("/AcroForm").isDictionary())
        root.replaceKey("/AcroForm", pdf.makeIndirectObject(Handle::parse(
                                         "<< /Fields [] /DA (/Helv 0 Tf 0 g) /DR << /Font << /Helv << /Type /Font "
                                         "/Subtype /Type1 /BaseFont /Helvetica >> >> >> >>")));
    Handle p = pdf.getAllPages().at(size_t(page - 1));
    Handle field = Handle::parse("<< /Type /Annot /Subtype /Widget /FT /Tx /Rect [100 600 300 630] /F 4 /DA (/Helv 12 Tf 0 g) >>");
    field.replaceKey("/T", Handle::newUnicodeString(name.toStdString()));
    field.replaceKey("/V", Handle::newUnicodeString(value.toStdString()));
    field.replaceKey("/P", p);
    field = pdf.makeIndirectObject(field);
    root.getKey("/AcroForm").getKey("/Fields").appendItem(field);
    if (!p.getKey("/Annots").isArray())
        p.replaceKey("/Annots", Handle::newArray());
    p.getKey("/Annots").appendItem(field);
}

void addOutlines(QPDF& pdf, const Outline& items)
{
    const auto& pages = pdf.getAllPages();
    Handle root = pdf.makeIndirectObject(Handle::parse("<< /Type /Outlines >>"));
    pdf.getRoot().replaceKey("/Outlines", root);
    // parents[d]: the node that new items of depth d go under.
    std::vector<Handle> parents{root};
    std::map<QPDFObjGen, int> counts;
    size_t i = 0;
    for (const auto& [depth, title] : items) {
        parents.resize(size_t(depth) + 1);
        Handle parent = parents.back();
        Handle item = pdf.makeIndirectObject(Handle::newDictionary());
        item.replaceKey("/Title", Handle::newUnicodeString(title.toStdString()));
        item.replaceKey("/Parent", parent);
        item.replaceKey("/Dest", Handle::newArray({pages.at(i++ % pages.size()), Handle::newName("/Fit")}));
        Handle last = parent.getKey("/Last");
        if (last.isDictionary()) {
            last.replaceKey("/Next", item);
            item.replaceKey("/Prev", last);
        } else {
            parent.replaceKey("/First", item);
        }
        parent.replaceKey("/Last", item);
        for (const Handle& p : parents)  // open: each counts for all its ancestors
            counts[p.getObjGen()] += 1;
        parents.push_back(item);
    }
    for (const auto& [og, count] : counts)
        pdf.getObjectByObjGen(og).replaceKey("/Count", Handle::newInteger(count));
}

bool addOutlines(const QString& path, const Outline& items)
{
    const QString tmp = path + ".tmp";
    try {
        QPDF pdf;
        pdf.processFile(QFile::encodeName(path).constData());
        addOutlines(pdf, items);
        if (!writePdf(pdf, tmp))
            return false;
    } catch (const std::exception&) {
        return false;
    }
    return QFile::remove(path) && QFile::rename(tmp, path);
}

void addXmp(QPDF& pdf, const QString& descriptionXml)
{
    const QString packet = QString("<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
                                   "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
                                   "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n%1\n"
                                   "</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>")
                               .arg(descriptionXml);
    Handle stream = pdf.newStream(packet.toStdString());
    stream.getDict().replaceKey("/Type", Handle::newName("/Metadata"));
    stream.getDict().replaceKey("/Subtype", Handle::newName("/XML"));
    pdf.getRoot().replaceKey("/Metadata", stream);
}

bool encrypt(const QString& in, const QString& out, const QString& user, const QString& owner, int bits, bool aes)
{
    QStringList args{"--allow-weak-crypto", "--encrypt", user, owner, QString::number(bits)};
    if (bits == 128)
        args << (aes ? "--use-aes=y" : "--use-aes=n");
    const int rc = run("qpdf", args << "--" << in << out);
    return rc == 0 || rc == 3;
}

QByteArray encode(const QByteArray& data, Filter filter)
{
    if (filter == Filter::LZW)
        return lzw(data);
    if (filter == Filter::ASCIIHex)
        return data.toHex() + '>';
    if (filter != Filter::Flate && filter != Filter::FastFlate && filter != Filter::RunLength)
        return data;
    Pl_Buffer out("out");
    Pl_Flate::setCompressionLevel(filter == Filter::FastFlate ? 1 : -1);
    std::unique_ptr<Pipeline> p;
    if (filter == Filter::RunLength)
        p = std::make_unique<Pl_RunLength>("rl", &out, Pl_RunLength::a_encode);
    else
        p = std::make_unique<Pl_Flate>("flate", &out, Pl_Flate::a_deflate);
    p->write(reinterpret_cast<const unsigned char*>(data.constData()), size_t(data.size()));
    p->finish();
    Pl_Flate::setCompressionLevel(-1);
    auto buffer = out.getBufferSharedPointer();
    return QByteArray(reinterpret_cast<const char*>(buffer->getBuffer()), int(buffer->getSize()));
}

struct Builder::Data {
    QPDF pdf;
    Handle resources;
    int fonts = 0, xobjects = 0;

    std::string addResource(const char* kind, const std::string& prefix, int& counter, Handle object)
    {
        const std::string name = prefix + std::to_string(++counter);
        resources.getKey(kind).replaceKey(name, object);
        return name;
    }
};

Builder::Builder()
    : d(std::make_unique<Data>())
{
    d->pdf.emptyPDF();
    d->resources = d->pdf.makeIndirectObject(Handle::parse("<< /Font << >> /XObject << >> >>"));
}

Builder::~Builder() = default;

QPDF& Builder::pdf()
{
    return d->pdf;
}

std::string Builder::standardFont(const std::string& baseFont)
{
    return d->addResource("/Font", "/F", d->fonts, d->pdf.makeIndirectObject(Handle::parse(
        "<< /Type /Font /Subtype /Type1 /Encoding /WinAnsiEncoding /BaseFont /" + baseFont + " >>")));
}

std::string Builder::trueTypeFont(const QString& ttf, const std::string& baseFont, Filter filter, bool winAnsi)
{
    const QByteArray program = readFile(ttf);
    if (program.isEmpty())
        return std::string();
    const QRawFont raw(program, 1000);
    QTextCodec* codec = QTextCodec::codecForName("windows-1252");
    Handle fontFile = stream(d->pdf, program, filter);
    fontFile.getDict().replaceKey("/Length1", Handle::newInteger(program.size()));
    std::string widths = "[";
    for (int code = 32; code <= 255; ++code) {
        const QVector<quint32> glyphs = raw.glyphIndexesForString(codec->toUnicode(QByteArray(1, char(code))));
        const bool has = !glyphs.isEmpty() && glyphs[0] != 0;
        widths += " " + std::to_string(has ? qRound(raw.advancesForGlyphIndexes(glyphs).value(0).x()) : 0);
    }
    Handle descriptor = d->pdf.makeIndirectObject(Handle::parse(
        "<< /Type /FontDescriptor /FontName /" + baseFont + " /Flags " + (winAnsi ? "32" : "4") +
        " /FontBBox [-600 -300 2000 1000] /ItalicAngle 0 /Ascent " + std::to_string(qRound(raw.ascent())) +
        " /Descent " + std::to_string(-qRound(raw.descent())) + " /CapHeight 700 /StemV 80 >>"));
    descriptor.replaceKey("/FontFile2", fontFile);
    Handle font = d->pdf.makeIndirectObject(Handle::parse(
        "<< /Type /Font /Subtype /TrueType /BaseFont /" + baseFont + " /FirstChar 32 /LastChar 255 /Widths " + widths +
        " ]" + (winAnsi ? " /Encoding /WinAnsiEncoding" : "") + " >>"));
    font.replaceKey("/FontDescriptor", descriptor);
    return d->addResource("/Font", "/F", d->fonts, font);
}

std::string Builder::type1Font(const QString& t1, const std::string& baseFont, const std::string& encoding)
{
    const QByteArray program = readFile(t1);
    // Clear text up to "eexec" and its line end; the encrypted part up to
    // the trailer of zeros and cleartomark.
    int clear = program.indexOf("eexec");
    if (clear < 0)
        return std::string();
    for (clear += 5; clear < program.size() && (program[clear] == '\r' || program[clear] == '\n');)
        ++clear;
    int trailer = program.lastIndexOf("cleartomark");
    while (trailer > clear && QByteArray("0\r\n").contains(program[trailer - 1]))
        --trailer;
    Handle fontFile = stream(d->pdf, program, Filter::None);
    fontFile.getDict().replaceKey("/Length1", Handle::newInteger(clear));
    fontFile.getDict().replaceKey("/Length2", Handle::newInteger(trailer - clear));
    fontFile.getDict().replaceKey("/Length3", Handle::newInteger(program.size() - trailer));
    Handle descriptor = d->pdf.makeIndirectObject(Handle::parse(
        "<< /Type /FontDescriptor /FontName /" + baseFont +
        " /Flags 32 /FontBBox [-200 -300 1100 1000] /ItalicAngle 0 /Ascent 730 /Descent -220 /CapHeight 700 /StemV 80 >>"));
    descriptor.replaceKey("/FontFile", fontFile);
    // Helvetica's widths (the fonts used are metric clones of it) are close enough.
    const QRawFont raw(QString("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"), 1000);
    std::string widths = "[";
    for (int code = 32; code <= 126; ++code)
        widths += " " + std::to_string(qRound(raw.advancesForGlyphIndexes(raw.glyphIndexesForString(QString(QChar(code)))).value(0).x()));
    Handle font = d->pdf.makeIndirectObject(Handle::parse(
        "<< /Type /Font /Subtype /Type1 /BaseFont /" + baseFont + " /FirstChar 32 /LastChar 126 /Widths " + widths + " ]" +
        (encoding.empty() ? std::string() : " /Encoding " + encoding) + " >>"));
    font.replaceKey("/FontDescriptor", descriptor);
    return d->addResource("/Font", "/F", d->fonts, font);
}

std::string Builder::image(const QImage& picture, const std::vector<Filter>& filters)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    QByteArray data;
    if (!filters.empty() && filters.back() == Filter::DCT)
        data = jpegBytes(rgb, 90);
    else
        for (int y = 0; y < rgb.height(); ++y)
            data.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 3);
    std::string names;
    for (size_t i = filters.size(); i-- > 0;) {
        data = encode(data, filters[i]);
        if (filters[i] != Filter::None)
            names = filterName(filters[i]) + " " + names;
    }
    return image(QByteArray::fromStdString("/Width " + std::to_string(rgb.width()) + " /Height " +
                                           std::to_string(rgb.height()) + " /ColorSpace /DeviceRGB /BitsPerComponent 8" +
                                           (names.empty() ? "" : " /Filter [" + names + "]")),
                 data);
}

std::string Builder::image(const QByteArray& dict, const QByteArray& data, const QByteArray& jbig2Globals)
{
    Handle image = d->pdf.newStream(data.toStdString());
    Handle entries = Handle::parse("<< /Type /XObject /Subtype /Image " + dict.toStdString() + " >>");
    if (!jbig2Globals.isEmpty()) {
        if (!entries.getKey("/DecodeParms").isDictionary())
            entries.replaceKey("/DecodeParms", Handle::newDictionary());
        entries.getKey("/DecodeParms").replaceKey("/JBIG2Globals", d->pdf.newStream(jbig2Globals.toStdString()));
    }
    for (const std::string& key : entries.getKeys())
        image.getDict().replaceKey(key, entries.getKey(key));
    return d->addResource("/XObject", "/Im", d->xobjects, image);
}

std::string Builder::form(const QByteArray& content, Filter filter, double width, double height)
{
    Handle form = stream(d->pdf, content, filter);
    form.getDict().replaceKey("/Type", Handle::newName("/XObject"));
    form.getDict().replaceKey("/Subtype", Handle::newName("/Form"));
    form.getDict().replaceKey("/BBox", rect(QRectF(0, 0, width, height)));
    // The resources made so far: not the form itself.
    Handle resources = Handle::parse("<< /Font << >> /XObject << >> >>");
    for (const char* kind : {"/Font", "/XObject"})
        for (const auto& [key, value] : d->resources.getKey(kind).ditems())
            resources.getKey(kind).replaceKey(key, value);
    form.getDict().replaceKey("/Resources", resources);
    return d->addResource("/XObject", "/Fm", d->xobjects, form);
}

void Builder::addPage(const QByteArray& content, Filter filter, double width, double height, const std::string& stamp)
{
    Handle page = Handle::parse("<< /Type /Page >>");
    page.replaceKey("/MediaBox", rect(QRectF(0, 0, width, height)));
    page.replaceKey("/Resources", d->resources);
    page.replaceKey("/Contents", stream(d->pdf, content, filter));
    if (!stamp.empty()) {
        Handle annot = Handle::parse("<< /Type /Annot /Subtype /Stamp /F 4 /AP << >> >>");
        annot.replaceKey("/Rect", rect(QRectF(0, 0, width, height)));
        annot.getKey("/AP").replaceKey("/N", d->resources.getKey("/XObject").getKey(stamp));
        page.replaceKey("/Annots", Handle::newArray({d->pdf.makeIndirectObject(annot)}));
    }
    appendPage(d->pdf, page);
}

bool Builder::write(const QString& path)
{
    return writePdf(d->pdf, path, true);
}

QByteArray Builder::text(const std::string& font, double size, double x, double y, const QByteArray& latin1)
{
    QByteArray escaped;
    for (char c : latin1)
        escaped += QByteArray(c == '(' || c == ')' || c == '\\' ? "\\" : "") + c;
    return QByteArray("BT ") + font.c_str() + ' ' + QByteArray::number(size) + " Tf " + QByteArray::number(x) + ' ' +
           QByteArray::number(y) + " Td (" + escaped + ") Tj ET\n";
}

QByteArray Builder::draw(const std::string& xobject, double x, double y, double width, double height)
{
    return "q " + QByteArray::number(width) + " 0 0 " + QByteArray::number(height) + ' ' + QByteArray::number(x) + ' ' +
           QByteArray::number(y) + " cm " + xobject.c_str() + " Do Q\n";
}

} // namespace testsupport
