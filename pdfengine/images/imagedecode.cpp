#include "images/imagedecode.h"

#include "compression/collector.h"
#include "compression/filters.h"
#include "images/images.h"
#include "images/jpeg.h"
#include "images/tiffdevice.h"
#include "render/render.h"

#include <qpdf/Buffer.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>

#include <csetjmp>
#include <cstdio>

#include <jbig2.h>
#include <jpeglib.h>
#include <openjpeg.h>

#include <QBuffer>
#include <QColorSpace>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace fpe {

int intValue(QPDFObjectHandle o, int fallback)
{
    if (o.isInteger()) {
        const long long v = o.getIntValue();
        return v < -1000000000LL || v > 1000000000LL ? fallback : static_cast<int>(v);
    }
    if (o.isReal()) {
        const double v = o.getNumericValue();
        return std::isfinite(v) && std::fabs(v) < 1e9 ? static_cast<int>(std::lround(v)) : fallback;
    }
    return fallback;
}

namespace {

// Decoded data larger than this is not an image any reader could show.
constexpr size_t maxDecodedBytes = size_t(1) << 31;

// --- stream data -------------------------------------------------------

enum class Codec { Plain, Dct, Jpx, Jbig2, Ccitt };

Codec codecOf(const FilterChain& f)
{
    if (f.names.empty())
        return Codec::Plain;
    const std::string& last = f.names.back();
    if (last == "/DCTDecode")
        return Codec::Dct;
    if (last == "/JPXDecode")
        return Codec::Jpx;
    if (last == "/JBIG2Decode")
        return Codec::Jbig2;
    if (last == "/CCITTFaxDecode")
        return Codec::Ccitt;
    return Codec::Plain;
}

// The stream's data with every filter applied except a final image codec
// (DCT, JPX, JBIG2, CCITT), whose input it then is. A damaged stream gives
// what could be decoded.
bool streamData(QPDFObjectHandle stream, const FilterChain& f, Codec codec, size_t limit, std::string& data)
{
    const size_t leading = codec == Codec::Plain ? f.names.size() : f.names.size() - 1;
    Collector out(limit);
    try {
        if (!decodeFilters(stream, f, leading, out, Damage::Salvage))
            return false;
    } catch (const std::exception&) {
        return false;
    }
    if (out.overflow && codec != Codec::Plain)
        return false;
    data = std::move(out.bytes);
    return true;
}

// --- dictionary values ------------------------------------------------------


bool boolValue(QPDFObjectHandle o, bool fallback)
{
    return o.isBool() ? o.getBoolValue() : fallback;
}

QPDFObjectHandle key(QPDFObjectHandle dict, const char* name)
{
    return dict.isDictionary() ? dict.getKey(name) : QPDFObjectHandle::newNull();
}

std::vector<double> numbers(QPDFObjectHandle array)
{
    std::vector<double> v;
    if (!array.isArray())
        return v;
    const int n = array.getArrayNItems();
    for (int i = 0; i < n; ++i) {
        QPDFObjectHandle item = array.getArrayItem(i);
        if (!item.isNumber())
            return {};
        v.push_back(item.getNumericValue());
    }
    return v;
}

QByteArray bytesOf(QPDFObjectHandle o)
{
    try {
        if (o.isString()) {
            const std::string s = o.getStringValue();
            return QByteArray(s.data(), static_cast<int>(s.size()));
        }
        if (o.isStream()) {
            Collector out(1 << 24);
            if (decodeStream(o, out, Damage::Salvage))
                return QByteArray(out.bytes.data(), static_cast<int>(out.bytes.size()));
        }
    } catch (const std::exception&) {
    }
    return QByteArray();
}

// --- colour -------------------------------------------------------------

enum class Family { Gray, Rgb, Cmyk, Lab, Indexed, Ink };

struct ColorModel {
    Family family = Family::Gray;
    int comps = 1;
    // Lab: white point and the a*, b* ranges.
    std::array<double, 3> white{{0.9505, 1.0, 1.089}};
    std::array<double, 4> labRange{{-100, 100, -100, 100}};
    // Ink: for each colorant its process slot (0 C, 1 M, 2 Y, 3 K) or -1.
    std::vector<int> inkSlots;
    // Indexed: the colours of its table.
    std::vector<QRgb> palette;
    int hival = 0;
    QByteArray iccProfile;  // ICC-based RGB
};

inline int to8(double v)
{
    return v <= 0 ? 0 : v >= 1 ? 255 : static_cast<int>(v * 255.0 + 0.5);
}

double srgbGamma(double v)
{
    v = std::clamp(v, 0.0, 1.0);
    return v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
}

// Components in their natural ranges (Lab: L 0..100, a* and b* as given;
// everything else 0..1) to an RGB colour.
QRgb toRgb(const ColorModel& cm, const double* c)
{
    switch (cm.family) {
    case Family::Gray:
        return qRgb(to8(c[0]), to8(c[0]), to8(c[0]));
    case Family::Rgb:
        return qRgb(to8(c[0]), to8(c[1]), to8(c[2]));
    case Family::Cmyk: {
        const double k = 1 - std::clamp(c[3], 0.0, 1.0);
        return qRgb(to8((1 - std::clamp(c[0], 0.0, 1.0)) * k), to8((1 - std::clamp(c[1], 0.0, 1.0)) * k),
                    to8((1 - std::clamp(c[2], 0.0, 1.0)) * k));
    }
    case Family::Lab: {
        const double l = (c[0] + 16) / 116;
        const double a = std::clamp(c[1], cm.labRange[0], cm.labRange[1]);
        const double b = std::clamp(c[2], cm.labRange[2], cm.labRange[3]);
        auto f = [](double t) { return t > 6.0 / 29 ? t * t * t : 3 * (6.0 / 29) * (6.0 / 29) * (t - 4.0 / 29); };
        const double x = cm.white[0] * f(l + a / 500), y = cm.white[1] * f(l), z = cm.white[2] * f(l - b / 200);
        return qRgb(to8(srgbGamma(3.2406 * x - 1.5372 * y - 0.4986 * z)),
                    to8(srgbGamma(-0.9689 * x + 1.8758 * y + 0.0415 * z)),
                    to8(srgbGamma(0.0557 * x - 0.2040 * y + 1.0570 * z)));
    }
    case Family::Ink: {
        double cmyk[4] = {0, 0, 0, 0};
        for (int i = 0; i < cm.comps; ++i) {
            const int slot = i < static_cast<int>(cm.inkSlots.size()) && cm.inkSlots[i] >= 0 ? cm.inkSlots[i] : 3;
            cmyk[slot] = std::max(cmyk[slot], std::clamp(c[i], 0.0, 1.0));
        }
        ColorModel process;
        process.family = Family::Cmyk;
        return toRgb(process, cmyk);
    }
    case Family::Indexed: {
        const int i = std::clamp(static_cast<int>(std::lround(c[0])), 0, cm.hival);
        return i < static_cast<int>(cm.palette.size()) ? cm.palette[static_cast<size_t>(i)] : qRgb(0, 0, 0);
    }
    }
    return qRgb(0, 0, 0);
}

int inkSlot(const std::string& name)
{
    if (name == "/Cyan")
        return 0;
    if (name == "/Magenta")
        return 1;
    if (name == "/Yellow")
        return 2;
    if (name == "/Black")
        return 3;
    return -1;
}

bool resolveColorSpace(QPDFObjectHandle cs, ColorModel& cm, int depth = 0);

bool deviceByComponents(int n, ColorModel& cm)
{
    switch (n) {
    case 1: cm.family = Family::Gray; break;
    case 3: cm.family = Family::Rgb; break;
    case 4: cm.family = Family::Cmyk; break;
    default: return false;
    }
    cm.comps = n;
    return true;
}

bool resolveIndexed(QPDFObjectHandle cs, ColorModel& cm, int depth)
{
    if (cs.getArrayNItems() < 4)
        return false;
    ColorModel base;
    if (!resolveColorSpace(cs.getArrayItem(1), base, depth + 1) || base.family == Family::Indexed)
        return false;
    const int hival = std::clamp(intValue(cs.getArrayItem(2), -1), -1, 255);
    if (hival < 0)
        return false;
    const QByteArray table = bytesOf(cs.getArrayItem(3));
    cm.family = Family::Indexed;
    cm.comps = 1;
    cm.hival = hival;
    cm.palette.assign(static_cast<size_t>(hival) + 1, qRgb(0, 0, 0));
    for (int i = 0; i <= hival; ++i) {
        double c[32] = {};
        for (int j = 0; j < base.comps; ++j) {
            const int at = i * base.comps + j;
            const double v = at < table.size() ? static_cast<unsigned char>(table.at(at)) / 255.0 : 0.0;
            if (base.family == Family::Lab)
                c[j] = j == 0 ? v * 100 : base.labRange[j == 1 ? 0 : 2]
                        + v * (base.labRange[j == 1 ? 1 : 3] - base.labRange[j == 1 ? 0 : 2]);
            else
                c[j] = v;
        }
        cm.palette[static_cast<size_t>(i)] = toRgb(base, c);
    }
    return true;
}

bool resolveColorSpace(QPDFObjectHandle cs, ColorModel& cm, int depth)
{
    if (depth > 8)
        return false;
    if (cs.isName()) {
        const std::string n = cs.getName();
        if (n == "/DeviceGray" || n == "/G" || n == "/CalGray")
            return deviceByComponents(1, cm);
        if (n == "/DeviceRGB" || n == "/RGB" || n == "/CalRGB")
            return deviceByComponents(3, cm);
        if (n == "/DeviceCMYK" || n == "/CMYK")
            return deviceByComponents(4, cm);
        return false;
    }
    if (!cs.isArray() || cs.getArrayNItems() < 1 || !cs.getArrayItem(0).isName())
        return false;
    const std::string family = cs.getArrayItem(0).getName();
    QPDFObjectHandle param = cs.getArrayNItems() > 1 ? cs.getArrayItem(1) : QPDFObjectHandle::newNull();
    if (family == "/CalGray")
        return deviceByComponents(1, cm);
    if (family == "/CalRGB")
        return deviceByComponents(3, cm);
    if (family == "/DeviceGray" || family == "/DeviceRGB" || family == "/DeviceCMYK")
        return resolveColorSpace(cs.getArrayItem(0), cm, depth + 1);
    if (family == "/ICCBased") {
        if (!param.isStream())
            return false;
        QPDFObjectHandle dict = param.getDict();
        int n = intValue(dict.getKey("/N"), 0);
        if (n != 1 && n != 3 && n != 4) {
            if (!resolveColorSpace(dict.getKey("/Alternate"), cm, depth + 1))
                return false;
            n = cm.comps;
        }
        if (!deviceByComponents(n, cm))
            return false;
        if (n == 3)
            cm.iccProfile = bytesOf(param);
        return true;
    }
    if (family == "/Lab") {
        cm.family = Family::Lab;
        cm.comps = 3;
        const std::vector<double> white = numbers(key(param, "/WhitePoint"));
        if (white.size() == 3 && white[1] > 0)
            cm.white = {{white[0], white[1], white[2]}};
        const std::vector<double> range = numbers(key(param, "/Range"));
        if (range.size() == 4)
            cm.labRange = {{range[0], range[1], range[2], range[3]}};
        return true;
    }
    if (family == "/Indexed" || family == "/I")
        return resolveIndexed(cs, cm, depth);
    if (family == "/Separation") {
        cm.family = Family::Ink;
        cm.comps = 1;
        cm.inkSlots = {param.isName() ? inkSlot(param.getName()) : -1};
        return true;
    }
    if (family == "/DeviceN") {
        if (!param.isArray() || param.getArrayNItems() < 1 || param.getArrayNItems() > 32)
            return false;
        cm.family = Family::Ink;
        cm.comps = param.getArrayNItems();
        for (int i = 0; i < cm.comps; ++i) {
            QPDFObjectHandle name = param.getArrayItem(i);
            cm.inkSlots.push_back(name.isName() ? inkSlot(name.getName()) : -1);
        }
        return true;
    }
    return false;
}

// --- raw samples to an image ----------------------------------------------

struct Samples {
    int width = 0;
    int height = 0;
    int comps = 1;
    int bpc = 8;
    std::string data;
    size_t stride() const { return (static_cast<size_t>(width) * comps * bpc + 7) / 8; }
};

inline unsigned sampleAt(const unsigned char* row, size_t index, int bpc)
{
    switch (bpc) {
    case 8: return row[index];
    case 16: return (unsigned(row[2 * index]) << 8) | row[2 * index + 1];
    case 1: return (row[index >> 3] >> (7 - (index & 7))) & 1u;
    case 2: return (row[index >> 2] >> (6 - 2 * (index & 3))) & 3u;
    case 4: return (row[index >> 1] >> (4 - 4 * (index & 1))) & 15u;
    default: return 0;
    }
}

// Per component, the /Decode range that sample 0 and the largest sample map to.
std::vector<std::pair<double, double>> decodeRanges(QPDFObjectHandle dict, const ColorModel& cm, int bpc)
{
    std::vector<std::pair<double, double>> ranges;
    const double maxSample = std::ldexp(1.0, bpc) - 1;
    for (int i = 0; i < cm.comps; ++i) {
        if (cm.family == Family::Indexed)
            ranges.emplace_back(0.0, maxSample);
        else if (cm.family == Family::Lab)
            ranges.emplace_back(i == 0 ? 0.0 : cm.labRange[i == 1 ? 0 : 2], i == 0 ? 100.0 : cm.labRange[i == 1 ? 1 : 3]);
        else
            ranges.emplace_back(0.0, 1.0);
    }
    const std::vector<double> decode = numbers(dict.getKey("/Decode"));
    if (decode.size() >= 2 * ranges.size())
        for (size_t i = 0; i < ranges.size(); ++i)
            ranges[i] = {decode[2 * i], decode[2 * i + 1]};
    return ranges;
}

QImage fail()
{
    return QImage();
}

// A stencil mask: painted pixels black, the rest white.
QImage stencilImage(const Samples& s, QPDFObjectHandle dict)
{
    const std::vector<double> decode = numbers(dict.getKey("/Decode"));
    const bool paintsOne = decode.size() >= 2 && decode[0] > decode[1];
    QImage image(s.width, s.height, QImage::Format_Mono);
    if (image.isNull())
        return fail();
    image.setColorTable({paintsOne ? qRgb(255, 255, 255) : qRgb(0, 0, 0), paintsOne ? qRgb(0, 0, 0) : qRgb(255, 255, 255)});
    const size_t stride = s.stride();
    for (int y = 0; y < s.height; ++y)
        std::memcpy(image.scanLine(y), s.data.data() + y * stride, stride);
    return image;
}

QImage samplesToImage(const Samples& s, const ColorModel& cm, QPDFObjectHandle dict)
{
    if (s.comps != cm.comps)
        return fail();
    const size_t stride = s.stride();
    const auto ranges = decodeRanges(dict, cm, s.bpc);
    const double maxSample = std::ldexp(1.0, s.bpc) - 1;
    auto row = [&](int y) { return reinterpret_cast<const unsigned char*>(s.data.data()) + y * stride; };
    auto value = [&](unsigned sample, int comp) {
        return ranges[static_cast<size_t>(comp)].first
            + sample * (ranges[static_cast<size_t>(comp)].second - ranges[static_cast<size_t>(comp)].first) / maxSample;
    };

    const bool deviceGray = cm.family == Family::Gray;
    const bool deviceRgb = cm.family == Family::Rgb;

    if (deviceGray && s.bpc == 1) {
        QImage image(s.width, s.height, QImage::Format_Mono);
        if (image.isNull())
            return fail();
        image.setColorTable({qRgb(to8(value(0, 0)), to8(value(0, 0)), to8(value(0, 0))),
                             qRgb(to8(value(1, 0)), to8(value(1, 0)), to8(value(1, 0)))});
        for (int y = 0; y < s.height; ++y)
            std::memcpy(image.scanLine(y), row(y), stride);
        return image;
    }

    if ((deviceGray || deviceRgb) && s.bpc == 16) {
        QImage image(s.width, s.height, deviceGray ? QImage::Format_Grayscale16 : QImage::Format_RGBX64);
        if (image.isNull())
            return fail();
        auto to16 = [](double v) { return static_cast<quint16>(v <= 0 ? 0 : v >= 1 ? 65535 : v * 65535.0 + 0.5); };
        for (int y = 0; y < s.height; ++y) {
            const unsigned char* in = row(y);
            if (deviceGray) {
                auto* out = reinterpret_cast<quint16*>(image.scanLine(y));
                for (int x = 0; x < s.width; ++x)
                    out[x] = to16(value(sampleAt(in, static_cast<size_t>(x), 16), 0));
            } else {
                auto* out = reinterpret_cast<QRgba64*>(image.scanLine(y));
                for (int x = 0; x < s.width; ++x) {
                    const size_t i = static_cast<size_t>(x) * 3;
                    out[x] = QRgba64::fromRgba64(to16(value(sampleAt(in, i, 16), 0)), to16(value(sampleAt(in, i + 1, 16), 1)),
                                                 to16(value(sampleAt(in, i + 2, 16), 2)), 65535);
                }
            }
        }
        return image;
    }

    if (cm.family == Family::Indexed) {
        if (s.bpc > 8)
            return fail();
        QImage image(s.width, s.height, QImage::Format_Indexed8);
        if (image.isNull())
            return fail();
        QVector<QRgb> table(cm.hival + 1);
        std::copy(cm.palette.begin(), cm.palette.end(), table.begin());
        image.setColorTable(table);
        std::array<uchar, 256> index{};
        for (unsigned v = 0; v <= maxSample; ++v)
            index[v] = static_cast<uchar>(std::clamp(static_cast<int>(std::lround(value(v, 0))), 0, cm.hival));
        for (int y = 0; y < s.height; ++y) {
            const unsigned char* in = row(y);
            uchar* out = image.scanLine(y);
            for (int x = 0; x < s.width; ++x)
                out[x] = index[sampleAt(in, static_cast<size_t>(x), s.bpc)];
        }
        return image;
    }

    if (deviceGray || deviceRgb) {
        // Up to 8 bits: one table per component from sample to output byte.
        const bool fast = s.bpc == 8 && std::all_of(ranges.begin(), ranges.end(), [](const auto& r) {
                              return r.first == 0.0 && r.second == 1.0;
                          });
        std::vector<std::array<uchar, 256>> lut(static_cast<size_t>(cm.comps));
        for (int c = 0; c < cm.comps; ++c)
            for (unsigned v = 0; v <= maxSample; ++v)
                lut[static_cast<size_t>(c)][v] = static_cast<uchar>(to8(value(v, c)));
        QImage image(s.width, s.height, deviceGray ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
        if (image.isNull())
            return fail();
        const size_t perRow = static_cast<size_t>(s.width) * cm.comps;
        for (int y = 0; y < s.height; ++y) {
            const unsigned char* in = row(y);
            uchar* out = image.scanLine(y);
            if (fast) {
                std::memcpy(out, in, perRow);
                continue;
            }
            for (size_t i = 0; i < perRow; ++i)
                out[i] = lut[i % static_cast<size_t>(cm.comps)][sampleAt(in, i, s.bpc)];
        }
        if (deviceRgb && !cm.iccProfile.isEmpty()) {
            const QColorSpace space = QColorSpace::fromIccProfile(cm.iccProfile);
            if (space.isValid())
                image.setColorSpace(space);
        }
        return image;
    }

    // CMYK, Lab and inks: converted pixel by pixel to 8-bit RGB.
    QImage image(s.width, s.height, QImage::Format_RGB888);
    if (image.isNull())
        return fail();
    std::vector<std::array<double, 256>> table;
    if (s.bpc <= 8) {
        table.resize(static_cast<size_t>(cm.comps));
        for (int c = 0; c < cm.comps; ++c)
            for (unsigned v = 0; v <= maxSample; ++v)
                table[static_cast<size_t>(c)][v] = value(v, c);
    }
    double c[32];
    for (int y = 0; y < s.height; ++y) {
        const unsigned char* in = row(y);
        uchar* out = image.scanLine(y);
        for (int x = 0; x < s.width; ++x) {
            const size_t base = static_cast<size_t>(x) * cm.comps;
            for (int k = 0; k < cm.comps; ++k) {
                const unsigned v = sampleAt(in, base + k, s.bpc);
                c[k] = s.bpc <= 8 ? table[static_cast<size_t>(k)][v] : value(v, k);
            }
            const QRgb rgb = toRgb(cm, c);
            out[3 * x] = static_cast<uchar>(qRed(rgb));
            out[3 * x + 1] = static_cast<uchar>(qGreen(rgb));
            out[3 * x + 2] = static_cast<uchar>(qBlue(rgb));
        }
    }
    return image;
}

// --- codecs -----------------------------------------------------------------

// libjpeg's failures end the decoding; its messages are never printed.
struct JpegErrors {
    jpeg_error_mgr base;
    std::jmp_buf escape;

    static void fail(j_common_ptr info)
    {
        std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->escape, 1);
    }
    static void quiet(j_common_ptr) {}
};

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
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = JpegErrors::fail;
    errors.base.output_message = JpegErrors::quiet;
    errors.base.emit_message = [](j_common_ptr, int) {};
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

// CCITT fax data decoded by libtiff, as PDF samples (0 black unless BlackIs1).
bool decodeCcitt(const std::string& data, QPDFObjectHandle parms, int width, int height, Samples& s)
{
    const int k = intValue(key(parms, "/K"), 0);
    const int columns = intValue(key(parms, "/Columns"), 1728);
    int rows = intValue(key(parms, "/Rows"), 0);
    if (rows <= 0)
        rows = height;
    const bool blackIs1 = boolValue(key(parms, "/BlackIs1"), false);
    const bool byteAlign = boolValue(key(parms, "/EncodedByteAlign"), false);
    const bool endOfLine = boolValue(key(parms, "/EndOfLine"), false);
    if (columns <= 0 || rows <= 0 || columns > (1 << 20) || static_cast<double>(columns) * rows > maxRenderPixels)
        return false;

    // The data as the one strip of an in-memory TIFF.
    QByteArray tiffData;
    {
        QBuffer buffer(&tiffData);
        buffer.open(QIODevice::ReadWrite);
        TIFF* tif = openTiff(buffer, "w");
        if (!tif)
            return false;
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(columns));
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(rows));
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, k < 0 ? COMPRESSION_CCITTFAX4 : COMPRESSION_CCITTFAX3);
        if (k >= 0)
            TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, static_cast<uint32_t>(k > 0 ? GROUP3OPT_2DENCODING : 0));
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(rows));
        const bool written = TIFFWriteRawStrip(tif, 0, const_cast<char*>(data.data()), static_cast<tmsize_t>(data.size())) >= 0
            && TIFFWriteDirectory(tif) == 1;
        TIFFClose(tif);
        if (!written)
            return false;
    }
    QBuffer input(&tiffData);
    input.open(QIODevice::ReadOnly);
    TIFF* tif = openTiff(input, "r");
    if (!tif)
        return false;
    int mode = FAXMODE_CLASSIC;
    if (!endOfLine)
        mode |= FAXMODE_NOEOL;
    if (byteAlign)
        mode |= FAXMODE_BYTEALIGN;
    TIFFSetField(tif, TIFFTAG_FAXMODE, mode);
    const size_t stride = (static_cast<size_t>(columns) + 7) / 8;
    // Rows the decoder cannot reach stay white (libtiff gives 1 for black).
    std::string bits(stride * static_cast<size_t>(rows), '\0');
    TIFFReadEncodedStrip(tif, 0, bits.data(), static_cast<tmsize_t>(bits.size()));
    TIFFClose(tif);
    s.width = width;
    s.height = height;
    s.comps = 1;
    s.bpc = 1;
    const size_t outStride = s.stride();
    s.data.assign(outStride * static_cast<size_t>(height), '\0');
    for (int y = 0; y < std::min(height, rows); ++y)
        std::memcpy(&s.data[outStride * y], bits.data() + stride * y, std::min(stride, outStride));
    if (!blackIs1)
        for (char& b : s.data)
            b = static_cast<char>(~b);
    return true;
}

