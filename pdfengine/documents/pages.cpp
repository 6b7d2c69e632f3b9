// Pages: selection, insertion, deletion, rotation, sizes and boxes.

#include "documents/pages.h"

#include "core/instance.h"
#include "documents/geometry.h"
#include "documents/pagecontent.h"

#include <qpdf/QPDFAcroFormDocumentHelper.hh>

#include <algorithm>
#include <cmath>
#include <set>

namespace fpe {

namespace {

// More blank pages than any tool asks for at once: refused rather than
// filling memory.
constexpr int maxInsertedPages = 100000;

QPDFObjectHandle pdfRectangle(double x0, double y0, double x1, double y1)
{
    return QPDFObjectHandle::newArray({QPDFObjectHandle::newReal(pdfNumber(x0)), QPDFObjectHandle::newReal(pdfNumber(y0)),
                                       QPDFObjectHandle::newReal(pdfNumber(x1)), QPDFObjectHandle::newReal(pdfNumber(y1))});
}

// A page box in displayed points (y up, from the displayed page's
// bottom-left corner), clipped to the MediaBox as viewers clip it.
QRectF displayedBox(const PageGeometry& g, QPDFObjectHandle box)
{
    const QRectF media(0, 0, g.width(), g.height());
    if (!box.isRectangle())
        return media;
    const QPDFObjectHandle::Rectangle r = box.getArrayAsRectangle();
    double ax, ay, bx, by;
    g.toDisplay(r.llx, r.lly, ax, ay);
    g.toDisplay(r.urx, r.ury, bx, by);
    const QRectF shown = QRectF(QPointF(std::min(ax, bx), std::min(ay, by)), QPointF(std::max(ax, bx), std::max(ay, by)))
                             .intersected(media);
    return shown.isEmpty() ? media : shown;
}

void dropFieldsOf(QPDF& pdf, QPDFObjectHandle acroForm, const std::set<QPDFObjGen>& removed)
{
    QPDFAcroFormDocumentHelper forms(pdf);
    std::set<QPDFObjGen> candidates, kept;
    for (const QPDFObjectHandle& page : pdf.getAllPages()) {
        const bool gone = removed.count(page.getObjGen()) > 0;
        for (QPDFAnnotationObjectHelper& widget : forms.getWidgetAnnotationsForPage(QPDFPageObjectHelper(page))) {
            QPDFFormFieldObjectHelper field = forms.getFieldForAnnotation(widget);
            if (field.isNull())
                continue;
            const QPDFObjGen top = field.getTopLevelField().getObjectHandle().getObjGen();
            if (top.isIndirect())
                (gone ? candidates : kept).insert(top);
        }
    }
    std::set<QPDFObjGen> drop;
    for (const QPDFObjGen& og : candidates)
        if (!kept.count(og))
            drop.insert(og);
    if (drop.empty())
        return;
    forms.removeFormFields(drop);
    QPDFObjectHandle order = acroForm.getKey("/CO");
    if (order.isArray()) {
        for (int i = order.getArrayNItems() - 1; i >= 0; --i) {
            QPDFFormFieldObjectHelper field(order.getArrayItem(i));
            if (drop.count(field.getTopLevelField().getObjectHandle().getObjGen()))
                order.eraseItem(i);
        }
    }
}

// Fields whose widgets are all on the pages being removed leave the form,
// with their entries in the calculation order.
void dropFormFieldsOf(QPDF& pdf, const std::set<QPDFObjGen>& removed)
{
    QPDFObjectHandle acroForm = pdf.getRoot().getKey("/AcroForm");
    if (!acroForm.isDictionary() || !acroForm.getKey("/Fields").isArray())
        return;
    try {
        dropFieldsOf(pdf, acroForm, removed);
    } catch (const std::exception&) {
        // A form too damaged to read: the pages still go, its fields stay.
    }
}

// The selected page's displayed size in points, or US Letter without one.
void selectedPageSize(Document& doc, double& width, double& height)
{
    width = 612;
    height = 792;
    if (doc.hasPage(doc.selectedPage)) {
        const PageGeometry g = PageGeometry::of(doc.page(doc.selectedPage));
        width = g.width();
        height = g.height();
    }
}

} // namespace

QPDFObjectHandle newBlankPage(QPDF& pdf, double width, double height)
{
    QPDFObjectHandle page = QPDFObjectHandle::newDictionary();
    page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
    page.replaceKey("/MediaBox", pdfRectangle(0, 0, width, height));
    page.replaceKey("/Resources", QPDFObjectHandle::newDictionary());
    page.replaceKey("/Contents", pdf.newStream(""));
    return pdf.makeIndirectObject(page);
}

void setPageList(QPDF& pdf, const std::vector<QPDFObjectHandle>& pages)
{
    // Attributes the old tree's nodes passed on now stay with their pages.
    pdf.pushInheritedAttributesToPage();
    QPDFObjectHandle root = pdf.getRoot().getKey("/Pages");
    for (QPDFObjectHandle page : pages)
        page.replaceKey("/Parent", root);
    root.replaceKey("/Kids", QPDFObjectHandle::newArray(pages));
    root.replaceKey("/Count", QPDFObjectHandle::newInteger(static_cast<long long>(pages.size())));
    pdf.updateAllPagesCache();
}

void removePages(Document& doc, int first, int count)
{
    QPDF& pdf = *doc.pdf;
    const std::vector<QPDFObjectHandle>& pages = doc.pageObjects();
    const std::vector<QPDFObjectHandle> removed(pages.begin() + first, pages.begin() + first + count);
    std::set<QPDFObjGen> removedIds;
    for (const QPDFObjectHandle& page : removed)
        removedIds.insert(page.getObjGen());
    struct TouchOnExit {
        Document& doc;
        ~TouchOnExit() { doc.touch(); }
    } touch{doc};
    dropFormFieldsOf(pdf, removedIds);
    // QPDF takes a page out of its flat page list in place, which is what
    // tools that remove pages one at a time (every odd page of a long
    // document) need; many pages at once go in one new list.
    bool inPlace = count <= 8;
    if (inPlace) {
        try {
            for (const QPDFObjectHandle& page : removed)
                pdf.removePage(page);
        } catch (const std::exception&) {
            inPlace = false;  // a page tree QPDF will not flatten (a wrong /Count)
        }
    }
    if (!inPlace) {
        std::vector<QPDFObjectHandle> kept;
        for (const QPDFObjectHandle& page : doc.pageObjects())
            if (!removedIds.count(page.getObjGen()))
                kept.push_back(page);
        setPageList(pdf, kept);
    }
    for (const QPDFObjGen& og : removedIds) {
        doc.overlays.erase(og);
        pdf.replaceObject(og, QPDFObjectHandle::newNull());
    }
}

int Instance::PageCount()
{
    return selectedDoc().pageCount();
}

int Instance::SelectPage(int PageNumber)
{
    Document& doc = selectedDoc();
    if (!doc.hasPage(PageNumber))
        return 0;
    doc.selectedPage = PageNumber;
    return 1;
}

// Returns the new page count.
int Instance::NewPage()
{
    Document& doc = selectedDoc();
    double width, height;
    selectedPageSize(doc, width, height);
    doc.pageObjects();
    doc.pdf->addPage(newBlankPage(*doc.pdf, width, height), false);
    doc.selectedPage = doc.pageCount();
    doc.touch();
    return doc.pageCount();
}

// Returns the new page count. The selected page stays the same page.
int Instance::InsertPages(int StartPage, int PageCount)
{
    Document& doc = selectedDoc();
    const int count = static_cast<int>(doc.pageObjects().size());
    if (PageCount < 1 || StartPage < 1 || StartPage > count + 1)
        return 0;
    if (PageCount > maxInsertedPages)
        return 0;
    double width, height;
    selectedPageSize(doc, width, height);
    QPDF& pdf = *doc.pdf;
    std::vector<QPDFObjectHandle> pages = doc.pageObjects();
    std::vector<QPDFObjectHandle> blanks;
    for (int i = 0; i < PageCount; ++i)
        blanks.push_back(newBlankPage(pdf, width, height));
    pages.insert(pages.begin() + (StartPage - 1), blanks.begin(), blanks.end());
    setPageList(pdf, pages);
    if (doc.selectedPage >= StartPage)
        doc.selectedPage += PageCount;
    doc.touch();
    return doc.pageCount();
}

// Returns the new page count; a range running past the end stops there.
int Instance::DeletePages(int StartPage, int PageCount)
{
    Document& doc = selectedDoc();
    const int count = static_cast<int>(doc.pageObjects().size());
    if (PageCount < 1 || StartPage < 1 || StartPage > count)
        return 0;
    const int n = std::min(PageCount, count - StartPage + 1);
    if (n >= count)
        return 0;  // a document keeps at least one page
    removePages(doc, StartPage - 1, n);
    if (doc.selectedPage >= StartPage + n)
        doc.selectedPage -= n;
    else if (doc.selectedPage >= StartPage)
        doc.selectedPage = std::min(StartPage, doc.pageCount());
    return doc.pageCount();
}

int Instance::RotatePage(int PageRotation)
{
    Document& doc = selectedDoc();
    if (!doc.hasPage(doc.selectedPage) || PageRotation % 90 != 0)
        return 0;
    QPDFPageObjectHelper page = doc.page(doc.selectedPage);
    const int current = PageGeometry::of(page).rotate;
    const int rotation = PageGeometry::normaliseRotation(static_cast<long long>(current) + PageRotation);
    page.getObjectHandle().replaceKey("/Rotate", QPDFObjectHandle::newInteger(rotation));
    doc.touch();
    return 1;
}

double Instance::PageWidth()
{
    Document& doc = selectedDoc();
    if (!doc.hasPage(doc.selectedPage))
        return 0;
    return fromPoints(PageGeometry::of(doc.page(doc.selectedPage)).width());
}

double Instance::PageHeight()
{
    Document& doc = selectedDoc();
    if (!doc.hasPage(doc.selectedPage))
        return 0;
    return fromPoints(PageGeometry::of(doc.page(doc.selectedPage)).height());
}

double Instance::GetPageBox(int BoxType, int Dimension)
{
    Document& doc = selectedDoc();
    if (!doc.hasPage(doc.selectedPage) || Dimension < folio::BoxLeft || Dimension > folio::BoxHeight)
        return 0;
    QPDFPageObjectHelper page = doc.page(doc.selectedPage);
    QPDFObjectHandle box;
    switch (BoxType) {
    case folio::MediaBox: box = page.getMediaBox(); break;
    case folio::CropBox: box = page.getCropBox(); break;   // the MediaBox when there is none
    case folio::BleedBox: box = page.getBleedBox(); break;  // these three: the CropBox when absent
    case folio::TrimBox: box = page.getTrimBox(); break;
    case folio::ArtBox: box = page.getArtBox(); break;
    default: return 0;
    }
    const PageGeometry g = PageGeometry::of(page);
    const QRectF shown = displayedBox(g, box);
    switch (Dimension) {
    case folio::BoxLeft: return fromPoints(shown.x());
    case folio::BoxTop: return topValue(shown.y(), shown.height(), g.height());
    case folio::BoxWidth: return fromPoints(shown.width());
    default: return fromPoints(shown.height());
    }
}

// The crop box is clipped to the MediaBox; one wholly outside it is refused.
int Instance::SetCropBox(double Left, double Top, double Width, double Height)
{
    Document& doc = selectedDoc();
    if (!doc.hasPage(doc.selectedPage) || !(Width > 0) || !(Height > 0))
        return 0;
    QPDFPageObjectHelper page = doc.page(doc.selectedPage);
    const PageGeometry g = PageGeometry::of(page);
    const QRectF shown = displayRect(Left, Top, Width, Height, g.height()).intersected(QRectF(0, 0, g.width(), g.height()));
    if (shown.isEmpty() || !std::isfinite(shown.width()) || !std::isfinite(shown.height()))
        return 0;
    double ax, ay, bx, by;
    g.toUser(shown.left(), shown.top(), ax, ay);  // QRectF's top is the smaller y: the bottom edge here
    g.toUser(shown.right(), shown.bottom(), bx, by);
    page.getObjectHandle().replaceKey(
        "/CropBox", pdfRectangle(std::min(ax, bx), std::min(ay, by), std::max(ax, bx), std::max(ay, by)));
    doc.touch();
    return 1;
}

// Width and height are the displayed ones: on a page turned by 90 or 270
// degrees they become the MediaBox's height and width. The MediaBox keeps
// its lower-left corner, so the content keeps its place.
int Instance::SetPageDimensions(double NewPageWidth, double NewPageHeight)
{
    Document& doc = selectedDoc();
    const double width = toPoints(NewPageWidth), height = toPoints(NewPageHeight);
    if (!doc.hasPage(doc.selectedPage) || !(width > 0) || !(height > 0) || !std::isfinite(width) || !std::isfinite(height))
        return 0;
    QPDFPageObjectHelper page = doc.page(doc.selectedPage);
    // A box inherited from the page tree would survive its removal from the page.
    doc.pdf->pushInheritedAttributesToPage();
    const PageGeometry g = PageGeometry::of(page);
    const double w = g.swapped() ? height : width, h = g.swapped() ? width : height;
    QPDFObjectHandle pageObj = page.getObjectHandle();
    pageObj.replaceKey("/MediaBox", pdfRectangle(g.x0, g.y0, g.x0 + w, g.y0 + h));
    for (const char* key : {"/CropBox", "/BleedBox", "/TrimBox", "/ArtBox"})
        pageObj.removeKey(key);
    doc.touch();
    return 1;
}

} // namespace fpe
