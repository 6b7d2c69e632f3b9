#pragma once

// Test inputs built with QPDF (pages of known size, rotation, text, links,
// form fields, bookmarks, XMP), protected with the qpdf tool, or damaged on
// purpose; and QPDF-side readers of what the engine wrote.

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <QRectF>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace fixtures {

struct PageSpec {
    QRectF mediaBox{0, 0, 612, 792};  // x, y = lower-left corner
    int rotate = 0;
    QRectF cropBox;                   // none when null
    QString text;                     // shown at the top left; "Page n" when empty
};

// A document of the given pages, each showing its text in Helvetica.
std::shared_ptr<QPDF> makePdf(const std::vector<PageSpec>& pages);
// n US Letter pages showing "<label> page 1" .. "<label> page n".
std::shared_ptr<QPDF> makeNumberedPdf(int n, const QString& label = QStringLiteral("Doc"));
// Writes with QPDF; false on failure.
bool writePdf(QPDF& pdf, const QString& path);
bool writeNumberedPdf(const QString& path, int n, const QString& label = QStringLiteral("Doc"));

// A link annotation on page `from` (1-based) whose destination is page `to`,
// as an explicit destination, or as a named one (a /Dests name) when name is
// given.
void addLink(QPDF& pdf, int from, int to, const QString& name = QString());
// A text field named `name` with value `value` on page `page` (1-based).
void addTextField(QPDF& pdf, int page, const QString& name, const QString& value);
// Bookmarks from (depth, title) pairs in depth-first order; depth 0 is top
// level. Bookmark i points at page (i mod page count) + 1.
void addOutlines(QPDF& pdf, const std::vector<std::pair<int, QString>>& items);
// An XMP metadata stream holding the given RDF description properties.
void addXmp(QPDF& pdf, const QString& descriptionXml);

// qpdf --encrypt with the given key length (40, 128, 256). For 128, aes
// chooses AES-128 over RC4.
bool encrypt(const QString& in, const QString& out, const QString& userPassword, const QString& ownerPassword,
             int keyLength, bool aes = true);

// Bookmarks of a file as "depth:title" lines in depth-first order, read with
// QPDF's outline helper; {"error"} when the file cannot be read.
QStringList outlineTitles(const QString& path);
// What is wrong with the links of a file's bookmark tree (/First, /Last,
// /Next, /Prev, /Parent, /Count), read with QPDF; empty when nothing is.
QString outlineProblems(const QString& path);
// The page (1-based) and /XYZ top of each bookmark's destination, in
// depth-first order: "title@page:top".
QStringList outlineDestinations(const QString& path);
// Pages (1-based) the link annotations on each page point to, read with
// QPDF: "from->to" for each link, "from->?" for one that goes nowhere.
QStringList linkTargets(const QString& path);
// Fully qualified names and values of the form fields, "name=value".
QStringList formFields(const QString& path);
// Whether any stream of the file is stored without a filter, not counting
// the XMP metadata and empty streams.
bool hasUncompressedStreams(const QString& path);

} // namespace fixtures
