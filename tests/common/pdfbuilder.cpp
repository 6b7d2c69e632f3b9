#include "pdfbuilder.h"

#include <qpdf/Pl_Buffer.hh>
#include <qpdf/Pl_Flate.hh>
#include <qpdf/Pl_RunLength.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QBuffer>
#include <QFile>
#include <QRawFont>
#include <QTextCodec>

#include <map>

namespace pdfbuild {

namespace {

QByteArray runPipeline(const QByteArray& data, const std::function<Pipeline*(Pipeline*)>& make)
{
    Pl_Buffer out("out");
    Pipeline* p = make(&out);
    p->write(reinterpret_cast<const unsigned char*>(data.constData()), static_cast<size_t>(data.size()));
    p->finish();
    delete p;
    auto buffer = out.getBufferSharedPointer();
    return QByteArray(reinterpret_cast<const char*>(buffer->getBuffer()), static_cast<int>(buffer->getSize()));
}

QByteArray asciiHex(const QByteArray& data)
{
    QByteArray out = data.toHex();
    for (int i = 64; i < out.size(); i += 65)
        out.insert(i, '\n');
    return out + '>';
}

QByteArray ascii85(const QByteArray& data)
{
    QByteArray out;
    for (int i = 0; i < data.size(); i += 4) {
        const int n = std::min(4, static_cast<int>(data.size()) - i);
        quint32 v = 0;
        for (int k = 0; k < 4; ++k)
            v = v << 8 | (k < n ? static_cast<quint8>(data[i + k]) : 0);
        if (n == 4 && v == 0) {
            out += 'z';
            continue;
        }
        char digits[5];
        for (int k = 4; k >= 0; --k) {
            digits[k] = static_cast<char>('!' + v % 85);
            v /= 85;
        }
        out.append(digits, n + 1);
    }
    return out + "~>";
}

// LZW as PDF reads it by default (EarlyChange 1): 9 to 12-bit codes, a clear
// code at the start and whenever the table is full.
QByteArray lzw(const QByteArray& data)
{
    QByteArray out;
    quint32 bits = 0;
    int bitCount = 0;
    int width = 9;
    auto put = [&](int code) {
        bits = bits << width | static_cast<quint32>(code);
        bitCount += width;
        while (bitCount >= 8) {
            out += static_cast<char>(bits >> (bitCount - 8) & 0xff);
            bitCount -= 8;
        }
    };
    std::map<std::pair<int, int>, int> table;  // (prefix code, byte) -> code
    int next = 258;
    auto widthFor = [](int nextCode) { return nextCode < 512 ? 9 : nextCode < 1024 ? 10 : nextCode < 2048 ? 11 : 12; };
    put(256);
    int w = -1;
    for (char ch : data) {
        const int c = static_cast<quint8>(ch);
        if (w < 0) {
            w = c;
            continue;
        }
        auto it = table.find({w, c});
        if (it != table.end()) {
            w = it->second;
            continue;
        }
        put(w);
        table[{w, c}] = next++;
        width = widthFor(next);
        if (next >= 4094) {
            put(256);
            table.clear();
            next = 258;
            width = 9;
        }
        w = c;
    }
    if (w >= 0) {
        put(w);
        ++next;
        width = widthFor(next);
    }
    put(257);
    if (bitCount > 0)
        out += static_cast<char>(bits << (8 - bitCount) & 0xff);
    return out;
}

std::string filterName(Filter filter)
{
    switch (filter) {
    case Filter::Flate:
    case Filter::FastFlate: return "/FlateDecode";
    case Filter::LZW: return "/LZWDecode";
    case Filter::ASCIIHex: return "/ASCIIHexDecode";
    case Filter::ASCII85: return "/ASCII85Decode";
    case Filter::RunLength: return "/RunLengthDecode";
    case Filter::DCT: return "/DCTDecode";
    case Filter::None: break;
    }
    return std::string();
}

} // namespace

QByteArray encode(const QByteArray& data, Filter filter)
{
    switch (filter) {
    case Filter::Flate:
    case Filter::FastFlate:
        Pl_Flate::setCompressionLevel(filter == Filter::FastFlate ? 1 : -1);
        {
            QByteArray out = runPipeline(data, [](Pipeline* next) { return new Pl_Flate("flate", next, Pl_Flate::a_deflate); });
            Pl_Flate::setCompressionLevel(-1);
            return out;
        }
    case Filter::RunLength:
        return runPipeline(data, [](Pipeline* next) { return new Pl_RunLength("rl", next, Pl_RunLength::a_encode); });
    case Filter::LZW: return lzw(data);
    case Filter::ASCIIHex: return asciiHex(data);
    case Filter::ASCII85: return ascii85(data);
    case Filter::None:
    case Filter::DCT: break;
    }
    return data;
}

struct Builder::Data {
    QPDF pdf;
    QPDFObjectHandle resources;
    int fonts = 0;
    int images = 0;
};

Builder::Builder()
    : d(std::make_unique<Data>())
{
    d->pdf.emptyPDF();
    d->resources = d->pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Font << >> /XObject << >> >>"));
}

Builder::~Builder() = default;

QPDF& Builder::pdf()
{
    return d->pdf;
}

static QPDFObjectHandle makeStream(QPDF& pdf, const QByteArray& data, Filter filter)
{
    const QByteArray encoded = encode(data, filter);
    QPDFObjectHandle s = QPDFObjectHandle::newStream(&pdf);
    const std::string name = filterName(filter);
    s.replaceStreamData(encoded.toStdString(), name.empty() ? QPDFObjectHandle::newNull() : QPDFObjectHandle::newName(name),
                        QPDFObjectHandle::newNull());
    return s;
}

std::string Builder::standardFont(const std::string& baseFont)
{
    const std::string name = "/F" + std::to_string(++d->fonts);
    QPDFObjectHandle font = d->pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /Type1 /Encoding /WinAnsiEncoding /BaseFont /" + baseFont + " >>"));
    d->resources.getKey("/Font").replaceKey(name, font);
    return name;
}

std::string Builder::trueTypeFont(const QString& ttfFile, const std::string& baseFont, Filter fontFilter, bool winAnsi)
{
    QFile file(ttfFile);
    if (!file.open(QIODevice::ReadOnly))
        return std::string();
    const QByteArray program = file.readAll();
    QRawFont raw(program, 1000);
    QTextCodec* codec = QTextCodec::codecForName("windows-1252");

    QPDFObjectHandle fontFile = makeStream(d->pdf, program, fontFilter);
    fontFile.getDict().replaceKey("/Length1", QPDFObjectHandle::newInteger(program.size()));

    std::string widths = "[";
    for (int code = 32; code <= 255; ++code) {
        const QString ch = codec->toUnicode(QByteArray(1, static_cast<char>(code)));
        const QVector<quint32> glyphs = raw.glyphIndexesForString(ch);
        double w = 0;
        if (!glyphs.isEmpty() && glyphs[0] != 0)
            w = raw.advancesForGlyphIndexes(glyphs).value(0).x();
        widths += " " + std::to_string(qRound(w));
    }
    widths += " ]";
    const int flags = winAnsi ? 32 : 4;
    QPDFObjectHandle descriptor = d->pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /FontDescriptor /FontName /" + baseFont + " /Flags " + std::to_string(flags) +
        " /FontBBox [-600 -300 2000 1000] /ItalicAngle 0 /Ascent " + std::to_string(qRound(raw.ascent())) +
        " /Descent " + std::to_string(-qRound(raw.descent())) + " /CapHeight 700 /StemV 80 >>"));
    descriptor.replaceKey("/FontFile2", fontFile);
    QPDFObjectHandle font = d->pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /TrueType /BaseFont /" + baseFont + " /FirstChar 32 /LastChar 255 /Widths " + widths +
        (winAnsi ? " /Encoding /WinAnsiEncoding" : "") + " >>"));
    font.replaceKey("/FontDescriptor", descriptor);
    const std::string name = "/F" + std::to_string(++d->fonts);
    d->resources.getKey("/Font").replaceKey(name, font);
    return name;
}

