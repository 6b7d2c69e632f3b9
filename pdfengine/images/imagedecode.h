#pragma once

// Image XObjects turned into image files: DCT data as the original JPEG
// bytes when an image reader shows those bytes as the page does, every other
// kind decoded (Flate, LZW, RunLength, CCITT through libtiff, JBIG2 through
// jbig2dec, JPEG 2000 through OpenJPEG; gray, RGB, CMYK, Lab, indexed and
// ink colour spaces; 1 to 16 bits per component; /Decode arrays) into a
// QImage to be written as PNG.
//
// Approximations: ICC-based colours use their component count (an RGB
// profile is kept with the image); Separation and DeviceN inks are shown by
// their process colours where named (Cyan, Magenta, Yellow, Black) and as
// darkness otherwise; soft masks are not applied.

#include <qpdf/QPDFObjectHandle.hh>

#include <QByteArray>
#include <QImage>

#include <vector>

namespace fpe {

// The ImageType code (images.h) of an image XObject, by how its data is
// compressed: 1 DCT (saved as the original JPEG bytes, or decoded to PNG when
// a reader would show those bytes otherwise than the page does), 5 CCITT,
// 6 JPEG 2000, 7 JBIG2, 2 anything else; all but 1 are saved as PNG.
int imageTypeOf(QPDFObjectHandle image);

struct ImageFileData {
    QByteArray jpeg;  // original JPEG data, to be written as it is
    QImage image;     // decoded pixels, to be written as PNG
    bool isNull() const { return jpeg.isEmpty() && image.isNull(); }
};

// Values of image dictionaries. A whole number from a PDF value, reals
// rounded; fallback when it is no number or too large to be a count of
// anything.
int intValue(QPDFObjectHandle o, int fallback);
bool boolValue(QPDFObjectHandle o, bool fallback);
// The entry of a dictionary; null when dict is none.
QPDFObjectHandle entryOf(QPDFObjectHandle dict, const char* name);
// The numbers of an array; empty when it is none or holds anything else.
std::vector<double> numbers(QPDFObjectHandle array);
// A string's bytes, or a stream's decoded data.
QByteArray bytesOf(QPDFObjectHandle o);

// Never throws; null when the image cannot be decoded.
ImageFileData imageFileData(QPDFObjectHandle image);

} // namespace fpe
