// Pages: selection, insertion, deletion, rotation, sizes and boxes.

#include "instance.h"

namespace fpe {

int Instance::PageCount()
{
    return 0;
}

int Instance::SelectPage(int)
{
    return 0;
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
    return 0;
}

double Instance::PageHeight()
{
    return 0;
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
