// Compression of loaded documents. The lossless operations re-encode streams
// of one kind (page content, fonts, images) with Flate at zlib's best level,
// undoing weak or stacked filters first, and keep a stream as it was unless
// the new encoding is smaller. ReplaceFonts is the lossy choice: it swaps
// embedded fonts for the standard font of the same design where every glyph
// the font can show exists there under the same code.

#include "compression/collector.h"
#include "compression/deflate.h"
#include "compression/filters.h"
#include "core/instance.h"
#include "images/rasterimage.h"
#include "text/standardfonts.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>

#include <QRegularExpression>

#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace fpe {

namespace {

// A stream that decodes to more than this is left as it is, rather than
// held in memory several times over.
constexpr size_t maxDecodedStreamBytes = size_t(256) << 20;

// --- finding streams by kind ------------------------------------------------

// Calls fn for every dictionary of the document: indirect ones, stream
// dictionaries, and those held directly inside them.
void forEachDictionary(QPDF& pdf, const std::function<void(QPDFObjectHandle)>& fn)
{
    std::function<void(QPDFObjectHandle, int)> visit = [&](QPDFObjectHandle obj, int depth) {
        if (depth > 64)
            return;
        if (obj.isStream())
            obj = obj.getDict();
        if (obj.isDictionary()) {
            fn(obj);
            for (auto [key, value] : obj.ditems())
                if (!value.isIndirect() && (value.isDictionary() || value.isArray()))
                    visit(value, depth + 1);
        } else if (obj.isArray()) {
            for (QPDFObjectHandle item : obj.aitems())
                if (!item.isIndirect() && (item.isDictionary() || item.isArray()))
                    visit(item, depth + 1);
        }
    };
    for (QPDFObjectHandle& obj : pdf.getAllObjects())
        visit(obj, 0);
}

bool isFontDictionary(QPDFObjectHandle dict)
{
    if (!dict.isDictionary())
        return false;
    if (dict.getKey("/Type").isNameAndEquals("/Font"))
        return true;
    // Some writers leave /Type out of font dictionaries.
    QPDFObjectHandle subtype = dict.getKey("/Subtype");
    if (!subtype.isName() || !(dict.hasKey("/BaseFont") || dict.hasKey("/FontDescriptor")))
        return false;
    static const std::set<std::string> fontTypes = {"/Type1", "/MMType1", "/TrueType", "/Type0",
                                                    "/Type3", "/CIDFontType0", "/CIDFontType2"};
    return fontTypes.count(subtype.getName()) > 0;
}

const char* const fontFileKeys[] = {"/FontFile", "/FontFile2", "/FontFile3"};

enum class StreamKind { Content, Font, Image };

// Streams of the document by kind: fonts (programs, their CMaps and maps),
// images (with their masks), and content: page and form content, patterns,
// glyph procedures and all other data the pages draw with. Metadata stays
// readable and the cross-reference and object streams are the writer's.
std::vector<QPDFObjectHandle> streamsOfKind(QPDF& pdf, StreamKind kind)
{
    std::set<QPDFObjGen> fontStreams;
    auto addFontStream = [&](QPDFObjectHandle s) {
        if (s.isStream())
            fontStreams.insert(s.getObjGen());
    };
    forEachDictionary(pdf, [&](QPDFObjectHandle dict) {
        for (const char* key : fontFileKeys)
            addFontStream(dict.getKey(key));
        addFontStream(dict.getKey("/CIDSet"));
        if (isFontDictionary(dict)) {
            addFontStream(dict.getKey("/ToUnicode"));
            addFontStream(dict.getKey("/CIDToGIDMap"));
            addFontStream(dict.getKey("/Encoding"));
        }
        if (dict.getKey("/Type").isNameAndEquals("/CMap"))  // a CMap used by another
            addFontStream(dict.getKey("/UseCMap"));
    });

    std::vector<QPDFObjectHandle> out;
    for (QPDFObjectHandle& obj : pdf.getAllObjects()) {
        if (!obj.isStream())
            continue;
        QPDFObjectHandle dict = obj.getDict();
        QPDFObjectHandle type = dict.getKey("/Type");
        if (type.isNameAndEquals("/ObjStm") || type.isNameAndEquals("/XRef") || type.isNameAndEquals("/Metadata"))
            continue;
        StreamKind k = StreamKind::Content;
        if (dict.getKey("/Subtype").isNameAndEquals("/Image"))
            k = StreamKind::Image;
        else if (fontStreams.count(obj.getObjGen()))
            k = StreamKind::Font;
        if (k == kind)
            out.push_back(obj);
    }
    return out;
}

// --- re-encoding ---------------------------------------------------------------

std::string bufferText(const std::shared_ptr<Buffer>& b)
{
    return b ? std::string(reinterpret_cast<const char*>(b->getBuffer()), b->getSize()) : std::string();
}

QPDFObjectHandle filterValue(const std::vector<QPDFObjectHandle>& items)
{
    if (items.empty())
        return QPDFObjectHandle::newNull();
    if (items.size() == 1)
        return items.front();
    return QPDFObjectHandle::newArray(items);
}

QPDFObjectHandle parmsValue(const std::vector<QPDFObjectHandle>& items)
{
    for (QPDFObjectHandle p : items)
        if (!p.isNull())
            return filterValue(items);
    return QPDFObjectHandle::newNull();
}

// The pixels of an image of 8-bit samples with PNG's per-row predictors
// (each row takes the filter whose output has the smallest sum of magnitudes,
// as libpng chooses); empty when the data is not such an image.
std::string pngPredicted(QPDFObjectHandle dict, const std::string& pixels, int& colors, int& columns)
{
    QPDFObjectHandle width = dict.getKey("/Width"), height = dict.getKey("/Height"), bpc = dict.getKey("/BitsPerComponent");
    if (!width.isInteger() || !height.isInteger() || !bpc.isInteger() || bpc.getIntValue() != 8 ||
        dict.getKey("/ImageMask").isBool())
        return std::string();
    const long long w = width.getIntValue(), h = height.getIntValue();
    if (w <= 0 || h <= 0 || w > (1 << 24) || h > (1 << 24))
        return std::string();
    const long long perRow = static_cast<long long>(pixels.size()) / h;
    if (perRow * h != static_cast<long long>(pixels.size()) || perRow % w != 0 || perRow / w < 1 || perRow / w > 4)
        return std::string();
    colors = static_cast<int>(perRow / w);
    columns = static_cast<int>(w);
    if (dict.getKey("/ColorSpace").isArray() && dict.getKey("/ColorSpace").getArrayNItems() > 0 &&
        dict.getKey("/ColorSpace").getArrayItem(0).isNameAndEquals("/Indexed"))
        return std::string();  // palette indices do not predict

    const size_t row = static_cast<size_t>(perRow), bpp = static_cast<size_t>(colors);
    std::string out;
    out.resize((row + 1) * static_cast<size_t>(h));
    std::vector<uint8_t> scratch(row);
    const std::vector<uint8_t> zeros(row, 0);
    for (long long y = 0; y < h; ++y) {
        const auto* cur = reinterpret_cast<const uint8_t*>(pixels.data()) + static_cast<size_t>(y) * row;
        pngFilterRow(cur, y > 0 ? cur - row : zeros.data(), row, bpp,
                     reinterpret_cast<uint8_t*>(&out[static_cast<size_t>(y) * (row + 1)]), scratch);
    }
    return out;
}

// Re-encodes one stream: the lossless filters it starts with are undone; data
// left with no filter is Flate-compressed, data still under a specialised
// filter (JPEG, JPEG 2000, CCITT, JBIG2) is kept as those bytes. The stream
// changes only when it gets smaller, and never when its data does not decode
// cleanly.
bool recompress(QPDFObjectHandle stream, StreamKind kind)
{
    QPDFObjectHandle dict = stream.getDict();
    if (dict.hasKey("/F"))  // the data is in an external file
        return false;
    const FilterChain chain = filterChain(dict);
    if (!chain.valid)
        return false;
    const size_t undoable = chain.generalFilters();
    const bool whole = undoable == chain.names.size();
    if (!whole && undoable == 0)
        return false;  // starts with a specialised filter: nothing to undo
    // Flate after a predictor is how good encoders store pixels already;
    // doing it again gains little for much time.
    QPDFObjectHandle predictor = chain.names.size() == 1 && chain.names[0] == "/FlateDecode"
        ? QPDFObjectHandle(chain.parms[0]).getKeyIfDict("/Predictor") : QPDFObjectHandle::newNull();
    if (predictor.isInteger() && predictor.getIntValue() > 1)
        return false;

    const std::shared_ptr<Buffer> raw = stream.getRawStreamData();
    const size_t rawSize = raw ? raw->getSize() : 0;
    std::string decoded;
    if (chain.names.empty()) {
        decoded = bufferText(raw);
    } else {
        Collector out(maxDecodedStreamBytes);
        if (!decodeFilters(stream, chain, undoable, out, Damage::Refuse) || out.overflow)
            return false;
        decoded = std::move(out.bytes);
    }

    if (whole) {
        std::string deflated = deflate(decoded, Deflate::Best);
        QPDFObjectHandle newParms = QPDFObjectHandle::newNull();
        if (kind == StreamKind::Image) {
            // Pixels often compress much better after PNG prediction.
            int colors = 0, columns = 0;
            std::string predicted = pngPredicted(dict, decoded, colors, columns);
            if (!predicted.empty()) {
                predicted = deflate(predicted, Deflate::Predicted);
                if (predicted.size() < deflated.size()) {
                    deflated.swap(predicted);
                    newParms = QPDFObjectHandle::parse("<< /Predictor 15 /BitsPerComponent 8 /Colors " +
                                                       std::to_string(colors) + " /Columns " + std::to_string(columns) + " >>");
                }
            }
        }
        if (deflated.size() >= rawSize)
            return false;
        stream.replaceStreamData(deflated, QPDFObjectHandle::newName("/FlateDecode"), newParms);
        return true;
    }
    if (decoded.size() >= rawSize)
        return false;
    std::vector<QPDFObjectHandle> names, parms;
    for (size_t i = undoable; i < chain.names.size(); ++i) {
        names.push_back(QPDFObjectHandle::newName(chain.names[i]));
        parms.push_back(chain.parms[i]);
    }
    stream.replaceStreamData(decoded, filterValue(names), parmsValue(parms));
    return true;
}

// Re-encodes the streams; the number that changed.
int recompressAll(const std::vector<QPDFObjectHandle>& streams, StreamKind kind)
{
    int changed = 0;
    for (const QPDFObjectHandle& s : streams) {
        try {
            if (recompress(s, kind))
                ++changed;
        } catch (const std::exception&) {
            // A stream that cannot be read stays as it is.
        }
    }
    return changed;
}

// Whatever the writer compresses itself (the document's structure in object
// streams, and streams left unfiltered) gets the best level too.
void requestCompactSave(Document& doc)
{
    doc.saveSettings.generateObjectStreams = true;
    doc.saveSettings.compressionLevel = 9;
}

int compressKind(Document& doc, StreamKind kind)
{
    requestCompactSave(doc);
    if (recompressAll(streamsOfKind(*doc.pdf, kind), kind) > 0)
        doc.touch();
    else
        doc.modified = true;  // the save settings changed
    return 1;
}

// --- standard fonts in place of embedded ones -------------------------------

bool isLatinEncodingName(const std::string& name)
{
    return name == "/WinAnsiEncoding" || name == "/MacRomanEncoding" || name == "/StandardEncoding";
}

// A Type 1 font program's own encoding, from its clear-text part: either
// StandardEncoding (standard true) or the code -> glyph entries it lists.
// False when the program cannot be read.
bool builtinEncoding(QPDFObjectHandle fontFile, bool& standard, std::map<int, std::string>& codes)
{
    Collector out(maxDecodedStreamBytes);
    if (!decodeStream(fontFile, out, Damage::Refuse) || out.overflow)
        return false;
    std::string program = std::move(out.bytes);
    QPDFObjectHandle length1 = fontFile.getDict().getKey("/Length1");
    size_t clear = program.find("eexec");
    if (length1.isInteger() && length1.getIntValue() > 0)
        clear = std::min(clear, static_cast<size_t>(length1.getIntValue()));
    program.resize(std::min(clear, program.size()));
    const QString text = QString::fromLatin1(program.data(), static_cast<int>(program.size()));
    if (text.contains(QRegularExpression(QStringLiteral("/Encoding\\s+StandardEncoding\\s+def")))) {
        standard = true;
        return true;
    }
    standard = false;
    static const QRegularExpression entry(QStringLiteral("dup\\s+(\\d+)\\s*/([^\\s/\\[\\]{}()<>%]+)\\s+put"));
    auto it = entry.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        const int code = m.captured(1).toInt();
        if (code >= 0 && code <= 255)
            codes[code] = m.captured(2).toStdString();
    }
    return !codes.empty();
}

