#pragma once

// Running programs, files, and reading results with independent tools: qpdf,
// pdfinfo, pdftotext, pdffonts, pdfimages. Every helper of tests/common/ but
// the printing ones (cupstest) lives in this namespace: PDFs are built with
// pdfbuild.h and read with QPDF through pdfread.h, pages rendered and looked
// at with pixels.h, image files made with imagefixtures.h; clisupport.h,
// cupssupport.h and shellsupport.h serve the command-line, printing and
// window tests.

#include <QImage>
#include <QList>
#include <QMap>
#include <QPair>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <functional>

class PdfEngine;
class QTemporaryDir;

namespace testsupport {

// Directory of the built program and engine library.
QString binDir();

// Runs a program; returns its exit code (-1 when it could not run or crashed).
// Standard output and error go to the optional strings.
int run(const QString& program, const QStringList& args, QString* out = nullptr, QString* err = nullptr);

QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);
// A PDF (built with QPDF) of a US Letter page for each text, in 36 pt Helvetica.
bool writeTextPdf(const QString& path, const QStringList& pageTexts);

// qpdf --check passes (exit 0 or 3: warnings only).
bool qpdfCheck(const QString& path, QString* report = nullptr);
// Number of pages as qpdf counts them, -1 on failure.
int qpdfPageCount(const QString& path, const QString& password = QString());

// pdfinfo's key/value lines ("Pages", "Author", with extra arguments also
// "Page 1 CropBox", ...), keys with single blanks; empty on failure.
QMap<QString, QString> pdfInfo(const QString& path, const QString& password = QString(),
                               const QStringList& extraArgs = {});

// pdftotext of the whole file or one page (page > 0).
QString pdfText(const QString& path, int page = 0, const QStringList& extraArgs = {});
// The text of every page, white space squeezed.
QStringList pageTexts(const QString& path);
// "rotation: crop box" of every page as pdfinfo -box gives them:
// "90: 0.00 36.00 612.00 792.00".
QStringList pageBoxes(const QString& path, const QString& password = QString());
// The words of one page (from 1) with their boxes in points from the top
// left of the page as shown, as pdftotext -bbox gives them.
QList<QPair<QString, QRectF>> wordBoxes(const QString& path, int page);
// Text with every run of white space made one blank, trimmed; and without any.
QString squeezed(const QString& text);
QString solid(const QString& text);

// A row of pdffonts.
struct FontRow {
    QString name, type, encoding;
    bool embedded = false, subset = false, unicode = false;
};
QList<FontRow> pdfFonts(const QString& pdf, const QStringList& extraArgs = {});

// A row of pdfimages -list.
struct ListedImage {
    int page = 0;
    QString type;  // "image", "smask", ...
    int width = 0, height = 0;
    QString color;  // "gray", "rgb", "cmyk", "index"
    int bpc = 0;
    QString encoding;  // "jpeg", "image", ...
    int object = 0;
    int xPpi = 0, yPpi = 0;  // pixels per inch as drawn on the page
};
QList<ListedImage> listImages(const QString& pdf);
// Every image of a PDF as pdfimages -png writes it, in list order.
QList<QImage> extractImages(const QString& pdf);

// Saves the engine's selected document: the file when it was written and
// qpdf --check passes, "" otherwise.
QString saveChecked(PdfEngine& engine, const QString& file);
// Makes the file the engine's only document; false when it does not load.
bool loadOnly(PdfEngine& engine, const QString& file, const QString& password = QString());

// What this process wrote to its standard error while the work ran (libraries
// that print to it directly included).
QString stderrDuring(const std::function<void()>& work);

// With FOLIO_KEEP_TEST_FILES set, a test's folder stays, for a look.
void keepWhenAsked(QTemporaryDir& dir);

// The folder `name` of dir, made anew and empty.
QString emptyFolder(const QTemporaryDir& dir, const QString& name);
// Makes a folder of dir this process's temporary folder (TMPDIR), so that a
// test sees whatever the code under test leaves there; returns it.
QString ownTemporaryFolder(const QTemporaryDir& dir);
// The names of a folder's files, hidden ones too, sorted.
QStringList filesIn(const QString& folder);
// The paths of these names in dir.
QStringList pathsIn(const QTemporaryDir& dir, const QStringList& names);
// prefix1 .. prefixN: the texts of numbered pages.
QStringList numberedTexts(const QString& prefix, int n);

} // namespace testsupport
