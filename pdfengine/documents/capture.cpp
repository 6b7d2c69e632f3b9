// Captured pages drawn onto other pages.

#include "documents/capture.h"
#include "core/instance.h"
#include "documents/geometry.h"
#include "documents/pagecontent.h"
#include "documents/pages.h"

#include <qpdf/Pl_Buffer.hh>
#include <qpdf/Pl_Flate.hh>
#include <qpdf/Pl_String.hh>
#include <qpdf/QPDFMatrix.hh>

#include <algorithm>
#include <cmath>

namespace fpe {

namespace {

QPDFObjectHandle::Rectangle normalised(QPDFObjectHandle box)
{
    if (!box.isRectangle())
        return QPDFObjectHandle::Rectangle(0, 0, 612, 792);
    const QPDFObjectHandle::Rectangle r = box.getArrayAsRectangle();
    return QPDFObjectHandle::Rectangle(std::min(r.llx, r.urx), std::min(r.lly, r.ury),
                                       std::max(r.llx, r.urx), std::max(r.lly, r.ury));
}

// What a viewer shows of the page: its CropBox within its MediaBox.
QPDFObjectHandle::Rectangle visibleArea(QPDFPageObjectHelper page)
{
    const QPDFObjectHandle::Rectangle media = normalised(page.getMediaBox());
    const QPDFObjectHandle::Rectangle crop = normalised(page.getCropBox());
    const QPDFObjectHandle::Rectangle r(std::max(media.llx, crop.llx), std::max(media.lly, crop.lly),
                                        std::min(media.urx, crop.urx), std::min(media.ury, crop.ury));
    return (r.urx > r.llx && r.ury > r.lly) ? r : media;
}

// The page as a form XObject: its content, clipped to the visible area and
// turned as /Rotate shows it.
QPDFObjectHandle pageForm(QPDFPageObjectHelper page)
{
    // QPDF's form takes the TrimBox and computes its /Matrix from it; the
    // visible area is the CropBox, and placement only needs the turn.
    QPDFObjectHandle form = page.getFormXObjectForPage(false);
    QPDFObjectHandle dict = form.getDict();
    dict.replaceKey("/BBox", QPDFObjectHandle::newFromRectangle(visibleArea(page)));
    // Resources shared between pages stay shared rather than copied into
    // every form.
    QPDFObjectHandle resources = page.getAttribute("/Resources", false);
    if (resources.isIndirect() && resources.isDictionary())
        dict.replaceKey("/Resources", resources);
    switch (PageGeometry::of(page).rotate) {
    case 90: dict.replaceKey("/Matrix", QPDFObjectHandle::newFromMatrix(QPDFMatrix(0, -1, 1, 0, 0, 0))); break;
    case 180: dict.replaceKey("/Matrix", QPDFObjectHandle::newFromMatrix(QPDFMatrix(-1, 0, 0, -1, 0, 0))); break;
    case 270: dict.replaceKey("/Matrix", QPDFObjectHandle::newFromMatrix(QPDFMatrix(0, 1, -1, 0, 0, 0))); break;
    default: break;
    }

    // QPDF's form reads the page's content only when it is written. Take the
    // content now instead, so the form stands on its own: a single stream
    // keeps its encoded data, several are joined and compressed.
    try {
        std::vector<QPDFObjectHandle> contents = page.getPageContents();
        QPDFObjectHandle filter = contents.size() == 1 ? contents[0].getDict().getKey("/Filter") : QPDFObjectHandle();
        const bool crypt = filter.isNameAndEquals("/Crypt")
            || (filter.isArray() && filter.getArrayNItems() > 0 && filter.getArrayItem(0).isNameAndEquals("/Crypt"));
        if (contents.size() == 1 && !crypt) {
            form.replaceStreamData(contents[0].getRawStreamData(), filter, contents[0].getDict().getKey("/DecodeParms"));
        } else {
            Pl_Buffer buffer("captured page");
            Pl_Flate deflate("captured page", &buffer, Pl_Flate::a_deflate);
            page.pipePageContents(&deflate);
            deflate.finish();
            form.replaceStreamData(buffer.getBufferSharedPointer(), QPDFObjectHandle::newName("/FlateDecode"),
                                   QPDFObjectHandle::newNull());
        }
    } catch (const std::exception&) {
        // Damaged content: the form keeps the content streams that decode.
        // It must not read the page later, as the page is gone once captured.
        std::string readable;
        for (QPDFObjectHandle stream : page.getPageContents()) {
            std::string data;
            Pl_String decoded("captured page", nullptr, data);
            try {
                if (stream.pipeStreamData(&decoded, 0, qpdf_dl_generalized))
                    readable += data + "\n";
            } catch (const std::exception&) {
            }
        }
        form.replaceStreamData(readable, QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
    }
    return form;
}

} // namespace

int Instance::CapturePage(int Page)
{
    Document& doc = selectedDoc();
    if (!doc.hasPage(Page))
        return 0;
    if (!captures)
        captures = std::make_shared<CaptureState>();
    captures->forgetGone();

    QPDFObjectHandle form = doc.pdf->makeIndirectObject(pageForm(doc.page(Page)));
    // Taken out as a deleted page is, so that nothing still leads to it.
    removePages(doc, Page - 1, 1);
    if (doc.selectedPage > Page)
        --doc.selectedPage;
    doc.selectedPage = std::clamp(doc.selectedPage, 1, std::max(1, doc.pageCount()));

    const int id = newId();
    captures->pages[id] = CapturedPage{doc.pdf, form};
    return id;
}

int Instance::DrawCapturedPage(int CaptureID, double Left, double Top, double Width, double Height)
{
    if (!captures)
        return 0;
    auto it = captures->pages.find(CaptureID);
    if (it == captures->pages.end())
        return 0;
    std::shared_ptr<QPDF> source = it->second.pdf.lock();
    if (!source || !std::isfinite(Left) || !std::isfinite(Top) || !std::isfinite(Width) || !std::isfinite(Height)
        || Width <= 0 || Height <= 0)
        return 0;
    Document& doc = selectedDoc();
    if (!doc.hasPage(doc.selectedPage))
        return 0;

    QPDFObjectHandle form = it->second.form;
    if (source != doc.pdf) {
        // Copied once per document (QPDF remembers its copies); the copy must
        // not depend on the source document staying loaded.
        source->setImmediateCopyFrom(true);
        form = doc.pdf->copyForeignObject(form);
    }

    QPDFPageObjectHelper page = doc.page(doc.selectedPage);
    const PageGeometry geometry = PageGeometry::of(page);
    const QRectF r = displayRect(Left, Top, Width, Height, geometry.height());
    // Fitted into the rectangle (on the displayed page) and centred there,
    // keeping the captured page's proportions.
    const QPDFMatrix place = page.getMatrixForFormXObjectPlacement(
        form, QPDFObjectHandle::Rectangle(r.x(), r.y(), r.x() + r.width(), r.y() + r.height()), false, true, true);
    QPDFMatrix m = geometry.displayToUser();
    m.concat(place);
    const std::string name = addPageResource(page, "/XObject", form, "/Fx");
    drawOnPage(doc, page, m.unparse() + " cm " + name + " Do");
    return 1;
}

} // namespace fpe
