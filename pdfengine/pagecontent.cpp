#include "pagecontent.h"

#include <cmath>
#include <cstdio>

namespace fpe {

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
        QPDFObjectHandle contents = pageObj.getKey("/Contents");
        const bool hasContent = contents.isStream() || (contents.isArray() && contents.getArrayNItems() > 0);
        if (hasContent) {
            page.addPageContents(pdf.newStream("q\n"), true);
            page.addPageContents(pdf.newStream("\nQ\n"), false);
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
