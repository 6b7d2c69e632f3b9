#pragma once

// One engine instance: its documents (one selected), its units and origin,
// the images it knows, and the state of each concern. Every operation of
// engine/operations.table is a method of this class; the methods live in the
// source file of their concern (documents, pages, outlines, render, text,
// found images, drawing, fonts, captures, compression, printing).

#include "documents/document.h"
#include "images/images.h"
#include "folioconstants.h"

#include <QString>
#include <QRectF>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace fpe {

struct FontState;     // text/fonts.h: fonts, text size and colour, HTML settings
struct CaptureState;  // documents/capture.h: captured pages
struct PrintState;    // printing/printing.h: custom printers and print options
class Rasterizer;     // render/rasterizer.h: the device that draws pages, kept between renders

// Called once before the first instance is made: silences library chatter.
void initialiseLibrary();

class Instance
{
public:
    explicit Instance(int id);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

#include "fpe_instance_ops.inc"

    const int id;

    // Ids of every kind (documents, outlines, images, fonts, captures, lists,
    // print options) come from one counter: positive and never reused.
    int newId() { return ++lastId; }

    // --- documents ---------------------------------------------------------
    // Oldest first. Never empty: removing the last one makes a fresh one.
    std::vector<std::unique_ptr<Document>> documents;
    int selectedDocumentId = 0;
    // By id, without a search: every operation finds its document.
    Document* findDocument(int documentId);
    Document& selectedDoc();
    // Appends the document and selects it.
    Document& addDocument(std::unique_ptr<Document> doc);
    // A new one-blank-page document (612 x 792 pt), not yet added.
    std::unique_ptr<Document> makeBlankDocument();
    // Drops everything that belongs to the document (images found in it,
    // image lists); the concerns' caches live in the document.
    void forgetDocument(int documentId);
    // Why the last LoadFromFile failed, for callers that tell the user.
    int lastLoadError = folio::LoadSucceeded;

    // --- units and origin -------------------------------------------------
    int units = folio::Points;
    int origin = folio::OriginBottomLeft;  // top-left measures Top downward
    double toPoints(double value) const;
    double fromPoints(double points) const;
    // A rectangle given as (left, top, width, height) in current units and
    // origin on a displayed page of the given height in points, as a
    // rectangle in displayed points with y up (x, y = bottom-left corner).
    QRectF displayRect(double left, double top, double width, double height, double pageHeightPts) const;
    // A y coordinate (current units and origin) as displayed points, y up.
    double displayY(double y, double pageHeightPts) const;
    // The top edge of a displayed rectangle (points, y up) in current units and origin.
    double topValue(double bottomPts, double heightPts, double pageHeightPts) const;

    // --- images (found in documents or added from files) -----------------
    std::map<int, ImageEntry> images;
    // GetPageImageList's lists: the images a page draws, in order (0 for an
    // inline image), kept while their document is.
    struct ImageList {
        int documentId = 0;
        std::vector<int> images;
    };
    std::unordered_map<int, ImageList> imageLists;
    int selectedImageId = 0;
    ImageEntry* selectedImage();
    // The registry id of an image XObject of the document, made on first sight.
    int registerFoundImage(Document& doc, QPDFObjectHandle image);

    // --- other concerns ----------------------------------------------------
    std::shared_ptr<FontState> fonts;
    std::shared_ptr<CaptureState> captures;
    std::shared_ptr<PrintState> print;
    std::shared_ptr<Rasterizer> rasterizer;

    // --- results -------------------------------------------------------
    std::u16string textResult;
    std::string ansiResult;
    std::map<void*, std::unique_ptr<std::string>> buffers;
    QString lastError;  // what the last failing operation threw, for diagnostics

private:
    int lastId = 0;
    std::unordered_map<int, Document*> documentsById;
};

} // namespace fpe
