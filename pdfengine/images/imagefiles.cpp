// Reading image files into image XObject data: JPEG (kept as it is), PNG,
// GIF and BMP (decoded and stored losslessly). TIFF is in tiffimage.cpp.
// Nothing here prints: libpng's messages are dropped, and Qt reads only BMP,
// whose reader is silent.

#include "compression/deflate.h"
#include "images/images.h"
#include "images/jpeg.h"
#include "images/rasterimage.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <map>
#include <stdexcept>

namespace fpe {

namespace {

// --- small helpers -----------------------------------------------------------

int be16(const uint8_t* p) { return (p[0] << 8) | p[1]; }
int le16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t be32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]; }
uint32_t le32(const uint8_t* p) { return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

std::shared_ptr<Buffer> makeBuffer(const void* data, size_t size)
{
    auto buffer = std::make_shared<Buffer>(size);
    if (size)
        std::memcpy(buffer->getBuffer(), data, size);
    return buffer;
}

int dpiFromPerMetre(double perMetre)
{
    return perMetre > 0 ? static_cast<int>(std::lround(perMetre * 0.0254)) : 0;
}

int dpiFrom(double value, int unit)  // unit: 1 inch, 2 centimetre
{
    if (!(value > 0) || !std::isfinite(value) || value > 1e6)
        return 0;
    return static_cast<int>(std::lround(unit == 2 ? value * 2.54 : value));
}

// Packs one-byte palette indices into rows of bits-wide samples.
std::vector<uint8_t> packIndices(const uint8_t* indices, int width, int height, int bits)
{
    const size_t rowBytes = (size_t(width) * bits + 7) / 8;
    std::vector<uint8_t> out(rowBytes * size_t(height), 0);
    if (bits == 8) {
        std::memcpy(out.data(), indices, out.size());
        return out;
    }
    const int perByte = 8 / bits;
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = indices + size_t(y) * size_t(width);
        uint8_t* row = out.data() + size_t(y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            const int shift = 8 - bits * (x % perByte + 1);
            row[x / perByte] |= uint8_t(in[x] << shift);
        }
    }
    return out;
}

int bitsForEntries(size_t entries)
{
    return entries <= 2 ? 1 : entries <= 4 ? 2 : entries <= 16 ? 4 : 8;
}

// An indexed raster from one-byte indices and an RGB palette.
Raster indexedRaster(int width, int height, const uint8_t* indices, std::string palette)
{
    Raster r;
    r.width = width;
    r.height = height;
    r.colors = 1;
    r.colorSpace = "/DeviceRGB";
    if (palette.empty())
        palette.assign(3, '\0');
    r.palette = std::move(palette);
    r.bitsPerComponent = bitsForEntries(r.palette.size() / 3);
    r.pixels = packIndices(indices, width, height, r.bitsPerComponent);
    return r;
}

} // namespace

// --- shared raster machinery ---------------------------------------------------

size_t decodedSize(long long width, long long height, int channels, int bits)
{
    if (width <= 0 || height <= 0 || channels <= 0 || bits <= 0)
        return 0;
    const long double bytes = (static_cast<long double>(width) * channels * bits + 7) / 8 * height;
    if (bytes > static_cast<long double>(kMaxDecodedBytes))
        return 0;
    return static_cast<size_t>(bytes);
}

