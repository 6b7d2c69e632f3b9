#pragma once

#include <qpdf/Pipeline.hh>

#include <string>

namespace fpe {

// Collects piped data up to a limit, so that a decompression bomb cannot
// exhaust memory: what comes past the limit is dropped and `overflow` set.
class Collector : public Pipeline
{
public:
    explicit Collector(size_t limit)
        : Pipeline("collect", nullptr), limit(limit)
    {
    }
    void write(unsigned char const* data, size_t len) override
    {
        const size_t room = limit - bytes.size();
        if (len > room) {
            len = room;
            overflow = true;
        }
        bytes.append(reinterpret_cast<const char*>(data), len);
    }
    void finish() override {}

    std::string bytes;
    bool overflow = false;

private:
    size_t limit;
};

} // namespace fpe
