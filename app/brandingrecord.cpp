#include "brandingrecord.h"

#include "tooltable.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>

namespace {

const char* const homePage = "https://www.folioforge.org/";

} // namespace

QString CustomFileNames::resolvedDirectory() const
{
    if (!directory.isEmpty())
        return directory;
    return QCoreApplication::instance() ? programDirectory() : QDir::currentPath();
}

QString CustomFileNames::programDirectory()
{
    // The folder of the path the program was started as, links not followed:
    // an installed tool is the one program linked into a folder of its own,
    // beside that tool's Data.dat and icon.
    const QString started = QCoreApplication::arguments().value(0);
    if (started.contains(QLatin1Char('/')))
        return QFileInfo(started).absolutePath();
    if (!started.isEmpty()) {
        for (const QString& folder : QString::fromLocal8Bit(qgetenv("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
            const QFileInfo candidate(QDir(folder).filePath(started));
            if (candidate.isFile() && candidate.isExecutable())
                return candidate.absolutePath();
        }
    }
    return QCoreApplication::applicationDirPath();
}

QString CustomFileNames::dataFilePath() const
{
    return QDir(resolvedDirectory()).filePath(dataFile);
}

int BrandingRecord::code() const
{
    return int(std::lround(double(editionCode)));
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
        r.openFilter = ToolRow::openFilter(ToolRow::Files::Pdf);
        r.saveFilter = ToolRow::pdfSaveFilter();
        r.extensions = ToolRow::extensions(ToolRow::Files::Pdf);
        r.row = findTool(tool);
        if (r.row) {
            r.version = 1.0f;
            r.layoutVariant = r.row->layoutVariant;
            r.toolName = r.row->storedName();
            r.openFilter = ToolRow::openFilter(r.row->files);
            r.extensions = ToolRow::extensions(r.row->files);
            if (r.row->saveFilter)
                r.saveFilter = QString::fromLatin1(r.row->saveFilter);
        }
        r.toolUrl = r.homeUrl + QStringLiteral("app/") + r.toolName.toLower();
    }
    return r;
}