void pngFilterRow(const uint8_t* cur, const uint8_t* prev, size_t n, size_t bpp, uint8_t* line,
               std::vector<uint8_t>& scratch)
{
    uint64_t best = UINT64_MAX;
    auto consider = [&](uint8_t type, auto predict) {
        uint8_t* out = scratch.data();
        uint64_t cost = 0;
        for (size_t i = 0; i < n; ++i) {
            const uint8_t v = uint8_t(cur[i] - predict(i));
            out[i] = v;
            cost += v < 128 ? v : 256 - v;
        }
        if (cost < best) {
            best = cost;
            line[0] = type;
            std::memcpy(line + 1, out, n);
        }
    };
    consider(0, [](size_t) { return 0; });
    consider(1, [&](size_t i) { return i >= bpp ? cur[i - bpp] : 0; });
    consider(2, [&](size_t i) { return prev[i]; });
    consider(3, [&](size_t i) { return ((i >= bpp ? cur[i - bpp] : 0) + prev[i]) / 2; });
    consider(4, [&](size_t i) {
        const int a = i >= bpp ? cur[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
        const int p = a + b - c;
        const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        return (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
    });
}

ImageStream encodeSamples(int width, int height, int colors, int bits, const uint8_t* rows, size_t rowBytes)
{
    ImageStream s;
    s.width = width;
    s.height = height;
    s.bitsPerComponent = bits;
    s.filter = "/FlateDecode";

    // PNG predictors pay off for continuous-tone samples; palette indices and
    // packed bits compress better as they are.
    const bool predict = bits >= 8 && colors > 0;
    if (predict)
        s.predictorColors = colors;
    const size_t bpp = std::max<size_t>(1, size_t(std::max(colors, 1)) * size_t(bits) / 8);
    std::vector<uint8_t> line(predict ? rowBytes + 1 : 0), scratch(predict ? rowBytes : 0), zeros(predict ? rowBytes : 0);
    Deflater deflater(Deflate::Default);
    for (int y = 0; y < height; ++y) {
        const uint8_t* cur = rows + size_t(y) * rowBytes;
        const bool last = y + 1 == height;
        if (predict) {
            pngFilterRow(cur, y > 0 ? cur - rowBytes : zeros.data(), rowBytes, bpp, line.data(), scratch);
            deflater.add(line.data(), line.size(), last);
        } else {
            deflater.add(cur, rowBytes, last);
        }
    }
    const std::string deflated = deflater.take();
    s.data = makeBuffer(deflated.data(), deflated.size());
    return s;
}

bool storeRaster(Raster& r, FileImage& image)
{
    if (r.width <= 0 || r.height <= 0 || r.pixels.size() < r.rowBytes() * size_t(r.height))
        return false;
    const std::string palette = r.palette;
    image.image = encodeSamples(r.width, r.height, palette.empty() ? r.colors : 0, r.bitsPerComponent,
                                r.pixels.data(), r.rowBytes());
    image.image.colorSpace = r.colorSpace;
    image.image.palette = palette;
    image.image.decode = r.decode;
    image.image.colorKey = r.colorKey;
    std::vector<uint8_t>().swap(r.pixels);
    image.hasSoftMask = false;
    if (r.alphaBits) {
        const size_t alphaRow = size_t(r.width) * r.alphaBits / 8;
        if (r.alpha.size() < alphaRow * size_t(r.height))
            return false;
        image.softMask = encodeSamples(r.width, r.height, 1, r.alphaBits, r.alpha.data(), alphaRow);
        image.softMask.colorSpace = "/DeviceGray";
        image.hasSoftMask = true;
    }
    return true;
}

namespace {

// Up to 256 colours and their palette entries, by open addressing.
class SmallPalette
{
public:
    SmallPalette() { keys.fill(kEmpty); }

    // The colour's entry, added when it is new; -1 when that would make 257.
    int indexOf(uint32_t rgb)
    {
        if (rgb == lastKey)
            return lastIndex;
        size_t slot = (rgb * 2654435761u) >> 22;
        while (keys[slot] != rgb) {
            if (keys[slot] == kEmpty) {
                if (entries() == 256)
                    return -1;
                keys[slot] = rgb;
                values[slot] = uint8_t(entries());
                palette += char(rgb >> 16);
                palette += char(rgb >> 8);
                palette += char(rgb);
                break;
            }
            slot = (slot + 1) & (keys.size() - 1);
        }
        lastKey = rgb;
        lastIndex = values[slot];
        return lastIndex;
    }
    int entries() const { return static_cast<int>(palette.size() / 3); }

    std::string palette;

private:
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;  // colours use 24 bits
    std::array<uint32_t, 1024> keys;
    std::array<uint8_t, 1024> values{};
    uint32_t lastKey = kEmpty;
    int lastIndex = 0;
};

} // namespace

Raster rasterFromRgba(int width, int height, const uint8_t* rgba)
{
    const size_t count = size_t(width) * size_t(height);
    bool opaque = true, gray = true, indexed = true;
    SmallPalette colours;
    std::vector<uint8_t> indices(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = rgba + 4 * i;
        opaque = opaque && p[3] == 255;
        gray = gray && p[0] == p[1] && p[1] == p[2];
        if (indexed) {
            const int index = colours.indexOf((uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2]);
            if (index < 0) {
                indexed = false;
                std::vector<uint8_t>().swap(indices);
            } else {
                indices[i] = uint8_t(index);
            }
        }
    }

    Raster r;
    if (indexed && !(gray && colours.entries() > 16)) {
        r = indexedRaster(width, height, indices.data(), colours.palette);
    } else {
        r.width = width;
        r.height = height;
        r.colors = gray ? 1 : 3;
        r.colorSpace = gray ? "/DeviceGray" : "/DeviceRGB";
        r.pixels.resize(count * size_t(r.colors));
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* p = rgba + 4 * i;
            if (gray)
                r.pixels[i] = p[0];
            else
                std::memcpy(&r.pixels[3 * i], p, 3);
        }
    }
    if (!opaque) {
        r.alphaBits = 8;
        r.alpha.resize(count);
        for (size_t i = 0; i < count; ++i)
            r.alpha[i] = rgba[4 * i + 3];
    }
    return r;
}

bool usableIccProfile(const QByteArray& profile, int components)
{
    if (profile.size() < 132)
        return false;
    const auto* p = reinterpret_cast<const uint8_t*>(profile.constData());
    if (be32(p) != static_cast<uint32_t>(profile.size()) || std::memcmp(p + 36, "acsp", 4) != 0)
        return false;
    const char* space = reinterpret_cast<const char*>(p + 16);
    switch (components) {
    case 1: return std::memcmp(space, "GRAY", 4) == 0;
    case 3: return std::memcmp(space, "RGB ", 4) == 0;
    case 4: return std::memcmp(space, "CMYK", 4) == 0;
    default: return false;
    }
}

namespace {

void attachIccProfile(ImageStream& s, const QByteArray& profile, int components)
{
    if (usableIccProfile(profile, components))
        s.iccProfile = makeBuffer(profile.constData(), static_cast<size_t>(profile.size()));
}

// --- images Qt decodes (BMP) -----------------------------------------------------

bool storeQImage(QImage img, FileImage& image)
{
    if (img.isNull() || decodedSize(img.width(), img.height(), 4, 8) == 0)
        return false;
    Raster r;
    if (img.format() == QImage::Format_Mono || img.format() == QImage::Format_MonoLSB)
        img = img.convertToFormat(QImage::Format_Indexed8);
    const QVector<QRgb> table = img.colorTable();
    const bool paletteOpaque = std::all_of(table.begin(), table.end(), [](QRgb c) { return qAlpha(c) == 255; });
    if (img.format() == QImage::Format_Indexed8 && !table.isEmpty() && paletteOpaque) {
        std::string palette;
        for (QRgb c : table) {
            palette += char(qRed(c));
            palette += char(qGreen(c));
            palette += char(qBlue(c));
        }
        std::vector<uint8_t> indices(size_t(img.width()) * size_t(img.height()));
        for (int y = 0; y < img.height(); ++y) {
            const uchar* line = img.constScanLine(y);
            for (int x = 0; x < img.width(); ++x)
                indices[size_t(y) * size_t(img.width()) + size_t(x)] = std::min<int>(line[x], table.size() - 1);
        }
        r = indexedRaster(img.width(), img.height(), indices.data(), palette);
    } else {
        img = img.convertToFormat(QImage::Format_RGBA8888);
        if (img.isNull())
            return false;
        std::vector<uint8_t> rgba(size_t(img.width()) * size_t(img.height()) * 4);
        for (int y = 0; y < img.height(); ++y)
            std::memcpy(&rgba[size_t(y) * size_t(img.width()) * 4], img.constScanLine(y), size_t(img.width()) * 4);
        r = rasterFromRgba(img.width(), img.height(), rgba.data());
    }
    return storeRaster(r, image);
}

QImage decodeWithQt(const QByteArray& bytes, const char* format)
{
    QBuffer device;
    device.setData(bytes);
    device.open(QIODevice::ReadOnly);
    QImageReader reader(&device, format);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (size.isValid() && decodedSize(size.width(), size.height(), 4, 8) == 0)
        return QImage();
    QImage img;
    if (!reader.read(&img))
        return QImage();
    return img;
}

// --- JPEG --------------------------------------------------------------------

struct ExifInfo {
    int orientation = 1;
    double xResolution = 0, yResolution = 0;
    int unit = 2;  // 2 inch, 3 centimetre (EXIF's default is inch)
};

void parseExif(const uint8_t* p, size_t n, ExifInfo& info)
{
    if (n < 8)
        return;
    const bool little = p[0] == 'I' && p[1] == 'I';
    if (!little && !(p[0] == 'M' && p[1] == 'M'))
        return;
    auto u16 = [&](size_t at) -> int { return at + 2 <= n ? (little ? le16(p + at) : be16(p + at)) : 0; };
    auto u32 = [&](size_t at) -> uint32_t { return at + 4 <= n ? (little ? le32(p + at) : be32(p + at)) : 0; };
    if (u16(2) != 42)
        return;
    const size_t ifd = u32(4);
    if (ifd < 8 || ifd + 2 > n)
        return;
    const int entries = u16(ifd);
    for (int i = 0; i < entries; ++i) {
        const size_t e = ifd + 2 + size_t(i) * 12;
        if (e + 12 > n)
            break;
        const int tag = u16(e), type = u16(e + 2);
        auto rational = [&]() -> double {
            const size_t at = u32(e + 8);
            if (type != 5 || at + 8 > n)
                return 0;
            const uint32_t den = u32(at + 4);
            return den ? double(u32(at)) / den : 0;
        };
        switch (tag) {
        case 0x0112:
            if (type == 3) {
                const int o = u16(e + 8);
                info.orientation = (o >= 1 && o <= 8) ? o : 1;
            }
            break;
        case 0x011A: info.xResolution = rational(); break;
        case 0x011B: info.yResolution = rational(); break;
        case 0x0128:
            if (type == 3)
                info.unit = u16(e + 8);
            break;
        default: break;
        }
    }
}

bool readJpeg(const QByteArray& bytes, FileImage& image)
{
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
    const JpegLayout j = jpegLayout(p, static_cast<size_t>(bytes.size()), true);
    if (!j.end || j.frameMarker < 0 || j.width <= 0 || j.height <= 0)
        return false;
    ExifInfo exif;
    if (j.exif)
        parseExif(j.exif, j.exifSize, exif);
    const int components = j.components;

    image.orientation = exif.orientation;
    if (j.jfifUnits == 1 || j.jfifUnits == 2) {
        image.horizontalDpi = dpiFrom(j.jfifX, j.jfifUnits);
        image.verticalDpi = dpiFrom(j.jfifY, j.jfifUnits);
    } else if (j.exif && (exif.unit == 2 || exif.unit == 3)) {
        image.horizontalDpi = dpiFrom(exif.xResolution, exif.unit == 3 ? 2 : 1);
        image.verticalDpi = dpiFrom(exif.yResolution, exif.unit == 3 ? 2 : 1);
    }

    // PDF readers show baseline, extended and progressive Huffman-coded JPEGs
    // of 8-bit samples. The rare others (arithmetic coding, lossless, 12-bit)
    // would not show everywhere.
    const bool dctReadable = (j.frameMarker == 0xC0 || j.frameMarker == 0xC1 || j.frameMarker == 0xC2) && j.precision == 8
        && (components == 1 || components == 3 || components == 4);
    if (!dctReadable)
        return false;

    ImageStream& s = image.image;
    s.width = j.width;
    s.height = j.height;
    s.bitsPerComponent = 8;
    s.colorSpace = components == 1 ? "/DeviceGray" : components == 3 ? "/DeviceRGB" : "/DeviceCMYK";
    // Adobe's CMYK JPEGs store inverted ink values.
    if (components == 4 && j.adobe)
        s.decode = {1, 0, 1, 0, 1, 0, 1, 0};
    s.filter = "/DCTDecode";
    if (j.iccCount > 0 && static_cast<int>(j.iccChunks.size()) == j.iccCount) {
        QByteArray profile;
        for (const auto& chunk : j.iccChunks)
            profile += chunk.second;
        attachIccProfile(s, profile, components);
    }
    // Data after the end-of-image marker (thumbnail trailers, motion-photo
    // videos) is not part of the picture.
    s.data = makeBuffer(p, j.end);
    return true;
}

// --- PNG -----------------------------------------------------------------------

struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

void pngRead(png_structp png, png_bytep out, png_size_t length)
{
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (length > src->size - src->pos)
        png_error(png, "truncated");
    std::memcpy(out, src->data + src->pos, length);
    src->pos += length;
}

[[noreturn]] void pngFail(png_structp png, png_const_charp)
{
    std::longjmp(png_jmpbuf(png), 1);
}

void pngIgnore(png_structp, png_const_charp) {}

// A palette's transparency needs a soft mask unless it is one fully clear
// entry (a colour key); returns that entry through clearEntry, -1 for none.
bool needsSoftMask(const std::vector<uint8_t>& paletteAlpha, int* clearEntry = nullptr)
{
    int clear = -1;
    for (size_t i = 0; i < paletteAlpha.size(); ++i) {
        if (paletteAlpha[i] == 255)
            continue;
        if (paletteAlpha[i] != 0 || clear >= 0)
            return true;
        clear = static_cast<int>(i);
    }
    if (clearEntry)
        *clearEntry = clear;
    return false;
}

struct PngDecoded {
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    size_t rowBytes = 0;
    // The file's own compressed rows serve when the image is opaque (or has a
    // colour key) and not interlaced; only then are the rows not kept.
    bool passThrough = false;
    std::vector<uint8_t> rows;
    std::string palette;
    std::vector<uint8_t> paletteAlpha;
    bool hasTransColor = false;
    png_color_16 transColor{};
    int dpiX = 0, dpiY = 0;
    QByteArray icc;
};

struct PngStructs {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngStructs() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

// Decodes every row (checking every chunk's CRC and the image data to its
// end); samples stay as the file has them. The rows are kept unless the
// image passes through.
bool decodePng(const QByteArray& bytes, PngDecoded& out)
{
    PngSource src{reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()), 0};
    PngStructs s;
    std::vector<png_bytep> rowPointers;
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFail, pngIgnore);
    if (!s.png)
        return false;
    s.info = png_create_info_struct(s.png);
    if (!s.info)
        return false;
    if (setjmp(png_jmpbuf(s.png)))
        return false;
    png_set_read_fn(s.png, &src, pngRead);
    png_set_user_limits(s.png, 1u << 20, 1u << 20);
    png_read_info(s.png, s.info);
    png_get_IHDR(s.png, s.info, &out.width, &out.height, &out.bitDepth, &out.colorType, &out.interlace, nullptr, nullptr);
    const int channels = png_get_channels(s.png, s.info);
    if (out.colorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp entries = nullptr;
        int count = 0;
        if (!png_get_PLTE(s.png, s.info, &entries, &count) || count <= 0)
            return false;
        for (int i = 0; i < count; ++i) {
            out.palette += char(entries[i].red);
            out.palette += char(entries[i].green);
            out.palette += char(entries[i].blue);
        }
    }
    png_bytep transAlpha = nullptr;
    int transCount = 0;
    png_color_16p transColor = nullptr;
    if (png_get_tRNS(s.png, s.info, &transAlpha, &transCount, &transColor)) {
        if (out.colorType == PNG_COLOR_TYPE_PALETTE && transAlpha && transCount > 0)
            out.paletteAlpha.assign(transAlpha, transAlpha + transCount);
        else if (transColor && (out.colorType == PNG_COLOR_TYPE_GRAY || out.colorType == PNG_COLOR_TYPE_RGB)) {
            out.hasTransColor = true;
            out.transColor = *transColor;
        }
    }
    png_uint_32 resX = 0, resY = 0;
    int unit = 0;
    if (png_get_pHYs(s.png, s.info, &resX, &resY, &unit) && unit == PNG_RESOLUTION_METER) {
        out.dpiX = dpiFromPerMetre(resX);
        out.dpiY = dpiFromPerMetre(resY);
    }
    png_charp iccName = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileLength = 0;
    if (png_get_iCCP(s.png, s.info, &iccName, &compression, &profile, &profileLength) && profile)
        out.icc = QByteArray(reinterpret_cast<const char*>(profile), static_cast<int>(profileLength));

    // Kept whole or not, an image no reader could hold in memory is refused.
    if (decodedSize(out.width, out.height, channels, out.bitDepth) == 0)
        return false;
    out.passThrough = !out.interlace && !(out.colorType & PNG_COLOR_MASK_ALPHA) && !needsSoftMask(out.paletteAlpha);
    png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    out.rowBytes = png_get_rowbytes(s.png, s.info);
    if (out.passThrough) {
        out.rows.resize(out.rowBytes);
        for (png_uint_32 y = 0; y < out.height; ++y)
            png_read_row(s.png, out.rows.data(), nullptr);
        out.rows.clear();
    } else {
        out.rows.resize(out.rowBytes * out.height);
        rowPointers.resize(out.height);
        for (png_uint_32 y = 0; y < out.height; ++y)
            rowPointers[y] = out.rows.data() + size_t(y) * out.rowBytes;
        png_read_image(s.png, rowPointers.data());
    }
    png_read_end(s.png, nullptr);
    return true;
}

// The concatenated IDAT payloads: the zlib stream of predictor-filtered rows.
bool pngImageData(const QByteArray& bytes, std::vector<uint8_t>& out)
{
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
    const size_t n = static_cast<size_t>(bytes.size());
    size_t pos = 8;
    while (pos + 12 <= n) {
        const size_t length = be32(p + pos);
        if (length > n - pos - 12)
            return false;
        if (std::memcmp(p + pos + 4, "IDAT", 4) == 0)
            out.insert(out.end(), p + pos + 8, p + pos + 8 + length);
        else if (std::memcmp(p + pos + 4, "IEND", 4) == 0)
            break;
        pos += length + 12;
    }
    return !out.empty();
}

bool readPng(const QByteArray& bytes, FileImage& image)
{
    PngDecoded d;
    if (!decodePng(bytes, d))
        return false;
    image.horizontalDpi = d.dpiX;
    image.verticalDpi = d.dpiY;
    const int w = static_cast<int>(d.width), h = static_cast<int>(d.height);
    const int bits = d.bitDepth;
    const int sampleBytes = bits == 16 ? 2 : 1;

    Raster r;
    r.width = w;
    r.height = h;
    r.bitsPerComponent = bits;
    const bool hasAlphaChannel = d.colorType & PNG_COLOR_MASK_ALPHA;
    const bool color = d.colorType & PNG_COLOR_MASK_COLOR;
    r.colors = color && d.colorType != PNG_COLOR_TYPE_PALETTE ? 3 : 1;
    r.colorSpace = color ? "/DeviceRGB" : "/DeviceGray";

    if (d.colorType == PNG_COLOR_TYPE_PALETTE) {
        r.palette = d.palette;
        int clearEntry = -1;
        if (!needsSoftMask(d.paletteAlpha, &clearEntry)) {
            if (clearEntry >= 0)
                r.colorKey = {clearEntry, clearEntry};
        } else {
            r.alphaBits = 8;
            r.alpha.resize(size_t(w) * size_t(h));
            const int perByte = 8 / bits;
            for (int y = 0; y < h; ++y) {
                const uint8_t* row = d.rows.data() + size_t(y) * d.rowBytes;
                for (int x = 0; x < w; ++x) {
                    const int shift = 8 - bits * (x % perByte + 1);
                    const int index = (row[x / perByte] >> shift) & ((1 << bits) - 1);
                    r.alpha[size_t(y) * size_t(w) + size_t(x)] =
                        size_t(index) < d.paletteAlpha.size() ? d.paletteAlpha[size_t(index)] : 255;
                }
            }
        }
    } else if (d.hasTransColor) {
        if (color)
            r.colorKey = {d.transColor.red, d.transColor.red, d.transColor.green, d.transColor.green,
                          d.transColor.blue, d.transColor.blue};
        else
            r.colorKey = {d.transColor.gray, d.transColor.gray};
    }

    if (hasAlphaChannel) {
        // Split interleaved colour and alpha samples.
        const int pixelBytes = (r.colors + 1) * sampleBytes;
        const int colorBytes = r.colors * sampleBytes;
        r.alphaBits = bits;
        r.pixels.resize(size_t(w) * size_t(h) * size_t(colorBytes));
        r.alpha.resize(size_t(w) * size_t(h) * size_t(sampleBytes));
        for (int y = 0; y < h; ++y) {
            const uint8_t* row = d.rows.data() + size_t(y) * d.rowBytes;
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(y) * size_t(w) + size_t(x);
                std::memcpy(&r.pixels[i * size_t(colorBytes)], row + size_t(x) * pixelBytes, size_t(colorBytes));
                std::memcpy(&r.alpha[i * size_t(sampleBytes)], row + size_t(x) * pixelBytes + colorBytes, size_t(sampleBytes));
            }
        }
    } else {
        r.pixels = std::move(d.rows);
    }

    // Opaque, non-interlaced images keep the file's own compressed data: the
    // PDF's PNG predictors read it as it is.
    std::vector<uint8_t> idat;
    if (d.passThrough) {
        if (!pngImageData(bytes, idat))
            return false;
        ImageStream& s = image.image;
        s.width = w;
        s.height = h;
        s.bitsPerComponent = bits;
        s.colorSpace = r.colorSpace;
        s.palette = r.palette;
        s.colorKey = r.colorKey;
        s.filter = "/FlateDecode";
        s.predictorColors = r.colors;
        s.data = makeBuffer(idat.data(), idat.size());
    } else if (!storeRaster(r, image)) {
        return false;
    }
    if (r.palette.empty())
        attachIccProfile(image.image, d.icc, r.colors);
    return true;
}

