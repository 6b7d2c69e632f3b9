#pragma once

// Shared helpers of the test suites: building real PDF inputs and reading
// results back with independent tools (qpdf, poppler-utils).

#include <QMap>
#include <QSizeF>
#include <QString>
#include <QStringList>

namespace testsupport {

// Directory of the built program and engine library.
QString binDir();

// Writes a PDF with one page per entry of texts (each page shows its text in
// large letters), through QPdfWriter. Returns false when writing failed.
bool writeTextPdf(const QString& path, const QStringList& pageTexts,
                  const QSizeF& pageSizePoints = QSizeF(612, 792));

// Runs a program; returns its exit code (-1 when it could not run). Standard
// output and error go to the optional strings.
int run(const QString& program, const QStringList& args, QString* out = nullptr,
        QString* err = nullptr, int timeoutMs = 120000);

// qpdf --check passes (exit 0 or 3: warnings only).
bool qpdfCheck(const QString& path, QString* report = nullptr);

// pdfinfo's key/value lines ("Pages", "Author", ...); empty on failure.
QMap<QString, QString> pdfInfo(const QString& path, const QString& password = QString());

// pdftotext of the whole file or one page (page > 0) to a string.
QString pdfText(const QString& path, int page = 0, const QStringList& extraArgs = {});

// Number of pages as qpdf counts them, -1 on failure.
int qpdfPageCount(const QString& path, const QString& password = QString());

} // namespace testsupport
