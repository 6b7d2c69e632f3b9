// PNG files as image XObject data: opaque, non-interlaced images keep the
// file's own compressed rows; the others are decoded (every chunk checked)
// and stored losslessly, alpha as a soft mask. libpng's messages are dropped.

#include "images/rasterimage.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace fpe {

namespace {

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

} // namespace

bool readPngImage(const QByteArray& bytes, FileImage& image)
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

} // namespace fpe
