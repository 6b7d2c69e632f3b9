#pragma once

// An image the instance knows: found in a loaded document (FindImages,
// GetPageImageList) or read from a file (AddImageFromFile).

#include <qpdf/QPDFObjGen.hh>

#include <memory>

namespace fpe {

// Image types reported by ImageType().
enum ImageTypeCode {
    ImageTypeUnknown = 0,
    ImageTypeJpeg = 1,      // DCT data, written as the original JPEG bytes
    ImageTypePng = 2,       // any other image kind, written as PNG
    ImageTypeBmp = 3,       // read from a BMP file
    ImageTypeGif = 4,       // read from a GIF file
    ImageTypeTiff = 5,      // read from a TIFF file, or CCITT data in a document
    ImageTypeJpeg2000 = 6,  // JPX data in a document
    ImageTypeJbig2 = 7,     // JBIG2 data in a document
};

struct FileImage;  // drawing.h: an image read from a file, ready to embed

struct ImageEntry {
    int width = 0;   // pixels, as shown
    int height = 0;
    int type = ImageTypeUnknown;
    int horizontalDpi = 0;  // 0 when the file records none
    int verticalDpi = 0;

    // Found in a document: which document and which image object.
    int documentId = 0;
    QPDFObjGen objGen;

    // Read from a file.
    std::shared_ptr<FileImage> file;
};

} // namespace fpe
