// Fonts, drawn text and HTML text boxes.

#include "text/fonts.h"

#include "core/instance.h"
#include "documents/geometry.h"
#include "text/htmltext.h"
#include "text/textdraw.h"

#include <cmath>

namespace fpe {

namespace {

constexpr double kMaxTextSize = 10000;  // points
constexpr int kTabSpaces = 8;

// "Family [foundry]" split; the foundry empty when the name has none.
void splitFoundry(const QString& name, QString& family, QString& foundry)
{
    family = name;
    foundry.clear();
    const int bracket = name.lastIndexOf(QLatin1String(" ["));
    if (bracket > 0 && name.endsWith(QLatin1Char(']'))) {
        family = name.left(bracket);
        foundry = name.mid(bracket + 2, name.size() - bracket - 3).trimmed();
    }
}

QString styleKey(const QString& family, bool bold, bool italic)
{
    return family.toLower() + QLatin1Char('|') + QLatin1Char(bold ? 'b' : '-') + QLatin1Char(italic ? 'i' : '-');
}

FontState& fontState(Instance& in)
{
    if (!in.fonts)
        in.fonts = std::make_shared<FontState>();
    return *in.fonts;
}

bool finite(double v)
{
    return std::isfinite(v);
}

} // namespace

void parseFontName(const QString& name, QString& family, bool& bold, bool& italic)
{
    family = name.trimmed();
    bold = italic = false;
    const int open = family.lastIndexOf(QLatin1Char('['));
    if (open < 0 || !family.endsWith(QLatin1Char(']')))
        return;
    bool b = false, i = false;
    const QStringList words = family.mid(open + 1, family.size() - open - 2).split(QLatin1Char(','));
    for (const QString& w : words) {
        const QString word = w.trimmed();
        if (word.compare(QLatin1String("Bold"), Qt::CaseInsensitive) == 0)
            b = true;
        else if (word.compare(QLatin1String("Italic"), Qt::CaseInsensitive) == 0)
            i = true;
        else
            return;  // a foundry, part of the family
    }
    family = family.left(open).trimmed();
    bold = b;
    italic = i;
}

// --- FontState -------------------------------------------------------------

std::shared_ptr<FontFace> FontState::fileFace(const InstalledFace& installed)
{
    const std::string key = installed.file + '|' + std::to_string(installed.index);
    auto cached = fileFaces.find(key);
    if (cached != fileFaces.end())
        return cached->second;
    std::shared_ptr<FontFace> face = FontFace::fromFile(installed.file, installed.index);
    if (face) {
        // The same face in another file (a second copy installed) is one face.
        auto known = facesByIdentity.find(face->identity);
        if (known != facesByIdentity.end()) {
            if (std::shared_ptr<FontFace> same = known->second.lock())
                face = same;
        }
        facesByIdentity[face->identity] = face;
    }
    fileFaces[key] = face;
    return face;
}

std::shared_ptr<FontFace> FontState::faceFor(const QString& family, bool bold, bool italic)
{
    const QString key = styleKey(family, bold, italic);
    auto cached = resolvedFaces.find(key);
    if (cached != resolvedFaces.end())
        return cached->second;

    // The family as named; failing that, a trailing "[...]" names its
    // foundry, whose faces come first: a foundry may offer only faces that
    // cannot be embedded (Type 1), or only some styles, so the other
    // foundries' faces of the family follow.
    std::vector<InstalledFace> candidates;
    if (!family.isEmpty()) {
        candidates = familyFaces(family, QString(), bold, italic);
        QString base, foundry;
        splitFoundry(family, base, foundry);
        if (candidates.empty() && !foundry.isEmpty())
            candidates = familyFaces(base, foundry, bold, italic);
    }
    std::shared_ptr<FontFace> result;
    int bestScore = -1;
    for (const InstalledFace& candidate : candidates) {
        std::shared_ptr<FontFace> face = fileFace(candidate);
        if (!face)
            continue;
        // What the face's own tables say, not the catalogue's guess.
        const int score = (face->bold == bold ? 1 : 0) + (face->italic == italic ? 1 : 0);
        if (score <= bestScore)
            continue;
        bestScore = score;
        result = face;
        if (score == 2)
            break;
    }
    resolvedFaces[key] = result;
    return result;
}

Font FontState::resolve(const QString& family, bool bold, bool italic)
{
    Font f;
    f.family = family;
    f.bold = bold;
    f.italic = italic;
    f.face = faceFor(family, bold, italic);
    return f;
}

Font FontState::defaultFont(bool bold, bool italic)
{
    const int style = (bold ? 1 : 0) | (italic ? 2 : 0);
    if (defaultsResolved[style])
        return defaults[style];
    QStringList families;
    families << defaultFamily() << QStringLiteral("DejaVu Sans") << QStringLiteral("Liberation Sans")
             << QStringLiteral("Arial") << QStringLiteral("Noto Sans") << installedFamilies();
    for (const QString& family : families) {
        Font f = resolve(family, bold, italic);
        if (f.face) {
            defaults[style] = f;
            break;
        }
    }
    defaultsResolved[style] = true;
    return defaults[style];
}

Font FontState::variant(const Font& base, bool bold, bool italic)
{
    if (base.bold == bold && base.italic == italic)
        return base;
    Font f = resolve(base.family, bold, italic);
    if (!f.face) {
        // Draw the base face emboldened or slanted instead.
        f.face = base.face;
    }
    return f;
}

Font FontState::current()
{
    auto it = fonts.find(selectedFont);
    if (it != fonts.end() && it->second.face)
        return it->second;
    return defaultFont(false, false);
}

Font FontState::htmlFont()
{
    auto it = fonts.find(htmlNormalFont);
    if (it != fonts.end() && it->second.face)
        return it->second;
    return current();
}

std::shared_ptr<FontFace> FontState::fallbackFace(const Font& font, char32_t c)
{
    const QString style = styleKey(font.family, font.bold, font.italic);
    const std::pair<QString, char32_t> key(style, c);
    auto cached = fallbacks.find(key);
    if (cached != fallbacks.end())
        return cached->second;
    std::unique_ptr<FallbackFamilies>& order = fallbackOrders[style];
    if (!order)
        order = std::make_unique<FallbackFamilies>(font.family, font.bold, font.italic);
    std::shared_ptr<FontFace> result;
    for (const QString& family : order->covering(c)) {
        std::shared_ptr<FontFace> face = faceFor(family, font.bold, font.italic);
        if (face && face->glyph(c)) {
            result = face;
            break;
        }
    }
    fallbacks[key] = result;
    return result;
}

GlyphChoice FontState::choose(const Font& font, char32_t c)
{
    GlyphChoice g;
    if (!font.face)
        return g;
    g.face = font.face;
    g.fakeBold = font.fakeBold();
    g.fakeItalic = font.fakeItalic();
    g.glyph = font.face->glyph(c);
    if (g.glyph)
        return g;
    if (c == 0xA0 || c == '\t') {
        // Spaces the face lacks are drawn as its plain space.
        g.glyph = font.face->glyph(' ');
        return g;
    }
    if (std::shared_ptr<FontFace> other = fallbackFace(font, c)) {
        g.face = other;
        g.glyph = other->glyph(c);
        g.fakeBold = font.bold && !other->bold;
        g.fakeItalic = font.italic && !other->italic;
    }
    return g;
}

// --- operations ------------------------------------------------------------

int Instance::AddTrueTypeFont(const QString& FontName, int)
{
    // Every font is embedded as a subset, whatever the caller asks: the
    // document must look the same everywhere.
    QString family;
    bool bold = false, italic = false;
    parseFontName(FontName, family, bold, italic);
    if (family.isEmpty())
        return 0;
    FontState& st = fontState(*this);
    Font font = st.resolve(family, bold, italic);
    if (!font.face)
        return 0;
    const int fontId = newId();
    st.fonts[fontId] = font;
    st.selectedFont = fontId;
    return fontId;
}

int Instance::SelectFont(int FontID)
{
    FontState& st = fontState(*this);
    if (st.fonts.find(FontID) == st.fonts.end())
        return 0;
    st.selectedFont = FontID;
    return 1;
}

int Instance::SetTextSize(double TextSize)
{
    if (!finite(TextSize) || TextSize <= 0 || TextSize > kMaxTextSize)
        return 0;
    fontState(*this).textSize = TextSize;
    return 1;
}

int Instance::SetTextColor(double Red, double Green, double Blue)
{
    if (!finite(Red) || !finite(Green) || !finite(Blue))
        return 0;
    FontState& st = fontState(*this);
    st.red = std::clamp(Red, 0.0, 1.0);
    st.green = std::clamp(Green, 0.0, 1.0);
    st.blue = std::clamp(Blue, 0.0, 1.0);
    return 1;
}

double Instance::GetTextHeight()
{
    FontState& st = fontState(*this);
    const Font font = st.current();
    if (!font.face)
        return 0;
    return fromPoints(font.face->em(font.face->ascender + font.face->descender) * st.textSize);
}

int Instance::DrawText(double XPos, double YPos, const QString& Text)
{
    if (!finite(XPos) || !finite(YPos))
        return 0;
    Document& doc = selectedDoc();
    if (!doc.hasPage(doc.selectedPage))
        return 0;
    FontState& st = fontState(*this);
    const Font font = st.current();
    if (!font.face)
        return 0;
    QPDFPageObjectHelper page = doc.page(doc.selectedPage);
    const PageGeometry geometry = PageGeometry::of(page);

    const double size = st.textSize;
    const double x0 = toPoints(XPos);
    const double baseline = displayY(YPos, geometry.height());
    const GlyphChoice space = st.choose(font, U' ');
    const double tab = std::max(space.face ? space.face->em(space.face->advance(space.glyph)) : 0.25, 0.25) * size
        * kTabSpaces;

    std::vector<TextRun> runs;
    double x = 0;
    const QVector<uint> codePoints = Text.toUcs4();
    for (uint cp : codePoints) {
        char32_t c = cp;
        if (c == '\r' || c == '\n')
            c = ' ';
        if ((c < 0x20 && c != '\t') || (c >= 0x7F && c < 0xA0))
            continue;
        const GlyphChoice g = st.choose(font, c == '\t' ? U' ' : c);
        if (!g.face)
            continue;
        const double advance = g.face->em(g.face->advance(g.glyph)) * size;
        if (runs.empty() || runs.back().face != g.face || runs.back().fakeBold != g.fakeBold
            || runs.back().fakeItalic != g.fakeItalic) {
            TextRun run;
            run.face = g.face;
            run.fakeBold = g.fakeBold;
            run.fakeItalic = g.fakeItalic;
            run.size = size;
            run.red = st.red;
            run.green = st.green;
            run.blue = st.blue;
            run.y = baseline;
            runs.push_back(std::move(run));
        }
        PlacedGlyph placed;
        placed.glyph = g.glyph;
        placed.text = g.glyph ? std::u32string(1, c == '\t' ? U' ' : c) : std::u32string(1, U'\uFFFD');
        placed.x = x0 + x;
        runs.back().glyphs.push_back(std::move(placed));
        x = c == '\t' ? (std::floor(x / tab + 1e-9) + 1) * tab : x + advance;
        runs.back().endX = x0 + x;
    }
    if (!runs.empty())
        drawTextRuns(doc, page, runs);
    return 1;
}

int Instance::SetHTMLNormalFont(const QString& FontSet, int FontID)
{
    FontState& st = fontState(*this);
    if (st.fonts.find(FontID) == st.fonts.end())
        return 0;
    (void)FontSet;  // one font serves every set the markup may name
    st.htmlNormalFont = FontID;
    return 1;
}

QString Instance::DrawHTMLTextBox(double Left, double Top, double Width, double Height, const QString& HTMLText)
{
    if (!finite(Left) || !finite(Top) || !finite(Width) || !finite(Height) || Width <= 0 || Height <= 0)
        return HTMLText;
    Document& doc = selectedDoc();
    if (!doc.hasPage(doc.selectedPage))
        return HTMLText;
    QPDFPageObjectHelper page = doc.page(doc.selectedPage);
    const PageGeometry geometry = PageGeometry::of(page);

    // Lines below the page's edge would be lost from sight: the box ends
    // where the page does.
    const QRectF box = displayRect(Left, Top, Width, Height, geometry.height())
                           .intersected(QRectF(0, 0, geometry.width(), geometry.height()));
    if (box.width() <= 0 || box.height() <= 0)
        return HTMLText;

    FontState& st = fontState(*this);
    const Font normal = st.htmlFont();
    if (!normal.face)
        return HTMLText;  // no font to draw with: nothing drawn
    HtmlStyle base;
    base.size = st.textSize;
    base.red = st.red;
    base.green = st.green;
    base.blue = st.blue;
    HtmlLayout layout = layoutHtml(HTMLText, box, st, normal, base);
    if (!layout.runs.empty())
        drawTextRuns(doc, page, layout.runs);
    return layout.remainder;
}

double Instance::GetHTMLTextHeight(double Width, const QString& HTMLText)
{
    // Laid out as DrawHTMLTextBox would, in a box of that width that never
    // ends: a caller places what follows the text right below it.
    if (!finite(Width) || Width <= 0)
        return 0;
    FontState& st = fontState(*this);
    const Font normal = st.htmlFont();
    if (!normal.face)
        return 0;
    HtmlStyle base;
    base.size = st.textSize;
    base.red = st.red;
    base.green = st.green;
    base.blue = st.blue;
    const double endless = 1e9;
    const HtmlLayout layout = layoutHtml(HTMLText, QRectF(0, 0, toPoints(Width), endless), st, normal, base);
    return fromPoints(layout.height);
}

} // namespace fpe
