#pragma once

// Image codecs other than DCT (jpeg.h): each gives PDF samples, or pixels for
// JPEG 2000, whose data says what its components are.

#include "images/colorspaces.h"

#include <qpdf/QPDFObjectHandle.hh>

#include <QImage>

#include <string>

namespace fpe {

// CCITT fax data, as PDF samples (0 black unless BlackIs1).
bool decodeCcitt(const std::string& data, QPDFObjectHandle parms, int width, int height, Samples& s);
// JBIG2 data with its global segments, as PDF samples (0 black).
bool decodeJbig2(const std::string& data, const std::string& globals, int width, int height, Samples& s);
// JPEG 2000 data; the PDF's colour space, when the dictionary gives one,
// says what the components mean, otherwise the data's own does.
QImage decodeJpx(const std::string& data, QPDFObjectHandle dict);

} // namespace fpe
