#pragma once

// Laying out the small HTML of text boxes: text, <br>, nested
// <font size color>, <b>, <i>, <u> and character entities. Lines break at
// spaces (a word wider than the box between characters); runs of spaces and
// tabs are kept. Only whole lines that fit are laid out; what is left comes
// back as markup that continues the text when the caller puts its opening
// tag in front of it again.

#include "text/fonts.h"
#include "text/textdraw.h"

#include <QRectF>
#include <QString>

#include <vector>

namespace fpe {

struct HtmlStyle {
    double size = 12;  // points
    double red = 0, green = 0, blue = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

struct HtmlLayout {
    std::vector<TextRun> runs;  // displayed points
    QString remainder;          // empty when everything was laid out
    int lines = 0;
    double height = 0;          // from the box's top to the last line's bottom, points
};

// Lays out markup in the box (displayed points, y up). The normal font and
// base style apply outside any tag. A box that cannot hold even the first
// line still gets it, so that every call moves the text on.
HtmlLayout layoutHtml(const QString& markup, const QRectF& box, FontState& fonts, const Font& normalFont,
                      const HtmlStyle& base);

} // namespace fpe
