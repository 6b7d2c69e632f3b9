// Pages: selection, insertion, deletion, rotation, sizes and boxes.

#include "geometry.h"
#include "instance.h"

namespace fpe {

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

int Instance::NewPage()
{
    return 0;
}

int Instance::InsertPages(int, int)
{
    return 0;
}

int Instance::DeletePages(int, int)
{
    return 0;
}

int Instance::RotatePage(int)
{
    return 0;
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

double Instance::GetPageBox(int, int)
{
    return 0;
}

int Instance::SetCropBox(double, double, double, double)
{
    return 0;
}

int Instance::SetPageDimensions(double, double)
{
    return 0;
}

} // namespace fpe
