#pragma once

// One face of a font family, read from its font file with FreeType and held
// as an sfnt font file of the tables that matter. HarfBuzz reads it (glyphs,
// advances, metrics) and cuts the subsets that documents embed.

#include <QByteArray>
#include <QString>

#include <map>
#include <memory>
#include <string>

struct FT_FaceRec_;
struct hb_blob_t;
struct hb_face_t;
struct hb_font_t;

namespace fpe {

class FontFace
{
public:
    // The face at that index of a font file; null when it has no sfnt
    // tables (Type 1 and bitmap fonts) or they lack outlines.
    static std::shared_ptr<FontFace> fromFile(const std::string& file, int index);
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    QString familyName;
    QString styleName;
    std::string postScriptName;  // letters, digits and '-' only
    std::string identity;        // equal for the same face file

    bool bold = false;     // the face itself, not what was asked for
    bool italic = false;
    bool cff = false;      // PostScript (CFF) outlines, else TrueType
    bool fixedPitch = false;
    bool serif = false;

    // Metrics in font units; descender is positive below the baseline.
    int unitsPerEm = 1000;
    int ascender = 800;
    int descender = 200;
    int lineGap = 0;
    int capHeight = 700;
    int underlinePosition = -100;  // top of the underline, negative below the baseline
    int underlineThickness = 50;
    int bbox[4] = {0, -200, 1000, 800};
    double italicAngle = 0;
    int weightClass = 400;

    // Glyph for a code point, 0 when the face has none.
    unsigned glyph(char32_t c) const;
    // Advance width in font units.
    int advance(unsigned glyph) const;
    // Font units to a fraction of the em.
    double em(double units) const { return units / unitsPerEm; }

    // A font file holding only these glyphs (glyph -> the text it stands
    // for), at their original glyph ids, with a cmap for that text. Empty
    // when subsetting failed.
    QByteArray subset(const std::map<unsigned, std::u32string>& glyphs) const;
    // The whole face as one font file.
    const QByteArray& fontFile() const { return data; }

private:
    FontFace() = default;
    bool load(FT_FaceRec_* ft);

    QByteArray data;
    hb_blob_t* blob = nullptr;
    hb_face_t* face = nullptr;
    hb_font_t* font = nullptr;
};

} // namespace fpe
