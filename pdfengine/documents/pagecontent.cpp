#include "documents/pagecontent.h"

#include <qpdf/Pl_Discard.hh>
#include <qpdf/QPDFTokenizer.hh>

#include <cmath>
#include <cstdio>

namespace fpe {

namespace {

// Counts the q operators the page's content leaves open: each needs its own
// Q before our drawing, or its transformation would leak into it.
class OpenSaveCounter : public QPDFObjectHandle::TokenFilter
{
public:
    void handleToken(QPDFTokenizer::Token const& token) override
    {
        if (token.getType() == QPDFTokenizer::tt_word) {
            if (token.getValue() == "q")
                ++depth;
            else if (token.getValue() == "Q" && depth > 0)
                --depth;
        }
    }
    int depth = 0;
};

bool hasContent(QPDFObjectHandle contents)
{
    auto nonEmpty = [](QPDFObjectHandle stream) {
        if (!stream.isStream())
            return false;
        QPDFObjectHandle length = stream.getDict().getKey("/Length");
        return !length.isInteger() || length.getIntValue() > 0;
    };
    if (contents.isArray()) {
        for (auto& item : contents.aitems())
            if (nonEmpty(item))
                return true;
        return false;
    }
    return nonEmpty(contents);
}

} // namespace

std::string pdfNumber(double value)
{
    if (!std::isfinite(value))
        value = 0;
    if (std::fabs(value) < 1e-9)
        return "0";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.4f", value);
    std::string s(buffer);
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    if (s == "-0")
        s = "0";
    return s;
}

void drawOnPage(Document& doc, QPDFPageObjectHelper page, const std::string& operators)
{
    QPDFObjectHandle pageObj = page.getObjectHandle();
    const QPDFObjGen key = pageObj.getObjGen();
    auto it = doc.overlays.find(key);
    if (it == doc.overlays.end() || !it->second.stream.isStream()) {
        QPDF& pdf = *doc.pdf;
        if (hasContent(pageObj.getKey("/Contents"))) {
            OpenSaveCounter counter;
            try {
                Pl_Discard discard;
                page.filterContents(&counter, &discard);
            } catch (const std::exception&) {
                // Undecodable content draws nothing a viewer could leak.
            }
            page.addPageContents(pdf.newStream("q\n"), true);
            std::string closing = "\n";
            for (int i = 0; i < counter.depth; ++i)
                closing += "Q\n";
            closing += "Q\n";
            page.addPageContents(pdf.newStream(closing), false);
        }
        PageOverlay overlay;
        overlay.stream = pdf.newStream("");
        page.addPageContents(overlay.stream, false);
        it = doc.overlays.insert_or_assign(key, overlay).first;
    }
    PageOverlay& overlay = it->second;
    overlay.content += "q\n";
    overlay.content += operators;
    if (!operators.empty() && operators.back() != '\n')
        overlay.content += '\n';
    overlay.content += "Q\n";
    overlay.stream.replaceStreamData(overlay.content, QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
    doc.touch();
}

std::string addPageResource(QPDFPageObjectHelper page, const std::string& category,
                            QPDFObjectHandle obj, const std::string& prefix)
{
    QPDFObjectHandle resources = page.getAttribute("/Resources", true);
    if (!resources.isDictionary()) {
        resources = QPDFObjectHandle::newDictionary();
        page.getObjectHandle().replaceKey("/Resources", resources);
    }
    QPDFObjectHandle dict = resources.getKey(category);
    if (!dict.isDictionary()) {
        dict = QPDFObjectHandle::newDictionary();
        resources.replaceKey(category, dict);
    }
    if (obj.isIndirect()) {
        for (auto const& key : dict.getKeys()) {
            QPDFObjectHandle existing = dict.getKey(key);
            if (existing.isIndirect() && existing.getObjGen() == obj.getObjGen())
                return key;
        }
    }
    int suffix = 1;
    const std::string name = resources.getUniqueResourceName(prefix, suffix);
    dict.replaceKey(name, obj);
    return name;
}

} // namespace fpe
