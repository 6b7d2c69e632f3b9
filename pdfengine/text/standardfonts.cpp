#include "text/standardfonts.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>

namespace fpe {

namespace {

// The Adobe standard Latin character set of Helvetica, Times and Courier, sorted.
const char* const latinGlyphs[] = {
    "A", "AE", "Aacute", "Abreve", "Acircumflex", "Adieresis", "Agrave", "Amacron", "Aogonek",
    "Aring", "Atilde", "B", "C", "Cacute", "Ccaron", "Ccedilla", "D", "Dcaron", "Dcroat", "Delta",
    "E", "Eacute", "Ecaron", "Ecircumflex", "Edieresis", "Edotaccent", "Egrave", "Emacron",
    "Eogonek", "Eth", "Euro", "F", "G", "Gbreve", "Gcommaaccent", "H", "I", "Iacute", "Icircumflex",
    "Idieresis", "Idotaccent", "Igrave", "Imacron", "Iogonek", "J", "K", "Kcommaaccent", "L",
    "Lacute", "Lcaron", "Lcommaaccent", "Lslash", "M", "N", "Nacute", "Ncaron", "Ncommaaccent",
    "Ntilde", "O", "OE", "Oacute", "Ocircumflex", "Odieresis", "Ograve", "Ohungarumlaut", "Omacron",
    "Oslash", "Otilde", "P", "Q", "R", "Racute", "Rcaron", "Rcommaaccent", "S", "Sacute", "Scaron",
    "Scedilla", "Scommaaccent", "T", "Tcaron", "Tcommaaccent", "Thorn", "U", "Uacute",
    "Ucircumflex", "Udieresis", "Ugrave", "Uhungarumlaut", "Umacron", "Uogonek", "Uring", "V", "W",
    "X", "Y", "Yacute", "Ydieresis", "Z", "Zacute", "Zcaron", "Zdotaccent", "a", "aacute", "abreve",
    "acircumflex", "acute", "adieresis", "ae", "agrave", "amacron", "ampersand", "aogonek", "aring",
    "asciicircum", "asciitilde", "asterisk", "at", "atilde", "b", "backslash", "bar", "braceleft",
    "braceright", "bracketleft", "bracketright", "breve", "brokenbar", "bullet", "c", "cacute",
    "caron", "ccaron", "ccedilla", "cedilla", "cent", "circumflex", "colon", "comma", "commaaccent",
    "copyright", "currency", "d", "dagger", "daggerdbl", "dcaron", "dcroat", "degree", "dieresis",
    "divide", "dollar", "dotaccent", "dotlessi", "e", "eacute", "ecaron", "ecircumflex",
    "edieresis", "edotaccent", "egrave", "eight", "ellipsis", "emacron", "emdash", "endash",
    "eogonek", "equal", "eth", "exclam", "exclamdown", "f", "fi", "five", "fl", "florin", "four",
    "fraction", "g", "gbreve", "gcommaaccent", "germandbls", "grave", "greater", "greaterequal",
    "guillemotleft", "guillemotright", "guilsinglleft", "guilsinglright", "h", "hungarumlaut",
    "hyphen", "i", "iacute", "icircumflex", "idieresis", "igrave", "imacron", "iogonek", "j", "k",
    "kcommaaccent", "l", "lacute", "lcaron", "lcommaaccent", "less", "lessequal", "logicalnot",
    "lozenge", "lslash", "m", "macron", "minus", "mu", "multiply", "n", "nacute", "ncaron",
    "ncommaaccent", "nine", "notequal", "ntilde", "numbersign", "o", "oacute", "ocircumflex",
    "odieresis", "oe", "ogonek", "ograve", "ohungarumlaut", "omacron", "one", "onehalf",
    "onequarter", "onesuperior", "ordfeminine", "ordmasculine", "oslash", "otilde", "p",
    "paragraph", "parenleft", "parenright", "partialdiff", "percent", "period", "periodcentered",
    "perthousand", "plus", "plusminus", "q", "question", "questiondown", "quotedbl", "quotedblbase",
    "quotedblleft", "quotedblright", "quoteleft", "quoteright", "quotesinglbase", "quotesingle",
    "r", "racute", "radical", "rcaron", "rcommaaccent", "registered", "ring", "s", "sacute",
    "scaron", "scedilla", "scommaaccent", "section", "semicolon", "seven", "six", "slash", "space",
    "sterling", "summation", "t", "tcaron", "tcommaaccent", "thorn", "three", "threequarters",
    "threesuperior", "tilde", "trademark", "two", "twosuperior", "u", "uacute", "ucircumflex",
    "udieresis", "ugrave", "uhungarumlaut", "umacron", "underscore", "uogonek", "uring", "v", "w",
    "x", "y", "yacute", "ydieresis", "yen", "z", "zacute", "zcaron", "zdotaccent", "zero"
};

// The glyphs of Symbol, sorted.
const char* const symbolGlyphs[] = {
    "Alpha", "Beta", "Chi", "Delta", "Epsilon", "Eta", "Euro", "Gamma", "Ifraktur", "Iota", "Kappa",
    "Lambda", "Mu", "Nu", "Omega", "Omicron", "Phi", "Pi", "Psi", "Rfraktur", "Rho", "Sigma", "Tau",
    "Theta", "Upsilon", "Upsilon1", "Xi", "Zeta", "aleph", "alpha", "ampersand", "angle",
    "angleleft", "angleright", "apple", "approxequal", "arrowboth", "arrowdblboth", "arrowdbldown",
    "arrowdblleft", "arrowdblright", "arrowdblup", "arrowdown", "arrowhorizex", "arrowleft",
    "arrowright", "arrowup", "arrowvertex", "asteriskmath", "bar", "beta", "braceex", "braceleft",
    "braceleftbt", "braceleftmid", "bracelefttp", "braceright", "bracerightbt", "bracerightmid",
    "bracerighttp", "bracketleft", "bracketleftbt", "bracketleftex", "bracketlefttp",
    "bracketright", "bracketrightbt", "bracketrightex", "bracketrighttp", "bullet",
    "carriagereturn", "chi", "circlemultiply", "circleplus", "club", "colon", "comma", "congruent",
    "copyrightsans", "copyrightserif", "degree", "delta", "diamond", "divide", "dotmath", "eight",
    "element", "ellipsis", "emptyset", "epsilon", "equal", "equivalence", "eta", "exclam",
    "existential", "five", "florin", "four", "fraction", "gamma", "gradient", "greater",
    "greaterequal", "heart", "infinity", "integral", "integralbt", "integralex", "integraltp",
    "intersection", "iota", "kappa", "lambda", "less", "lessequal", "logicaland", "logicalnot",
    "logicalor", "lozenge", "minus", "minute", "mu", "multiply", "nine", "notelement", "notequal",
    "notsubset", "nu", "numbersign", "omega", "omega1", "omicron", "one", "parenleft",
    "parenleftbt", "parenleftex", "parenlefttp", "parenright", "parenrightbt", "parenrightex",
    "parenrighttp", "partialdiff", "percent", "period", "perpendicular", "phi", "phi1", "pi",
    "plus", "plusminus", "product", "propersubset", "propersuperset", "proportional", "psi",
    "question", "radical", "radicalex", "reflexsubset", "reflexsuperset", "registersans",
    "registerserif", "rho", "second", "semicolon", "seven", "sigma", "sigma1", "similar", "six",
    "slash", "space", "spade", "suchthat", "summation", "tau", "therefore", "theta", "theta1",
    "three", "trademarksans", "trademarkserif", "two", "underscore", "union", "universal",
    "upsilon", "weierstrass", "xi", "zero", "zeta"
};

bool inSorted(const char* const* first, const char* const* last, const std::string& name)
{
    return std::binary_search(first, last, name.c_str(), [](const char* a, const char* b) { return std::strcmp(a, b) < 0; });
}

// ZapfDingbats names its glyphs a1 to a206, less a few numbers, plus space.
bool dingbatsHasGlyph(const std::string& name)
{
    if (name == "space")
        return true;
    if (name.size() < 2 || name.size() > 4 || name[0] != 'a')
        return false;
    int n = 0;
    for (size_t i = 1; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])) || (i == 1 && name[i] == '0'))
            return false;
        n = n * 10 + (name[i] - '0');
    }
    return n >= 1 && n <= 206 && n != 80 && (n < 113 || n > 116);
}

