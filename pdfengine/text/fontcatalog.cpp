#include "text/fontcatalog.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <tuple>
#include <utility>

namespace fpe {

namespace {

// fontconfig's configuration and font list, read once for the process and
// only read after that (which fontconfig allows from any thread).
FcConfig* config()
{
    static FcConfig* const loaded = FcInitLoadConfigAndFonts();
    return loaded;
}

QString text(const FcChar8* s)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(s));
}

QStringList familiesOf(FcPattern* p)
{
    QStringList names;
    FcChar8* s = nullptr;
    for (int k = 0; FcPatternGetString(p, FC_FAMILY, k, &s) == FcResultMatch; ++k)
        names << text(s);
    return names;
}

struct CatalogFace {
    InstalledFace face;
    QStringList families;  // the first is the family's own name; others are aliases (e.g. "DejaVu Sans Condensed")
};

const std::vector<CatalogFace>& catalog()
{
    static const std::vector<CatalogFace> faces = [] {
        std::vector<CatalogFace> out;
        FcConfig* cfg = config();
        if (!cfg)
            return out;
        FcPattern* all = FcPatternCreate();
        FcObjectSet* wanted = FcObjectSetBuild(FC_FAMILY, FC_FOUNDRY, FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, FC_WIDTH,
                                               FC_FONTFORMAT, FC_VARIABLE, nullptr);
        FcFontSet* set = FcFontList(cfg, all, wanted);
        for (int i = 0; set && i < set->nfont; ++i) {
            FcPattern* p = set->fonts[i];
            CatalogFace f;
            f.families = familiesOf(p);
            FcChar8* s = nullptr;
            FcBool variable = FcFalse;
            if (f.families.isEmpty() || FcPatternGetString(p, FC_FILE, 0, &s) != FcResultMatch)
                continue;
            f.face.file = reinterpret_cast<const char*>(s);
            FcPatternGetInteger(p, FC_INDEX, 0, &f.face.index);
            // Instances of variable fonts share one font program: its default
            // instance is what would be embedded, whatever the style.
            if ((FcPatternGetBool(p, FC_VARIABLE, 0, &variable) == FcResultMatch && variable) || f.face.index > 0xFFFF)
                continue;
            if (FcPatternGetString(p, FC_FOUNDRY, 0, &s) == FcResultMatch)
                f.face.foundry = text(s).trimmed();
            FcPatternGetInteger(p, FC_WEIGHT, 0, &f.face.weight);
            FcPatternGetInteger(p, FC_SLANT, 0, &f.face.slant);
            FcPatternGetInteger(p, FC_WIDTH, 0, &f.face.width);
            if (FcPatternGetString(p, FC_FONTFORMAT, 0, &s) == FcResultMatch) {
                const QString format = text(s);
                f.face.outlines = format == QLatin1String("TrueType") || format == QLatin1String("CFF");
            }
            out.push_back(std::move(f));
        }
        if (set)
            FcFontSetDestroy(set);
        FcObjectSetDestroy(wanted);
        FcPatternDestroy(all);
        // fontconfig's order depends on its cache: the same installation gives the same choices.
        std::sort(out.begin(), out.end(), [](const CatalogFace& a, const CatalogFace& b) {
            return std::tie(a.face.file, a.face.index) < std::tie(b.face.file, b.face.index);
        });
        return out;
    }();
    return faces;
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A pattern for text in a family and style, with fontconfig's substitutions
// (aliases, defaults) applied.
FcPattern* stylePattern(const QString& family, bool bold, bool italic)
{
    FcPattern* p = FcPatternCreate();
    if (!family.isEmpty())
        FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.toUtf8().constData()));
    FcPatternAddInteger(p, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(p, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(config(), p, FcMatchPattern);
    FcDefaultSubstitute(p);
    return p;
}

} // namespace

QStringList installedFamilies()
{
    QStringList names;
    for (const CatalogFace& f : catalog())
        names << f.families.first();
    names.removeDuplicates();
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

std::vector<InstalledFace> familyFaces(const QString& family, const QString& foundry, bool bold, bool italic)
{
    const int weight = bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR;
    // Foundry first, then slant, weight and width, as a font database matches a style.
    using Rank = std::tuple<bool, bool, int, int>;
    std::vector<std::pair<Rank, InstalledFace>> ranked;
    bool foundryFound = foundry.isEmpty();
    for (const CatalogFace& f : catalog()) {
        if (std::none_of(f.families.begin(), f.families.end(), [&](const QString& n) { return sameName(n, family); }))
            continue;
        const bool otherFoundry = !foundry.isEmpty() && !sameName(f.face.foundry, foundry);
        foundryFound = foundryFound || !otherFoundry;
        if (!f.face.outlines)
            continue;
        const bool wrongSlant = italic ? f.face.slant == FC_SLANT_ROMAN : f.face.slant != FC_SLANT_ROMAN;
        ranked.emplace_back(Rank(otherFoundry, wrongSlant, std::abs(f.face.weight - weight), std::abs(f.face.width - 100)),
                            f.face);
    }
    if (!foundryFound)
        return {};
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<InstalledFace> faces;
    for (auto& r : ranked)
        faces.push_back(std::move(r.second));
    return faces;
}

QString defaultFamily()
{
    static const QString family = [] {
        QString name;
        if (!config())
            return name;
        FcPattern* p = stylePattern(QStringLiteral("sans-serif"), false, false);
        FcResult result = FcResultNoMatch;
        if (FcPattern* match = FcFontMatch(config(), p, &result)) {
            name = familiesOf(match).value(0);
            FcPatternDestroy(match);
        }
        FcPatternDestroy(p);
        return name;
    }();
    return family;
}

struct FallbackFamilies::Data {
    FcFontSet* sorted = nullptr;  // owns the character sets below
    std::vector<std::pair<QString, FcCharSet*>> families;
};

FallbackFamilies::FallbackFamilies(const QString& family, bool bold, bool italic)
    : d(std::make_unique<Data>())
{
    if (!config())
        return;
    FcPattern* p = stylePattern(family, bold, italic);
    FcResult result = FcResultNoMatch;
    d->sorted = FcFontSort(config(), p, FcFalse, nullptr, &result);
    FcPatternDestroy(p);
    for (int i = 0; d->sorted && i < d->sorted->nfont; ++i) {
        FcCharSet* chars = nullptr;
        const QString name = familiesOf(d->sorted->fonts[i]).value(0);
        if (!name.isEmpty() && FcPatternGetCharSet(d->sorted->fonts[i], FC_CHARSET, 0, &chars) == FcResultMatch)
            d->families.emplace_back(name, chars);
    }
}

FallbackFamilies::~FallbackFamilies()
{
    if (d->sorted)
        FcFontSetDestroy(d->sorted);
}

QStringList FallbackFamilies::covering(char32_t c) const
{
    QStringList names;
    for (const auto& [name, chars] : d->families)
        if (FcCharSetHasChar(chars, c) && !names.contains(name))
            names << name;
    return names;
}

} // namespace fpe
