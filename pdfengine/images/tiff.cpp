// TIFF files (first page) as image XObject data. Strip images of the common
// kinds keep their samples as they are (bit depth, gray, RGB, CMYK, palette,
// alpha); every other kind goes through libtiff's RGBA reader.

#include "images/rasterimage.h"
#include "images/tiffdevice.h"

#include <QBuffer>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace fpe {

namespace {

struct TiffCloser {
    TIFF* tif;
    ~TiffCloser()
    {
        if (tif)
            TIFFClose(tif);
    }
};

// 16-bit samples come from libtiff in the machine's order; PDF wants them
// big-endian.
void toBigEndian16(std::vector<uint8_t>& samples)
{
    const uint16_t probe = 1;
    if (*reinterpret_cast<const uint8_t*>(&probe) == 0)
        return;
    for (size_t i = 0; i + 1 < samples.size(); i += 2)
        std::swap(samples[i], samples[i + 1]);
}

bool readRgbaFallback(TIFF* tif, uint32_t width, uint32_t height, FileImage& image)
{
    if (decodedSize(width, height, 4, 8) == 0)
        return false;
    std::vector<uint32_t> raster(size_t(width) * size_t(height));
    if (!TIFFReadRGBAImageOriented(tif, width, height, raster.data(), ORIENTATION_TOPLEFT, 0))
        return false;
    std::vector<uint8_t> rgba(raster.size() * 4);
    for (size_t i = 0; i < raster.size(); ++i) {
        rgba[4 * i] = uint8_t(TIFFGetR(raster[i]));
        rgba[4 * i + 1] = uint8_t(TIFFGetG(raster[i]));
        rgba[4 * i + 2] = uint8_t(TIFFGetB(raster[i]));
        rgba[4 * i + 3] = uint8_t(TIFFGetA(raster[i]));
    }
    std::vector<uint32_t>().swap(raster);
    Raster r = rasterFromRgba(static_cast<int>(width), static_cast<int>(height), rgba.data());
    image.orientation = 1;  // libtiff has applied it
    return storeRaster(r, image);
}

} // namespace

