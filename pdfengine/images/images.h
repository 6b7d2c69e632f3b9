#pragma once

// An image the instance knows: found in a loaded document (FindImages,
// GetPageImageList) or read from a file (AddImageFromFile).

#include "folioconstants.h"

#include <qpdf/QPDFObjGen.hh>

#include <memory>

namespace fpe {

struct FileImage;  // drawing.h: an image read from a file, ready to embed

struct ImageEntry {
    int width = 0;   // pixels, as shown
    int height = 0;
    int type = folio::ImageUnknown;  // reported by ImageType()
    int horizontalDpi = 0;  // 0 when the file records none
    int verticalDpi = 0;

    // Found in a document: which document and which image object.
    int documentId = 0;
    QPDFObjGen objGen;

    // Read from a file.
    std::shared_ptr<FileImage> file;
};

} // namespace fpe
