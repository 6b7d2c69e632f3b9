#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

struct ToolRow;

// The two file names the branding is read from. `directory` is where both are
// looked up; empty means the program's own directory.
struct CustomFileNames
{
    QString dataFile = QStringLiteral("Data.dat");
    QString iconFile = QStringLiteral("Icon.ico");
    QString directory;

    QString resolvedDirectory() const;
    QString dataFilePath() const;
    // The folder of the path the program was started as (a link to it counts
    // as the program); the folder of the executable when that cannot be told.
    static QString programDirectory();
};

// Everything one installation shows: which tool, its texts, filters, web
// addresses and window arrangement. Built once at start-up from Data.dat.
struct BrandingRecord
{
    QString homeUrl;
    QString toolUrl;
    QString familyName;
    float editionCode = 0;
    QString toolName;  // spaces stored as "-"
    float version = 0;
    int layoutVariant = 0;
    QIcon icon;
    QString openFilter;
    QString saveFilter;
    QStringList extensions;
    // Where Data.dat and the icon were looked up (resolved, never empty).
    QString directory;
    // The family's row of this tool (tooltable.h); null when the record names
    // no tool of the family (another brand, no Data.dat, a number outside the table).
    const ToolRow* row = nullptr;

    int code() const;  // brand * 10000 + tool
};

// Builds the record for (brand, tool). When either is -1 both are read from
// Data.dat in names.directory; numbers that cannot be read count 0. Callers
// that only want the texts can leave the icon out.
BrandingRecord makeBrandingRecord(const CustomFileNames& names, int brand, int tool, bool withIcon = true);

// The first entry of names' directory whose last four characters equal those
// of names.iconFile (case-sensitive, one directory walk); empty when none.
QString findIconFile(const CustomFileNames& names);

// Writes brand and tool as Data.dat does (two big-endian 32-bit integers),
// truncating the file. False when the file cannot be written completely.
bool writeBrandingFile(const QString& path, int brand, int tool);

// Reads brand and tool from a Data.dat file; a number that cannot be read is 0.
void readBrandingFile(const QString& path, int* brand, int* tool);
