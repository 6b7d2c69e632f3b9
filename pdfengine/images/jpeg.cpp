#include "images/jpeg.h"

#include <cstring>

namespace fpe {

namespace {

int be16(const uint8_t* p)
{
    return (p[0] << 8) | p[1];
}

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

} // namespace fpe
