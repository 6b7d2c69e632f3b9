#include "text/htmltext.h"

#include <QColor>

#include <cmath>
#include <deque>
#include <memory>

namespace fpe {

namespace {

constexpr double kMinSize = 0.5;
constexpr double kMaxSize = 1000;
constexpr int kTabSpaces = 8;
constexpr double kFit = 0.001;  // points of rounding a line may overshoot
// Longest tag, comment or entity looked for: a '<' or '&' that starts none
// within this reach is text, and scanning stays linear in the markup.
constexpr int kMaxTagLength = 4096;
constexpr int kMaxEntityLength = 12;

// A tag that is open: where it stands in the markup and what it changes.
struct OpenTag {
    QString name;
    int start = 0;
    int end = 0;
    double size = 0;  // 0: unchanged
    bool hasColour = false;
    double red = 0, green = 0, blue = 0;
};

using TagStack = std::vector<OpenTag>;

enum class Kind { Char, Break, Tag };

struct Token {
    Kind kind = Kind::Tag;
    char32_t ch = 0;
    int start = 0;  // in the markup
    HtmlStyle style;
    std::shared_ptr<const TagStack> stackBefore;  // tags open before this token
};

bool isSpace(char32_t c)
{
    return c == ' ' || c == '\t';
}

bool isAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

bool isNameChar(QChar c)
{
    return isAsciiLetter(c) || c.isDigit() || c == QLatin1Char('-') || c == QLatin1Char('_') || c == QLatin1Char(':');
}

// Reads markup token by token, keeping the stack of open tags and the style
// they make.
class Tokenizer
{
public:
    Tokenizer(const QString& markup, const HtmlStyle& base)
        : text(markup), base(base), stack(std::make_shared<TagStack>()), current(base)
    {
    }

    bool next(Token& t)
    {
        while (pos < text.size()) {
            const int start = pos;
            const QChar c = text[pos];
            t = Token();
            t.start = start;
            t.stackBefore = stack;
            if (c == QLatin1Char('<') && readTag(t))
                return true;
            if (c == QLatin1Char('&') && readEntity(t))
                return true;
            pos = start + 1;
            char32_t cp = c.unicode();
            if (c.isHighSurrogate() && pos < text.size() && text[pos].isLowSurrogate()) {
                cp = QChar::surrogateToUcs4(c, text[pos]);
                ++pos;
            } else if (c.isSurrogate()) {
                cp = 0xFFFD;
            }
            if (cp == '\r') {
                if (pos < text.size() && text[pos] == QLatin1Char('\n'))
                    continue;  // the line feed breaks the line
                cp = '\n';
            }
            if (cp == '\n') {
                t.kind = Kind::Break;
                t.style = style();
                return true;
            }
            if ((cp < 0x20 && cp != '\t') || (cp >= 0x7F && cp < 0xA0))
                continue;  // control characters draw nothing
            t.kind = Kind::Char;
            t.ch = cp;
            t.style = style();
            return true;
        }
        return false;
    }

private:
    // Worked out when the open tags change, not for every character.
    const HtmlStyle& style() const { return current; }

    HtmlStyle styleOfStack() const
    {
        HtmlStyle s = base;
        for (const OpenTag& tag : *stack) {
            if (tag.name == QLatin1String("b") || tag.name == QLatin1String("strong"))
                s.bold = true;
            else if (tag.name == QLatin1String("i") || tag.name == QLatin1String("em"))
                s.italic = true;
            else if (tag.name == QLatin1String("u"))
                s.underline = true;
            if (tag.size > 0)
                s.size = tag.size;
            if (tag.hasColour) {
                s.red = tag.red;
                s.green = tag.green;
                s.blue = tag.blue;
            }
        }
        return s;
    }

    static bool known(const QString& name)
    {
        static const char* const names[] = {"font", "b", "strong", "i", "em", "u"};
        for (const char* n : names)
            if (name == QLatin1String(n))
                return true;
        return false;
    }

