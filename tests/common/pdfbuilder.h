#pragma once

// Builds test PDFs object by object with QPDF, so that a test can choose how
// each stream is stored (unfiltered, weak filters, Flate, JPEG) and which
// fonts are embedded and how they are encoded. Every page shares one resource
// dictionary holding all fonts and images made so far.

#include <QByteArray>
#include <QImage>
#include <QString>

#include <memory>
#include <string>
#include <vector>

class QPDF;

namespace pdfbuild {

enum class Filter { None, Flate, FastFlate, LZW, ASCIIHex, ASCII85, RunLength, DCT };

// The stream data encoded with that filter (DCT is not a byte filter: use image()).
QByteArray encode(const QByteArray& data, Filter filter);

class Builder
{
public:
    Builder();
    ~Builder();
    Builder(const Builder&) = delete;
    Builder& operator=(const Builder&) = delete;

    // An unembedded standard font; returns its resource name ("/F1").
    std::string standardFont(const std::string& baseFont);

    // A simple TrueType font embedded whole from a .ttf file under the name
    // baseFont. With winAnsi it is WinAnsi-encoded and non-symbolic; without,
    // it has no /Encoding and is flagged symbolic (codes are glyph numbers).
    // The font program is stored with fontFilter.
    std::string trueTypeFont(const QString& ttfFile, const std::string& baseFont, Filter fontFilter = Filter::None,
                             bool winAnsi = true);

    // A Type 1 font embedded from a .t1 file (clear text, binary eexec part,
    // trailer) under the name baseFont, with that /Encoding (PDF syntax, or
    // empty for none: the program's own).
    std::string type1Font(const QString& t1File, const std::string& baseFont, const std::string& encoding);

    // An image XObject of the picture (RGB, 8 bits), stored with filter;
    // returns its resource name ("/Im1"). With several filters the first is
    // the outermost, as in the /Filter array; DCT can only be the last.
    std::string image(const QImage& picture, Filter filter);
    std::string image(const QImage& picture, const std::vector<Filter>& filters);

    // Puts these bytes, said to be encoded with filter ("/FlateDecode"), in
    // place of the named image's data: for damaged streams.
    bool replaceImageData(const std::string& name, const QByteArray& data, const std::string& filter);

    // A form XObject of width x height points drawing content (which may use
    // every resource made so far), stored with filter; returns its name ("/Fm1").
    std::string form(const QByteArray& content, Filter filter, double width, double height);

    // A page of width x height points with these content operators, stored with filter.
    void addPage(const QByteArray& content, Filter contentFilter = Filter::None, double width = 612,
                 double height = 792);

    // Writes the file keeping every stream exactly as made.
    bool write(const QString& path);

    QPDF& pdf();

    // Operators that show Latin-1 text with a font at (x, y).
    static QByteArray text(const std::string& font, double size, double x, double y, const QByteArray& latin1);

private:
    struct Data;
    std::unique_ptr<Data> d;
};

} // namespace pdfbuild
