#pragma once

// Decoded pixels on their way into an image XObject, shared by the image
// file readers (imagefiles.cpp, tiffimage.cpp).

#include "images/drawing.h"

#include <QByteArray>

#include <cstdint>
#include <string>
#include <vector>

namespace fpe {

// Above this many bytes of decoded samples an image is refused: a small file
// may claim to hold a gigantic picture.
constexpr size_t kMaxDecodedBytes = size_t(1) << 30;

struct Raster {
    int width = 0;
    int height = 0;
    int bitsPerComponent = 8;     // 1, 2, 4, 8 or 16 (16-bit samples big-endian)
    int colors = 1;               // samples per pixel: 1 gray/indexed, 3 RGB, 4 CMYK
    std::string colorSpace = "/DeviceGray";
    std::string palette;          // RGB triples: the image is /Indexed
    std::vector<double> decode;
    std::vector<int> colorKey;
    std::vector<uint8_t> pixels;  // rows byte-aligned, rowBytes() each

    int alphaBits = 0;            // 0: opaque; 8 or 16: alpha holds one sample a pixel
    std::vector<uint8_t> alpha;

    size_t rowBytes() const { return (size_t(width) * colors * bitsPerComponent + 7) / 8; }
};

// Bytes of width x height x channels samples at bits each, or 0 when that
// exceeds kMaxDecodedBytes or the sizes are not positive.
size_t decodedSize(long long width, long long height, int channels, int bits);

// The PNG filter (0 none, 1 sub, 2 up, 3 average, 4 Paeth) that leaves the
// smallest residuals for a row of n bytes (bpp bytes a pixel), written after
// its type byte into line (n + 1 bytes); prev is the row above, zeros for
// the first. scratch holds n bytes.
void pngFilterRow(const uint8_t* cur, const uint8_t* prev, size_t n, size_t bpp, uint8_t* line,
                  std::vector<uint8_t>& scratch);

// Flate-compresses samples, with PNG row predictors where they help.
ImageStream encodeSamples(int width, int height, int colors, int bits, const uint8_t* rows, size_t rowBytes);

// Fills image (and its soft mask) from a raster; returns false when it is
// not consistent.
bool storeRaster(Raster& raster, FileImage& image);

// 8-bit RGBA pixels (row after row, R G B A) as the smallest lossless raster:
// gray when every pixel is gray, indexed when there are at most 256 colours,
// alpha only when some pixel is not opaque.
Raster rasterFromRgba(int width, int height, const uint8_t* rgba);

// Whether an ICC profile is sound enough to embed for a colour space of n
// components.
bool usableIccProfile(const QByteArray& profile, int components);

bool readTiffImage(const QByteArray& bytes, FileImage& image);

} // namespace fpe
