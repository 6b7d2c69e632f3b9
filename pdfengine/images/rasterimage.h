#pragma once

// Decoded pixels on their way into an image XObject, shared by the image
// file readers, one source file per format: jpeg.cpp, png.cpp, gif.cpp,
// bmp.cpp, tiff.cpp.

#include "images/drawing.h"

#include <QByteArray>

#include <cstdint>
#include <memory>
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

// Byte order in file headers.
inline int be16(const uint8_t* p) { return (p[0] << 8) | p[1]; }
inline int le16(const uint8_t* p) { return p[0] | (p[1] << 8); }
inline uint32_t be32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]; }
inline uint32_t le32(const uint8_t* p) { return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

std::shared_ptr<Buffer> makeBuffer(const void* data, size_t size);

// Dots per inch from dots per metre, or from a value per inch (unit 1) or
// per centimetre (unit 2); 0 for none or nonsense.
int dpiFromPerMetre(double perMetre);
int dpiFrom(double value, int unit);

// An indexed raster from one-byte indices and an RGB palette, its samples as
// few bits as the palette's entries need.
Raster indexedRaster(int width, int height, const uint8_t* indices, std::string palette);

// Gives the image the profile when usableIccProfile accepts it.
void attachIccProfile(ImageStream& s, const QByteArray& profile, int components);

// One reader per format; false for anything a reader cannot read completely.
bool readJpegImage(const QByteArray& bytes, FileImage& image);
bool readPngImage(const QByteArray& bytes, FileImage& image);
bool readGifImage(const QByteArray& bytes, FileImage& image);
bool readBmpImage(const QByteArray& bytes, FileImage& image);
bool readTiffImage(const QByteArray& bytes, FileImage& image);

} // namespace fpe
