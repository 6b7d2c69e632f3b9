// Image XObjects turned into image files (imagedecode.h): the stream's data
// through its general filters (compression/filters.h), then its codec
// (jpeg.h, codecs.h) and colour space (colorspaces.h).

#include "images/imagedecode.h"

#include "compression/collector.h"
#include "compression/filters.h"
#include "images/codecs.h"
#include "images/colorspaces.h"
#include "images/images.h"
#include "images/jpeg.h"
#include "render/render.h"

#include <cmath>
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

bool boolValue(QPDFObjectHandle o, bool fallback)
{
    return o.isBool() ? o.getBoolValue() : fallback;
}

QPDFObjectHandle entryOf(QPDFObjectHandle dict, const char* name)
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
        QPDFObjectHandle globalsStream = entryOf(parms, "/JBIG2Globals");
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
        return folio::ImageUnknown;
    switch (codecOf(filterChain(image.getDict()))) {
    case Codec::Dct: return folio::ImageJpeg;
    case Codec::Jpx: return folio::ImageJpeg2000;
    case Codec::Jbig2: return folio::ImageJbig2;
    case Codec::Ccitt: return folio::ImageTiff;
    case Codec::Plain: return folio::ImagePng;
    }
    return folio::ImagePng;
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
