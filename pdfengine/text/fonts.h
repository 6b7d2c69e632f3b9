#pragma once

// Fonts of an instance: the fonts added by name, the selected one, the text
// size and colour, and the normal font of HTML text boxes. Faces come from
// the fonts fontconfig lists and are shared by every font and document that
// uses them.

#include "text/fontcatalog.h"
#include "text/fontface.h"

#include <QString>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace fpe {

// A font as the operations use it: a face and the style asked for. A face
// lacking the asked-for weight or slant is drawn emboldened or slanted.
struct Font {
    std::shared_ptr<FontFace> face;  // null: no face fits
    QString family;                  // as asked for; its bold and italic faces come from it
    bool bold = false;
    bool italic = false;

    bool fakeBold() const { return face && bold && !face->bold; }
    bool fakeItalic() const { return face && italic && !face->italic; }
};

// The glyph that shows one character in a font: from the font's own face or,
// when that lacks the character, from another family that has it.
struct GlyphChoice {
    std::shared_ptr<FontFace> face;
    unsigned glyph = 0;
    bool fakeBold = false;
    bool fakeItalic = false;
};

struct FontState {
    std::map<int, Font> fonts;  // font id -> font
    int selectedFont = 0;
    double textSize = 12;       // points
    double red = 0, green = 0, blue = 0;
    int htmlNormalFont = 0;

    // A family (as fontconfig names it, in any letter case, optionally with
    // a " [foundry]") in a style; face null when no embeddable face fits.
    Font resolve(const QString& family, bool bold, bool italic);
    // The system's default family, for text drawn without a font.
    Font defaultFont(bool bold, bool italic);
    // The same family in another style.
    Font variant(const Font& base, bool bold, bool italic);

    // The selected font, or the default one.
    Font current();
    // The HTML normal font, else the selected one, else the default.
    Font htmlFont();

    GlyphChoice choose(const Font& font, char32_t c);

private:
    std::shared_ptr<FontFace> faceFor(const QString& family, bool bold, bool italic);
    std::shared_ptr<FontFace> fileFace(const InstalledFace& installed);
    std::shared_ptr<FontFace> fallbackFace(const Font& font, char32_t c);

    std::map<QString, std::shared_ptr<FontFace>> resolvedFaces;  // "family|b|i"; null remembered too
    std::map<std::string, std::shared_ptr<FontFace>> fileFaces;  // "file|index"; null remembered too
    std::map<std::string, std::weak_ptr<FontFace>> facesByIdentity;
    // By "family|b|i": the families fontconfig falls back to, and the face chosen for each character.
    std::map<QString, std::unique_ptr<FallbackFamilies>> fallbackOrders;
    std::map<std::pair<QString, char32_t>, std::shared_ptr<FontFace>> fallbacks;  // null remembered too
    Font defaults[4];  // by style; resolved once
    bool defaultsResolved[4] = {};
};

// Splits "Family [Bold,Italic]" into the family and its style; a bracket
// group that is not a style (a foundry) stays part of the family.
void parseFontName(const QString& name, QString& family, bool& bold, bool& italic);

} // namespace fpe