struct FamilyName {
    const char* prefix;  // lower case, letters and digits only
    StandardFamily family;
};

// Names under which these designs and their metric clones are embedded.
const FamilyName familyNames[] = {
    {"helvetica", StandardFamily::Helvetica},     {"arial", StandardFamily::Helvetica},
    {"liberationsans", StandardFamily::Helvetica}, {"nimbussans", StandardFamily::Helvetica},
    {"nimbussanl", StandardFamily::Helvetica},    {"times", StandardFamily::Times},
    {"timesnewroman", StandardFamily::Times},     {"liberationserif", StandardFamily::Times},
    {"nimbusroman", StandardFamily::Times},       {"nimbusromno9l", StandardFamily::Times},
    {"courier", StandardFamily::Courier},         {"couriernew", StandardFamily::Courier},
    {"liberationmono", StandardFamily::Courier},  {"nimbusmono", StandardFamily::Courier},
    {"nimbusmonl", StandardFamily::Courier},      {"symbol", StandardFamily::Symbol},
    {"standardsymbolsps", StandardFamily::Symbol}, {"standardsyml", StandardFamily::Symbol},
    {"zapfdingbats", StandardFamily::ZapfDingbats}, {"itczapfdingbats", StandardFamily::ZapfDingbats},
    {"dingbats", StandardFamily::ZapfDingbats},   {"d050000l", StandardFamily::ZapfDingbats},
};

