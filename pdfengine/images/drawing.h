#pragma once

// Images read from files, ready to become image XObjects. A file is read and
// checked completely when it is added; what the PDF needs is kept encoded:
// JPEG data as the file's own bytes (DCTDecode), everything else losslessly
// Flate-compressed at its own bit depth.

#include "documents/document.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace fpe {

// One image XObject's data and the dictionary entries that describe it.
struct ImageStream {
    int width = 0;  // pixels as stored
    int height = 0;
    int bitsPerComponent = 8;
    std::string colorSpace;       // "/DeviceGray", "/DeviceRGB" or "/DeviceCMYK"
    std::string palette;          // not empty: /Indexed over colorSpace with these entries
    std::vector<double> decode;   // /Decode; empty for the default
    std::vector<int> colorKey;    // /Mask colour ranges; empty for none
    std::string filter;           // "/DCTDecode" or "/FlateDecode"
    int predictorColors = 0;      // > 0: rows carry PNG predictor bytes (/Predictor 15)
    std::shared_ptr<Buffer> iccProfile;  // /ICCBased profile for colorSpace, may be null

    // The encoded data. Until its first embedding the image holds it; after
    // that the documents that embed it do (they share the buffer), so the
    // memory goes with the last of them. Drawing it again after that reads
    // the file again.
    std::shared_ptr<Buffer> data;
    std::weak_ptr<Buffer> shared;
    std::shared_ptr<Buffer> acquire() const { return data ? data : shared.lock(); }
};

struct FileImage {
    QString path;
    FileIdentity identity;  // the file as it was read
    int type = 0;           // folio::ImageType
    int orientation = 1;    // EXIF/TIFF orientation 1..8: how the stored pixels are shown
    int horizontalDpi = 0;  // as stored; 0 when the file records none
    int verticalDpi = 0;

    ImageStream image;
    bool hasSoftMask = false;
    ImageStream softMask;   // alpha, DeviceGray

    bool transposed() const { return orientation >= 5 && orientation <= 8; }
    int shownWidth() const { return transposed() ? image.height : image.width; }
    int shownHeight() const { return transposed() ? image.width : image.height; }
};

// Reads an image file (JPEG, PNG, BMP, GIF, TIFF's first page; recognised by
// content, not by name). Returns null for anything it cannot read completely.
std::shared_ptr<FileImage> readImageFile(const QString& path);

// The image XObject for a file image in this document, made on first use and
// reused after that (Document::embeddedImages). Null when the image's data is
// gone and its file no longer holds the same image.
QPDFObjectHandle embedFileImage(Document& doc, FileImage& image);

} // namespace fpe