// jbig2dec's memory, held to a budget so that hostile data cannot exhaust it.
struct BudgetAllocator {
    Jbig2Allocator base;
    size_t used = 0;
    size_t budget = 0;

    static BudgetAllocator* self(Jbig2Allocator* a) { return reinterpret_cast<BudgetAllocator*>(a); }
    static constexpr size_t header = 16;

    static void* alloc(Jbig2Allocator* a, size_t size)
    {
        BudgetAllocator* b = self(a);
        if (size > b->budget - b->used)
            return nullptr;
        auto* p = static_cast<unsigned char*>(std::malloc(size + header));
        if (!p)
            return nullptr;
        std::memcpy(p, &size, sizeof size);
        b->used += size;
        return p + header;
    }
    static void release(Jbig2Allocator* a, void* ptr)
    {
        if (!ptr)
            return;
        auto* p = static_cast<unsigned char*>(ptr) - header;
        size_t size;
        std::memcpy(&size, p, sizeof size);
        self(a)->used -= size;
        std::free(p);
    }
    static void* resize(Jbig2Allocator* a, void* ptr, size_t size)
    {
        if (!ptr)
            return alloc(a, size);
        BudgetAllocator* b = self(a);
        auto* p = static_cast<unsigned char*>(ptr) - header;
        size_t old;
        std::memcpy(&old, p, sizeof old);
        if (size > old && size - old > b->budget - b->used)
            return nullptr;
        auto* q = static_cast<unsigned char*>(std::realloc(p, size + header));
        if (!q)
            return nullptr;
        std::memcpy(q, &size, sizeof size);
        b->used = b->used - old + size;
        return q + header;
    }

