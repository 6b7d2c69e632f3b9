// JPEG: the markers of JPEG data, JPEG files as image XObject data (their own
// bytes, with the resolution, orientation and ICC profile they record), and
// DCT data of image XObjects decoded by libjpeg.

#include "images/jpeg.h"

#include "images/colorspaces.h"
#include "images/jpegerrors.h"
#include "images/rasterimage.h"
#include "render/render.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace fpe {

namespace {

bool isFrameMarker(uint8_t marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

} // namespace

JpegLayout jpegLayout(const uint8_t* p, size_t n, bool wholeImage)
{
    JpegLayout j;
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8)
        return j;
    size_t pos = 2;
    bool inScan = false;
    while (pos < n) {
        if (inScan) {
            // Entropy-coded data runs to the next marker that is neither a
            // stuffed zero nor a restart marker.
            const uint8_t* ff = static_cast<const uint8_t*>(std::memchr(p + pos, 0xFF, n - pos));
            if (!ff)
                return j;
            pos = static_cast<size_t>(ff - p);
            if (pos + 1 >= n)
                return j;
            const uint8_t next = p[pos + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7) || next == 0xFF) {
                pos += next == 0xFF ? 1 : 2;
                continue;
            }
            inScan = false;
        }
        // Stray bytes between segments are passed over, as JPEG decoders do.
        while (pos < n && p[pos] != 0xFF)
            ++pos;
        while (pos < n && p[pos] == 0xFF)
            ++pos;
        if (pos >= n)
            return j;
        const uint8_t marker = p[pos++];
        if (marker == 0xD9) {
            j.end = pos;
            j.wellFormed = true;
            return j;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (marker == 0xD8 || pos + 2 > n)
            return j;
        const size_t length = static_cast<size_t>(be16(p + pos));
        if (length < 2 || pos + length > n)
            return j;
        const uint8_t* seg = p + pos + 2;
        const size_t segLen = length - 2;
        if (isFrameMarker(marker)) {
            if (segLen < 6 || j.frameMarker >= 0)
                return j;
            j.frameMarker = marker;
            j.precision = seg[0];
            j.height = be16(seg + 1);
            j.width = be16(seg + 3);
            j.components = seg[5];
        } else if (marker == 0xDA) {
            if (j.frameMarker < 0)
                return j;
            if (!wholeImage) {
                j.wellFormed = true;
                return j;
            }
            inScan = true;
        } else if (marker == 0xE0 && segLen >= 12 && std::memcmp(seg, "JFIF\0", 5) == 0) {
            j.jfifUnits = seg[7];
            j.jfifX = be16(seg + 8);
            j.jfifY = be16(seg + 10);
        } else if (marker == 0xE1 && segLen >= 6 && std::memcmp(seg, "Exif\0", 5) == 0 && !j.exif) {
            j.exif = seg + 6;
            j.exifSize = segLen - 6;
        } else if (marker == 0xE2 && segLen >= 14 && std::memcmp(seg, "ICC_PROFILE\0", 12) == 0) {
            j.iccCount = seg[13];
            j.iccChunks[seg[12]] = QByteArray(reinterpret_cast<const char*>(seg + 14), static_cast<int>(segLen - 14));
        } else if (marker == 0xEE && segLen >= 12 && std::memcmp(seg, "Adobe", 5) == 0) {
            j.adobe = true;
        }
        pos += length;
    }
    return j;
}

namespace {

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

} // namespace

bool readJpegImage(const QByteArray& bytes, FileImage& image)
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

// JPEG data decoded by libjpeg to raw samples: CMYK stays as stored (YCCK
// becomes CMYK), YCbCr becomes RGB. Rows the data does not reach stay 0.
bool decodeJpeg(const std::string& jpeg, const JpegLayout& info, Samples& s)
{
    if (info.width <= 0 || info.height <= 0 || static_cast<double>(info.width) * info.height > maxRenderPixels)
        return false;
    s.width = info.width;
    s.height = info.height;
    s.comps = info.components;
    s.bpc = 8;
    s.data.assign(s.stride() * static_cast<size_t>(s.height), '\0');

    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    cinfo.err = errors.install();
    // Only plain data lives across the jump: everything above is allocated first.
    volatile int rows = 0;
    if (setjmp(errors.escape)) {
        jpeg_destroy_decompress(&cinfo);
        return rows > 0;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(jpeg.data()), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    if (static_cast<int>(cinfo.image_width) != info.width || static_cast<int>(cinfo.image_height) != info.height
        || cinfo.num_components != info.components) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.out_color_space = info.components == 4 ? JCS_CMYK : info.components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_start_decompress(&cinfo);
    if (static_cast<int>(cinfo.output_components) != info.components) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    const size_t stride = s.stride();
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(&s.data[stride * cinfo.output_scanline]);
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            break;
        rows = rows + 1;
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return rows > 0;
}

} // namespace fpe
