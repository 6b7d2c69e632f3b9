#include "documents/pagecontent.h"

#include <qpdf/Pl_String.hh>

#include <cmath>
#include <cstdio>

namespace fpe {

namespace {

bool isWhite(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

bool isDelimiter(char c)
{
    return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' || c == '/'
           || c == '%';
}

// Counts the q operators the content leaves open: each needs its own Q
// before our drawing, or its transformation would leak into it. A scan of
// the bytes that knows just enough of the syntax (strings, comments, names,
// inline image data) not to take a q inside them for the operator: QPDF's
// tokenizer does the same several times slower, and every page is counted.
int openSaves(const std::string& content)
{
    const char* c = content.data();
    const size_t n = content.size();
    int depth = 0;
    size_t i = 0;
    while (i < n) {
        const char ch = c[i];
        if (isWhite(ch) || ch == ')' || ch == '>' || ch == '[' || ch == ']' || ch == '{' || ch == '}') {
            ++i;
        } else if (ch == '%') {
            while (i < n && c[i] != '\n' && c[i] != '\r')
                ++i;
        } else if (ch == '(') {
            int nesting = 0;
            for (; i < n; ++i) {
                if (c[i] == '\\')
                    ++i;
                else if (c[i] == '(')
                    ++nesting;
                else if (c[i] == ')' && --nesting == 0)
                    break;
            }
            ++i;
        } else if (ch == '<') {
            if (i + 1 < n && c[i + 1] == '<')
                i += 2;
            else
                while (i < n && c[i++] != '>') {
                }
        } else {
            // A name, a number or an operator: regular characters up to the next delimiter.
            const size_t start = i++;
            while (i < n && !isWhite(c[i]) && !isDelimiter(c[i]))
                ++i;
            const size_t length = i - start;
            if (length == 1 && c[start] == 'q') {
                ++depth;
            } else if (length == 1 && c[start] == 'Q') {
                if (depth > 0)
                    --depth;
            } else if (length == 2 && c[start] == 'I' && c[start + 1] == 'D') {
                // Inline image data runs to an EI between white space (or the end).
                for (i += 1; i + 1 < n; ++i) {
                    if (c[i] == 'E' && c[i + 1] == 'I' && isWhite(c[i - 1])
                        && (i + 2 == n || isWhite(c[i + 2]) || isDelimiter(c[i + 2])))
                        break;
                }
                i += 2;
            }
        }
    }
    return depth;
}

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
            int depth = 0;
            try {
                std::string content;
                Pl_String collect("page content", nullptr, content);
                page.pipeContents(&collect);
                depth = openSaves(content);
            } catch (const std::exception&) {
                // Undecodable content draws nothing a viewer could leak.
            }
            page.addPageContents(pdf.newStream("q\n"), true);
            std::string closing = "\n";
            for (int i = 0; i < depth; ++i)
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
