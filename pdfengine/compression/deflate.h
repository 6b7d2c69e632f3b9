#pragma once

// zlib's deflate, wherever the engine compresses data itself (QPDF's writer
// compresses the rest): a stream fed piece by piece, or one call for data
// held whole.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace fpe {

enum class Deflate {
    Default,   // zlib's default level: image samples read from files
    Best,      // zlib's best level, as for text-like data
    Predicted  // PNG-predicted pixels: zlib's filtered strategy at its default
               // level; level 9 crawls on such data for about 1% less
};

class Deflater
{
public:
    // sizeHint: the input's size when known, to allocate the output once.
    explicit Deflater(Deflate mode, size_t sizeHint = 0);
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Compresses the data; finish with the last piece. Throws when zlib fails.
    void add(const uint8_t* data, size_t size, bool finish);
    // The compressed data, once finished; the deflater is empty after.
    std::string take();

private:
    struct Stream;
    std::unique_ptr<Stream> z;
    std::string out;
    size_t produced = 0;
};

// The data compressed in one go.
std::string deflate(const std::string& data, Deflate mode);

} // namespace fpe
