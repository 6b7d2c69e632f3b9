#include "text/textdraw.h"

#include "documents/geometry.h"
#include "documents/pagecontent.h"

#include <qpdf/QPDF.hh>

#include <QCryptographicHash>

#include <cmath>
#include <cstdio>
#include <set>

namespace fpe {

// One face embedded in one document.
struct EmbeddedFont {
    std::shared_ptr<FontFace> face;
    QPDFObjectHandle type0;
    QPDFObjectHandle cidFont;
    QPDFObjectHandle fontFile;
    QPDFObjectHandle toUnicode;
    std::map<unsigned, std::u32string> used;  // glyph -> the text it stands for
};

struct DocumentFonts {
    std::map<std::string, EmbeddedFont> byFace;  // face identity -> its font here
};

namespace {

// Slant of text drawn in a face that has no italic of its own.
constexpr double kFakeItalicSkew = 0.2126;  // tan 12 degrees

std::string hex4(unsigned v)
{
    char b[8];
    std::snprintf(b, sizeof b, "%04X", v & 0xFFFF);
    return b;
}

std::string utf16Hex(const std::u32string& text)
{
    std::string out;
    for (char32_t c : text) {
        if (c > 0xFFFF) {
            c -= 0x10000;
            out += hex4(0xD800 + (c >> 10));
            out += hex4(0xDC00 + (c & 0x3FF));
        } else {
            out += hex4(c);
        }
    }
    return out;
}

// Six capital letters naming this subset, as subsets are named.
std::string subsetTag(const FontFace& face, int documentId)
{
    QCryptographicHash hash(QCryptographicHash::Md5);
    hash.addData(QByteArray::fromStdString(face.identity));
    hash.addData(QByteArray::number(documentId));
    const QByteArray digest = hash.result();
    std::string tag;
    for (int i = 0; i < 6; ++i)
        tag += static_cast<char>('A' + static_cast<unsigned char>(digest[i]) % 26);
    return tag;
}

double thousandths(const FontFace& face, double units)
{
    return units * 1000.0 / face.unitsPerEm;
}

// Fonts over CFF outlines are embedded as OpenType, which needs PDF 1.6.
void requireVersion16(QPDF& pdf)
{
    QPDFObjectHandle root = pdf.getRoot();
    auto older = [](const std::string& v) { return v.empty() || v < std::string("1.6"); };
    QPDFObjectHandle catalogVersion = root.getKey("/Version");
    const std::string current = catalogVersion.isName() ? catalogVersion.getName().substr(1) : std::string();
    if (older(pdf.getPDFVersion()) && older(current))
        root.replaceKey("/Version", QPDFObjectHandle::newName("/1.6"));
}

EmbeddedFont& embeddedFont(Document& doc, const std::shared_ptr<FontFace>& face)
{
    if (!doc.fonts)
        doc.fonts = std::make_shared<DocumentFonts>();
    auto it = doc.fonts->byFace.find(face->identity);
    if (it != doc.fonts->byFace.end() && it->second.type0.isDictionary())
        return it->second;

    QPDF& pdf = *doc.pdf;
    const FontFace& f = *face;
    const std::string baseFont = "/" + subsetTag(f, doc.id) + "+" + f.postScriptName;

    int flags = 4;  // symbolic: glyphs are chosen by id, not by a standard encoding
    if (f.fixedPitch)
        flags |= 1;
    if (f.serif)
        flags |= 2;
    if (f.italic)
        flags |= 64;
    const double stemV = 50 + std::pow(f.weightClass / 65.0, 2);

    QPDFObjectHandle descriptor = QPDFObjectHandle::newDictionary();
    descriptor.replaceKey("/Type", QPDFObjectHandle::newName("/FontDescriptor"));
    descriptor.replaceKey("/FontName", QPDFObjectHandle::newName(baseFont));
    descriptor.replaceKey("/Flags", QPDFObjectHandle::newInteger(flags));
    descriptor.replaceKey("/FontBBox", QPDFObjectHandle::newArray(std::vector<QPDFObjectHandle>{
        QPDFObjectHandle::newReal(thousandths(f, f.bbox[0]), 2), QPDFObjectHandle::newReal(thousandths(f, f.bbox[1]), 2),
        QPDFObjectHandle::newReal(thousandths(f, f.bbox[2]), 2), QPDFObjectHandle::newReal(thousandths(f, f.bbox[3]), 2)}));
    descriptor.replaceKey("/ItalicAngle", QPDFObjectHandle::newReal(f.italicAngle, 2));
    descriptor.replaceKey("/Ascent", QPDFObjectHandle::newReal(thousandths(f, f.ascender), 2));
    descriptor.replaceKey("/Descent", QPDFObjectHandle::newReal(-thousandths(f, f.descender), 2));
    descriptor.replaceKey("/CapHeight", QPDFObjectHandle::newReal(thousandths(f, f.capHeight), 2));
    descriptor.replaceKey("/StemV", QPDFObjectHandle::newReal(stemV, 0));

    QPDFObjectHandle fontFile = pdf.newStream();
    if (f.cff) {
        fontFile.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/OpenType"));
        descriptor.replaceKey("/FontFile3", fontFile);
        requireVersion16(pdf);
    } else {
        descriptor.replaceKey("/FontFile2", fontFile);
    }

    QPDFObjectHandle systemInfo = QPDFObjectHandle::newDictionary();
    systemInfo.replaceKey("/Registry", QPDFObjectHandle::newString("Adobe"));
    systemInfo.replaceKey("/Ordering", QPDFObjectHandle::newString("Identity"));
    systemInfo.replaceKey("/Supplement", QPDFObjectHandle::newInteger(0));

    QPDFObjectHandle cid = QPDFObjectHandle::newDictionary();
    cid.replaceKey("/Type", QPDFObjectHandle::newName("/Font"));
    cid.replaceKey("/Subtype", QPDFObjectHandle::newName(f.cff ? "/CIDFontType0" : "/CIDFontType2"));
    cid.replaceKey("/BaseFont", QPDFObjectHandle::newName(baseFont));
    cid.replaceKey("/CIDSystemInfo", systemInfo);
    cid.replaceKey("/FontDescriptor", pdf.makeIndirectObject(descriptor));
    cid.replaceKey("/DW", QPDFObjectHandle::newInteger(1000));
    cid.replaceKey("/W", QPDFObjectHandle::newArray());
    if (!f.cff)
        cid.replaceKey("/CIDToGIDMap", QPDFObjectHandle::newName("/Identity"));
    cid = pdf.makeIndirectObject(cid);

    QPDFObjectHandle toUnicode = pdf.newStream();

    QPDFObjectHandle type0 = QPDFObjectHandle::newDictionary();
    type0.replaceKey("/Type", QPDFObjectHandle::newName("/Font"));
    type0.replaceKey("/Subtype", QPDFObjectHandle::newName("/Type0"));
    type0.replaceKey("/BaseFont", QPDFObjectHandle::newName(baseFont));
    type0.replaceKey("/Encoding", QPDFObjectHandle::newName("/Identity-H"));
    type0.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray(std::vector<QPDFObjectHandle>{cid}));
    type0.replaceKey("/ToUnicode", toUnicode);

