#pragma once

// Pages taken out of a document to be drawn elsewhere: each is kept as a
// form XObject of its visible area, in the QPDF of the document it came from.

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <map>
#include <memory>

namespace fpe {

struct CapturedPage {
    // The document's QPDF. Not kept alive by the capture: when the document
    // is removed, its captures can no longer be drawn.
    std::weak_ptr<QPDF> pdf;
    QPDFObjectHandle form;
};

struct CaptureState {
    std::map<int, CapturedPage> pages;

    // Drops captures whose document is gone.
    void forgetGone()
    {
        for (auto it = pages.begin(); it != pages.end();)
            it = it->second.pdf.expired() ? pages.erase(it) : std::next(it);
    }
};

} // namespace fpe
