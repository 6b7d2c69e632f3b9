#pragma once

// Rendering and text read Poppler's views of each document: the document as
// edited so far. While a document is unchanged and the file it came from
// still holds the bytes it was loaded from, Poppler reads that file (much
// faster for big files); otherwise it reads the document's serialized
// snapshot. Text reads it through poppler-cpp, rendering through Poppler's
// rasterizer (rasterizer.h); each view is opened when first needed and
// rebuilt only after a change.

#include <QByteArray>
#include <QtGlobal>

#include <memory>

namespace poppler {
class document;
}

namespace fpe {

struct Document;
class RasterDocument;
class TextReader;

struct RenderCache {
    ~RenderCache();

    quint64 revision = 0;
    bool fromSource = false;  // a view reads the source file
    // The snapshot the views read in place: declared before them so that it
    // outlives them.
    std::shared_ptr<const QByteArray> data;
    bool textOpened = false, pagesOpened = false;  // tried, whether or not it worked
    std::unique_ptr<poppler::document> text;
    std::unique_ptr<RasterDocument> pages;
    // Text read page after page (text/text.cpp): the page and option asked
    // for last, and the reader of the pages ahead. Declared last, so that
    // its thread has stopped before anything else goes.
    int lastTextPage = 0;
    int lastTextOption = -1;
    std::shared_ptr<TextReader> textReader;
};

// poppler-cpp's view of the document as edited so far, for text; null when
// Poppler cannot read it.
poppler::document* popplerDocument(Document& doc);

// The same for rendering.
RasterDocument* rasterDocument(Document& doc);

// A render that would produce more pixels than this is refused.
constexpr double maxRenderPixels = 400e6;

} // namespace fpe
