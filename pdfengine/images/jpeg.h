#pragma once

// JPEG data as its markers lay it out: the frame header and the application
// segments the engine reads, found by one walk over the markers; and JPEG
// data decoded to samples. (JPEG files: rasterimage.h.)

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace fpe {

struct JpegLayout {
    int frameMarker = -1;  // the SOFn marker; -1 when no frame header was found
    int precision = 0;
    int width = 0;
    int height = 0;
    int components = 0;

    bool adobe = false;    // an Adobe segment: CMYK data stored inverted
    int jfifUnits = 0;     // JFIF density: 1 per inch, 2 per centimetre
    int jfifX = 0, jfifY = 0;
    const uint8_t* exif = nullptr;  // the first Exif segment's TIFF structure, in the data
    size_t exifSize = 0;
    std::map<int, QByteArray> iccChunks;  // ICC profile chunks by sequence number
    int iccCount = 0;                     // chunks the profile says it has

    size_t end = 0;         // just past the end-of-image marker; 0 when not reached
    bool wellFormed = false;  // every segment whole and in order up to where the walk stopped
};

// Walks JPEG data from its start-of-image marker. With wholeImage, through
// the entropy-coded scans to the end-of-image marker; otherwise it stops at
// the first scan, which is enough for the frame header. Damaged data ends the
// walk where it is met, keeping what was found before.
JpegLayout jpegLayout(const uint8_t* data, size_t size, bool wholeImage);

struct Samples;  // colorspaces.h

// JPEG data decoded by libjpeg to raw samples: CMYK stays as stored (YCCK
// becomes CMYK), YCbCr becomes RGB. Rows the data does not reach stay 0;
// false when not even one row could be decoded.
bool decodeJpeg(const std::string& jpeg, const JpegLayout& info, Samples& s);

} // namespace fpe
