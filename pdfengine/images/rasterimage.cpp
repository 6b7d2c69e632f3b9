// Decoded pixels on their way into image XObjects: what every image file
// reader shares (sizes, palettes, PNG row filters, Flate encoding, ICC
// profiles).

#include "images/rasterimage.h"

#include "compression/deflate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace fpe {

namespace {

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

} // namespace

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

void attachIccProfile(ImageStream& s, const QByteArray& profile, int components)
{
    if (usableIccProfile(profile, components))
        s.iccProfile = makeBuffer(profile.constData(), static_cast<size_t>(profile.size()));
}

} // namespace fpe
