// Printing through CUPS.

#include "instance.h"

namespace fpe {

QString Instance::NewCustomPrinter(const QString&)
{
    return QString();
}

int Instance::SetupCustomPrinter(const QString&, int, int)
{
    return 0;
}

int Instance::PrintOptions(int, int, const QString&)
{
    return 0;
}

int Instance::PrintDocument(const QString&, int, int, int)
{
    return 0;
}

} // namespace fpe
