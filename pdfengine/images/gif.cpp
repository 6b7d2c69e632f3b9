// GIF files (the first picture) as image XObject data: indexed, with the
// transparent entry as a colour key.

#include "images/rasterimage.h"

#include <algorithm>

namespace fpe {

namespace {

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

} // namespace

bool readGifImage(const QByteArray& bytes, FileImage& image)
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

} // namespace fpe
