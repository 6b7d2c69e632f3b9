#include "brandingrecord.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSaveFile>

#include <cmath>

namespace {

struct ToolRow
{
    const char* name;
    int layoutVariant;
    enum Preset { Pdf, Images, Text, Tiff } preset;
};

// Brand 1's tools, by tool number (index + 1).
const ToolRow toolTable[] = {
    {"PDF Merger", 0, ToolRow::Pdf},
    {"PDF Splitter", 3, ToolRow::Pdf},
    {"PDF Watermark", 0, ToolRow::Pdf},
    {"PDF Page Resizer", 2, ToolRow::Pdf},
    {"Images to PDF", 1, ToolRow::Images},
    {"PDF Compressor", 5, ToolRow::Pdf},
    {"PDF To Images", 3, ToolRow::Tiff},
    {"PDF Batch Print", 0, ToolRow::Pdf},
    {"PDF Word Count", 6, ToolRow::Pdf},
    {"PDF Rotate And Crop", 0, ToolRow::Pdf},
    {"PDF Image Extractor", 1, ToolRow::Pdf},
    {"PDF Page Remover", 3, ToolRow::Pdf},
    {"PDF Info Changer", 2, ToolRow::Pdf},
    {"PDF To Text", 5, ToolRow::Pdf},
    {"Text To PDF", 1, ToolRow::Text},
};
constexpr int toolTableSize = int(sizeof(toolTable) / sizeof(toolTable[0]));

const char* const homePage = "https://www.folioforge.org/";

} // namespace

QString CustomFileNames::resolvedDirectory() const
{
    if (!directory.isEmpty())
        return directory;
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

QString CustomFileNames::dataFilePath() const
{
    return QDir(resolvedDirectory()).filePath(dataFile);
}

int BrandingRecord::code() const
{
    return int(std::lround(double(editionCode)));
}

int BrandingRecord::brandNumber() const
{
    return int(std::floor(double(editionCode) / 10000.0));
}

int BrandingRecord::toolNumber() const
{
    return code() - brandNumber() * 10000;
}

int brandingToolCount()
{
    return toolTableSize;
}

void readBrandingFile(const QString& path, int* brand, int* tool)
{
    qint32 b = 0, t = 0;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        QDataStream in(&file);
        in >> b;
        if (in.status() != QDataStream::Ok)
            b = 0;
        in >> t;
        if (in.status() != QDataStream::Ok)
            t = 0;
    }
    *brand = b;
    *tool = t;
}

bool writeBrandingFile(const QString& path, int brand, int tool)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QDataStream out(&file);
    out << qint32(brand) << qint32(tool);
    if (out.status() != QDataStream::Ok) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString findIconFile(const CustomFileNames& names)
{
    const QString wanted = names.iconFile.right(4);
    QDirIterator it(names.resolvedDirectory(), QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        const QString path = it.next();
        if (it.fileName().right(4) == wanted)
            return path;
    }
    return QString();
}

BrandingRecord makeBrandingRecord(const CustomFileNames& names, int brand, int tool, bool withIcon)
{
    BrandingRecord r;
    r.directory = names.resolvedDirectory();
    if (brand == -1 || tool == -1)
        readBrandingFile(names.dataFilePath(), &brand, &tool);

    r.editionCode = float(tool + brand * 10000);
    const QString iconPath = withIcon ? findIconFile(names) : QString();
    if (!iconPath.isEmpty())
        r.icon = QIcon(iconPath);

    if (brand == 1) {
        r.familyName = QStringLiteral("Folioforge");
        r.homeUrl = QString::fromLatin1(homePage);
        r.openFilter = QStringLiteral("PDF files(*.PDF)");
        r.saveFilter = QStringLiteral("PDF files(*.PDF)");
        r.extensions = QStringList{QStringLiteral("*.PDF")};
        if (tool >= 1 && tool <= toolTableSize) {
            const ToolRow& row = toolTable[tool - 1];
            r.version = 1.0f;
            r.layoutVariant = row.layoutVariant;
            r.toolName = QString::fromLatin1(row.name);
            switch (row.preset) {
            case ToolRow::Images:
                r.openFilter = QStringLiteral("Image Files (*.png *.jpg *.bmp)");
                r.extensions = QStringList{QStringLiteral("*.png"), QStringLiteral("*.jpg"), QStringLiteral("*.bmp")};
                break;
            case ToolRow::Text:
                r.openFilter = QStringLiteral("Text files (*.txt)");
                r.extensions = QStringList{QStringLiteral("*.txt")};
                break;
            case ToolRow::Tiff:
                r.saveFilter = QStringLiteral("TIFF File (*.TIFF)");
                break;
            case ToolRow::Pdf:
                break;
            }
        }
        r.toolName.replace(QLatin1Char(' '), QLatin1Char('-'));
        r.toolUrl = r.homeUrl + QStringLiteral("app/") + r.toolName.toLower();
    }
    return r;
}