// The /Encoding to give the standard font so that every code of the embedded
// font keeps its glyph. False when there is none (the font stays embedded).
// A null result means the standard font's own encoding.
bool encodingForStandardFont(QPDFObjectHandle font, QPDFObjectHandle fontFile, const char* fontFileKey,
                             const StandardFont& target, QPDFObjectHandle& result)
{
    const bool type1Program = std::string(fontFileKey) == "/FontFile";
    QPDFObjectHandle encoding = font.getKey("/Encoding");
    std::map<int, std::string> differences;
    QPDFObjectHandle base;
    if (encoding.isName()) {
        if (target.symbolic() || !isLatinEncodingName(encoding.getName()))
            return false;
        result = encoding;
        return true;
    }
    if (encoding.isDictionary()) {
        base = encoding.getKey("/BaseEncoding");
        int code = -1;
        QPDFObjectHandle diffs = encoding.getKey("/Differences");
        if (!diffs.isNull() && !diffs.isArray())
            return false;
        for (QPDFObjectHandle item : diffs.isArray() ? diffs.getArrayAsVector() : std::vector<QPDFObjectHandle>()) {
            if (item.isInteger()) {
                code = item.getIntValueAsInt();
            } else if (item.isName() && code >= 0 && code <= 255) {
                differences[code++] = item.getName().substr(1);
            } else {
                return false;
            }
        }
    } else if (!encoding.isNull()) {
        return false;
    }
    for (const auto& [code, name] : differences)
        if (name != ".notdef" && !standardFontHasGlyph(target.family, name))
            return false;

    if (base.isName()) {
        if (target.symbolic() || !isLatinEncodingName(base.getName()))
            return false;
        result = encoding;
        return true;
    }
    if (!base.isNull())
        return false;
    if (target.symbolic()) {
        // A symbol font's own encoding is the one the standard font has.
        result = encoding.isNull() ? QPDFObjectHandle::newNull() : encoding;
        return true;
    }
    // A Latin font whose base encoding is its program's own: only Type 1
    // programs say what that is.
    if (!type1Program)
        return false;
    bool standard = false;
    std::map<int, std::string> builtin;
    if (!builtinEncoding(fontFile, standard, builtin))
        return false;
    if (standard) {
        // The standard Latin fonts' own encoding is StandardEncoding too.
        result = encoding.isNull() ? QPDFObjectHandle::newNull() : encoding;
        return true;
    }
    for (const auto& [code, name] : differences)
        builtin[code] = name;
    std::vector<QPDFObjectHandle> items;
    int next = -1;
    for (const auto& [code, name] : builtin) {
        if (name == ".notdef")
            continue;
        if (!standardFontHasGlyph(target.family, name))
            return false;
        if (code != next)
            items.push_back(QPDFObjectHandle::newInteger(code));
        items.push_back(QPDFObjectHandle::newName("/" + name));
        next = code + 1;
    }
    // Codes the program left out fall to StandardEncoding, which shows
    // nothing the original did not.
    result = QPDFObjectHandle::parse("<< /Type /Encoding >>");
    result.replaceKey("/Differences", QPDFObjectHandle::newArray(items));
    return true;
}

