#include "compression/deflate.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

namespace fpe {

struct Deflater::Stream {
    z_stream z{};
};

Deflater::Deflater(Deflate mode, size_t sizeHint)
    : z(std::make_unique<Stream>())
{
    const int level = mode == Deflate::Best ? 9 : Z_DEFAULT_COMPRESSION;
    const int strategy = mode == Deflate::Predicted ? Z_FILTERED : Z_DEFAULT_STRATEGY;
    if (deflateInit2(&z->z, level, Z_DEFLATED, 15, 8, strategy) != Z_OK)
        throw std::runtime_error("zlib cannot start");
    const size_t bound = sizeHint <= 0xffffffffu ? deflateBound(&z->z, static_cast<uLong>(sizeHint)) : sizeHint;
    out.resize(std::max<size_t>(bound, 65536));
}

Deflater::~Deflater()
{
    deflateEnd(&z->z);
}

void Deflater::add(const uint8_t* data, size_t size, bool finish)
{
    z_stream& s = z->z;
    s.next_in = const_cast<Bytef*>(data);
    s.avail_in = 0;
    size_t left = size;  // not handed to zlib yet: it counts in 32 bits
    for (;;) {
        if (s.avail_in == 0 && left > 0) {
            const size_t slice = std::min<size_t>(left, 1u << 30);
            s.avail_in = static_cast<uInt>(slice);
            left -= slice;
        }
        if (out.size() - produced < 65536)
            out.resize(out.size() * 2);
        s.next_out = reinterpret_cast<Bytef*>(&out[produced]);
        s.avail_out = static_cast<uInt>(std::min<size_t>(out.size() - produced, 1u << 30));
        const size_t room = s.avail_out;
        const bool last = finish && left == 0;
        const int rc = ::deflate(&s, last ? Z_FINISH : Z_NO_FLUSH);
        produced += room - s.avail_out;
        if (rc == Z_STREAM_ERROR)
            throw std::runtime_error("zlib failed");
        if (last ? rc == Z_STREAM_END : (left == 0 && s.avail_in == 0 && s.avail_out > 0))
            return;
    }
}

std::string Deflater::take()
{
    out.resize(produced);
    produced = 0;
    return std::move(out);
}

std::string deflate(const std::string& data, Deflate mode)
{
    Deflater deflater(mode, data.size());
    deflater.add(reinterpret_cast<const uint8_t*>(data.data()), data.size(), true);
    return deflater.take();
}

} // namespace fpe