// What may follow the family in a name: vendor marks and the regular, bold
// and italic styles (URW's "Regu", "Medi", "Ital", "Obli" included). Anything
// else (Narrow, Black, Light, Neue...) is another design.
struct StyleToken {
    const char* text;
    bool bold;
    bool italic;
};
const StyleToken styleTokens[] = {
    {"regular", false, false}, {"oblique", false, true}, {"italic", false, true}, {"normal", false, false},
    {"roman", false, false},   {"bold", true, false},    {"medi", true, false},   {"regu", false, false},
    {"ital", false, true},     {"obli", false, true},    {"psmt", false, false},  {"mt", false, false},
    {"ps", false, false},
};

// Splits the rest of a name into style tokens; false when something else is left.
bool parseStyle(const std::string& rest, bool& bold, bool& italic)
{
    size_t pos = 0;
    while (pos < rest.size()) {
        bool matched = false;
        for (const StyleToken& t : styleTokens) {
            const size_t len = std::strlen(t.text);
            if (rest.compare(pos, len, t.text) == 0) {
                bold = bold || t.bold;
                italic = italic || t.italic;
                pos += len;
                matched = true;
                break;
            }
        }
        if (!matched)
            return false;
    }
    return true;
}

std::string normalised(const std::string& baseFont)
{
    std::string name = baseFont;
    if (!name.empty() && name[0] == '/')
        name.erase(0, 1);
    // A subset is tagged with six capitals and a plus sign.
    if (name.size() > 7 && name[6] == '+' &&
        std::all_of(name.begin(), name.begin() + 6, [](char c) { return c >= 'A' && c <= 'Z'; }))
        name.erase(0, 7);
    std::string out;
    for (char c : name)
        if (std::isalnum(static_cast<unsigned char>(c)))
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string standardName(StandardFamily family, bool bold, bool italic)
{
    switch (family) {
    case StandardFamily::Helvetica:
    case StandardFamily::Courier: {
        const std::string base = family == StandardFamily::Helvetica ? "Helvetica" : "Courier";
        if (bold && italic)
            return base + "-BoldOblique";
        if (bold)
            return base + "-Bold";
        return italic ? base + "-Oblique" : base;
    }
    case StandardFamily::Times:
        if (bold && italic)
            return "Times-BoldItalic";
        if (bold)
            return "Times-Bold";
        return italic ? "Times-Italic" : "Times-Roman";
    case StandardFamily::Symbol: return "Symbol";
    case StandardFamily::ZapfDingbats: return "ZapfDingbats";
    case StandardFamily::None: break;
    }
    return std::string();
}

} // namespace

StandardFont standardEquivalent(const std::string& baseFont)
{
    const std::string name = normalised(baseFont);
    for (const FamilyName& f : familyNames) {
        const size_t len = std::strlen(f.prefix);
        if (name.compare(0, len, f.prefix) != 0)
            continue;
        bool bold = false, italic = false;
        if (!parseStyle(name.substr(len), bold, italic))
            continue;
        const bool symbolic = f.family == StandardFamily::Symbol || f.family == StandardFamily::ZapfDingbats;
        if (symbolic && (bold || italic))
            continue;
        return StandardFont{f.family, standardName(f.family, bold, italic)};
    }
    return StandardFont();
}

bool standardFontHasGlyph(StandardFamily family, const std::string& glyphName)
{
    switch (family) {
    case StandardFamily::Helvetica:
    case StandardFamily::Times:
    case StandardFamily::Courier:
        return inSorted(std::begin(latinGlyphs), std::end(latinGlyphs), glyphName);
    case StandardFamily::Symbol: return inSorted(std::begin(symbolGlyphs), std::end(symbolGlyphs), glyphName);
    case StandardFamily::ZapfDingbats: return dingbatsHasGlyph(glyphName);
    case StandardFamily::None: break;
    }
    return false;
}

} // namespace fpe