// Replaces one font by its standard equivalent when it can; true when it did.
bool replaceByStandardFont(QPDF& pdf, QPDFObjectHandle font)
{
    QPDFObjectHandle subtype = font.getKey("/Subtype");
    if (!(subtype.isNameAndEquals("/Type1") || subtype.isNameAndEquals("/MMType1") || subtype.isNameAndEquals("/TrueType")))
        return false;
    QPDFObjectHandle baseFont = font.getKey("/BaseFont");
    QPDFObjectHandle descriptor = font.getKey("/FontDescriptor");
    if (!baseFont.isName() || !descriptor.isDictionary())
        return false;
    const char* fontFileKey = nullptr;
    QPDFObjectHandle fontFile;
    for (const char* key : fontFileKeys) {
        if (descriptor.getKey(key).isStream()) {
            fontFileKey = key;
            fontFile = descriptor.getKey(key);
            break;
        }
    }
    if (!fontFileKey)
        return false;  // not embedded: nothing to gain
    const StandardFont target = standardEquivalent(baseFont.getName());
    if (target.family == StandardFamily::None)
        return false;
    QPDFObjectHandle encoding;
    if (!encodingForStandardFont(font, fontFile, fontFileKey, target, encoding))
        return false;

    // A descriptor of its own without the program; the old one may be shared.
    QPDFObjectHandle newDescriptor = QPDFObjectHandle::newDictionary();
    for (auto [key, value] : descriptor.ditems()) {
        if (key == "/FontFile" || key == "/FontFile2" || key == "/FontFile3" || key == "/CIDSet" || key == "/CharSet")
            continue;
        newDescriptor.replaceKey(key, value);
    }
    newDescriptor.replaceKey("/Type", QPDFObjectHandle::newName("/FontDescriptor"));
    newDescriptor.replaceKey("/FontName", QPDFObjectHandle::newName("/" + target.name));
    int flags = descriptor.getKey("/Flags").isInteger() ? descriptor.getKey("/Flags").getIntValueAsInt() : 0;
    flags = target.symbolic() ? ((flags | 4) & ~32) : ((flags | 32) & ~4);
    newDescriptor.replaceKey("/Flags", QPDFObjectHandle::newInteger(flags));

    font.replaceKey("/Subtype", QPDFObjectHandle::newName("/Type1"));
    font.replaceKey("/BaseFont", QPDFObjectHandle::newName("/" + target.name));
    font.replaceKey("/FontDescriptor", pdf.makeIndirectObject(newDescriptor));
    if (encoding.isNull())
        font.removeKey("/Encoding");
    else
        font.replaceKey("/Encoding", encoding);
    return true;
}

} // namespace