    explicit BudgetAllocator(size_t limit)
        : budget(limit)
    {
        base.alloc = alloc;
        base.free = release;
        base.realloc = resize;
    }
};

void quietJbig2(void*, const char*, Jbig2Severity, uint32_t) {}

// JBIG2 data (with its global segments) decoded by jbig2dec, as PDF samples
// (0 black).
bool decodeJbig2(const std::string& data, const std::string& globals, int width, int height, Samples& s)
{
    BudgetAllocator allocator(size_t(1) << 30);
    Jbig2GlobalCtx* globalCtx = nullptr;
    if (!globals.empty()) {
        Jbig2Ctx* g = jbig2_ctx_new(&allocator.base, JBIG2_OPTIONS_EMBEDDED, nullptr, quietJbig2, nullptr);
        if (!g)
            return false;
        jbig2_data_in(g, reinterpret_cast<const unsigned char*>(globals.data()), globals.size());
        globalCtx = jbig2_make_global_ctx(g);
    }
    bool ok = false;
    Jbig2Ctx* ctx = jbig2_ctx_new(&allocator.base, JBIG2_OPTIONS_EMBEDDED, globalCtx, quietJbig2, nullptr);
    if (ctx) {
        jbig2_data_in(ctx, reinterpret_cast<const unsigned char*>(data.data()), data.size());
        jbig2_complete_page(ctx);
        if (Jbig2Image* page = jbig2_page_out(ctx)) {
            s.width = width;
            s.height = height;
            s.comps = 1;
            s.bpc = 1;
            const size_t stride = s.stride();
            // Beyond the decoded page the image stays white.
            s.data.assign(stride * static_cast<size_t>(height), static_cast<char>(0xff));
            const int rows = std::min<long long>(height, page->height);
            const size_t copy = std::min<size_t>(stride, page->stride);
            for (int y = 0; y < rows; ++y) {
                const uint8_t* in = page->data + static_cast<size_t>(y) * page->stride;
                char* out = &s.data[stride * y];
                // JBIG2 has 1 for black, PDF samples 0.
                for (size_t i = 0; i < copy; ++i)
                    out[i] = static_cast<char>(~in[i]);
            }
            jbig2_release_page(ctx, page);
            ok = true;
        }
        jbig2_ctx_free(ctx);
    }
    if (globalCtx)
        jbig2_global_ctx_free(globalCtx);
    return ok;
}