std::string Builder::image(const QImage& picture, Filter filter)
{
    return image(picture, std::vector<Filter>{filter});
}

std::string Builder::image(const QImage& picture, const std::vector<Filter>& filters)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    QByteArray data;
    std::vector<Filter> layers = filters;
    if (!layers.empty() && layers.back() == Filter::DCT) {
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        rgb.save(&buffer, "JPEG", 90);
    } else {
        for (int y = 0; y < rgb.height(); ++y)
            data.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 3);
        if (!layers.empty())
            data = encode(data, layers.back());
    }
    for (size_t i = layers.size(); i-- > 1;)
        data = encode(data, layers[i - 1]);
    std::vector<QPDFObjectHandle> names;
    for (Filter f : layers)
        if (f != Filter::None)
            names.push_back(QPDFObjectHandle::newName(filterName(f)));
    QPDFObjectHandle image = QPDFObjectHandle::newStream(&d->pdf);
    image.replaceStreamData(data.toStdString(),
                            names.empty() ? QPDFObjectHandle::newNull()
                                          : names.size() == 1 ? names[0] : QPDFObjectHandle::newArray(names),
                            QPDFObjectHandle::newNull());
    QPDFObjectHandle dict = image.getDict();
    dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
    dict.replaceKey("/Width", QPDFObjectHandle::newInteger(rgb.width()));
    dict.replaceKey("/Height", QPDFObjectHandle::newInteger(rgb.height()));
    dict.replaceKey("/ColorSpace", QPDFObjectHandle::newName("/DeviceRGB"));
    dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
    const std::string name = "/Im" + std::to_string(++d->images);
    d->resources.getKey("/XObject").replaceKey(name, image);
    return name;
}

