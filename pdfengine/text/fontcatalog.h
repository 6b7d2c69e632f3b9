#pragma once

// The fonts installed on the system, as fontconfig lists them: what Poppler
// and cairo use too, and what needs nothing of the host process (no GUI
// application object, no platform plugin).

#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

namespace fpe {

// One face in a font file.
struct InstalledFace {
    std::string file;
    int index = 0;        // the face in a font collection
    QString foundry;      // as fontconfig names it, trimmed
    int weight = 80;      // fontconfig's scale: 80 regular, 200 bold
    int slant = 0;        // 0 upright, 100 italic, 110 oblique
    int width = 100;      // 100 normal, smaller condensed
    bool outlines = false;  // TrueType or CFF outlines (sfnt): faces that can be embedded
};

// Every family name fontconfig knows, sorted without regard to letter case.
QStringList installedFamilies();

// The faces of a family (by any of its names, in any letter case) with
// embeddable outlines, closest to the style first; those of the named
// foundry before the others. Empty when the family, or the family from that
// foundry, is not installed.
std::vector<InstalledFace> familyFaces(const QString& family, const QString& foundry, bool bold, bool italic);

// The family fontconfig gives for "sans-serif": the system's default.
QString defaultFamily();

// The families that fontconfig would fall back to for text in this family
// and style, best first, each with the characters it covers.
class FallbackFamilies
{
public:
    FallbackFamilies(const QString& family, bool bold, bool italic);
    ~FallbackFamilies();
    FallbackFamilies(const FallbackFamilies&) = delete;
    FallbackFamilies& operator=(const FallbackFamilies&) = delete;

    // The families that have the character, best first.
    QStringList covering(char32_t c) const;

private:
    struct Data;
    std::unique_ptr<Data> d;
};

} // namespace fpe
