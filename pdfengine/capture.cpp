// Captured pages drawn onto other pages.

#include "instance.h"

namespace fpe {

int Instance::CapturePage(int)
{
    return 0;
}

int Instance::DrawCapturedPage(int, double, double, double, double)
{
    return 0;
}

} // namespace fpe
