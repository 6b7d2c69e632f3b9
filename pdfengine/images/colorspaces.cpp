// Colour spaces of image XObjects, and samples turned into pixels through
// them.

#include "images/colorspaces.h"

#include "images/imagedecode.h"

#include <QColorSpace>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace fpe {

namespace {

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

} // namespace

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

namespace {

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

} // namespace

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
        const std::vector<double> white = numbers(entryOf(param, "/WhitePoint"));
        if (white.size() == 3 && white[1] > 0)
            cm.white = {{white[0], white[1], white[2]}};
        const std::vector<double> range = numbers(entryOf(param, "/Range"));
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

namespace {

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

} // namespace

// A stencil mask: painted pixels black, the rest white.
QImage stencilImage(const Samples& s, QPDFObjectHandle dict)
{
    const std::vector<double> decode = numbers(dict.getKey("/Decode"));
    const bool paintsOne = decode.size() >= 2 && decode[0] > decode[1];
    QImage image(s.width, s.height, QImage::Format_Mono);
    if (image.isNull())
        return QImage();
    image.setColorTable({paintsOne ? qRgb(255, 255, 255) : qRgb(0, 0, 0), paintsOne ? qRgb(0, 0, 0) : qRgb(255, 255, 255)});
    const size_t stride = s.stride();
    for (int y = 0; y < s.height; ++y)
        std::memcpy(image.scanLine(y), s.data.data() + y * stride, stride);
    return image;
}

QImage samplesToImage(const Samples& s, const ColorModel& cm, QPDFObjectHandle dict)
{
    if (s.comps != cm.comps)
        return QImage();
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
            return QImage();
        image.setColorTable({qRgb(to8(value(0, 0)), to8(value(0, 0)), to8(value(0, 0))),
                             qRgb(to8(value(1, 0)), to8(value(1, 0)), to8(value(1, 0)))});
        for (int y = 0; y < s.height; ++y)
            std::memcpy(image.scanLine(y), row(y), stride);
        return image;
    }

    if ((deviceGray || deviceRgb) && s.bpc == 16) {
        QImage image(s.width, s.height, deviceGray ? QImage::Format_Grayscale16 : QImage::Format_RGBX64);
        if (image.isNull())
            return QImage();
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
            return QImage();
        QImage image(s.width, s.height, QImage::Format_Indexed8);
        if (image.isNull())
            return QImage();
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
            return QImage();
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
        return QImage();
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

} // namespace fpe
