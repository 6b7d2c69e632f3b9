#pragma once

// A stream's filter chain as its dictionary states it, and the stream's data
// decoded through the general filters it starts with: read the same way by
// the compression operations (which re-encode what they decode) and by image
// extraction (which decodes up to an image codec).

#include "compression/collector.h"

#include <qpdf/QPDFObjectHandle.hh>

#include <string>
#include <vector>

namespace fpe {

struct FilterChain {
    std::vector<std::string> names;       // outermost first; abbreviations spelled out ("/Fl": "/FlateDecode")
    std::vector<QPDFObjectHandle> parms;  // each filter's decode parameters, null where none
    bool valid = true;                    // false when /Filter is not a name or an array of names

    // How many filters at the start lose nothing and QPDF undoes: Flate,
    // LZW, ASCIIHex, ASCII85 and RunLength.
    size_t generalFilters() const;
    bool allGeneral() const { return valid && generalFilters() == names.size(); }
};

FilterChain filterChain(QPDFObjectHandle streamDict);

enum class Damage {
    Refuse,  // only data that decodes cleanly
    Salvage  // a damaged stream gives what could be decoded before the damage
};

// The stream's data through the first count filters of its chain, which must
// be general ones (0: the data as stored), collected in out (which bounds its
// size). False when nothing could be decoded, or with Refuse when anything
// failed. May throw for damaged objects.
bool decodeFilters(QPDFObjectHandle stream, const FilterChain& chain, size_t count, Collector& out, Damage damage);

// The stream's data through its whole chain, when every filter is a general one.
bool decodeStream(QPDFObjectHandle stream, Collector& out, Damage damage);

} // namespace fpe