// --- GIF -----------------------------------------------------------------------

// Decodes GIF LZW data into indices; pixels the data does not reach keep
// their value.
void decodeGifLzw(const std::vector<uint8_t>& data, int minCodeSize, std::vector<uint8_t>& out)
{
    const int clear = 1 << minCodeSize;
    const int endCode = clear + 1;
    std::vector<uint16_t> prefix(4096);
    std::vector<uint8_t> suffix(4096), stack(4097);
    for (int i = 0; i < clear; ++i)
        suffix[size_t(i)] = uint8_t(i);
    int codeSize = minCodeSize + 1;
    int next = clear + 2;
    int previous = -1;
    uint8_t first = 0;
    uint32_t bitBuffer = 0;
    int bitCount = 0;
    size_t pos = 0, outPos = 0;
    while (outPos < out.size()) {
        while (bitCount < codeSize && pos < data.size()) {
            bitBuffer |= uint32_t(data[pos++]) << bitCount;
            bitCount += 8;
        }
        if (bitCount < codeSize)
            return;
        int code = static_cast<int>(bitBuffer & ((1u << codeSize) - 1));
        bitBuffer >>= codeSize;
        bitCount -= codeSize;
        if (code == clear) {
            codeSize = minCodeSize + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == endCode)
            return;
        size_t depth = 0;
        int current = code;
        if (previous < 0) {
            if (code >= clear)
                return;
            first = uint8_t(code);
            out[outPos++] = first;
            previous = code;
            continue;
        }
        if (code >= next) {
            if (code > next)
                return;  // corrupt: refers to a code not yet defined
            stack[depth++] = first;
            current = previous;
        }
        while (current >= clear) {
            if (depth >= 4096)
                return;
            stack[depth++] = suffix[size_t(current)];
            current = prefix[size_t(current)];
        }
        first = uint8_t(current);
        stack[depth++] = first;
        while (depth > 0 && outPos < out.size())
            out[outPos++] = stack[--depth];
        if (next < 4096) {
            prefix[size_t(next)] = uint16_t(previous);
            suffix[size_t(next)] = first;
            ++next;
            if (next == (1 << codeSize) && codeSize < 12)
                ++codeSize;
        }
        previous = code;
    }
}

