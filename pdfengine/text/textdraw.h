#pragma once

// Drawing text on a page. Every face a document draws with is embedded once
// in that document as a Type 0 font (Identity-H, glyph ids as CIDs) over a
// subset that holds every glyph the document uses, with widths and a
// ToUnicode map so that the text can be extracted. The subset grows with
// each drawing.

#include "documents/document.h"
#include "text/fonts.h"

#include <string>
#include <vector>

namespace fpe {

struct PlacedGlyph {
    unsigned glyph = 0;
    std::u32string text;  // what the glyph stands for
    double x = 0;         // displayed points
};

// Glyphs of one face in one style on one baseline, in displayed points (y up).
struct TextRun {
    std::shared_ptr<FontFace> face;
    bool fakeBold = false;
    bool fakeItalic = false;
    bool underline = false;
    double size = 12;
    double red = 0, green = 0, blue = 0;
    double y = 0;
    double endX = 0;  // where an underline ends
    std::vector<PlacedGlyph> glyphs;
};

// Draws the runs on the page of the document, as the page is displayed.
void drawTextRuns(Document& doc, QPDFPageObjectHelper page, const std::vector<TextRun>& runs);

} // namespace fpe
