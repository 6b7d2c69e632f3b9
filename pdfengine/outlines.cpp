// Bookmarks (outlines).

#include "instance.h"

namespace fpe {

int Instance::OutlineCount()
{
    return 0;
}

int Instance::GetOutlineID(int)
{
    return 0;
}

int Instance::RemoveOutline(int)
{
    return 0;
}

int Instance::NewOutline(int, const QString&, int, double)
{
    return 0;
}

} // namespace fpe