    // A tag, comment or declaration at pos; false (nothing consumed) when the
    // '<' is just a character.
    bool readTag(Token& t)
    {
        const int n = std::min(text.size(), pos + kMaxTagLength);
        int p = pos + 1;
        if (p >= n)
            return false;
        if (text[p] == QLatin1Char('!') || text[p] == QLatin1Char('?')) {
            const bool comment = text.midRef(p, 3) == QLatin1String("!--");
            const QStringRef reach = text.midRef(0, n);
            const int close = comment ? reach.indexOf(QLatin1String("-->"), p + 3) : reach.indexOf(QLatin1Char('>'), p);
            if (close < 0)
                return false;
            pos = close + (comment ? 3 : 1);
            t.kind = Kind::Tag;
            return true;
        }
        bool closing = false;
        if (text[p] == QLatin1Char('/')) {
            closing = true;
            ++p;
        }
        if (p >= n || !isAsciiLetter(text[p]))
            return false;
        const int nameStart = p;
        while (p < n && isNameChar(text[p]))
            ++p;
        const QString name = text.mid(nameStart, p - nameStart).toLower();
        if (p < n && !text[p].isSpace() && text[p] != QLatin1Char('>') && text[p] != QLatin1Char('/'))
            return false;

        OpenTag tag;
        tag.name = name;
        bool selfClosing = false;
        // Attributes, up to the '>' that ends the tag.
        for (;;) {
            while (p < n && text[p].isSpace())
                ++p;
            if (p >= n || text[p] == QLatin1Char('<'))
                return false;
            if (text[p] == QLatin1Char('>')) {
                ++p;
                break;
            }
            if (text[p] == QLatin1Char('/')) {
                selfClosing = true;
                ++p;
                continue;
            }
            selfClosing = false;
            const int attrStart = p;
            while (p < n && !text[p].isSpace() && text[p] != QLatin1Char('=') && text[p] != QLatin1Char('>')
                   && text[p] != QLatin1Char('<') && text[p] != QLatin1Char('/'))
                ++p;
            const QString attr = text.mid(attrStart, p - attrStart).toLower();
            if (p == attrStart) {
                ++p;  // a stray character ('=' or quote) inside the tag
                continue;
            }
            while (p < n && text[p].isSpace())
                ++p;
            QString value;
            if (p < n && text[p] == QLatin1Char('=')) {
                ++p;
                while (p < n && text[p].isSpace())
                    ++p;
                if (p < n && (text[p] == QLatin1Char('"') || text[p] == QLatin1Char('\''))) {
                    const QChar quote = text[p];
                    const int close = text.midRef(0, n).indexOf(quote, p + 1);
                    if (close < 0)
                        return false;
                    value = text.mid(p + 1, close - p - 1);
                    p = close + 1;
                } else {
                    const int valueStart = p;
                    while (p < n && !text[p].isSpace() && text[p] != QLatin1Char('>') && text[p] != QLatin1Char('<'))
                        ++p;
                    value = text.mid(valueStart, p - valueStart);
                }
            }
            if (!closing && name == QLatin1String("font"))
                applyFontAttribute(tag, attr, value.trimmed());
        }
        tag.start = pos;
        tag.end = p;
        pos = p;
        t.kind = Kind::Tag;

        if (name == QLatin1String("br")) {
            t.kind = Kind::Break;
            t.style = style();
            return true;
        }
        if (!known(name) || (selfClosing && !closing))
            return true;
        if (!closing) {
            auto changed = std::make_shared<TagStack>(*stack);
            changed->push_back(tag);
            stack = changed;
            current = styleOfStack();
        } else {
            for (int i = static_cast<int>(stack->size()) - 1; i >= 0; --i) {
                if ((*stack)[static_cast<size_t>(i)].name == name) {
                    auto changed = std::make_shared<TagStack>(*stack);
                    changed->erase(changed->begin() + i);
                    stack = changed;
                    current = styleOfStack();
                    break;
                }
            }
        }
        return true;
    }

    static void applyFontAttribute(OpenTag& tag, const QString& attr, const QString& value)
    {
        if (attr == QLatin1String("size")) {
            QString v = value;
            if (v.endsWith(QLatin1String("pt"), Qt::CaseInsensitive))
                v.chop(2);
            bool ok = false;
            const double size = v.trimmed().toDouble(&ok);
            if (ok && std::isfinite(size) && size > 0 && !v.startsWith(QLatin1Char('+')))
                tag.size = std::clamp(size, kMinSize, kMaxSize);
        } else if (attr == QLatin1String("color")) {
            QColor colour(value);
            if (colour.isValid()) {
                tag.hasColour = true;
                tag.red = colour.redF();
                tag.green = colour.greenF();
                tag.blue = colour.blueF();
            }
        }
    }