int Instance::CompressContent()
{
    return compressKind(selectedDoc(), StreamKind::Content);
}

int Instance::CompressFonts(int Compress)
{
    if (Compress == 0)
        return 1;
    if (Compress != 1)
        return 0;
    return compressKind(selectedDoc(), StreamKind::Font);
}

int Instance::CompressImages(int Compress)
{
    // Images added from files are always stored Flate-compressed or as their
    // JPEG bytes; this concerns the images already in the document.
    if (Compress == 0)
        return 1;
    if (Compress != 1)
        return 0;
    return compressKind(selectedDoc(), StreamKind::Image);
}

int Instance::ReplaceFonts(int Options)
{
    if (Options != 0)
        return 0;
    Document& doc = selectedDoc();
    std::vector<QPDFObjectHandle> fonts;
    forEachDictionary(*doc.pdf, [&](QPDFObjectHandle dict) {
        if (isFontDictionary(dict))
            fonts.push_back(dict);
    });
    int replaced = 0;
    for (QPDFObjectHandle& font : fonts) {
        try {
            if (replaceByStandardFont(*doc.pdf, font))
                ++replaced;
        } catch (const std::exception&) {
            // A font that cannot be read stays embedded.
        }
    }
    if (replaced > 0)
        doc.touch();
    // The fonts that stay embedded get the lossless treatment.
    return compressKind(doc, StreamKind::Font);
}

} // namespace fpe
