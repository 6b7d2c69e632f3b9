// Compression of loaded documents.

#include "instance.h"

namespace fpe {

int Instance::CompressContent()
{
    return 0;
}

int Instance::CompressFonts(int)
{
    return 0;
}

int Instance::CompressImages(int)
{
    return 0;
}

int Instance::ReplaceFonts(int)
{
    return 0;
}

} // namespace fpe
