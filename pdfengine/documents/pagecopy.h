#pragma once

// Copying pages between documents (or within one) so that what is on them
// keeps working: annotations, form fields (renamed on conflict, as QPDF's
// form helper does), and links between the copied pages.

#include "documents/document.h"

#include <vector>

namespace fpe {

// Appends copies of the source's pages at the given 0-based indices, in that
// order, to the end of dest. Objects shared by the pages (fonts, images) are
// copied once per destination. When source is another document, dest keeps
// it alive: QPDF reads the copied streams from it when dest is written.
// Returns the number of pages appended.
int appendPages(Document& dest, Document& source, const std::vector<int>& indices);

} // namespace fpe
