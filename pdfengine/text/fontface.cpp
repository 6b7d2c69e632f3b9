#include "text/fontface.h"

#include <QCryptographicHash>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <hb-ot.h>
#include <hb-subset.h>
#include <hb.h>

#include <cmath>

namespace fpe {

namespace {

// The tables a face needs for measuring and for an embeddable subset. Layout
// tables are left out: text is drawn glyph by glyph from the cmap.
const char* const kTables[] = {"head", "hhea", "maxp", "OS/2", "hmtx", "cmap", "post", "name",
                               "loca", "glyf", "cvt ", "fpgm", "prep", "gasp", "CFF ", "VORG"};

unsigned u16(const QByteArray& t, int offset)
{
    if (offset < 0 || offset + 2 > t.size())
        return 0;
    return (static_cast<unsigned char>(t[offset]) << 8) | static_cast<unsigned char>(t[offset + 1]);
}

int s16(const QByteArray& t, int offset)
{
    return static_cast<int16_t>(static_cast<uint16_t>(u16(t, offset)));
}

quint32 u32(const QByteArray& t, int offset)
{
    return (quint32(u16(t, offset)) << 16) | u16(t, offset + 2);
}

std::string cleanPostScriptName(const QString& name)
{
    std::string out;
    for (QChar c : name) {
        const ushort u = c.unicode();
        if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '-')
            out += static_cast<char>(u);
        if (out.size() >= 63)
            break;
    }
    return out;
}

} // namespace

std::shared_ptr<FontFace> FontFace::fromFile(const std::string& file, int index)
{
    // A FreeType library of its own for each file read: faces are read once
    // and then live on in HarfBuzz, and instances need share nothing.
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return nullptr;
    std::shared_ptr<FontFace> f;
    FT_Face ft = nullptr;
    if (FT_New_Face(library, file.c_str(), index, &ft) == 0) {
        if (FT_IS_SFNT(ft)) {
            f.reset(new FontFace);
            if (!f->load(ft))
                f.reset();
        }
        FT_Done_Face(ft);
    }
    FT_Done_FreeType(library);
    return f;
}

FontFace::~FontFace()
{
    hb_font_destroy(font);
    hb_face_destroy(face);
    hb_blob_destroy(blob);
}

