// Rendering pages to image files.

#include "instance.h"

namespace fpe {

int Instance::RenderPageToFile(double, int, int, const QString&)
{
    return 0;
}

int Instance::RenderAsMultipageTIFFToFile(double, const QString&, int, int, const QString&)
{
    return 0;
}

} // namespace fpe
