#pragma once

// Test PDFs built with QPDF: pages of chosen boxes, rotation and content;
// links, form fields, bookmarks and XMP added to them; files protected with
// the qpdf tool; and a builder that stores every stream exactly as the test
// chooses (filters, embedded fonts, images, forms, annotations).

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <utility>
#include <vector>

class QPDF;

namespace testsupport {

struct PageLayout {
    QRectF mediaBox{0, 0, 612, 792};  // x, y = lower-left corner
    int rotate = 0;
    QRectF cropBox;      // none when null
    QString text;        // near the top left, in 36 pt Helvetica (/F1)
    QByteArray content;  // operators drawn after it; may use /F1
};

std::shared_ptr<QPDF> makePdf(const std::vector<PageLayout>& pages);
// n pages showing "<label> page 1" .. "<label> page n".
std::shared_ptr<QPDF> makeNumberedPdf(int n, const QString& label = "Doc");
// Written with QPDF: streams compressed as QPDF does, or kept exactly as made.
bool writePdf(QPDF& pdf, const QString& path, bool asMade = false);
bool writePdf(const QString& path, const std::vector<PageLayout>& pages);
bool writeNumberedPdf(const QString& path, int n, const QString& label = "Doc");
// writeTextPdf (testsupport.h) writes a page for each text.
// A page for each text in any script (Cyrillic, Japanese ...), written by Qt's
// own PDF writer with fonts found by fontconfig, the text wrapped on A4.
bool writeUnicodePdf(const QString& path, const QStringList& pageTexts);

// A link annotation on page `from` to page `to` (1-based), an explicit
// destination, or a named one (/Dests) when name is given.
void addLink(QPDF& pdf, int from, int to, const QString& name = QString());
void addTextField(QPDF& pdf, int page, const QString& name, const QString& value);
// Bookmarks from (depth, title) pairs in depth-first order, all open;
// bookmark i points at page (i mod page count) + 1.
using Outline = std::vector<std::pair<int, QString>>;
void addOutlines(QPDF& pdf, const Outline& items);
bool addOutlines(const QString& path, const Outline& items);  // to a file, in place
// An XMP metadata stream holding these RDF descriptions.
void addXmp(QPDF& pdf, const QString& descriptionXml);

// qpdf --encrypt with that key length; 40, and 128 without aes, are RC4.
bool encrypt(const QString& in, const QString& out, const QString& user, const QString& owner, int bits = 256,
             bool aes = true);

enum class Filter { None, Flate, FastFlate, LZW, ASCIIHex, RunLength, DCT };
// Stream data encoded with that filter (DCT only through Builder::image).
QByteArray encode(const QByteArray& data, Filter filter);

// Builds a PDF object by object. Every page shares one resource dictionary
// holding the fonts, images and forms made so far.
class Builder
{
public:
    Builder();
    ~Builder();
    QPDF& pdf();

    // An unembedded standard font; returns its resource name ("/F1").
    std::string standardFont(const std::string& baseFont);
    // A simple TrueType font embedded whole under baseFont, its program
    // stored with filter: WinAnsi-encoded, or without /Encoding and symbolic.
    std::string trueTypeFont(const QString& ttf, const std::string& baseFont, Filter filter = Filter::None,
                             bool winAnsi = true);
    // A Type 1 font (.t1) embedded under baseFont with that /Encoding (none when empty).
    std::string type1Font(const QString& t1, const std::string& baseFont, const std::string& encoding);
    // An RGB image; with several filters the first is the outermost, DCT only last.
    std::string image(const QImage& picture, const std::vector<Filter>& filters);
    // An image of these dictionary entries (PDF syntax) and stored data.
    std::string image(const QByteArray& dict, const QByteArray& data, const QByteArray& jbig2Globals = QByteArray());
    // A form XObject that may use every resource made before it.
    std::string form(const QByteArray& content, Filter filter = Filter::None, double width = 612, double height = 792);
    // A page with these operators; with stamp, an annotation whose appearance is that form.
    void addPage(const QByteArray& content, Filter filter = Filter::None, double width = 612, double height = 792,
                 const std::string& stamp = std::string());
    bool write(const QString& path);  // every stream as made

    // Operators that show Latin-1 text, and that draw an XObject into a rectangle.
    static QByteArray text(const std::string& font, double size, double x, double y, const QByteArray& latin1);
    static QByteArray draw(const std::string& xobject, double x, double y, double width, double height);

private:
    struct Data;
    std::unique_ptr<Data> d;
};

} // namespace testsupport