bool FontFace::load(FT_Face ft)
{
    std::map<std::string, QByteArray> tables;
    for (const char* tag : kTables) {
        const FT_ULong ftTag = FT_MAKE_TAG(tag[0], tag[1], tag[2], tag[3]);
        FT_ULong length = 0;
        if (FT_Load_Sfnt_Table(ft, ftTag, 0, nullptr, &length) != 0 || length == 0 || length > (1u << 30))
            continue;
        QByteArray t(static_cast<int>(length), Qt::Uninitialized);
        if (FT_Load_Sfnt_Table(ft, ftTag, 0, reinterpret_cast<FT_Byte*>(t.data()), &length) == 0)
            tables[tag] = t;
    }
    const bool trueType = tables.count("glyf") && tables.count("loca");
    cff = !trueType && tables.count("CFF ");
    if (!tables.count("head") || !tables.count("hhea") || !tables.count("maxp") || !tables.count("hmtx")
        || !tables.count("cmap") || (!trueType && !cff))
        return false;
    if (cff) {
        tables.erase("glyf");
        tables.erase("loca");
    }

    hb_face_t* builder = hb_face_builder_create();
    for (auto const& [tag, bytes] : tables) {
        hb_blob_t* b = hb_blob_create(bytes.constData(), static_cast<unsigned>(bytes.size()),
                                      HB_MEMORY_MODE_DUPLICATE, nullptr, nullptr);
        hb_face_builder_add_table(builder, hb_tag_from_string(tag.c_str(), 4), b);
        hb_blob_destroy(b);
    }
    hb_blob_t* file = hb_face_reference_blob(builder);
    hb_face_destroy(builder);
    unsigned length = 0;
    const char* bytes = hb_blob_get_data(file, &length);
    data = QByteArray(bytes, static_cast<int>(length));
    hb_blob_destroy(file);
    if (data.isEmpty())
        return false;

    blob = hb_blob_create(data.constData(), static_cast<unsigned>(data.size()), HB_MEMORY_MODE_READONLY, nullptr, nullptr);
    face = hb_face_create(blob, 0);
    unitsPerEm = static_cast<int>(hb_face_get_upem(face));
    if (unitsPerEm < 16 || unitsPerEm > 16384 || hb_face_get_glyph_count(face) == 0)
        return false;
    font = hb_font_create(face);
    hb_font_set_scale(font, unitsPerEm, unitsPerEm);

    familyName = QString::fromUtf8(ft->family_name ? ft->family_name : "");
    styleName = QString::fromUtf8(ft->style_name ? ft->style_name : "");

    hb_font_extents_t extents{};
    if (hb_font_get_h_extents(font, &extents) && extents.ascender - extents.descender > 0) {
        ascender = extents.ascender;
        descender = -extents.descender;
        lineGap = std::max(0, static_cast<int>(extents.line_gap));
    } else {
        ascender = unitsPerEm * 8 / 10;
        descender = unitsPerEm * 2 / 10;
    }
    hb_position_t v = 0;
    capHeight = hb_ot_metrics_get_position(font, HB_OT_METRICS_TAG_CAP_HEIGHT, &v) && v > 0 ? v : ascender * 7 / 10;
    underlineThickness = hb_ot_metrics_get_position(font, HB_OT_METRICS_TAG_UNDERLINE_SIZE, &v) && v > 0
        ? v : unitsPerEm / 20;
    underlinePosition = hb_ot_metrics_get_position(font, HB_OT_METRICS_TAG_UNDERLINE_OFFSET, &v) && v < 0
        ? v : -unitsPerEm / 10;

    const QByteArray& head = tables["head"];
    bbox[0] = s16(head, 36);
    bbox[1] = s16(head, 38);
    bbox[2] = s16(head, 40);
    bbox[3] = s16(head, 42);
    const unsigned macStyle = u16(head, 44);
    bold = macStyle & 1;
    italic = macStyle & 2;

    auto os2 = tables.find("OS/2");
    if (os2 != tables.end()) {
        weightClass = static_cast<int>(u16(os2->second, 4));
        const unsigned selection = u16(os2->second, 62);
        italic = italic || (selection & 0x0001) || (selection & 0x0200);
        bold = bold || (selection & 0x0020) || weightClass >= 600;
        const int familyClass = s16(os2->second, 30) >> 8;
        serif = familyClass >= 1 && familyClass <= 7;
    }
    auto post = tables.find("post");
    if (post != tables.end()) {
        italicAngle = static_cast<qint32>(u32(post->second, 4)) / 65536.0;
        fixedPitch = u32(post->second, 12) != 0;
        if (std::fabs(italicAngle) > 0.5)
            italic = true;
    }

    char name[128];
    unsigned nameLength = sizeof name;
    if (hb_ot_name_get_utf8(face, HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &nameLength, name) > 0)
        postScriptName = cleanPostScriptName(QString::fromUtf8(name, static_cast<int>(nameLength)));
    if (postScriptName.empty())
        postScriptName = cleanPostScriptName(familyName + QLatin1Char('-') + styleName);
    if (postScriptName.empty())
        postScriptName = "Font";

    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(head);
    hash.addData(tables["hmtx"]);
    identity = (familyName + QLatin1Char('|') + styleName).toStdString() + '|' + hash.result().toHex().toStdString();
    return true;
}

unsigned FontFace::glyph(char32_t c) const
{
    hb_codepoint_t g = 0;
    if (!hb_font_get_nominal_glyph(font, c, &g))
        return 0;
    return g;
}

int FontFace::advance(unsigned glyph) const
{
    return hb_font_get_glyph_h_advance(font, glyph);
}

QByteArray FontFace::subset(const std::map<unsigned, std::u32string>& glyphs) const
{
    hb_subset_input_t* input = hb_subset_input_create_or_fail();
    if (!input)
        return QByteArray();
    hb_set_t* glyphSet = hb_subset_input_glyph_set(input);
    hb_set_t* unicodes = hb_subset_input_unicode_set(input);
    for (auto const& [g, text] : glyphs) {
        hb_set_add(glyphSet, g);
        if (text.size() == 1 && glyph(text[0]) == g)
            hb_set_add(unicodes, text[0]);
    }
    // Content streams name glyphs by their ids in the whole face; keeping
    // them lets the subset grow without rewriting what is already drawn.
    hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_RETAIN_GIDS);
    QByteArray out;
    if (hb_face_t* sub = hb_subset_or_fail(face, input)) {
        hb_blob_t* b = hb_face_reference_blob(sub);
        unsigned length = 0;
        const char* bytes = hb_blob_get_data(b, &length);
        out = QByteArray(bytes, static_cast<int>(length));
        hb_blob_destroy(b);
        hb_face_destroy(sub);
    }
    hb_subset_input_destroy(input);
    return out;
}

} // namespace fpe