struct OpjInput {
    const std::string* data;
    size_t pos = 0;
};

OPJ_SIZE_T opjRead(void* buffer, OPJ_SIZE_T size, void* user)
{
    auto* in = static_cast<OpjInput*>(user);
    if (in->pos >= in->data->size())
        return static_cast<OPJ_SIZE_T>(-1);
    const size_t n = std::min<size_t>(size, in->data->size() - in->pos);
    std::memcpy(buffer, in->data->data() + in->pos, n);
    in->pos += n;
    return n;
}

OPJ_OFF_T opjSkip(OPJ_OFF_T n, void* user)
{
    auto* in = static_cast<OpjInput*>(user);
    const long long target = std::clamp<long long>(static_cast<long long>(in->pos) + n, 0, static_cast<long long>(in->data->size()));
    const OPJ_OFF_T moved = static_cast<OPJ_OFF_T>(target - static_cast<long long>(in->pos));
    in->pos = static_cast<size_t>(target);
    return moved;
}

OPJ_BOOL opjSeek(OPJ_OFF_T n, void* user)
{
    auto* in = static_cast<OpjInput*>(user);
    if (n < 0 || static_cast<unsigned long long>(n) > in->data->size())
        return OPJ_FALSE;
    in->pos = static_cast<size_t>(n);
    return OPJ_TRUE;
}

