// A stand-in for the engine library with the same exports, for the binding's
// own tests: every operation answers a fixed value, and every text result
// holds NUL characters, so the binding must copy it by the reported length.

#include "fpe_exports.h"

#include <string>

namespace {

const std::u16string kText(u"before\0middle\0after", 19);
int lastInstance = 0;

const char16_t* standInText(int)
{
    return kText.c_str();
}

template <class T>
T standInNumber(int)
{
    return T(7);
}

} // namespace

extern "C" FPE_API int FPECreateLibrary(void)
{
    return ++lastInstance;
}

extern "C" FPE_API int FPEReleaseLibrary(int)
{
    return 1;
}

extern "C" FPE_API int FPEStringResultLength(int)
{
    return static_cast<int>(kText.size());
}

extern "C" FPE_API int FPEAnsiStringResultLength(int)
{
    return 0;
}

extern "C" FPE_API void* FPECreateBuffer(int, int)
{
    return nullptr;
}

extern "C" FPE_API int FPEAddToBuffer(int, void*, const char*, int)
{
    return 0;
}

extern "C" FPE_API int FPEReleaseBuffer(int, void*)
{
    return 0;
}

#include "fpe_standin_ops.inc"
