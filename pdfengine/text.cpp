// Text of pages.

#include "instance.h"

namespace fpe {

QString Instance::GetPageText(int)
{
    return QString();
}

} // namespace fpe
