#include "filenames.h"

#include <QDir>
#include <QFileInfo>

namespace filenames {

namespace {

// Rename looks for a free numbered name up to this number (255 cubed).
constexpr int numberedNameLimit = 16581375;

int extensionDot(const QString& fileName)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? dot : -1;
}

// The path with its file name replaced.
QString inFolderOf(const QString& path, const QString& name)
{
    const int sep = path.lastIndexOf(QDir::separator());
    return sep < 0 ? name : path.left(sep + 1) + name;
}

} // namespace

QString fileNameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(QDir::separator()) + 1);
}

QString folderOf(const QString& path)
{
    const int sep = path.lastIndexOf(QDir::separator());
    return sep < 0 ? QString() : path.left(sep);
}

QString stem(const QString& fileName)
{
    const int dot = extensionDot(fileName);
    return dot < 0 ? fileName : fileName.left(dot);
}

QString extension(const QString& fileName)
{
    const int dot = extensionDot(fileName);
    return dot < 0 ? QString() : fileName.mid(dot);
}

QString numbered(const QString& path, int n)
{
    const QString name = fileNameOf(path);
    const QString renamed = stem(name) + QStringLiteral("(%1)").arg(n) + extension(name);
    if (path.lastIndexOf(QDir::separator()) < 0)
        return renamed;
    return QDir(folderOf(path)).filePath(renamed);
}

QString freeNumbered(const QString& path, const QSet<QString>& claimed)
{
    QString renamed;
    for (int n = 1; n < numberedNameLimit; ++n) {
        renamed = QDir::toNativeSeparators(numbered(path, n));
        if (!QFileInfo::exists(renamed) && !claimed.contains(QFileInfo(renamed).absoluteFilePath()))
            break;
    }
    return renamed;
}

QString withSuffix(const QString& path, const QString& suffix)
{
    const QString name = fileNameOf(path);
    return inFolderOf(path, stem(name) + suffix + extension(name));
}

QString withExtension(const QString& path, const QString& newExtension)
{
    return inFolderOf(path, stem(fileNameOf(path)) + QLatin1Char('.') + newExtension);
}

bool sameName(const QString& a, const QString& b)
{
#ifdef Q_OS_WIN
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a == b;
#endif
}

bool sameFile(const QString& a, const QString& b)
{
    if (QDir::cleanPath(QFileInfo(a).absoluteFilePath()) == QDir::cleanPath(QFileInfo(b).absoluteFilePath()))
        return true;
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

} // namespace filenames
