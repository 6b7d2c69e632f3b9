// Images from files and drawing them on pages.

#include "instance.h"

namespace fpe {

int Instance::AddImageFromFile(const QString&, int)
{
    return 0;
}

int Instance::DrawImage(double, double, double, double)
{
    return 0;
}

} // namespace fpe