void quietOpj(const char*, void*) {}

// JPEG 2000 data decoded by OpenJPEG. The PDF's colour space, when it gives
// one, says what the components mean; otherwise the data's own does.
QImage decodeJpx(const std::string& data, QPDFObjectHandle dict)
{
    if (data.size() < 12)
        return fail();
    static const unsigned char jp2Signature[] = {0, 0, 0, 0x0c, 'j', 'P', ' ', ' '};
    const bool jp2 = std::memcmp(data.data(), jp2Signature, sizeof jp2Signature) == 0;
    opj_codec_t* codec = opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    if (!codec)
        return fail();
    opj_set_info_handler(codec, quietOpj, nullptr);
    opj_set_warning_handler(codec, quietOpj, nullptr);
    opj_set_error_handler(codec, quietOpj, nullptr);
    opj_dparameters_t params;
    opj_set_default_decoder_parameters(&params);
    OpjInput input{&data};
    opj_stream_t* stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE);
    opj_image_t* image = nullptr;
    QImage result;
    if (stream && opj_setup_decoder(codec, &params)) {
        opj_stream_set_user_data(stream, &input, nullptr);
        opj_stream_set_user_data_length(stream, data.size());
        opj_stream_set_read_function(stream, opjRead);
        opj_stream_set_skip_function(stream, opjSkip);
        opj_stream_set_seek_function(stream, opjSeek);
        if (opj_read_header(stream, codec, &image) && image && image->numcomps > 0) {
            const double w = double(image->x1) - image->x0, h = double(image->y1) - image->y0;
            if (w > 0 && h > 0 && w * h <= maxRenderPixels && opj_decode(codec, stream, image)) {
                opj_end_decompress(codec, stream);
                // Components as read; the colour space decides how many are colour.
                const opj_image_comp_t* c0 = &image->comps[0];
                const int width = static_cast<int>(c0->w * c0->dx), height = static_cast<int>(c0->h * c0->dy);
                ColorModel cm;
                bool known = resolveColorSpace(dict.getKey("/ColorSpace"), cm) && cm.family != Family::Indexed;
                bool ycc = false;
                if (!known) {
                    const int n = static_cast<int>(image->numcomps);
                    known = deviceByComponents(image->color_space == OPJ_CLRSPC_CMYK && n >= 4 ? 4 : n >= 3 ? 3 : 1, cm);
                    ycc = image->color_space == OPJ_CLRSPC_SYCC && n >= 3;
                }
                bool componentsOk = known && static_cast<int>(image->numcomps) >= cm.comps && width > 0 && height > 0;
                for (int i = 0; componentsOk && i < cm.comps; ++i) {
                    const opj_image_comp_t& c = image->comps[i];
                    componentsOk = c.data && c.w > 0 && c.h > 0 && c.prec >= 1 && c.prec <= 31;
                }
                if (componentsOk) {
                    const int maxPrec = [&] {
                        int p = 1;
                        for (int i = 0; i < cm.comps; ++i)
                            p = std::max<int>(p, static_cast<int>(image->comps[i].prec));
                        return p;
                    }();
                    // Re-expressed as samples of 8 or 16 bits, then drawn like any other image.
                    Samples s;
                    s.width = width;
                    s.height = height;
                    s.comps = cm.comps;
                    s.bpc = maxPrec > 8 ? 16 : 8;
                    const size_t stride = s.stride();
                    s.data.assign(stride * static_cast<size_t>(height), '\0');
                    const double outMax = s.bpc == 16 ? 65535.0 : 255.0;
                    for (int y = 0; y < height; ++y) {
                        unsigned char* out = reinterpret_cast<unsigned char*>(&s.data[stride * y]);
                        for (int x = 0; x < width; ++x) {
                            double v[4] = {0, 0, 0, 0};
                            for (int i = 0; i < cm.comps && i < 4; ++i) {
                                const opj_image_comp_t& c = image->comps[i];
                                const size_t cx = std::min<size_t>(c.w - 1, static_cast<size_t>(x) / std::max(1u, c.dx));
                                const size_t cy = std::min<size_t>(c.h - 1, static_cast<size_t>(y) / std::max(1u, c.dy));
                                long long raw = c.data[cy * c.w + cx];
                                if (c.sgnd)
                                    raw += 1LL << (c.prec - 1);
                                v[i] = static_cast<double>(raw) / (std::ldexp(1.0, static_cast<int>(c.prec)) - 1);
                            }
                            if (ycc) {
                                const double yy = v[0], cb = v[1] - 0.5, cr = v[2] - 0.5;
                                v[0] = yy + 1.402 * cr;
                                v[1] = yy - 0.344136 * cb - 0.714136 * cr;
                                v[2] = yy + 1.772 * cb;
                            }
                            for (int i = 0; i < cm.comps; ++i) {
                                const double comp = i < 4 ? v[i] : 0.0;
                                const unsigned q = static_cast<unsigned>(std::clamp(comp, 0.0, 1.0) * outMax + 0.5);
                                const size_t at = static_cast<size_t>(x) * cm.comps + i;
                                if (s.bpc == 16) {
                                    out[2 * at] = static_cast<unsigned char>(q >> 8);
                                    out[2 * at + 1] = static_cast<unsigned char>(q & 0xff);
                                } else {
                                    out[at] = static_cast<unsigned char>(q);
                                }
                            }
                        }
                    }
                    // The data already holds final component values: no /Decode.
                    result = samplesToImage(s, cm, QPDFObjectHandle::newDictionary());
                }
            }
        }
    }
    if (image)
        opj_image_destroy(image);
    if (stream)
        opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    return result;
}

