#include "compression/filters.h"

#include <qpdf/QPDF.hh>

namespace fpe {

namespace {

std::string canonicalFilter(const std::string& name)
{
    static const std::pair<const char*, const char*> abbreviations[] = {
        {"/AHx", "/ASCIIHexDecode"}, {"/A85", "/ASCII85Decode"}, {"/LZW", "/LZWDecode"}, {"/Fl", "/FlateDecode"},
        {"/RL", "/RunLengthDecode"}, {"/CCF", "/CCITTFaxDecode"}, {"/DCT", "/DCTDecode"},
    };
    for (const auto& a : abbreviations)
        if (name == a.first)
            return a.second;
    return name;
}

bool isGeneralFilter(const std::string& name)
{
    return name == "/FlateDecode" || name == "/LZWDecode" || name == "/ASCII85Decode" || name == "/ASCIIHexDecode"
        || name == "/RunLengthDecode";
}

// Pipes the stream through QPDF's decoders for its whole chain.
bool pipeDecoded(QPDFObjectHandle stream, Collector& out, Damage damage)
{
    bool attempted = false;
    if (damage == Damage::Refuse)
        return stream.pipeStreamData(&out, &attempted, 0, qpdf_dl_specialized, true, true) && attempted;
    try {
        const bool ok = stream.pipeStreamData(&out, &attempted, 0, qpdf_dl_specialized, true, false);
        return attempted && (ok || !out.bytes.empty());
    } catch (const std::exception&) {
        return attempted && !out.bytes.empty();
    }
}

} // namespace

size_t FilterChain::generalFilters() const
{
    size_t n = 0;
    while (n < names.size() && isGeneralFilter(names[n]))
        ++n;
    return n;
}

FilterChain filterChain(QPDFObjectHandle dict)
{
    FilterChain f;
    QPDFObjectHandle filter = dict.getKey("/Filter");
    QPDFObjectHandle parms = dict.getKey("/DecodeParms");
    if (filter.isName()) {
        f.names.push_back(canonicalFilter(filter.getName()));
    } else if (filter.isArray()) {
        for (QPDFObjectHandle item : filter.aitems()) {
            if (!item.isName()) {
                f.valid = false;
                return f;
            }
            f.names.push_back(canonicalFilter(item.getName()));
        }
    } else if (!filter.isNull()) {
        f.valid = false;
        return f;
    }
    // An array holds one entry per filter; a lone dictionary belongs to the first.
    for (size_t i = 0; i < f.names.size(); ++i) {
        QPDFObjectHandle p = QPDFObjectHandle::newNull();
        if (parms.isArray() && static_cast<int>(i) < parms.getArrayNItems())
            p = parms.getArrayItem(static_cast<int>(i));
        else if (parms.isDictionary() && i == 0)
            p = parms;
        f.parms.push_back(p.isDictionary() ? p : QPDFObjectHandle::newNull());
    }
    return f;
}

bool decodeFilters(QPDFObjectHandle stream, const FilterChain& chain, size_t count, Collector& out, Damage damage)
{
    if (!chain.valid || count > chain.generalFilters())
        return false;
    if (count == 0) {
        bool attempted = false;
        const bool ok = stream.pipeStreamData(&out, &attempted, 0, qpdf_dl_none, true, false);
        return ok || (damage == Damage::Salvage && !out.bytes.empty());
    }
    if (count == chain.names.size())
        return pipeDecoded(stream, out, damage);
    // Only the leading filters: a copy of the stream that carries just them,
    // in a scratch document of fresh objects (QPDF refuses to mix objects of
    // two documents).
    QPDF scratch;
    scratch.setSuppressWarnings(true);
    scratch.emptyPDF();
    QPDFObjectHandle names = QPDFObjectHandle::newArray();
    QPDFObjectHandle parms = QPDFObjectHandle::newArray();
    for (size_t i = 0; i < count; ++i) {
        QPDFObjectHandle p = chain.parms[i];
        names.appendItem(QPDFObjectHandle::newName(chain.names[i]));
        parms.appendItem(p.isNull() ? QPDFObjectHandle::newNull() : QPDFObjectHandle::parse(p.unparseResolved()));
    }
    QPDFObjectHandle copy = scratch.newStream();
    copy.replaceStreamData(stream.getRawStreamData(), names, parms);
    return pipeDecoded(copy, out, damage);
}

bool decodeStream(QPDFObjectHandle stream, Collector& out, Damage damage)
{
    const FilterChain chain = filterChain(stream.getDict());
    return chain.allGeneral() && decodeFilters(stream, chain, chain.names.size(), out, damage);
}

} // namespace fpe