bool readGif(const QByteArray& bytes, FileImage& image)
{
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
    const size_t n = static_cast<size_t>(bytes.size());
    if (n < 13)
        return false;
    const int screenW = le16(p + 6), screenH = le16(p + 8);
    const uint8_t flags = p[10];
    const int background = p[11];
    size_t pos = 13;
    std::string globalPalette;
    if (flags & 0x80) {
        const size_t size = size_t(3) << ((flags & 7) + 1);
        if (pos + size > n)
            return false;
        globalPalette.assign(reinterpret_cast<const char*>(p + pos), size);
        pos += size;
    }
    int transparent = -1;
    auto skipSubBlocks = [&](std::vector<uint8_t>* collect) -> bool {
        while (true) {
            if (pos >= n)
                return false;
            const size_t size = p[pos++];
            if (size == 0)
                return true;
            if (pos + size > n)
                return false;
            if (collect)
                collect->insert(collect->end(), p + pos, p + pos + size);
            pos += size;
        }
    };
    while (pos < n) {
        const uint8_t block = p[pos++];
        if (block == 0x21) {
            if (pos >= n)
                return false;
            const uint8_t label = p[pos++];
            if (label == 0xF9 && pos + 5 < n && p[pos] >= 4)
                transparent = (p[pos + 1] & 1) ? p[pos + 4] : -1;
            if (!skipSubBlocks(nullptr))
                return false;
            continue;
        }
        if (block != 0x2C)
            return false;  // the trailer or garbage before any picture
        if (pos + 9 > n)
            return false;
        const int left = le16(p + pos), top = le16(p + pos + 2);
        const int frameW = le16(p + pos + 4), frameH = le16(p + pos + 6);
        const uint8_t frameFlags = p[pos + 8];
        pos += 9;
        std::string palette = globalPalette;
        if (frameFlags & 0x80) {
            const size_t size = size_t(3) << ((frameFlags & 7) + 1);
            if (pos + size > n)
                return false;
            palette.assign(reinterpret_cast<const char*>(p + pos), size);
            pos += size;
        }
        if (palette.empty() || pos >= n)
            return false;
        const int minCodeSize = p[pos++];
        if (minCodeSize < 1 || minCodeSize > 11)
            return false;
        std::vector<uint8_t> data;
        if (!skipSubBlocks(&data))
            return false;

        const int width = screenW > 0 ? screenW : frameW;
        const int height = screenH > 0 ? screenH : frameH;
        if (decodedSize(width, height, 1, 8) == 0 || decodedSize(frameW, frameH, 1, 8) == 0)
            return false;
        const int fill = transparent >= 0 ? transparent : (size_t(background) < palette.size() / 3 ? background : 0);
        std::vector<uint8_t> frame(size_t(frameW) * size_t(frameH), uint8_t(fill));
        decodeGifLzw(data, minCodeSize, frame);

        std::vector<uint8_t> canvas(size_t(width) * size_t(height), uint8_t(fill));
        const bool interlaced = frameFlags & 0x40;
        static const int passStart[] = {0, 4, 2, 1}, passStep[] = {8, 8, 4, 2};
        int source = 0;
        for (int pass = 0; pass < (interlaced ? 4 : 1); ++pass) {
            for (int y = interlaced ? passStart[pass] : 0; y < frameH; y += interlaced ? passStep[pass] : 1, ++source) {
                const int cy = top + y;
                if (cy < 0 || cy >= height)
                    continue;
                for (int x = 0; x < frameW; ++x) {
                    const int cx = left + x;
                    if (cx >= 0 && cx < width)
                        canvas[size_t(cy) * size_t(width) + size_t(cx)] = frame[size_t(source) * size_t(frameW) + size_t(x)];
                }
            }
        }
        // Indices beyond the colour table show as black.
        const uint8_t highest = *std::max_element(canvas.begin(), canvas.end());
        if (size_t(highest) >= palette.size() / 3)
            palette.resize((size_t(highest) + 1) * 3, '\0');
        Raster r = indexedRaster(width, height, canvas.data(), palette);
        if (transparent >= 0 && size_t(transparent) < palette.size() / 3)
            r.colorKey = {transparent, transparent};
        return storeRaster(r, image);
    }
    return false;
}