bool isDefaultDecode(const std::vector<double>& decode, int comps)
{
    if (decode.empty())
        return true;
    if (decode.size() < 2 * static_cast<size_t>(comps))
        return false;
    for (int i = 0; i < comps; ++i)
        if (decode[2 * i] != 0.0 || decode[2 * i + 1] != 1.0)
            return false;
    return true;
}

bool isInvertedDecode(const std::vector<double>& decode, int comps)
{
    if (decode.size() < 2 * static_cast<size_t>(comps))
        return false;
    for (int i = 0; i < comps; ++i)
        if (decode[2 * i] != 1.0 || decode[2 * i + 1] != 0.0)
            return false;
    return true;
}

ImageFileData decodeImage(QPDFObjectHandle image)
{
    ImageFileData result;
    if (!image.isStream())
        return result;
    QPDFObjectHandle dict = image.getDict();
    const int width = intValue(dict.getKey("/Width"), 0);
    const int height = intValue(dict.getKey("/Height"), 0);
    if (width <= 0 || height <= 0 || static_cast<double>(width) * height > maxRenderPixels)
        return result;
    const FilterChain filters = filterChain(dict);
    const Codec codec = codecOf(filters);
    const bool stencil = boolValue(dict.getKey("/ImageMask"), false);
    ColorModel cm;
    const bool hasColorSpace = !stencil && resolveColorSpace(dict.getKey("/ColorSpace"), cm);
    QPDFObjectHandle parms = filters.parms.empty() ? QPDFObjectHandle::newNull() : filters.parms.back();

    if (codec == Codec::Jpx) {
        std::string data;

        if (streamData(image, filters, codec, maxDecodedBytes, data))
            result.image = decodeJpx(data, dict);
        return result;
    }

    const int bpc = stencil || codec == Codec::Ccitt || codec == Codec::Jbig2 ? 1 : intValue(dict.getKey("/BitsPerComponent"), 8);
    if (bpc != 1 && bpc != 2 && bpc != 4 && bpc != 8 && bpc != 16)
        return result;

    Samples s;
    if (codec == Codec::Dct) {
        std::string jpeg;
        if (!streamData(image, filters, codec, maxDecodedBytes, jpeg))
            return result;
        const JpegLayout info = jpegLayout(reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size(), false);
        if (info.components != 1 && info.components != 3 && info.components != 4)
            return result;
        if (!hasColorSpace && !stencil)
            deviceByComponents(info.components, cm);
        // Image readers show the JPEG bytes as the page does when the colour
        // space is plain and the samples are used as stored; CMYK JPEG data
        // is taken by readers as inverted (Adobe's convention), which the
        // page shows only with an inverting /Decode.
        const std::vector<double> decode = numbers(dict.getKey("/Decode"));
        const bool plainSpace = !stencil && cm.comps == info.components
            && (cm.family == Family::Gray || cm.family == Family::Rgb || cm.family == Family::Cmyk);
        const bool asStored = info.components == 4 ? isInvertedDecode(decode, 4) : isDefaultDecode(decode, info.components);
        if (plainSpace && asStored) {
            result.jpeg = QByteArray(jpeg.data(), static_cast<int>(jpeg.size()));
            return result;
        }
        if (!decodeJpeg(jpeg, info, s))
            return result;
    } else if (codec == Codec::Ccitt) {
        std::string data;
        if (!streamData(image, filters, codec, maxDecodedBytes, data) || !decodeCcitt(data, parms, width, height, s))
            return result;
    } else if (codec == Codec::Jbig2) {
        std::string data, globals;
        if (!streamData(image, filters, codec, maxDecodedBytes, data))
            return result;
        QPDFObjectHandle globalsStream = key(parms, "/JBIG2Globals");
        if (globalsStream.isStream()) {
            Collector out(maxDecodedBytes);
            if (decodeStream(globalsStream, out, Damage::Salvage))
                globals = std::move(out.bytes);
        }
        if (!decodeJbig2(data, globals, width, height, s))
            return result;
    } else {
        s.width = width;
        s.height = height;
        s.bpc = bpc;
        s.comps = stencil ? 1 : cm.comps;
        if (!stencil && !hasColorSpace)
            return result;
        const size_t expected = s.stride() * static_cast<size_t>(height);
        if (expected > maxDecodedBytes || !streamData(image, filters, codec, expected, s.data))
            return result;
        // Short data: the missing rows stay at sample 0, as viewers show them.
        s.data.resize(expected, '\0');
    }

    if (stencil) {
        if (s.comps != 1 || s.bpc != 1)
            return result;
        result.image = stencilImage(s, dict);
        return result;
    }
    if (!hasColorSpace && codec != Codec::Dct) {
        // CCITT and JBIG2 images are one-bit gray whatever they claim.
        deviceByComponents(1, cm);
    }
    if (codec == Codec::Dct && s.comps != cm.comps) {
        cm = ColorModel();
        deviceByComponents(s.comps, cm);
    }
    result.image = samplesToImage(s, cm, dict);
    return result;
}

} // namespace

int imageTypeOf(QPDFObjectHandle image)
{
    if (!image.isStream())
        return ImageTypeUnknown;
    switch (codecOf(filterChain(image.getDict()))) {
    case Codec::Dct: return ImageTypeJpeg;
    case Codec::Jpx: return ImageTypeJpeg2000;
    case Codec::Jbig2: return ImageTypeJbig2;
    case Codec::Ccitt: return ImageTypeTiff;
    case Codec::Plain: return ImageTypePng;
    }
    return ImageTypePng;
}

ImageFileData imageFileData(QPDFObjectHandle image)
{
    try {
        return decodeImage(image);
    } catch (const std::exception&) {
        return ImageFileData();
    }
}

} // namespace fpe