    // A character entity at pos; false when the '&' is just a character.
    bool readEntity(Token& t)
    {
        const int semicolon = text.midRef(0, std::min(text.size(), pos + kMaxEntityLength)).indexOf(QLatin1Char(';'), pos + 1);
        if (semicolon < 0)
            return false;
        const QString name = text.mid(pos + 1, semicolon - pos - 1);
        char32_t cp = 0;
        if (name.startsWith(QLatin1Char('#'))) {
            bool ok = false;
            uint v = 0;
            if (name.size() > 2 && (name[1] == QLatin1Char('x') || name[1] == QLatin1Char('X')))
                v = name.mid(2).toUInt(&ok, 16);
            else if (name.size() > 1)
                v = name.mid(1).toUInt(&ok, 10);
            if (!ok || v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
                return false;
            cp = v;
        } else {
            static const struct { const char* name; char32_t cp; } entities[] = {
                {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", 0xA0}};
            for (auto const& e : entities)
                if (name == QLatin1String(e.name))
                    cp = e.cp;
            if (!cp)
                return false;
        }
        pos = semicolon + 1;
        if ((cp < 0x20 && cp != '\t' && cp != '\n') || (cp >= 0x7F && cp < 0xA0)) {
            t.kind = Kind::Tag;  // a control character: nothing to draw
            return true;
        }
        t.kind = cp == '\n' ? Kind::Break : Kind::Char;
        t.ch = cp;
        t.style = style();
        return true;
    }

    const QString& text;
    HtmlStyle base;
    std::shared_ptr<const TagStack> stack;
    HtmlStyle current;  // the style the open tags make
    int pos = 0;
};

// A character of a line with the glyph that shows it.
struct Measured {
    GlyphChoice glyph;
    double advance = 0;  // points; for a tab, the width of a space
};

class Layouter
{
public:
    Layouter(const QString& markup, FontState& fonts, const Font& normal, const HtmlStyle& base)
        : markup(markup), fonts(fonts), normal(normal), tokens(markup, base)
    {
    }

    HtmlLayout run(const QRectF& box)
    {
        HtmlLayout out;
        const double width = box.width();
        double used = 0;  // height of the lines laid out so far
        for (;;) {
            std::vector<Token> line;
            bool wrapped = false;
            size_t hangingFrom = 0;
            if (!nextLine(line, width, wrapped, hangingFrom))
                break;
            double ascent = 0, descent = 0, gap = 0;
            metrics(line, ascent, descent, gap);
            if (used + ascent + descent > box.height() + kFit && out.lines > 0) {
                out.remainder = remainder(line.front());
                return out;
            }
            const double boxTop = box.y() + box.height();  // y grows upward
            const double baseline = boxTop - used - ascent;
            place(line, wrapped ? hangingFrom : line.size(), box.left(), baseline, out.runs);
            out.height = used + ascent + descent;
            used += ascent + descent + gap;
            ++out.lines;
        }
        return out;
    }

private:
    bool fetch(Token& t)
    {
        if (!pending.empty()) {
            t = std::move(pending.front());
            pending.pop_front();
            return true;
        }
        return tokens.next(t);
    }

    Font fontFor(const HtmlStyle& s)
    {
        const int key = (s.bold ? 1 : 0) | (s.italic ? 2 : 0);
        if (!variants[key].face)
            variants[key] = fonts.variant(normal, normal.bold || s.bold, normal.italic || s.italic);
        return variants[key];
    }

    Measured measure(const Token& t)
    {
        Measured m;
        const Font font = fontFor(t.style);
        const char32_t c = t.ch == '\t' ? U' ' : t.ch;
        m.glyph = fonts.choose(font, c);
        if (m.glyph.face)
            m.advance = m.glyph.face->em(m.glyph.face->advance(m.glyph.glyph)) * t.style.size;
        return m;
    }

    double tabStop(double x, const Measured& space, double size) const
    {
        const double step = std::max(space.advance, size * 0.25) * kTabSpaces;
        return (std::floor(x / step + 1e-9) + 1) * step;
    }

    // The tokens of the next line; false when the markup holds no more text.
    // A wrapped line ends with the spaces it broke at, from hangingFrom on.
    bool nextLine(std::vector<Token>& line, double width, bool& wrapped, size_t& hangingFrom)
    {
        double x = 0;
        bool hasChar = false;
        bool afterSpace = false;
        long breakAt = -1;  // where the line may wrap: after its last run of spaces
        Token t;
        while (fetch(t)) {
            line.push_back(t);
            if (t.kind == Kind::Break)
                return true;
            if (t.kind != Kind::Char)
                continue;
            const Measured m = measure(t);
            if (isSpace(t.ch)) {
                x = t.ch == '\t' ? tabStop(x, m, t.style.size) : x + m.advance;
                afterSpace = true;
                hasChar = true;
                continue;
            }
            if (afterSpace) {
                // The wrap point comes right after the spaces, before any tag
                // that follows them.
                long i = static_cast<long>(line.size()) - 2;
                while (i >= 0 && line[static_cast<size_t>(i)].kind != Kind::Char)
                    --i;
                breakAt = i + 1;
                afterSpace = false;
            }
            if (hasChar && x + m.advance > width + kFit) {
                const size_t from = breakAt > 0 ? static_cast<size_t>(breakAt) : line.size() - 1;
                for (size_t i = line.size(); i-- > from;)
                    pending.push_front(std::move(line[i]));
                line.resize(from);
                wrapped = true;
                hangingFrom = from;
                if (breakAt > 0) {
                    while (hangingFrom > 0 && (line[hangingFrom - 1].kind != Kind::Char || isSpace(line[hangingFrom - 1].ch)))
                        --hangingFrom;
                }
                return true;
            }
            x += m.advance;
            hasChar = true;
        }
        for (const Token& k : line)
            if (k.kind != Kind::Tag)
                return true;
        return false;
    }

    void metrics(const std::vector<Token>& line, double& ascent, double& descent, double& gap)
    {
        auto take = [&](const FontFace& face, double size) {
            ascent = std::max(ascent, face.em(face.ascender) * size);
            descent = std::max(descent, face.em(face.descender) * size);
            gap = std::max(gap, face.em(face.lineGap) * size);
        };
        bool any = false;
        for (const Token& t : line) {
            if (t.kind != Kind::Char)
                continue;
            const Measured m = measure(t);
            if (m.glyph.face) {
                take(*m.glyph.face, t.style.size);
                any = true;
            }
        }
        if (!any) {
            // An empty line is as high as its font would make it.
            const HtmlStyle& s = line.back().style;
            const Font font = fontFor(s);
            if (font.face)
                take(*font.face, s.size);
            else
                ascent = s.size;
        }
    }

    void place(const std::vector<Token>& line, size_t count, double left, double baseline, std::vector<TextRun>& runs)
    {
        double x = 0;
        TextRun* run = nullptr;
        for (size_t i = 0; i < count; ++i) {
            const Token& t = line[i];
            if (t.kind != Kind::Char)
                continue;
            const Measured m = measure(t);
            const double at = x;
            x = t.ch == '\t' ? tabStop(x, m, t.style.size) : x + m.advance;
            if (!m.glyph.face)
                continue;
            const HtmlStyle& s = t.style;
            if (!run || run->face != m.glyph.face || run->fakeBold != m.glyph.fakeBold
                || run->fakeItalic != m.glyph.fakeItalic || run->size != s.size || run->red != s.red
                || run->green != s.green || run->blue != s.blue || run->underline != s.underline) {
                runs.emplace_back();
                run = &runs.back();
                run->face = m.glyph.face;
                run->fakeBold = m.glyph.fakeBold;
                run->fakeItalic = m.glyph.fakeItalic;
                run->underline = s.underline;
                run->size = s.size;
                run->red = s.red;
                run->green = s.green;
                run->blue = s.blue;
                run->y = baseline;
            }
            PlacedGlyph g;
            g.glyph = m.glyph.glyph;
            g.text = m.glyph.glyph ? std::u32string(1, t.ch == '\t' ? U' ' : t.ch) : std::u32string(1, U'\uFFFD');
            g.x = left + at;
            run->glyphs.push_back(std::move(g));
            run->endX = left + x;
        }
    }

    // The markup from the token on, with the tags open there (other than
    // the one the markup opens with, which the caller repeats) opened again.
    QString remainder(const Token& first) const
    {
        QString out;
        const TagStack& open = *first.stackBefore;
        for (size_t i = 0; i < open.size(); ++i) {
            if (i == 0 && open[i].start == 0)
                continue;
            out += markup.midRef(open[i].start, open[i].end - open[i].start);
        }
        out += markup.midRef(first.start);
        return out;
    }

    const QString& markup;
    FontState& fonts;
    Font normal;
    Font variants[4];
    Tokenizer tokens;
    std::deque<Token> pending;
};

} // namespace

HtmlLayout layoutHtml(const QString& markup, const QRectF& box, FontState& fonts, const Font& normalFont,
                      const HtmlStyle& base)
{
    Layouter layouter(markup, fonts, normalFont, base);
    return layouter.run(box);
}

} // namespace fpe