    EmbeddedFont& e = doc.fonts->byFace[face->identity];
    e = EmbeddedFont();
    e.face = face;
    e.type0 = pdf.makeIndirectObject(type0);
    e.cidFont = cid;
    e.fontFile = fontFile;
    e.toUnicode = toUnicode;
    return e;
}

std::string toUnicodeCMap(const std::map<unsigned, std::u32string>& used)
{
    std::string s =
        "/CIDInit /ProcSet findresource begin\n"
        "12 dict begin\n"
        "begincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n"
        "/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    std::vector<std::pair<unsigned, const std::u32string*>> entries;
    for (auto const& [glyph, text] : used)
        if (!text.empty())
            entries.emplace_back(glyph, &text);
    for (size_t i = 0; i < entries.size(); i += 100) {
        const size_t n = std::min<size_t>(100, entries.size() - i);
        s += std::to_string(n) + " beginbfchar\n";
        for (size_t k = i; k < i + n; ++k)
            s += "<" + hex4(entries[k].first) + "> <" + utf16Hex(*entries[k].second) + ">\n";
        s += "endbfchar\n";
    }
    s += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return s;
}

// Brings the font's widths, subset and ToUnicode map up to its glyphs.
void refresh(EmbeddedFont& e)
{
    const FontFace& f = *e.face;
    std::vector<QPDFObjectHandle> w;
    for (auto it = e.used.begin(); it != e.used.end();) {
        const unsigned first = it->first;
        std::vector<QPDFObjectHandle> widths;
        unsigned next = first;
        while (it != e.used.end() && it->first == next) {
            widths.push_back(QPDFObjectHandle::newReal(thousandths(f, f.advance(it->first)), 3));
            ++it;
            ++next;
        }
        w.push_back(QPDFObjectHandle::newInteger(first));
        w.push_back(QPDFObjectHandle::newArray(widths));
    }
    e.cidFont.replaceKey("/W", QPDFObjectHandle::newArray(w));

    QByteArray program = f.subset(e.used);
    if (program.isEmpty())
        program = f.fontFile();  // better whole than missing
    e.fontFile.replaceStreamData(program.toStdString(), QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
    if (!f.cff)
        e.fontFile.getDict().replaceKey("/Length1", QPDFObjectHandle::newInteger(program.size()));
    e.toUnicode.replaceStreamData(toUnicodeCMap(e.used), QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
}

} // namespace

void drawTextRuns(Document& doc, QPDFPageObjectHelper page, const std::vector<TextRun>& runs)
{
    const PageGeometry geometry = PageGeometry::of(page);
    const QPDFMatrix m = geometry.displayToUser();
    std::string ops = pdfNumber(m.a) + " " + pdfNumber(m.b) + " " + pdfNumber(m.c) + " " + pdfNumber(m.d) + " "
        + pdfNumber(m.e) + " " + pdfNumber(m.f) + " cm\n";
    // One text object for all runs; state is set only where it changes.
    std::string text = "BT\n";
    std::string rules;  // underlines, drawn after the text object
    std::string font, colour, rulesColour;
    double size = -1;
    int mode = 0;  // text rendering mode: 0 fill, 2 fill and stroke (emboldened)
    double lineWidth = -1;
    std::set<EmbeddedFont*> grown;
    for (const TextRun& run : runs) {
        if (!run.face || run.glyphs.empty() || !(run.size > 0))
            continue;
        EmbeddedFont& e = embeddedFont(doc, run.face);
        for (const PlacedGlyph& g : run.glyphs) {
            auto [it, added] = e.used.emplace(g.glyph, g.text);
            if (added)
                grown.insert(&e);
            else if (it->second.empty() && !g.text.empty())
                it->second = g.text;
        }
        const std::string name = addPageResource(page, "/Font", e.type0, "/F");
        if (name != font || run.size != size) {
            font = name;
            size = run.size;
            text += name + " " + pdfNumber(run.size) + " Tf\n";
        }
        const std::string c = pdfNumber(run.red) + " " + pdfNumber(run.green) + " " + pdfNumber(run.blue);
        if (c != colour) {
            colour = c;
            text += c + " rg " + c + " RG\n";
        }
        const int runMode = run.fakeBold ? 2 : 0;
        if (runMode != mode) {
            mode = runMode;
            text += std::to_string(mode) + " Tr\n";
        }
        if (run.fakeBold && run.size * 0.03 != lineWidth) {
            lineWidth = run.size * 0.03;
            text += pdfNumber(lineWidth) + " w\n";
        }
        const double x0 = run.glyphs.front().x;
        text += std::string("1 0 ") + (run.fakeItalic ? pdfNumber(kFakeItalicSkew) : std::string("0")) + " 1 "
            + pdfNumber(x0) + " " + pdfNumber(run.y) + " Tm\n[<";
        double pen = x0;
        for (const PlacedGlyph& g : run.glyphs) {
            const double gap = g.x - pen;
            if (std::fabs(gap) > 0.001)
                text += "> " + pdfNumber(-gap * 1000.0 / run.size) + " <";
            text += hex4(g.glyph);
            pen = g.x + run.face->em(run.face->advance(g.glyph)) * run.size;
        }
        text += ">] TJ\n";
        if (run.underline) {
            if (c != rulesColour) {
                rulesColour = c;
                rules += c + " rg\n";
            }
            const double thickness = std::max(0.1, run.face->em(run.face->underlineThickness) * run.size);
            const double top = run.y + run.face->em(run.face->underlinePosition) * run.size;
            rules += pdfNumber(x0) + " " + pdfNumber(top - thickness) + " " + pdfNumber(run.endX - x0) + " "
                + pdfNumber(thickness) + " re f\n";
        }
    }
    if (text.size() <= 3)
        return;
    ops += text + "ET\n" + rules;
    for (EmbeddedFont* e : grown)
        refresh(*e);
    drawOnPage(doc, page, ops);
}

} // namespace fpe