// --- BMP -----------------------------------------------------------------------

bool readBmp(const QByteArray& bytes, FileImage& image)
{
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
    const size_t n = static_cast<size_t>(bytes.size());
    if (n < 26)
        return false;
    const size_t dataOffset = le32(p + 10);
    const size_t headerSize = le32(p + 14);
    long long width = 0, height = 0;
    int bpp = 0;
    uint32_t compression = 0;
    if (headerSize == 12) {
        width = le16(p + 18);
        height = le16(p + 20);
        bpp = le16(p + 24);
    } else if (headerSize >= 40 && n >= 54) {
        width = static_cast<int32_t>(le32(p + 18));
        height = static_cast<int32_t>(le32(p + 22));
        bpp = le16(p + 28);
        compression = le32(p + 30);
        image.horizontalDpi = dpiFromPerMetre(static_cast<int32_t>(le32(p + 38)));
        image.verticalDpi = dpiFromPerMetre(static_cast<int32_t>(le32(p + 42)));
    } else {
        return false;
    }
    height = std::llabs(height);
    if (width <= 0 || height <= 0 || bpp <= 0 || bpp > 32 || decodedSize(width, height, 4, 8) == 0)
        return false;
    // Uncompressed pixel rows must all be there.
    if (compression == 0 || compression == 3 || compression == 6) {
        const unsigned long long stride = ((static_cast<unsigned long long>(width) * bpp + 31) / 32) * 4;
        if (dataOffset > n || stride * static_cast<unsigned long long>(height) > n - dataOffset)
            return false;
    }
    const QImage img = decodeWithQt(bytes, "bmp");
    if (img.width() != width || img.height() != height)
        return false;
    return storeQImage(img, image);
}

} // namespace

