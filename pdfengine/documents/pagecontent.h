#pragma once

// Drawing on top of a page's existing content. The first drawing on a page
// wraps the existing content in q/Q, so that its graphics state cannot leak
// into ours; every drawing then extends one overlay stream of that page.

#include "documents/document.h"

#include <string>

namespace fpe {

// Appends content-stream operators (in the page's user space) to the page.
void drawOnPage(Document& doc, QPDFPageObjectHelper page, const std::string& operators);

// Puts obj into the page's resources under category ("/XObject", "/Font",
// "/ExtGState") and returns its name; an object already there keeps its name.
std::string addPageResource(QPDFPageObjectHelper page, const std::string& category,
                            QPDFObjectHandle obj, const std::string& prefix);

// PDF number text: short, locale-independent, no exponent.
std::string pdfNumber(double value);

} // namespace fpe