bool readTiffImage(const QByteArray& bytes, FileImage& image)
{
    QBuffer file;
    file.setData(bytes);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    TiffCloser closer{openTiff(file, "r", static_cast<tmsize_t>(kMaxDecodedBytes))};
    TIFF* tif = closer.tif;
    if (!tif)
        return false;

    uint32_t width = 0, height = 0;
    uint16_t bits = 1, samples = 1, photometric = 0, planar = PLANARCONFIG_CONTIG, sampleFormat = SAMPLEFORMAT_UINT;
    uint16_t orientation = ORIENTATION_TOPLEFT, inkSet = INKSET_CMYK, resUnit = RESUNIT_INCH;
    uint16_t extraCount = 0;
    uint16_t* extraTypes = nullptr;
    float xRes = 0, yRes = 0;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height))
        return false;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inkSet);
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &resUnit);
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
    const bool havePhotometric = TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xRes) && TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yRes)
        && (resUnit == RESUNIT_INCH || resUnit == RESUNIT_CENTIMETER)) {
        const double scale = resUnit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
        auto dpi = [&](float v) { return (v > 0 && v < 1e6f) ? static_cast<int>(std::lround(v * scale)) : 0; };
        image.horizontalDpi = dpi(xRes);
        image.verticalDpi = dpi(yRes);
    }
    if (width == 0 || height == 0 || width > (1u << 24) || height > (1u << 24))
        return false;

    // Which layouts keep their samples: the colour channels, then at most one
    // alpha channel.
    int colors = 0;
    std::string colorSpace;
    if (havePhotometric) {
        switch (photometric) {
        case PHOTOMETRIC_MINISBLACK:
        case PHOTOMETRIC_MINISWHITE: colors = 1; colorSpace = "/DeviceGray"; break;
        case PHOTOMETRIC_PALETTE: colors = 1; colorSpace = "/DeviceRGB"; break;
        case PHOTOMETRIC_RGB: colors = 3; colorSpace = "/DeviceRGB"; break;
        case PHOTOMETRIC_SEPARATED:
            if (inkSet == INKSET_CMYK) {
                colors = 4;
                colorSpace = "/DeviceCMYK";
            }
            break;
        default: break;
        }
    }
    const int extra = samples - colors;
    const bool alpha = extra == 1 && extraCount >= 1;
    const bool associated = alpha && extraTypes && extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
    const bool paletted = photometric == PHOTOMETRIC_PALETTE;
    bool direct = colors > 0 && !TIFFIsTiled(tif) && planar == PLANARCONFIG_CONTIG
        && sampleFormat == SAMPLEFORMAT_UINT && (extra == 0 || alpha);
    if (paletted)
        direct = direct && extra == 0 && (bits == 1 || bits == 2 || bits == 4 || bits == 8);
    else if (alpha)
        direct = direct && (bits == 8 || bits == 16);
    else
        direct = direct && (bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16);
    if (direct && (colors == 3 || colors == 4))
        direct = bits == 8 || bits == 16;

    if (!direct)
        return readRgbaFallback(tif, width, height, image);

    const size_t rowBytes = (size_t(width) * samples * bits + 7) / 8;
    if (decodedSize(width, height, samples, bits) == 0 || TIFFScanlineSize64(tif) != rowBytes)
        return false;
    std::vector<uint8_t> rows(rowBytes * height);
    for (uint32_t y = 0; y < height; ++y)
        if (TIFFReadScanline(tif, rows.data() + size_t(y) * rowBytes, y, 0) < 0)
            return false;
    if (bits == 16)
        toBigEndian16(rows);

    Raster r;
    r.width = static_cast<int>(width);
    r.height = static_cast<int>(height);
    r.bitsPerComponent = bits;
    r.colors = colors;
    r.colorSpace = colorSpace;
    if (photometric == PHOTOMETRIC_MINISWHITE)
        r.decode = {1, 0};
    if (paletted) {
        uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
        if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue)
            return false;
        const size_t entries = size_t(1) << bits;
        // Some writers store 8-bit values in the 16-bit colour map.
        bool eightBit = true;
        for (size_t i = 0; i < entries; ++i)
            if (red[i] > 255 || green[i] > 255 || blue[i] > 255)
                eightBit = false;
        const int shift = eightBit ? 0 : 8;
        for (size_t i = 0; i < entries; ++i) {
            r.palette += char(red[i] >> shift);
            r.palette += char(green[i] >> shift);
            r.palette += char(blue[i] >> shift);
        }
    }

    if (alpha) {
        const size_t sampleBytes = size_t(bits / 8);
        const size_t colorBytes = size_t(colors) * sampleBytes;
        const size_t pixelBytes = colorBytes + sampleBytes;
        const size_t count = size_t(width) * size_t(height);
        r.alphaBits = bits;
        r.pixels.resize(count * colorBytes);
        r.alpha.resize(count * sampleBytes);
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* px = rows.data() + i * pixelBytes;
            std::memcpy(&r.pixels[i * colorBytes], px, colorBytes);
            std::memcpy(&r.alpha[i * sampleBytes], px + colorBytes, sampleBytes);
            if (!associated)
                continue;
            // Premultiplied colours back to straight ones.
            if (sampleBytes == 1) {
                const unsigned a = px[colorBytes];
                for (size_t c = 0; c < colorBytes; ++c)
                    r.pixels[i * colorBytes + c] = a ? uint8_t(std::min(255u, (px[c] * 255u + a / 2) / a)) : 0;
            } else {
                const unsigned a = (unsigned(px[colorBytes]) << 8) | px[colorBytes + 1];
                for (size_t c = 0; c < colorBytes; c += 2) {
                    const unsigned v = (unsigned(px[c]) << 8) | px[c + 1];
                    const unsigned s = a ? std::min(65535u, unsigned((uint64_t(v) * 65535u + a / 2) / a)) : 0;
                    r.pixels[i * colorBytes + c] = uint8_t(s >> 8);
                    r.pixels[i * colorBytes + c + 1] = uint8_t(s);
                }
            }
        }
    } else {
        r.pixels = std::move(rows);
    }
    image.orientation = (orientation >= 1 && orientation <= 8) ? orientation : 1;
    return storeRaster(r, image);
}

} // namespace fpe