// --- entry point -----------------------------------------------------------------

std::shared_ptr<FileImage> readImageFile(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return nullptr;
    auto image = std::make_shared<FileImage>();
    image->path = path;
    image->identity = FileIdentity::of(path);
    if (!image->identity.valid() || image->identity.size > static_cast<qint64>(kMaxDecodedBytes))
        return nullptr;
    const QByteArray bytes = file.readAll();
    if (bytes.size() != image->identity.size)
        return nullptr;

    const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
    const size_t n = static_cast<size_t>(bytes.size());
    auto starts = [&](const char* magic, size_t length) { return n >= length && std::memcmp(p, magic, length) == 0; };
    bool ok = false;
    try {
        if (starts("\xFF\xD8\xFF", 3)) {
            image->type = ImageTypeJpeg;
            ok = readJpeg(bytes, *image);
        } else if (starts("\x89PNG\r\n\x1A\n", 8)) {
            image->type = ImageTypePng;
            ok = readPng(bytes, *image);
        } else if (starts("GIF87a", 6) || starts("GIF89a", 6)) {
            image->type = ImageTypeGif;
            ok = readGif(bytes, *image);
        } else if (starts("BM", 2)) {
            image->type = ImageTypeBmp;
            ok = readBmp(bytes, *image);
        } else if (starts("II*\0", 4) || starts("MM\0*", 4) || starts("II+\0", 4) || starts("MM\0+", 4)) {
            image->type = ImageTypeTiff;
            ok = readTiffImage(bytes, *image);
        }
    } catch (const std::exception&) {
        ok = false;  // out of memory, mostly
    }
    if (!ok || !image->image.data || image->image.width <= 0 || image->image.height <= 0)
        return nullptr;
    return image;
}

} // namespace fpe
