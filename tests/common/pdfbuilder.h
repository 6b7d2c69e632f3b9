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

    // An image XObject of the picture (RGB, 8 bits), stored with filter;
    // returns its resource name ("/Im1").
    std::string image(const QImage& picture, Filter filter);

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
