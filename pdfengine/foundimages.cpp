// Images found in documents: listing and saving them.

#include "instance.h"

namespace fpe {

int Instance::FindImages()
{
    return 0;
}

int Instance::GetImageID(int)
{
    return 0;
}

int Instance::SaveImageToFile(const QString&)
{
    return 0;
}

int Instance::GetPageImageList(int)
{
    return 0;
}

int Instance::GetImageListCount(int)
{
    return 0;
}

} // namespace fpe
