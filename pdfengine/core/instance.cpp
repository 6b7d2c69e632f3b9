#include "core/instance.h"
#include "documents/pages.h"

#include <poppler-global.h>

#include <qpdf/QPDFLogger.hh>

#include <algorithm>
#include <mutex>

namespace fpe {

namespace {
void ignorePopplerCppMessage(const std::string&, void*) {}
} // namespace

void initialiseLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] {
        poppler::set_debug_error_function(ignorePopplerCppMessage, nullptr);
        // QPDF prints warnings about objects that belong to no document
        // through its default logger, whatever a document's own settings.
        auto logger = QPDFLogger::defaultLogger();
        logger->setInfo(logger->discard());
        logger->setWarn(logger->discard());
        logger->setError(logger->discard());
    });
}

Instance::Instance(int instanceId)
    : id(instanceId)
{
    addDocument(makeBlankDocument());
}

Instance::~Instance() = default;

std::unique_ptr<Document> Instance::makeBlankDocument()
{
    auto doc = std::make_unique<Document>(newId());
    doc->pdf = std::make_shared<QPDF>();
    configureQuietly(*doc->pdf);
    doc->pdf->emptyPDF();
    doc->pdf->addPage(newBlankPage(*doc->pdf, 612, 792), false);
    doc->modified = true;
    return doc;
}

Document* Instance::findDocument(int documentId)
{
    auto it = documentsById.find(documentId);
    return it == documentsById.end() ? nullptr : it->second;
}

Document& Instance::selectedDoc()
{
    if (Document* d = findDocument(selectedDocumentId))
        return *d;
    if (documents.empty())
        addDocument(makeBlankDocument());
    selectedDocumentId = documents.back()->id;
    return *documents.back();
}

Document& Instance::addDocument(std::unique_ptr<Document> doc)
{
    documents.push_back(std::move(doc));
    Document& added = *documents.back();
    documentsById[added.id] = &added;
    selectedDocumentId = added.id;
    return added;
}

void Instance::forgetDocument(int documentId)
{
    documentsById.erase(documentId);
    for (auto it = images.begin(); it != images.end();) {
        if (it->second.documentId == documentId)
            it = images.erase(it);
        else
            ++it;
    }
    for (auto it = imageLists.begin(); it != imageLists.end();) {
        if (it->second.documentId == documentId)
            it = imageLists.erase(it);
        else
            ++it;
    }
    if (images.find(selectedImageId) == images.end())
        selectedImageId = 0;
}

double Instance::toPoints(double value) const
{
    switch (units) {
    case folio::Millimetres: return value * 72.0 / 25.4;
    case folio::Inches: return value * 72.0;
    default: return value;
    }
}

double Instance::fromPoints(double points) const
{
    switch (units) {
    case folio::Millimetres: return points * 25.4 / 72.0;
    case folio::Inches: return points / 72.0;
    default: return points;
    }
}

QRectF Instance::displayRect(double left, double top, double width, double height, double pageHeightPts) const
{
    const double l = toPoints(left), t = toPoints(top), w = toPoints(width), h = toPoints(height);
    const double bottom = origin == folio::OriginTopLeft ? pageHeightPts - t - h : t - h;
    return QRectF(l, bottom, w, h);
}

double Instance::displayY(double y, double pageHeightPts) const
{
    const double p = toPoints(y);
    return origin == folio::OriginTopLeft ? pageHeightPts - p : p;
}

double Instance::topValue(double bottomPts, double heightPts, double pageHeightPts) const
{
    const double topEdge = bottomPts + heightPts;
    return fromPoints(origin == folio::OriginTopLeft ? pageHeightPts - topEdge : topEdge);
}

ImageEntry* Instance::selectedImage()
{
    auto it = images.find(selectedImageId);
    return it == images.end() ? nullptr : &it->second;
}

// --- image properties, shared by found and added images -----------------

int Instance::SelectImage(int ImageID)
{
    if (images.find(ImageID) == images.end())
        return 0;
    selectedImageId = ImageID;
    return 1;
}

int Instance::ImageWidth()
{
    const ImageEntry* e = selectedImage();
    return e ? e->width : 0;
}

int Instance::ImageHeight()
{
    const ImageEntry* e = selectedImage();
    return e ? e->height : 0;
}

int Instance::ImageType()
{
    const ImageEntry* e = selectedImage();
    return e ? e->type : folio::ImageUnknown;
}

int Instance::ImageHorizontalResolution()
{
    const ImageEntry* e = selectedImage();
    return e ? e->horizontalDpi : 0;
}

int Instance::ImageVerticalResolution()
{
    const ImageEntry* e = selectedImage();
    return e ? e->verticalDpi : 0;
}

int Instance::SetMeasurementUnits(int MeasurementUnits)
{
    if (MeasurementUnits < folio::Points || MeasurementUnits > folio::Inches)
        return 0;
    units = MeasurementUnits;
    return 1;
}

int Instance::SetOrigin(int Origin)
{
    if (Origin < folio::OriginBottomLeft || Origin > folio::OriginTopLeft)
        return 0;
    origin = Origin;
    return 1;
}

} // namespace fpe
