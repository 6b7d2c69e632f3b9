#pragma once

// Rendering and text read one Poppler view of each document: the document as
// edited so far. While a document is unchanged and the file it came from
// still holds the bytes it was loaded from, Poppler reads that file (much
// faster for big files); otherwise it reads the document's serialized
// snapshot. The view is rebuilt only after a change.

#include <QByteArray>
#include <QtGlobal>

#include <memory>

namespace poppler {
class document;
}

namespace fpe {

struct Document;

struct RenderCache {
    ~RenderCache();

    quint64 revision = 0;
    bool fromSource = false;
    // The snapshot Poppler reads in place: declared before the document so
    // that it outlives it.
    std::shared_ptr<const QByteArray> data;
    std::unique_ptr<poppler::document> poppler;
};

// Poppler's view of the document as edited so far; null when Poppler cannot
// read it.
poppler::document* popplerDocument(Document& doc);

// A render that would produce more pixels than this is refused.
constexpr double maxRenderPixels = 400e6;

} // namespace fpe
