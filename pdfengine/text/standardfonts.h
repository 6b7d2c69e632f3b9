#pragma once

// The 14 standard fonts every PDF reader provides: which embedded fonts they
// can stand in for, and which glyph names they have.

#include <string>

namespace fpe {

enum class StandardFamily { None, Helvetica, Times, Courier, Symbol, ZapfDingbats };

struct StandardFont {
    StandardFamily family = StandardFamily::None;
    std::string name;  // PostScript name, e.g. "Helvetica-BoldOblique"
    bool symbolic() const { return family == StandardFamily::Symbol || family == StandardFamily::ZapfDingbats; }
};

// The standard font that has the same design and metrics as the font of this
// /BaseFont name (subset tag allowed): Helvetica for Arial and its clones,
// Times for Times New Roman, Courier for Courier New, with bold and italic
// variants; Symbol and ZapfDingbats. family None when there is none, as for
// narrow, black, light or other faces of those families.
StandardFont standardEquivalent(const std::string& baseFont);

// Whether the standard font of that family has a glyph of this name.
bool standardFontHasGlyph(StandardFamily family, const std::string& glyphName);

} // namespace fpe
