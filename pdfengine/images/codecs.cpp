// Image codecs of image XObjects: CCITT fax through libtiff, JBIG2 through
// jbig2dec, JPEG 2000 through OpenJPEG. Their messages are never printed and
// their memory is bounded.

#include "images/codecs.h"

#include "images/imagedecode.h"
#include "images/tiffdevice.h"
#include "render/render.h"

#include <jbig2.h>
#include <openjpeg.h>

#include <QBuffer>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace fpe {

// CCITT fax data decoded by libtiff, as PDF samples (0 black unless BlackIs1).
bool decodeCcitt(const std::string& data, QPDFObjectHandle parms, int width, int height, Samples& s)
{
    const int k = intValue(entryOf(parms, "/K"), 0);
    const int columns = intValue(entryOf(parms, "/Columns"), 1728);
    int rows = intValue(entryOf(parms, "/Rows"), 0);
    if (rows <= 0)
        rows = height;
    const bool blackIs1 = boolValue(entryOf(parms, "/BlackIs1"), false);
    const bool byteAlign = boolValue(entryOf(parms, "/EncodedByteAlign"), false);
    const bool endOfLine = boolValue(entryOf(parms, "/EndOfLine"), false);
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

namespace {

// jbig2dec's memory, held to a budget so that hostile data cannot exhaust it.
// A block costs its size, its header and the C library's own bookkeeping:
// damaged pattern dictionaries ask for millions of tiny blocks, whose
// overhead would otherwise take several times the budget.
struct BudgetAllocator {
    Jbig2Allocator base;
    size_t used = 0;
    size_t budget = 0;

    static BudgetAllocator* self(Jbig2Allocator* a) { return reinterpret_cast<BudgetAllocator*>(a); }
    static constexpr size_t header = 16;
    static constexpr size_t cost(size_t size) { return size + header + 16; }

    static void* alloc(Jbig2Allocator* a, size_t size)
    {
        BudgetAllocator* b = self(a);
        if (size > b->budget || cost(size) > b->budget - b->used)
            return nullptr;
        auto* p = static_cast<unsigned char*>(std::malloc(size + header));
        if (!p)
            return nullptr;
        std::memcpy(p, &size, sizeof size);
        b->used += cost(size);
        return p + header;
    }
    static void release(Jbig2Allocator* a, void* ptr)
    {
        if (!ptr)
            return;
        auto* p = static_cast<unsigned char*>(ptr) - header;
        size_t size;
        std::memcpy(&size, p, sizeof size);
        self(a)->used -= cost(size);
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
        if (size > b->budget || (size > old && size - old > b->budget - b->used))
            return nullptr;
        auto* q = static_cast<unsigned char*>(std::realloc(p, size + header));
        if (!q)
            return nullptr;
        std::memcpy(q, &size, sizeof size);
        b->used = b->used - cost(old) + cost(size);
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

} // namespace

// JBIG2 data (with its global segments) decoded by jbig2dec, as PDF samples
// (0 black).
bool decodeJbig2(const std::string& data, const std::string& globals, int width, int height, Samples& s)
{
    // Decoding needs a few page-sized bitmaps besides dictionaries of small
    // ones: four times the image's own bitmap and 64 MiB more is room enough
    // for real files, and keeps a small damaged image from taking a gigabyte.
    const size_t bitmap = size_t(std::max(width, 0) + 7) / 8 * size_t(std::max(height, 0));
    BudgetAllocator allocator(std::min((size_t(64) << 20) + 4 * bitmap, size_t(1) << 30));
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

namespace {

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

} // namespace

// JPEG 2000 data decoded by OpenJPEG. The PDF's colour space, when it gives
// one, says what the components mean; otherwise the data's own does.
QImage decodeJpx(const std::string& data, QPDFObjectHandle dict)
{
    if (data.size() < 12)
        return QImage();
    static const unsigned char jp2Signature[] = {0, 0, 0, 0x0c, 'j', 'P', ' ', ' '};
    const bool jp2 = std::memcmp(data.data(), jp2Signature, sizeof jp2Signature) == 0;
    opj_codec_t* codec = opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    if (!codec)
        return QImage();
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

} // namespace fpe