bool Builder::replaceImageData(const std::string& name, const QByteArray& data, const std::string& filter)
{
    QPDFObjectHandle image = d->resources.getKey("/XObject").getKey(name);
    if (!image.isStream())
        return false;
    image.replaceStreamData(data.toStdString(), QPDFObjectHandle::newName(filter), QPDFObjectHandle::newNull());
    return true;
}

std::string Builder::form(const QByteArray& content, Filter filter, double width, double height)
{
    QPDFObjectHandle form = makeStream(d->pdf, content, filter);
    QPDFObjectHandle dict = form.getDict();
    dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
    dict.replaceKey("/BBox", QPDFObjectHandle::newArray(QPDFObjectHandle::Rectangle(0, 0, width, height)));
    dict.replaceKey("/Resources", d->resources);
    const std::string name = "/Fm" + std::to_string(++d->images);
    d->resources.getKey("/XObject").replaceKey(name, form);
    return name;
}

std::string Builder::type1Font(const QString& t1File, const std::string& baseFont, const std::string& encoding)
{
    QFile file(t1File);
    if (!file.open(QIODevice::ReadOnly))
        return std::string();
    const QByteArray program = file.readAll();
    // Clear text up to and with "eexec" and its line end; the encrypted part
    // up to the trailer of zeros and cleartomark.
    int clear = program.indexOf("eexec");
    if (clear < 0)
        return std::string();
    clear += 5;
    while (clear < program.size() && (program[clear] == '\r' || program[clear] == '\n'))
        ++clear;
    int trailer = program.lastIndexOf("cleartomark");
    if (trailer < 0)
        trailer = program.size();
    while (trailer > clear && (program[trailer - 1] == '0' || program[trailer - 1] == '\n' || program[trailer - 1] == '\r'))
        --trailer;
    QPDFObjectHandle fontFile = makeStream(d->pdf, program, Filter::None);
    fontFile.getDict().replaceKey("/Length1", QPDFObjectHandle::newInteger(clear));
    fontFile.getDict().replaceKey("/Length2", QPDFObjectHandle::newInteger(trailer - clear));
    fontFile.getDict().replaceKey("/Length3", QPDFObjectHandle::newInteger(program.size() - trailer));
    QPDFObjectHandle descriptor = d->pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /FontDescriptor /FontName /" + baseFont +
        " /Flags 32 /FontBBox [-200 -300 1100 1000] /ItalicAngle 0 /Ascent 730 /Descent -220 /CapHeight 700 /StemV 80 >>"));
    descriptor.replaceKey("/FontFile", fontFile);
    // Widths of Helvetica's metrics are close enough for a test page; the
    // fonts compared are metric clones of each other.
    std::string widths = "[";
    QRawFont raw(QStringLiteral("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"), 1000);
    for (int code = 32; code <= 126; ++code) {
        const QVector<quint32> glyphs = raw.glyphIndexesForString(QString(QChar(code)));
        widths += " " + std::to_string(glyphs.isEmpty() ? 0 : qRound(raw.advancesForGlyphIndexes(glyphs).value(0).x()));
    }
    widths += " ]";
    QPDFObjectHandle font = d->pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /Type1 /BaseFont /" + baseFont + " /FirstChar 32 /LastChar 126 /Widths " + widths +
        (encoding.empty() ? std::string() : " /Encoding " + encoding) + " >>"));
    font.replaceKey("/FontDescriptor", descriptor);
    const std::string name = "/F" + std::to_string(++d->fonts);
    d->resources.getKey("/Font").replaceKey(name, font);
    return name;
}

void Builder::addPage(const QByteArray& content, Filter contentFilter, double width, double height)
{
    QPDFObjectHandle page = QPDFObjectHandle::parse("<< /Type /Page >>");
    page.replaceKey("/MediaBox", QPDFObjectHandle::newArray(QPDFObjectHandle::Rectangle(0, 0, width, height)));
    page.replaceKey("/Resources", d->resources);
    page.replaceKey("/Contents", makeStream(d->pdf, content, contentFilter));
    QPDFPageDocumentHelper(d->pdf).addPage(QPDFPageObjectHelper(d->pdf.makeIndirectObject(page)), false);
}

bool Builder::write(const QString& path)
{
    try {
        const QByteArray name = QFile::encodeName(path);  // QPDFWriter keeps the pointer
        QPDFWriter writer(d->pdf, name.constData());
        writer.setCompressStreams(false);
        writer.setDecodeLevel(qpdf_dl_none);
        writer.setObjectStreamMode(qpdf_o_disable);
        writer.write();
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

QByteArray Builder::text(const std::string& font, double size, double x, double y, const QByteArray& latin1)
{
    QByteArray escaped;
    for (char c : latin1) {
        if (c == '(' || c == ')' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return QByteArray("BT ") + font.c_str() + ' ' + QByteArray::number(size) + " Tf " + QByteArray::number(x) + ' ' +
           QByteArray::number(y) + " Td (" + escaped + ") Tj ET\n";
}

} // namespace pdfbuild
