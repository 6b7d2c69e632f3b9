#pragma once

// Page-level helpers shared by the page operations and new documents.

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <vector>

namespace fpe {

struct Document;

// A new blank page (an indirect object of pdf, not yet in its page tree):
// MediaBox [0 0 width height], empty resources and contents.
QPDFObjectHandle newBlankPage(QPDF& pdf, double width, double height);

// Makes these pages (indirect page objects of pdf) the whole page tree, in
// this order, as one flat list: one pass, whatever the number of pages.
void setPageList(QPDF& pdf, const std::vector<QPDFObjectHandle>& pages);

// Takes pages [first, first + count) (0-based) out of the document. The page
// objects become null, so that bookmarks and links that pointed at them no
// longer pull them into saved files; form fields left without a widget on
// any remaining page leave the form.
void removePages(Document& doc, int first, int count);

} // namespace fpe
