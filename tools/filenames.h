#pragma once

// Paths and the names the tools give their outputs. Paths are split at the
// platform's own separator: the file name is the text after the last one
// (the whole path when there is none).

#include <QSet>
#include <QString>

namespace filenames {

QString fileNameOf(const QString& path);
// The text before the last separator; empty when there is none.
QString folderOf(const QString& path);

// The file name without its last suffix ("report.v2.pdf" gives "report.v2";
// a name without a dot, or whose only dot leads it, is kept whole).
QString stem(const QString& fileName);
// The last suffix with its dot (".pdf"); empty when stem() keeps the name whole.
QString extension(const QString& fileName);

// name(n).ext in the folder of path; a name without extension gets name(n).
QString numbered(const QString& path, int n);
// The first numbered(path, n), n = 1, 2 ..., that names no existing file and
// no path of `claimed` (absolute paths).
QString freeNumbered(const QString& path, const QSet<QString>& claimed = {});

// The path with text inserted before the file name's extension:
// /a/report.pdf + " Page 3" gives /a/report Page 3.pdf; dots in folder names
// never count.
QString withSuffix(const QString& path, const QString& suffix);
// The path with the file name's extension replaced (or added when it has
// none): /a/scan + "png" gives /a/scan.png.
QString withExtension(const QString& path, const QString& extension);

// Whether two file names are the same on this platform.
bool sameName(const QString& a, const QString& b);
// Whether two paths name the same file: the same absolute path, or the same
// file once links are followed.
bool sameFile(const QString& a, const QString& b);

} // namespace filenames
